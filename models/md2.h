#pragma once
// MD2 model loader object kept with a model node while the editor runs.

namespace qx {

class TMD2 {
 public:
  virtual ~TMD2() = default;
};

}  // namespace qx

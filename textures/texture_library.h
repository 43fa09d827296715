#pragma once
// The texture library: its entries and file state.

namespace qx {

class TextureLibrary {
 public:
  virtual ~TextureLibrary() = default;
};

}  // namespace qx

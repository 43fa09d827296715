// Feeds arbitrary bytes to the MD2 loader and builds a model node from
// whatever it accepts: every index the node ends up with must be in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "model_node_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto model = std::make_unique<qx::TMD2>();
  if (!model->LoadFromMemory(data, size)) return 0;
  qx::fuzz::CheckModelNode(std::move(model));
  return 0;
}

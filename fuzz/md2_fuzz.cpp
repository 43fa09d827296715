// Feeds arbitrary bytes to the MD2 loader and builds a model node from
// whatever it accepts: every index the node ends up with must be in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "edit/model_insert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto model = std::make_unique<qx::TMD2>();
  if (!model->LoadFromMemory(data, size)) return 0;
  qx::Editor editor;
  auto node = qx::BuildModelNode(editor, std::move(model));
  const auto n = static_cast<int32_t>(node->Vertices.size());
  if (node->VertexCount != n || node->TriangleCount != node->Triangles.size()) std::abort();
  for (const qx::TTriangle& t : node->Triangles)
    if (t.V0 < 0 || t.V0 >= n || t.V1 < 0 || t.V1 >= n || t.V2 < 0 || t.V2 >= n) std::abort();
  return 0;
}

#pragma once
// What every model a loader accepts must give: a model node whose counts
// match its arrays and whose every corner index is in range. Aborts otherwise.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "commands/model_insert.h"

namespace qx::fuzz {

inline void CheckModelNode(std::unique_ptr<TMD2> model) {
  Editor editor;
  auto node = BuildModelNode(editor, std::move(model));
  const auto n = static_cast<int32_t>(node->Vertices.size());
  if (node->VertexCount != n || node->TriangleCount != node->Triangles.size()) std::abort();
  for (const TTriangle& t : node->Triangles)
    if (t.V0 < 0 || t.V0 >= n || t.V1 < 0 || t.V1 >= n || t.V2 < 0 || t.V2 >= n) std::abort();
}

}  // namespace qx::fuzz

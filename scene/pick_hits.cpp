#include "scene/pick_hits.h"

#include "scene/scene_tree.h"

namespace qx {

uint32_t ResolvePickHits(const uint32_t* buffer, size_t size, int hits,
                         const std::function<bool(uint32_t)>& is_polygon_vertex_id) {
  if (hits <= 0 || hits > static_cast<int>(kPickMaxHits) || !buffer) return 0;
  bool have = false;
  uint32_t best_name = 0, best_depth = 0;
  size_t pos = 0;
  for (int i = 0; i < hits; ++i) {
    if (size - pos < 3) break;
    const uint32_t count = buffer[pos];
    const uint32_t min_depth = buffer[pos + 1];
    if (count == 0 || count > size - pos - 3) break;  // a record without names or cut short
    const uint32_t name = buffer[pos + 3 + count - 1];
    pos += 3 + count;
    if (!have) {
      have = true;
      best_name = name;
      best_depth = min_depth;
      continue;
    }
    if (is_polygon_vertex_id && is_polygon_vertex_id(name)) return name;
    if (min_depth < best_depth) {
      best_name = name;
      best_depth = min_depth;
    }
  }
  return have ? best_name : 0;
}

bool IsPolygonVertexIdIn(const SceneTree& tree, uint32_t id) {
  bool found = false;
  tree.Walk([&](TSector* n) {
    if (found || n->NodeType != kPolygon) return;
    for (const TVertex& v : n->Vertices)
      if (v.Id == id) {
        found = true;
        return;
      }
  });
  return found;
}

}  // namespace qx

#include "commands/grid_snap.h"

#include <cmath>
#include <vector>

namespace qx {

float SnapToGrid(float c, int32_t grid_size) {
  if (grid_size < 1) return c;
  // The multiple is formed exactly in double: beyond the 64-bit integer range an
  // integer product would overflow, and every float coordinate fits here.
  const double steps = std::nearbyint(static_cast<double>(c) / grid_size);
  // An integer product has no negative zero: -5 snaps to 0, not -0, which
  // would be other bytes in every file.
  return static_cast<float>(steps * grid_size + 0.0);
}

Vector SnapToGrid(const Vector& p, int32_t grid_size) {
  return {SnapToGrid(p.x, grid_size), SnapToGrid(p.y, grid_size), SnapToGrid(p.z, grid_size)};
}

void SnapSubtreeToGrid(const SceneTree& tree, TSector* node, bool with_siblings, int32_t grid_size) {
  if (!node) return;
  std::vector<TSector*> roots{node};
  if (with_siblings)
    for (TSector* s = tree.NextSibling(node); s; s = tree.NextSibling(s)) roots.push_back(s);
  for (TSector* root : roots) {
    SceneTree::WalkSubtree(root, [&](TSector* n) {
      if (n->NodeType != kPolygon && n->NodeType != kPortal) return;
      for (TVertex& v : n->Vertices) v.Position = SnapToGrid(v.Position, grid_size);
    });
  }
}

}  // namespace qx

#pragma once
// Rounding coordinates to the editing grid.

#include <cstdint>

#include "scene/scene_tree.h"

namespace qx {

// c rounded to the nearest multiple of grid_size, halves to the even multiple.
// A grid size below 1 leaves c as it is (it would only produce NaN).
float SnapToGrid(float c, int32_t grid_size);
Vector SnapToGrid(const Vector& p, int32_t grid_size);

// Snaps every vertex coordinate of the polygons and portals in node's subtree.
// With with_siblings the node's later siblings (and their subtrees) follow.
// Lights, particle systems, actors, checkpoints and models are not touched.
void SnapSubtreeToGrid(const SceneTree& tree, TSector* node, bool with_siblings, int32_t grid_size);

}  // namespace qx

#pragma once
// The level file (.map) the game engine loads: the scene tree flattened into
// one little-endian stream, polygons broken into triangles, then the
// lightmaps and the start position. Nothing in the editor reads it back; the
// reader in level_reader.h exists to check it.

#include <cstdint>
#include <memory>
#include <vector>

#include "lighting/lightmap.h"
#include "scene/bytes.h"

namespace qx {

inline constexpr char kLevelMagic[] = "MAP1";
inline constexpr int32_t kLevelVersion = 1001;
inline constexpr size_t kLevelSectorBody = 27;
inline constexpr size_t kLevelTriangleBody = 107;
inline constexpr size_t kLevelLightBody = 19;

// Can the node be written? A polygon, or a model in mode "Lightmap", is one
// record per triangle; without triangles it has no record a reader could
// tell apart from the next bytes, so such a node is left out with its subtree.
bool IsExportable(const TSector* node);

// The node stream of a sibling chain: each node's record(s), its has-children
// byte, its children's stream, its is-last byte. Iterative, so deep trees are
// no danger. Sector bounds are written as they are: compute them first.
// Returns the number of tree nodes written.
size_t ExportNodes(const std::vector<std::unique_ptr<TSector>>& siblings, ByteWriter& out);

// The whole file. Recomputes every sector's bounds first (ComputeBounds). The
// header's node count is the number of tree nodes in the stream: all of them,
// unless some had to be left out (see IsExportable).
std::vector<uint8_t> BuildLevelFile(SceneTree& tree, const std::vector<Lightmap>& lightmaps,
                                    const Vector& start);

}  // namespace qx

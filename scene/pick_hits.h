#pragma once
// Choosing the picked name from the hit records of a GL selection pass.
// Kept apart from the GL code so the rules are tested without a display.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace qx {

class SceneTree;

inline constexpr size_t kPickBufferSize = 32;  // unsigned values: 8 one-name hit records
inline constexpr size_t kPickMaxHits = 8;      // more hits than this select nothing

// Records are (name count, minimum depth, maximum depth, names...). A hit
// count of 0 or less (-1 is an overflowed buffer) or above kPickMaxHits gives 0. Otherwise the
// first record is the candidate; each later record whose name is a polygon
// vertex id wins at once, else a smaller minimum depth (unsigned, ties keep
// the earlier) takes over. A record is judged by its last name, the one
// loaded when it was hit. Records reaching past `size` values end the scan.
uint32_t ResolvePickHits(const uint32_t* buffer, size_t size, int hits,
                         const std::function<bool(uint32_t)>& is_polygon_vertex_id);

// True when some polygon (portals excluded) has a vertex with this id.
bool IsPolygonVertexIdIn(const SceneTree& tree, uint32_t id);

}  // namespace qx

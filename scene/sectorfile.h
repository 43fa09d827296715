#pragma once
// Sector files (.sec): one sector with everything below it, to reuse a room
// in other maps.
//
//   "SEC1", version 1001 (i32), T (i32), T bytes of the subtree's outline with
//   every byte's top bit flipped (the sector at level 0), then the node
//   records of the sector and its subtree in tree order. No camera block.
//
// Every stored position is relative to the centre of the sector's bounding
// box: polygon, portal and model vertices as well as the positions of lights,
// particle systems, actors and checkpoints. So the whole room, not only its
// walls, lands where it is imported. (A model's own Position is not stored,
// as in map documents.)

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scene/scene_tree.h"

namespace qx {

inline constexpr char kSectorMagic[4] = {'S', 'E', 'C', '1'};
inline constexpr int32_t kSectorVersion = 1001;

// The bytes of a sector file for `sector` (a node of type sector). Computes
// the sector's bounds; changes nothing else.
std::vector<uint8_t> WriteSectorFile(TSector* sector);

// Writes the sector file for `sector` to `path`, replacing any file there
// only once the new one is complete. False with `error` set on failure.
bool SaveSectorFile(TSector* sector, const std::filesystem::path& path, std::string* error);

// Parses a sector file into `staging`, which must be empty: afterwards it
// holds one top-level sector with its subtree, positions as stored (relative
// to the box centre), ids and portal link ids as in the file, portals
// unlinked. A file must hold exactly one top-level node, a sector. False with
// `error` set (and `staging` emptied) on failure.
bool ReadSectorFile(const uint8_t* data, size_t size, SceneTree& staging, std::string* error);

// Adds offset to every position in root's subtree that a sector file stores
// relative to the box centre (see the top of this file).
void ShiftSubtree(TSector* root, const Vector& offset);

}  // namespace qx

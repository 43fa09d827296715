#pragma once
// Where the properties panel's "Position" fields put a node: point nodes by
// their Position, sectors, polygons and models by the centre of their box
// (moving them moves what they hold).

#include <cstdint>

#include "document/editor.h"

namespace qx {

inline constexpr const char* kPositionCommand = "Position";

// Lights, particle systems, actors, checkpoints, models, sectors and polygons.
bool HasPositionFields(uint8_t node_type);

// What the fields show. A model's Position is neither stored in files nor
// copied, so its box centre stands for it; sectors and polygons need their
// bounds computed (selecting a node does that).
Vector ShownPosition(const TSector& node);

// Every selected node of `node_type` gets `value` as the `axis` coordinate of
// its shown position (a node inside another one that moves goes with it
// only). One undo step; true when something moved.
bool SetSelectedCoordinate(Editor& e, uint8_t node_type, AxisLock axis, float value);

}  // namespace qx

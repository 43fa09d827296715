#pragma once
// The level's start position: set at the look-at point, picked and dragged
// in the viewport like a light.

#include <cstdint>

#include "document/editor.h"

namespace qx {

inline constexpr const char* kSetStartPositionCommand = "Startposition setzen";
// The pick name of the start marker. Ids come from a counter that starts at 1
// and a scene never holds four billion of them, so this one is never a node's.
inline constexpr uint32_t kStartPositionPickName = 0xFFFFFFFFu;

// "Startposition setzen": the start position goes to the look-at point,
// snapped to the grid, and the marker becomes the selection. One undo step.
void SetStartPosition(Editor& e);

// Selects the start marker: alone, or added to the selection with Shift.
void SelectStartMarker(Editor& e, bool add);

// A drag step on the selected start marker, as for a light.
void MoveStartPosition(Editor& e, AxisLock axis, float distance);

}  // namespace qx

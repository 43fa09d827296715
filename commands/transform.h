#pragma once
// Moving and rotating nodes along an axis, texture-coordinate shifts and
// scales, the tool buttons, the grid and vertex-sphere spinners, and the
// vertex coordinate clipboard. The mouse drags that use them are in tools/drag.

#include <functional>
#include <string>

#include "commands/selection.h"

namespace qx {

// Tool buttons "X Achse", "Y Achse", "Z Achse" (and F5..F7), "Verschieben", "Rotieren".
void SetAxisLock(Editor& e, AxisLock axis);
void SetToolMode(Editor& e, ToolMode mode);
// The "Vertex Modus" check box.
void SetVertexMode(Editor& e, bool on);

// Adds d to p's coordinate on the axis (nothing for another lock).
void AddOnAxis(Vector& p, AxisLock axis, double d);
// Adds distance to the axis coordinate of the node (through a sector to all it holds).
void MoveSubtree(TSector* node, AxisLock axis, float distance);
// Turns the node about centre by `step` steps: 10 degrees a step for vertices,
// 1 degree for lights; actors' Heading grows by 10 a step whatever the axis.
void RotateSubtree(TSector* node, AxisLock axis, const Vector& centre, float step);

enum class TexCoord { kU, kV };
enum class TexMode { kShift, kScale };
// Shifts or scales the texture coordinates of every selected polygon.
void AdjustTexCoords(Editor& e, TexCoord coordinate, TexMode mode, double value);

inline constexpr int32_t kMaxGridSize = 500;
void GridSpinner1(Editor& e, bool up);  // GridSize +- 1
void GridSpinner2(Editor& e, bool up);  // GridSize +- 5, 1 -> 5
void VertexSphereSpinner(Editor& e, bool up);

void CopyCoordinates(Editor& e);   // "Koordinaten kopieren"
void PasteCoordinates(Editor& e);  // "Koordinaten einfügen"

}  // namespace qx

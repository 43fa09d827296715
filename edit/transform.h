#pragma once
// Moving and rotating the selection with the mouse, texture-coordinate drags,
// the grid and vertex-sphere spinners, and the vertex coordinate clipboard.

#include <functional>
#include <string>

#include "edit/gesture.h"
#include "edit/selection.h"

namespace qx {

// Tool buttons "X Achse", "Y Achse", "Z Achse" (and F5..F7), "Verschieben", "Rotieren".
void SetAxisLock(Editor& e, AxisLock axis);
void SetToolMode(Editor& e, ToolMode mode);
// The "Vertex Modus" check box.
void SetVertexMode(Editor& e, bool on);

// Adds distance to the axis coordinate of the node (through a sector to all it holds).
void MoveSubtree(TSector* node, AxisLock axis, float distance);
// Turns the node about centre by `step` steps: 10 degrees a step for vertices,
// 1 degree for lights; actors' Heading grows by 10 a step whatever the axis.
void RotateSubtree(TSector* node, AxisLock axis, const Vector& centre, float step);

enum class TexCoord { kU, kV };
enum class TexMode { kShift, kScale };
// Shifts or scales the texture coordinates of every selected polygon.
void AdjustTexCoords(Editor& e, TexCoord coordinate, TexMode mode, double value);

// One horizontal mouse step of a left drag: counts events in the pointer, and
// when the step is due moves or rotates every selected node and refreshes bounds.
void DragStep(Editor& e, PointerState& p, int dx);
// A Ctrl drag: texture shift (left button) or scale (right button) along the axis lock.
void TextureDrag(Editor& e, TexMode mode, int dx, int dy);

// The editing part of a mouse move over the viewport: Ctrl drags of texture
// coordinates and the drag step; dx = last x - x, dy = last y - y.
void EditMouseMove(Editor& e, PointerState& p, Modifiers m, int dx, int dy);
// The whole mouse-move handling over the viewport. The camera's own right-drag is
// handed in, since the camera belongs to the view.
void ViewportMouseMove(Editor& e, PointerState& p, Modifiers m, int x, int y,
                       const std::function<void(int dx, int dy)>& camera_drag);

// A drag in the viewport is one undo step from the first button pressed to the
// last one released, named after what it does: "Texturkoordinaten" with Ctrl,
// else the tool, "Verschieben" or "Rotieren". BeginDrag comes before the
// press reaches the pointer state (a press while another button is down
// continues the drag; a first press closes a drag whose release never came),
// EndDrag after the release did. Esc in between cancels the gesture.
std::string DragStepName(const Editor& e, Modifiers m);
void BeginDrag(Gesture& g, const Editor& e, const PointerState& p, Modifiers m);
void EndDrag(Gesture& g, const PointerState& p);

inline constexpr int32_t kMaxGridSize = 500;
void GridSpinner1(Editor& e, bool up);  // GridSize +- 1
void GridSpinner2(Editor& e, bool up);  // GridSize +- 5, 1 -> 5
void VertexSphereSpinner(Editor& e, bool up);

void CopyCoordinates(Editor& e);   // "Koordinaten kopieren"
void PasteCoordinates(Editor& e);  // "Koordinaten einfügen"

}  // namespace qx

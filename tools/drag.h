#pragma once
// The 3D view's mouse: button state and clicks, the drag steps that move or
// turn the selection, and Ctrl drags of texture coordinates. The viewport
// widget translates its events to these; each drag is one Gesture.

#include <cstdint>
#include <functional>
#include <string>

#include "commands/selection.h"
#include "commands/transform.h"
#include "tools/gesture.h"

namespace qx {

// The mouse over a view: buttons, the last position, and the events counted
// towards the next step of a 3D drag. It belongs to the view's gesture, not
// to the document.
struct PointerState {
  bool left_down = false;
  bool right_down = false;
  bool press_timed = false;  // the last left press was without Ctrl
  int64_t press_time_ms = 0;
  int last_x = 0, last_y = 0;
  int step_counter = 0;
};

// A press shorter than this is a click.
inline constexpr int64_t kClickTimeLimitMs = 200;

// Milliseconds of a clock that never jumps (wall-clock changes cannot turn a drag into a click).
int64_t MonotonicMilliseconds();

void ViewportMouseDown(PointerState& p, MouseButton b, Modifiers m, int64_t now_ms);
void ViewportMouseUp(Editor& e, PointerState& p, MouseButton b, Modifiers m, int x, int y, int64_t now_ms,
                     const PickFunction& pick);

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

}  // namespace qx

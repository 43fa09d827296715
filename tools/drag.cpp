#include "tools/drag.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "commands/polygon_ops.h"
#include "commands/start_position.h"
#include "commands/texture_align.h"
#include "scene/bounds.h"

namespace qx {

namespace {

bool IsQuadLike(const TSector* n) {
  return n->NodeType == kPolygon || n->NodeType == kPortal;
}

}  // namespace

int64_t MonotonicMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void ViewportMouseDown(PointerState& p, MouseButton b, Modifiers m, int64_t now_ms) {
  if (b == MouseButton::kRight) {
    p.right_down = true;
  } else if (b == MouseButton::kLeft) {
    p.left_down = true;
    // A Ctrl press starts a texture drag; its release must not count as a click
    // timed from some earlier press.
    p.press_timed = !m.ctrl;
    if (!m.ctrl) p.press_time_ms = now_ms;
  }
}

void ViewportMouseUp(Editor& e, PointerState& p, MouseButton b, Modifiers m, int x, int y, int64_t now_ms,
                     const PickFunction& pick) {
  if (b == MouseButton::kRight) {
    p.right_down = false;
  } else if (b == MouseButton::kLeft) {
    const bool was_down = p.left_down;
    p.left_down = false;
    if (m.ctrl || !was_down || !p.press_timed) return;
    p.press_timed = false;
    if (now_ms - p.press_time_ms < kClickTimeLimitMs) ClickSelect(e, x, y, m, pick);
  }
}

void DragStep(Editor& e, PointerState& p, int dx) {
  float s = 0;
  if (dx != 0) {
    ++p.step_counter;
    if (std::fabs(30.0 / dx) < p.step_counter) {
      if (e.ToolMode == ToolMode::kMove)
        s = static_cast<float>(dx > 0 ? -e.GridSize : e.GridSize);
      else
        s = dx > 0 ? -1.0f : 1.0f;
      p.step_counter = 0;
    }
  }
  const std::vector<TSector*> list = e.SelectionList;
  for (TSector* n : list) {
    if (s != 0) {
      const TextureLockScope lock(e, n);
      if (e.ToolMode == ToolMode::kMove) {
        if (IsQuadLike(n) && e.VertexMode) {
          for (TVertex& v : n->Vertices)
            if (v.Marked) AddOnAxis(v.Position, e.AxisLock, s);
          e.Changed(n, kChangeGeometry);
        } else {
          MoveSubtree(n, e.AxisLock, s);
          e.ChangedSubtree(n, kChangeGeometry);
        }
      } else if (n->NodeType == kSector) {
        // The room turns as a whole, lights and all, as the fixed turns do.
        TurnSectorContent(n, e.AxisLock, 10.0 * s);
      } else if (n->NodeType != kLight) {  // a light turns about itself: it stays
        const bool about_centroid = n->NodeType == kPolygon || n->NodeType == kModel;
        RotateSubtree(n, e.AxisLock, about_centroid ? n->Centroid : n->BoundsCenter, s);
        e.ChangedSubtree(n, kChangeGeometry);
      }
      e.ChangedSubtree(n, kChangeGeometry);
    }
    ComputeBounds(n);
  }
  if (s != 0 && e.StartSelected && e.ToolMode == ToolMode::kMove) MoveStartPosition(e, e.AxisLock, s);
}

void TextureDrag(Editor& e, TexMode mode, int dx, int dy) {
  int d = 0;
  TexCoord coordinate = TexCoord::kU;
  if (e.AxisLock == AxisLock::kX) {
    d = dx;
  } else if (e.AxisLock == AxisLock::kY) {
    d = dy;
    coordinate = TexCoord::kV;
  } else {
    return;
  }
  double f = 1.0;
  if (d >= 1)
    f = 1.0 + 0.001 * std::abs(d);
  else if (d < 0)
    f = 1.0 - 0.001 * std::abs(d);
  // A shift moves by f - 1: adding f itself would look the same on a repeating
  // texture but let the coordinates grow by a whole repeat on every mouse event.
  AdjustTexCoords(e, coordinate, mode, mode == TexMode::kShift ? f - 1.0 : f);
}

void EditMouseMove(Editor& e, PointerState& p, Modifiers m, int dx, int dy) {
  if (p.right_down && m.ctrl) TextureDrag(e, TexMode::kScale, dx, dy);
  if (p.left_down) {
    if (m.ctrl)
      TextureDrag(e, TexMode::kShift, dx, dy);
    else if (!e.SelectionList.empty() || e.StartSelected)
      DragStep(e, p, dx);
  }
}

void ViewportMouseMove(Editor& e, PointerState& p, Modifiers m, int x, int y,
                       const std::function<void(int dx, int dy)>& camera_drag) {
  const int dx = p.last_x - x, dy = p.last_y - y;
  if (p.right_down && !m.ctrl && camera_drag) camera_drag(dx, dy);
  EditMouseMove(e, p, m, dx, dy);
  p.last_x = x;
  p.last_y = y;
  e.Redraw();
}

std::string DragStepName(const Editor& e, Modifiers m) {
  if (m.ctrl) return "Texturkoordinaten";
  return e.ToolMode == ToolMode::kRotate ? "Rotieren" : "Verschieben";
}

void BeginDrag(Gesture& g, const Editor& e, const PointerState& p, Modifiers m) {
  if (p.left_down || p.right_down) return;  // the drag goes on with another button
  g.Press(DragStepName(e, m));
}

void EndDrag(Gesture& g, const PointerState& p) {
  if (!p.left_down && !p.right_down) g.Release();
}

}  // namespace qx

#pragma once
// "Raum zeichnen" in the plan view: the outline being clicked together, corner
// by corner or as one rectangle dragged out, and what the view shows of it.
// Pure state in world x/z; the view widget feeds it pointer positions already
// turned into world points and hands the closed outline to DrawRoom.

#include <optional>
#include <vector>

#include "commands/room_commands.h"
#include "commands/room_outline.h"
#include "document/editor.h"

namespace qx {

// How near (in pixels) a click must come to an existing corner to take its
// place, and to the first corner to close the outline.
inline constexpr double kRoomCornerSnapPixels = 7;

class RoomDrawing {
 public:
  bool Active() const { return active_; }
  void Start();
  // Esc: the outline is dropped and the drawing ends.
  void Cancel();

  enum class Click { kAdded, kClosed, kIgnored };
  // A click at `p` (already snapped): a new corner, or, on the first corner
  // with three or more placed, the outline closes. A click on the last corner
  // again adds nothing (the second click of a double click).
  Click AddCorner(PlanPoint p);
  // Backspace: the last corner goes.
  void TakeBack();
  // Enter or a double click: the outline when it has three corners or more
  // (the drawing ends), else nothing and the drawing goes on.
  std::optional<std::vector<PlanPoint>> Close();
  // A drag from a to b: the rectangle between them, ending the drawing, unless
  // it has no area.
  std::optional<std::vector<PlanPoint>> Rectangle(PlanPoint a, PlanPoint b);
  // The outline a closing click finished (valid after AddCorner gave kClosed).
  std::vector<PlanPoint> TakeClosed();

  void SetPointer(PlanPoint p) { pointer_ = p; }
  const std::vector<PlanPoint>& Corners() const { return corners_; }

  struct Line {
    PlanPoint a, b;
    bool rubber = false;  // the line from the last corner to the pointer
  };
  // The outline so far and the rubber line to the pointer.
  std::vector<Line> PreviewLines() const;
  // Length of the edge being drawn (last corner to pointer); 0 without corners.
  double CurrentEdgeLength() const;

 private:
  bool active_ = false;
  std::vector<PlanPoint> corners_, closed_;
  std::optional<PlanPoint> pointer_;
};

// Where a click at world point `p` puts a corner: onto the corner of a quad
// or portal in the scene, or of the outline being drawn, within `radius`
// world units in x/z; else on the grid (unless `free`).
PlanPoint SnapRoomCorner(const Editor& e, const RoomDrawing& drawing, PlanPoint p, bool free, double radius);

// The room a drawing closes into: floor at the 3D view's look-at height
// snapped to the grid, the given height and tile size.
RoomPlan RoomSpecForDrawing(const Editor& e, std::vector<PlanPoint> outline, float height, float tile,
                            uint16_t texture, bool light);

}  // namespace qx

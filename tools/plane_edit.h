#pragma once
// Editing in a plan or elevation view with the mouse: clicks that select
// (again at the same place: the next node behind), the rubber band, dragging
// the selection, vertices or the 3D camera, panning, and the insert commands
// of the context menu. The Qt widget only translates its events to these.
//
// Left button: a press on a vertex handle (vertex mode), the camera marker or
// a node and a move of more than kPlaneDragThreshold pixels drags it; on
// empty space it draws a rubber band. While handles are shown (vertex mode
// with polygons or portals selected) a drag off the handles draws the band
// wherever it starts: corners lie on faces, and the band marks them. A release without such a move is a
// click. Middle or right button: a drag pans; a right click asks for the
// context menu. Moves snap to GridSize in the view's two axes unless Ctrl is
// held; each drag is one undo step.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/selection.h"
#include "commands/texture_align.h"
#include "tools/drag.h"
#include "tools/gesture.h"
#include "tools/plane_pick.h"

namespace qx {

inline constexpr double kPlaneDragThreshold = 3;  // pixels before a press becomes a drag
inline constexpr double kPlaneCyclePixels = 3;    // a click this close to the last one cycles

enum class PlaneGesture { kNone, kPress, kRubberBand, kMove, kVertexMove, kCamera, kPan };

class PlaneMouse : private TreeListener {
 public:
  PlaneMouse(Editor& e, PlaneView& view) : e_(e), view_(view), drag_(e.History) {}
  ~PlaneMouse() override;
  PlaneMouse(const PlaneMouse&) = delete;
  PlaneMouse& operator=(const PlaneMouse&) = delete;

  void Down(MouseButton b, Modifiers m, double x, double y, const ViewOptions& o);
  void Move(Modifiers m, double x, double y, const ViewOptions& o);
  // True when the release is a right click: the caller opens the context menu there.
  bool Up(MouseButton b, Modifiers m, double x, double y, const ViewOptions& o);
  // Esc: a drag puts everything back where it started; a rubber band is dropped.
  void Cancel();

  PlaneGesture Gesture() const { return gesture_; }
  // The rubber band being drawn, if any.
  std::optional<PixelRect> RubberBand() const;

 private:
  struct Saved {
    TSector* node;
    std::vector<Vector> vertices;  // of polygons, portals, models
    Vector position;               // of the other nodes
  };
  struct SavedVertex {
    TSector* node;
    int index;
    Vector position;
  };
  struct LastClick {
    bool valid = false;
    double x = 0, y = 0;
    uint32_t id = 0;  // by id, so a node deleted since is never touched
    int vertex = -1;
  };

  void StartDrag(Modifiers m, const ViewOptions& o);
  void StartMove(Modifiers m);
  void StartVertexMove(Modifiers m, const ViewOptions& o);
  void ApplyMove(const Vector& offset);
  void ApplyVertexMove(const Vector& offset);
  void Click(Modifiers m, const ViewOptions& o);
  void ClickHandle(Modifiers m, const ViewOptions& o);
  void FinishRubberBand(Modifiers m, const ViewOptions& o);
  void EndDrag();
  void Idle();  // no gesture, nothing pressed
  // Which of the hits a click at (x, y) takes: the one after the last clicked
  // when the click repeats the last one's place, else the nearest.
  size_t CycleIndex(const std::vector<PlaneHit>& hits, double x, double y) const;

  void BeforeRemove(TSector*) override { Abandon(); }
  void BeforeReset() override { Abandon(); }
  void Abandon();

  Editor& e_;
  PlaneView& view_;
  qx::Gesture drag_;  // the undo step of a move or vertex move
  PlaneGesture gesture_ = PlaneGesture::kNone;
  MouseButton button_ = MouseButton::kOther;
  Modifiers press_mods_;
  double press_x_ = 0, press_y_ = 0, last_x_ = 0, last_y_ = 0;
  std::vector<PlaneHit> press_nodes_, press_handles_;
  bool press_camera_ = false;
  bool listening_ = false;

  // Where the dragged nodes were at the press: each step places them at that
  // plus the snapped offset, so steps never add up rounding.
  std::vector<Saved> saved_;
  std::vector<SavedVertex> saved_vertices_;
  Vector grabbed_;  // the vertex that follows the mouse, where it started
  Vector camera_start_;
  Vector applied_;  // the offset last applied
  LastClick last_click_;
  // "Textur fixieren" for the whole drag: every step from where it started.
  std::unique_ptr<TextureLockScope> texture_lock_;
};

// The point the context menu's insert commands place a node at: the grid
// point nearest to (x, y) in the view's two axes, across the view the 3D
// view's look-at point.
Vector PlaneInsertPoint(const Editor& e, const PlaneView& view, double x, double y);

enum class InsertKind { kSector, kSquare, kPortal, kLight, kParticleSystem, kActor, kCheckpoint, kModel };
// The menu caption of an insert command, as in "&Einfügen".
const char* InsertCaption(InsertKind kind);
// Runs an insert command at `at` as one undo step named after its caption.
TSector* InsertAt(Editor& e, InsertKind kind, const Vector& at);

// The selection's box (edit/selection_bounds) as two corners; false when
// nothing is selected.
bool SelectionBox(const Editor& e, Vector* min, Vector* max);
// "Auswahl zeigen" in a 2D view: the selection's box fills the view.
void FrameSelectionInPlane(const Editor& e, PlaneView& view);

}  // namespace qx

#include "tools/plane_edit.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "commands/grid_snap.h"
#include "commands/insert.h"
#include "commands/model_insert.h"
#include "commands/properties.h"
#include "commands/selection_bounds.h"
#include "scene/polygon_data.h"
#include "tools/camera.h"

namespace qx {

namespace {

inline constexpr double kFrameMargin = 24;  // pixels left around a framed selection

bool Listed(const Editor& e, const TSector* n) {
  return std::find(e.SelectionList.begin(), e.SelectionList.end(), n) != e.SelectionList.end();
}

// A node chosen in a 2D view: the only selected one, or one more with Shift.
void Select(Editor& e, TSector* n, bool add) {
  if (!add) ClearSelection(e);
  AddToSelection(e, n);
  SelectInTree(e, n);
  ComputeBounds(n);
  ShowNodeProperties(e, n);
  if (e.view) e.view->SetStatusText(0, std::to_string(n->Id));
}

void UnmarkHandles(const std::vector<TSector*>& nodes) {
  for (TSector* n : nodes)
    for (TVertex& v : n->Vertices) v.Marked = 0;
}

Vector Offset(const Vector& p, const Vector& d) {
  return VectorSet(double(p.x) + d.x, double(p.y) + d.y, double(p.z) + d.z);
}

// A moved node's geometry changed: its triangles' planes, its bounds, the announcement.
void Touched(Editor& e, TSector* n) {
  if (n->NodeType == kPolygon) UpdatePolygonData(n);
  ComputeBounds(n);
  e.Changed(n, kChangeGeometry);
}

}  // namespace

PlaneMouse::~PlaneMouse() {
  if (listening_) e_.Tree.RemoveListener(this);
}

std::optional<PixelRect> PlaneMouse::RubberBand() const {
  if (gesture_ != PlaneGesture::kRubberBand) return std::nullopt;
  return PixelRect{press_x_, press_y_, last_x_, last_y_};
}

void PlaneMouse::Down(MouseButton b, Modifiers m, double x, double y, const ViewOptions& o) {
  if (gesture_ != PlaneGesture::kNone) return;  // one gesture at a time; other buttons wait
  button_ = b;
  press_mods_ = m;
  press_x_ = last_x_ = x;
  press_y_ = last_y_ = y;
  press_nodes_.clear();
  press_handles_.clear();
  press_camera_ = false;
  if (b == MouseButton::kLeft) {
    press_handles_ = HandlesAt(e_, view_, o, x, y);
    press_camera_ = CameraMarkerAt(e_, view_, x, y);
    press_nodes_ = NodesAt(e_, view_, o, x, y);
  }
  gesture_ = PlaneGesture::kPress;
}

void PlaneMouse::Move(Modifiers m, double x, double y, const ViewOptions& o) {
  if (gesture_ == PlaneGesture::kPress) {
    if (std::hypot(x - press_x_, y - press_y_) <= kPlaneDragThreshold) return;
    if (button_ == MouseButton::kLeft)
      StartDrag(m, o);
    else
      gesture_ = PlaneGesture::kPan;
  }
  const Vector offset = view_.PixelOffset(x - press_x_, y - press_y_);
  switch (gesture_) {
    case PlaneGesture::kPan:
      view_.Pan(x - last_x_, y - last_y_);
      break;
    case PlaneGesture::kMove: {
      const Vector step = m.ctrl ? offset : SnapToGrid(offset, e_.GridSize);
      if (step != applied_) ApplyMove(step);
      break;
    }
    case PlaneGesture::kVertexMove: {
      Vector target = Offset(grabbed_, offset);
      if (!m.ctrl) {
        // The grabbed corner lands on a grid point; across the view it stays.
        const Vector snapped = SnapToGrid(target, e_.GridSize);
        const PlaneAxes& a = view_.Axes();
        AxisComponent(target, a.h) = AxisComponent(snapped, a.h);
        AxisComponent(target, a.v) = AxisComponent(snapped, a.v);
      }
      const Vector step = VectorSubtract(target, grabbed_);
      if (step != applied_) ApplyVertexMove(step);
      break;
    }
    case PlaneGesture::kCamera:
      e_.CameraPosition = Offset(camera_start_, offset);
      ApplyCameraView(e_);
      e_.Redraw();
      break;
    default:
      break;
  }
  last_x_ = x;
  last_y_ = y;
}

bool PlaneMouse::Up(MouseButton b, Modifiers m, double x, double y, const ViewOptions& o) {
  if (gesture_ == PlaneGesture::kNone || b != button_) return false;
  Move(m, x, y, o);  // the release may come without a move to its place
  bool context_menu = false;
  switch (gesture_) {
    case PlaneGesture::kPress:
      if (b == MouseButton::kLeft) Click(m, o);
      context_menu = b == MouseButton::kRight;
      break;
    case PlaneGesture::kRubberBand:
      FinishRubberBand(m, o);
      break;
    case PlaneGesture::kMove:
    case PlaneGesture::kVertexMove:
      EndDrag();
      break;
    default:
      break;
  }
  Idle();
  return context_menu;
}

void PlaneMouse::Cancel() {
  switch (gesture_) {
    case PlaneGesture::kMove:
    case PlaneGesture::kVertexMove:
      // The history holds the state of the press: the drag's step is taken
      // back, texture coordinates included, so the lock has nothing to keep.
      drag_.Cancel();
      if (texture_lock_) texture_lock_->Forget();
      EndDrag();
      break;
    case PlaneGesture::kCamera:
      e_.CameraPosition = camera_start_;
      ApplyCameraView(e_);
      e_.Redraw();
      break;
    default:
      break;
  }
  Idle();
}

void PlaneMouse::Idle() {
  gesture_ = PlaneGesture::kNone;
  press_nodes_.clear();
  press_handles_.clear();
}

void PlaneMouse::StartDrag(Modifiers m, const ViewOptions& o) {
  applied_ = {};
  if (!press_handles_.empty()) {
    StartVertexMove(m, o);
  } else if (press_camera_) {
    gesture_ = PlaneGesture::kCamera;
    camera_start_ = e_.CameraPosition;
  } else if (!press_nodes_.empty() && HandleNodes(e_, o).empty()) {
    StartMove(m);
  } else {
    gesture_ = PlaneGesture::kRubberBand;
  }
}

void PlaneMouse::StartMove(Modifiers m) {
  // Grabbing an unselected node selects it first, as a click would.
  const bool on_selection = std::any_of(press_nodes_.begin(), press_nodes_.end(),
                                        [&](const PlaneHit& h) { return Listed(e_, h.node); });
  if (!on_selection) Select(e_, press_nodes_.front().node, m.shift);
  // What MoveSubtree reaches: through sectors into all they hold; each node once.
  saved_.clear();
  std::unordered_set<const TSector*> seen;
  std::vector<TSector*> stack(e_.SelectionList.rbegin(), e_.SelectionList.rend());
  while (!stack.empty()) {
    TSector* n = stack.back();
    stack.pop_back();
    if (!seen.insert(n).second) continue;
    if (n->NodeType == kSector) {
      for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it) stack.push_back(it->get());
      continue;
    }
    Saved s{n, {}, n->Position};
    if (HasVertices(n->NodeType))
      for (const TVertex& v : n->Vertices) s.vertices.push_back(v.Position);
    saved_.push_back(std::move(s));
  }
  gesture_ = PlaneGesture::kMove;
  texture_lock_ = std::make_unique<TextureLockScope>(e_, e_.SelectionList);
  drag_.Press("Verschieben");
  if (!listening_) e_.Tree.AddListener(this);
  listening_ = true;
}

void PlaneMouse::StartVertexMove(Modifiers m, const ViewOptions& o) {
  const std::vector<TSector*> nodes = HandleNodes(e_, o);
  // A marked corner drags every marked one; an unmarked one is marked first.
  auto grabbed = std::find_if(press_handles_.begin(), press_handles_.end(),
                              [](const PlaneHit& h) { return h.node->Vertices[h.vertex].Marked != 0; });
  if (grabbed == press_handles_.end()) {
    grabbed = press_handles_.begin();
    if (!m.shift) UnmarkHandles(nodes);
    grabbed->node->Vertices[grabbed->vertex].Marked = 1;
  }
  e_.CurrentVertexNode = grabbed->node;
  e_.CurrentVertexIndex = grabbed->vertex;
  grabbed_ = grabbed->node->Vertices[grabbed->vertex].Position;
  saved_vertices_.clear();
  for (TSector* n : nodes)
    for (size_t i = 0; i < n->Vertices.size(); ++i)
      if (n->Vertices[i].Marked) saved_vertices_.push_back({n, static_cast<int>(i), n->Vertices[i].Position});
  gesture_ = PlaneGesture::kVertexMove;
  ShowNodeProperties(e_, grabbed->node);
  texture_lock_ = std::make_unique<TextureLockScope>(e_, e_.SelectionList);
  drag_.Press("Vertex verschieben");
  if (!listening_) e_.Tree.AddListener(this);
  listening_ = true;
}

void PlaneMouse::ApplyMove(const Vector& offset) {
  for (const Saved& s : saved_) {
    TSector* n = s.node;
    if (HasVertices(n->NodeType)) {
      for (size_t i = 0; i < s.vertices.size() && i < n->Vertices.size(); ++i)
        n->Vertices[i].Position = Offset(s.vertices[i], offset);
    }
    // A model's Position (its origin) goes with its vertices.
    if (!HasVertices(n->NodeType) || n->NodeType == kModel) n->Position = Offset(s.position, offset);
    Touched(e_, n);
  }
  if (texture_lock_) texture_lock_->Keep();
  // Selected sectors' boxes follow what they hold.
  for (TSector* n : e_.SelectionList)
    if (n->NodeType == kSector) ComputeBounds(n);
  applied_ = offset;
  e_.Redraw();
}

void PlaneMouse::ApplyVertexMove(const Vector& offset) {
  for (const SavedVertex& s : saved_vertices_)
    if (static_cast<size_t>(s.index) < s.node->Vertices.size())
      s.node->Vertices[s.index].Position = Offset(s.position, offset);
  if (texture_lock_) texture_lock_->Keep();
  // The saved corners come node by node.
  for (size_t i = 0; i < saved_vertices_.size(); ++i)
    if (i == 0 || saved_vertices_[i].node != saved_vertices_[i - 1].node)
      Touched(e_, saved_vertices_[i].node);
  applied_ = offset;
  e_.Redraw();
}

void PlaneMouse::EndDrag() {
  if (listening_) e_.Tree.RemoveListener(this);
  listening_ = false;
  saved_.clear();
  saved_vertices_.clear();
  texture_lock_.reset();
  drag_.Release();
  e_.Redraw();
}

void PlaneMouse::Abandon() {
  // Called while the tree tells its listeners: only forget, unregister later.
  if (texture_lock_) texture_lock_->Forget();
  saved_.clear();
  saved_vertices_.clear();
  press_nodes_.clear();
  press_handles_.clear();
  if (gesture_ == PlaneGesture::kPress || gesture_ == PlaneGesture::kRubberBand)
    gesture_ = PlaneGesture::kNone;
}

size_t PlaneMouse::CycleIndex(const std::vector<PlaneHit>& hits, double x, double y) const {
  if (!last_click_.valid || std::fabs(x - last_click_.x) > kPlaneCyclePixels ||
      std::fabs(y - last_click_.y) > kPlaneCyclePixels)
    return 0;
  for (size_t i = 0; i < hits.size(); ++i)
    if (hits[i].node->Id == last_click_.id && hits[i].vertex == last_click_.vertex)
      return (i + 1) % hits.size();
  return 0;
}

void PlaneMouse::Click(Modifiers m, const ViewOptions& o) {
  if (!press_handles_.empty()) return ClickHandle(m, o);
  if (press_nodes_.empty()) {
    // Empty space: nothing selected any more, in the tree and the panel
    // neither (Shift keeps the selection).
    if (!m.shift) {
      ClearSelection(e_);
      SelectInTree(e_, nullptr);
      e_.ShowProperties(nullptr);
    }
    if (e_.view) e_.view->SetStatusText(0, "0");
    last_click_ = {};
    e_.Redraw();
    return;
  }
  const PlaneHit& hit = press_nodes_[CycleIndex(press_nodes_, press_x_, press_y_)];
  Select(e_, hit.node, m.shift);
  last_click_ = {true, press_x_, press_y_, hit.node->Id, -1};
  e_.Redraw();
}

void PlaneMouse::ClickHandle(Modifiers m, const ViewOptions& o) {
  const PlaneHit& hit = press_handles_[CycleIndex(press_handles_, press_x_, press_y_)];
  TVertex& v = hit.node->Vertices[hit.vertex];
  if (m.shift) {
    v.Marked = v.Marked ? 0 : 1;
  } else {
    UnmarkHandles(HandleNodes(e_, o));
    v.Marked = 1;
  }
  e_.CurrentVertexNode = hit.node;
  e_.CurrentVertexIndex = hit.vertex;
  SelectInTree(e_, hit.node);
  ShowNodeProperties(e_, hit.node);
  last_click_ = {true, press_x_, press_y_, hit.node->Id, hit.vertex};
  e_.Redraw();
}

void PlaneMouse::FinishRubberBand(Modifiers m, const ViewOptions& o) {
  const PixelRect r{press_x_, press_y_, last_x_, last_y_};
  last_click_ = {};
  const std::vector<TSector*> handle_nodes = HandleNodes(e_, o);
  if (!handle_nodes.empty()) {
    // In vertex mode the band marks the corners of the selected polygons and portals.
    if (!m.shift) UnmarkHandles(handle_nodes);
    const auto inside = HandlesInRect(e_, view_, o, r);
    for (const auto& [n, i] : inside) n->Vertices[i].Marked = 1;
    if (!inside.empty()) {
      e_.CurrentVertexNode = inside.front().first;
      e_.CurrentVertexIndex = inside.front().second;
    }
    e_.Redraw();
    return;
  }
  const std::vector<TSector*> inside = NodesInRect(e_, view_, o, r);
  if (!m.shift) ClearSelection(e_);
  for (TSector* n : inside) {
    AddToSelection(e_, n);
    ComputeBounds(n);
  }
  if (!inside.empty()) {
    SelectInTree(e_, inside.front());
    ShowNodeProperties(e_, inside.front());
  }
  e_.Redraw();
}

Vector PlaneInsertPoint(const Editor& e, const PlaneView& view, double x, double y) {
  Vector p = view.ToWorld(x, y, e.CameraTarget);
  const Vector snapped = SnapToGrid(p, e.GridSize);
  const PlaneAxes& a = view.Axes();
  AxisComponent(p, a.h) = AxisComponent(snapped, a.h);
  AxisComponent(p, a.v) = AxisComponent(snapped, a.v);
  return p;
}

namespace {

// The context menu's commands in InsertKind order, with their menu captions.
struct InsertCommand {
  const char* caption;
  TSector* (*run)(Editor&, const Vector&);
};
const InsertCommand kInsertCommands[] = {
    {"Sektor", [](Editor& e, const Vector&) { return InsertSector(e); }},
    {"Quadrat", [](Editor& e, const Vector& at) { return InsertSquare(e, at); }},
    {"Portal", [](Editor& e, const Vector& at) { return InsertPortal(e, at); }},
    {"Lichtquelle", [](Editor& e, const Vector& at) { return InsertLight(e, at); }},
    {"Partikelsystem", [](Editor& e, const Vector& at) { return InsertParticleSystem(e, at); }},
    {"Actor", [](Editor& e, const Vector& at) { return InsertActor(e, at); }},
    {"Checkpoint", [](Editor& e, const Vector& at) { return InsertCheckpoint(e, at); }},
    {"Model...", [](Editor& e, const Vector& at) { return InsertModel(e, at); }},
};

const InsertCommand& CommandOf(InsertKind kind) {
  return kInsertCommands[std::min<size_t>(static_cast<size_t>(kind), std::size(kInsertCommands) - 1)];
}

}  // namespace

const char* InsertCaption(InsertKind kind) {
  return CommandOf(kind).caption;
}

TSector* InsertAt(Editor& e, InsertKind kind, const Vector& at) {
  std::string name = InsertCaption(kind);
  if (name.size() > 3 && name.compare(name.size() - 3, 3, "...") == 0) name.resize(name.size() - 3);
  UndoStack::Step step(e.History, name);
  return CommandOf(kind).run(e, at);
}

bool SelectionBox(const Editor& e, Vector* min, Vector* max) {
  const Box box = SelectionBox(e);
  if (box.empty) return false;
  *min = box.min;
  *max = box.max;
  return true;
}

void FrameSelectionInPlane(const Editor& e, PlaneView& view) {
  Vector min, max;
  if (SelectionBox(e, &min, &max)) view.Frame(min, max, kFrameMargin);
}

}  // namespace qx

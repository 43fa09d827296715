#include "tools/room_drawing.h"

#include <cmath>

#include "commands/grid_snap.h"
#include "commands/room_commands.h"

namespace qx {

void RoomDrawing::Start() {
  active_ = true;
  corners_.clear();
  closed_.clear();
}

void RoomDrawing::Cancel() {
  active_ = false;
  corners_.clear();
  pointer_.reset();
}

RoomDrawing::Click RoomDrawing::AddCorner(PlanPoint p) {
  if (!active_) return Click::kIgnored;
  if (!corners_.empty() && corners_.back() == p) return Click::kIgnored;
  if (corners_.size() >= 3 && corners_.front() == p) {
    closed_ = corners_;
    Cancel();
    return Click::kClosed;
  }
  corners_.push_back(p);
  return Click::kAdded;
}

void RoomDrawing::TakeBack() {
  if (!corners_.empty()) corners_.pop_back();
}

std::optional<std::vector<PlanPoint>> RoomDrawing::Close() {
  if (!active_ || corners_.size() < 3) return std::nullopt;
  std::vector<PlanPoint> outline = corners_;
  Cancel();
  return outline;
}

std::optional<std::vector<PlanPoint>> RoomDrawing::Rectangle(PlanPoint a, PlanPoint b) {
  if (!active_ || a.x == b.x || a.z == b.z) return std::nullopt;
  Cancel();
  return std::vector<PlanPoint>{{a.x, a.z}, {b.x, a.z}, {b.x, b.z}, {a.x, b.z}};
}

std::vector<PlanPoint> RoomDrawing::TakeClosed() {
  return std::move(closed_);
}

std::vector<RoomDrawing::Line> RoomDrawing::PreviewLines() const {
  std::vector<Line> lines;
  for (size_t i = 1; i < corners_.size(); ++i) lines.push_back({corners_[i - 1], corners_[i], false});
  if (!corners_.empty() && pointer_) lines.push_back({corners_.back(), *pointer_, true});
  return lines;
}

double RoomDrawing::CurrentEdgeLength() const {
  if (corners_.empty() || !pointer_) return 0;
  return std::hypot(pointer_->x - corners_.back().x, pointer_->z - corners_.back().z);
}

PlanPoint SnapRoomCorner(const Editor& e, const RoomDrawing& drawing, PlanPoint p, bool free, double radius) {
  PlanPoint best = p;
  double best_d = radius;
  bool found = false;
  const auto consider = [&](double x, double z) {
    const double d = std::hypot(x - p.x, z - p.z);
    if (d <= best_d) best_d = d, best = {x, z}, found = true;
  };
  for (const PlanPoint& c : drawing.Corners()) consider(c.x, c.z);
  e.Tree.Walk([&](TSector* n) {
    if (n->NodeType != kPolygon && n->NodeType != kPortal) return;
    for (const TVertex& v : n->Vertices) consider(v.Position.x, v.Position.z);
  });
  if (found) return best;
  if (free) return p;
  return {SnapToGrid(float(p.x), e.GridSize), SnapToGrid(float(p.z), e.GridSize)};
}

RoomPlan RoomSpecForDrawing(const Editor& e, std::vector<PlanPoint> outline, float height, float tile,
                            uint16_t texture, bool light) {
  RoomPlan plan;
  plan.outline = std::move(outline);
  plan.floor_y = SnapToGrid(e.CameraTarget.y, e.GridSize);
  plan.height = height;
  plan.tile = tile;
  plan.texture = texture;
  plan.light = light;
  return plan;
}

}  // namespace qx

#include "commands/node_position.h"

#include <unordered_set>
#include <vector>

#include "commands/selection_bounds.h"
#include "commands/texture_align.h"
#include "commands/transform.h"
#include "scene/bounds.h"

namespace qx {

namespace {

float& Coordinate(Vector& p, AxisLock axis) {
  return axis == AxisLock::kY ? p.y : axis == AxisLock::kZ ? p.z : p.x;
}

bool IsPointNode(uint8_t t) {
  return t == kLight || t == kParticleSystem || t == kActor || t == kCheckpoint;
}

// A sector's bounds leave out point nodes; one that holds nothing else has
// bounds of zero, which would make every typed value a move.
bool HoldsGeometry(const TSector& s) {
  for (const auto& c : s.Children)
    if (HasVertices(c->NodeType) || (c->NodeType == kSector && HoldsGeometry(*c))) return true;
  return false;
}

}  // namespace

bool HasPositionFields(uint8_t t) {
  return IsPointNode(t) || t == kSector || t == kPolygon || t == kModel;
}

Vector ShownPosition(const TSector& n) {
  if (IsPointNode(n.NodeType)) return n.Position;
  if (n.NodeType == kSector && !HoldsGeometry(n)) {
    const Box b = NodeBox(&n);
    return b.empty ? Vector{} : b.Center();
  }
  return n.BoundsCenter;
}

bool SetSelectedCoordinate(Editor& e, uint8_t node_type, AxisLock axis, float value) {
  if (!HasPositionFields(node_type)) return false;
  UndoStack::Step step(e.History, kPositionCommand);
  std::vector<TSector*> targets;
  std::unordered_set<const TSector*> listed;
  for (TSector* n : e.SelectionList)
    if (n->NodeType == node_type && listed.insert(n).second) targets.push_back(n);
  bool moved = false;
  TextureLockScope lock(e, targets);
  for (TSector* n : targets) {
    bool inside = false;
    for (const TSector* p = n->Parent; p && !inside; p = p->Parent) inside = listed.count(p) > 0;
    if (inside) continue;
    if (IsPointNode(node_type)) {
      float& c = Coordinate(n->Position, axis);
      if (c == value) continue;
      c = value;
    } else {
      ComputeBounds(n);
      Vector centre = ShownPosition(*n);
      const double d = double(value) - Coordinate(centre, axis);
      if (d == 0) continue;
      MoveSubtree(n, axis, static_cast<float>(d));  // a model's Position goes along
      ComputeBounds(n);
    }
    e.ChangedSubtree(n, kChangeGeometry);
    moved = true;
  }
  lock.Keep();
  if (moved) e.Redraw();
  return moved;
}

}  // namespace qx

#include "commands/selection_bounds.h"

#include <algorithm>

namespace qx {

namespace {

Box PointBox(const Vector& p) {
  Box b;
  b.Add(VectorSet(double(p.x) - kPointNodeHalfBox, double(p.y) - kPointNodeHalfBox,
                  double(p.z) - kPointNodeHalfBox));
  b.Add(VectorSet(double(p.x) + kPointNodeHalfBox, double(p.y) + kPointNodeHalfBox,
                  double(p.z) + kPointNodeHalfBox));
  return b;
}

}  // namespace

void Box::Add(const Vector& p) {
  if (empty) {
    min = max = p;
    empty = false;
    return;
  }
  min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
  max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

void Box::Add(const Box& b) {
  if (b.empty) return;
  Add(b.min);
  Add(b.max);
}

Vector Box::Center() const {
  return VectorSet((double(min.x) + max.x) / 2, (double(min.y) + max.y) / 2, (double(min.z) + max.z) / 2);
}

Vector Box::Size() const {
  return VectorSubtract(max, min);
}

Box NodeBox(const TSector* node) {
  Box b;
  if (!node) return b;
  switch (node->NodeType) {
    case kSector:
      // The sector's own bounds leave out lights and other point nodes.
      for (const auto& child : node->Children) b.Add(NodeBox(child.get()));
      break;
    case kPolygon:
    case kPortal:
    case kModel:
      for (const TVertex& v : node->Vertices) b.Add(v.Position);
      break;
    case kLight:
    case kParticleSystem:
    case kActor:
    case kCheckpoint:
      b = PointBox(node->Position);
      break;
    default:
      break;
  }
  return b;
}

Box SelectionBox(const Editor& e) {
  Box b;
  for (TSector* n : e.SelectionList) b.Add(NodeBox(n));
  if (e.StartSelected) b.Add(PointBox(e.StartPosition));
  return b;
}

}  // namespace qx

#include "scene/bounds.h"

#include <algorithm>
#include <vector>

namespace qx {

namespace {

void WidenBy(TSector* box, const TSector* child, bool& first) {
  if (first) {
    box->BoundsMin = child->BoundsMin;
    box->BoundsMax = child->BoundsMax;
    first = false;
    return;
  }
  box->BoundsMin = {std::min(box->BoundsMin.x, child->BoundsMin.x),
                    std::min(box->BoundsMin.y, child->BoundsMin.y),
                    std::min(box->BoundsMin.z, child->BoundsMin.z)};
  box->BoundsMax = {std::max(box->BoundsMax.x, child->BoundsMax.x),
                    std::max(box->BoundsMax.y, child->BoundsMax.y),
                    std::max(box->BoundsMax.z, child->BoundsMax.z)};
}

void SetCenter(TSector* n) {
  Vector sum = VectorAdd(n->BoundsMin, n->BoundsMax);
  n->BoundsCenter = VectorScale(sum, 0.5);
}

void ComputeOwnBounds(TSector* n) {
  switch (n->NodeType) {
    case kPolygon:
    case kPortal:
    case kModel: {
      if (n->Vertices.empty()) {
        // No vertex to start from: an empty box at the origin instead of a read past the array.
        n->BoundsMin = n->BoundsMax = n->Centroid = {};
        break;
      }
      n->BoundsMin = n->BoundsMax = n->Vertices[0].Position;
      double cx = 0, cy = 0, cz = 0;
      for (const TVertex& v : n->Vertices) {
        const Vector& p = v.Position;
        n->BoundsMin = {std::min(n->BoundsMin.x, p.x), std::min(n->BoundsMin.y, p.y),
                        std::min(n->BoundsMin.z, p.z)};
        n->BoundsMax = {std::max(n->BoundsMax.x, p.x), std::max(n->BoundsMax.y, p.y),
                        std::max(n->BoundsMax.z, p.z)};
        // The centroid is accumulated in the Vector itself, rounding to float per step.
        cx = static_cast<float>(cx + p.x);
        cy = static_cast<float>(cy + p.y);
        cz = static_cast<float>(cz + p.z);
      }
      Vector c = VectorSet(cx, cy, cz);
      n->Centroid = VectorScale(c, 1.0 / static_cast<double>(n->Vertices.size()));
      break;
    }
    case kSector: {
      bool first = true;
      for (const auto& child : n->Children) {
        const uint8_t t = child->NodeType;
        if (t == kSector || t == kPolygon || t == kPortal || t == kModel) WidenBy(n, child.get(), first);
      }
      if (first) n->BoundsMin = n->BoundsMax = {};
      break;
    }
    default:
      return;  // lights, particle systems, actors, checkpoints: no bounds
  }
  SetCenter(n);
}

}  // namespace

void ComputeBounds(TSector* node) {
  if (!node) return;
  // Post-order without recursion: children before their sector.
  std::vector<std::pair<TSector*, bool>> stack{{node, false}};
  while (!stack.empty()) {
    auto [n, expanded] = stack.back();
    stack.pop_back();
    if (n->NodeType != kSector || expanded) {
      ComputeOwnBounds(n);
      continue;
    }
    stack.push_back({n, true});
    for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it) stack.push_back({it->get(), false});
  }
}

}  // namespace qx

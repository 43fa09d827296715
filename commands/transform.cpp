#include "commands/transform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/polygon_ops.h"
#include "commands/properties.h"
#include "commands/start_position.h"
#include "commands/texture_align.h"

namespace qx {

namespace {

float* AxisOf(Vector& p, AxisLock axis) {
  switch (axis) {
    case AxisLock::kX:
      return &p.x;
    case AxisLock::kY:
      return &p.y;
    case AxisLock::kZ:
      return &p.z;
    default:
      return nullptr;
  }
}

Vector Rotated(const Vector& p, const Vector& c, AxisLock axis, double degrees) {
  const double a = degrees * kPi / 180.0;
  return RotateAboutAxis(p, c, static_cast<char>(axis), std::cos(a), std::sin(a));
}

// Visits the nodes a move or rotation reaches: through sectors into their
// children, never into the children of any other node.
template <typename Fn>
void ForEachTransformed(TSector* node, Fn fn) {
  if (!node) return;
  std::vector<TSector*> stack{node};
  while (!stack.empty()) {
    TSector* n = stack.back();
    stack.pop_back();
    if (n->NodeType == kSector) {
      for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it) stack.push_back(it->get());
    } else {
      fn(n);
    }
  }
}

bool IsQuadLike(const TSector* n) {
  return n->NodeType == kPolygon || n->NodeType == kPortal;
}

// The first marked vertex of the last selected polygon or portal.
TVertex* CoordinateVertex(Editor& e, TSector** owner = nullptr) {
  if (e.SelectionList.empty()) return nullptr;
  TSector* n = e.SelectionList.back();
  if (!IsQuadLike(n)) return nullptr;
  for (TVertex& v : n->Vertices)
    if (v.Marked) {
      if (owner) *owner = n;
      return &v;
    }
  return nullptr;
}

// Of the pair (a, b), the vertex with the larger coordinate moves so that the
// distance to the smaller one is scaled by f; b moves when they are equal.
void ScalePair(TSector* n, int a, int b, int coord, double f) {
  float& ca = n->Vertices[a].TexCoord[coord];
  float& cb = n->Vertices[b].TexCoord[coord];
  if (ca > cb)
    ca = static_cast<float>(cb + f * (double(ca) - cb));
  else
    cb = static_cast<float>(ca + f * (double(cb) - ca));
}

void ShowGrid(Editor& e) {
  if (e.view) e.view->SetGridLabel(std::to_string(e.GridSize));
  e.Redraw();
}

}  // namespace

void AddOnAxis(Vector& p, AxisLock axis, double d) {
  if (float* c = AxisOf(p, axis)) *c = static_cast<float>(*c + d);
}

void SetAxisLock(Editor& e, AxisLock axis) {
  e.AxisLock = axis;
  if (e.view) e.view->SetToolButtons(e.AxisLock, e.ToolMode);
}

void SetToolMode(Editor& e, ToolMode mode) {
  e.ToolMode = mode;
  if (e.view) e.view->SetToolButtons(e.AxisLock, e.ToolMode);
}

void SetVertexMode(Editor& e, bool on) {
  e.VertexMode = on;
  if (e.view) e.view->SetVertexMode(on);
  e.Redraw();
}

void MoveSubtree(TSector* node, AxisLock axis, float distance) {
  ForEachTransformed(node, [&](TSector* n) {
    switch (n->NodeType) {
      case kModel:
        // Position says where the model's origin is: it goes with the vertices.
        AddOnAxis(n->Position, axis, distance);
        [[fallthrough]];
      case kPolygon:
      case kPortal:
        for (TVertex& v : n->Vertices) AddOnAxis(v.Position, axis, distance);
        break;
      case kLight:
      case kParticleSystem:
      case kActor:
      case kCheckpoint:
        AddOnAxis(n->Position, axis, distance);
        break;
      default:
        break;
    }
  });
}

void RotateSubtree(TSector* node, AxisLock axis, const Vector& centre, float step) {
  ForEachTransformed(node, [&](TSector* n) {
    switch (n->NodeType) {
      case kModel:
        n->Position = Rotated(n->Position, centre, axis, 10.0 * step);
        [[fallthrough]];
      case kPolygon:
      case kPortal:
        for (TVertex& v : n->Vertices) v.Position = Rotated(v.Position, centre, axis, 10.0 * step);
        break;
      case kLight:
        n->Position = Rotated(n->Position, centre, axis, step);
        break;
      case kActor:
        n->Heading = static_cast<float>(n->Heading + 10.0 * step);
        break;
      default:
        break;
    }
  });
}

void AdjustTexCoords(Editor& e, TexCoord coordinate, TexMode mode, double value) {
  const int c = coordinate == TexCoord::kU ? 0 : 1;
  for (TSector* n : e.SelectionList) {
    if (n->NodeType != kPolygon) continue;
    if (mode == TexMode::kShift) {
      for (TVertex& v : n->Vertices) v.TexCoord[c] = static_cast<float>(v.TexCoord[c] + value);
      e.Changed(n, kChangeAppearance);
      continue;
    }
    if (n->Vertices.size() < 4) continue;  // the edges of a quad are needed
    e.Changed(n, kChangeAppearance);
    if (coordinate == TexCoord::kU) {
      ScalePair(n, 0, 1, c, value);
      ScalePair(n, 2, 3, c, value);
    } else {
      ScalePair(n, 0, 2, c, value);
      ScalePair(n, 1, 3, c, value);
    }
  }
}

void GridSpinner1(Editor& e, bool up) {
  e.GridSize = up ? std::min(e.GridSize + 1, kMaxGridSize) : std::max(e.GridSize - 1, 1);
  ShowGrid(e);
}

void GridSpinner2(Editor& e, bool up) {
  if (up)
    e.GridSize = e.GridSize == 1 ? 5 : std::min(e.GridSize + 5, kMaxGridSize);
  else
    e.GridSize = std::max(e.GridSize - 5, 1);
  ShowGrid(e);
}

void VertexSphereSpinner(Editor& e, bool up) {
  float r = static_cast<float>(e.VertexMarkerRadius + (up ? 0.3 : -0.3));
  if (r < 0) r = 0.1f;
  e.VertexMarkerRadius = r;
  e.Redraw();
}

void CopyCoordinates(Editor& e) {
  if (const TVertex* v = CoordinateVertex(e)) e.CoordinateClipboard = v->Position;
  e.Redraw();
}

void PasteCoordinates(Editor& e) {
  TSector* owner = nullptr;
  if (TVertex* v = CoordinateVertex(e, &owner)) {
    const TextureLockScope lock(e, owner);
    v->Position = e.CoordinateClipboard;
    e.Changed(owner, kChangeGeometry);
  }
  e.Redraw();
}

}  // namespace qx

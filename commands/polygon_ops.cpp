#include "commands/polygon_ops.h"

#include <cmath>
#include <utility>

#include "commands/texture_align.h"
#include "commands/texture_projection.h"

namespace qx {

namespace {

bool IsQuadWithCorners(const TSector* n) {
  return n->NodeType == kPolygon && n->Vertices.size() >= 4;
}

}  // namespace

void TurnSectorContent(TSector* sector, AxisLock axis, double degrees) {
  const Vector c = sector->BoundsCenter;
  SceneTree::WalkSubtree(sector, [&](TSector* n) {
    switch (n->NodeType) {
      case kPolygon:
      case kPortal:
        for (TVertex& v : n->Vertices) v.Position = TurnAbout(v.Position, c, axis, degrees);
        break;
      case kModel:
        for (TVertex& v : n->Vertices) v.Position = TurnAbout(v.Position, c, axis, degrees);
        n->Position = TurnAbout(n->Position, c, axis, degrees);
        break;
      case kLight:
      case kParticleSystem:
      case kCheckpoint:
        n->Position = TurnAbout(n->Position, c, axis, degrees);
        break;
      case kActor:
        n->Position = TurnAbout(n->Position, c, axis, degrees);
        // The heading is an angle about the vertical axis only.
        if (axis == AxisLock::kY) n->Heading = static_cast<float>(double(n->Heading) + degrees);
        break;
      default:
        break;
    }
  });
}

Vector TurnAbout(const Vector& p, const Vector& c, AxisLock axis, double degrees) {
  const auto [co, si] = CosSinDegrees(degrees);
  return RotateAboutAxis(p, c, static_cast<char>(axis), co, si);
}

void TurnSelectedObjects(Editor& e, int degrees) {
  TextureLockScope lock(e, e.SelectionList);
  for (TSector* n : e.SelectionList) {
    if (HasVertices(n->NodeType)) {
      for (TVertex& v : n->Vertices) v.Position = TurnAbout(v.Position, n->Centroid, e.AxisLock, degrees);
      e.Changed(n, kChangeGeometry);
    } else if (n->NodeType == kSector) {
      TurnSectorContent(n, e.AxisLock, degrees);
      e.ChangedSubtree(n, kChangeGeometry);
    }
  }
  lock.Keep();
  e.Redraw();
}

void RotateSelectedTexCoords(Editor& e) {
  for (TSector* n : e.SelectionList) {
    if (!IsQuadWithCorners(n)) continue;
    auto& v = n->Vertices;
    const float t0[2] = {v[0].TexCoord[0], v[0].TexCoord[1]};
    for (int k = 0; k < 2; ++k) {
      v[0].TexCoord[k] = v[1].TexCoord[k];
      v[1].TexCoord[k] = v[3].TexCoord[k];
      v[3].TexCoord[k] = v[2].TexCoord[k];
      v[2].TexCoord[k] = t0[k];
    }
    e.Changed(n, kChangeAppearance);
  }
  e.Redraw();
}

void MirrorSelectedTexCoords(Editor& e) {
  for (TSector* n : e.SelectionList) {
    if (!IsQuadWithCorners(n)) continue;
    auto& v = n->Vertices;
    std::swap(v[0].TexCoord[0], v[1].TexCoord[0]);
    std::swap(v[2].TexCoord[0], v[3].TexCoord[0]);
    e.Changed(n, kChangeAppearance);
  }
  e.Redraw();
}

void TexCoordsFromBasis(Editor& e) {
  e.Tree.Walk([&e](TSector* n) {
    if (!IsQuadWithCorners(n)) return;
    e.Changed(n, kChangeAppearance);
    auto& v = n->Vertices;
    auto edge = [&](int i, int j) {
      return VectorLengthD(VectorSubtract(v[i].Position, v[j].Position)) / 60.0;
    };
    const double a = edge(0, 1), b = edge(0, 2), c = edge(1, 3), d = edge(2, 3);
    auto set = [](TVertex& vx, double u, double w) {
      vx.TexCoord[0] = static_cast<float>(u);
      vx.TexCoord[1] = static_cast<float>(w);
    };
    set(v[0], 0, 0);
    set(v[1], 0, a);
    set(v[2], b, 0);
    set(v[3], c, d);
  });
  // Shown at once rather than at some later frame.
  e.Redraw();
}

}  // namespace qx

#include "render/plane_view_scene.h"

#include <QtGui/qopengl.h>

#include <algorithm>

#include "edit/plane_pick.h"

namespace qx {

namespace {

void Corner(const ViewOptions& o, const TSector* n, const TVertex& v) {
  // The colour rule of the surfaces: vertex colours only where they light the node.
  if (n->LightingMode == 1 && o.ShowLightmaps)
    glColor3f(v.Color[0], v.Color[1], v.Color[2]);
  else
    glColor3f(1, 1, 1);
  glVertex3f(v.Position.x, v.Position.y, v.Position.z);
}

bool Valid(const TSector* n, int32_t i) {
  return i >= 0 && static_cast<size_t>(i) < n->Vertices.size();
}

}  // namespace

void ImmediateOutlines::DrawOutlines(Editor& e, const double clip[16], const ViewOptions& o) {
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixd(clip);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glLineWidth(1);
  glBegin(GL_LINES);
  e.Tree.Walk([&](TSector* n) {
    if (!ShownInPlane(n, o)) return;
    const std::vector<TVertex>& v = n->Vertices;
    switch (n->NodeType) {
      case kPolygon:
        if (v.size() < 4) return;
        for (auto [a, b] : {std::pair{0, 1}, {1, 3}, {3, 2}, {2, 0}}) {
          Corner(o, n, v[a]);
          Corner(o, n, v[b]);
        }
        return;
      case kPortal:
        glColor3f(0, 0, 0.8f);
        for (size_t i = 0; i < v.size() && v.size() >= 2; ++i) {
          const Vector& a = v[i].Position;
          const Vector& b = v[(i + 1) % v.size()].Position;
          glVertex3f(a.x, a.y, a.z);
          glVertex3f(b.x, b.y, b.z);
        }
        return;
      case kModel: {
        const size_t count = std::min<size_t>(n->TriangleCount, n->Triangles.size());
        for (size_t t = 0; t < count; ++t) {
          const TTriangle& tri = n->Triangles[t];
          if (!Valid(n, tri.V0) || !Valid(n, tri.V1) || !Valid(n, tri.V2)) continue;
          for (auto [a, b] : {std::pair{tri.V0, tri.V1}, {tri.V1, tri.V2}, {tri.V2, tri.V0}}) {
            Corner(o, n, v[a]);
            Corner(o, n, v[b]);
          }
        }
        return;
      }
      default:
        return;
    }
  });
  glEnd();
}

}  // namespace qx

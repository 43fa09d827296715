#include "render/plane_view_scene.h"

#include <QtGui/qopengl.h>

#include "render/retained_renderer.h"
#include "tools/plane_pick.h"

namespace qx {

namespace {

void LoadMatrix(const double m[16]) {
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixd(m);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void Colour(OutlineKind kind) {
  switch (kind) {
    case OutlineKind::kPortal:
      glColor3f(0, 0, 0.8f);
      return;
    case OutlineKind::kModel:
      glColor3f(0.85f, 0.85f, 0.85f);
      return;
    case OutlineKind::kPolygon:
    default:
      glColor3f(1, 1, 1);
      return;
  }
}

// A node's outline edges in immediate mode, inside a GL_LINES batch, in world coordinates.
void Edges(const TSector* n) {
  Colour(OutlineKindOf(n));
  ForEachOutlineEdge(n, [](const Vector& a, const Vector& b) {
    glVertex3f(a.x, a.y, a.z);
    glVertex3f(b.x, b.y, b.z);
  });
}

}  // namespace

void ImmediateOutlines::DrawStill(Editor& e, const PlaneView& view, const ViewOptions& o) {
  double clip[16];
  view.ClipMatrix(clip);
  LoadMatrix(clip);
  glLineWidth(1);
  glBegin(GL_LINES);
  e.Tree.Walk([&](TSector* n) {
    if (HasVertices(n->NodeType) && ShownInPlane(n, o)) Edges(n);
  });
  glEnd();
}

std::optional<uint64_t> MergedOutlines::StillRevision(const PlaneView& view, const ViewOptions& o) {
  cache_.Lines(view.Axes(), o);
  return uint64_t(cache_.Builds());
}

void MergedOutlines::DrawStill(Editor&, const PlaneView& view, const ViewOptions& o) {
  const PlaneLineSet& set = cache_.Lines(view.Axes(), o);
  double m[16];
  view.ViewCoordinateClipMatrix(m);
  LoadMatrix(m);
  glLineWidth(1);
  glEnableClientState(GL_VERTEX_ARRAY);
  for (int k = 0; k < kOutlineKinds; ++k) {
    const std::vector<PlaneLine>& lines = set.lines[k];
    if (lines.empty()) continue;
    Colour(static_cast<OutlineKind>(k));
    // Straight from memory: a software rasteriser reads it where it lies.
    glVertexPointer(2, GL_FLOAT, 0, lines.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(lines.size() * 2));
  }
  glDisableClientState(GL_VERTEX_ARRAY);
}

void MergedOutlines::DrawMoving(Editor&, const PlaneView& view, const ViewOptions& o) {
  cache_.Lines(view.Axes(), o);  // the moving nodes as of now
  const std::vector<TSector*>& moving = cache_.MovingInTreeOrder();
  if (moving.empty()) return;
  double m[16];
  view.ClipMatrix(m);
  LoadMatrix(m);
  glLineWidth(1);
  glBegin(GL_LINES);
  for (TSector* n : moving)
    if (ShownInPlane(n, o)) Edges(n);
  glEnd();
}

void ViewportOutlines::DrawStill(Editor& e, const PlaneView& view, const ViewOptions& o) {
  auto* retained = dynamic_cast<RetainedRenderer*>(renderer_ ? renderer_() : nullptr);
  from_buffers_ = retained && retained->Ready();
  if (!from_buffers_) return immediate_.DrawStill(e, view, o);
  double clip[16];
  view.ClipMatrix(clip);
  LoadMatrix(clip);
  // A plan shows every surface, whichever way it faces.
  ViewOptions both_sides = o;
  both_sides.CullFace = false;
  retained->DrawSectors(e, clip, RetainedRenderer::SectorDrawMode::kOutline, both_sides);
}

}  // namespace qx

#include "render/scene_renderer.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "commands/selection.h"
#include "commands/start_position.h"
#include "render/light_reach.h"
#include "render/scene_geometry.h"
#include "scene/polygon_data.h"

namespace qx {

namespace {

void Vertex(const Vector& p) {
  glVertex3f(p.x, p.y, p.z);
}

}  // namespace

SceneRenderer::~SceneRenderer() = default;

void SceneRenderer::InitOpenGL() {
  mt_.Resolve();
  glEnable(GL_DEPTH_TEST);
  initialized_ = true;
  ResetStateCache();
}

void SceneRenderer::CreateSphereQuadric() {
  if (quadric_ || !initialized_) return;
  quadric_ = gluNewQuadric();
  if (!quadric_) return;
  gluQuadricNormals(quadric_, GLU_FLAT);
  gluQuadricOrientation(quadric_, GLU_OUTSIDE);
}

void SceneRenderer::Release() {
  if (quadric_) gluDeleteQuadric(quadric_);
  quadric_ = nullptr;
  initialized_ = false;
}

void SceneRenderer::SetupViewport(int w, int h) {
  if (w < 0 || h <= 0) return;  // a collapsed panel has no aspect ratio
  width_ = w;
  height_ = h;
  LoadViewportProjection(w, h);
}

// ---- frame ----

void SceneRenderer::RenderFrame(Editor& e, const ViewOptions& o) {
  if (!initialized_) return;
  ResetStateCache();
  glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  last_view_ = ApplyCameraView(e);
  LoadCameraView(last_view_);
  TexturingOffBothUnits();
  LineWidth(1);
  glColor3f(0.8f, 0.8f, 0.8f);
  DepthTest(true);
  if (o.ShowGrid) DrawGrid(e);
  DrawScene(e, o);
  glFlush();
}

void SceneRenderer::DrawGrid(const Editor& e) {
  const GridLayout g = ComputeGrid(e.CameraPosition, e.GridSize, e.GridExtent);
  if (g.count < 0) return;
  BeginGridDepth();
  glBegin(GL_LINES);
  for (int k = -g.count; k <= g.count; ++k) {
    const float along = static_cast<float>(double(k) * g.size);
    const float z = static_cast<float>(double(g.center_z) + along);
    const float x = static_cast<float>(double(g.center_x) + along);
    glVertex3f(g.center_x - g.extent, 0, z);
    glVertex3f(g.center_x + g.extent, 0, z);
    glVertex3f(x, 0, g.center_z - g.extent);
    glVertex3f(x, 0, g.center_z + g.extent);
  }
  glEnd();
  EndGridDepth();
}

void SceneRenderer::DrawCross(const Vector& c) {
  Vector ends[6];
  CrossEnds(c, ends);
  glBegin(GL_LINES);
  for (const Vector& p : ends) Vertex(p);
  glEnd();
}

// Named like a node, and boxed like a light while selected (the box before
// the cross, so that the cross's width is the one left behind).
void SceneRenderer::DrawStartMarker(const Editor& e) {
  TexturingOffBothUnits();
  glColor3fv(kStartColor);
  LoadName(kStartPositionPickName);
  DrawSphere(e.StartPosition, kNodeSphere.radius, kNodeSphere.slices, kNodeSphere.stacks);
  if (e.StartSelected) {
    glColor3fv(kBoxColor);
    LineWidth(2);
    Vector min, max;
    PointBoxCorners(e.StartPosition, &min, &max);
    DrawBox(min, max);
    glColor3fv(kStartColor);
  }
  LineWidth(3);
  DrawCross(e.StartPosition);
}

// Filled portals come after everything opaque that is depth-tested, blended
// over it, in tree order.
void SceneRenderer::DrawDeferredPortals() {
  if (portals_.empty()) return;
  TexturingOffBothUnits();
  Culling(false);
  BeginPortalBlend();
  glColor4f(kPortalColor[0], kPortalColor[1], kPortalColor[2], kPortalAlpha);
  for (const TSector* n : portals_) {
    glBegin(GL_POLYGON);
    for (const TVertex& v : n->Vertices) Vertex(v.Position);
    glEnd();
  }
  EndPortalBlend();
  portals_.clear();
}

void SceneRenderer::DrawSphere(const Vector& at, double radius, int slices, int stacks) {
  if (!quadric_) return;
  glPushMatrix();
  glTranslatef(at.x, at.y, at.z);
  gluSphere(quadric_, radius, slices, stacks);
  glPopMatrix();
}

void SceneRenderer::DrawBox(const Vector& a, const Vector& b) {
  TexturingOffBothUnits();
  Vector ends[24];
  BoxEdges(a, b, ends);
  glBegin(GL_LINES);
  for (const Vector& p : ends) Vertex(p);
  glEnd();
}

// ---- scene ----

// The picture: nodes, start marker, portals over them, markers over all.
// A pick draws the portals in tree order and the start marker last, so that
// the markers' boxes and outlines carry the name of the node before them.
void SceneRenderer::DrawScene(Editor& e, const ViewOptions& o) {
  portals_.clear();
  if (selecting_) {
    glInitNames();
    glPushName(0);
  }
  DrawNodes(e, o);
  if (!selecting_) {
    DrawStartMarker(e);
    DrawDeferredPortals();
  }
  DepthTest(false);
  DrawMarkers(e, o);
  DepthTest(true);
  if (selecting_) DrawStartMarker(e);
}

void SceneRenderer::DrawNodes(Editor& e, const ViewOptions& o) {
  e.Tree.Walk([&](TSector* n) { DrawNode(e, o, n); });
}

void SceneRenderer::SetSurfaceState(const ViewOptions& o, const TSector* n) {
  if (o.CullFace) {
    Culling(true);
    FrontFaceCCW();
  } else {
    Culling(false);
  }
  ActiveUnit(0);
  if (o.ShowTextures) {
    Texturing(true);
    BindTexture(texture_name ? texture_name(n->TextureIndex) : 0);
  } else {
    Texturing(false);
  }
  ActiveUnit(1);
  Texturing(o.ShowLightmaps && UsesLightmap(n));
  PolygonMode(o.Wireframe);
}

void SceneRenderer::DrawSurfaceVertex(const ViewOptions& o, const TSector* n, const TVertex& v) {
  if (n->LightingMode == 1 && o.ShowLightmaps)
    glColor4f(v.Color[0], v.Color[1], v.Color[2], v.Color[3]);
  else
    glColor4f(1, 1, 1, 1);
  mt_.MultiTexCoord2f(GL_TEXTURE0, v.TexCoord[0], v.TexCoord[1]);
  mt_.MultiTexCoord2f(GL_TEXTURE1, v.LightmapCoord[0], v.LightmapCoord[1]);
  Vertex(v.Position);
}

void SceneRenderer::DrawPolygon(const ViewOptions& o, TSector* n) {
  UpdatePolygonData(n);
  if (n->Vertices.size() < 4) return;  // not a quad: nothing to draw from
  const TVertex* v = n->Vertices.data();
  const bool has_triangles = n->Triangles.size() >= 2;
  LoadName(n->Id);
  BindTexture(has_triangles ? n->Triangles[0].LightmapTexture : 0);
  glBegin(GL_TRIANGLES);
  DrawSurfaceVertex(o, n, v[0]);
  DrawSurfaceVertex(o, n, v[1]);
  DrawSurfaceVertex(o, n, v[2]);
  glEnd();
  BindTexture(has_triangles ? n->Triangles[1].LightmapTexture : 0);
  glBegin(GL_TRIANGLES);
  DrawSurfaceVertex(o, n, v[3]);
  DrawSurfaceVertex(o, n, v[2]);
  DrawSurfaceVertex(o, n, v[1]);
  glEnd();
  if (!o.ShowNormals || !has_triangles) return;
  DrawNormals(n);
}

void SceneRenderer::DrawNormals(const TSector* n) {
  TexturingOffBothUnits();
  glColor3f(1, 0, 0);
  LineWidth(2);
  normal_ends_.clear();
  NormalLineEnds(n, &normal_ends_);
  glBegin(GL_LINES);
  for (const Vector& p : normal_ends_) Vertex(p);
  glEnd();
}

void SceneRenderer::DrawModel(const ViewOptions& o, TSector* n) {
  LoadName(n->Id);
  const size_t count = ModelTriangleCount(n);
  glBegin(GL_TRIANGLES);
  for (size_t i = 0; i < count; ++i) {
    const TTriangle& t = n->Triangles[i];
    if (!ValidTriangle(n, t)) continue;
    DrawSurfaceVertex(o, n, n->Vertices[t.V0]);
    DrawSurfaceVertex(o, n, n->Vertices[t.V1]);
    DrawSurfaceVertex(o, n, n->Vertices[t.V2]);
  }
  glEnd();
  if (!o.ShowNormals || count == 0) return;
  UpdatePolygonData(n);
  DrawNormals(n);
}

namespace {

struct Box {
  Vector min{INFINITY, INFINITY, INFINITY}, max{-INFINITY, -INFINITY, -INFINITY};
  void Add(const Vector& p, double r = 0) {
    min = VectorSet(std::min<double>(min.x, p.x - r), std::min<double>(min.y, p.y - r),
                    std::min<double>(min.z, p.z - r));
    max = VectorSet(std::max<double>(max.x, p.x + r), std::max<double>(max.y, p.y + r),
                    std::max<double>(max.z, p.z + r));
  }
};

// Everything a node draws in DrawNodes lies in this box (normal lines are at
// most 10 units long, spheres at most 6.5 from the position, crosses 10).
// Nothing: a box that cannot be culled (a model's normals that are not finite).
std::optional<Box> NodeBox(const ViewOptions& o, const Editor& e, TSector* n) {
  Box b;
  const double normals = o.ShowNormals ? 10.0 : 0.0;
  switch (n->NodeType) {
    case kPolygon:
    case kPortal:
      if (n->Vertices.empty()) return std::nullopt;
      for (const TVertex& v : n->Vertices) b.Add(v.Position, n->NodeType == kPolygon ? normals : 0.0);
      return b;
    case kModel:
      if (o.ShowNormals) {
        UpdatePolygonData(n);
        for (const TTriangle& t : n->Triangles)
          if (!(VectorLengthD(t.Normal) <= 1.0 + 1e-6)) return std::nullopt;
      }
      if (n->Vertices.empty()) return std::nullopt;
      for (const TVertex& v : n->Vertices) b.Add(v.Position, normals);
      return b;
    case kLight:
    case kParticleSystem:
      b.Add(n->Position, 3.0);
      return b;
    case kActor:
      b.Add(n->Position, 6.5);
      return b;
    case kCheckpoint:
      b.Add(n->Position, 3.0);
      b.Add(VectorAdd(n->Position, e.StartPosition), 10.0);
      return b;
    default:
      return std::nullopt;
  }
}

}  // namespace

bool SceneRenderer::OutsidePick(const Editor& e, const ViewOptions& o, TSector* n) {
  if (!selecting_) return false;
  if (!pick_culling_) return false;
  const std::optional<Box> b = NodeBox(o, e, n);
  if (!b) return false;
  // Widened well beyond the 2-pixel pick square: wide lines count as hits a
  // pixel or two beside their centre line.
  return BoxOutsideClipVolume(pick_clip_, b->min, b->max, 5.0);
}

void SceneRenderer::SkipMarkedInPick(const TSector* n) {
  if (n->Marked) LineWidth(2);  // the selection box's width
  LoadName(n->Id);
}

void SceneRenderer::DrawNode(Editor& e, const ViewOptions& o, TSector* n) {
  auto selection_box = [&] {
    if (!n->Marked) return;
    glColor3f(1, 0, 0);
    LineWidth(2);
    Vector min, max;
    PointBoxCorners(n, &min, &max);
    DrawBox(min, max);
  };
  switch (n->NodeType) {
    case kPolygon:
    case kModel:
      SetSurfaceState(o, n);
      if (n->Visible == 0 && !o.ShowTransparent) return;
      // A pick cannot hit a node far from the picked pixel: only its name is
      // loaded, and the state it would leave behind is set.
      if (OutsidePick(e, o, n)) {
        const bool normals = n->NodeType == kPolygon
                                 ? n->Vertices.size() >= 4 && n->Triangles.size() >= 2
                                 : std::min<size_t>(n->TriangleCount, n->Triangles.size()) > 0;
        if (o.ShowNormals && normals) LineWidth(2);
        return LoadName(n->Id);
      }
      if (n->NodeType == kPolygon)
        DrawPolygon(o, n);
      else
        DrawModel(o, n);
      return;
    case kLight:
      if (OutsidePick(e, o, n)) return SkipMarkedInPick(n);
      TexturingOffBothUnits();
      float rgb[3];
      LightColor(n, rgb);
      glColor3fv(rgb);
      LoadName(n->Id);
      DrawSphere(n->Position, 3, 10, 10);
      selection_box();
      return;
    case kParticleSystem:
      if (OutsidePick(e, o, n)) return SkipMarkedInPick(n);
      TexturingOffBothUnits();
      glColor3f(0.5f, 0, 0.5f);
      LoadName(n->Id);
      DrawSphere(n->Position, 3, 10, 10);
      selection_box();
      return;
    case kPortal:
      if (!o.ShowPortals) return;
      if (OutsidePick(e, o, n)) {
        Culling(false);  // what the portal leaves behind for the next node
        return LoadName(n->Id);
      }
      TexturingOffBothUnits();
      Culling(false);
      if (selecting_ || o.Wireframe) {
        glColor3fv(kPortalColor);
        LoadName(n->Id);
        glBegin(GL_POLYGON);
        for (const TVertex& v : n->Vertices) Vertex(v.Position);
        glEnd();
      } else {
        portals_.push_back(n);
      }
      Texturing(true);
      return;
    case kActor:
      if (OutsidePick(e, o, n)) return SkipMarkedInPick(n);
      TexturingOffBothUnits();
      LoadName(n->Id);
      if (quadric_) {
        glPushMatrix();
        glTranslatef(n->Position.x, n->Position.y, n->Position.z);
        glColor3f(0, 1, 0);
        gluSphere(quadric_, 3, 10, 10);
        glRotatef(n->Heading, 0, 1, 0);
        glTranslatef(4, 0, 0);
        glColor3f(0, 0.5f, 0);
        gluSphere(quadric_, 2.5, 10, 10);
        glPopMatrix();
      }
      selection_box();
      return;
    case kCheckpoint:
      if (OutsidePick(e, o, n)) {
        LineWidth(3);
        return SkipMarkedInPick(n);
      }
      TexturingOffBothUnits();
      glPushMatrix();
      glTranslatef(n->Position.x, n->Position.y, n->Position.z);
      glColor3f(1, 1, 1);
      LineWidth(3);
      LoadName(n->Id);
      if (quadric_) gluSphere(quadric_, 3, 10, 10);
      DrawCross(e.StartPosition);
      glPopMatrix();
      selection_box();
      return;
    default:
      return;  // sectors draw nothing themselves
  }
}

void SceneRenderer::DrawVertexSpheres(Editor& e, const TSector* n) {
  for (const TVertex& v : n->Vertices) {
    if (v.Marked)
      glColor3f(1, 1, 0);
    else
      glColor3f(0, 1, 0);
    LoadName(v.Id);
    DrawSphere(v.Position, e.VertexMarkerRadius, 30, 10);
  }
}

void SceneRenderer::DrawMarkers(Editor& e, const ViewOptions& o) {
  if (!o.ShowMarkers) return;
  e.Tree.Walk([&](TSector* n) { DrawMarker(e, o, n); });
}

void SceneRenderer::DrawMarker(Editor& e, const ViewOptions& o, TSector* n) {
  switch (n->NodeType) {
    case kSector:
      if (!n->Marked) return;
      TexturingOffBothUnits();
      glColor3f(1, 0, 0);
      LineWidth(2);
      DrawBox(n->BoundsMin, n->BoundsMax);
      return;
    case kPolygon:
      TexturingOffBothUnits();
      if (!n->Marked) return;
      if (n->Vertices.size() >= 4) {
        const TVertex* v = n->Vertices.data();
        LineWidth(2);
        glColor3f(0, 1, 0);
        glBegin(GL_LINE_STRIP);
        for (int i : {0, 1, 3, 2, 0}) Vertex(v[i].Position);
        glEnd();
      }
      if (e.VertexMode) DrawVertexSpheres(e, n);
      return;
    case kModel:
      TexturingOffBothUnits();
      if (!n->Marked) return;
      glColor3f(1, 0, 0);
      LineWidth(2);
      DrawBox(n->BoundsMin, n->BoundsMax);
      if (e.VertexMode) DrawVertexSpheres(e, n);
      return;
    case kLight:
      // Only in the picture: the wire sphere is no pick target.
      if (!n->Marked || selecting_) return;
      TexturingOffBothUnits();
      LineWidth(1);
      DrawLightReach(*n);
      return;
    case kPortal: {
      if (!o.ShowPortals) return;
      Texturing(false);
      if (n->Marked) {
        if (n->Vertices.size() >= 4) {
          const TVertex* v = n->Vertices.data();
          LineWidth(2);
          glBegin(GL_LINES);
          static constexpr int kEdges[4][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
          for (int i = 0; i < 4; ++i) {
            if (i % 2 == 0)
              glColor3f(1, 1, 0);
            else
              glColor3f(0, 1, 0);
            Vertex(v[kEdges[i][0]].Position);
            Vertex(v[kEdges[i][1]].Position);
          }
          glEnd();
        }
        if (e.VertexMode) DrawVertexSpheres(e, n);
      }
      Texturing(true);
      return;
    }
    default:
      return;
  }
}

// ---- picking ----

uint32_t SceneRenderer::PickName(Editor& e, const ViewOptions& o, int x, int y) {
  if (!initialized_ || width_ <= 0 || height_ <= 0) return 0;
  ResetStateCache();
  // Room for one record more than the rules allow, so that a ninth hit shows
  // as too many even where the driver does not report a full buffer as overflow.
  constexpr size_t kSize = kSelectBufferSize + 4;
  GLuint buffer[kSize] = {};
  PickPass pass(buffer, kSize, x, y, width_, height_, last_view_);
  std::copy_n(pass.Clip(), 16, pick_clip_);
  selecting_ = true;
  // The line width a pick ends with, the start marker's cross: what a node
  // drawn before any width is set inherits does not depend on the frame before.
  LineWidth(3);
  DrawScene(e, o);
  const GLint hits = pass.End();
  selecting_ = false;
  if (hits > kPickMaxHits) return 0;
  return ResolvePickHits(e.Tree, hits, std::span<const uint32_t>(buffer, kSelectBufferSize));
}

void SceneRenderer::DrawMarkerPass(Editor& e, const ViewOptions& o, bool selecting) {
  ResetStateCache();
  selecting_ = selecting;
  DepthTest(false);
  DrawMarkers(e, o);
  DepthTest(true);
  if (selecting_) DrawStartMarker(e);
  selecting_ = false;
}

}  // namespace qx

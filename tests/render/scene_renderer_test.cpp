#include "render/scene_renderer.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <QColor>
#include <cmath>

#include "lighting/light_falloff.h"
#include "render/gl_uploads.h"
#include "render/offscreen_gl.h"
#include "render/scene_builders.h"
#include "tools/camera.h"

namespace qx {
namespace {

using test::AddPoint;
using test::AddQuad;
using test::LookAlongMinusZ;

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
  }

  QImage Frame() {
    gl.renderer.RenderFrame(e, o);
    glGetDoublev(GL_MODELVIEW_MATRIX, model_);
    glGetDoublev(GL_PROJECTION_MATRIX, proj_);
    glGetIntegerv(GL_VIEWPORT, viewport_);
    return gl.Image();
  }

  // Where a world point lands in the last frame's image (top-left origin).
  QPoint Project(Vector p) const {
    double x, y, z;
    gluProject(p.x, p.y, p.z, model_, proj_, viewport_, &x, &y, &z);
    return {int(std::lround(x - 0.5)), gl.height() - 1 - int(std::lround(y - 0.5))};
  }

  static QColor At(const QImage& img, QPoint p) { return QColor(img.pixel(p)); }
  static bool Near(QColor c, int r, int g, int b, int tol = 2) {
    return std::abs(c.red() - r) <= tol && std::abs(c.green() - g) <= tol && std::abs(c.blue() - b) <= tol;
  }
  // True when some pixel within `radius` of p has the colour.
  static bool Around(const QImage& img, QPoint p, int r, int g, int b, int radius = 1) {
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx) {
        QPoint q = p + QPoint(dx, dy);
        if (img.rect().contains(q) && Near(At(img, q), r, g, b)) return true;
      }
    return false;
  }

  test::OffscreenGl gl{320, 240};
  Editor e;
  ViewOptions o;
  GLdouble model_[16], proj_[16];
  GLint viewport_[4];
};

TEST_F(RenderTest, EmptySceneGreyGridAndBlueStartMarker) {
  e.NewScene();
  const QImage img = Frame();
  // The start marker sits on the origin.
  EXPECT_TRUE(Near(At(img, Project({0, 0, 0})), 0, 0, 255))
      << At(img, Project({0, 0, 0})).name().toStdString();
  // Grid lines where the camera puts them: centre (0, 80) for the camera at (0, 80, 70),
  // so lines at every multiple of 20.
  for (float z : {0.0f, -40.0f, -100.0f})
    EXPECT_TRUE(Around(img, Project({-30, 0, z}), 204, 204, 204)) << "line z=" << z;
  for (float x : {-40.0f, 40.0f})
    EXPECT_TRUE(Around(img, Project({x, 0, -30}), 204, 204, 204)) << "line x=" << x;
  // Inside a cell: the background, 0.5 grey.
  EXPECT_TRUE(Near(At(img, Project({-30, 0, -10})), 128, 128, 128));
  EXPECT_TRUE(Near(At(img, Project({30, 0, -50})), 128, 128, 128));
}

TEST_F(RenderTest, GridSwitchedOffLeavesTheBackground) {
  e.NewScene();
  o.ShowGrid = false;
  const QImage img = Frame();
  EXPECT_FALSE(Around(img, Project({-30, 0, -40}), 204, 204, 204, 2));
  EXPECT_TRUE(Near(At(img, Project({-30, 0, -40})), 128, 128, 128));
}

TEST_F(RenderTest, LightSphereInItsColourWithSelectionBox) {
  e.NewScene();
  LookAlongMinusZ(e);
  o.ShowGrid = false;
  TSector* s = e.CreateNode(nullptr, kSector);
  TSector* light = AddPoint(e, s, kLight, {30, 10, 0});
  light->Color[0] = 255;
  light->Color[1] = 127.5f;
  light->Color[2] = 0;
  QImage img = Frame();
  EXPECT_TRUE(Near(At(img, Project({30, 10, 0})), 255, 128, 0))
      << At(img, Project({30, 10, 0})).name().toStdString();
  EXPECT_FALSE(Around(img, Project({33, 13, 3}), 255, 0, 0, 1));
  light->Marked = 1;
  img = Frame();
  // A corner of the cube of edge 6 around the light.
  EXPECT_TRUE(Around(img, Project({33, 13, 3}), 255, 0, 0, 1));
}

TEST_F(RenderTest, SelectedPointLightShowsItsReach) {
  e.NewScene();
  LookAlongMinusZ(e);
  o.ShowGrid = false;
  TSector* s = e.CreateNode(nullptr, kSector);
  TSector* light = AddPoint(e, s, kLight, {0, 0, 0});
  light->Color[0] = 0;
  light->Color[1] = 255;
  light->Color[2] = 255;
  light->Brightness = 1;
  light->Range = 900.0f / 255;  // a share of one step at 30 units
  const float reach = LightReachDistance(*light);
  ASSERT_NEAR(reach, 30, 0.01);
  // Where the circle facing the camera and the two seen edge-on cross the axes.
  const Vector on[] = {{reach, 0, 0}, {-reach, 0, 0}, {0, reach, 0}, {0, -reach, 0}};
  auto drawn = [&](const QImage& img) {
    int n = 0;
    for (const Vector& p : on) n += Around(img, Project(p), 0, 255, 255, 1);
    return n;
  };
  EXPECT_EQ(drawn(Frame()), 0) << "not selected";
  light->Marked = 1;
  QImage img = Frame();
  EXPECT_EQ(drawn(img), 4);
  EXPECT_TRUE(Around(img, Project({reach * 0.7071f, reach * 0.7071f, 0}), 0, 255, 255, 1))
      << "a circle, not just a cross";
  EXPECT_FALSE(Around(img, Project({reach * 0.4f, reach * 0.4f, 0}), 0, 255, 255, 1)) << "hollow";
  o.ShowMarkers = false;
  EXPECT_EQ(drawn(Frame()), 0) << "markers hidden";
  o.ShowMarkers = true;
  light->Kind = 1;
  EXPECT_EQ(drawn(Frame()), 0) << "a directional light has no reach";
}

TEST_F(RenderTest, CullingDecidesWhichSideOfAQuadShows) {
  e.NewScene();
  LookAlongMinusZ(e);
  o.ShowGrid = false;
  o.ShowTextures = false;
  TSector* s = e.CreateNode(nullptr, kSector);
  AddQuad(e, s, {-40, 0, 0}, 20, true);
  AddQuad(e, s, {40, 0, 0}, 20, false);
  QImage img = Frame();
  EXPECT_TRUE(Near(At(img, Project({-40, 0, 0})), 255, 255, 255));
  EXPECT_TRUE(Near(At(img, Project({40, 0, 0})), 128, 128, 128));
  o.CullFace = false;
  img = Frame();
  EXPECT_TRUE(Near(At(img, Project({40, 0, 0})), 255, 255, 255));
}

TEST_F(RenderTest, WireframeLeavesTheInsideOpenAndSpheresInherit) {
  e.NewScene();
  LookAlongMinusZ(e);
  o.ShowGrid = false;
  o.Wireframe = true;
  TSector* s = e.CreateNode(nullptr, kSector);
  AddQuad(e, s, {-40, 0, 0}, 20);
  TSector* light = AddPoint(e, s, kLight, {20, 0, 50});
  light->Color[0] = light->Color[1] = light->Color[2] = 255;
  const QImage img = Frame();
  // No fill: a point of the inside off the diagonal edge v1-v2.
  EXPECT_TRUE(Near(At(img, Project({-40, 10, 0})), 128, 128, 128));
  EXPECT_TRUE(Around(img, Project({-60, 0, 0}), 255, 255, 255, 1));  // an edge
  // Even the light sphere is drawn as lines: its centre pixel is open or a wire.
  int white = 0;
  const QPoint c = Project({20, 0, 50});
  for (int dy = -4; dy <= 4; ++dy)
    for (int dx = -4; dx <= 4; ++dx) white += Near(At(img, c + QPoint(dx, dy)), 255, 255, 255);
  EXPECT_GT(white, 0);
  EXPECT_LT(white, 81);
}

TEST_F(RenderTest, MarkersShowThroughGeometry) {
  e.NewScene();
  LookAlongMinusZ(e);
  o.ShowGrid = false;
  o.ShowTextures = false;
  TSector* room = e.CreateNode(nullptr, kSector);
  AddQuad(e, room, {0, 0, -20}, 10);
  ComputeBounds(room);
  room->Marked = 1;
  TSector* front = e.CreateNode(nullptr, kSector);
  AddQuad(e, front, {0, 0, 20}, 40);  // hides the room completely
  QImage img = Frame();
  // The box edge x = 10 lies behind the big white quad but is drawn in red.
  EXPECT_TRUE(Around(img, Project({10, 0, -20}), 255, 0, 0, 1));
  o.ShowMarkers = false;
  img = Frame();
  EXPECT_FALSE(Around(img, Project({10, 0, -20}), 255, 0, 0, 1));
}

TEST_F(RenderTest, SelectedPolygonOutlineAndVertexSpheres) {
  e.NewScene();
  LookAlongMinusZ(e);
  o.ShowGrid = false;
  o.ShowTextures = false;
  TSector* s = e.CreateNode(nullptr, kSector);
  TSector* q = AddQuad(e, s, {0, 0, 0}, 30);
  q->Marked = 1;
  q->Vertices[0].Marked = 1;
  QImage img = Frame();
  EXPECT_TRUE(Around(img, Project({0, 30, 0}), 0, 255, 0, 1));  // outline, top edge
  e.VertexMode = true;
  img = Frame();
  EXPECT_TRUE(Near(At(img, Project(q->Vertices[0].Position)), 255, 255, 0));  // marked vertex
  EXPECT_TRUE(Near(At(img, Project(q->Vertices[3].Position)), 0, 255, 0));
}

TEST_F(RenderTest, InvisiblePolygonsPortalsAndVertexColours) {
  e.NewScene();
  LookAlongMinusZ(e);
  o.ShowGrid = false;
  o.ShowTextures = false;
  TSector* s = e.CreateNode(nullptr, kSector);
  TSector* hidden = AddQuad(e, s, {-50, 30, 0}, 15);
  hidden->Visible = 0;
  TSector* lit = AddQuad(e, s, {0, 30, 0}, 15);
  lit->LightingMode = 1;
  for (TVertex& v : lit->Vertices) v.Color[0] = 0.5f, v.Color[1] = 0.25f, v.Color[2] = 1.0f;
  TSector* portal = e.CreateNode(s, kPortal);
  portal->Id = e.NextId();
  portal->ResizeVertices(4);
  const Vector corners[4] = {{35, 45, 0}, {65, 45, 0}, {65, 15, 0}, {35, 15, 0}};
  for (int i = 0; i < 4; ++i) portal->Vertices[i].Position = corners[i];

  QImage img = Frame();
  EXPECT_TRUE(Near(At(img, Project({-50, 30, 0})), 255, 255, 255));
  EXPECT_TRUE(Near(At(img, Project({0, 30, 0})), 128, 64, 255));
  // The portal's blue, half over the grey background.
  EXPECT_TRUE(Near(At(img, Project({50, 30, 0})), 64, 64, 166));

  o.ShowTransparent = false;
  o.ShowLightmaps = false;  // vertex colours go with the lightmaps
  o.ShowPortals = false;
  img = Frame();
  EXPECT_TRUE(Near(At(img, Project({-50, 30, 0})), 128, 128, 128));
  EXPECT_TRUE(Near(At(img, Project({0, 30, 0})), 255, 255, 255));
  EXPECT_TRUE(Near(At(img, Project({50, 30, 0})), 128, 128, 128));
}

TEST_F(RenderTest, LibraryTextureOnUnitZero) {
  e.NewScene();
  LookAlongMinusZ(e);
  o.ShowGrid = false;
  // A 2 x 2 texture: red, green / blue, yellow.
  const uint8_t pixels[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
  const uint32_t name = UploadTexturePixels(pixels, 2, 2);
  ASSERT_NE(name, 0u);
  gl.renderer.texture_name = [name](int i) { return i == 3 ? name : 0u; };
  TSector* s = e.CreateNode(nullptr, kSector);
  TSector* q = AddQuad(e, s, {0, 30, 0}, 20);
  q->TextureIndex = 3;
  QImage img = Frame();
  // u = 1 at the left edge (the mirrored square), v = 1 at the top: texel (1, 1) is yellow.
  EXPECT_TRUE(Near(At(img, Project({-12, 42, 0})), 255, 255, 0));
  EXPECT_TRUE(Near(At(img, Project({12, 18, 0})), 255, 0, 0));
  q->TextureIndex = 4;  // beyond the library: untextured
  img = Frame();
  EXPECT_TRUE(Near(At(img, Project({12, 18, 0})), 255, 255, 255));
}

TEST_F(RenderTest, LightmapOnUnitOneModulatesOnlyInLightmapMode) {
  if (!gl.renderer.Multitexture().two_units) GTEST_SKIP() << "one texture unit";
  e.NewScene();
  LookAlongMinusZ(e);
  o.ShowGrid = false;
  const uint8_t dim[4 * 3] = {128, 64, 255, 128, 64, 255, 128, 64, 255, 128, 64, 255};
  const uint32_t lightmap = UploadLightmapPixels(dim, 2, 2);
  ASSERT_NE(lightmap, 0u);
  TSector* s = e.CreateNode(nullptr, kSector);
  TSector* q = AddQuad(e, s, {0, 30, 0}, 20);
  for (TTriangle& t : q->Triangles) t.LightmapTexture = lightmap;
  // The lightmap coordinates are all (0, 0), a corner: with edges clamped the
  // corner texel shows whole, not blended with a black border.
  QImage img = Frame();
  EXPECT_TRUE(Near(At(img, Project({5, 30, 0})), 128, 64, 255))
      << At(img, Project({5, 30, 0})).name().toStdString();
  o.ShowLightmaps = false;
  img = Frame();
  EXPECT_TRUE(Near(At(img, Project({5, 30, 0})), 255, 255, 255));
  o.ShowLightmaps = true;
  q->LightingMode = 2;  // "keine": no lightmap, white
  img = Frame();
  EXPECT_TRUE(Near(At(img, Project({5, 30, 0})), 255, 255, 255));
  DeleteTextureName(lightmap);
}

}  // namespace
}  // namespace qx

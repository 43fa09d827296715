// The retained renderer in a real GL context: its spheres are the quadric's,
// lit scenes match the reference after a bake (lightmaps from atlas pages),
// selection and drags rebuild only what they must, sectors outside the view
// are not drawn, and other views can draw the buffers with a projection of
// their own.

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <QColor>

#include "commands/transform.h"
#include "render/gl_uploads.h"
#include "render/offscreen_gl.h"
#include "render/render_compare.h"
#include "render/scene_builders.h"
#include "render/sphere_mesh.h"
#include "tools/drag.h"

namespace qx {
namespace {

using test::AddPoint;
using test::AddQuad;
using test::DifferingShare;
using test::LookAlongMinusZ;

class RetainedRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
    e.NewScene();
    LookAlongMinusZ(e, 150);
  }
  void TearDown() override { gl.retained.Detach(); }

  QImage Reference() {
    gl.renderer.RenderFrame(e, o);
    return gl.Image();
  }
  QImage Retained() {
    gl.retained.RenderFrame(e, o);
    return gl.Image();
  }
  QColor RetainedAt(Vector p) { return gl.PixelAt(Retained(), p); }
  // Rooms of 6 x 6 floor-like quads facing the camera, a light in each.
  void Rooms(int rooms) {
    for (int r = 0; r < rooms; ++r) {
      TSector* s = e.CreateNode(nullptr, kSector);
      s->Id = e.NextId();
      for (int i = 0; i < 36; ++i) {
        TSector* q = AddQuad(e, s, {float(r) * 130 - 100 + float(i % 6) * 20, float(i / 6) * 20 - 50, 0}, 10);
        q->TextureIndex = uint16_t(r % 2);
      }
      TSector* light = AddPoint(e, s, kLight, {float(r) * 130 - 50, 0, 40});
      light->Color[0] = light->Color[1] = light->Color[2] = 255;
      light->Brightness = 10;
      light->Range = 80;
      ComputeBounds(s);
    }
  }

  test::OffscreenGl gl{256, 192};
  Editor e;
  PointerState drag;
  ViewOptions o;
};

TEST_F(RetainedRendererTest, SpheresFromTheMeshCoverTheQuadricsPixels) {
  GLUquadric* q = gluNewQuadric();
  gluQuadricNormals(q, GLU_FLAT);
  gluQuadricOrientation(q, GLU_OUTSIDE);
  const struct {
    double radius;
    int slices, stacks;
  } kSpheres[] = {{3, 10, 10}, {2.5, 10, 10}, {2, 30, 10}, {7.25, 30, 10}};
  for (bool lines : {false, true})
    for (const auto& s : kSpheres) {
      glPolygonMode(GL_FRONT_AND_BACK, lines ? GL_LINE : GL_FILL);
      auto frame = [&](auto draw) {
        glClearColor(0.5f, 0.5f, 0.5f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(1, 2, 4 * s.radius, 0, 0, 0, 0, 1, 0);
        glRotatef(30, 1, 1, 0);
        glColor3f(1, 1, 0);
        draw();
        return gl.Image();
      };
      const QImage quadric = frame([&] { gluSphere(q, s.radius, s.slices, s.stacks); });
      const SphereMesh m = MakeSphereMesh(s.radius, s.slices, s.stacks);
      const QImage mesh = frame([&] {
        for (const SphereMesh::Strip& strip : m.strips) {
          glBegin(strip.mode == SphereMesh::kTriangleFan ? GL_TRIANGLE_FAN : GL_QUAD_STRIP);
          for (int i = strip.first; i < strip.first + strip.count; ++i)
            glVertex3f(m.vertices[size_t(i)].x, m.vertices[size_t(i)].y, m.vertices[size_t(i)].z);
          glEnd();
        }
      });
      EXPECT_EQ(DifferingShare(quadric, mesh), 0.0) << s.radius << " " << s.slices << (lines ? " lines" : "");
      for (const Vector& v : m.vertices) ASSERT_NEAR(VectorLengthD(v), s.radius, 1e-5);
    }
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  gluDeleteQuadric(q);
  EXPECT_TRUE(MakeSphereMesh(3, 1, 10).strips.empty());
  EXPECT_TRUE(MakeSphereMesh(-1, 10, 10).strips.empty());
}

TEST_F(RetainedRendererTest, LitAfterABakeLikeTheReferenceFromAtlasPages) {
  Rooms(2);
  test::GlUploads uploads;
  ASSERT_EQ(ComputeLightmaps(e, LightmapSize{4, 4}, {}, &uploads), BakeStatus::kDone);
  e.PublishChanges();
  std::vector<uint8_t> px(16 * 16 * 3);
  for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(100 + i % 150);
  const uint32_t texture = UploadTexturePixels(px.data(), 16, 16);
  auto names = [texture](int i) { return i == 1 ? texture : 0u; };
  gl.renderer.texture_name = names;
  gl.retained.texture_name = names;
  for (int side : {2048, 30}) {  // one page, then pages of 5 x 5 tiles
    gl.retained.SetAtlasPageSide(side);
    gl.retained.InvalidateAll();
    const QImage reference = Reference(), retained = Retained();
    test::SaveForLook("lit_" + std::to_string(side), reference, retained);
    EXPECT_LE(DifferingShare(reference, retained), 0.005) << "pages of " << side;
    EXPECT_EQ(gl.retained.Atlas().count, e.LightmapList.size());
    EXPECT_EQ(gl.retained.Atlas().pages, side == 2048 ? 1 : int((e.LightmapList.size() + 24) / 25));
  }
  // The lightmap shows: a floor away from the light is darker than white.
  o.ShowTextures = false;
  const QColor lit = RetainedAt({-95, -45, 0});
  EXPECT_LT(lit.red(), 250);
  EXPECT_GT(lit.red(), 0);
  o.ShowLightmaps = false;
  EXPECT_EQ(RetainedAt({-95, -45, 0}).red(), 255);
  DeleteTextureName(texture);
}

TEST_F(RetainedRendererTest, SelectingRebuildsNothingAndADragOnlyTheMovingNodes) {
  Rooms(2);
  o.ShowGrid = false;
  Retained();
  RetainedScene& scene = gl.retained.Scene();
  scene.ResetCounters();
  TSector* quad = e.Tree.First()->Children[14].get();
  quad->Marked = 1;
  e.SelectionList = {quad};
  const QImage selected = Retained();
  EXPECT_EQ(scene.Stats().chunks_built, 0u);
  EXPECT_EQ(scene.Stats().dynamic_builds, 0u);
  EXPECT_LE(DifferingShare(Reference(), selected), 0.005);
  // Three steps of a drag along y.
  e.ToolMode = ToolMode::kMove;
  e.AxisLock = AxisLock::kY;
  for (int step = 0; step < 3; ++step) {
    drag.step_counter = 1000;
    DragStep(e, drag, -1);
    e.PublishChanges();
    const QImage moved = Retained();
    EXPECT_LE(DifferingShare(Reference(), moved), 0.005) << "step " << step;
  }
  EXPECT_EQ(scene.Stats().chunks_built, 1u);  // the first step takes the quad out of its chunk
  EXPECT_EQ(scene.Stats().dynamic_builds, 3u);
  EXPECT_TRUE(scene.IsDynamic(quad));
  EXPECT_EQ(gl.retained.PickName(e, o, 1, 1), gl.renderer.PickName(e, o, 1, 1));
}

TEST_F(RetainedRendererTest, SectorsOutsideTheViewAreNotDrawn) {
  Rooms(2);
  Retained();
  const RetainedRenderer::FrameStats facing = gl.retained.LastFrame();
  EXPECT_EQ(facing.cells_culled, 0);
  EXPECT_GT(facing.draw_calls, 3);
  e.CameraHeading = 0;  // turned round
  const QImage away = Retained();
  EXPECT_EQ(gl.retained.LastFrame().cells_drawn, 0);
  EXPECT_EQ(gl.retained.LastFrame().cells_culled, facing.cells_drawn);
  EXPECT_LT(gl.retained.LastFrame().draw_calls, facing.draw_calls);
  EXPECT_EQ(DifferingShare(Reference(), away), 0.0);
}

TEST_F(RetainedRendererTest, UnannouncedChangesShowWhenVerifying) {
  Rooms(1);
  o.ShowTextures = false;
  o.ShowLightmaps = false;
  TSector* quad = e.Tree.First()->Children[0].get();
  const Vector centre{-100, -50, 0};
  EXPECT_EQ(RetainedAt(centre).red(), 255);
  for (TVertex& v : quad->Vertices) v.Position.x -= 60;  // not announced
  gl.retained.SetVerifyEachFrame(true);
  EXPECT_EQ(RetainedAt(centre).red(), 128);
  EXPECT_LE(DifferingShare(Reference(), Retained()), 0.005);
}

TEST_F(RetainedRendererTest, OtherViewsDrawTheBuffersWithTheirOwnProjection) {
  // A plan view: looking down the y axis at floor quads.
  for (int i = 0; i < 4; ++i) {
    TSector* q = AddQuad(e, e.Tree.Empty() ? e.CreateNode(nullptr, kSector) : e.Tree.First(), {0, 0, 0}, 10);
    for (TVertex& v : q->Vertices) std::swap(v.Position.y, v.Position.z), v.Position.x += float(i) * 30 - 45;
  }
  Retained();
  glClearColor(0.5f, 0.5f, 0.5f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-64, 64, -48, 48, -100, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRotatef(90, 1, 0, 0);  // y up becomes the view direction
  double clip[16];
  CurrentClipMatrix(clip);
  o.CullFace = false;
  gl.retained.DrawSectors(e, clip, RetainedRenderer::SectorDrawMode::kOutline, o);
  const QImage plan = gl.Image();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  // 2 pixels per unit: quad 0 spans x -55..-35; its left edge near pixel 18.
  int edge = 0, inside = 0;
  for (int y = 80; y < 110; ++y) {
    bool white = false;
    for (int x = 16; x <= 20; ++x) white = white || QColor(plan.pixel(x, y)) == QColor(255, 255, 255);
    edge += white;
    inside += QColor(plan.pixel(30, y)) == QColor(128, 128, 128);
  }
  EXPECT_GT(edge, 15);
  EXPECT_GE(inside, 28);  // the diagonal edge crosses once
}

}  // namespace
}  // namespace qx

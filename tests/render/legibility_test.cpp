// What makes the viewport readable, in both renderers: a floor in the grid's
// plane hides the grid at every angle, portals let the room behind them show
// through, and the start marker is picked like a node and boxed while selected.

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <QColor>
#include <cmath>

#include "commands/start_position.h"
#include "commands/transform.h"
#include "render/offscreen_gl.h"
#include "render/render_compare.h"
#include "render/scene_builders.h"
#include "tools/drag.h"

namespace qx {
namespace {

using test::AddPoint;
using test::AddQuad;
using test::LookAlongMinusZ;

constexpr QRgb kGrid = 0xffcccccc, kBackground = 0xff808080, kWhite = 0xffffffff;

// A quad of AddQuad turned about x so that it lies in y = c.y, facing up.
TSector* AddFloor(Editor& e, TSector* parent, Vector c, float half) {
  TSector* q = AddQuad(e, parent, {c.x, 0, 0}, half);
  for (TVertex& v : q->Vertices) v.Position = {v.Position.x, c.y, c.z - v.Position.y};
  UpdatePolygonData(q);
  ComputeBounds(q);
  return q;
}

bool Near(QColor c, int r, int g, int b, int tol = 2) {
  return std::abs(c.red() - r) <= tol && std::abs(c.green() - g) <= tol && std::abs(c.blue() - b) <= tol;
}

class LegibilityTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
    renderer = GetParam() ? static_cast<ViewportRenderer*>(&gl.retained) : &gl.renderer;
    e.NewScene();
    o.ShowTextures = false;
    o.ShowNormals = false;
    room = e.CreateNode(nullptr, kSector);
    room->Id = e.NextId();
  }
  void TearDown() override { gl.retained.Detach(); }

  QImage Frame() {
    renderer->RenderFrame(e, o);
    return gl.Image();
  }
  // The same scene from the renderer not under test.
  QImage OtherFrame() {
    ViewportRenderer* other = GetParam() ? static_cast<ViewportRenderer*>(&gl.renderer) : &gl.retained;
    other->RenderFrame(e, o);
    return gl.Image();
  }
  // Where a world point appears in the last frame, in GL window coordinates.
  void Window(Vector p, double* x, double* y) {
    GLdouble model[16], proj[16], z;
    GLint vp[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, vp);
    gluProject(p.x, p.y, p.z, model, proj, vp, x, y, &z);
  }
  // The image pixel a world point falls on.
  QPoint Pixel(Vector p) {
    double x, y;
    Window(p, &x, &y);
    return QPoint(int(x), gl.height() - 1 - int(y));
  }
  QColor At(const QImage& img, Vector p) { return QColor(img.pixel(Pixel(p))); }
  uint32_t PickAt(Vector p) {
    renderer->RenderFrame(e, o);
    double x, y;
    Window(p, &x, &y);
    return renderer->PickName(e, o, int(std::lround(x)), gl.height() - int(std::lround(y)));
  }
  // Pixels of the colour within `r` pixels of where p appears.
  int CountAround(const QImage& img, Vector p, int r, QRgb colour) {
    const QPoint c = Pixel(p);
    int n = 0;
    for (int y = c.y() - r; y <= c.y() + r; ++y)
      for (int x = c.x() - r; x <= c.x() + r; ++x)
        n += img.rect().contains(x, y) && (img.pixel(x, y) | 0xff000000) == colour;
    return n;
  }

  test::OffscreenGl gl{320, 240};
  ViewportRenderer* renderer = nullptr;
  Editor e;
  PointerState drag;
  ViewOptions o;
  TSector* room = nullptr;
};

TEST_P(LegibilityTest, TheGridNeverShowsThroughAFloorInItsPlaneButOverOneBelowIt) {
  e.StartPosition = {0, 0, 5000};  // behind every camera below
  TSector* floor = AddFloor(e, room, {0, 0, 0}, 150);
  // A wall standing on the grid beyond the floor hides the grid behind it.
  TSector* wall = AddQuad(e, room, {0, 30, -200}, 30);
  for (TVertex& v : wall->Vertices) v.Position.x *= 3;
  UpdatePolygonData(wall);
  const struct {
    Vector eye;
    float heading, pitch;
  } kViews[] = {
      {{0, 40, 120}, 180, -20},    // near, oblique
      {{0, 12, 160}, 180, -5},     // grazing
      {{40, 150, 220}, 190, -35},  // higher, turned
      {{0, 450, 380}, 180, -50},   // far
      {{10, 250, 30}, 180, -85},   // straight down
      {{-60, 20, 300}, 175, -4},   // grazing from farther
  };
  for (const float floor_y : {0.0f, -5.0f}) {
    for (TVertex& v : floor->Vertices) v.Position.y = floor_y;
    UpdatePolygonData(floor);
    e.Changed(floor, kChangeGeometry);
    e.PublishChanges();
    for (const auto& v : kViews) {
      e.CameraPosition = v.eye;
      e.CameraHeading = v.heading;
      e.CameraPitch = v.pitch;
      o.ShowGrid = false;
      const QImage bare = Frame();
      o.ShowGrid = true;
      const QImage gridded = Frame();
      int covered = 0, grid_on_floor = 0, other_on_floor = 0, grid_elsewhere = 0;
      for (int y = 0; y < bare.height(); ++y)
        for (int x = 0; x < bare.width(); ++x) {
          const QRgb before = bare.pixel(x, y) | 0xff000000, after = gridded.pixel(x, y) | 0xff000000;
          if (before == kWhite) {
            ++covered;
            grid_on_floor += after == kGrid;
            other_on_floor += after != kGrid && after != kWhite;
          } else if (before == kBackground) {
            grid_elsewhere += after == kGrid;
          }
        }
      SCOPED_TRACE(testing::Message() << "floor at " << floor_y << ", camera at " << v.eye.x << "," << v.eye.y
                                      << "," << v.eye.z);
      test::SaveForLook("grid_" + std::to_string(int(floor_y)) + "_" + std::to_string(int(v.eye.y)), bare,
                        gridded);
      EXPECT_GT(covered, 1000);
      EXPECT_EQ(other_on_floor, 0);
      if (floor_y == 0)
        EXPECT_EQ(grid_on_floor, 0);
      else
        EXPECT_GT(grid_on_floor, 100);  // a floor 5 units down lies below the grid
      EXPECT_GT(grid_elsewhere, 100);
    }
  }
}

TEST_P(LegibilityTest, PortalsShowWhatLiesBehindThemAndArePickedAsBefore) {
  LookAlongMinusZ(e, 150);
  e.StartPosition = {0, 0, 5000};
  // The portal comes first in the tree: what is drawn after it, behind it, still shows.
  TSector* portal = e.CreateNode(room, kPortal);
  portal->Id = e.NextId();
  portal->ResizeVertices(4);
  const Vector corners[4] = {{-20, 20, 0}, {20, 20, 0}, {20, -20, 0}, {-20, -20, 0}};
  for (int i = 0; i < 4; ++i) portal->Vertices[i].Position = corners[i], portal->Vertices[i].Id = e.NextId();
  TSector* behind = AddQuad(e, room, {10, 0, -40}, 20);
  behind->LightingMode = 1;  // red by its vertex colours
  for (TVertex& v : behind->Vertices) v.Color[0] = 1, v.Color[1] = 0, v.Color[2] = 0;
  TSector* front = AddQuad(e, room, {-25, -25, 20}, 8);
  TSector* light = AddPoint(e, room, kLight, {-10, 10, -20});
  light->Color[0] = light->Color[1] = light->Color[2] = 255;

  const QImage img = Frame();
  EXPECT_TRUE(Near(At(img, {15, 5, 0}), 128, 0, 102)) << "red behind the portal";
  EXPECT_TRUE(Near(At(img, {-15, -5, 0}), 64, 64, 166)) << "the background behind the portal";
  EXPECT_TRUE(Near(At(img, {-10, 10, -20}), 128, 128, 230)) << "the white light behind the portal";
  EXPECT_TRUE(Near(At(img, {28, -15, -40}), 255, 0, 0)) << "red beside the portal";
  EXPECT_TRUE(Near(At(img, {-22, -22, 20}), 255, 255, 255)) << "a quad in front of the portal";
  const QImage other = OtherFrame();
  if (!GetParam()) test::SaveForLook("portal", img, other);
  EXPECT_EQ(test::DifferingShare(img, other), 0.0) << "the other renderer";

  // A click on the portal still selects it, not what shows through it; beside it what is there.
  EXPECT_EQ(PickAt({15, 5, 0}), portal->Id);
  EXPECT_EQ(PickAt({-10, 10, 0}), portal->Id) << "light " << light->Id << ", behind " << behind->Id;
  EXPECT_EQ(PickAt({28, -15, -40}), behind->Id);
  EXPECT_EQ(PickAt({-22, -22, 20}), front->Id);
  o.ShowPortals = false;
  EXPECT_EQ(PickAt({15, 5, 0}), behind->Id);
  EXPECT_EQ(PickAt({-10, 10, -20}), light->Id);

  // A kept picture of the still parts never holds the portal: dragged behind
  // it, the quad still shows through it, as in a frame drawn in full.
  if (GetParam()) {
    o.ShowPortals = true;
    behind->Marked = 1;
    e.SelectionList = {behind};
    e.ToolMode = ToolMode::kMove;
    e.AxisLock = AxisLock::kX;
    e.GridSize = 2;  // it stays behind the portal
    const float x0 = behind->Vertices[0].Position.x;
    for (int step = 0; step < 3; ++step) {
      drag.step_counter = 1000;
      DragStep(e, drag, -1);
      e.PublishChanges();
      const QImage kept = Frame();
      EXPECT_EQ(gl.retained.LastFrameReused(), step > 0) << "step " << step;
      gl.retained.SetFrameCacheEnabled(false);
      EXPECT_EQ(test::DifferingShare(Frame(), kept), 0.0) << "step " << step;
      gl.retained.SetFrameCacheEnabled(true);
    }
    EXPECT_NE(behind->Vertices[0].Position.x, x0);
    EXPECT_TRUE(Near(At(Frame(), {15, 5, 0}), 128, 0, 102)) << "red behind the portal";
  }

  // As lines, the portal's edges keep their colour and leave its inside open.
  o.ShowPortals = true;
  o.Wireframe = true;
  Frame();  // a portal before the first polygon keeps the polygon mode of the frame before
  const QImage lines = Frame();
  EXPECT_GT(CountAround(lines, {0, 20, 0}, 3, qRgb(0, 0, 204)), 3);
  EXPECT_EQ(CountAround(lines, {0, 20, 0}, 3, qRgb(64, 64, 166)), 0);
  const QColor inside = At(lines, {-15, -15, 0});
  EXPECT_TRUE(Near(inside, 128, 128, 128)) << "the open inside of a wire portal: " << inside.red() << ","
                                           << inside.green() << "," << inside.blue();
}

TEST_P(LegibilityTest, TheStartMarkerIsPickedLikeANodeAndBoxedWhileSelected) {
  LookAlongMinusZ(e, 100);
  e.StartPosition = {0, 20, 0};
  TSector* wall = AddQuad(e, room, {0, 20, -40}, 40);  // behind the marker
  TSector* light = AddPoint(e, room, kLight, {30, 20, 30});
  e.StartSelected = false;
  EXPECT_EQ(PickAt({0, 20, 0}), kStartPositionPickName);
  EXPECT_EQ(PickAt({0, 28, 0}), kStartPositionPickName) << "the cross";
  EXPECT_EQ(PickAt({20, 40, -40}), wall->Id);
  EXPECT_EQ(PickAt({30, 20, 30}), light->Id);
  // A light in front of the marker is nearer.
  auto move_light = [&](Vector to) {
    light->Position = to;
    e.Changed(light, kChangeGeometry);
    e.PublishChanges();
  };
  move_light({0, 20, 30});
  EXPECT_EQ(PickAt({0, 20, 30}), light->Id);
  move_light({30, 20, 30});

  const QImage unselected = Frame();
  EXPECT_EQ(CountAround(unselected, {0, 20, 0}, 12, qRgb(255, 0, 0)), 0);
  e.StartSelected = true;
  const QImage selected = Frame();
  EXPECT_GT(CountAround(selected, {0, 20, 0}, 12, qRgb(255, 0, 0)), 40);
  const QImage other = OtherFrame();
  if (!GetParam()) test::SaveForLook("start", selected, other);
  EXPECT_EQ(test::DifferingShare(selected, other), 0.0) << "the other renderer";
  // The box's corner carries the marker's name.
  EXPECT_EQ(PickAt({-3, 23, 3}), kStartPositionPickName);
  // The box is depth-tested like a light's: a quad in front hides it.
  AddQuad(e, room, {0, 20, 10}, 10);
  EXPECT_EQ(CountAround(Frame(), {0, 20, 0}, 12, qRgb(255, 0, 0)), 0);
}

INSTANTIATE_TEST_SUITE_P(Renderers, LegibilityTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Retained" : "Immediate"; });

}  // namespace
}  // namespace qx

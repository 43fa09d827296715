// Frames of the 2D views drawn into a framebuffer: the merged lines cover
// the pixels the edges one by one do, in every view, also while a drag keeps
// its nodes apart; and where the grid, a wall seen edge on and a symbol lie.

#include <gtest/gtest.h>

#include "../../bench/bench_level.h"
#include "render/offscreen_gl.h"
#include "render/plane_view_overlay.h"
#include "support/scene_samples.h"
#include "tools/plane_edit.h"

namespace qx {
namespace {

constexpr int kW = 240, kH = 180;

// Drawn on: not the background. (Where lines of two kinds lie on one
// another, which colour is on top may differ.)
bool Drawn(const QImage& im, int x, int y) {
  const QColor c(im.pixel(x, y));
  const int b = int(std::lround(kPlaneBackground * 255));
  return std::abs(c.red() - b) + std::abs(c.green() - b) + std::abs(c.blue() - b) > 30;
}

// Pixels drawn on in one picture and nowhere within `slack` pixels in the other.
int Unmatched(const QImage& a, const QImage& b, int slack) {
  auto lit = Drawn;
  int unmatched = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if (!lit(a, x, y)) continue;
      bool found = false;
      for (int dy = -slack; dy <= slack && !found; ++dy)
        for (int dx = -slack; dx <= slack && !found; ++dx) {
          const int u = x + dx, v = y + dy;
          found = u >= 0 && v >= 0 && u < b.width() && v < b.height() && lit(b, u, v);
        }
      unmatched += !found;
    }
  return unmatched;
}

int Lit(const QImage& im) {
  int n = 0;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) n += Drawn(im, x, y);
  return n;
}

class PlaneViewFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
    bench::BuildBenchLevel(e, 4, 2);
    // A slanted square and a portal besides the rooms' axis-aligned quads.
    TSector* room = e.Tree.First();
    TSector* slanted = test::AddQuad(e, room, {80, 30, 80});
    slanted->Vertices[0].Position = {120, 70, 60};
    test::AddPortal(e, room, {80, 30, 0});
    // No grid and no symbols: only the outlines are compared.
    o.ShowGrid = false;
    Vector min, max;
    e.Tree.Walk([&](TSector* n) {
      if (n->NodeType == kSector) e.SelectionList.push_back(n);
    });
    SelectionBox(e, &min, &max);
    e.SelectionList.clear();
    std::vector<TSector*> lights;  // no light symbols in the picture
    e.Tree.Walk([&](TSector* n) {
      if (n->NodeType == kLight) lights.push_back(n);
    });
    for (TSector* l : lights) e.Tree.Remove(l);
    for (PlaneView& v : views) {
      v.SetSize(kW, kH);
      v.Frame(min, max, 4);
    }
    e.CameraPosition = {-1000, -1000, -1000};  // the camera marker out of the picture
    e.StartPosition = {-1000, -1000, -1000};
  }
  QImage Frame(PlaneView& v, PlaneViewScene& scene) {
    DrawPlaneFrame(e, v, o, scene, std::nullopt, kW, kH);
    return gl.Image();
  }

  test::OffscreenGl gl{kW, kH};
  Editor e;
  ViewOptions o;
  PlaneView views[3] = {PlaneView(PlaneKind::kTop), PlaneView(PlaneKind::kFront),
                        PlaneView(PlaneKind::kSide)};
};

TEST_F(PlaneViewFrames, MergedLinesCoverWhatTheEdgesDo) {
  MergedOutlines merged(e);
  ImmediateOutlines each;
  for (PlaneView& v : views) {
    const QImage reference = Frame(v, each);
    const QImage fast = Frame(v, merged);
    ASSERT_GT(Lit(reference), 300) << PlaneName(v.Kind());
    // Where segments join, a line drawn whole may take the neighbouring pixel.
    EXPECT_EQ(Unmatched(reference, fast, 1), 0) << PlaneName(v.Kind());
    EXPECT_EQ(Unmatched(fast, reference, 1), 0) << PlaneName(v.Kind());
    const PlaneLineSet set = BuildPlaneLines(e.Tree, v.Axes(), o, {});
    EXPECT_LT(set.Count() * 3, set.edges) << PlaneName(v.Kind());
  }
}

TEST_F(PlaneViewFrames, ADraggedRoomIsDrawnWhereItIsAtEveryStep) {
  MergedOutlines merged(e);
  ImmediateOutlines each;
  PlaneView& top = views[0];
  PlaneMouse mouse(e, top);
  TSector* room = e.Tree.First();
  for (const auto& n : room->Children) e.SelectionList.push_back(n.get());
  const PixelPoint at = top.ToPixel(room->Children.front()->Vertices[0].Position);
  mouse.Down(MouseButton::kLeft, {}, at.x, at.y, o);
  for (int step = 1; step <= 3; ++step) {
    mouse.Move({false, true}, at.x + 9 * step, at.y + 4 * step, o);
    EXPECT_FALSE(merged.Cache().Moving().empty());
    const QImage fast = Frame(top, merged);
    EXPECT_EQ(Unmatched(Frame(top, each), fast, 1), 0) << step;
    EXPECT_EQ(Unmatched(fast, Frame(top, each), 1), 0) << step;
  }
  mouse.Up(MouseButton::kLeft, {false, true}, at.x + 27, at.y + 12, o);
  EXPECT_EQ(Unmatched(Frame(top, each), Frame(top, merged), 1), 0);
  EXPECT_TRUE(merged.Cache().Moving().empty());
}

TEST_F(PlaneViewFrames, GridWallAndSymbolWhereTheyBelong) {
  Editor small;
  small.NewScene();
  TSector* room = test::AddSector(small, nullptr);
  test::AddQuad(small, room, {0, 0, 0});  // upright in z = 0: from above a line
  TSector* light = test::AddLight(small, room, {40, 0, 40});
  light->Color[1] = light->Color[2] = 0;
  small.CameraPosition = {1000, 0, 1000};
  ViewOptions with_grid;
  MergedOutlines merged(small);
  PlaneView top(PlaneKind::kTop);
  top.SetSize(kW, kH);  // one pixel a unit, the origin in the middle
  DrawPlaneFrame(small, top, with_grid, merged, std::nullopt, kW, kH);
  const QImage im = gl.Image();
  auto at = [&](const Vector& p, int dx = 0, int dy = 0) {
    const PixelPoint px = top.ToPixel(p);
    return QColor(im.pixel(int(px.x) + dx, int(px.y) + dy));
  };
  const int background = int(std::lround(kPlaneBackground * 255));
  EXPECT_EQ(at({10, 0, 10}).red(), background);
  EXPECT_GT(at({20, 0, 10}).red(), background);            // a grid line every 20 units
  EXPECT_GT(at({0, 0, 10}).red(), at({20, 0, 10}).red());  // the axis stronger
  EXPECT_EQ(at({10, 0, 0}).red(), 255);                    // the square, edge on
  EXPECT_LT(at({-35, 0, 0}).red(), 255);                   // beyond its corner only the axis
  EXPECT_EQ(at(light->Position, 4, 0).red(), 255);         // the light's red ring
  EXPECT_EQ(at(light->Position, 4, 0).green(), 0);
}

}  // namespace
}  // namespace qx

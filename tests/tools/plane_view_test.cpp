// The mapping of the plan and elevation views: axes and signs, zoom about the
// mouse, pan, framing, the clip matrix the render layer loads, and the grid.

#include "tools/plane_view.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qx {
namespace {

PlaneView Sized(PlaneKind kind, int w = 200, int h = 100) {
  PlaneView v(kind);
  v.SetSize(w, h);
  return v;
}

void ExpectPixel(const PlaneView& v, const Vector& p, double x, double y) {
  const PixelPoint px = v.ToPixel(p);
  EXPECT_DOUBLE_EQ(px.x, x) << PlaneName(v.Kind());
  EXPECT_DOUBLE_EQ(px.y, y) << PlaneName(v.Kind());
}

TEST(PlaneView, AxesSignsAndDepth) {
  // "Oben": x right, z down, y toward the viewer.
  const PlaneView top = Sized(PlaneKind::kTop);
  ExpectPixel(top, {10, 99, 20}, 110.5, 70.5);  // the centre on pixel (100, 50)'s middle
  EXPECT_EQ(top.Depth({0, 5, 0}), 5);
  // "Vorne": x right, y up, z toward the viewer (it looks along -z).
  const PlaneView front = Sized(PlaneKind::kFront);
  ExpectPixel(front, {10, 20, 99}, 110.5, 30.5);
  EXPECT_EQ(front.Depth({0, 0, 5}), 5);
  // "Seite": z right, y up, looking along +x: smaller x is nearer.
  const PlaneView side = Sized(PlaneKind::kSide);
  ExpectPixel(side, {99, 20, 10}, 110.5, 30.5);
  EXPECT_EQ(side.Depth({5, 0, 0}), -5);

  EXPECT_STREQ(PlaneName(PlaneKind::kTop), "Oben");
  EXPECT_STREQ(PlaneName(PlaneKind::kFront), "Vorne");
  EXPECT_STREQ(PlaneName(PlaneKind::kSide), "Seite");
  EXPECT_EQ(AxisLetter(top.Axes().v), 'Z');
  EXPECT_EQ(AxisLetter(side.Axes().h), 'Z');
}

TEST(PlaneView, WorldUnderAPixelAndOffsets) {
  for (PlaneKind kind : {PlaneKind::kTop, PlaneKind::kFront, PlaneKind::kSide}) {
    PlaneView v = Sized(kind);
    v.ZoomAbout(37, 81, 3.0);
    v.Pan(-13, 7);
    const Vector across{-7, 11, 23};
    const Vector w = v.ToWorld(150, 20, across);
    const PixelPoint back = v.ToPixel(w);
    EXPECT_NEAR(back.x, 150, 1e-4);
    EXPECT_NEAR(back.y, 20, 1e-4);
    // The coordinate across the view is the one given.
    EXPECT_EQ(AxisComponent(w, v.Axes().depth), AxisComponent(across, v.Axes().depth));
    // An offset of pixels moves a point by as many pixels and nothing across.
    const Vector d = v.PixelOffset(30, -12);
    EXPECT_EQ(AxisComponent(d, v.Axes().depth), 0);
    const Vector moved = VectorAdd(w, d);
    EXPECT_NEAR(v.ToPixel(moved).x, 180, 1e-3);
    EXPECT_NEAR(v.ToPixel(moved).y, 8, 1e-3);
  }
}

TEST(PlaneView, ZoomKeepsThePointUnderTheMouseAndStaysInItsLimits) {
  PlaneView v = Sized(PlaneKind::kFront, 400, 300);
  const Vector under = v.ToWorld(310, 40, {});
  v.ZoomAbout(310, 40, 2.5);
  EXPECT_DOUBLE_EQ(v.Scale(), 2.5);
  EXPECT_NEAR(v.ToPixel(under).x, 310, 1e-9);
  EXPECT_NEAR(v.ToPixel(under).y, 40, 1e-9);
  // A wheel notch away from the user zooms in by 1.25, toward by 1 / 1.25.
  v.Wheel(310, 40, 120);
  EXPECT_DOUBLE_EQ(v.Scale(), 2.5 * 1.25);
  v.Wheel(310, 40, -240);
  EXPECT_NEAR(v.Scale(), 2.5 / 1.25, 1e-12);
  EXPECT_NEAR(v.ToPixel(under).x, 310, 1e-6);
  for (int i = 0; i < 100; ++i) v.Wheel(0, 0, 120);
  EXPECT_EQ(v.Scale(), kMaxPlaneScale);
  for (int i = 0; i < 100; ++i) v.Wheel(0, 0, -120);
  EXPECT_EQ(v.Scale(), kMinPlaneScale);
  // Nonsense factors change nothing.
  v.ZoomAbout(1, 1, 0);
  v.ZoomAbout(1, 1, NAN);
  EXPECT_EQ(v.Scale(), kMinPlaneScale);
}

TEST(PlaneView, PanMovesThePictureWithTheMouse) {
  PlaneView v = Sized(PlaneKind::kTop);
  v.ZoomAbout(100, 50, 2);
  const Vector p{12, 0, -8};
  const PixelPoint before = v.ToPixel(p);
  v.Pan(15, -9);
  EXPECT_NEAR(v.ToPixel(p).x, before.x + 15, 1e-9);
  EXPECT_NEAR(v.ToPixel(p).y, before.y - 9, 1e-9);
}

TEST(PlaneView, FrameFillsTheViewWithTheBox) {
  PlaneView v = Sized(PlaneKind::kFront, 300, 200);
  v.Frame({-50, 0, 7}, {50, 20, 9}, 25);
  // 100 wide into 250 pixels, 20 high into 150: the width decides.
  EXPECT_DOUBLE_EQ(v.Scale(), 2.5);
  EXPECT_NEAR(v.ToPixel({0, 10, 0}).x, 150.5, 1e-9);
  EXPECT_NEAR(v.ToPixel({0, 10, 0}).y, 100.5, 1e-9);
  EXPECT_NEAR(v.ToPixel({-50, 0, 0}).x, 25.5, 1e-9);
  // A box with no extent in the view (a light seen alone) is only centred.
  v.Frame({4, 4, -100}, {4, 4, 100}, 25);
  EXPECT_DOUBLE_EQ(v.Scale(), 2.5);
  EXPECT_NEAR(v.ToPixel({4, 4, 0}).x, 150.5, 1e-9);
  // A huge box zooms out only as far as the limit; NaN changes nothing.
  v.Frame({-1e9, 0, 0}, {1e9, 0, 0}, 25);
  EXPECT_EQ(v.Scale(), kMinPlaneScale);
  v.Frame({NAN, 0, 0}, {1, 1, 1}, 25);
  EXPECT_EQ(v.Scale(), kMinPlaneScale);
}

TEST(PlaneView, ClipMatrixAgreesWithThePixels) {
  for (PlaneKind kind : {PlaneKind::kTop, PlaneKind::kFront, PlaneKind::kSide}) {
    PlaneView v = Sized(kind, 320, 240);
    v.ZoomAbout(60, 200, 1.7);
    v.Pan(33, -21);
    double m[16];
    v.ClipMatrix(m);
    for (const Vector& p : {Vector{0, 0, 0}, Vector{120, -40, 33}, Vector{-70, 55, -300}}) {
      double c[4];
      for (int r = 0; r < 4; ++r) c[r] = m[r] * p.x + m[4 + r] * p.y + m[8 + r] * p.z + m[12 + r];
      ASSERT_EQ(c[3], 1);
      const PixelPoint px = v.ToPixel(p);
      EXPECT_NEAR((c[0] + 1) / 2 * 320, px.x, 1e-6) << PlaneName(kind);
      EXPECT_NEAR((1 - c[1]) / 2 * 240, px.y, 1e-6) << PlaneName(kind);
      EXPECT_NEAR(c[2], -v.Depth(p) / kPlaneDepthRange, 1e-15);
      // Given in view coordinates, the same point lands on the same pixel.
      double vm[16];
      v.ViewCoordinateClipMatrix(vm);
      const double hv[2] = {v.H(p), v.V(p)};
      EXPECT_NEAR((vm[0] * hv[0] + vm[12] + 1) / 2 * 320, px.x, 1e-6);
      EXPECT_NEAR((1 - (vm[5] * hv[1] + vm[13])) / 2 * 240, px.y, 1e-6);
    }
  }
}

TEST(PlaneView, GridThinsOutToEightPixels) {
  PlaneView v = Sized(PlaneKind::kFront);
  PlaneGrid g = ComputePlaneGrid(v, 20);
  EXPECT_EQ(g.spacing, 20);
  // 200 x 100 pixels around the origin at one pixel per unit: -100.5 .. 99.5 across.
  EXPECT_EQ(g.first_h, -5);
  EXPECT_EQ(g.last_h, 4);
  EXPECT_EQ(g.first_v, -2);
  EXPECT_EQ(g.last_v, 2);
  EXPECT_TRUE(StrongGridLine(0));
  EXPECT_TRUE(StrongGridLine(-10));
  EXPECT_FALSE(StrongGridLine(-9));
  // At 0.3 pixels per unit 20 units are 6 pixels: ten times coarser.
  v.ZoomAbout(100, 50, 0.3);
  EXPECT_EQ(ComputePlaneGrid(v, 20).spacing, 200);
  // 0.4: exactly 8 pixels stays.
  PlaneView eight = Sized(PlaneKind::kFront);
  eight.ZoomAbout(100, 50, 0.4);
  EXPECT_EQ(ComputePlaneGrid(eight, 20).spacing, 20);
  // Over the whole zoom range lines stay 8 pixels or more apart, and are never thinned more than needed.
  for (double s = kMinPlaneScale; s <= kMaxPlaneScale; s *= 1.37) {
    PlaneView z = Sized(PlaneKind::kTop);
    z.ZoomAbout(0, 0, s);
    for (int size : {1, 7, 20, 500}) {
      const PlaneGrid zg = ComputePlaneGrid(z, size);
      EXPECT_GE(zg.spacing * z.Scale(), kMinGridPixels);
      if (zg.spacing > size) {
        EXPECT_LT(zg.spacing / 10 * z.Scale(), kMinGridPixels);
      }
      EXPECT_LE(zg.last_h - zg.first_h + 1, 200 / kMinGridPixels + 1);
    }
  }
  // No grid for a grid size below 1, nor where the indices would not fit.
  EXPECT_TRUE(ComputePlaneGrid(v, 0).Empty());
  PlaneView far = Sized(PlaneKind::kTop);
  far.CenterOn({3e20f, 0, 0});
  EXPECT_TRUE(ComputePlaneGrid(far, 1).Empty());
}

}  // namespace
}  // namespace qx

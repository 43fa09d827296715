// Block proofs against the per-texel shadow test: whatever a proof claims for
// a block must be what the per-texel test says for every texel in it.
#include "lighting/shadow_proof.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "lighting/shadow_search.h"

namespace qx {
namespace {

Vector Scaled(Vector v, double s) {
  return VectorScale(v, s);
}

// A lightmap frame, a caster and a light, with the texel points computed as the baker does.
struct Scene {
  Vector o, e1, e2;
  int w = 8, h = 8;
  Vector a, b, c, light;

  Vector At(double cx, double cy) const {
    return VectorAdd(VectorAdd(o, Scaled(e2, cy / h)), Scaled(e1, cx / w));
  }
  // The plain test: side test on the corners, then the angle sum at the ray's hit.
  bool Shadowed(int x, int y) const {
    Caster caster;
    caster.a = a, caster.b = b, caster.c = c;
    caster.n = PlaneFromPoints(a, b, c).normal;
    caster.regular = false;  // no box shortcut: just what the plain computation does
    const ShadowCandidate cand{&caster, ClassifyPoint(light, a, caster.n), 0};
    const Vector m = At(x + 0.5, y + 0.5);
    Vector dir = VectorSubtract(light, m);
    VectorNormalize(dir);
    const Vector corners[4] = {At(x, y), At(x + 1, y), At(x, y + 1), At(x + 1, y + 1)};
    return ShadowSearch::CastsShadow(cand, light, VectorNegate(dir), corners);
  }
  BlockVerdict Prove(int x0, int y0, int x1, int y1, bool cover_only = false) const {
    TexelBlock block = WholeLightmap(o, e1, e2, w, h);
    block.x0 = x0, block.y0 = y0, block.x1 = x1, block.y1 = y1;
    const CasterProof proof = MakeCasterProof(a, b, c, PlaneFromPoints(a, b, c).normal);
    return ProveBlock(proof, light, block, cover_only);
  }
};

struct Tally {
  int covers = 0, clear = 0, unknown = 0;
};

// Checks a verdict texel by texel; returns false on the first wrong claim.
::testing::AssertionResult Sound(const Scene& s, int x0, int y0, int x1, int y1, Tally& tally) {
  const BlockVerdict v = s.Prove(x0, y0, x1, y1);
  if (v == BlockVerdict::kUnknown) {
    ++tally.unknown;
    return ::testing::AssertionSuccess();
  }
  (v == BlockVerdict::kCovers ? tally.covers : tally.clear)++;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (s.Shadowed(x, y) != (v == BlockVerdict::kCovers))
        return ::testing::AssertionFailure()
               << (v == BlockVerdict::kCovers ? "claimed covered" : "claimed clear") << " but texel " << x
               << "," << y << " of block " << x0 << "," << y0 << "-" << x1 << "," << y1 << " says otherwise";
  if (v == BlockVerdict::kCovers && s.Prove(x0, y0, x1, y1, true) != BlockVerdict::kCovers)
    return ::testing::AssertionFailure() << "the quick cover check disagrees";
  return ::testing::AssertionSuccess();
}

// Every block of a 2 x 2 split down to single texels.
::testing::AssertionResult AllBlocksSound(const Scene& s, Tally& tally, int x0 = 0, int y0 = 0, int x1 = -1,
                                          int y1 = -1) {
  if (x1 < 0) x1 = s.w, y1 = s.h;
  auto r = Sound(s, x0, y0, x1, y1, tally);
  if (!r || (x1 - x0 == 1 && y1 - y0 == 1)) return r;
  const int xm = x1 - x0 > 1 ? (x0 + x1) / 2 : x1, ym = y1 - y0 > 1 ? (y0 + y1) / 2 : y1;
  for (auto [a, b, c, d] :
       {std::array<int, 4>{x0, y0, xm, ym}, {xm, y0, x1, ym}, {x0, ym, xm, y1}, {xm, ym, x1, y1}})
    if (a < c && b < d)
      if (!(r = AllBlocksSound(s, tally, a, b, c, d))) return r;
  return r;
}

TEST(ShadowProof, RandomScenesNeverContradictThePerTexelTest) {
  std::mt19937 rng(7);
  auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  Tally tally;
  for (int i = 0; i < 400; ++i) {
    SCOPED_TRACE(i);
    Scene s;
    const float far = i % 4 == 0 ? 3000.0f : 0.0f;  // large coordinates: coarse floats
    s.o = {far + real(-40, 40), real(-5, 5), real(-40, 40)};
    s.e1 = {real(20, 60), real(-3, 3), real(-5, 5)};
    s.e2 = {real(-5, 5), real(-3, 3), real(20, 60)};
    s.w = 1 << (i % 5), s.h = 1 << ((i / 5) % 5);
    s.light = {far + real(-80, 80), real(20, 200), real(-80, 80)};
    const Vector mid = {far + real(-60, 60), real(1, 40), real(-60, 60)};
    const float size = real(5, 80);
    s.a = {mid.x + real(-size, size), mid.y + real(-size / 4, size / 4), mid.z + real(-size, size)};
    s.b = {mid.x + real(-size, size), mid.y + real(-size / 4, size / 4), mid.z + real(-size, size)};
    s.c = {mid.x + real(-size, size), mid.y + real(-size / 4, size / 4), mid.z + real(-size, size)};
    ASSERT_TRUE(AllBlocksSound(s, tally));
  }
  EXPECT_GT(tally.covers, 300) << "the proofs do cover blocks";
  EXPECT_GT(tally.clear, 1000) << "and clear them";
}

TEST(ShadowProof, EdgeSweptAcrossTheRaysOfABlock) {
  // A big caster whose edge is moved through the rays into a floor block in
  // steps far finer than a texel: covering and clearing must both stop short
  // of where the per-texel test changes its answer, on either side.
  for (float far : {0.0f, 5000.0f}) {
    Tally tally;
    for (int step = -400; step <= 400; ++step) {
      SCOPED_TRACE(step);
      Scene s;
      s.w = s.h = 16;
      s.o = {far, 0, 0};
      s.e1 = {64, 0, 0};
      s.e2 = {0, 0, 64};
      s.light = {far + 20, 300, 40};
      // The edge x = edge_x of the caster at height 150 sweeps over the block's shadow.
      const float edge_x = far + 10 + 40.0f * step / 400 + 1e-4f * float(step % 7);
      s.a = {edge_x, 150, -500};
      s.b = {edge_x, 150, 500};
      s.c = {edge_x - 1000, 150, 0};
      ASSERT_TRUE(Sound(s, 0, 0, 16, 16, tally));
      ASSERT_TRUE(Sound(s, 4, 4, 8, 8, tally));
      ASSERT_TRUE(Sound(s, 7, 9, 8, 10, tally));
    }
    EXPECT_GT(tally.covers, 100) << far;
    EXPECT_GT(tally.clear, 100) << far;
  }
}

TEST(ShadowProof, CoplanarNeighbourIsClearedOnlyClearOfItsEdge) {
  // A tile in the lit plane beside the lightmap: the rays meet its plane at
  // the texel centres themselves, half a texel from the shared edge.
  Tally tally;
  for (int step = 0; step <= 200; ++step) {
    Scene s;
    s.w = s.h = 16;
    s.o = {0, 0, 0};
    s.e1 = {60, 0, 0};
    s.e2 = {0, 0, 60};
    s.light = {30, 50, 30};
    const float gap = -2.0f + 4.0f * step / 200;  // from overlapping two units to two units away
    s.a = {60 + gap, 0, 0};
    s.b = {60 + gap, 0, 60};
    s.c = {120 + gap, 0, 0};
    ASSERT_TRUE(AllBlocksSound(s, tally)) << gap;
  }
  EXPECT_GT(tally.clear, 200);
}

TEST(ShadowProof, CompactCasterSweptInFineSteps) {
  // An equilateral caster whose edge passes a single texel's ray in steps of
  // a thousandth: just outside the edge the angle sum still comes within 0.001
  // of 2 pi, and the per-texel test calls the texel shadowed there.
  Tally tally;
  int shadowed = 0;
  for (int step = -300; step <= 300; ++step) {
    Scene s;
    s.w = s.h = 8;
    s.o = {0, 0, 0};
    s.e1 = {16, 0, 0};
    s.e2 = {0, 0, 16};
    s.light = {9, 40, 9};  // the ray to texel (4, 4) meets y = 20 at x = z = 9
    const float edge = 9 + 0.001f * step;
    // A flat triangle: every corner about as far from the texel's hit as the
    // edge's ends, so the proof's bound on the arc is close to the truth.
    s.a = {edge, 20, -41};
    s.b = {edge, 20, 59};
    s.c = {edge - 6, 20, 9};
    ASSERT_TRUE(Sound(s, 4, 4, 5, 5, tally)) << step;
    shadowed += s.Shadowed(4, 4);
  }
  EXPECT_GT(tally.clear, 100);
  EXPECT_GT(tally.covers, 100);
  EXPECT_GT(shadowed, 301) << "the angle sum accepts points a little outside";
}

TEST(ShadowProof, LightInATiltedCasterPlane) {
  // The light lies in the plane of a tilted caster, as nearly as floats
  // allow, far from the corner the side test measures from: the side test
  // then hangs on the rounding of that long difference, and where it finds
  // the light on the plane the ray from it meets the caster at the light.
  Tally tally;
  for (int i = 0; i < 400; ++i) {
    Scene s;
    s.w = s.h = 2;
    const Vector a = {-1500, -700, -1300}, b = {1700, 900, -1100}, c = {100, 300, 1900};
    s.a = a, s.b = b, s.c = c;
    const Vector n = PlaneFromPoints(a, b, c).normal;
    // A point of the plane well inside the triangle, nudged along y by whole ulps.
    Vector p = {200.0f + i, 0, 150.0f - i / 2.0f};
    p.y = static_cast<float>(
        (double(n.x) * a.x + double(n.y) * a.y + double(n.z) * a.z - double(n.x) * p.x - double(n.z) * p.z) /
        n.y);
    for (int k = 0; k < i % 9 - 4; ++k) p.y = std::nextafter(p.y, 1e9f);
    for (int k = 0; k > i % 9 - 4; --k) p.y = std::nextafter(p.y, -1e9f);
    s.light = p;
    // A little lightmap beside the light, on one side of the plane or the other.
    const float side = i % 2 ? 3.0f : -3.0f;
    s.o = {p.x + 1, p.y + side * n.y, p.z + 1};
    s.e1 = {2, 0, 0};
    s.e2 = {0, 0, 2};
    ASSERT_TRUE(AllBlocksSound(s, tally)) << i;
  }
  EXPECT_GT(tally.unknown, 1000);
}

TEST(ShadowProof, GrazingRaysFromAFarLight) {
  // A light far away, low over the caster's plane: the hit moves by the
  // direction's rounding times the distance over the grazing cosine.
  Tally tally;
  std::mt19937 rng(3);
  auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  for (int i = 0; i < 300; ++i) {
    Scene s;
    s.w = s.h = 4;
    s.o = {real(-2, 2), 0, real(-2, 2)};
    s.e1 = {4, 0, 0};
    s.e2 = {0, 0, 4};
    const float elevation = real(2, 40);
    s.light = {-20000, elevation, real(-50, 50)};  // rays at about elevation / 20000 to the floor
    const float h = real(0.001f, 0.02f) * elevation;
    // The edge runs across where the ray to the middle of the lightmap meets
    // the caster's height, within a few units, the caster on either side.
    const Vector mid = {s.o.x + 2, 0, s.o.z + 2};
    const float hit_x = mid.x + (s.light.x - mid.x) * (h / s.light.y);
    const float edge = hit_x + real(-1, 1), size = real(3, 40) * (i % 2 ? 1 : -1);
    s.a = {edge, h, mid.z - std::fabs(size)};
    s.b = {edge, h, mid.z + std::fabs(size)};
    s.c = {edge - 2 * size, h, mid.z};
    ASSERT_TRUE(AllBlocksSound(s, tally)) << i;
  }
  EXPECT_GT(tally.covers + tally.clear, 150);
}

TEST(ShadowProof, LightOnTheCasterPlaneIsLeftToThePerTexelTest) {
  Scene s;
  s.w = s.h = 4;
  s.o = {0, 0, 0};
  s.e1 = {40, 0, 0};
  s.e2 = {0, 0, 40};
  s.a = {-100, 20, -100};
  s.b = {100, 20, -100};
  s.c = {0, 20, 200};
  s.light = {20, 20, 20};
  Tally tally;
  ASSERT_TRUE(AllBlocksSound(s, tally));
  EXPECT_EQ(tally.covers + tally.clear, 0);
}

TEST(ShadowProof, TexelCornersOnTheCasterPlane) {
  // A caster plane through a row of texel corners: the side test then hangs on
  // rounding for those corners, while the other corners decide.
  Tally tally;
  for (int row = 0; row <= 8; ++row) {
    Scene s;
    s.w = s.h = 8;
    s.o = {0.3f, 0, 0.7f};
    s.e1 = {24, 0, 0};
    s.e2 = {0, 0, 24};
    s.light = {12, 40, -30};
    const float z = 0.7f + 3.0f * row;
    s.a = {-100, 0, z};
    s.b = {100, 100, z};
    s.c = {100, 0, z};  // the plane z = const, standing on the floor
    ASSERT_TRUE(AllBlocksSound(s, tally)) << row;
  }
  EXPECT_GT(tally.clear, 20);
}

TEST(ShadowProof, UnusableCastersProveNothing) {
  Scene s;
  s.o = {0, 0, 0}, s.e1 = {10, 0, 0}, s.e2 = {0, 0, 10};
  s.light = {5, 50, 5};
  s.a = {0, 10, 0}, s.b = {10, 10, 0}, s.c = {20, 10, 0};  // no area
  EXPECT_EQ(s.Prove(0, 0, 8, 8), BlockVerdict::kUnknown);
  s.c = {5, 10, 1e-4f};  // a sliver
  EXPECT_EQ(s.Prove(0, 0, 8, 8), BlockVerdict::kUnknown);
  s.a = {-50, 10, -50}, s.b = {50, 10, -50}, s.c = {0, 10, 60};
  s.light = {NAN, 50, 5};
  EXPECT_EQ(s.Prove(0, 0, 8, 8), BlockVerdict::kUnknown);
  s.light = {5, 50, 5};
  EXPECT_EQ(s.Prove(0, 0, 8, 8), BlockVerdict::kCovers) << "the same caster, usable";
}

}  // namespace
}  // namespace qx

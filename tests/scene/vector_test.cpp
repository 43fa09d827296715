#include "scene/vector.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qx {
namespace {

TEST(WrapAngle, AppliesEachCorrectionOnce) {
  struct Case {
    float in, out;
  } cases[] = {{700, 340}, {730, 370}, {-30, 330}, {-400, -40}, {360, 360}, {360.5f, 0.5f}, {0, 0}};
  for (auto c : cases) {
    float a = c.in;
    WrapAngle(a);
    EXPECT_FLOAT_EQ(a, c.out) << c.in;
  }
  float negative_zero = -0.0f;
  WrapAngle(negative_zero);
  EXPECT_TRUE(std::signbit(negative_zero)) << "-0 is >= 0 and stays";
  float nan = NAN;
  WrapAngle(nan);
  EXPECT_TRUE(std::isnan(nan));
}

TEST(PlaneFromPoints, NormalFollowsWinding) {
  const Vector a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0};
  Plane p = PlaneFromPoints(a, b, c);
  EXPECT_EQ(p.normal, (Vector{0, 0, 1}));
  EXPECT_EQ(p.distance, 0.0f);
  p = PlaneFromPoints(a, c, b);
  EXPECT_EQ(p.normal, (Vector{0, 0, -1}));
  p = PlaneFromPoints({0, 0, 5}, {1, 0, 5}, {0, 1, 5});
  EXPECT_FLOAT_EQ(p.distance, 5.0f);
}

TEST(PlaneFromPoints, DegenerateGivesNaN) {
  Plane p = PlaneFromPoints({1, 1, 1}, {2, 2, 2}, {3, 3, 3});
  EXPECT_TRUE(std::isnan(p.normal.x) && std::isnan(p.normal.y) && std::isnan(p.normal.z));
  EXPECT_TRUE(std::isnan(p.distance));
}

TEST(RayPlaneIntersect, ParallelAndHit) {
  const Vector n{0, 0, 1}, q{0, 0, 0};
  EXPECT_EQ(RayPlaneIntersect({0, 0, 5}, {1, 0, 0}, q, n), -1.0f);
  EXPECT_FLOAT_EQ(RayPlaneIntersect({0, 0, 5}, {0, 0, -1}, q, n), 5.0f);
  EXPECT_FLOAT_EQ(RayPlaneIntersect({0, 0, 5}, {0, 0, -2}, q, n), 2.5f);
  EXPECT_FLOAT_EQ(RayPlaneIntersect({0, 0, 5}, {0, 0, 5}, q, n), -1.0f) << "behind the origin";
}

TEST(ClassifyPoint, SignsWithoutTolerance) {
  const Vector q{0, 0, 0}, n{0, 0, 1};
  EXPECT_EQ(ClassifyPoint({3, 4, 0}, q, n), 0.0f);
  EXPECT_EQ(ClassifyPoint({0, 0, 1}, q, n), 1.0f);
  EXPECT_EQ(ClassifyPoint({0, 0, -1}, q, n), -1.0f);
  EXPECT_EQ(ClassifyPoint({0, 0, 1e-30f}, q, n), 1.0f) << "no tolerance, no underflow to 0";
}

TEST(PointInTriangle, AngleSum) {
  const Vector a{0, 0, 0}, b{3, 0, 0}, c{0, 3, 0};
  EXPECT_TRUE(PointInTriangle({1, 1, 0}, a, b, c));
  EXPECT_FALSE(PointInTriangle({3, 3, 0}, a, b, c));
  EXPECT_TRUE(PointInTriangle({1, 1, 0.0001f}, a, b, c)) << "just off the plane still inside the tolerance";
  EXPECT_FALSE(PointInTriangle({1, 1, 0.5f}, a, b, c));
  // At a corner the NaN direction counts as angle pi twice, plus the corner's own angle: outside.
  EXPECT_FALSE(PointInTriangle(a, a, b, c));
}

TEST(VectorHelpers, StoreFloatComputeDouble) {
  Vector v{3, 4, 0};
  EXPECT_EQ(VectorLength(v), 5.0f);
  Vector out = VectorNormalize(v);
  EXPECT_EQ(v, out);
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  Vector z{0, 0, 0};
  VectorNormalize(z);
  EXPECT_TRUE(std::isnan(z.x));
  Vector s{1, 2, 3};
  VectorScale(s, 2);
  EXPECT_EQ(s, (Vector{2, 4, 6}));
  // The sum 1 + 2^-30 is exact in double but rounds back to 1 when stored.
  EXPECT_EQ(VectorAdd({1, 0, 0}, {std::ldexp(1.0f, -30), 0, 0}).x, 1.0f);
  EXPECT_EQ(VectorCross({1, 0, 0}, {0, 1, 0}), (Vector{0, 0, 1}));
  EXPECT_EQ(VectorNegate({1, -2, 3}), (Vector{-1, 2, -3}));
  EXPECT_FLOAT_EQ(DegToRad(180), static_cast<float>(kPi));
}

}  // namespace
}  // namespace qx

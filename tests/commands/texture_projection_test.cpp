#include "commands/texture_projection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace qx {
namespace {

// A quad in the zig-zag order of a new square: 0 and 1 the top edge, 2 and 3
// the bottom edge, 0 and 2 one side.
std::unique_ptr<TSector> Quad(Vector p0, Vector p1, Vector p2, Vector p3) {
  auto q = std::make_unique<TSector>();
  q->NodeType = kPolygon;
  q->VertexCount = 4;
  q->Vertices.resize(4);
  const Vector p[4] = {p0, p1, p2, p3};
  for (int i = 0; i < 4; ++i) q->Vertices[size_t(i)].Position = p[i];
  return q;
}

// A wall standing on the line from (xa, za) to (xb, zb), from y 0 to h.
std::unique_ptr<TSector> Wall(float xa, float za, float xb, float zb, float h = 60) {
  return Quad({xb, h, zb}, {xa, h, za}, {xb, 0, zb}, {xa, 0, za});
}

// Equal modulo whole repeats.
::testing::AssertionResult SameRepeat(float a, float b) {
  const double d = double(a) - b;
  if (std::fabs(d - std::round(d)) <= 1e-4) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << a << " and " << b << " differ by " << d;
}

// The texture coordinate at world point p as drawn: interpolated over the
// triangle of the quad (0-1-2 or 3-2-1) that holds it, in plane coordinates.
std::array<double, 2> TexAt(const TSector& q, const Vector& p) {
  const Vector n = QuadNormal(QuadCorners(q));
  const auto at = [&](int i) { return TexturePlaneCoordinates(n, q.Vertices[size_t(i)].Position); };
  const auto pp = TexturePlaneCoordinates(n, p);
  for (const auto& tri : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{3, 2, 1}}) {
    const auto a = at(tri[0]), b = at(tri[1]), c = at(tri[2]);
    const double det = (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
    const double s = ((pp[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (pp[1] - a[1])) / det;
    const double t = ((b[0] - a[0]) * (pp[1] - a[1]) - (pp[0] - a[0]) * (b[1] - a[1])) / det;
    if (s < -1e-6 || t < -1e-6 || s + t > 1 + 1e-6) continue;
    std::array<double, 2> uv{};
    for (int k = 0; k < 2; ++k) {
      const double ta = q.Vertices[size_t(tri[0])].TexCoord[k];
      uv[size_t(k)] = ta + s * (q.Vertices[size_t(tri[1])].TexCoord[k] - ta) +
                      t * (q.Vertices[size_t(tri[2])].TexCoord[k] - ta);
    }
    return uv;
  }
  ADD_FAILURE() << "point outside the quad";
  return {};
}

TextureProjection RandomProjection(std::mt19937& rng) {
  std::uniform_real_distribution<float> off(-3, 3), scale(8, 200), angle(-179, 180);
  TextureProjection p{off(rng), off(rng), scale(rng), scale(rng), angle(rng)};
  if (rng() % 4 == 0) p.RotationDegrees = float(90 * int(rng() % 4) - 90);  // -90, 0, 90, 180
  return p;
}

// Rooms of every size on and off the grid, walls wound either way (a room
// seen from inside or a pillar seen from outside), any common projection:
// every wall meets both neighbours with equal coordinates at the shared edge,
// and two halves of one wall continue each other.
TEST(TextureProjectionTest, WallsMeetWithoutSeamAtEveryCornerAndAlongAWall) {
  std::mt19937 rng(27);
  std::uniform_real_distribution<float> coord(-500, 500);
  for (int round = 0; round < 200; ++round) {
    float x0 = coord(rng), x1 = coord(rng), z0 = coord(rng), z1 = coord(rng);
    if (round % 2 == 0) {  // on the grid of 20, where a pure axis projection fails most corners
      x0 = 20 * std::round(x0 / 20), x1 = 20 * std::round(x1 / 20);
      z0 = 20 * std::round(z0 / 20), z1 = 20 * std::round(z1 / 20);
    }
    if (x0 == x1 || z0 == z1) continue;
    const TextureProjection proj = RandomProjection(rng);
    // Corners in order round the room; wall i runs from corner i to corner i+1.
    std::array<std::array<float, 2>, 4> c = {{{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}}};
    if (round % 3 == 0) std::swap(c[1], c[3]);
    std::vector<std::unique_ptr<TSector>> walls;
    for (int i = 0; i < 4; ++i) {
      const auto& a = c[size_t(i)];
      const auto& b = c[size_t((i + 1) % 4)];
      walls.push_back(Wall(a[0], a[1], b[0], b[1]));
      ProjectTextureCoordinates(*walls.back(), proj);
    }
    for (int i = 0; i < 4; ++i) {
      const TSector& w = *walls[size_t(i)];
      const TSector& next = *walls[size_t((i + 1) % 4)];
      // The end of wall i (vertices 0 top, 2 bottom) is the start of wall i+1 (1 top, 3 bottom).
      for (auto [mine, theirs] : {std::pair{0, 1}, std::pair{2, 3}}) {
        ASSERT_EQ(w.Vertices[size_t(mine)].Position, next.Vertices[size_t(theirs)].Position);
        for (int k = 0; k < 2; ++k)
          EXPECT_TRUE(
              SameRepeat(w.Vertices[size_t(mine)].TexCoord[k], next.Vertices[size_t(theirs)].TexCoord[k]))
              << "round " << round << " wall " << i;
      }
    }
    // Wall 0 cut in two at some point: both halves and the whole agree.
    const float t = std::uniform_real_distribution<float>(0.1f, 0.9f)(rng);
    const float mx = c[0][0] + t * (c[1][0] - c[0][0]), mz = c[0][1] + t * (c[1][1] - c[0][1]);
    auto left = Wall(c[0][0], c[0][1], mx, mz), right = Wall(mx, mz, c[1][0], c[1][1]);
    ProjectTextureCoordinates(*left, proj);
    ProjectTextureCoordinates(*right, proj);
    for (int k = 0; k < 2; ++k) {
      EXPECT_TRUE(SameRepeat(left->Vertices[0].TexCoord[k], right->Vertices[1].TexCoord[k]));
      EXPECT_TRUE(SameRepeat(left->Vertices[1].TexCoord[k], walls[0]->Vertices[1].TexCoord[k]));
      EXPECT_TRUE(SameRepeat(right->Vertices[2].TexCoord[k], walls[0]->Vertices[2].TexCoord[k]));
    }
  }
}

// A floor reads upright from the default camera, and a new square's
// coordinates are already the default projection.
TEST(TextureProjectionTest, FloorAxesAndTheNewSquare) {
  auto floor = Quad({60, 0, -60}, {0, 0, -60}, {60, 0, 0}, {0, 0, 0});
  ProjectTextureCoordinates(*floor);
  EXPECT_FLOAT_EQ(floor->Vertices[0].TexCoord[0], 1);  // +x: u up
  EXPECT_FLOAT_EQ(floor->Vertices[0].TexCoord[1], 1);  // -z: v up
  EXPECT_FLOAT_EQ(floor->Vertices[3].TexCoord[0], 0);
  EXPECT_FLOAT_EQ(floor->Vertices[3].TexCoord[1], 0);

  // A square as "Quadrat" makes it, at z = 20.
  auto square = Quad({70, 30, 20}, {10, 30, 20}, {70, -30, 20}, {10, -30, 20});
  const float fresh[4][2] = {{1, 1}, {0, 1}, {1, 0}, {0, 0}};
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 2; ++k) square->Vertices[size_t(i)].TexCoord[k] = fresh[i][k];
  const auto p = ReadTextureProjection(*square);
  ASSERT_TRUE(p);
  EXPECT_FLOAT_EQ(p->ScaleU, 60);
  EXPECT_FLOAT_EQ(p->ScaleV, 60);
  EXPECT_EQ(p->RotationDegrees, 0);
  ProjectTextureCoordinates(*square, *p);
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 2; ++k) EXPECT_NEAR(square->Vertices[size_t(i)].TexCoord[k], fresh[i][k], 1e-6);
}

// Every projection reads back as itself, on walls, floors and tilted quads;
// coordinates that are no projection read as none.
TEST(TextureProjectionTest, ReadBackRoundTripsAndRefusesOtherCoordinates) {
  std::mt19937 rng(4);
  std::uniform_real_distribution<float> coord(-300, 300);
  const std::vector<std::array<Vector, 4>> shapes = {
      {{{100, 80, 7}, {-20, 80, 7}, {100, 0, 7}, {-20, 0, 7}}},        // wall facing z
      {{{40, 60, 90}, {40, 60, -10}, {40, -20, 90}, {40, -20, -10}}},  // wall facing x
      {{{30, 5, -40}, {-50, 5, -40}, {30, 5, 60}, {-50, 5, 60}}},      // floor
      {{{60, 40, 60}, {0, 40, 0}, {60, 0, 60}, {0, 0, 0}}},            // diagonal wall
      {{{60, 10, -60}, {0, 10, -60}, {60, 0, 0}, {0, 0, 0}}},          // gentle ramp
  };
  for (int round = 0; round < 100; ++round) {
    const auto& s = shapes[size_t(round) % shapes.size()];
    const Vector shift{coord(rng), coord(rng), coord(rng)};
    auto q =
        Quad(VectorAdd(s[0], shift), VectorAdd(s[1], shift), VectorAdd(s[2], shift), VectorAdd(s[3], shift));
    const TextureProjection proj = RandomProjection(rng);
    ProjectTextureCoordinates(*q, proj);
    const auto back = ReadTextureProjection(*q);
    ASSERT_TRUE(back) << "round " << round;
    EXPECT_NEAR(back->OffsetU, proj.OffsetU, 2e-3);
    EXPECT_NEAR(back->OffsetV, proj.OffsetV, 2e-3);
    EXPECT_NEAR(back->ScaleU, proj.ScaleU, 1e-3 * proj.ScaleU);
    EXPECT_NEAR(back->ScaleV, proj.ScaleV, 1e-3 * proj.ScaleV);
    EXPECT_NEAR(back->RotationDegrees, proj.RotationDegrees, 1e-2);
  }

  auto trapezoid = Quad({90, 60, 0}, {-30, 60, 0}, {60, 0, 0}, {0, 0, 0});
  const float fitted[4][2] = {{1, 1}, {0, 1}, {1, 0}, {0, 0}};
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 2; ++k) trapezoid->Vertices[size_t(i)].TexCoord[k] = fitted[i][k];
  EXPECT_FALSE(ReadTextureProjection(*trapezoid));
  auto sheared = Wall(0, 0, 60, 0);
  const float shear[4][2] = {{0, 1}, {1, 1}, {0.5f, 0}, {1.5f, 0}};
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 2; ++k) sheared->Vertices[size_t(i)].TexCoord[k] = shear[i][k];
  EXPECT_FALSE(ReadTextureProjection(*sheared));
}

// The lock: a wall moved along its plane by any distance keeps the texture
// value at every world point it still covers.
TEST(TextureProjectionTest, MovedQuadKeepsItsTextureFixedToTheWorld) {
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> dist(-59, 59);
  for (int round = 0; round < 50; ++round) {
    auto w = Wall(-20, 40, 100, 40, 80);
    const TextureProjection proj = RandomProjection(rng);
    ProjectTextureCoordinates(*w, proj);
    auto before = Wall(-20, 40, 100, 40, 80);
    for (int i = 0; i < 4; ++i)
      for (int k = 0; k < 2; ++k)
        before->Vertices[size_t(i)].TexCoord[k] = w->Vertices[size_t(i)].TexCoord[k];
    const auto old = QuadCorners(*w);
    const float dx = round % 3 == 1 ? 0 : dist(rng) * 2, dy = round % 3 == 2 ? 0 : dist(rng);
    for (TVertex& v : w->Vertices) v.Position = VectorAdd(v.Position, {dx, dy, 0});
    ASSERT_TRUE(ReprojectMovedQuad(*w, old));
    // Points of the overlap of the old and the new place.
    for (int i = 0; i <= 4; ++i)
      for (int j = 0; j <= 4; ++j) {
        const float x = std::max(-20.f, -20 + dx) + (120 - std::fabs(dx)) * float(i) / 4;
        const float y = std::max(0.f, dy) + (80 - std::fabs(dy)) * float(j) / 4;
        const auto now = TexAt(*w, {x, y, 40}), then = TexAt(*before, {x, y, 40});
        EXPECT_NEAR(now[0], then[0], 1e-4) << "round " << round;
        EXPECT_NEAR(now[1], then[1], 1e-4) << "round " << round;
      }
  }
}

}  // namespace
}  // namespace qx

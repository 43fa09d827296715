// The lighting rules, checked on small hand-made scenes through both the
// reference computation and the fast baker.
#include "lighting/lightmap_oracle.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/scene_generator.h"

namespace qx {
namespace {

using test::AddLight;
using test::AddModel;
using test::AddQuad;

using BakeFn = void (*)(Editor&, LightmapSize);
void Reference(Editor& e, LightmapSize s) {
  ComputeLightmapsOracle(e, s);
}
void Fast(Editor& e, LightmapSize s) {
  ASSERT_EQ(ComputeLightmaps(e, s), BakeStatus::kDone);
}

class LightingRules : public ::testing::TestWithParam<BakeFn> {
 protected:
  void Bake(int w = 1, int h = 1) { GetParam()(e, {w, h}); }
  // The square an insert at the origin makes: corners (+-40, +-40, 0), normal +z.
  TSector* Square(TSector* parent = nullptr) {
    if (!parent) parent = Sector();
    return AddQuad(e, parent, {0, 0, 0}, {40, 0, 0}, {0, 40, 0});
  }
  TSector* Sector() {
    if (!sector) {
      sector = e.CreateNode(nullptr, kSector);
      sector->Id = e.NextId();
    }
    return sector;
  }
  std::vector<uint8_t> Texels(size_t index) { return e.LightmapList.at(index).rgb; }
  Editor e;
  TSector* sector = nullptr;
};

INSTANTIATE_TEST_SUITE_P(ReferenceAndFast, LightingRules, ::testing::Values(&Reference, &Fast),
                         [](const auto& info) { return info.index == 0 ? "Reference" : "Fast"; });

TEST_P(LightingRules, NoLightsGivesStartValues) {
  TSector* q = Square();
  q->LightingMode = 0;
  TSector* v = AddQuad(e, Sector(), {0, 0, 50}, {40, 0, 0}, {0, 40, 0});
  v->LightingMode = 1;
  Bake(4, 2);
  ASSERT_EQ(e.LightmapList.size(), 2u) << "only the lightmapped quad gets lightmaps";
  for (const Lightmap& lm : e.LightmapList) {
    EXPECT_EQ(lm.width, 4);
    EXPECT_EQ(lm.height, 2);
    EXPECT_EQ(lm.rgb, std::vector<uint8_t>(24, 90));
  }
  for (TSector* node : {q, v})
    for (const TVertex& vx : node->Vertices) {
      for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(vx.Color[k], 64.0f / 255.0f);
      EXPECT_EQ(vx.Color[3], 1.0f) << "alpha untouched";
    }
}

TEST_P(LightingRules, PointLightFalloffAndRounding) {
  Square();
  TSector* light = AddLight(e, Sector(), {0, 0, 30}, 0, 1);  // distance 30 from the texel centre
  Bake();
  EXPECT_EQ(Texels(0), (std::vector<uint8_t>{255, 255, 255})) << "I = 1, clamped";
  light->Position.z = 60;  // I = 0.25: 90 + 63.75 = 153.75
  light->Color[1] = 2;     // 90 + 0.5 = 90.5 rounds to the even 90
  light->Color[2] = 6;     // 90 + 1.5 = 91.5 rounds to the even 92
  Bake();
  EXPECT_EQ(Texels(0), (std::vector<uint8_t>{154, 90, 92}));
  EXPECT_EQ(Texels(1), Texels(0));
}

TEST_P(LightingRules, FacingRules) {
  TSector* q = Square();
  TSector* light = AddLight(e, Sector(), {0, 0, -30}, 0, 0, {100, 100, 100});
  Bake();
  EXPECT_EQ(Texels(0)[0], 190) << "a point light without shadows lights from behind";
  EXPECT_NEAR(q->Vertices[0].Color[0],
              std::min(255.0, 64 + 100 * 30.0 / (30 * 30 + 40 * 40 + 40 * 40) * 30 * 0.7) / 255, 1e-6);
  light->Shadow = 1;
  Bake();
  EXPECT_EQ(Texels(0)[0], 90) << "with shadows it does not";
  EXPECT_FLOAT_EQ(q->Vertices[0].Color[0], 64.0f / 255.0f);

  light->Kind = 1;  // directional: never through the back, but vertex colours take 0.7 of its colour
  for (uint8_t shadow : {0, 1}) {
    light->Shadow = shadow;
    Bake();
    EXPECT_EQ(Texels(0)[0], 90);
    EXPECT_FLOAT_EQ(q->Vertices[3].Color[1], float((64 + 70) / 255.0));
  }
  light->Position.z = 1000;  // in front: I = 1 whatever the distance
  Bake();
  EXPECT_EQ(Texels(0)[0], 190);
}

TEST_P(LightingRules, HiddenAndNonShadowingNodes) {
  TSector* floor = Square();
  TSector* blocker = AddQuad(e, Sector(), {0, 0, 10}, {60, 0, 0}, {0, 60, 0});
  AddLight(e, Sector(), {0, 0, 30}, 0, 1);
  Bake();
  EXPECT_EQ(Texels(floor->Triangles[0].LightmapIndex)[0], 90) << "shadowed by the blocker";
  EXPECT_EQ(Texels(blocker->Triangles[0].LightmapIndex)[0], 255);

  blocker->NoShadow = 1;
  Bake();
  EXPECT_EQ(Texels(floor->Triangles[0].LightmapIndex)[0], 255)
      << "a NoShadow node is lit but casts no shadow";
  EXPECT_EQ(e.LightmapList.size(), 4u);

  blocker->NoShadow = 0;
  blocker->Visible = 0;
  blocker->Triangles[0].LightmapIndex = 77;
  blocker->Vertices[0].Color[0] = 0.5f;
  Bake();
  EXPECT_EQ(e.LightmapList.size(), 2u);
  EXPECT_EQ(Texels(0)[0], 255) << "an invisible node casts no shadow";
  EXPECT_EQ(blocker->Triangles[0].LightmapIndex, 77) << "and gets nothing";
  EXPECT_EQ(blocker->Vertices[0].Color[0], 0.5f);

  blocker->Visible = 1;
  blocker->LightingMode = 2;  // "keine": not lit, still casts shadows
  Bake();
  EXPECT_EQ(e.LightmapList.size(), 2u);
  EXPECT_EQ(Texels(0)[0], 90);

  const uint32_t own = blocker->Id;  // nodes are told apart by Id: a node never shadows its own Id
  blocker->Id = floor->Id;
  Bake();
  EXPECT_EQ(Texels(0)[0], 255);
  blocker->Id = own;
}

TEST_P(LightingRules, SizeIndicesAndCoordinates) {
  TSector* first = Square();
  TSector* second = AddQuad(e, Sector(), {200, 0, 0}, {40, 0, 0}, {0, 40, 0});
  for (int run = 0; run < 2; ++run) {
    Bake(16, 4);
    ASSERT_EQ(e.LightmapList.size(), 4u);
    EXPECT_EQ(e.LightmapList[3].rgb.size(), 192u);
    EXPECT_EQ(first->Triangles[0].LightmapIndex, 0) << "indices start at 0 on every run";
    EXPECT_EQ(first->Triangles[1].LightmapIndex, 1);
    EXPECT_EQ(second->Triangles[0].LightmapIndex, 2);
    EXPECT_EQ(second->Triangles[1].LightmapIndex, 3);
  }
  // Vertex order (+40,+40), (-40,+40), (+40,-40), (-40,-40); triangle 1 (3, 2, 1) writes last.
  const float expected[4][2] = {{1, 1}, {0, 1}, {1, 0}, {0, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(first->Vertices[i].LightmapCoord[0], expected[i][0]) << i;
    EXPECT_EQ(first->Vertices[i].LightmapCoord[1], expected[i][1]) << i;
  }
}

TEST_P(LightingRules, TexelOrderIsRowsOfU) {
  // Triangle 1 of the square spans u, v over x, y from -40 to 40; a light
  // near (-40, -40) lights texel (0, 0) most, then along the row.
  Square();
  AddLight(e, Sector(), {-40, -40, 5}, 0, 0, {255, 255, 255}, 1, 100);
  Bake(3, 2);
  const std::vector<uint8_t> t = Texels(1);
  ASSERT_EQ(t.size(), 18u);
  EXPECT_GT(t[0], t[3]) << "x = 0 is nearer than x = 1";
  EXPECT_GT(t[3], t[6]);
  EXPECT_GT(t[0], t[9]) << "row 0 is nearer than row 1";
  EXPECT_EQ(t[0], t[1]);
}

TEST_P(LightingRules, SharedVertexKeepsLastTrianglesColour) {
  // Bend the square so the light is in front of triangle 0 and behind triangle 1.
  TSector* q = Square();
  q->Vertices[3].Position.z = 200;
  AddLight(e, Sector(), {-100, -100, 10}, 0, 1, {255, 255, 255}, 100, 100);
  Bake();
  EXPECT_GT(q->Vertices[0].Color[0], 64.0f / 255.0f) << "only triangle 0 uses vertex 0";
  EXPECT_FLOAT_EQ(q->Vertices[1].Color[0], 64.0f / 255.0f) << "triangle 1 wrote last";
  EXPECT_FLOAT_EQ(q->Vertices[2].Color[0], 64.0f / 255.0f);
}

TEST_P(LightingRules, TieBetweenNormalComponentsProjectsAlongX) {
  // A wall at 45 degrees: |n.x| == |n.z|. Projected along x, (u, v) = (y, z).
  TSector* wall = AddQuad(e, Sector(), {0, 0, 0}, {20, 0, 20}, {0, 20, 0});
  Bake(2, 2);
  ASSERT_EQ(std::fabs(wall->Triangles[0].Normal.x), std::fabs(wall->Triangles[0].Normal.z));
  for (const TVertex& v : wall->Vertices) {
    EXPECT_EQ(v.LightmapCoord[0], v.Position.y > 0 ? 1.0f : 0.0f);
    EXPECT_EQ(v.LightmapCoord[1], v.Position.z > 0 ? 1.0f : 0.0f);
  }
}

TEST_P(LightingRules, ZeroAreaTrianglesStayFinite) {
  AddLight(e, Sector(), {5, 30, 5}, 0, 1);
  // Collinear corners (NaN normal), a repeated corner, and an ordinary triangle.
  TSector* m = AddModel(e, Sector(),
                        {{0, 0, 0},
                         {10, 0, 0},
                         {20, 0, 0},  //
                         {0, 0, 0},
                         {0, 0, 0},
                         {0, 10, 0},  //
                         {0, 0, 0},
                         {10, 0, 0},
                         {0, 0, 10}},
                        0);
  m->Triangles[1].V1 = m->Triangles[1].V0;
  Bake(2, 2);
  ASSERT_EQ(e.LightmapList.size(), 3u);
  EXPECT_EQ(e.LightmapList[0].rgb, std::vector<uint8_t>(12, 90));
  EXPECT_EQ(e.LightmapList[1].rgb, std::vector<uint8_t>(12, 90));
  for (const TVertex& v : m->Vertices)
    for (float c : {v.LightmapCoord[0], v.LightmapCoord[1], v.Color[0], v.Color[1], v.Color[2]})
      EXPECT_TRUE(std::isfinite(c));
}

TEST_P(LightingRules, OddLightValuesNeverGiveNaN) {
  TSector* q = Square();
  TSector* neg = AddLight(e, Sector(), {0, 0, 30}, 0, 0, {-1000, 255, 0});
  TSector* nan = AddLight(e, Sector(), {0, 0, 40}, 0, 0, {255, 255, 255}, std::nanf(""), 30);
  Bake();
  EXPECT_EQ(Texels(0), (std::vector<uint8_t>{0, 255, 90})) << "negative colours clamp at 0";
  EXPECT_EQ(q->Vertices[0].Color[0], 0.0f);
  neg->Color[0] = 0;
  nan->Brightness = INFINITY;  // infinite intensity times a colour of 0 adds nothing, times 255 clamps
  nan->Color[2] = 0;
  Bake();
  EXPECT_EQ(Texels(0), (std::vector<uint8_t>{255, 255, 90}));
  for (const TVertex& v : q->Vertices)
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(v.Color[k]));
}

TEST(LightmapOracle, ProgressFollowsThePolygonList) {
  Editor e;
  TSector* s = e.CreateNode(nullptr, kSector);
  for (int i = 0; i < 4; ++i) AddQuad(e, s, {100.0f * i, 0, 0}, {10, 0, 0}, {0, 10, 0});
  e.Tree.TopLevel()[0]->Children[1]->Visible = 0;
  std::vector<int> seen;
  ComputeLightmapsOracle(e, {2, 2}, [&](int p) { seen.push_back(p); });
  EXPECT_EQ(seen, (std::vector<int>{25, 75, 100})) << "the hidden second node shows no 50";
  EXPECT_EQ(LightmapProgressText(50), "Lightmaps: 50%");
}

}  // namespace
}  // namespace qx

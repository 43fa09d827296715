// The fast baker against the reference computation, byte for byte, and the
// baker's own duties: progress, cancel, refusal, texture upload.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

#include "lighting/light_falloff.h"
#include "lighting/light_tree.h"
#include "lighting/lightmap.h"
#include "lighting/lightmap_oracle.h"
#include "support/scene_generator.h"

namespace qx {
namespace {

// Everything a bake writes, as raw bits so that -0 and NaN would show.
struct Outcome {
  std::vector<Lightmap> lightmaps;
  std::vector<int32_t> indices;
  std::vector<uint32_t> coords, colours;
};

uint32_t Bits(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

Outcome Capture(const Editor& e) {
  Outcome o;
  o.lightmaps = e.LightmapList;
  e.Tree.Walk([&](TSector* n) {
    for (const TTriangle& t : n->Triangles) o.indices.push_back(t.LightmapIndex);
    for (const TVertex& v : n->Vertices) {
      for (float c : v.LightmapCoord) o.coords.push_back(Bits(c));
      for (float c : v.Color) o.colours.push_back(Bits(c));
    }
  });
  return o;
}

std::string FirstDifference(const Outcome& a, const Outcome& b) {
  std::ostringstream s;
  if (a.lightmaps.size() != b.lightmaps.size()) return "lightmap count differs";
  for (size_t i = 0; i < a.lightmaps.size(); ++i) {
    const Lightmap& x = a.lightmaps[i];
    const Lightmap& y = b.lightmaps[i];
    if (x.width != y.width || x.height != y.height) return "size of lightmap " + std::to_string(i);
    for (size_t k = 0; k < x.rgb.size(); ++k)
      if (x.rgb[k] != y.rgb[k]) {
        s << "lightmap " << i << " byte " << k << ": " << int(x.rgb[k]) << " vs " << int(y.rgb[k]);
        return s.str();
      }
  }
  if (a.indices != b.indices) return "lightmap indices differ";
  if (a.coords != b.coords) return "lightmap coordinates differ";
  if (a.colours != b.colours) return "vertex colours differ";
  return "";
}

Outcome BakeBoth(const std::function<void(Editor&)>& build, LightmapSize size, uint64_t* queries = nullptr,
                 TexelStats* stats = nullptr) {
  Editor reference, fast;
  build(reference);
  build(fast);
  ComputeLightmapsOracle(reference, size);
  const BakeLists lists = CollectBakeLists(fast.Tree);
  BakeResult result = BakeLightmaps(lists, size);
  EXPECT_EQ(result.status, BakeStatus::kDone);
  if (queries) *queries = result.shadow_queries;
  if (stats) *stats = result.stats;
  ApplyBakeResult(fast, std::move(result), nullptr);
  const Outcome a = Capture(reference), b = Capture(fast);
  EXPECT_EQ(FirstDifference(a, b), "");
  return b;
}

TEST(BakerMatchesReference, RandomScenes) {
  const LightmapSize sizes[] = {{1, 1}, {4, 4}, {8, 8}, {5, 3}, {16, 2}, {2, 7}};
  uint64_t total_queries = 0;
  size_t nonstart_texels = 0;
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    uint64_t queries = 0;
    const Outcome o =
        BakeBoth([&](Editor& e) { test::BuildRandomScene(e, seed, 10 + seed % 9, 2 + seed % 6); },
                 sizes[seed % 6], &queries);
    total_queries += queries;
    for (const Lightmap& lm : o.lightmaps)
      for (uint8_t b : lm.rgb) nonstart_texels += b != 90;
    for (uint32_t bits : o.coords) {
      float f;
      std::memcpy(&f, &bits, 4);
      ASSERT_TRUE(std::isfinite(f));
    }
    for (uint32_t bits : o.colours) {
      float f;
      std::memcpy(&f, &bits, 4);
      ASSERT_TRUE(std::isfinite(f));
    }
  }
  EXPECT_GT(total_queries, 10000u) << "the scenes exercise the shadow search";
  EXPECT_GT(nonstart_texels, 10000u) << "and actually light something";
}

TEST(BakerMatchesReference, CoplanarNeighboursAndGrazingLights) {
  // A floor of tiles sharing one plane and edges, lights close to and in that
  // plane and on the planes of standing walls: where rounding decides.
  auto build = [](Editor& e) {
    TSector* s = e.CreateNode(nullptr, kSector);
    s->Id = e.NextId();
    for (int i = -2; i <= 2; ++i)
      for (int j = -2; j <= 2; ++j) test::AddQuad(e, s, {20.0f * i, 0, 20.0f * j}, {0, 0, 10}, {10, 0, 0});
    test::AddQuad(e, s, {0, 10, 30}, {10, 0, 0}, {0, 10, 0});
    test::AddQuad(e, s, {30, 10, 0}, {0, 10, 0}, {0, 0, 10});
    test::AddLight(e, s, {0, 0.001f, 0}, 0, 1);
    test::AddLight(e, s, {45, 0, 45}, 0, 1);
    test::AddLight(e, s, {-60, 1e-5f, 3}, 1, 1);
    test::AddLight(e, s, {7, 15, 30}, 0, 1);
    test::AddLight(e, s, {30, 3, -7}, 0, 1);
    test::AddLight(e, s, {10, 10, 10}, 0, 1);
  };
  BakeBoth(build, {8, 8});
}

TEST(BakerMatchesReference, LightsInTiltedPlanes) {
  // Tiles on tilted planes with lights placed in those planes: the side tests
  // and the ray parameter then hang on rounding, and the hit point may land
  // anywhere along the ray, even behind the light.
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    auto build = [seed](Editor& e) {
      std::mt19937 rng(seed);
      auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
      TSector* s = e.CreateNode(nullptr, kSector);
      s->Id = e.NextId();
      for (int plane = 0; plane < 2; ++plane) {
        Vector n = {real(-1, 1), real(0.2f, 1), real(-1, 1)};
        VectorNormalize(n);
        Vector a = VectorCross(n, {0, 0, 1});
        VectorNormalize(a);
        const Vector b = VectorCross(n, a);
        const Vector c = {real(-20, 20), real(-20, 20), real(-20, 20)};
        auto at = [&](float i, float j) {
          return Vector{c.x + i * a.x + j * b.x, c.y + i * a.y + j * b.y, c.z + i * a.z + j * b.z};
        };
        auto scaled = [](Vector v, float k) { return Vector{v.x * k, v.y * k, v.z * k}; };
        test::AddQuad(e, s, c, scaled(a, 100), scaled(b, 100));  // the big caster
        for (int t = 0; t < 4; ++t)                              // coplanar tiles, inside and beside it
          test::AddQuad(e, s, at(real(-150, 150), real(-150, 150)), scaled(a, 8), scaled(b, 8));
        for (int l = 0; l < 3; ++l) test::AddLight(e, s, at(real(-90, 90), real(-90, 90)), l == 2, 1);
        // A row of tiles with lights between them: a ray from a light to one
        // tile may be met behind the light, inside a tile on the other side.
        for (int t = -3; t <= 3; ++t) {
          test::AddQuad(e, s, at(40.0f * t, real(-3, 3)), scaled(a, 15), scaled(b, 15));
          if (t < 3) test::AddLight(e, s, at(40.0f * t + 20, real(-3, 3)), 0, 1);
        }
      }
    };
    BakeBoth(build, {6, 6});
  }
}

TEST(BakerMatchesReference, DamagedNodes) {
  // Corner indices outside the vertices, counts that disagree with the arrays,
  // a quad of another kind with stale zero normals: lit and cast alike, without a read past an array.
  auto build = [](Editor& e) {
    TSector* s = e.CreateNode(nullptr, kSector);
    s->Id = e.NextId();
    TSector* m =
        test::AddModel(e, s, {{0, 0, 0}, {40, 0, 0}, {0, 0, 40}, {0, 5, 0}, {40, 5, 0}, {0, 5, 40}}, 0);
    m->Triangles[1].V2 = 99;
    m->TriangleCount = 7;
    TSector* odd = test::AddQuad(e, s, {10, 20, 10}, {0, 0, 20}, {20, 0, 0});
    odd->Kind = 1;
    TSector* few = test::AddQuad(e, s, {10, 10, 10}, {0, 0, 5}, {5, 0, 0});
    few->Vertices.resize(3);
    few->VertexCount = 3;
    few->Triangles[1] = {2, 1, 0, {0, 1, 0}, 0, 0, 0};
    test::AddQuad(e, s, {0, -10, 0}, {0, 0, 60}, {60, 0, 0});
    test::AddLight(e, s, {10, 30, 10}, 0, 1);
    test::AddLight(e, s, {-30, 15, 20}, 1, 1);
  };
  BakeBoth(build, {5, 5});
}

TEST(BakerMatchesReference, RoomLevel) {
  uint64_t queries = 0;
  BakeBoth([](Editor& e) { test::BuildRoomLevel(e, 2, 4); }, {4, 4}, &queries);
  EXPECT_GT(queries, 0u);
}

// A top-level sector to build in.
TSector* Root(Editor& e) {
  TSector* s = e.CreateNode(nullptr, kSector);
  s->Id = e.NextId();
  return s;
}

// Moves a whole built scene, so that its coordinates are large and their floats coarse.
void Translate(Editor& e, Vector by) {
  e.Tree.Walk([&](TSector* n) {
    n->Position = VectorAdd(n->Position, by);
    for (TVertex& v : n->Vertices) v.Position = VectorAdd(v.Position, by);
  });
}

TEST(BakerShortcuts, LightsWithinRoundingOfTheTrianglePlane) {
  // Tilted tiles with shadowing point lights and directional lights a few
  // roundings in front of and behind their planes: whether a light counts as
  // behind is decided per texel there, not for the whole lightmap.
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    auto build = [seed](Editor& e) {
      std::mt19937 rng(seed);
      auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
      TSector* s = Root(e);
      const float far = seed % 2 ? 4000.0f : 0.0f;
      Vector n = {real(-1, 1), real(0.3f, 1), real(-1, 1)};
      VectorNormalize(n);
      Vector a = VectorCross(n, {0.3f, 0, 1});
      VectorNormalize(a);
      const Vector b = VectorCross(n, a);
      const Vector c = {far + real(-20, 20), real(-20, 20), real(-20, 20)};
      auto scaled = [](Vector v, float k) { return Vector{v.x * k, v.y * k, v.z * k}; };
      test::AddQuad(e, s, c, scaled(a, 30), scaled(b, 30));
      for (int l = 0; l < 28; ++l) {
        // Off the plane by up to a few times the rounding of the texel points, either way.
        const float off = (l % 7 - 3) * 3e-8f * (far + 60);
        const Vector p = VectorAdd(VectorAdd(c, scaled(a, real(-90, 90))), scaled(b, real(-90, 90)));
        test::AddLight(e, s, VectorAdd(p, scaled(n, off)), l % 3 == 2, l % 3 != 1, {200, 150, 100});
      }
      test::AddLight(e, s, VectorAdd(c, scaled(n, 40)), 0, 0, {60, 60, 60});
    };
    BakeBoth(build, {8, 8});
  }
}

TEST(BakerShortcuts, IdenticalTilesOfTwoNodes) {
  // Two nodes with the same tile, one of them casting no shadow. Each lies in
  // the other's plane, so neither shadows the other: the same bytes, each
  // node's computed on its own (the reference has it so too).
  auto build = [](Editor& e) {
    TSector* s = Root(e);
    test::AddQuad(e, s, {0, 0, 0}, {0, 0, 20}, {20, 0, 0});
    test::AddQuad(e, s, {0, 0, 0}, {0, 0, 20}, {20, 0, 0})->NoShadow = 1;
    test::AddLight(e, s, {5, 30, -3}, 0, 1);
  };
  const Outcome o = BakeBoth(build, {4, 4});
  ASSERT_EQ(o.lightmaps.size(), 4u);
  EXPECT_EQ(o.lightmaps[1].rgb, o.lightmaps[2].rgb);
  EXPECT_NE(o.lightmaps[1].rgb, std::vector<uint8_t>(o.lightmaps[1].rgb.size(), 90));
}

TEST(BakerShortcuts, SumsOnRoundingBoundaries) {
  // One texel per lightmap, whose exact sum is tuned to within a hundred
  // thousandth of a half: the float sum cannot tell which way it rounds, and
  // the texel has to be summed again in light order.
  TexelStats stats;
  uint64_t again = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    auto build = [seed](Editor& e) {
      std::mt19937 rng(seed);
      auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
      TSector* s = Root(e);
      for (int q = 0; q < 6; ++q) {
        const Vector m = {16.0f * q, 0, 8};  // the texel centre of a 1 x 1 lightmap of this floor tile
        test::AddQuad(e, s, m, {0, 0, 4}, {4, 0, 0});
      }
      std::vector<TSector*> lights;
      for (int l = 0; l < 20; ++l)
        lights.push_back(test::AddLight(e, s, {real(-20, 100), real(5, 60), real(-30, 40)}, 0, 0,
                                        {real(0, 30), real(0, 30), real(0, 30)}, real(5, 40), real(5, 40)));
      // Straight above the first tile's centre at height 8 with brightness
      // and range 8: intensity exactly 1, so its colour sets the sum there.
      TSector* last = test::AddLight(e, s, {0, 8, 8}, 0, 0, {0, 0, 0}, 8, 8);
      for (int k = 0; k < 3; ++k) {
        double sum = kLumelStart;
        for (const TSector* l : lights) {
          const float dist = VectorLength(VectorSubtract(l->Position, {0, 0, 8}));
          sum += PointLightIntensity(l->Brightness, l->Range, dist) * l->Color[k];
        }
        const double target = std::floor(sum) + 10.5 + real(-3e-5f, 3e-5f);
        last->Color[k] = static_cast<float>(target - sum);
      }
    };
    BakeBoth(build, {1, 1}, nullptr, &stats);
    again += stats.exact_texels;
  }
  EXPECT_GT(again, 20u) << "the ambiguous texels were summed again";
}

TEST(BakerShortcuts, PartlyCoveredLightmaps) {
  // A light outside a room of tiles: the walls' tiles cover whole lightmaps
  // of the floor, parts of them, or leave texels to the per-texel test.
  TexelStats stats;
  for (LightmapSize size : {LightmapSize{12, 12}, LightmapSize{5, 3}, LightmapSize{1, 7}}) {
    SCOPED_TRACE(size.width);
    auto build = [](Editor& e) {
      test::BuildRoomLevel(e, 2, 0);
      TSector* root = e.Tree.InOrder().front();
      test::AddLight(e, root, {-150, 90, 120}, 0, 1);
      test::AddLight(e, root, {100, 300, 110}, 1, 1);
      test::AddLight(e, root, {118.3f, 59.9f, 131.7f}, 0, 1);
    };
    BakeBoth(build, size, nullptr, &stats);
    EXPECT_GT(stats.covered_blocks, 0u);
  }
  EXPECT_GT(stats.exact_shadow_tests, 0u);
}

TEST(BakerShortcuts, CasterEdgesThroughTexelRays) {
  // A hanging tile whose edge is placed on the ray from the light through a
  // row of texel centres, and a few roundings either side of it.
  for (int k = -3; k <= 3; ++k) {
    SCOPED_TRACE(k);
    auto build = [k](Editor& e) {
      TSector* s = Root(e);
      test::AddQuad(e, s, {0, 0, 0}, {0, 0, 32}, {32, 0, 0});  // 8 x 8 texels of 8 units
      const Vector light = {3, 60, -5};
      // The ray to the centres of column 3 (x = -32 + 28 = -4) meets y = 30 at x = -0.5.
      const float edge = -0.5f + k * 2e-6f;
      test::AddQuad(e, s, {edge - 20, 30, 0}, {20, 0, 0}, {0, 0, 40});
      test::AddLight(e, s, light, 0, 1);
    };
    BakeBoth(build, {8, 8});
  }
}

TEST(BakerShortcuts, RoomsFarFromTheOrigin) {
  // Coarse floats everywhere: the proven bounds grow with the coordinates.
  TexelStats stats;
  BakeBoth(
      [](Editor& e) {
        test::BuildRoomLevel(e, 3, 12);
        Translate(e, {20000, 500, -15000});
      },
      {6, 6}, nullptr, &stats);
  EXPECT_GT(stats.covered_blocks, 0u);
}

struct FakeUploader : LightmapUploader {
  uint32_t next = 100;
  std::vector<uint32_t> released;
  std::vector<size_t> sizes;
  uint32_t Upload(const Lightmap& lm) override {
    sizes.push_back(lm.rgb.size());
    return next++;
  }
  void Release(uint32_t texture) override { released.push_back(texture); }
};

TEST(LightmapBaker, UploadsEveryLightmapAndReleasesReplacedTextures) {
  Editor e;
  TSector* s = e.CreateNode(nullptr, kSector);
  TSector* q = test::AddQuad(e, s, {0, 0, 0}, {40, 0, 0}, {0, 40, 0});
  FakeUploader up;
  ASSERT_EQ(ComputeLightmaps(e, {4, 2}, {}, &up), BakeStatus::kDone);
  EXPECT_EQ(q->Triangles[0].LightmapTexture, 100u);
  EXPECT_EQ(q->Triangles[1].LightmapTexture, 101u);
  EXPECT_EQ(up.sizes, (std::vector<size_t>{24, 24}));
  ASSERT_EQ(ComputeLightmaps(e, {4, 2}, {}, &up), BakeStatus::kDone);
  EXPECT_EQ(up.released, (std::vector<uint32_t>{100, 101}));
  EXPECT_EQ(q->Triangles[1].LightmapTexture, 103u);
  ASSERT_EQ(ComputeLightmaps(e, {4, 2}), BakeStatus::kDone);
  EXPECT_EQ(q->Triangles[1].LightmapTexture, 0u) << "no GL, no texture";
}

// A scene baked once, so that a second, failed bake has something to keep.
struct BakedScene {
  BakedScene() {
    test::BuildRoomLevel(e, 1, 2);
    EXPECT_EQ(ComputeLightmaps(e, {2, 2}), BakeStatus::kDone);
    before = Capture(e);
  }
  Editor e;
  Outcome before;
};

TEST(LightmapBaker, CancelKeepsThePreviousLightmaps) {
  BakedScene scene;
  std::atomic<bool> cancel{true};
  BakeOptions options;
  options.cancel = &cancel;
  EXPECT_EQ(ComputeLightmaps(scene.e, {8, 8}, options), BakeStatus::kCancelled);
  EXPECT_EQ(FirstDifference(scene.before, Capture(scene.e)), "");

  cancel = false;  // cancelled half way, from the progress report
  options.progress = [&](int percent) {
    if (percent >= 30) cancel = true;
  };
  EXPECT_EQ(ComputeLightmaps(scene.e, {8, 8}, options), BakeStatus::kCancelled);
  EXPECT_EQ(FirstDifference(scene.before, Capture(scene.e)), "");
}

TEST(LightmapBaker, RefusesSizesItCannotHold) {
  BakedScene scene;
  std::string message;
  for (LightmapSize bad : {LightmapSize{0, 8}, LightmapSize{8, -1}, LightmapSize{kMaxLightmapSide + 1, 4}}) {
    EXPECT_EQ(ComputeLightmaps(scene.e, bad, {}, nullptr, &message), BakeStatus::kRefused);
    EXPECT_NE(message.find("Ungültige Lightmap-Größe"), std::string::npos) << message;
  }
  EXPECT_EQ(ComputeLightmaps(scene.e, {4096, 4096}, {}, nullptr, &message), BakeStatus::kRefused);
  EXPECT_EQ(message, "Die Lightmaps wären zu groß für den Speicher!");
  EXPECT_EQ(FirstDifference(scene.before, Capture(scene.e)), "");
}

TEST(LightmapBaker, ProgressClimbsToOneHundred) {
  Editor e;
  test::BuildRoomLevel(e, 2, 2);
  std::vector<int> seen;
  BakeOptions options;
  options.progress = [&](int p) { seen.push_back(p); };
  ASSERT_EQ(ComputeLightmaps(e, {2, 2}, options), BakeStatus::kDone);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 100);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_LT(seen[i - 1], seen[i]);

  Editor empty;  // nothing to bake still finishes at 100
  seen.clear();
  ASSERT_EQ(ComputeLightmaps(empty, {2, 2}, options), BakeStatus::kDone);
  EXPECT_EQ(seen, std::vector<int>{100});
}

// The grouped lights: texels decided by the interval of far groups, groups
// opened where the interval straddles a byte, the exact sum where nothing else
// decides. Every case is checked against the reference, byte for byte.
class BakerGroups : public ::testing::Test {
 protected:
  static Vector Uniform(std::mt19937& rng, float lo, float hi) {
    std::uniform_real_distribution<float> d(lo, hi);
    const float x = d(rng), y = d(rng), z = d(rng);
    return {x, y, z};
  }
};

TEST_F(BakerGroups, ManyLightsNearAndFar) {
  // Random scenes with dozens to hundreds of lights, most of them far off and
  // faint, some near; every kind and shadow flag, colours down to zero.
  const LightmapSize sizes[] = {{4, 4}, {8, 8}, {5, 3}, {1, 1}, {16, 16}};
  TexelStats all;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TexelStats seen;
    BakeBoth(
        [&](Editor& e) {
          test::BuildRandomScene(e, seed, 6 + seed % 5, 3);
          std::mt19937 rng(seed * 7919);
          std::uniform_real_distribution<float> u(0, 1);
          TSector* s = Root(e);
          const int count = 20 + int(seed % 4) * 60;
          for (int l = 0; l < count; ++l) {
            const float r = 60 + 2000 * u(rng) * u(rng);  // mostly a few hundred units away
            Vector p = Uniform(rng, -1, 1);
            p = {p.x * r, p.y * r * 0.3f, p.z * r};
            const float faint = u(rng) < 0.5f ? 0.05f : 1.0f;
            test::AddLight(e, s, p, u(rng) < 0.15f ? 1 : 0, u(rng) < 0.5f,
                           {255 * faint * u(rng), 255 * faint * u(rng), u(rng) < 0.1f ? 0.0f : 255 * faint},
                           5 + 60 * u(rng), 5 + 60 * u(rng));
          }
        },
        sizes[seed % 5], nullptr, &seen);
    all.Add(seen);
  }
  EXPECT_GT(all.opened_groups, 100u);
  EXPECT_GT(all.split_blocks, 0u);
}

TEST_F(BakerGroups, FaintLightsSummingToHalfAStep) {
  // Directional lights without shadow add their colour exactly: 64 of them
  // with 1/128 each bring a texel to exactly 90.5, which rounds to 90 (halves
  // to even); with one more to 90.5078, which rounds to 91. No interval can
  // tell, every light has to be summed. With a strong point light nearby the
  // same groups sit on top of a ceiling of 255 and need never be opened.
  for (int extra : {0, 1}) {
    for (bool bright : {false, true}) {
      SCOPED_TRACE(std::to_string(extra) + (bright ? " bright" : " dark"));
      TexelStats stats;
      const Outcome o = BakeBoth(
          [&](Editor& e) {
            TSector* s = Root(e);
            test::AddQuad(e, s, {0, 0, 0}, {0, 0, 8}, {8, 0, 0});  // floor tile facing up
            for (int l = 0; l < 64 + extra; ++l)
              test::AddLight(e, s, {float(l % 8) * 50 - 175, 300, float(l / 8) * 50 - 175}, 1, 0,
                             {1.0f / 128, 1.0f / 128, 1.0f / 128});
            if (bright) test::AddLight(e, s, {0, 5, 0}, 0, 0, {255, 255, 255}, 100, 100);
          },
          {2, 2}, nullptr, &stats);
      const uint8_t expected = bright ? 255 : extra ? 91 : 90;
      for (uint8_t b : o.lightmaps[0].rgb) EXPECT_EQ(b, expected);
      if (bright) {
        EXPECT_LE(stats.exact_lights, 2u) << "the ceiling is reached without the faint lights";
      } else if (extra == 0) {
        EXPECT_EQ(stats.exact_texels, 4u) << "on the boundary the sum in light order decides";
      }
    }
  }
}

TEST_F(BakerGroups, SumsAtTheCeiling) {
  // Far point lights whose shares add up to just below, at and above 254.5 at
  // the texel: the least and the most of the groups straddle the ceiling's
  // rounding boundary, so the groups must be opened down to the lights.
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    BakeBoth(
        [&](Editor& e) {
          std::mt19937 rng(seed);
          TSector* s = Root(e);
          test::AddQuad(e, s, {0, 0, 0}, {0, 0, 4}, {4, 0, 0});
          std::vector<TSector*> lights;
          for (int l = 0; l < 40; ++l)
            lights.push_back(
                test::AddLight(e, s, Uniform(rng, 200, 600), 0, l % 3 == 0, {255, 200, 100}, 60, 60));
          // Scale the colours so that the sum at the texel centre lands on 254.5 + offset.
          double sum = 0;
          for (const TSector* l : lights)
            sum += PointLightIntensity(l->Brightness, l->Range,
                                       VectorLength(VectorSubtract(l->Position, {0, 0, 0}))) *
                   255;
          const double offset = (double(seed) - 4.5) * 1e-3;
          const float scale = float((254.5 + offset - kLumelStart) / sum);
          for (TSector* l : lights)
            for (float& c : l->Color) c *= scale;
        },
        {1, 1});
  }
}

TEST_F(BakerGroups, LightsOnGroupAndBlockEdges) {
  // Lights on a lattice, so that groups' boxes have lights on their faces,
  // and lights on the lightmap's plane, at texel corners and centres (where a
  // share has no usable bound); every second tile vertex-lit.
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    BakeBoth(
        [&](Editor& e) {
          TSector* s = Root(e);
          for (int i = 0; i < 4; ++i) {
            TSector* q = test::AddQuad(e, s, {16.0f * i, 0, 0}, {0, 0, 8}, {8, 0, 0});
            if (i % 2) q->LightingMode = 1;
          }
          test::AddQuad(e, s, {24, 10, 0}, {4, 0, 0}, {0, 0, 4});  // an occluder
          for (int x = -2; x <= 6; ++x)
            for (int z = -2; z <= 2; ++z)
              test::AddLight(e, s, {16.0f * x, variant == 0 ? 0.0f : 8.0f * (x & 1), 16.0f * z}, 0,
                             (x + z) & 1, {40, 30, 20}, 10, 10 + variant);
          test::AddLight(e, s, {2, 0, 2}, 0, 0, {50, 50, 50});     // a texel corner of a 4 x 4 map
          test::AddLight(e, s, {1, 0, -1}, 0, 1, {50, 50, 50});    // a texel centre
          test::AddLight(e, s, {-40, 30, 0}, 1, 1, {20, 20, 20});  // directional, with shadow
        },
        {4, 4});
  }
}

TEST_F(BakerGroups, VertexColoursNearTheCeiling) {
  // Vertex-lit quads whose channel sums lie around 255: above it the colour
  // is white whatever the exact shares, below it the sum in light order counts.
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    BakeBoth(
        [&](Editor& e) {
          std::mt19937 rng(seed);
          TSector* s = Root(e);
          for (int i = 0; i < 5; ++i) {
            TSector* q = test::AddQuad(e, s, Uniform(rng, -50, 50), {0, 0, 8}, {8, 0, 0});
            q->LightingMode = 1;
          }
          const float level = 0.8f + 0.1f * float(seed);  // from dark to far above the ceiling
          for (int l = 0; l < 60; ++l)
            test::AddLight(e, s, Uniform(rng, -400, 400), l % 7 == 0, l % 2, {255 * level, 40, 255},
                           30 * level, 30);
        },
        {2, 2});
  }
}

TEST_F(BakerGroups, SubsetAndMargins) {
  // A bake of some nodes gives those nodes' lightmaps as the whole bake does.
  // A margin is a promise: a directional light without shadow adds exactly
  // its colour or nothing, and one below the margin changes no byte.
  Editor e;
  test::BuildRoomLevel(e, 2, 12);
  const BakeLists lists = CollectBakeLists(e.Tree);
  const BakeResult whole = BakeLightmaps(lists, {4, 4});
  std::vector<const TSector*> chosen;
  for (size_t i = 0; i < lists.polygons.size(); i += 5) chosen.push_back(lists.polygons[i]);
  const BakeResult part = BakeLightmapsOf(lists, {4, 4}, chosen);
  ASSERT_EQ(part.lightmaps.size(), whole.lightmaps.size());
  ASSERT_EQ(part.nodes.size(), chosen.size());
  size_t computed = 0;
  for (size_t i = 0; i < whole.lightmaps.size(); ++i) {
    if (part.lightmaps[i].rgb.empty()) {
      EXPECT_TRUE(std::isnan(part.lightmap_margins[i]));
      continue;
    }
    ++computed;
    EXPECT_EQ(part.lightmaps[i].rgb, whole.lightmaps[i].rgb);
    EXPECT_EQ(part.lightmap_margins[i], whole.lightmap_margins[i]);
  }
  EXPECT_EQ(computed, 2 * chosen.size());
  for (const BakeResult::NodeOutput& out : part.nodes)
    EXPECT_EQ(out.colors.size(), 3 * out.node->Vertices.size());

  double smallest = std::numeric_limits<double>::infinity();
  for (double m : whole.lightmap_margins) {
    ASSERT_GE(m, 0);
    smallest = std::min(smallest, m);
  }
  // Moving every sum by less than the smallest margin keeps every byte.
  const float nudge = float(0.9 * smallest - 1e-6);
  if (nudge > 0) {
    for (Vector where : {Vector{0, 500, 0}, Vector{-500, 10, 300}}) {
      TSector* l = test::AddLight(e, nullptr, where, 1, 0, {nudge, nudge, nudge});
      const BakeResult moved = BakeLightmaps(CollectBakeLists(e.Tree), {4, 4});
      for (size_t i = 0; i < whole.lightmaps.size(); ++i)
        EXPECT_EQ(moved.lightmaps[i].rgb, whole.lightmaps[i].rgb);
      e.Tree.Remove(l);
    }
  }
}

TEST_F(BakerGroups, StartCutsHoldEveryGroupedLightOnce) {
  // Whatever the box and the size asked for, a start cut names every light
  // the tree groups exactly once (the others are summed one by one); a light
  // missing or counted twice would shift every byte it reaches.
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> u(0, 1);
  Editor e;
  TSector* s = Root(e);
  std::vector<TSector*> lights;
  for (int l = 0; l < 300; ++l) {
    const Vector p = l % 50 == 7 ? Vector{NAN, 0, 0} : Uniform(rng, -500, 500);
    lights.push_back(test::AddLight(e, s, p, l % 4 == 3, l % 2, {255 * u(rng), l % 60 == 1 ? -1.0f : 9, 1}));
  }
  lights.push_back(test::AddLight(e, s, lights[3]->Position, 0, 1));  // two lights at one point
  const LightTree tree(lights, true);
  std::vector<int32_t> cut;
  for (size_t limit : {1u, 2u, 7u, 64u, 100000u}) {
    for (int box = 0; box < 3; ++box) {
      SCOPED_TRACE(std::to_string(limit) + " " + std::to_string(box));
      const Vector a = Uniform(rng, -600, 600);
      const double w = box == 0 ? 0 : box == 1 ? 10 : 2000;  // a point, a tile, all of it
      const double lo[3] = {a.x, a.y, a.z}, hi[3] = {a.x + w, a.y + w, a.z + w};
      tree.StartCut(lo, hi, limit, cut);
      std::vector<int> seen(lights.size(), 0);
      for (uint32_t single : tree.Singles()) ++seen[single];
      std::vector<int32_t> stack(cut.begin(), cut.end());
      while (!stack.empty()) {
        const int32_t node = stack.back();
        stack.pop_back();
        if (tree.IsLeaf(node)) {
          ++seen[tree.LeafLight(node)];
        } else {
          for (int32_t child : tree.At(node).child) stack.push_back(child);
        }
      }
      for (size_t l = 0; l < lights.size(); ++l) EXPECT_EQ(seen[l], 1) << "light " << l;
      EXPECT_LE(cut.size(), std::max<size_t>(limit, 2));
      if (limit == 100000u) {
        EXPECT_EQ(cut.size() + tree.Singles().size(), lights.size());
      }
    }
  }
}

TEST_F(BakerGroups, DarkTileDecidesEveryLightInFewLooks) {
  // A floor tile in a closed box, dimly lit from inside, and hundreds of
  // directional lights (no falloff: each could add its whole colour) and
  // shadowing point lights outside, all hidden by the box. No group's
  // interval can settle a byte, so every light is decided on its own; the
  // looks at the texels must stay few and the cut short while that happens
  // (a look per few lights over a cut of all of them is quadratic). One
  // variant brings the tile to the ceiling from inside, where none is needed.
  for (bool bright : {false, true}) {
    SCOPED_TRACE(bright ? "bright" : "dark");
    TexelStats stats;
    const int outside = 480;
    const Outcome o = BakeBoth(
        [&](Editor& e) {
          TSector* s = Root(e);
          test::AddQuad(e, s, {0, 0, 0}, {0, 0, 20}, {20, 0, 0});  // the tile, facing up
          // The box: ceiling and walls, casting shadows but not lit themselves.
          const Vector box[5][3] = {{{0, 41, 0}, {40, 0, 0}, {0, 0, 40}},
                                    {{0, 20, -40}, {40, 0, 0}, {0, 21, 0}},
                                    {{0, 20, 40}, {40, 0, 0}, {0, 21, 0}},
                                    {{-40, 20, 0}, {0, 0, 40}, {0, 21, 0}},
                                    {{40, 20, 0}, {0, 0, 40}, {0, 21, 0}}};
          for (const auto& q : box) test::AddQuad(e, s, q[0], q[1], q[2])->LightingMode = 2;
          std::mt19937 rng(77);
          std::uniform_real_distribution<float> u(0, 1);
          for (int l = 0; l < outside; ++l) {
            const float angle = 6.2831853f * u(rng), r = 150 + 3000 * u(rng);
            const Vector p = {r * std::cos(angle), 20 + 200 * u(rng), r * std::sin(angle)};
            test::AddLight(e, s, p, l % 2, 1, {100 + 155 * u(rng), 100 + 155 * u(rng), 255}, 60, 60);
          }
          if (bright)
            test::AddLight(e, s, {10, 30, 10}, 0, 0, {255, 255, 255}, 200, 200);
          else
            test::AddLight(e, s, {10, 30, 10}, 0, 0, {40, 50, 60}, 9, 10);
        },
        {4, 4}, nullptr, &stats);
    ASSERT_FALSE(o.lightmaps.empty());
    if (bright) {
      for (uint8_t b : o.lightmaps[0].rgb) EXPECT_EQ(b, 255);
      EXPECT_LE(stats.exact_lights, 8u);
      continue;
    }
    for (uint8_t b : o.lightmaps[0].rgb) EXPECT_LT(b, 200) << "the outside lights are hidden";
    // Both triangles of the tile share a lightmap: it is computed once.
    EXPECT_GE(stats.exact_lights, uint64_t(outside / 2));
    EXPECT_LE(stats.rounds, 60u);
    EXPECT_LE(stats.cut_entries, 40u * outside);
  }
}

TEST(BakerShadows, BackToBackWallsLitFromBothSides) {
  // Two nodes' walls in one plane, facing away from each other, a light with
  // shadows on either side: each wall lies in the other's plane and must not
  // shadow it. Both come out lit, as the reference has them.
  auto build = [](Editor& e) {
    TSector* a = Root(e);
    TSector* b = Root(e);
    test::AddQuad(e, a, {0, 10, 0}, {10, 0, 0}, {0, 10, 0});  // faces +z
    test::AddQuad(e, b, {0, 10, 0}, {0, 10, 0}, {10, 0, 0});  // faces -z
    test::AddQuad(e, a, {0, 0, 15}, {0, 0, 15}, {10, 0, 0});  // floors either side, for good measure
    test::AddQuad(e, b, {0, 0, -15}, {0, 0, 15}, {10, 0, 0});
    test::AddLight(e, a, {3, 12, 20}, 0, 1);
    test::AddLight(e, b, {-4, 8, -20}, 0, 1);
  };
  const Outcome o = BakeBoth(build, {8, 8});
  ASSERT_GE(o.lightmaps.size(), 4u);
  for (size_t wall : {0u, 1u, 4u, 5u})  // the walls' two triangles each
    for (uint8_t byte : o.lightmaps[wall].rgb) EXPECT_GT(byte, 90) << "lightmap " << wall;
}

}  // namespace
}  // namespace qx

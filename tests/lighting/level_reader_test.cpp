#include "lighting/level_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "lighting/level_export.h"
#include "lighting/lightmap.h"
#include "support/scene_generator.h"
#include "support/test_support.h"

namespace qx {
namespace {

std::vector<uint8_t> BakedRandomLevel(Editor& e, uint32_t seed) {
  test::BuildRandomScene(e, seed, 8, 3);
  TSector* extra = e.CreateNode(nullptr, kSector);
  e.CreateNode(extra, kPortal)->ResizeVertices(4);
  e.CreateNode(extra, kParticleSystem);
  e.CreateNode(extra, kActor);
  e.CreateNode(extra, kCheckpoint);
  e.StartPosition = {7, -8, 9};
  EXPECT_EQ(ComputeLightmaps(e, {4, 2}), BakeStatus::kDone);
  return BuildLevelFile(e.Tree, e.LightmapList, e.StartPosition);
}

TEST(LevelReader, ReadsBackWhatWasExported) {
  for (uint32_t seed = 1; seed <= 5; ++seed) {
    Editor e;
    const std::vector<uint8_t> bytes = BakedRandomLevel(e, seed);
    LevelFile f;
    std::string error;
    ASSERT_TRUE(ReadLevelFile(bytes, f, error)) << error;
    EXPECT_EQ(f.node_count, static_cast<int32_t>(e.Tree.Count()));
    EXPECT_EQ(f.start, (Vector{7, -8, 9}));
    ASSERT_EQ(f.lightmaps.size(), e.LightmapList.size());
    for (size_t i = 0; i < f.lightmaps.size(); ++i) EXPECT_EQ(f.lightmaps[i].rgb, e.LightmapList[i].rgb);

    // Records in tree order; triangle records repeat their node's head.
    size_t r = 0;
    for (TSector* n : e.Tree.InOrder()) {
      const bool per_triangle = n->NodeType == kPolygon || (n->NodeType == kModel && n->LightingMode == 0);
      const size_t count = per_triangle ? n->Triangles.size() : 1;
      for (size_t t = 0; t < count; ++t, ++r) {
        ASSERT_LT(r, f.records.size());
        const LevelRecord& rec = f.records[r];
        EXPECT_EQ(rec.id, n->Id);
        EXPECT_EQ(rec.type, n->NodeType);
        if (!per_triangle) continue;
        const TTriangle& tri = n->Triangles[t];
        EXPECT_EQ(rec.lightmap_index, tri.LightmapIndex);
        const int32_t corners[3] = {tri.V0, tri.V1, tri.V2};
        for (int k = 0; k < 3; ++k) {
          const TVertex& v = n->Vertices[corners[k]];
          EXPECT_EQ(rec.corners[k].position, v.Position);
          EXPECT_EQ(rec.corners[k].lightmap[0], v.LightmapCoord[0]);
          EXPECT_EQ(rec.corners[k].color[0], RoundToByte(double(v.Color[0]) * 255));
        }
      }
    }
    EXPECT_EQ(r, f.records.size());
  }
}

TEST(LevelReader, RefusesEveryTruncationAndTrailingBytes) {
  Editor e;
  const std::vector<uint8_t> bytes = BakedRandomLevel(e, 3);
  LevelFile f;
  std::string error;
  for (size_t n = 0; n < bytes.size(); ++n) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
    EXPECT_FALSE(ReadLevelFile(cut, f, error)) << n;
  }
  std::vector<uint8_t> longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(ReadLevelFile(longer, f, error));
  EXPECT_EQ(error, "1 überzählige Bytes nach der Startposition");
}

// The one-square file of the export tests, to damage field by field.
std::vector<uint8_t> SquareFile() {
  Editor e;
  TSector* s = e.CreateNode(nullptr, kSector);
  test::AddQuad(e, s, {0, 0, 0}, {40, 0, 0}, {0, 40, 0});
  e.LightmapList.push_back({2, 1, {1, 2, 3, 4, 5, 6}});
  return BuildLevelFile(e.Tree, e.LightmapList, {});
}

std::string Refusal(std::vector<uint8_t> bytes, size_t at, const std::vector<uint8_t>& patch) {
  std::memcpy(bytes.data() + at, patch.data(), patch.size());
  LevelFile f;
  std::string error;
  if (ReadLevelFile(bytes, f, error)) return "accepted";
  return error;
}

std::vector<uint8_t> Le(int32_t v) {
  std::vector<uint8_t> b(4);
  std::memcpy(b.data(), &v, 4);
  return b;
}

TEST(LevelReader, RefusesDamagedFields) {
  const std::vector<uint8_t> good = SquareFile();
  LevelFile f;
  std::string error;
  ASSERT_TRUE(ReadLevelFile(good, f, error)) << error;
  ASSERT_EQ(good.size(), 290u + 14);
  EXPECT_EQ(Refusal(good, 0, {'M', 'A', 'P', '2'}), "Keine Leveldatei (Kennung \"MAP1\" fehlt)");
  EXPECT_EQ(Refusal(good, 4, Le(1000)), "Unbekannte Version 1000");
  EXPECT_EQ(Refusal(good, 8, Le(-1)), "Ungültige Knotenzahl -1");
  EXPECT_EQ(Refusal(good, 44, {2}), "Ungültiges Hat-Kinder-Byte 2 bei Byte 44");  // the sector's
  EXPECT_EQ(Refusal(good, 274, Le(-2)), "Ungültige Lightmap-Anzahl -2 bei Byte 274");
  EXPECT_EQ(Refusal(good, 274, Le(0x7fffffff)), "Unerwartetes Dateiende bei Byte 278");
  EXPECT_EQ(Refusal(good, 278, Le(0)), "Ungültige Lightmap-Größe 0 x 1 bei Byte 278");
  std::vector<uint8_t> huge = Le(0x7fffffff);
  huge.insert(huge.end(), {0xff, 0xff, 0xff, 0x7f});
  EXPECT_EQ(Refusal(good, 278, huge), "Unerwartetes Dateiende bei Byte 286");
  // A stream that never ends its sibling chain runs into the end of the file.
  std::vector<uint8_t> chain = good;
  chain[273] = 0;  // the sector is no longer last: the lightmap count is read as the next record
  EXPECT_FALSE(ReadLevelFile(chain, f, error));
  // An empty tree has no stream at all.
  Editor empty;
  ASSERT_TRUE(ReadLevelFile(BuildLevelFile(empty.Tree, {}, {}), f, error)) << error;
  EXPECT_TRUE(f.records.empty());
  EXPECT_EQ(NodeTypeName(kPortal), std::string("Portal"));
}

TEST(LevelReaderSeed, WritesTheFuzzCorpus) {
  test::WriteFuzzSeed("level_reader", "square", SquareFile());
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    Editor e;
    test::WriteFuzzSeed("level_reader", "baked" + std::to_string(seed), BakedRandomLevel(e, seed));
  }
  Editor empty;
  test::WriteFuzzSeed("level_reader", "empty", BuildLevelFile(empty.Tree, {}, {}));
}

}  // namespace
}  // namespace qx

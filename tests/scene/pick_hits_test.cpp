#include "scene/pick_hits.h"

#include <gtest/gtest.h>

#include <vector>

#include "scene/editor.h"

namespace qx {
namespace {

std::vector<uint32_t> Records(std::initializer_list<std::pair<uint32_t, uint32_t>> depth_name) {
  std::vector<uint32_t> b;
  for (auto [depth, name] : depth_name) b.insert(b.end(), {1u, depth, depth + 10, name});
  return b;
}

auto NoVertex = [](uint32_t) { return false; };

TEST(PickHits, NoHitsOrOverflowGiveZero) {
  auto b = Records({{5, 7}});
  EXPECT_EQ(ResolvePickHits(b.data(), b.size(), 0, NoVertex), 0u);
  EXPECT_EQ(ResolvePickHits(b.data(), b.size(), -1, NoVertex), 0u);
  EXPECT_EQ(ResolvePickHits(nullptr, 0, 3, NoVertex), 0u);
  auto nine = Records({{9, 1}, {8, 2}, {7, 3}, {6, 4}, {5, 5}, {4, 6}, {3, 7}, {2, 8}, {1, 9}});
  EXPECT_EQ(ResolvePickHits(nine.data(), nine.size(), 9, NoVertex), 0u);
  EXPECT_EQ(ResolvePickHits(nine.data(), nine.size(), 8, NoVertex), 8u);
}

TEST(PickHits, NearestMinimumDepthWinsTiesKeepTheEarlier) {
  auto b = Records({{500, 1}, {300, 2}, {0x90000000u, 3}, {300, 4}});
  EXPECT_EQ(ResolvePickHits(b.data(), b.size(), 4, NoVertex), 2u);
  // Depths compare unsigned: 0x90000000 is far, not negative.
  auto c = Records({{0x90000000u, 1}, {0x10000000u, 2}});
  EXPECT_EQ(ResolvePickHits(c.data(), c.size(), 2, NoVertex), 2u);
}

TEST(PickHits, LaterVertexHitWinsAtOnceFirstIsNotTested) {
  auto is_vertex = [](uint32_t id) { return id == 9 || id == 8; };
  auto b = Records({{100, 1}, {900, 9}, {50, 2}});
  EXPECT_EQ(ResolvePickHits(b.data(), b.size(), 3, is_vertex), 9u);
  // A vertex as the first record is only a candidate; a nearer later hit beats it.
  auto c = Records({{900, 8}, {100, 1}});
  EXPECT_EQ(ResolvePickHits(c.data(), c.size(), 2, is_vertex), 1u);
}

TEST(PickHits, RecordsCutShortAreNotReadPastTheBuffer) {
  auto b = Records({{100, 1}, {50, 2}});
  // Claims three hits, holds two.
  EXPECT_EQ(ResolvePickHits(b.data(), b.size(), 3, NoVertex), 2u);
  // A record claiming more names than the buffer holds ends the scan.
  std::vector<uint32_t> c = {1, 100, 110, 5, 1000, 1, 2};
  EXPECT_EQ(ResolvePickHits(c.data(), c.size(), 2, NoVertex), 5u);
  // A record with several names is judged by the last one loaded.
  std::vector<uint32_t> d = {2, 10, 20, 0, 42};
  EXPECT_EQ(ResolvePickHits(d.data(), d.size(), 1, NoVertex), 42u);
}

TEST(PickHits, PolygonVertexIdsExcludePortals) {
  Editor e;
  TSector* s = e.CreateNode(nullptr, kSector);
  TSector* quad = e.CreateNode(s, kPolygon);
  quad->ResizeVertices(4);
  for (int i = 0; i < 4; ++i) quad->Vertices[i].Id = 10 + i;
  TSector* portal = e.CreateNode(s, kPortal);
  portal->ResizeVertices(4);
  for (int i = 0; i < 4; ++i) portal->Vertices[i].Id = 20 + i;
  EXPECT_TRUE(IsPolygonVertexIdIn(e.Tree, 12));
  EXPECT_FALSE(IsPolygonVertexIdIn(e.Tree, 21));
  EXPECT_FALSE(IsPolygonVertexIdIn(e.Tree, 99));
}

}  // namespace
}  // namespace qx

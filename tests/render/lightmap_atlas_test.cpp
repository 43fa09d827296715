// Packing lightmaps into atlas pages: the grid of bordered tiles, the page
// bytes, the coordinate mapping, and that linear filtering inside a tile
// gives what the lightmap's own texture gives when clamped to its edge.

#include "render/lightmap_atlas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace qx {
namespace {

Lightmap Numbered(int w, int h, int seed) {
  Lightmap m;
  m.width = w;
  m.height = h;
  for (int i = 0; i < w * h * 3; ++i) m.rgb.push_back(uint8_t((i * 37 + seed * 11) % 251));
  return m;
}

// GL_LINEAR sampling of one channel at (s, t), texel centres at (i + 0.5) / w,
// coordinates clamped to the edge texels' centres (clamp to edge).
double Sample(const uint8_t* rgb, int w, int h, double s, double t, int channel) {
  const double x = std::clamp(s * w - 0.5, 0.0, double(w - 1)),
               y = std::clamp(t * h - 0.5, 0.0, double(h - 1));
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  const int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
  const double fx = x - x0, fy = y - y0;
  auto at = [&](int xi, int yi) { return double(rgb[(size_t(yi) * w + xi) * 3 + channel]); };
  return (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) +
         (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
}

TEST(LightmapAtlas, TilesFillPagesRowByRowAndTheLastPageOnlyItsRows) {
  const AtlasLayout l = PlanAtlas(4, 4, 250, 64);  // tiles of 6 x 6: 10 across, 10 down
  EXPECT_EQ(l.columns, 10);
  EXPECT_EQ(l.rows, 10);
  EXPECT_EQ(l.pages, 3);
  EXPECT_EQ(l.PageWidth(), 60);
  EXPECT_EQ(l.PageHeight(0), 60);
  EXPECT_EQ(l.PageHeight(2), 30);  // 50 tiles: five rows
  EXPECT_EQ(l.PageHeight(3), 0);
  const AtlasTile first = TileOf(l, 0), twelfth = TileOf(l, 11), second_page = TileOf(l, 100);
  EXPECT_EQ(first.page, 0);
  EXPECT_EQ(first.x, 1);
  EXPECT_EQ(first.y, 1);
  EXPECT_EQ(twelfth.x, 7);
  EXPECT_EQ(twelfth.y, 7);
  EXPECT_EQ(second_page.page, 1);
  EXPECT_EQ(second_page.x, 1);
  EXPECT_EQ(TileOf(l, 250).page, -1);
}

TEST(LightmapAtlas, SmallListsGetNarrowPagesAndTooLargeLightmapsNone) {
  const AtlasLayout few = PlanAtlas(8, 8, 3, 2048);
  EXPECT_EQ(few.columns, 3);
  EXPECT_EQ(few.PageWidth(), 30);
  EXPECT_EQ(few.PageHeight(0), 10);
  EXPECT_TRUE(PlanAtlas(63, 8, 10, 64).Empty());  // 65 texels with the border
  EXPECT_FALSE(PlanAtlas(62, 62, 10, 64).Empty());
  EXPECT_TRUE(PlanAtlas(4, 4, 0, 64).Empty());
  EXPECT_TRUE(PlanAtlas(0, 4, 5, 64).Empty());
}

TEST(LightmapAtlas, PageBytesHoldEachLightmapWithItsEdgeRepeatedAround) {
  std::vector<Lightmap> list = {Numbered(3, 2, 1), Numbered(3, 2, 2), Numbered(3, 2, 3)};
  const AtlasLayout l = PlanAtlasFor(list, 64);
  const std::vector<uint8_t> page = BuildAtlasPage(l, 0, list);
  ASSERT_EQ(page.size(), size_t(l.PageWidth()) * l.PageHeight(0) * 3);
  for (size_t i = 0; i < list.size(); ++i) {
    const AtlasTile tile = TileOf(l, i);
    for (int y = -1; y <= 2; ++y)
      for (int x = -1; x <= 3; ++x) {
        const int sx = std::clamp(x, 0, 2), sy = std::clamp(y, 0, 1);
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(page[(size_t(tile.y + y) * l.PageWidth() + size_t(tile.x + x)) * 3 + c],
                    list[i].rgb[(size_t(sy) * 3 + sx) * 3 + c])
              << "lightmap " << i << " at " << x << "," << y;
      }
  }
}

TEST(LightmapAtlas, OddLightmapsKeepNoTileAndLeaveItBlack) {
  std::vector<Lightmap> list = {Numbered(4, 4, 1), Numbered(2, 2, 2), Numbered(4, 4, 3)};
  list[2].rgb.resize(10);  // fewer bytes than its size says
  const AtlasLayout l = PlanAtlasFor(list, 64);
  EXPECT_TRUE(HasTile(l, list, 0));
  EXPECT_FALSE(HasTile(l, list, 1));
  EXPECT_FALSE(HasTile(l, list, 2));
  EXPECT_FALSE(HasTile(l, list, 3));
  EXPECT_FALSE(HasTile(l, list, -1));
  const std::vector<uint8_t> page = BuildAtlasPage(l, 0, list);
  const AtlasTile odd = TileOf(l, 1);
  for (int y = -1; y <= 4; ++y)
    for (int x = -1; x <= 4; ++x)
      EXPECT_EQ(page[(size_t(odd.y + y) * l.PageWidth() + size_t(odd.x + x)) * 3], 0);
}

TEST(LightmapAtlas, FilteringInsideATileMatchesTheClampedLightmap) {
  std::vector<Lightmap> list;
  for (int i = 0; i < 7; ++i) list.push_back(Numbered(4, 4, i));
  const AtlasLayout l = PlanAtlasFor(list, 14);  // two tiles across and down: several pages
  ASSERT_GT(l.pages, 1);
  std::vector<std::vector<uint8_t>> pages;
  for (int p = 0; p < l.pages; ++p) pages.push_back(BuildAtlasPage(l, p, list));
  for (size_t i = 0; i < list.size(); ++i) {
    const AtlasTile tile = TileOf(l, i);
    for (double s = -0.25; s <= 1.25; s += 1.0 / 16)
      for (double t = -0.25; t <= 1.25; t += 1.0 / 16) {
        float ps, pt;
        MapToPage(l, tile, float(s), float(t), &ps, &pt);
        for (int c = 0; c < 3; ++c) {
          const double own = Sample(list[i].rgb.data(), 4, 4, s, t, c);
          const double packed =
              Sample(pages[size_t(tile.page)].data(), l.PageWidth(), l.PageHeight(tile.page), ps, pt, c);
          ASSERT_NEAR(own, packed, 1e-3) << "lightmap " << i << " at " << s << "," << t;
        }
      }
  }
}

}  // namespace
}  // namespace qx

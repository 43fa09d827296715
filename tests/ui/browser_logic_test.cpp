#include "ui/browser_logic.h"

#include <gtest/gtest.h>

#include "commands/texture_commands.h"

namespace qx {
namespace {

TEST(BrowserGeometry, GridCellsAndBoxHeight) {
  EXPECT_EQ(TexBoxHeight(0), 0);
  EXPECT_EQ(TexBoxHeight(1), 89);
  EXPECT_EQ(TexBoxHeight(3), 178);
  EXPECT_EQ(TexBoxHeight(4), 178);
  // Three entries, W = 256: entry 2 sits in row 1, column 0, centre 64, top 99.
  EXPECT_EQ(ThumbnailCenterX(2, 256), 64);
  EXPECT_EQ(ThumbnailRowTop(2), 99);
  EXPECT_EQ(ThumbnailCenterX(1, 256), 192);
  EXPECT_EQ(ThumbnailCenterX(1, 255), 63 + 127);
  EXPECT_EQ(ThumbnailNamePos(0, 256, 5), (BrowserPoint{64 - 15, 75}));
  EXPECT_EQ(ThumbnailNamePos(3, 256, 4), (BrowserPoint{192 - 12, 99 + 65}));
}

TEST(BrowserGeometry, ThumbnailsKeepTheirShape) {
  // 128 x 64: 64 x 32, top-aligned in its cell.
  EXPECT_EQ(ThumbnailRect(0, 256, 128, 64), (BrowserRect{32, 10, 96, 42}));
  // 32 x 64: 32 x 64, centred.
  EXPECT_EQ(ThumbnailRect(1, 256, 32, 64), (BrowserRect{176, 10, 208, 74}));
  EXPECT_EQ(ThumbnailRect(2, 256, 64, 64), (BrowserRect{32, 99, 96, 163}));
  // Rounding halves to even: 3 x 128 gives s = 1.5 -> 2; 5 x 128 gives 2.5 -> 2.
  EXPECT_EQ(ThumbnailRect(0, 256, 3, 128).Width(), 2);
  EXPECT_EQ(ThumbnailRect(0, 256, 5, 128).Width(), 2);
  EXPECT_EQ(ThumbnailRect(0, 256, 128, 3).Height(), 2);
  EXPECT_EQ(ThumbnailRect(0, 256, 128, 7).Height(), 4);  // 3.5 -> 4
  // A damaged bitmap without size draws nothing instead of dividing by zero.
  EXPECT_EQ(ThumbnailRect(0, 256, 0, 0).Width(), 0);
  EXPECT_EQ(ThumbnailRect(0, 256, 10, 0).Height(), 0);
}

TEST(BrowserGeometry, HitTest) {
  EXPECT_EQ(TextureAt(70, 120, 256, 3), 2);
  EXPECT_EQ(TextureAt(200, 120, 256, 3), -1);  // there is no entry 3
  EXPECT_EQ(TextureAt(200, 5, 256, 3), 1);     // above the first row top counts as row 0
  EXPECT_EQ(TextureAt(127, 98, 256, 3), 0);
  EXPECT_EQ(TextureAt(128, 98, 256, 3), 1);
  EXPECT_EQ(TextureAt(0, 99, 256, 3), 2);
  EXPECT_EQ(TextureAt(10, 10, 256, 0), -1);
  // An odd width: the last pixel column is the right-hand column, not entry 2.
  EXPECT_EQ(TextureAt(256, 20, 257, 5), 1);
  EXPECT_EQ(TextureAt(10, 10, 1, 5), -1);  // too narrow for columns
  EXPECT_EQ(TextureAt(-1, 10, 256, 5), -1);
}

TEST(BrowserGeometry, CurrentTextureBox) {
  // Wide picture in a 119 x 108 box: full width, centred vertically.
  // s = round(64 * 119 / 128) = round(59.5) = 60 (even); top = 54 - 30 = 24.
  EXPECT_EQ(CurrentTextureRect(119, 108, 128, 64), (BrowserRect{5, 29, 114, 79}));
  // Tall picture: s = round(32 * 108 / 64) = 54; left = 59 - 27 = 32.
  EXPECT_EQ(CurrentTextureRect(119, 108, 32, 64), (BrowserRect{37, 5, 81, 103}));
  EXPECT_EQ(CurrentTextureRect(119, 108, 0, 64), (BrowserRect{}));
  EXPECT_EQ(TextureSizeText(64, 32), "64 x 32");
}

TEST(BrowserAssign, PolygonsAndModelsTakeTheCurrentTexture) {
  struct V : EditorView {
    int redraws = 0;
    void Redraw() override { ++redraws; }
  } view;
  Editor e;
  e.view = &view;
  TSector* q = e.CreateNode(nullptr, kPolygon);
  TSector* m = e.CreateNode(nullptr, kModel);
  TSector* l = e.CreateNode(nullptr, kLight);
  TSector* p = e.CreateNode(nullptr, kPortal);
  e.SelectionList = {q, m, l, p};
  AssignTexture(e, 4);
  EXPECT_EQ(q->TextureIndex, 4);
  EXPECT_EQ(m->TextureIndex, 4);
  EXPECT_EQ(l->TextureIndex, 0);
  EXPECT_EQ(p->TextureIndex, 0);
  AssignTexture(e, -1);  // an empty library: 65535, which draws untextured
  EXPECT_EQ(q->TextureIndex, 65535);
  e.SelectionList.clear();
  AssignTexture(e, 1);
  EXPECT_EQ(q->TextureIndex, 65535);
  EXPECT_EQ(view.redraws, 3);
}

}  // namespace
}  // namespace qx

#include "tools/view_options.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qx {
namespace {

TEST(ViewOptions, EmptyStoreTurnsEverythingOn) {
  test::MemorySettings s;
  const ViewOptions o = ReadViewOptions(s);
  for (const auto& p : kPersistedViewOptions) EXPECT_TRUE(o.*p.member) << p.name;
  EXPECT_FALSE(o.Wireframe);
}

TEST(ViewOptions, ReadRulesForBooleans) {
  test::MemorySettings s;
  s.values["QVX3_GUI_CULLFACE"] = "0";
  s.values["QVX3_GUI_SHOWGRID"] = "abc";
  s.values["QVX3_GUI_SHOWPORTALS"] = "2";
  s.values["QVX3_GUI_SHOWNORMALS"] = "-1";
  s.values["QVX3_GUI_SHOWMARKIERUNG"] = "";
  const ViewOptions o = ReadViewOptions(s);
  EXPECT_FALSE(o.CullFace);
  EXPECT_TRUE(o.ShowGrid);
  EXPECT_TRUE(o.ShowPortals);
  EXPECT_TRUE(o.ShowNormals);
  EXPECT_TRUE(o.ShowMarkers);
}

TEST(ViewOptions, WritesEightZeroOneValuesAndReadsThemBack) {
  test::MemorySettings s;
  ViewOptions o;
  o.ShowLightmaps = false;
  o.ShowMarkers = false;
  o.Wireframe = true;  // not persisted
  WriteViewOptions(s, o);
  ASSERT_EQ(s.values.size(), 8u);
  EXPECT_EQ(s.values["QVX3_GUI_SHOWLIGHTMAP"], "0");
  EXPECT_EQ(s.values["QVX3_GUI_SHOWMARKIERUNG"], "0");
  EXPECT_EQ(s.values["QVX3_GUI_SHOWTEXTURE"], "1");
  EXPECT_EQ(s.values["QVX3_GUI_SHOWTRANSPARENT"], "1");
  const ViewOptions back = ReadViewOptions(s);
  EXPECT_FALSE(back.ShowLightmaps);
  EXPECT_FALSE(back.ShowMarkers);
  EXPECT_TRUE(back.ShowTextures);
  EXPECT_FALSE(back.Wireframe);
}

TEST(ViewLayout, FourViewsAndSplittersRoundTripMalformedGiveTheDefault) {
  test::MemorySettings s;
  ViewLayout first = ReadViewLayout(s);
  EXPECT_FALSE(first.FourViews);  // a first start shows the 3D view alone
  EXPECT_EQ(first.Columns, (std::array<int, 2>{1, 1}));
  ViewLayout l;
  l.FourViews = true;
  l.Columns = {612, 388};
  l.Rows = {0, 500};
  WriteViewLayout(s, l);
  EXPECT_EQ(s.values["QVX3_GUI_FOURVIEWS"], "1");
  EXPECT_EQ(s.values["QVX3_GUI_FOURVIEWS_COLUMNS"], "612,388");
  EXPECT_EQ(s.values["QVX3_GUI_FOURVIEWS_ROWS"], "0,500");
  const ViewLayout back = ReadViewLayout(s);
  EXPECT_TRUE(back.FourViews);
  EXPECT_EQ(back.Columns, l.Columns);
  EXPECT_EQ(back.Rows, l.Rows);
  for (const char* bad : {"", "abc", "1,", ",1", "-5,3", "0,0", "1,2,3", "999999,1", "1 ,2", "1e3,4"}) {
    s.values["QVX3_GUI_FOURVIEWS_COLUMNS"] = bad;
    EXPECT_EQ(ReadViewLayout(s).Columns, (std::array<int, 2>{1, 1})) << bad;
  }
  s.values["QVX3_GUI_FOURVIEWS"] = "abc";
  EXPECT_FALSE(ReadViewLayout(s).FourViews);
}

}  // namespace
}  // namespace qx

#include "session/recent_files.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qx {
namespace {

using Paths = std::vector<std::filesystem::path>;

TEST(RecentFiles, NewestFirstWithoutRepeatsAtMostEight) {
  test::MemorySettings settings;
  RecentFiles recent(&settings);
  EXPECT_TRUE(recent.Files().empty());
  for (int i = 1; i <= 10; ++i) recent.Add("/karten/k" + std::to_string(i) + ".qxm");
  ASSERT_EQ(recent.Files().size(), kRecentFileCount);
  EXPECT_EQ(recent.Files().front(), "/karten/k10.qxm");
  EXPECT_EQ(recent.Files().back(), "/karten/k3.qxm");

  // Opening a listed file again moves it to the front; "." parts name the same file.
  recent.Add("/karten/./k5.qxm");
  EXPECT_EQ(recent.Files().front(), "/karten/k5.qxm");
  EXPECT_EQ(recent.Files().size(), kRecentFileCount);
  EXPECT_EQ(std::count(recent.Files().begin(), recent.Files().end(), "/karten/k5.qxm"), 1);
}

TEST(RecentFiles, KeptInTheSettingsStoreAtOnce) {
  test::MemorySettings settings;
  {
    RecentFiles recent(&settings);
    recent.Add("/a.qxm");
    recent.Add("/b.qxm");
  }
  EXPECT_EQ(settings.values["QVX3_RECENT_FILE1"], "/b.qxm");
  EXPECT_EQ(settings.values["QVX3_RECENT_FILE2"], "/a.qxm");
  EXPECT_EQ(settings.values["QVX3_RECENT_FILE3"], "");
  EXPECT_EQ(settings.values.count("QVX3_RECENT_FILE9"), 0u);

  RecentFiles again(&settings);
  EXPECT_EQ(again.Files(), (Paths{"/b.qxm", "/a.qxm"}));
  again.Remove("/b.qxm");
  EXPECT_EQ(settings.values["QVX3_RECENT_FILE1"], "/a.qxm");
  EXPECT_EQ(settings.values["QVX3_RECENT_FILE2"], "");
  again.Clear();
  EXPECT_EQ(settings.values["QVX3_RECENT_FILE1"], "");
}

TEST(RecentFiles, ReadingSkipsGapsAndRepeats) {
  test::MemorySettings settings;
  settings.values = {{"QVX3_RECENT_FILE1", ""},
                     {"QVX3_RECENT_FILE2", "/x.qxm"},
                     {"QVX3_RECENT_FILE4", "/y.qxm"},
                     {"QVX3_RECENT_FILE5", "/x.qxm"},
                     {"QVX3_RECENT_FILE9", "/z.qxm"}};
  RecentFiles recent(&settings);
  EXPECT_EQ(recent.Files(), (Paths{"/x.qxm", "/y.qxm"}));
  RecentFiles none(nullptr);
  none.Add("/a.qxm");  // no store: the list lives for the run
  EXPECT_EQ(none.Files().size(), 1u);
}

TEST(RecentFiles, MenuLabelsNumberFromOneAndShowAmpersands) {
  EXPECT_EQ(RecentFileLabel(0, "/karten/Burg.qxm"), "&1 Burg.qxm");
  EXPECT_EQ(RecentFileLabel(7, "/karten/Haus & Hof.qxm"), "&8 Haus && Hof.qxm");
}

}  // namespace
}  // namespace qx

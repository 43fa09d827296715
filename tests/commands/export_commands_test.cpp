#include "commands/export_commands.h"

#include <gtest/gtest.h>

#include "lighting/level_reader.h"
#include "lighting/lightmap.h"
#include "support/scene_generator.h"
#include "support/test_support.h"

namespace qx {
namespace {

struct ExportFixture : ::testing::Test {
  ExportFixture() {
    e.prompts = &prompts;
    e.settings = &settings;
    TSector* s = e.CreateNode(nullptr, kSector);
    s->Id = e.NextId();
    square = test::AddQuad(e, s, {0, 0, 0}, {40, 0, 0}, {0, 40, 0});
    test::AddLight(e, s, {0, 0, 30}, 0, 1);
  }
  ExportBake Bake(LightmapSize size) {
    return [this, size](Editor& ed) {
      ++bakes;
      return ComputeLightmaps(ed, size) == BakeStatus::kDone;
    };
  }
  LevelFile Read(const std::filesystem::path& p) {
    LevelFile f;
    std::string error;
    EXPECT_TRUE(ReadLevelFile(test::ReadFileBytes(p), f, error)) << error;
    return f;
  }
  Editor e;
  test::FakePrompts prompts;
  test::MemorySettings settings;
  test::TempDir dir;
  TSector* square;
  int bakes = 0;
};

TEST_F(ExportFixture, DialogExtensionQuestionAndFolder) {
  settings.values[kMapPathSetting] = "/somewhere";
  prompts.save_answers.push_back(dir / "level");
  prompts.confirm_answers.push_back(true);
  ExportLevelCommand(e, Bake({8, 8}));
  ASSERT_EQ(prompts.save_dialogs.size(), 1u);
  EXPECT_EQ(prompts.save_dialogs[0].filter, "Leveldatei (*.map)|*.map");
  EXPECT_EQ(prompts.save_dialogs[0].initial_dir, "/somewhere");
  EXPECT_EQ(prompts.confirmations, std::vector<std::string>{"Lightmaps generieren?"});
  EXPECT_EQ(bakes, 1);
  const LevelFile f = Read(dir / "level.map");
  EXPECT_EQ(f.lightmaps.size(), 2u);
  EXPECT_GT(f.lightmaps[0].rgb[0], 90) << "the light was baked in";
  EXPECT_EQ(settings.values[kMapPathSetting], dir.path().string()) << "no trailing separator";

  prompts.save_answers.push_back(dir / "other.lvl");  // another extension is kept
  prompts.confirm_answers.push_back(false);
  ExportLevelCommand(e, Bake({8, 8}));
  EXPECT_EQ(bakes, 1);
  EXPECT_TRUE(e.LightmapList.empty()) << "No empties the lightmap list";
  const LevelFile g = Read(dir / "other.lvl");
  EXPECT_TRUE(g.lightmaps.empty());
  EXPECT_EQ(g.records[1].lightmap_index, 0) << "the triangles keep the indices of the last bake";
  EXPECT_EQ(g.records[2].lightmap_index, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "other.lvl.map"));
}

TEST_F(ExportFixture, CancelledDialogOrBakeChangesNothing) {
  ExportLevelCommand(e, Bake({8, 8}));  // the dialog answers Cancel
  EXPECT_TRUE(prompts.confirmations.empty());
  EXPECT_TRUE(settings.values.empty());

  test::WriteFileBytes(dir / "keep.map", {1, 2, 3});
  prompts.save_answers.push_back(dir / "keep.map");
  prompts.confirm_answers.push_back(true);
  ExportLevelCommand(e, [](Editor&) { return false; });
  EXPECT_EQ(test::ReadFileBytes(dir / "keep.map"), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_TRUE(settings.values.empty());
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(ExportFixture, UnwritableFileIsReportedAndNothingIsLeftBehind) {
  // The chosen name is a folder: the rename at the end fails, the folder stays as it was.
  std::filesystem::create_directory(dir / "taken.map");
  test::WriteFileBytes(dir / "taken.map" / "inside", {9, 9});
  prompts.save_answers.push_back(dir / "taken.map");
  prompts.confirm_answers.push_back(false);
  ExportLevelCommand(e, Bake({8, 8}));
  EXPECT_EQ(prompts.warnings, std::vector<std::string>{"Die Leveldatei konnte nicht gespeichert werden!"});
  EXPECT_EQ(test::ReadFileBytes(dir / "taken.map" / "inside"), (std::vector<uint8_t>{9, 9}));
  EXPECT_EQ(settings.values[kMapPathSetting], dir.path().string()) << "the folder is remembered all the same";
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u) << "no temporary file left";

  prompts.warnings.clear();  // a folder that is a file
  EXPECT_EQ(ExportLevel(e, dir / "taken.map" / "inside" / "x.map", {}), ExportOutcome::kFailed);
  EXPECT_EQ(prompts.warnings.size(), 1u);
}

TEST_F(ExportFixture, WithoutPromptsTheAnswerIsNo) {
  e.prompts = nullptr;
  e.LightmapList.push_back({1, 1, {1, 2, 3}});
  EXPECT_EQ(ExportLevel(e, dir / "a.map", Bake({4, 4})), ExportOutcome::kWritten);
  EXPECT_EQ(bakes, 0);
  EXPECT_TRUE(Read(dir / "a.map").lightmaps.empty());
  ExportLevelCommand(e, Bake({4, 4}));  // no dialog to ask: nothing happens
  EXPECT_TRUE(settings.values.empty());
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

struct LightmapWatch : DocumentListener {
  int lightmap_sets = 0;
  void DocumentChanged(const ChangeSet& c) override { lightmap_sets += c.lightmaps; }
};

TEST_F(ExportFixture, ExportWithoutLightmapsTellsTheViewsTheyAreGone) {
  LightmapWatch watch;
  e.AddDocumentListener(&watch);
  ASSERT_EQ(ComputeLightmaps(e, {8, 8}), BakeStatus::kDone);
  e.PublishChanges();
  EXPECT_EQ(watch.lightmap_sets, 1);
  prompts.confirm_answers.push_back(false);
  EXPECT_EQ(ExportLevel(e, dir / "a.map", {}), ExportOutcome::kWritten);
  EXPECT_TRUE(e.LightmapList.empty());
  e.PublishChanges();
  EXPECT_EQ(watch.lightmap_sets, 2);
  // None to clear: nothing to tell.
  prompts.confirm_answers.push_back(false);
  EXPECT_EQ(ExportLevel(e, dir / "b.map", {}), ExportOutcome::kWritten);
  e.PublishChanges();
  EXPECT_EQ(watch.lightmap_sets, 2);
  e.RemoveDocumentListener(&watch);
}

}  // namespace
}  // namespace qx

#include "commands/document_commands.h"

#include <gtest/gtest.h>

#include "commands/recording_view.h"
#include "commands/sector_import.h"
#include "document/map_document_io.h"
#include "support/scene_samples.h"
#include "support/test_support.h"

namespace qx {
namespace {

using test::AddQuad;
using test::AddSector;

using test::RecordingView;

struct Fixture : ::testing::Test {
  test::TempDir dir;
  test::FakePrompts prompts;
  test::MemorySettings settings;
  RecordingView view;
  Editor e{"/opt/quarvex"};
  Fixture() {
    e.prompts = &prompts;
    e.settings = &settings;
    view.Attach(e);
    TSector* s = AddSector(e, nullptr, "Raum");
    AddQuad(e, s, {});
  }
};

using DocumentCommands = Fixture;

TEST_F(DocumentCommands, SaveAsAppendsExtensionAndNamesTheDocument) {
  settings.values[kMapPathSetting] = "/maps";
  prompts.save_answers.push_back(dir / "karte");
  ASSERT_TRUE(SaveDocumentAs(e));
  ASSERT_EQ(prompts.save_dialogs.size(), 1u);
  EXPECT_EQ(prompts.save_dialogs[0].filter, "Quarvex Maps|*.qxm");
  EXPECT_EQ(prompts.save_dialogs[0].initial_dir, std::filesystem::path("/maps"));
  EXPECT_EQ(test::ReadFileBytes(dir / "karte.qxm"), WriteMapDocument(e));
  EXPECT_EQ(e.DocumentFileName, dir / "karte.qxm");
  EXPECT_TRUE(e.DocumentHasFile);
  EXPECT_EQ(view.caption, "Quarvex v1.0.0 - karte.qxm");
  EXPECT_EQ(settings.values[kMapPathSetting], dir.path().string());  // no trailing separator

  prompts.save_answers.push_back(dir / "andere.map");
  ASSERT_TRUE(SaveDocumentAs(e));
  EXPECT_TRUE(std::filesystem::exists(dir / "andere.map"));
}

TEST_F(DocumentCommands, SaveAsCancelOrFailureKeepsTheName) {
  EXPECT_FALSE(SaveDocumentAs(e));  // cancelled
  EXPECT_FALSE(e.DocumentHasFile);
  EXPECT_TRUE(prompts.warnings.empty());

  prompts.save_answers.push_back(dir / "fehlt" / "karte.qxm");
  EXPECT_FALSE(SaveDocumentAs(e));
  EXPECT_EQ(prompts.warnings, std::vector<std::string>{"Datei konnte nicht gespeichert werden!"});
  EXPECT_EQ(e.DocumentFileName, std::filesystem::path("/opt/quarvex/Unbennant.qxm"));
  EXPECT_FALSE(e.DocumentHasFile);
  EXPECT_TRUE(settings.values.empty());
}

TEST_F(DocumentCommands, SaveUsesTheDocumentNameOnceItHasOne) {
  prompts.save_answers.push_back(dir / "karte.qxm");
  ASSERT_TRUE(SaveDocument(e));  // no file yet: asks
  EXPECT_EQ(prompts.save_dialogs.size(), 1u);
  AddSector(e, nullptr, "neu");
  ASSERT_TRUE(SaveDocument(e));  // asks no more
  EXPECT_EQ(prompts.save_dialogs.size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(dir / "karte.qxm"), WriteMapDocument(e));

  // A failed save keeps the previous file.
  const auto before = test::ReadFileBytes(dir / "karte.qxm");
  std::filesystem::remove(dir / "karte.qxm");
  std::filesystem::create_directory(dir / "karte.qxm");
  test::WriteFileBytes(dir / "karte.qxm" / "x", before);
  EXPECT_FALSE(SaveDocument(e));
  EXPECT_EQ(prompts.warnings.back(), "Datei konnte nicht gespeichert werden!");
  EXPECT_EQ(test::ReadFileBytes(dir / "karte.qxm" / "x"), before);
}

TEST_F(DocumentCommands, OpenLoadsAndRemembersTheFolder) {
  Editor other;
  AddSector(other, nullptr, "fremd");
  other.CameraPosition = {1, 2, 3};
  test::WriteFileBytes(dir / "fremd.qxm", WriteMapDocument(other));
  settings.values[kMapPathSetting] = "/maps/";
  prompts.open_answers.push_back(dir / "fremd.qxm");
  view.panel_visible = true;
  ASSERT_TRUE(OpenDocument(e));
  EXPECT_FALSE(view.panel_visible);
  EXPECT_EQ(prompts.open_dialogs[0].filter, "Quarvex Maps|*.qxm");
  EXPECT_EQ(prompts.open_dialogs[0].initial_dir, std::filesystem::path("/maps/"));
  EXPECT_EQ(e.Tree.Count(), 1u);
  EXPECT_EQ(e.Tree.First()->Name, "fremd");
  EXPECT_EQ(e.CameraPosition, (Vector{1, 2, 3}));
  EXPECT_EQ(e.DocumentFileName, dir / "fremd.qxm");
  EXPECT_TRUE(e.DocumentHasFile);
  EXPECT_EQ(view.caption, "Quarvex v1.0.0 - fremd.qxm");
  EXPECT_EQ(settings.values[kMapPathSetting], dir.path().string() + "/");
  EXPECT_GE(view.redraws, 1);
}

TEST_F(DocumentCommands, OpenRefusesMissingAndDamagedFiles) {
  const std::vector<TSector*> nodes = e.Tree.InOrder();
  prompts.open_answers.push_back(dir / "nichts.qxm");
  EXPECT_FALSE(OpenDocument(e));
  EXPECT_EQ(prompts.warnings, std::vector<std::string>{"Datei nicht gefunden!"});

  test::WriteFileBytes(dir / "kaputt.qxm", {'Q', 'X', 'M', '1', 0xE9, 3, 0, 0, 5, 0, 0, 0, 1});
  prompts.open_answers.push_back(dir / "kaputt.qxm");
  EXPECT_FALSE(OpenDocument(e));
  EXPECT_EQ(prompts.warnings.back(), "Ungültige Datei!");

  std::filesystem::create_directory(dir / "ordner.qxm");
  prompts.open_answers.push_back(dir / "ordner.qxm");
  EXPECT_FALSE(OpenDocument(e));
  EXPECT_EQ(prompts.warnings.size(), 3u);

  EXPECT_EQ(e.Tree.InOrder(), nodes);
  EXPECT_EQ(e.DocumentFileName, std::filesystem::path("/opt/quarvex/Unbennant.qxm"));
  EXPECT_FALSE(e.DocumentHasFile);
  EXPECT_TRUE(settings.values.empty());

  EXPECT_FALSE(OpenDocument(e));  // cancelled: nothing said
  EXPECT_EQ(prompts.warnings.size(), 3u);
}

TEST_F(DocumentCommands, SectorSaveNeedsASelectedSector) {
  EXPECT_FALSE(SaveSelectedSector(e));  // nothing selected: nothing happens
  EXPECT_TRUE(prompts.save_dialogs.empty());
  EXPECT_TRUE(prompts.warnings.empty());

  TSector* room = e.Tree.First();
  e.TreeSelection = room->Children[0].get();
  EXPECT_FALSE(SaveSelectedSector(e));
  EXPECT_EQ(prompts.warnings, std::vector<std::string>{"Sie können nur Sektoren abspeichern!"});
  EXPECT_TRUE(prompts.save_dialogs.empty());

  e.TreeSelection = room;
  prompts.save_answers.push_back(dir / "raum");
  ASSERT_TRUE(SaveSelectedSector(e));
  EXPECT_EQ(prompts.save_dialogs[0].filter, "Sektor (*.sec)|*.sec");
  EXPECT_TRUE(prompts.save_dialogs[0].initial_dir.empty());
  EXPECT_EQ(test::ReadFileBytes(dir / "raum.sec"), WriteSectorFile(room));
  EXPECT_TRUE(settings.values.empty());
}

TEST_F(DocumentCommands, SectorImportSelectsTheNewSector) {
  TSector* room = e.Tree.First();
  test::WriteFileBytes(dir / "raum.sec", WriteSectorFile(room));
  TSector* old_pick = room->Children[0].get();
  old_pick->Marked = 1;
  e.SelectionList = {old_pick};

  EXPECT_FALSE(ImportSectorFromFile(e));  // cancelled
  prompts.open_answers.push_back(dir / "nichts.sec");
  EXPECT_FALSE(ImportSectorFromFile(e));  // missing: silent
  EXPECT_TRUE(prompts.warnings.empty());

  prompts.open_answers.push_back(dir / "raum.sec");
  ASSERT_TRUE(ImportSectorFromFile(e));
  EXPECT_EQ(prompts.open_dialogs[0].filter, "Sektor (*.sec)|*.sec");
  ASSERT_EQ(e.Tree.TopLevel().size(), 2u);
  TSector* imported = e.Tree.TopLevel()[1].get();
  EXPECT_EQ(e.TreeSelection, imported);
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{imported});
  EXPECT_EQ(imported->Marked, 1);
  EXPECT_EQ(old_pick->Marked, 0);
  EXPECT_EQ(view.tree_selection, imported);
  EXPECT_EQ(view.LastShown(), imported);
  EXPECT_GE(view.redraws, 1);

  test::WriteFileBytes(dir / "kaputt.sec", {'S', 'E', 'C', '1'});
  prompts.open_answers.push_back(dir / "kaputt.sec");
  EXPECT_FALSE(ImportSectorFromFile(e));
  EXPECT_EQ(prompts.warnings, std::vector<std::string>{"Ungültige Datei!"});
  EXPECT_EQ(e.Tree.TopLevel().size(), 2u);
}

TEST(DocumentCommandsHeadless, NoPromptsMeansNothingHappens) {
  Editor e;
  AddSector(e);
  EXPECT_FALSE(SaveDocument(e));
  EXPECT_FALSE(OpenDocument(e));
  EXPECT_FALSE(ImportSectorFromFile(e));
  e.TreeSelection = e.Tree.First();
  EXPECT_FALSE(SaveSelectedSector(e));
}

}  // namespace
}  // namespace qx

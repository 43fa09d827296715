#include "session/autosave.h"

#include <gtest/gtest.h>

#include "commands/document_commands.h"
#include "commands/insert.h"
#include "document/map_document_io.h"
#include "support/scene_samples.h"
#include "support/test_support.h"

namespace qx {
namespace {

int64_t g_now = 0;
int64_t TestClock() {
  return g_now;
}

struct CaptionView : EditorView {
  std::string caption;
  void SetCaption(const std::string& t) override { caption = t; }
};

struct Fixture {
  test::TempDir dir;
  test::FakePrompts prompts;
  CaptionView view;
  Editor e;
  AutoSaver saver{dir / "Backup"};
  Fixture() {
    e.prompts = &prompts;
    e.view = &view;
    e.NewScene();
    g_now = 1'700'000'000'000;
    saver.clock = TestClock;
  }
  void Change() {
    e.History.Run("Sektor", [&] { InsertSector(e); });
  }
};

TEST(AutoSave, OnlyChangesNotYetBackedUpAreWritten) {
  Fixture f;
  EXPECT_FALSE(f.saver.Tick(f.e));  // nothing changed
  EXPECT_TRUE(f.saver.Backups().empty());

  f.Change();
  ASSERT_TRUE(f.saver.Tick(f.e));
  std::vector<BackupInfo> backups = f.saver.Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(backups[0].file), WriteMapDocument(f.e));
  EXPECT_EQ(backups[0].document, f.e.DocumentFileName);
  EXPECT_FALSE(backups[0].document_has_file);
  EXPECT_EQ(backups[0].time_ms, g_now);

  g_now += 180'000;
  EXPECT_FALSE(f.saver.Tick(f.e));  // the backup holds this already
  f.Change();
  EXPECT_TRUE(f.saver.Tick(f.e));
  EXPECT_EQ(f.saver.Backups().size(), 2u);

  // Saved: no backup is due, and the document file itself is never touched by one.
  f.prompts.save_answers.push_back(f.dir / "karte.qxm");
  ASSERT_TRUE(SaveDocumentAs(f.e));
  const std::vector<uint8_t> saved = test::ReadFileBytes(f.dir / "karte.qxm");
  g_now += 180'000;
  EXPECT_FALSE(f.saver.Tick(f.e));
  f.Change();
  EXPECT_TRUE(f.saver.Tick(f.e));
  EXPECT_EQ(test::ReadFileBytes(f.dir / "karte.qxm"), saved);
  EXPECT_EQ(f.saver.Newest()->document, f.dir / "karte.qxm");
  EXPECT_TRUE(f.saver.Newest()->document_has_file);
}

TEST(AutoSave, KeepsAFewGenerationsNewestFirstEvenWhenTheClockGoesBack) {
  Fixture f;
  for (int i = 0; i < 5; ++i) {
    f.Change();
    g_now += (i == 3 ? -3'600'000 : 60'000);  // the clock is set back an hour once
    ASSERT_TRUE(f.saver.Tick(f.e));
  }
  const std::vector<BackupInfo> backups = f.saver.Backups();
  ASSERT_EQ(backups.size(), kBackupGenerations);
  EXPECT_EQ(test::ReadFileBytes(backups[0].file), WriteMapDocument(f.e));
  EXPECT_GT(backups[0].time_ms, backups[1].time_ms);
  EXPECT_GT(backups[1].time_ms, backups[2].time_ms);
  // Other files in the folder are left alone.
  test::WriteFileBytes(f.saver.Folder() / "notiz.qxm", {1});
  f.saver.RemoveAll();
  EXPECT_TRUE(f.saver.Backups().empty());
  EXPECT_TRUE(std::filesystem::exists(f.saver.Folder() / "notiz.qxm"));
  EXPECT_FALSE(std::filesystem::exists(
      backups[0].file.string().substr(0, backups[0].file.string().size() - 4) + ".txt"));
}

TEST(AutoSave, AFolderThatCannotBeWrittenReportsAndLeavesNothing) {
  Fixture f;
  test::WriteFileBytes(f.dir / "Datei", {1});
  AutoSaver blocked(f.dir / "Datei" / "Backup");
  f.Change();
  std::string error;
  EXPECT_FALSE(blocked.Tick(f.e, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(blocked.Backups().empty());
}

TEST(AutoSave, RecoveryOpensTheNewestBackupUnderItsDocumentsName) {
  Fixture f;
  test::AddSector(f.e, nullptr, "Raum");
  f.e.DocumentFileName = f.dir / "burg.qxm";
  f.e.DocumentHasFile = true;
  f.Change();
  ASSERT_TRUE(f.saver.Tick(f.e));
  const std::vector<uint8_t> scene = WriteMapDocument(f.e);

  // The next run: a fresh editor finds the backup and asks.
  Editor next;
  test::FakePrompts prompts;
  CaptionView view;
  next.prompts = &prompts;
  next.view = &view;
  next.NewScene();
  prompts.confirm_answers = {false};
  EXPECT_FALSE(OfferRecovery(next, f.saver));
  ASSERT_EQ(prompts.confirmations.size(), 1u);
  EXPECT_NE(prompts.confirmations[0].find("\"burg.qxm\""), std::string::npos);
  EXPECT_NE(prompts.confirmations[0].find("nicht ordnungsgemäß beendet"), std::string::npos);
  EXPECT_TRUE(next.Tree.Empty());

  prompts.confirm_answers = {true};
  ASSERT_TRUE(OfferRecovery(next, f.saver));
  EXPECT_EQ(WriteMapDocument(next), scene);
  EXPECT_EQ(next.DocumentFileName, f.dir / "burg.qxm");
  EXPECT_TRUE(next.DocumentHasFile);
  EXPECT_TRUE(next.IsModified());
  EXPECT_EQ(view.caption, "Quarvex v1.0.0 - burg.qxm*");
  EXPECT_FALSE(next.History.CanUndo());
}

TEST(AutoSave, ADamagedBackupIsRefusedAndNothingChanges) {
  Fixture f;
  f.Change();
  ASSERT_TRUE(f.saver.Tick(f.e));
  test::WriteFileBytes(f.saver.Newest()->file, {'Q', 'X', 'M', '1', 0});
  Editor next;
  test::FakePrompts prompts;
  next.prompts = &prompts;
  next.NewScene();
  InsertSector(next);
  EXPECT_FALSE(OfferRecovery(next, f.saver));
  EXPECT_EQ(prompts.warnings, std::vector<std::string>{kInvalidFile});
  EXPECT_EQ(next.Tree.Count(), 1u);

  AutoSaver empty(f.dir / "leer");
  EXPECT_FALSE(OfferRecovery(next, empty));
  EXPECT_EQ(prompts.confirmations.size(), 1u);  // no backup, no question
}

}  // namespace
}  // namespace qx

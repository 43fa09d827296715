#include "session/unsaved_changes.h"

#include <gtest/gtest.h>

#include "commands/document_commands.h"
#include "commands/insert.h"
#include "document/map_document_io.h"
#include "support/scene_samples.h"
#include "support/test_support.h"

namespace qx {
namespace {

struct Fixture {
  test::TempDir dir;
  test::FakePrompts prompts;
  test::MemorySettings settings;
  Editor e;
  RecentFiles recent{&settings};
  Fixture() {
    e.prompts = &prompts;
    e.settings = &settings;
    e.NewScene();
  }
  void Change() {
    e.History.Run("Sektor", [&] { InsertSector(e); });
  }
};

TEST(UnsavedChanges, WithoutChangesNothingIsAsked) {
  Fixture f;
  EXPECT_TRUE(AskToSaveChanges(f.e));
  EXPECT_TRUE(NewDocumentCommand(f.e));
  f.prompts.open_answers.push_back(std::nullopt);
  EXPECT_FALSE(OpenDocumentCommand(f.e));
  EXPECT_TRUE(f.prompts.confirmations.empty());
  EXPECT_EQ(f.prompts.open_dialogs.size(), 1u);
}

TEST(UnsavedChanges, CancelKeepsTheSceneAndNoDiscardsIt) {
  Fixture f;
  f.Change();
  f.prompts.yes_no_cancel_answers = {Answer::kCancel};
  EXPECT_FALSE(NewDocumentCommand(f.e));
  ASSERT_EQ(f.prompts.confirmations, std::vector<std::string>{"Änderungen speichern?"});
  EXPECT_FALSE(f.e.Tree.Empty());
  EXPECT_TRUE(f.e.IsModified());

  f.prompts.yes_no_cancel_answers = {Answer::kCancel};
  EXPECT_FALSE(OpenDocumentCommand(f.e));
  EXPECT_TRUE(f.prompts.open_dialogs.empty());  // the dialog does not even open

  f.prompts.yes_no_cancel_answers = {Answer::kNo};
  EXPECT_TRUE(NewDocumentCommand(f.e));
  EXPECT_TRUE(f.e.Tree.Empty());
  EXPECT_FALSE(f.e.IsModified());
}

TEST(UnsavedChanges, YesSavesFirstAndACancelledSaveKeepsEverything) {
  Fixture f;
  f.Change();
  // No file yet: Yes asks for a name; cancelling that dialog cancels all.
  f.prompts.yes_no_cancel_answers = {Answer::kYes};
  f.prompts.save_answers.push_back(std::nullopt);
  EXPECT_FALSE(NewDocumentCommand(f.e));
  EXPECT_FALSE(f.e.Tree.Empty());

  f.prompts.yes_no_cancel_answers = {Answer::kYes};
  f.prompts.save_answers.push_back(f.dir / "karte");
  const std::vector<uint8_t> scene = WriteMapDocument(f.e);
  EXPECT_TRUE(NewDocumentCommand(f.e, &f.recent));
  EXPECT_EQ(test::ReadFileBytes(f.dir / "karte.qxm"), scene);
  EXPECT_TRUE(f.e.Tree.Empty());
  ASSERT_EQ(f.recent.Files().size(), 1u);
  EXPECT_EQ(f.recent.Files()[0], f.dir / "karte.qxm");

  // A save that fails keeps the document open.
  f.Change();
  f.prompts.yes_no_cancel_answers = {Answer::kYes};
  f.prompts.save_answers.push_back(f.dir / "fehlt" / "x.qxm");
  EXPECT_FALSE(AskToSaveChanges(f.e));
  EXPECT_EQ(f.prompts.warnings.back(), kSaveFailed);
  EXPECT_TRUE(f.e.IsModified());
}

TEST(UnsavedChanges, ChangesOutsideAnyCommandAreAskedAboutToo) {
  Fixture f;
  test::AddSector(f.e);
  f.e.History.Commit();  // the scene as it is now is the base of the new document
  test::AddSector(f.e);  // a change no command recorded yet
  f.prompts.yes_no_cancel_answers = {Answer::kCancel};
  EXPECT_FALSE(AskToSaveChanges(f.e));
  EXPECT_EQ(f.prompts.confirmations.size(), 1u);
}

TEST(UnsavedChanges, OpeningFeedsTheRecentFilesAndAGoneFileLeavesThem) {
  Fixture f;
  test::AddSector(f.e, nullptr, "S");
  ASSERT_TRUE(SaveMapDocument(f.e, f.dir / "a.qxm", nullptr));
  f.e.NewScene();
  f.prompts.open_answers.push_back(f.dir / "a.qxm");
  ASSERT_TRUE(OpenDocumentCommand(f.e, &f.recent));
  EXPECT_EQ(f.recent.Files(), std::vector<std::filesystem::path>{f.dir / "a.qxm"});

  f.Change();
  f.prompts.yes_no_cancel_answers = {Answer::kNo};
  ASSERT_TRUE(OpenRecentDocument(f.e, f.recent, f.dir / "a.qxm"));
  EXPECT_EQ(f.e.Tree.Count(), 1u);
  EXPECT_FALSE(f.e.IsModified());

  f.recent.Add(f.dir / "weg.qxm");
  f.Change();
  EXPECT_FALSE(OpenRecentDocument(f.e, f.recent, f.dir / "weg.qxm"));
  EXPECT_EQ(f.prompts.warnings.back(), kFileNotFound);
  EXPECT_EQ(f.recent.Files(), std::vector<std::filesystem::path>{f.dir / "a.qxm"});
  EXPECT_EQ(f.e.Tree.Count(), 2u);  // nothing asked, nothing lost

  f.prompts.save_answers.push_back(f.dir / "b.qxm");
  ASSERT_TRUE(SaveDocumentAsCommand(f.e, &f.recent));
  EXPECT_EQ(f.recent.Files().front(), f.dir / "b.qxm");
}

}  // namespace
}  // namespace qx

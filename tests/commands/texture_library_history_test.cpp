// The texture library as part of the edit history: its changes are undone
// like any other, count as unsaved work of their own, and removing an entry
// leaves every node showing the picture it showed.

#include <gtest/gtest.h>

#include "commands/texture_commands.h"
#include "commands/texture_use.h"
#include "session/unsaved_changes.h"
#include "support/test_support.h"
#include "textures/test_bitmaps.h"
#include "textures/texture_library_file.h"

namespace qx {
namespace {

struct CaptionView : EditorView {
  std::string caption;
  void SetCaption(const std::string& t) override { caption = t; }
};

// Counts what the graphics side would make and release.
struct CountingUploader : TextureUploader {
  uint32_t next = 100;
  int uploads = 0;
  std::vector<uint32_t> released;
  uint32_t Upload(const RgbImage&) override { return ++uploads, ++next; }
  void Release(uint32_t name) override { released.push_back(name); }
};

struct LibraryHistory : ::testing::Test {
  test::TempDir dir;
  test::FakePrompts prompts;
  test::MemorySettings settings;
  CaptionView view;
  Editor e{dir.path()};
  TextureLibrary& lib = e.Textures;
  CountingUploader uploader;

  LibraryHistory() {
    e.prompts = &prompts;
    e.settings = &settings;
    e.view = &view;
    lib.SetUploader(&uploader);
    e.NewScene();
  }
  void Add(const std::string& name, int size) {
    e.History.Run("Hinzufügen", [&] { lib.Add(MakeTexNode(0, name, test::MakeBmp(size, size))); });
  }
  // Polygons and a model, each with the given texture number.
  std::vector<TSector*> Users(std::initializer_list<int> numbers) {
    std::vector<TSector*> out;
    e.History.Run("Knoten", [&] {
      TSector* sector = e.CreateNode(nullptr, kSector);
      for (int n : numbers) {
        out.push_back(e.CreateNode(sector, out.size() == 2 ? kModel : kPolygon));
        out.back()->TextureIndex = static_cast<uint16_t>(n);
      }
    });
    return out;
  }
  // The picture each node shows (null: none).
  std::vector<const TexturePicture*> Shown(const std::vector<TSector*>& nodes) {
    std::vector<const TexturePicture*> out;
    for (const TSector* n : nodes) {
      const TTexNode* entry = lib.Entry(n->TextureIndex);
      out.push_back(entry ? entry->Picture.get() : nullptr);
    }
    return out;
  }
};

TEST_F(LibraryHistory, AChangeIsUnsavedWorkAndIsUndoneLikeAnyOther) {
  const std::string clean = view.caption;
  EXPECT_EQ(clean, "Quarvex v1.0.0 - Unbennant.qxm");
  Add("stein", 4);
  EXPECT_EQ(view.caption, clean + "*");
  EXPECT_FALSE(e.IsModified()) << "the map document itself did not change";
  EXPECT_TRUE(e.HasUnsavedChanges());
  EXPECT_EQ(e.History.UndoName(), "Hinzufügen");

  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(lib.Count(), 0);
  EXPECT_FALSE(lib.IsModified()) << "back to the library as it was";
  EXPECT_EQ(view.caption, clean);
  ASSERT_TRUE(e.History.Redo());
  ASSERT_EQ(lib.Count(), 1);
  EXPECT_EQ(lib.Entry(0)->TexName, "stein");
  EXPECT_NE(lib.Entry(0)->GLName, 0u);
  EXPECT_EQ(view.caption, clean + "*");

  // Saving the library is what makes it clean; an undo after that is a change again.
  prompts.save_answers.push_back(dir / "lib");
  ASSERT_TRUE(SaveTextureLibraryAsCommand(e));
  EXPECT_EQ(view.caption, clean);
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(view.caption, clean + "*");
  ASSERT_TRUE(e.History.Redo());
  EXPECT_EQ(view.caption, clean);
}

TEST_F(LibraryHistory, TheQuestionNamesWhatChangedAndYesSavesIt) {
  Add("stein", 2);
  prompts.yes_no_cancel_answers = {Answer::kCancel};
  EXPECT_FALSE(NewDocumentCommand(e));
  EXPECT_EQ(prompts.confirmations.back(), kSaveLibraryQuestion);
  EXPECT_EQ(lib.Count(), 1);

  e.History.Run("Sektor", [&] { e.CreateNode(nullptr, kSector); });
  prompts.yes_no_cancel_answers = {Answer::kYes};
  prompts.save_answers = {dir / "level.qxm", dir / "lib.tex"};
  EXPECT_TRUE(NewDocumentCommand(e));
  EXPECT_EQ(prompts.confirmations.back(), kSaveBothQuestion);
  EXPECT_TRUE(std::filesystem::exists(dir / "level.qxm"));
  EXPECT_TRUE(std::filesystem::exists(dir / "lib.tex"));
  EXPECT_FALSE(e.HasUnsavedChanges());

  // A library save cancelled in its dialog keeps everything.
  Add("holz", 2);
  lib.HasFile = false;
  prompts.yes_no_cancel_answers = {Answer::kYes};
  prompts.save_answers = {std::nullopt};
  EXPECT_FALSE(AskToSaveChanges(e));
  EXPECT_TRUE(lib.IsModified());
}

TEST_F(LibraryHistory, RemovingKeepsEveryNodesPictureAndUndoBringsAllBack) {
  for (const char* name : {"a", "b", "c", "d"}) Add(name, 2);
  // Polygons on 0, 1, 2, the model on 2, a polygon on 3, one beyond the library, one on none.
  const std::vector<TSector*> nodes = Users({0, 1, 2, 3, 9, 65535});
  const std::vector<const TexturePicture*> before = Shown(nodes);
  const std::vector<uint32_t> names = {lib.Entry(0)->GLName, lib.Entry(2)->GLName, lib.Entry(3)->GLName};
  const int uploads = uploader.uploads;
  lib.SelectTexture(1);

  // "Nein" leaves all as it was, and no step.
  prompts.confirm_answers = {false};
  const size_t steps = e.History.UndoCount();
  e.History.Run("Löschen", [&] { EXPECT_FALSE(RemoveTextureCommand(e)); });
  EXPECT_EQ(prompts.confirmations.back(),
            "Die Textur wird von einem Knoten benutzt, der danach keine Textur "
            "mehr zeigt. Trotzdem löschen?");
  EXPECT_EQ(lib.Count(), 4);
  EXPECT_EQ(e.History.UndoCount(), steps);

  e.History.Run("Löschen", [&] { EXPECT_TRUE(RemoveTextureCommand(e)); });
  ASSERT_EQ(lib.Count(), 3);
  std::vector<const TexturePicture*> expected = before;
  expected[1] = nullptr;
  EXPECT_EQ(Shown(nodes), expected) << "every node but the removed entry's keeps its picture";
  std::vector<int> numbers;
  for (const TSector* n : nodes) numbers.push_back(n->TextureIndex);
  EXPECT_EQ(numbers, (std::vector<int>{0, 65535, 1, 2, 9, 65535}));
  EXPECT_EQ(uploader.released, std::vector<uint32_t>{102}) << "b's texture, and no other";

  ASSERT_TRUE(e.History.Undo());
  ASSERT_EQ(lib.Count(), 4);
  EXPECT_EQ(Shown(nodes), before);
  EXPECT_EQ(lib.CurrentTexture(), 1) << "the removed entry is selected again";
  EXPECT_EQ(uploader.uploads, uploads + 1) << "only the restored picture is uploaded again";
  EXPECT_EQ((std::vector<uint32_t>{lib.Entry(0)->GLName, lib.Entry(2)->GLName, lib.Entry(3)->GLName}), names);
  ASSERT_TRUE(e.History.Redo());
  EXPECT_EQ(Shown(nodes), expected);

  EXPECT_EQ(RemoveUsedTextureQuestion(3),
            "Die Textur wird von 3 Knoten benutzt, die danach keine Textur mehr zeigen. Trotzdem löschen?");
  EXPECT_EQ(CountTextureUsers(e.Tree, 1), 1) << "the model, now on c's new number";
}

TEST_F(LibraryHistory, StepsShareThePictures) {
  Add("gross", 256);  // 192 KiB of pixels and as much of bitmap
  const size_t after_add = e.History.Bytes();
  TSector* sector = nullptr;
  e.History.Run("Sektor", [&] { sector = e.CreateNode(nullptr, kSector); });
  for (int i = 0; i < 20; ++i) e.History.Run("Umbenennen", [&] { e.Tree.Rename(sector, std::to_string(i)); });
  EXPECT_LT(e.History.Bytes() - after_add, size_t(64) << 10) << "no step copies the picture";
  // Removed and brought back, the picture is still the one shared object.
  e.History.Run("Löschen", [&] { lib.Remove(0); });
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(lib.Entry(0)->Picture.use_count(), 2) << "the live entry and the one copy all states share";
}

TEST_F(LibraryHistory, LoadingALibraryIsAStepAndItsFileIsTheCleanState) {
  TextureLibrary other;
  other.Add(MakeTexNode(5, "x", test::MakeBmp(2, 2)));
  std::string message;
  ASSERT_TRUE(SaveTextureLibrary(other, dir / "x.tex", message));
  Add("stein", 2);
  prompts.open_answers.push_back(dir / "x.tex");
  e.History.Run("Bibliothek laden", [&] { ASSERT_TRUE(LoadTextureLibraryCommand(e)); });
  EXPECT_FALSE(lib.IsModified());
  EXPECT_EQ(lib.Entry(0)->TexName, "x");
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(lib.Entry(0)->TexName, "stein");
  EXPECT_TRUE(lib.IsModified()) << "the entries differ from the library's file";
}

}  // namespace
}  // namespace qx

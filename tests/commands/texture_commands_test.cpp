#include "commands/texture_commands.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "textures/test_bitmaps.h"
#include "textures/test_images.h"
#include "textures/texture_library_file.h"
#include "textures/texture_test_support.h"

namespace qx {
namespace {

struct CountingView : EditorView {
  int redraws = 0;
  void Redraw() override { ++redraws; }
};

struct Fixture : ::testing::Test {
  test::TempDir dir;
  test::FakePrompts prompts;
  test::MemorySettings settings;
  CountingView view;
  Editor editor{dir.path()};
  TextureLibrary& lib = editor.Textures;

  Fixture() {
    editor.prompts = &prompts;
    editor.settings = &settings;
    editor.view = &view;
  }
  std::filesystem::path WriteBmp(const std::string& name, const std::vector<uint8_t>& bytes) {
    test::WriteFileBytes(dir / name, bytes);
    return dir / name;
  }
  std::filesystem::path WriteLibrary(const std::string& name, int entries) {
    TextureLibrary tmp;
    for (int i = 0; i < entries; ++i)
      tmp.Add(MakeTexNode(i + 10, "t" + std::to_string(i), test::MakeBmp(2, 2)));
    std::string msg;
    EXPECT_TRUE(SaveTextureLibrary(tmp, dir / name, msg));
    return dir / name;
  }
};

using TextureCommands = Fixture;

TEST_F(TextureCommands, LoadAdoptsTheFileAndRemembersItsFolder) {
  const auto file = WriteLibrary("lib.tex", 2);
  lib.Directory = "/start/here";
  prompts.open_answers.push_back(file);
  ASSERT_TRUE(LoadTextureLibraryCommand(editor));
  ASSERT_EQ(prompts.open_dialogs.size(), 1u);
  EXPECT_EQ(prompts.open_dialogs[0].filter, "Texturbibliothek (*.tex)|*.tex");
  EXPECT_EQ(prompts.open_dialogs[0].initial_dir, "/start/here");
  EXPECT_EQ(lib.Count(), 2);
  EXPECT_EQ(lib.FileName, file);
  EXPECT_TRUE(lib.HasFile);
  EXPECT_EQ(settings.values["QVX3_TEXLIB_PATH"], dir.path().string());
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(TextureCommands, LoadIgnoresCancelAndMissingFilesAndRefusesForeignOnes) {
  EXPECT_FALSE(LoadTextureLibraryCommand(editor));  // cancelled
  prompts.open_answers.push_back(dir / "gone.tex");
  EXPECT_FALSE(LoadTextureLibraryCommand(editor));
  prompts.open_answers.push_back(dir.path());  // a folder is no file either
  EXPECT_FALSE(LoadTextureLibraryCommand(editor));
  EXPECT_TRUE(prompts.warnings.empty());

  const auto good = WriteLibrary("good.tex", 1);
  prompts.open_answers.push_back(good);
  ASSERT_TRUE(LoadTextureLibraryCommand(editor));
  settings.values.clear();
  const auto foreign = WriteBmp("foreign.tex", test::MakeBmp(2, 2));
  prompts.open_answers.push_back(foreign);
  EXPECT_FALSE(LoadTextureLibraryCommand(editor));
  EXPECT_EQ(prompts.warnings, (std::vector<std::string>{"Ungültige Datei!"}));
  EXPECT_EQ(lib.FileName, good);
  EXPECT_EQ(lib.Count(), 1);
  EXPECT_TRUE(settings.values.empty());
}

TEST_F(TextureCommands, SaveWithoutFileAsksAndAppendsTheExtension) {
  lib.Add(MakeTexNode(1, "a", test::MakeBmp(1, 1)));
  lib.Directory = "/libs";
  prompts.save_answers.push_back(dir / "neu");
  ASSERT_TRUE(SaveTextureLibraryCommand(editor));
  ASSERT_EQ(prompts.save_dialogs.size(), 1u);
  EXPECT_EQ(prompts.save_dialogs[0].filter, "Texturbibliothek (*.tex)|*.tex");
  EXPECT_EQ(prompts.save_dialogs[0].initial_dir, "/libs");
  EXPECT_EQ(lib.FileName, dir / "neu.tex");
  EXPECT_TRUE(lib.HasFile);
  EXPECT_EQ(lib.Directory, dir.path());
  EXPECT_EQ(settings.values["QVX3_TEXLIB_PATH"], dir.path().string());
  EXPECT_EQ(test::ReadFileBytes(dir / "neu.tex").size(), 6u + 9 + 1 + lib.Entry(0)->Bitmap().size());

  // Now it has a file: no dialog.
  lib.Add(MakeTexNode(2, "b", test::MakeBmp(1, 1)));
  ASSERT_TRUE(SaveTextureLibraryCommand(editor));
  EXPECT_EQ(prompts.save_dialogs.size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(dir / "neu.tex")[4], 2);

  // "speichern unter" with an extension keeps it.
  prompts.save_answers.push_back(dir / "other.lib");
  ASSERT_TRUE(SaveTextureLibraryAsCommand(editor));
  EXPECT_EQ(lib.FileName, dir / "other.lib");
  EXPECT_TRUE(std::filesystem::exists(dir / "other.lib"));
}

TEST_F(TextureCommands, FailedOrCancelledSaveClaimsNoFile) {
  EXPECT_FALSE(SaveTextureLibraryCommand(editor));  // cancelled
  EXPECT_FALSE(lib.HasFile);
  prompts.save_answers.push_back(dir / "missing" / "x.tex");
  EXPECT_FALSE(SaveTextureLibraryAsCommand(editor));
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0].rfind("Die Datei konnte nicht gespeichert werden!", 0), 0u);
  EXPECT_FALSE(lib.HasFile);
  EXPECT_TRUE(lib.FileName.empty());
  EXPECT_TRUE(settings.values.empty());
}

TEST_F(TextureCommands, AddNamesTheEntryAfterItsFileAndSelectsIt) {
  test::RecordingUploader up;
  lib.SetUploader(&up);
  lib.TextureDirectory = "/bitmaps";
  lib.Add(MakeTexNode(1, "first", test::MakeBmp(1, 1)));
  lib.SelectTexture(0);
  prompts.open_answers.push_back(WriteBmp("stone.bmp", test::MakeBmp(3, 3)));
  ASSERT_TRUE(AddTextureCommand(editor));
  EXPECT_EQ(prompts.open_dialogs[0].filter.rfind("Bilder (*.png *.jpg *.jpeg *.tga *.gif *.bmp)|", 0), 0u);
  EXPECT_NE(prompts.open_dialogs[0].filter.find("|Bitmaps (*.bmp)|*.bmp"), std::string::npos);
  EXPECT_EQ(prompts.open_dialogs[0].initial_dir, "/bitmaps");
  ASSERT_EQ(lib.Count(), 2);
  const TTexNode* e = lib.Entry(1);
  EXPECT_EQ(e->TexName, "stone");
  EXPECT_EQ(e->SourcePath, dir / "stone.bmp");
  EXPECT_EQ(e->Bitmap(), test::MakeBmp(3, 3));
  EXPECT_GE(e->TexId, 0);
  EXPECT_EQ(lib.CurrentTexture(), 1);
  EXPECT_EQ(lib.TextureGLName(1), 2u);
  EXPECT_EQ(lib.TextureDirectory, dir.path());
  EXPECT_EQ(settings.values["QVX3_TEX_PATH"], dir.path().string());

  // A paletted bitmap is stored as 24 bits and draws textured; names are Windows-1252.
  prompts.open_answers.push_back(
      WriteBmp("Gr\u00fcn.bmp", test::MakeBmp(2, 2, test::TestColor, {.bits = 8})));
  ASSERT_TRUE(AddTextureCommand(editor));
  EXPECT_EQ(lib.Entry(2)->TexName, "Gr\xFCn");
  EXPECT_EQ(lib.Entry(2)->Info()->bits_per_pixel, 24);
  EXPECT_EQ(lib.TextureGLName(2), 3u);
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(TextureCommands, AddRefusesBrokenBitmapsAndIgnoresCancel) {
  EXPECT_FALSE(AddTextureCommand(editor));
  prompts.open_answers.push_back(dir / "nothing.bmp");
  EXPECT_FALSE(AddTextureCommand(editor));
  EXPECT_TRUE(prompts.warnings.empty());
  auto cut = test::MakeBmp(4, 4);
  cut.resize(cut.size() - 5);
  prompts.open_answers.push_back(WriteBmp("cut.bmp", cut));
  prompts.open_answers.push_back(WriteBmp("text.bmp", {'h', 'e', 'l', 'l', 'o'}));
  EXPECT_FALSE(AddTextureCommand(editor));
  EXPECT_FALSE(AddTextureCommand(editor));
  EXPECT_EQ(prompts.warnings, (std::vector<std::string>{"Ungültige Datei!", "Ungültige Datei!"}));
  EXPECT_TRUE(lib.Empty());
}

TEST_F(TextureCommands, DroppedFilesAreAddedAndTheRefusedNamedInOneWarning) {
  test::RecordingUploader up;
  lib.SetUploader(&up);
  const auto png = WriteBmp("moos.png", test::MakeRgbPng(4, 2));
  const auto tga = WriteBmp("kies.tga", test::MakeTga(3, 3));
  const auto broken = WriteBmp("kaputt.jpg", {0xFF, 0xD8, 0xFF});
  auto huge = test::MakeTga(1, 1);
  huge[14] = 0x01;
  huge[15] = 0x10;  // 4097 high
  const auto too_big = WriteBmp("riesig.tga", huge);
  EXPECT_EQ(AddTextureFiles(editor, {png, broken, dir / "weg.png", tga, too_big}), 2);
  ASSERT_EQ(lib.Count(), 2);
  EXPECT_EQ(lib.Entry(0)->TexName, "moos");
  EXPECT_EQ(lib.Entry(1)->TexName, "kies");
  EXPECT_EQ(lib.Entry(1)->SourcePath, tga);
  EXPECT_EQ(lib.CurrentTexture(), 1);
  EXPECT_EQ(up.Live(), 2u);
  EXPECT_NE(lib.Entry(0)->TexId, lib.Entry(1)->TexId);
  EXPECT_EQ(
      prompts.warnings,
      (std::vector<std::string>{"Diese Dateien wurden nicht hinzugefügt:\n"
                                "kaputt.jpg: Ungültige Datei!\n"
                                "weg.png: Datei nicht gefunden!\n"
                                "riesig.tga: Ungültige Datei! Das Bild ist größer als 4096 x 4096 Pixel."}));
  prompts.warnings.clear();
  EXPECT_EQ(AddTextureFiles(editor, {broken}), 0);
  EXPECT_EQ(prompts.warnings,
            (std::vector<std::string>{"Diese Datei wurde nicht hinzugefügt:\nkaputt.jpg: Ungültige Datei!"}));
  EXPECT_EQ(lib.Count(), 2);
}

TEST_F(TextureCommands, TextureNameDropsTheExtension) {
  EXPECT_EQ(TextureNameFromPath("/a/b/brick.bmp"), "brick");
  EXPECT_EQ(TextureNameFromPath("/a/b/brick.jpeg"), "brick");
  EXPECT_EQ(TextureNameFromPath("/a/x.b"), "x");
  EXPECT_EQ(TextureNameFromPath("/a/b/old.brick.png"), "old.brick");
  EXPECT_EQ(TextureNameFromPath("/a/\u00e4\u00f6\u00fc.bmp"), "\xE4\xF6\xFC");
}

TEST_F(TextureCommands, RemoveSelectsTheLastAndAssignStoresSixteenBits) {
  TSector* sector = editor.CreateNode(nullptr, kSector);
  TSector* quad = editor.CreateNode(sector, kPolygon);
  TSector* model = editor.CreateNode(sector, kModel);
  TSector* light = editor.CreateNode(sector, kLight);
  editor.SelectionList = {quad, model, light};

  EXPECT_FALSE(RemoveTextureCommand(editor));  // empty library
  for (int i = 0; i < 3; ++i) lib.Add(MakeTexNode(i, "t", test::MakeBmp(1, 1)));
  lib.SelectTexture(1);
  AssignTextureCommand(editor);
  EXPECT_EQ(quad->TextureIndex, 1);
  EXPECT_EQ(model->TextureIndex, 1);
  EXPECT_EQ(light->TextureIndex, 0);

  lib.SelectTexture(0);
  const int redraws = view.redraws;
  ASSERT_TRUE(RemoveTextureCommand(editor));
  EXPECT_EQ(lib.Count(), 2);
  EXPECT_EQ(lib.CurrentTexture(), 1);
  EXPECT_GT(view.redraws, redraws);
  EXPECT_EQ(quad->TextureIndex, 0) << "a node's number moves down with its picture";
  ASSERT_TRUE(RemoveTextureCommand(editor));
  ASSERT_TRUE(RemoveTextureCommand(editor));
  EXPECT_EQ(quad->TextureIndex, 65535) << "its picture is gone: it shows none";
  EXPECT_EQ(lib.CurrentTexture(), -1);
  AssignTextureCommand(editor);
  EXPECT_EQ(quad->TextureIndex, 65535);
  EXPECT_EQ(lib.TextureGLName(quad->TextureIndex), 0u);
}

TEST_F(TextureCommands, ReplaceKeepsTheIdAndLeavesTheEntryAloneOnFailure) {
  EXPECT_FALSE(ReplaceTextureCommand(editor));  // empty library: no dialog
  EXPECT_TRUE(prompts.open_dialogs.empty());
  lib.Add(MakeTexNode(4242, "old", test::MakeBmp(1, 1)));
  prompts.open_answers.push_back(WriteBmp("broken.bmp", {'B', 'M', 0}));
  EXPECT_FALSE(ReplaceTextureCommand(editor));
  EXPECT_EQ(lib.Entry(0)->TexName, "old");
  EXPECT_TRUE(lib.Entry(0)->SourcePath.empty());

  prompts.open_answers.push_back(WriteBmp("brick.bmp", test::MakeBmp(64, 32)));
  ASSERT_TRUE(ReplaceTextureCommand(editor));
  EXPECT_EQ(lib.Entry(0)->TexId, 4242);
  EXPECT_EQ(lib.Entry(0)->TexName, "brick");
  EXPECT_EQ(lib.Entry(0)->Width(), 64);
  EXPECT_EQ(lib.Entry(0)->Height(), 32);
  EXPECT_EQ(lib.Entry(0)->SourcePath, dir / "brick.bmp");
}

TEST_F(TextureCommands, StartUpLoadsTheLastLibraryAndShutdownRemembersIt) {
  const auto file = WriteLibrary("last.tex", 3);
  settings.values = {
      {"QVX3_TEX_PATH", "/bmps"}, {"QVX3_TEXLIB_PATH", "/libs"}, {"QVX3_TEXLIB_FILE", file.string()}};
  RestoreTextureLibrary(editor);
  EXPECT_EQ(lib.TextureDirectory, "/bmps");
  EXPECT_EQ(lib.Count(), 3);
  EXPECT_EQ(lib.FileName, file);
  settings.values.clear();
  RememberTextureLibrary(editor);
  EXPECT_EQ(settings.values["QVX3_TEXLIB_FILE"], file.string());

  // A library file that is gone is forgotten silently.
  Editor fresh(dir.path());
  fresh.settings = &settings;
  fresh.prompts = &prompts;
  settings.values = {{"QVX3_TEXLIB_FILE", (dir / "gone.tex").string()}, {"QVX3_TEXLIB_PATH", "/libs"}};
  RestoreTextureLibrary(fresh);
  EXPECT_TRUE(fresh.Textures.Empty());
  EXPECT_FALSE(fresh.Textures.HasFile);
  EXPECT_EQ(fresh.Textures.Directory, "/libs");
  RememberTextureLibrary(fresh);
  EXPECT_EQ(settings.values["QVX3_TEXLIB_FILE"], "");
  EXPECT_TRUE(prompts.warnings.empty());
}

}  // namespace
}  // namespace qx

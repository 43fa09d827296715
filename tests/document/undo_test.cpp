#include "document/undo.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "commands/document_commands.h"
#include "commands/insert.h"
#include "commands/properties.h"
#include "commands/recording_view.h"
#include "commands/scene_dump.h"
#include "commands/selection.h"
#include "commands/transform.h"
#include "commands/tree_edit.h"
#include "document/map_document_io.h"
#include "lighting/lightmap.h"
#include "support/scene_samples.h"
#include "support/test_support.h"
#include "tools/drag.h"

namespace qx {
namespace {

struct CaptionView : test::RecordingView {
  std::string caption;
  void SetCaption(const std::string& t) override { caption = t; }
};

struct Fixture {
  test::FakePrompts prompts;
  CaptionView view;
  test::MemorySettings settings;
  Editor e;
  PointerState pointer;
  Fixture() {
    e.prompts = &prompts;
    view.Attach(e);
    e.settings = &settings;
    e.NewScene();
    Click(test::AddSector(e, nullptr, "Raum"));
  }
  // Undo and redo build new records: never keep a pointer across them.
  TSector* Room() const { return e.Tree.First(); }
  void Click(TSector* n) {
    SelectInTree(e, n);
    TreeClick(e);
  }
  TSector* Square() {
    Click(Room());
    return e.History.Run("Quadrat", [&] { return InsertSquare(e); });
  }
};

TEST(Undo, AStepThatChangesNothingIsNoStep) {
  Fixture f;
  TSector* q = f.Square();
  f.e.History.Run("Auswahl", [&] {
    f.Click(q);
    ComputeBounds(f.Room());
    SetAxisLock(f.e, AxisLock::kZ);
  });
  EXPECT_EQ(f.e.History.UndoCount(), 1u);
  EXPECT_EQ(f.e.History.UndoName(), "Quadrat");
  // A failed command (no sector chosen) records nothing either.
  f.e.TreeSelection = nullptr;
  f.e.History.Run("Licht", [&] { InsertLight(f.e); });
  EXPECT_EQ(f.e.History.UndoCount(), 1u);
}

TEST(Undo, UndoBringsBackTheSelectionOfItsTimeAndTellsTheView) {
  Fixture f;
  TSector* q = f.Square();
  f.Click(q);
  const std::string selected = test::DumpScene(f.e);
  f.e.History.Run("Löschen", [&] { DeleteSelection(f.e); });
  EXPECT_TRUE(f.e.SelectionList.empty());
  f.view.shown.clear();
  ASSERT_TRUE(f.e.History.Undo());
  EXPECT_EQ(test::DumpScene(f.e), selected);
  ASSERT_EQ(f.e.SelectionList.size(), 1u);
  TSector* back = f.e.SelectionList[0];
  EXPECT_EQ(back->Marked, 1);
  EXPECT_EQ(f.e.TreeSelection, back);
  EXPECT_EQ(f.view.tree_selection, back);
  ASSERT_FALSE(f.view.shown.empty());
  EXPECT_EQ(f.view.shown.back(), back);
  EXPECT_GT(f.view.redraws, 0);
}

TEST(Undo, NestedStepsAreOneStep) {
  Fixture f;
  f.e.History.Run("außen", [&] {
    f.e.History.Run("innen", [&] { InsertSquare(f.e); });
    f.Click(f.Room());
    InsertLight(f.e);
  });
  ASSERT_EQ(f.e.History.UndoCount(), 1u);
  EXPECT_EQ(f.e.History.UndoName(), "außen");
  f.e.History.Undo();
  EXPECT_TRUE(f.Room()->Children.empty());
}

TEST(Undo, ADragIsOneGesture) {
  Fixture f;
  TSector* q = f.Square();
  f.Click(q);
  const std::string before = test::DumpScene(f.e);
  f.e.History.BeginGesture("Bewegen");
  f.e.History.BeginGesture("zweites Drücken");  // ignored while one is open
  for (int i = 0; i < 6; ++i) {
    // Commands during the drag are part of it.
    f.e.History.Run("Schritt", [&] { DragStep(f.e, f.pointer, -40); });
  }
  EXPECT_EQ(f.e.History.UndoCount(), 1u);  // only the square so far
  f.e.History.EndGesture();
  f.e.History.EndGesture();  // a second release is ignored
  ASSERT_EQ(f.e.History.UndoCount(), 2u);
  EXPECT_EQ(f.e.History.UndoName(), "Bewegen");
  f.e.History.Undo();
  EXPECT_EQ(test::DumpScene(f.e), before);
}

TEST(Undo, AnUnnamedOuterStepTakesTheNameOfTheCommandInside) {
  Fixture f;
  int notified = 0;
  f.e.History.on_change = [&] { ++notified; };
  f.e.History.BeginGesture("");  // a mouse press anywhere in the window
  f.e.History.Run("", [&] {
    f.e.History.Run("Quadrat", [&] { InsertSquare(f.e); });
    f.e.History.Run("Licht", [&] { InsertLight(f.e); });
  });
  EXPECT_EQ(notified, 0);
  f.e.History.EndGesture();
  EXPECT_EQ(f.e.History.UndoName(), "Quadrat");
  EXPECT_EQ(notified, 1);
  f.e.History.Undo();
  EXPECT_EQ(f.e.History.RedoName(), "Quadrat");
  EXPECT_EQ(notified, 2);
}

TEST(Undo, ChangesOutsideAnyStepAreRecordedOnTheirOwn) {
  Fixture f;
  TSector* q = f.Square();
  const std::string with_square = test::DumpScene(f.e);
  q->TextureIndex = 5;  // a handler that is not wrapped
  const std::string textured = test::DumpScene(f.e);
  f.e.History.Run("Licht", [&] { InsertLight(f.e); });
  ASSERT_EQ(f.e.History.UndoCount(), 3u);
  EXPECT_EQ(f.e.History.UndoName(), "Licht");
  f.e.History.Undo();
  EXPECT_EQ(test::DumpScene(f.e), textured);
  f.e.History.Undo();
  EXPECT_EQ(test::DumpScene(f.e), with_square);

  // Commit and Undo record pending changes too.
  f.e.Tree.First()->Children.front()->TextureIndex = 7;
  EXPECT_TRUE(f.e.History.CanRedo());
  EXPECT_TRUE(f.e.History.Commit("Textur"));
  EXPECT_FALSE(f.e.History.CanRedo());  // a new change ends what could be redone
  EXPECT_EQ(f.e.History.UndoName(), "Textur");
}

TEST(Undo, SliderTicksOnOneSelectionMergeIntoOneStep) {
  Fixture f;
  f.Click(f.Room());
  TSector* light = f.e.History.Run("Licht", [&] { return InsertLight(f.e); });
  f.Click(light);
  const std::string before = test::DumpScene(f.e);
  for (int p = 10; p < 20; ++p) {
    UndoStack::Step step(f.e.History, "Farbe", "TrackBar1");
    TrackBarChange(f.e, 0, p);
  }
  EXPECT_EQ(f.e.History.UndoCount(), 2u);
  {
    UndoStack::Step step(f.e.History, "Farbe", "TrackBar2");  // another control: a step of its own
    TrackBarChange(f.e, 1, 3);
  }
  EXPECT_EQ(f.e.History.UndoCount(), 3u);
  f.e.History.Undo();
  f.e.History.Undo();
  EXPECT_EQ(test::DumpScene(f.e), before);

  // The same control on another selection is another edit.
  f.e.History.Redo();
  light = f.Room()->Children.front().get();
  f.Click(f.Room());
  TSector* second = f.e.History.Run("Licht", [&] { return InsertLight(f.e); });
  f.Click(second);
  const size_t steps = f.e.History.UndoCount();
  for (TSector* target : {second, light}) {
    f.Click(target);
    UndoStack::Step step(f.e.History, "Farbe", "TrackBar1");
    TrackBarChange(f.e, 0, 99);
  }
  EXPECT_EQ(f.e.History.UndoCount(), steps + 2);
}

TEST(Undo, ModifiedFlagFollowsTheSavedState) {
  test::TempDir dir;
  Fixture f;  // the sector was added outside any step: it belongs to the new document
  EXPECT_FALSE(f.e.IsModified());
  EXPECT_EQ(f.view.caption, "Quarvex v1.0.0 - Unbennant.qxm");
  f.Square();
  EXPECT_TRUE(f.e.IsModified());
  EXPECT_EQ(f.view.caption, "Quarvex v1.0.0 - Unbennant.qxm*");
  EXPECT_EQ(f.e.CaptionText(), f.view.caption);

  f.prompts.save_answers.push_back(dir / "karte");
  ASSERT_TRUE(f.e.History.Run("Speichern unter", [&] { return SaveDocumentAs(f.e); }));
  EXPECT_FALSE(f.e.IsModified());
  EXPECT_EQ(f.view.caption, "Quarvex v1.0.0 - karte.qxm");

  f.e.History.Undo();
  EXPECT_TRUE(f.e.IsModified());
  f.e.History.Redo();
  EXPECT_FALSE(f.e.IsModified());  // back at what the file holds

  f.Square();
  ASSERT_TRUE(SaveDocument(f.e));
  EXPECT_FALSE(f.e.IsModified());
  f.e.History.Undo();
  f.e.History.Undo();
  EXPECT_TRUE(f.e.IsModified());
}

TEST(Undo, NewSceneAndLoadingEndTheHistoryAndClearTheFlag) {
  test::TempDir dir;
  Fixture f;
  f.Square();
  ASSERT_TRUE(SaveMapDocument(f.e, dir / "k.qxm", nullptr));
  f.Square();
  ASSERT_TRUE(f.e.IsModified());

  f.prompts.open_answers.push_back(dir / "k.qxm");
  // Loading inside a step (the window wraps every menu command) records nothing.
  ASSERT_TRUE(f.e.History.Run("Laden", [&] { return OpenDocument(f.e); }));
  EXPECT_FALSE(f.e.History.CanUndo());
  EXPECT_FALSE(f.e.IsModified());
  EXPECT_EQ(f.view.caption, "Quarvex v1.0.0 - k.qxm");

  // Outside a step, too; and a refused file changes nothing.
  f.Click(f.e.Tree.First());
  f.Square();
  test::WriteFileBytes(dir / "kaputt.qxm", {'Q', 'X'});
  f.prompts.open_answers.push_back(dir / "kaputt.qxm");
  EXPECT_FALSE(OpenDocument(f.e));
  EXPECT_TRUE(f.e.History.CanUndo());
  EXPECT_TRUE(f.e.IsModified());

  f.e.NewScene();
  EXPECT_FALSE(f.e.History.CanUndo());
  EXPECT_FALSE(f.e.IsModified());
  EXPECT_EQ(f.view.caption, "Quarvex v1.0.0 - Unbennant.qxm");
  // The first command after a new scene can be taken back, not the scene before it.
  f.e.History.Run("Sektor", [&] { InsertSector(f.e); });
  ASSERT_TRUE(f.e.History.Undo());
  EXPECT_TRUE(f.e.Tree.Empty());
  EXPECT_FALSE(f.e.History.Undo());
}

TEST(Undo, UndoInsideTheWindowsOwnStepRecordsNothingMore) {
  Fixture f;
  f.Square();
  f.Square();
  f.e.History.Run("Rückgängig", [&] { f.e.History.Undo(); });
  EXPECT_EQ(f.e.History.UndoCount(), 1u);
  EXPECT_EQ(f.e.History.RedoCount(), 1u);
  f.e.History.Run("Wiederholen", [&] { f.e.History.Redo(); });
  EXPECT_EQ(f.e.History.UndoCount(), 2u);
  EXPECT_EQ(f.e.History.RedoName(), "");
}

TEST(Undo, StepsAreBoundedByCount) {
  Fixture f;
  f.e.History.SetLimits(5, kUndoMaxBytes);
  for (int i = 0; i < 9; ++i) f.Square();
  EXPECT_EQ(f.e.History.UndoCount(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(f.e.History.Undo());
  EXPECT_FALSE(f.e.History.Undo());
  EXPECT_EQ(f.Room()->Children.size(), 4u);
}

TEST(Undo, StepsAreBoundedByBytesAndShareWhatDidNotChange) {
  Fixture f;
  for (int i = 0; i < 2000; ++i) test::AddQuad(f.e, f.Room(), {float(i), 0, 0});
  f.e.History.Commit();  // the history looks at the big scene once
  f.e.History.Clear();
  const size_t scene = f.e.History.Bytes();

  // Renaming one node costs a small table, not another copy of the scene.
  f.Click(f.Room());
  f.prompts.text_answers.push_back("neu");
  f.e.History.Run("Umbenennen", [&] { RenameTreeSelection(f.e); });
  EXPECT_LT(f.e.History.Bytes() - scene, scene / 5);

  // Moving everything copies every record: the budget of three scenes keeps few steps.
  f.e.History.SetLimits(kUndoMaxSteps, 3 * scene);
  f.Click(f.Room());
  for (int i = 0; i < 12; ++i) f.e.History.Run("Bewegen", [&] { MoveSubtree(f.Room(), AxisLock::kX, 20); });
  EXPECT_LE(f.e.History.Bytes(), 3 * scene);
  EXPECT_GE(f.e.History.UndoCount(), 1u);
  EXPECT_LT(f.e.History.UndoCount(), 4u);
  EXPECT_TRUE(f.e.History.Undo());

  // A budget below one step keeps the newest step all the same.
  f.e.History.SetLimits(kUndoMaxSteps, 1);
  f.e.History.Run("Bewegen", [&] { MoveSubtree(f.Room(), AxisLock::kY, 20); });
  EXPECT_EQ(f.e.History.UndoCount(), 1u);
  EXPECT_EQ(f.e.History.RedoCount(), 0u);
}

TEST(Undo, StateIdMovesWithEveryRecordedChangeOnly) {
  Fixture f;
  const uint64_t start = f.e.History.StateId();
  f.e.History.Run("nichts", [] {});
  EXPECT_EQ(f.e.History.StateId(), start);
  f.Square();
  const uint64_t one = f.e.History.StateId();
  EXPECT_NE(one, start);
  f.e.History.Undo();
  EXPECT_NE(f.e.History.StateId(), one);
  f.e.History.Redo();
  EXPECT_EQ(f.e.History.StateId(), one);
}

// Hands out the lowest free name, as GL does, and remembers what each shows.
struct FakeLightmapUploader : LightmapUploader {
  std::map<uint32_t, std::vector<uint8_t>> shows;
  int uploads = 0;
  uint32_t Upload(const Lightmap& l) override {
    uint32_t name = 1;
    while (shows.count(name)) ++name;
    shows[name] = l.rgb;
    ++uploads;
    return name;
  }
  void Release(uint32_t name) override { EXPECT_EQ(shows.erase(name), 1u) << "released twice: " << name; }
};

// Every triangle's texture exists and shows its lightmap; no texture is left over.
void ExpectTexturesMatch(const Editor& e, const FakeLightmapUploader& gl) {
  std::set<uint32_t> used;
  e.Tree.Walk([&](TSector* n) {
    for (const TTriangle& t : n->Triangles) {
      if (t.LightmapTexture == 0) continue;
      EXPECT_TRUE(used.insert(t.LightmapTexture).second);
      ASSERT_TRUE(gl.shows.count(t.LightmapTexture)) << "texture " << t.LightmapTexture << " was released";
      EXPECT_EQ(gl.shows.at(t.LightmapTexture), e.LightmapList.at(size_t(t.LightmapIndex)).rgb);
    }
  });
  EXPECT_EQ(used.size(), gl.shows.size());
}

TEST(Undo, LightmapTexturesStayValidAcrossUndoAndRedoOfBakes) {
  Fixture f;
  FakeLightmapUploader gl;
  f.e.History.SetLightmapUploader(&gl);
  for (int i = 0; i < 3; ++i) test::AddQuad(f.e, f.Room(), {float(60 * i), 0, 0});
  TSector* light = test::AddLight(f.e, f.Room(), {0, 0, 40});
  auto bake = [&] { ASSERT_EQ(ComputeLightmaps(f.e, {4, 4}, {}, &gl), BakeStatus::kDone); };
  f.e.History.Run("Lightmaps berechnen", bake);
  ExpectTexturesMatch(f.e, gl);
  ASSERT_EQ(gl.shows.size(), 6u);
  light->Position = {100, 0, 10};                // outside a step: recorded on its own
  f.e.History.Run("Lightmaps berechnen", bake);  // GL gives the released names to the new textures
  ExpectTexturesMatch(f.e, gl);

  f.e.History.Undo();  // the light move and the second bake
  f.e.History.Undo();
  ExpectTexturesMatch(f.e, gl);
  f.e.History.Undo();  // before any bake: every texture goes
  EXPECT_TRUE(gl.shows.empty());
  for (int i = 0; i < 3; ++i) {
    f.e.History.Redo();
    ExpectTexturesMatch(f.e, gl);
  }

  // A step that leaves the lightmaps alone uploads nothing when undone.
  TSector* quad = f.Room()->Children.front().get();
  f.Click(quad);
  f.e.History.Run("Bewegen", [&] { MoveSubtree(quad, AxisLock::kX, 20); });
  const int uploads = gl.uploads;
  f.e.History.Undo();
  f.e.History.Redo();
  EXPECT_EQ(gl.uploads, uploads);
  ExpectTexturesMatch(f.e, gl);
}

}  // namespace
}  // namespace qx

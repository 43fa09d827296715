// Undo and redo change the live tree in place and announce what they changed
// like any command: the records they keep stay the same objects, the change
// sets name exactly the records whose fields differ (with the kinds of what
// differs), structure travels through the tree's listeners, and nothing is
// ever a replaced document.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "commands/insert.h"
#include "commands/properties.h"
#include "commands/recording_view.h"
#include "commands/scene_dump.h"
#include "commands/selection.h"
#include "commands/texture_commands.h"
#include "commands/transform.h"
#include "commands/tree_edit.h"
#include "document/undo.h"
#include "lighting/lightmap.h"
#include "scene/polygon_data.h"
#include "support/scene_samples.h"
#include "support/test_support.h"

namespace qx {
namespace {

struct Recorder : DocumentListener, TreeListener {
  std::vector<ChangeSet> sets;
  int resets = 0, inserts = 0, removes = 0, moves = 0, relabels = 0;
  void DocumentChanged(const ChangeSet& c) override { sets.push_back(c); }
  void BeforeReset() override { ++resets; }
  void AfterInsert(TSector*) override { ++inserts; }
  void BeforeRemove(TSector*) override { ++removes; }
  void AfterMove(TSector*) override { ++moves; }
  void NodeChanged(TSector*) override { ++relabels; }
  void Clear() { *this = Recorder(); }
  ChangeSet All() const {
    ChangeSet all;
    for (const ChangeSet& c : sets) all.Merge(c);
    return all;
  }
};

using Kinds = std::map<const TSector*, uint8_t>;

Kinds KindsOf(const ChangeSet& c) {
  return Kinds(c.nodes.begin(), c.nodes.end());
}

Kinds LastStep(const UndoStack& h) {
  Kinds k;
  for (size_t i = 0; i < h.LastStepChangedRecords().size(); ++i)
    k[h.LastStepChangedRecords()[i]] |= h.LastStepChangeKinds()[i];
  return k;
}

struct Fixture {
  test::FakePrompts prompts;
  test::RecordingView view;
  Editor e;
  Recorder rec;
  TSector *room, *other, *q1, *q2, *light, *portal;

  Fixture() {
    e.prompts = &prompts;
    view.Attach(e);
    e.NewScene();
    room = test::AddSector(e, nullptr, "Raum");
    other = test::AddSector(e, nullptr, "Nebenraum");
    q1 = test::AddQuad(e, room, {0, 0, 0});
    q2 = test::AddQuad(e, room, {60, 0, 0});
    light = test::AddLight(e, room, {0, 0, 40});
    portal = test::AddPortal(e, other, {0, 0, 80}, room);
    UpdatePolygonData(q1);
    UpdatePolygonData(q2);
    e.History.Commit();
    e.History.Clear();
    e.PublishChanges();
    e.AddDocumentListener(&rec);
    e.Tree.AddListener(&rec);
  }
  ~Fixture() {
    e.Tree.RemoveListener(&rec);
    e.RemoveDocumentListener(&rec);
  }
  void Click(TSector* n) {
    SelectInTree(e, n);
    TreeClick(e);
  }
};

struct Command {
  const char* name;
  std::function<void(Fixture&)> prepare;
  std::function<void(Fixture&)> run;
  // The records whose fields the command changes, by kind; and what else it changes.
  std::function<Kinds(Fixture&)> changed;
  bool structure = false;
  bool lightmaps = false;
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"Bewegen", [](Fixture& f) { f.Click(f.q1); }, [](Fixture& f) { MoveSubtree(f.q1, AxisLock::kX, 20); },
       [](Fixture& f) {
         return Kinds{{f.q1, kChangeGeometry}};
       }},
      {"Unsichtbar", [](Fixture& f) { f.Click(f.q2); },
       [](Fixture& f) { CheckBoxClick(f.e, "CheckBox3", true); },
       [](Fixture& f) {
         return Kinds{{f.q2, kChangeAppearance}};
       }},
      {"Zuweisen und bewegen", [](Fixture& f) { f.Click(f.q2); },
       [](Fixture& f) {
         AssignTexture(f.e, 3);
         MoveSubtree(f.q2, AxisLock::kY, 20);
       },
       [](Fixture& f) {
         return Kinds{{f.q2, kChangeGeometry | kChangeAppearance}};
       }},
      // The name travels as structure too: the tree shows it.
      {"Umbenennen",
       [](Fixture& f) {
         f.Click(f.light);
         f.prompts.text_answers.push_back("Lampe");
       },
       [](Fixture& f) { RenameTreeSelection(f.e); },
       [](Fixture& f) {
         return Kinds{{f.light, kChangeOther}};
       },
       true},
      {"Quadrat", [](Fixture& f) { f.Click(f.room); }, [](Fixture& f) { InsertSquare(f.e); },
       [](Fixture&) { return Kinds{}; }, true},
      // The portal that led into the deleted room is unlinked with it.
      {"Löschen", [](Fixture& f) { f.Click(f.room); }, [](Fixture& f) { DeleteSelection(f.e); },
       [](Fixture& f) {
         return Kinds{{f.portal, kChangeOther}};
       },
       true},
      {"Ziehen", [](Fixture& f) { f.Click(f.light); }, [](Fixture& f) { TreeDragDrop(f.e, f.other); },
       [](Fixture&) { return Kinds{}; }, true},
      {"Lightmaps berechnen", [](Fixture&) {},
       [](Fixture& f) {
         ASSERT_EQ(ComputeLightmaps(f.e, {4, 4}), BakeStatus::kDone);
       },
       [](Fixture& f) {
         return Kinds{{f.q1, kChangeAppearance}, {f.q2, kChangeAppearance}};
       },
       false, true},
  };
  return commands;
}

TEST(UndoChanges, UndoAndRedoAnnounceExactlyTheChangedRecordsInPlace) {
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.name);
    Fixture f;
    c.prepare(f);
    f.e.PublishChanges();
    const std::string before = test::DumpScene(f.e);
    const std::vector<TSector*> kept_before = f.e.Tree.InOrder();
    f.e.History.Run(c.name, [&] { c.run(f); });
    ASSERT_TRUE(f.e.History.CanUndo());
    const Kinds expected = c.changed(f);
    EXPECT_EQ(LastStep(f.e.History), expected);
    const std::string after = test::DumpScene(f.e);
    const std::vector<TSector*> kept_after = f.e.Tree.InOrder();

    for (bool undo : {true, false}) {
      SCOPED_TRACE(undo ? "undo" : "redo");
      f.e.PublishChanges();
      f.rec.Clear();
      ASSERT_TRUE(undo ? f.e.History.Undo() : f.e.History.Redo());
      // Delivered by the history itself, before anyone draws.
      ASSERT_FALSE(f.rec.sets.empty());
      EXPECT_TRUE(f.e.PendingChanges().Empty());
      const ChangeSet all = f.rec.All();
      EXPECT_EQ(KindsOf(all), expected);
      EXPECT_FALSE(all.replaced);
      EXPECT_EQ(f.rec.resets, 0);
      EXPECT_EQ(all.structure, c.structure);
      EXPECT_EQ(all.lightmaps, c.lightmaps);
      EXPECT_FALSE(all.start_position);
      EXPECT_EQ(test::DumpScene(f.e), undo ? before : after);
      // Every record that both sides have is still the same object.
      const std::vector<TSector*>& was = undo ? kept_before : kept_after;
      for (TSector* n : f.e.Tree.InOrder()) {
        if (std::find(was.begin(), was.end(), n) == was.end()) {
          EXPECT_TRUE(c.structure) << "a record was made anew without a structure change";
        }
      }
      if (!c.structure) {
        EXPECT_EQ(f.e.Tree.InOrder(), was);
        EXPECT_EQ(f.rec.inserts + f.rec.removes + f.rec.moves, 0);
      }
    }
  }
}

TEST(UndoChanges, StructureIsTakenBackRowByRow) {
  Fixture f;
  f.Click(f.light);
  f.e.History.Run("Ziehen", [&] { TreeDragDrop(f.e, f.other); });
  f.Click(f.q1);
  f.e.History.Run("Löschen", [&] { DeleteSelection(f.e); });
  f.e.PublishChanges();
  f.rec.Clear();

  ASSERT_TRUE(f.e.History.Undo());  // the quad comes back as a new record at its row
  EXPECT_EQ(f.rec.inserts, 1);
  EXPECT_EQ(f.rec.removes + f.rec.moves, 0);
  ASSERT_EQ(f.room->Children.size(), 2u);
  EXPECT_NE(f.room->Children[0].get(), f.q2);
  EXPECT_EQ(f.room->Children[1].get(), f.q2);
  const uint32_t q1_id = f.room->Children[0]->Id;

  f.rec.Clear();
  ASSERT_TRUE(f.e.History.Undo());  // one move back, before the portal's sector had it
  EXPECT_EQ(f.rec.moves, 1);
  EXPECT_EQ(f.rec.inserts + f.rec.removes, 0);
  EXPECT_EQ(f.light->Parent, f.room);
  EXPECT_EQ(f.room->Children.back().get(), f.light);

  f.rec.Clear();
  ASSERT_TRUE(f.e.History.Redo());
  ASSERT_TRUE(f.e.History.Redo());
  EXPECT_EQ(f.rec.moves, 1);
  EXPECT_EQ(f.rec.removes, 1);
  EXPECT_EQ(f.rec.inserts, 0);
  EXPECT_EQ(f.light->Parent, f.other);
  EXPECT_EQ(f.e.FindById(q1_id), nullptr);  // the record itself is gone, so ask by its id
  EXPECT_EQ(f.rec.resets, 0);
}

TEST(UndoChanges, ANodeMovedIntoANewSectorLeavesItBeforeTheSectorGoes) {
  Fixture f;
  f.e.History.Run("Sektor und Ziehen", [&] {
    TSector* box = InsertSector(f.e);
    f.Click(f.light);
    TreeDragDrop(f.e, box);
  });
  const std::string boxed = test::DumpScene(f.e, false);
  f.e.PublishChanges();
  f.rec.Clear();
  ASSERT_TRUE(f.e.History.Undo());
  EXPECT_EQ(f.light->Parent, f.room);
  EXPECT_EQ(f.e.Tree.TopLevel().size(), 2u);
  EXPECT_EQ(f.rec.moves, 1);
  EXPECT_EQ(f.rec.removes, 1);
  ASSERT_TRUE(f.e.History.Redo());
  EXPECT_EQ(test::DumpScene(f.e, false), boxed);
  EXPECT_EQ(f.light->Parent, f.e.Tree.TopLevel().back().get());
  EXPECT_EQ(f.rec.resets, 0);
}

TEST(UndoChanges, LinksPointAtTheLiveRecordsAfterUndo) {
  Fixture f;
  f.Click(f.other);
  f.e.History.Run("Verlinken",
                  [&] { TreeDragDrop(f.e, f.portal); });  // the portal now leads to its own sector
  EXPECT_EQ(f.portal->LinkedSector, f.other);
  EXPECT_EQ(LastStep(f.e.History), (Kinds{{f.portal, kChangeOther}}));
  f.e.PublishChanges();
  f.rec.Clear();
  f.e.History.Undo();
  EXPECT_EQ(f.portal->LinkedSector, f.room);
  EXPECT_EQ(f.portal->IsLinked, 1);
  EXPECT_EQ(KindsOf(f.rec.All()), (Kinds{{f.portal, kChangeOther}}));

  // Undoing the deletion of the linked room links the portal to the new room record.
  f.Click(f.room);
  f.e.History.Run("Löschen", [&] { DeleteSelection(f.e); });
  EXPECT_EQ(f.portal->LinkedSector, nullptr);
  f.e.History.Undo();
  ASSERT_NE(f.portal->LinkedSector, nullptr);
  EXPECT_EQ(f.portal->LinkedSector, f.e.Tree.First());
  EXPECT_EQ(f.portal->IsLinked, 1);
}

}  // namespace
}  // namespace qx

// Every command tells the views what it changed: each record whose fields a
// command changed is named in the change sets handed to the document's
// listeners, with at least the kinds of change it underwent. A command that
// forgets to announce a change fails here instead of leaving a stale picture.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "commands/command_list.h"
#include "commands/flip_face.h"
#include "commands/scene_dump.h"
#include "document/map_document_io.h"
#include "document/undo.h"
#include "tools/gesture.h"

namespace qx {
namespace {

// A record's fields in three texts, one per kind of change. Selection marks,
// bounds, centroids and GL texture names are left out: they are no change of
// the document.
struct RecordFields {
  std::string geometry, appearance, other;
};

RecordFields FieldsOf(const TSector& n) {
  RecordFields r;
  using test::DumpFloat;
  using test::DumpInt;
  using test::DumpVector;
  DumpInt(r.geometry, n.VertexCount);
  DumpInt(r.geometry, n.TriangleCount);
  DumpVector(r.geometry, n.Position);
  DumpFloat(r.geometry, n.Heading);
  for (const TVertex& v : n.Vertices) {
    DumpVector(r.geometry, v.Position);
    for (float c : v.Color) DumpFloat(r.appearance, c);
    for (float c : v.TexCoord) DumpFloat(r.appearance, c);
    for (float c : v.LightmapCoord) DumpFloat(r.appearance, c);
    DumpInt(r.other, v.Id);
  }
  for (const TTriangle& t : n.Triangles) {
    for (long long i : {(long long)t.V0, (long long)t.V1, (long long)t.V2}) DumpInt(r.geometry, i);
    DumpVector(r.geometry, t.Normal);
    DumpFloat(r.geometry, t.Distance);
    DumpInt(r.appearance, t.LightmapIndex);
  }
  for (long long v : {(long long)n.TextureIndex, (long long)n.LightingMode, (long long)n.Visible,
                      (long long)n.ColorKey, (long long)n.EnvMapping})
    DumpInt(r.appearance, v);
  for (float c : n.Color) DumpFloat(r.appearance, c);
  r.other += "[" + n.Name + "] ";
  for (long long v : {(long long)n.Id, (long long)n.NodeType, (long long)n.Kind, (long long)n.NoCollision,
                      (long long)n.NoInsideTest, (long long)n.NoFrustum, (long long)n.NoShadow,
                      (long long)n.ObjectType, (long long)n.Shadow, (long long)n.IsLinked,
                      (long long)n.LinkedSectorId, (long long)n.ParticleType, (long long)n.ImageIndex})
    DumpInt(r.other, v);
  DumpFloat(r.other, n.ParticleSpeed);
  DumpFloat(r.other, n.Brightness);
  DumpFloat(r.other, n.Range);
  r.other += n.LinkedSector ? std::to_string(n.LinkedSector->Id) : "-";
  return r;
}

uint8_t KindsBetween(const RecordFields& a, const RecordFields& b) {
  return (a.geometry != b.geometry ? kChangeGeometry : 0) |
         (a.appearance != b.appearance ? kChangeAppearance : 0) | (a.other != b.other ? kChangeOther : 0);
}

std::map<const TSector*, RecordFields> FieldsOfScene(const Editor& e) {
  std::map<const TSector*, RecordFields> out;
  e.Tree.Walk([&](TSector* n) { out[n] = FieldsOf(*n); });
  return out;
}

// Collects what the document hands its listeners.
struct Recorder : DocumentListener {
  ChangeSet all;
  int deliveries = 0;
  void DocumentChanged(const ChangeSet& changes) override {
    all.Merge(changes);
    ++deliveries;
  }
};

// What a change did that its announcements do not cover, one line each.
std::vector<std::string> Unannounced(const std::map<const TSector*, RecordFields>& before, const Editor& e,
                                     const ChangeSet& told) {
  std::vector<std::string> missing;
  if (told.replaced) return missing;  // every view starts afresh
  e.Tree.Walk([&](TSector* n) {
    auto it = before.find(n);
    if (it == before.end()) return;  // new: the tree announced it
    const uint8_t kinds = KindsBetween(it->second, FieldsOf(*n));
    auto named = told.nodes.find(n);
    const uint8_t announced = named == told.nodes.end() ? 0 : named->second;
    if ((kinds & announced) != kinds)
      missing.push_back("node " + std::to_string(n->Id) + " changed " + std::to_string(kinds) +
                        ", announced " + std::to_string(announced));
  });
  return missing;
}

// Runs `run` as one step of the history, as the window does, and checks the
// announcements against the fields before and after.
struct Checked {
  Recorder recorder;
  std::vector<std::string> missing;
  bool lightmaps_changed = false, start_changed = false;
};

Checked RunChecked(Editor& e, const std::string& name, const std::function<void()>& run) {
  e.PublishChanges();  // what preparing the scene announced is no part of the command
  Checked c;
  e.AddDocumentListener(&c.recorder);
  const auto before = FieldsOfScene(e);
  const std::vector<Lightmap> lightmaps = e.LightmapList;
  const Vector start = e.StartPosition;
  {
    UndoStack::Step step(e.History, name);
    run();
  }
  e.PublishChanges();
  e.RemoveDocumentListener(&c.recorder);
  c.missing = Unannounced(before, e, c.recorder.all);
  c.lightmaps_changed = e.LightmapList.size() != lightmaps.size();
  for (size_t i = 0; !c.lightmaps_changed && i < lightmaps.size(); ++i)
    c.lightmaps_changed = !SameLightmap(e.LightmapList[i], lightmaps[i]);
  c.start_changed = !(e.StartPosition == start);
  return c;
}

TEST(Announcements, EveryCommandNamesEveryRecordItChangedWithItsKinds) {
  for (const test::Command& command : test::Commands()) {
    SCOPED_TRACE(command.name);
    test::CommandScene f;
    command.prepare(f);
    const std::string before = test::DumpScene(f.e);
    const Checked c = RunChecked(f.e, command.name, [&] { command.run(f); });
    ASSERT_NE(test::DumpScene(f.e), before) << "the command changed nothing";
    EXPECT_GE(c.recorder.deliveries, 1);
    EXPECT_FALSE(c.recorder.all.Empty());
    for (const std::string& m : c.missing) ADD_FAILURE() << m;
    if (c.lightmaps_changed) {
      EXPECT_TRUE(c.recorder.all.lightmaps || c.recorder.all.replaced);
    }
    if (c.start_changed) {
      EXPECT_TRUE(c.recorder.all.start_position || c.recorder.all.replaced);
    }
    // Only a new or loaded document is a replaced one.
    EXPECT_FALSE(c.recorder.all.replaced);
  }
}

TEST(Announcements, TheCheckFindsAFieldChangedWithoutAWord) {
  test::CommandScene f;
  // As a command that forgot its announcements would do it.
  Checked c = RunChecked(f.e, "Vergessen", [&] {
    f.qa1->Visible = 0;
    f.light->Position.x += 20;
    f.light->Range = 3;
    f.portal->Vertices[1].TexCoord[0] = 7;
  });
  EXPECT_EQ(c.missing.size(), 3u);
  // Announced as the wrong kind is not announced either.
  c = RunChecked(f.e, "Falsch", [&] {
    f.qa2->TextureIndex = 9;
    f.e.Changed(f.qa2, kChangeGeometry);
  });
  ASSERT_EQ(c.missing.size(), 1u);
  EXPECT_NE(c.missing[0].find("changed 2, announced 1"), std::string::npos) << c.missing[0];
  c = RunChecked(f.e, "Richtig", [&] {
    f.qa2->TextureIndex = 4;
    f.qa2->Vertices[0].Position.y = 3;
    f.e.Changed(f.qa2, kChangeGeometry | kChangeAppearance);
  });
  EXPECT_TRUE(c.missing.empty());
}

TEST(Announcements, RenamesAndLinksTheTreeForgetsNameTheirRecords) {
  test::CommandScene f;
  f.Click(f.light);
  f.prompts.text_answers.push_back("Lampe");
  Checked c = RunChecked(f.e, "Umbenennen", [&] { RenameTreeSelection(f.e); });
  EXPECT_TRUE(c.missing.empty());
  EXPECT_EQ(c.recorder.all.nodes.at(f.light), kChangeOther);

  // The portal in B leads into A: removing A's sub-sector leaves it linked,
  // removing A itself unlinks it, and the portal is named.
  ASSERT_EQ(f.portal->LinkedSector, f.a);
  c = RunChecked(f.e, "Entfernen", [&] { f.e.Tree.Remove(f.sub); });
  EXPECT_EQ(c.recorder.all.nodes.count(f.portal), 0u);
  c = RunChecked(f.e, "Entfernen", [&] { f.e.Tree.Remove(f.a); });
  EXPECT_EQ(f.portal->IsLinked, 0);
  EXPECT_TRUE(c.missing.empty());
  EXPECT_EQ(c.recorder.all.nodes.at(f.portal), kChangeOther);
}

TEST(Announcements, DragsAnnounceTheMovedSubtreeAndNothingWhenNoStepIsDue) {
  test::CommandScene f;
  f.Select({f.a});
  SetAxisLock(f.e, AxisLock::kY);
  // A slow mouse: the first events count, no step is due yet, nothing moves.
  Checked c = RunChecked(f.e, "Verschieben", [&] { DragStep(f.e, f.pointer, -1); });
  EXPECT_TRUE(c.recorder.all.nodes.empty());
  c = RunChecked(f.e, "Verschieben", [&] { DragStep(f.e, f.pointer, -40); });
  EXPECT_TRUE(c.missing.empty());
  // Through the sector to every node below it, its sub-sector's quad included.
  for (TSector* n : {f.a, f.sub, f.qa1, f.qa2, f.light})
    EXPECT_EQ(c.recorder.all.nodes.at(n) & kChangeGeometry, kChangeGeometry) << n->Name;
  EXPECT_EQ(c.recorder.all.nodes.count(f.qb), 0u);
}

TEST(Announcements, LoadingAndNewSceneReplaceTheDocument) {
  test::CommandScene f;
  const std::vector<uint8_t> saved = WriteMapDocument(f.e);
  Checked c = RunChecked(f.e, "Laden", [&] {
    std::string error;
    ASSERT_TRUE(LoadMapDocumentFromBytes(f.e, saved.data(), saved.size(), &error)) << error;
  });
  EXPECT_TRUE(c.recorder.all.replaced);
  EXPECT_TRUE(c.recorder.all.nodes.empty());

  c = RunChecked(f.e, "Neu", [&] { f.e.NewScene(); });
  EXPECT_TRUE(c.recorder.all.replaced);
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// The selection's one truth: listed at most once, marked exactly when listed.
void ExpectOneTruth(const Editor& e) {
  std::set<const TSector*> listed;
  for (const TSector* n : e.SelectionList) EXPECT_TRUE(listed.insert(n).second) << "listed twice: " << n->Id;
  e.Tree.Walk([&](TSector* n) { EXPECT_EQ(n->Marked != 0, listed.count(n) != 0) << "node " << n->Id; });
}

// Random commands, drags (some taken back with Esc), undo and redo: every
// record whose fields changed, and every record the history's own diff found
// changed, was announced in the change sets of that very step.
TEST(Announcements, RandomSequencesAnnounceWhatTheUndoDiffFinds) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    test::CommandScene f;
    Gesture drag(f.e.History);
    for (int round = 0; round < 50; ++round) {
      const std::vector<TSector*> nodes = f.e.Tree.InOrder();
      if (!nodes.empty()) f.Click(nodes[std::uniform_int_distribution<size_t>(0, nodes.size() - 1)(rng)]);
      if (round % 3 == 0 && nodes.size() > 1) {  // a second node, with Shift as a view would add it
        TSector* other = nodes[std::uniform_int_distribution<size_t>(0, nodes.size() - 1)(rng)];
        AddToSelection(f.e, other);
      }
      f.prompts.text_answers.push_back("n" + std::to_string(round));
      f.e.PublishChanges();
      Recorder recorder;
      f.e.AddDocumentListener(&recorder);
      const auto before = FieldsOfScene(f.e);
      const int action = std::uniform_int_distribution<int>(0, 11)(rng);
      bool command = true;
      switch (action) {
        case 0:
          f.e.History.Run("Quadrat", [&] { InsertSquare(f.e); });
          break;
        case 1:
          f.e.History.Run("Licht", [&] { InsertLight(f.e); });
          break;
        case 2:
          CopySelection(f.e);
          f.e.History.Run("Einfügen", [&] { PasteClipboard(f.e); });
          break;
        case 3:
          f.e.History.Run("Löschen", [&] { DeleteSelection(f.e); });
          break;
        case 4:
          f.e.History.Run("Drehen", [&] { TurnSelectedObjects(f.e, 90); });
          break;
        case 5:
          f.e.History.Run("Textur", [&] { AdjustTexCoords(f.e, TexCoord::kU, TexMode::kScale, 1.5); });
          break;
        case 6:
          f.e.History.Run("Umbenennen", [&] { RenameTreeSelection(f.e); });
          break;
        case 7:
        case 8: {
          // A drag of a few steps; every other one is taken back with Esc.
          drag.Press("Verschieben");
          for (int i = 0; i < 3; ++i) DragStep(f.e, f.pointer, -50);
          if (action == 8) {
            EXPECT_TRUE(drag.Cancel() || f.e.SelectionList.empty());
          }
          drag.Release();
          command = action == 7;
          break;
        }
        case 9:
          f.e.History.Undo();
          command = false;
          break;
        case 10:
          f.e.History.Redo();
          command = false;
          break;
        default:
          f.e.History.Run("Spiegeln", [&] { FlipSelectedFaces(f.e); });
          break;
      }
      f.e.PublishChanges();
      f.e.RemoveDocumentListener(&recorder);
      for (const std::string& m : Unannounced(before, f.e, recorder.all))
        ADD_FAILURE() << "action " << action << ": " << m;
      if (command && !recorder.all.replaced) {
        const auto& records = f.e.History.LastStepChangedRecords();
        const auto& kinds = f.e.History.LastStepChangeKinds();
        for (size_t i = 0; i < records.size(); ++i) {
          auto it = recorder.all.nodes.find(const_cast<TSector*>(records[i]));
          const uint8_t told = it == recorder.all.nodes.end() ? 0 : it->second;
          EXPECT_EQ(told & kinds[i], kinds[i]) << "action " << action << ", node " << records[i]->Id;
        }
      }
      ExpectOneTruth(f.e);
    }
  }
}

}  // namespace
}  // namespace qx

// Every command that changes the scene, run as one history step: undo gives
// back the scene as it was (the saved document byte for byte, and every field
// to the last bit), redo the scene after the command.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

#include "edit/browser_logic.h"
#include "edit/document_commands.h"
#include "edit/insert.h"
#include "edit/map_document_io.h"
#include "edit/model_insert.h"
#include "edit/polygon_ops.h"
#include "edit/properties.h"
#include "edit/recording_view.h"
#include "edit/scene_dump.h"
#include "edit/sector_import.h"
#include "edit/selection.h"
#include "edit/texture_commands.h"
#include "edit/transform.h"
#include "edit/tree_edit.h"
#include "edit/undo.h"
#include "lighting/lightmap.h"
#include "models/test_md2.h"
#include "support/scene_samples.h"
#include "support/test_support.h"

namespace qx {
namespace {

struct Fixture {
  test::TempDir dir;
  test::FakePrompts prompts;
  test::RecordingView view;
  test::MemorySettings settings;
  Editor e;
  TSector *a, *b, *sub, *qa1, *qa2, *qb, *light, *portal, *model;

  Fixture() {
    e.prompts = &prompts;
    e.view = &view;
    e.settings = &settings;
    e.NewScene();
    e.CameraTarget = {33, 12, -50};
    a = test::AddSector(e, nullptr, "A");
    sub = test::AddSector(e, a, "A1");
    qa1 = test::AddQuad(e, a, {0, 0, 0});
    qa2 = test::AddQuad(e, sub, {60, 0, 0});
    light = test::AddLight(e, a, {10, 40, 10});
    b = test::AddSector(e, nullptr, "B");
    qb = test::AddQuad(e, b, {0, 100, 0});
    portal = test::AddPortal(e, b, {0, 0, 50}, a);
    model = test::AddModel(e, b, {5, 5, 5}, 12, 10);
    test::AddPlaced(e, b, kActor, {1, 2, 3});
    test::AddPlaced(e, b, kCheckpoint, {4, 5, 6});
    test::AddPlaced(e, a, kParticleSystem, {7, 8, 9});
    // Values a saved document rounds or drops: only a lossless copy keeps them.
    qa1->Vertices[0].Color[1] = 0.123457f;
    qa1->Triangles[0].LightmapIndex = 1;
    e.LightmapList.push_back({1, 1, {9, 8, 7}});
    for (const auto& top : e.Tree.TopLevel()) ComputeBounds(top.get());
  }

  void Click(TSector* n) {
    SelectInTree(e, n);
    TreeClick(e);
  }
  void Select(std::vector<TSector*> nodes) {
    ClearSelection(e);
    for (TSector* n : nodes) {
      e.SelectionList.push_back(n);
      n->Marked = 1;
    }
    SelectInTree(e, nodes.front());
  }
};

struct Command {
  const char* name;
  std::function<void(Fixture&)> prepare;  // selection and the like: no change of the scene
  std::function<void(Fixture&)> run;
};

std::vector<uint8_t> Md2File() {
  return test::MakeMd2(test::SampleMd2());
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"Sektor", [](Fixture&) {}, [](Fixture& f) { InsertSector(f.e); }},
      {"Quadrat", [](Fixture& f) { f.Click(f.a); }, [](Fixture& f) { InsertSquare(f.e); }},
      {"Lichtquelle", [](Fixture& f) { f.Click(f.qa1); }, [](Fixture& f) { InsertLight(f.e); }},
      {"Portal", [](Fixture& f) { f.Click(f.sub); }, [](Fixture& f) { InsertPortal(f.e); }},
      {"Partikelsystem", [](Fixture& f) { f.Click(f.qb); }, [](Fixture& f) { InsertParticleSystem(f.e); }},
      {"Actor", [](Fixture& f) { f.Click(f.b); }, [](Fixture& f) { InsertActor(f.e); }},
      {"Checkpoint", [](Fixture& f) { f.Click(f.a); }, [](Fixture& f) { InsertCheckpoint(f.e); }},
      {"Einfügen Sektor",
       [](Fixture& f) {
         f.Click(f.a);
         CopySelection(f.e);
         f.Click(f.b);
       },
       [](Fixture& f) { PasteClipboard(f.e); }},
      {"Einfügen Licht",
       [](Fixture& f) {
         f.Click(f.light);
         CopySelection(f.e);
         f.Click(f.qb);
       },
       [](Fixture& f) { PasteClipboard(f.e); }},
      {"Löschen Sektor", [](Fixture& f) { f.Click(f.a); }, [](Fixture& f) { DeleteSelection(f.e); }},
      {"Löschen mehrere",
       [](Fixture& f) {
         f.Select({f.qb, f.light, f.sub, f.portal});
       },
       [](Fixture& f) { DeleteSelection(f.e); }},
      {"Umbenennen",
       [](Fixture& f) {
         f.Click(f.light);
         f.prompts.text_answers.push_back("Lampe \xc3\xbc");
       },
       [](Fixture& f) { RenameTreeSelection(f.e); }},
      {"Ziehen in Sektor", [](Fixture& f) { f.Click(f.light); }, [](Fixture& f) { TreeDragDrop(f.e, f.b); }},
      {"Ziehen vor Knoten", [](Fixture& f) { f.Click(f.sub); }, [](Fixture& f) { TreeDragDrop(f.e, f.qb); }},
      {"Portal verlinken", [](Fixture& f) { f.Click(f.b); }, [](Fixture& f) { TreeDragDrop(f.e, f.portal); }},
      {"Bewegen",
       [](Fixture& f) {
         f.Select({f.qa1, f.a, f.light});
         SetAxisLock(f.e, AxisLock::kY);
       },
       [](Fixture& f) {
         for (int i = 0; i < 5; ++i) DragStep(f.e, -40);
       }},
      {"Rotieren",
       [](Fixture& f) {
         f.Select({f.b, f.light, f.qa1});
         SetToolMode(f.e, ToolMode::kRotate);
         SetAxisLock(f.e, AxisLock::kZ);
       },
       [](Fixture& f) {
         for (int i = 0; i < 3; ++i) DragStep(f.e, 50);
       }},
      {"Vertex bewegen",
       [](Fixture& f) {
         f.Select({f.qa1});
         f.e.VertexMode = true;
         f.qa1->Vertices[2].Marked = 1;
       },
       [](Fixture& f) { DragStep(f.e, -40); }},
      {"Textur verschieben",
       [](Fixture& f) {
         f.Select({f.qa1, f.qb});
         SetAxisLock(f.e, AxisLock::kY);
       },
       [](Fixture& f) { TextureDrag(f.e, TexMode::kShift, 3, 17); }},
      {"Textur skalieren", [](Fixture& f) { f.Select({f.qa2}); },
       [](Fixture& f) { AdjustTexCoords(f.e, TexCoord::kU, TexMode::kScale, 1.37); }},
      {"Koordinaten einfügen",
       [](Fixture& f) {
         f.Select({f.qa1});
         f.qa1->Vertices[1].Marked = 1;
         f.e.CoordinateClipboard = {1.25f, -3, 7};
       },
       [](Fixture& f) { PasteCoordinates(f.e); }},
      {"Drehen um 90°",
       [](Fixture& f) {
         f.Select({f.a, f.model});
         SetAxisLock(f.e, AxisLock::kY);
       },
       [](Fixture& f) { TurnSelectedObjects(f.e, 90); }},
      {"Texturkoordinaten drehen",
       [](Fixture& f) {
         f.Select({f.qa1, f.qb});
       },
       [](Fixture& f) { RotateSelectedTexCoords(f.e); }},
      {"Texturkoordinaten spiegeln", [](Fixture& f) { f.Select({f.qa2}); },
       [](Fixture& f) { MirrorSelectedTexCoords(f.e); }},
      {"Texturkoordinaten auf Basis", [](Fixture&) {}, [](Fixture& f) { TexCoordsFromBasis(f.e); }},
      {"kein Insidetest",
       [](Fixture& f) {
         f.Select({f.a, f.b});
       },
       [](Fixture& f) { CheckBoxClick(f.e, "CheckBox7", true); }},
      {"Unsichtbar", [](Fixture& f) { f.Select({f.qa1}); },
       [](Fixture& f) { CheckBoxClick(f.e, "CheckBox3", true); }},
      {"gerichtetes Licht", [](Fixture& f) { f.Click(f.light); },
       [](Fixture& f) { RadioButtonClick(f.e, "RadioButton2", true); }},
      {"Farbe", [](Fixture& f) { f.Click(f.light); }, [](Fixture& f) { TrackBarChange(f.e, 1, 17); }},
      {"Helligkeit", [](Fixture& f) { f.Click(f.light); },
       [](Fixture& f) { EditEnter(f.e, "Edit8", "12,5"); }},
      {"Zuweisen",
       [](Fixture& f) {
         f.Select({f.qa1, f.model, f.light});
       },
       [](Fixture& f) { AssignTexture(f.e, 3); }},
      {"Zuweisen Bibliothek",
       [](Fixture& f) {
         f.e.Textures.Add(MakeTexNode(1, "eins", {}));
         f.e.Textures.Add(MakeTexNode(2, "zwei", {}));
         f.Select({f.qb});
       },
       [](Fixture& f) { AssignTextureCommand(f.e); }},
      {"Sektor aus Datei",
       [](Fixture& f) {
         const auto path = f.dir / "a.sec";
         std::string error;
         ASSERT_TRUE(SaveSectorFile(f.a, path, &error)) << error;
         f.prompts.open_answers.push_back(path);
       },
       [](Fixture& f) { ImportSectorFromFile(f.e); }},
      {"Model",
       [](Fixture& f) {
         const auto path = f.dir / "m.md2";
         test::WriteFileBytes(path, Md2File());
         f.prompts.open_answers.push_back(path);
         f.Click(f.qa2);
       },
       [](Fixture& f) { InsertModel(f.e); }},
      {"Lightmaps berechnen", [](Fixture& f) { f.model->LightingMode = 1; },
       [](Fixture& f) {
         ASSERT_EQ(ComputeLightmaps(f.e, {4, 4}), BakeStatus::kDone);
       }},
  };
  return commands;
}

TEST(UndoCommands, UndoGivesBackTheDocumentByteForByteAndRedoRepeats) {
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.name);
    Fixture f;
    c.prepare(f);
    const std::vector<uint8_t> bytes_before = WriteMapDocument(f.e);
    const std::string before = test::DumpScene(f.e);
    {
      UndoStack::Step step(f.e.History, c.name);
      c.run(f);
    }
    ASSERT_TRUE(f.e.History.CanUndo());
    EXPECT_EQ(f.e.History.UndoName(), c.name);
    EXPECT_TRUE(f.e.IsModified());
    const std::vector<uint8_t> bytes_after = WriteMapDocument(f.e);
    const std::string after = test::DumpScene(f.e);
    ASSERT_NE(after, before);

    ASSERT_TRUE(f.e.History.Undo());
    EXPECT_EQ(WriteMapDocument(f.e), bytes_before);
    EXPECT_EQ(test::DumpScene(f.e), before);
    EXPECT_FALSE(f.e.IsModified());

    ASSERT_TRUE(f.e.History.Redo());
    EXPECT_EQ(WriteMapDocument(f.e), bytes_after);
    EXPECT_EQ(test::DumpScene(f.e), after);

    ASSERT_TRUE(f.e.History.Undo());
    EXPECT_EQ(test::DumpScene(f.e), before);
    EXPECT_FALSE(f.e.History.CanUndo());
  }
}

TEST(UndoCommands, ASequenceUndoesStepByStepToTheStartAndRedoesToTheEnd) {
  Fixture f;
  std::vector<std::vector<uint8_t>> saved{WriteMapDocument(f.e)};
  auto run = [&](const char* name, const std::function<void()>& fn) {
    f.e.History.Run(name, fn);
    saved.push_back(WriteMapDocument(f.e));
  };
  run("Sektor", [&] { InsertSector(f.e); });
  f.Click(f.a);
  run("Quadrat", [&] { InsertSquare(f.e); });
  f.Click(f.light);
  run("Lichtquelle", [&] { InsertLight(f.e); });
  run("Texturkoordinaten auf Basis", [&] { TexCoordsFromBasis(f.e); });
  f.Click(f.sub);
  run("Ziehen", [&] { TreeDragDrop(f.e, f.b); });
  f.Click(f.a);
  CopySelection(f.e);
  f.Click(f.b);
  run("Einfügen", [&] { PasteClipboard(f.e); });
  f.Select({f.qb, f.light});
  run("Löschen", [&] { DeleteSelection(f.e); });
  f.Click(f.portal);
  f.prompts.text_answers.push_back("P");
  run("Umbenennen", [&] { RenameTreeSelection(f.e); });
  ASSERT_EQ(f.e.History.UndoCount(), 8u);

  for (size_t i = saved.size() - 1; i-- > 0;) {
    ASSERT_TRUE(f.e.History.Undo());
    EXPECT_EQ(WriteMapDocument(f.e), saved[i]) << "after undoing to " << i;
  }
  EXPECT_FALSE(f.e.History.Undo());
  for (size_t i = 1; i < saved.size(); ++i) {
    ASSERT_TRUE(f.e.History.Redo());
    EXPECT_EQ(WriteMapDocument(f.e), saved[i]) << "after redoing to " << i;
  }
  EXPECT_FALSE(f.e.History.Redo());
}

std::set<uint32_t> Ids(const Editor& e) {
  std::set<uint32_t> ids;
  e.Tree.Walk([&](TSector* n) {
    EXPECT_TRUE(ids.insert(n->Id).second) << "node id " << n->Id << " twice";
    for (const TVertex& v : n->Vertices)
      EXPECT_TRUE(ids.insert(v.Id).second) << "vertex id " << v.Id << " twice";
  });
  return ids;
}

// Random commands on random selections with undo and redo in between, checked
// against a list of the scenes expected at each place of the history.
TEST(UndoCommands, RandomSequencesKeepEveryStateAndIdsUnique) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    Fixture f;
    std::vector<std::string> states{test::DumpScene(f.e, false)};
    size_t at = 0;
    std::set<uint32_t> ever = Ids(f.e);
    for (int round = 0; round < 60; ++round) {
      const int action = std::uniform_int_distribution<int>(0, 9)(rng);
      if (action < 2) {
        const std::string here = test::DumpScene(f.e, false);
        const bool did = f.e.History.Undo();
        ASSERT_EQ(did, at > 0);
        if (did) {
          states[at] = here;
          EXPECT_EQ(test::DumpScene(f.e, false), states[--at]);
        }
      } else if (action < 3) {
        const std::string here = test::DumpScene(f.e, false);
        const bool did = f.e.History.Redo();
        ASSERT_EQ(did, at + 1 < states.size());
        if (did) {
          states[at] = here;
          EXPECT_EQ(test::DumpScene(f.e, false), states[++at]);
        }
      } else {
        // Any node may be selected; commands that need another kind do nothing.
        const std::vector<TSector*> nodes = f.e.Tree.InOrder();
        if (!nodes.empty()) f.Click(nodes[std::uniform_int_distribution<size_t>(0, nodes.size() - 1)(rng)]);
        f.prompts.text_answers.push_back("n" + std::to_string(round));
        const std::string before = test::DumpScene(f.e, false);
        const uint32_t highest = ever.empty() ? 0 : *ever.rbegin();
        const std::set<uint32_t> old_ids = Ids(f.e);
        const size_t count = f.e.History.UndoCount();
        switch (std::uniform_int_distribution<int>(0, 7)(rng)) {
          case 0:
            f.e.History.Run("Sektor", [&] { InsertSector(f.e); });
            break;
          case 1:
            f.e.History.Run("Quadrat", [&] { InsertSquare(f.e); });
            break;
          case 2:
            f.e.History.Run("Licht", [&] { InsertLight(f.e); });
            break;
          case 3:
            CopySelection(f.e);
            f.e.History.Run("Einfügen", [&] { PasteClipboard(f.e); });
            break;
          case 4:
            f.e.History.Run("Löschen", [&] { DeleteSelection(f.e); });
            break;
          case 5:
            f.e.History.Run("Umbenennen", [&] { RenameTreeSelection(f.e); });
            break;
          case 6:
            f.e.History.Run("Drehen", [&] { TurnSelectedObjects(f.e, 90); });
            break;
          default:
            f.e.History.Run("Bewegen", [&] { DragStep(f.e, -50); });
            break;
        }
        if (f.e.History.UndoCount() > count) {
          states.resize(at + 1);
          states[at] = before;
          states.push_back(test::DumpScene(f.e, false));
          ++at;
        }
        // A fresh id never repeats one that any state of the history holds.
        for (uint32_t id : Ids(f.e))
          if (!old_ids.count(id)) {
            EXPECT_GT(id, highest);
          }
      }
      for (const TSector* n : f.e.ClipboardList) EXPECT_TRUE(f.e.Tree.Contains(n));
      const std::set<uint32_t> now = Ids(f.e);
      ever.insert(now.begin(), now.end());
      if (!ever.empty()) {
        EXPECT_GE(f.e.IdCounter, *ever.rbegin());
      }
    }
  }
}

}  // namespace
}  // namespace qx

#pragma once
// Every command that changes the scene, each with what it needs selected
// first, on one small scene holding every node type. The undo tests run each
// as one history step; the announcement tests check what each one tells the views.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "commands/document_commands.h"
#include "commands/insert.h"
#include "commands/model_insert.h"
#include "commands/polygon_ops.h"
#include "commands/properties.h"
#include "commands/recording_view.h"
#include "commands/room_commands.h"
#include "commands/sector_import.h"
#include "commands/selection.h"
#include "commands/texture_align.h"
#include "commands/texture_commands.h"
#include "commands/transform.h"
#include "commands/tree_edit.h"
#include "lighting/lightmap.h"
#include "models/test_md2.h"
#include "support/scene_samples.h"
#include "support/test_support.h"
#include "tools/drag.h"
#include "ui/browser_logic.h"

namespace qx::test {

struct CommandScene {
  test::TempDir dir;
  test::FakePrompts prompts;
  test::RecordingView view;
  test::MemorySettings settings;
  Editor e;
  PointerState pointer;
  TSector *a, *b, *sub, *qa1, *qa2, *qb, *light, *portal, *model;

  CommandScene() {
    e.prompts = &prompts;
    view.Attach(e);
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
  std::function<void(CommandScene&)> prepare;  // selection and the like: no change of the scene
  std::function<void(CommandScene&)> run;
};

inline std::vector<uint8_t> Md2File() {
  return test::MakeMd2(test::SampleMd2());
}

inline const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"Sektor", [](CommandScene&) {}, [](CommandScene& f) { InsertSector(f.e); }},
      {"Quadrat", [](CommandScene& f) { f.Click(f.a); }, [](CommandScene& f) { InsertSquare(f.e); }},
      {"Lichtquelle", [](CommandScene& f) { f.Click(f.qa1); }, [](CommandScene& f) { InsertLight(f.e); }},
      {"Portal", [](CommandScene& f) { f.Click(f.sub); }, [](CommandScene& f) { InsertPortal(f.e); }},
      {"Partikelsystem", [](CommandScene& f) { f.Click(f.qb); },
       [](CommandScene& f) { InsertParticleSystem(f.e); }},
      {"Actor", [](CommandScene& f) { f.Click(f.b); }, [](CommandScene& f) { InsertActor(f.e); }},
      {"Checkpoint", [](CommandScene& f) { f.Click(f.a); }, [](CommandScene& f) { InsertCheckpoint(f.e); }},
      {"Einfügen Sektor",
       [](CommandScene& f) {
         f.Click(f.a);
         CopySelection(f.e);
         f.Click(f.b);
       },
       [](CommandScene& f) { PasteClipboard(f.e); }},
      {"Einfügen Licht",
       [](CommandScene& f) {
         f.Click(f.light);
         CopySelection(f.e);
         f.Click(f.qb);
       },
       [](CommandScene& f) { PasteClipboard(f.e); }},
      {"Löschen Sektor", [](CommandScene& f) { f.Click(f.a); },
       [](CommandScene& f) { DeleteSelection(f.e); }},
      {"Löschen mehrere",
       [](CommandScene& f) {
         f.Select({f.qb, f.light, f.sub, f.portal});
       },
       [](CommandScene& f) { DeleteSelection(f.e); }},
      {"Umbenennen",
       [](CommandScene& f) {
         f.Click(f.light);
         f.prompts.text_answers.push_back("Lampe \xc3\xbc");
       },
       [](CommandScene& f) { RenameTreeSelection(f.e); }},
      {"Ziehen in Sektor", [](CommandScene& f) { f.Click(f.light); },
       [](CommandScene& f) { TreeDragDrop(f.e, f.b); }},
      {"Ziehen vor Knoten", [](CommandScene& f) { f.Click(f.sub); },
       [](CommandScene& f) { TreeDragDrop(f.e, f.qb); }},
      {"Portal verlinken", [](CommandScene& f) { f.Click(f.b); },
       [](CommandScene& f) { TreeDragDrop(f.e, f.portal); }},
      {"Bewegen",
       [](CommandScene& f) {
         f.Select({f.qa1, f.a, f.light});
         SetAxisLock(f.e, AxisLock::kY);
       },
       [](CommandScene& f) {
         for (int i = 0; i < 5; ++i) DragStep(f.e, f.pointer, -40);
       }},
      {"Rotieren",
       [](CommandScene& f) {
         f.Select({f.b, f.light, f.qa1});
         SetToolMode(f.e, ToolMode::kRotate);
         SetAxisLock(f.e, AxisLock::kZ);
       },
       [](CommandScene& f) {
         for (int i = 0; i < 3; ++i) DragStep(f.e, f.pointer, 50);
       }},
      {"Vertex bewegen",
       [](CommandScene& f) {
         f.Select({f.qa1});
         f.e.VertexMode = true;
         f.qa1->Vertices[2].Marked = 1;
       },
       [](CommandScene& f) { DragStep(f.e, f.pointer, -40); }},
      {"Textur verschieben",
       [](CommandScene& f) {
         f.Select({f.qa1, f.qb});
         SetAxisLock(f.e, AxisLock::kY);
       },
       [](CommandScene& f) { TextureDrag(f.e, TexMode::kShift, 3, 17); }},
      {"Textur skalieren", [](CommandScene& f) { f.Select({f.qa2}); },
       [](CommandScene& f) { AdjustTexCoords(f.e, TexCoord::kU, TexMode::kScale, 1.37); }},
      {"Koordinaten einfügen",
       [](CommandScene& f) {
         f.Select({f.qa1});
         f.qa1->Vertices[1].Marked = 1;
         f.e.CoordinateClipboard = {1.25f, -3, 7};
       },
       [](CommandScene& f) { PasteCoordinates(f.e); }},
      {"Drehen um 90°",
       [](CommandScene& f) {
         f.Select({f.a, f.model});
         SetAxisLock(f.e, AxisLock::kY);
       },
       [](CommandScene& f) { TurnSelectedObjects(f.e, 90); }},
      {"Texturkoordinaten drehen",
       [](CommandScene& f) {
         f.Select({f.qa1, f.qb});
       },
       [](CommandScene& f) { RotateSelectedTexCoords(f.e); }},
      {"Texturkoordinaten spiegeln", [](CommandScene& f) { f.Select({f.qa2}); },
       [](CommandScene& f) { MirrorSelectedTexCoords(f.e); }},
      {"Texturkoordinaten auf Basis", [](CommandScene&) {}, [](CommandScene& f) { TexCoordsFromBasis(f.e); }},
      {"Textur ausrichten",
       [](CommandScene& f) {
         f.Select({f.a, f.model});
       },
       [](CommandScene& f) { AlignSelectedTextures(f.e); }},
      {"Textur einpassen",
       [](CommandScene& f) {
         f.Select({f.qa1, f.model});
         f.prompts.text_answers = {"2 x 3"};
       },
       [](CommandScene& f) { FitSelectedTextures(f.e); }},
      {"Textur drehen",
       [](CommandScene& f) {
         f.Select({f.qa1, f.qb});
       },
       [](CommandScene& f) { TextureFieldEnter(f.e, TextureField::kRotation, "30"); }},
      {"Verschieben, Textur fixiert",
       [](CommandScene& f) {
         f.Select({f.qa1});
         ProjectTextureCoordinates(*f.qa1);
         f.e.TextureLock = true;
         SetAxisLock(f.e, AxisLock::kX);
       },
       [](CommandScene& f) { DragStep(f.e, f.pointer, -40); }},
      {"kein Insidetest",
       [](CommandScene& f) {
         f.Select({f.a, f.b});
       },
       [](CommandScene& f) { CheckBoxClick(f.e, "CheckBox7", true); }},
      {"Unsichtbar", [](CommandScene& f) { f.Select({f.qa1}); },
       [](CommandScene& f) { CheckBoxClick(f.e, "CheckBox3", true); }},
      {"gerichtetes Licht", [](CommandScene& f) { f.Click(f.light); },
       [](CommandScene& f) { RadioButtonClick(f.e, "RadioButton2", true); }},
      {"Farbe", [](CommandScene& f) { f.Click(f.light); },
       [](CommandScene& f) { TrackBarChange(f.e, 1, 17); }},
      {"Helligkeit", [](CommandScene& f) { f.Click(f.light); },
       [](CommandScene& f) { EditEnter(f.e, "Edit8", "12,5"); }},
      {"Zuweisen",
       [](CommandScene& f) {
         f.Select({f.qa1, f.model, f.light});
       },
       [](CommandScene& f) { AssignTexture(f.e, 3); }},
      {"Zuweisen Bibliothek",
       [](CommandScene& f) {
         f.e.Textures.Add(MakeTexNode(1, "eins", {}));
         f.e.Textures.Add(MakeTexNode(2, "zwei", {}));
         f.Select({f.qb});
       },
       [](CommandScene& f) { AssignTextureCommand(f.e); }},
      {"Sektor aus Datei",
       [](CommandScene& f) {
         const auto path = f.dir / "a.sec";
         std::string error;
         ASSERT_TRUE(SaveSectorFile(f.a, path, &error)) << error;
         f.prompts.open_answers.push_back(path);
       },
       [](CommandScene& f) { ImportSectorFromFile(f.e); }},
      {"Model",
       [](CommandScene& f) {
         const auto path = f.dir / "m.md2";
         test::WriteFileBytes(path, Md2File());
         f.prompts.open_answers.push_back(path);
         f.Click(f.qa2);
       },
       [](CommandScene& f) { InsertModel(f.e); }},
      {"Raum", [](CommandScene& f) { f.Click(f.a); },
       [](CommandScene& f) {
         RoomPlan plan;
         plan.outline = {{-200, -200}, {-100, -200}, {-100, -120}, {-150, -150}, {-200, -120}};
         plan.tile = 30;
         ASSERT_NE(DrawRoom(f.e, plan), nullptr);
       }},
      {"Durchgang", [](CommandScene& f) { f.Click(f.qa1); },
       [](CommandScene& f) {
         ASSERT_EQ(CutDoorway(f.e, {20, 20, {}}).size(), 1u);
       }},
      {"Lightmaps berechnen", [](CommandScene& f) { f.model->LightingMode = 1; },
       [](CommandScene& f) {
         ASSERT_EQ(ComputeLightmaps(f.e, {4, 4}), BakeStatus::kDone);
       }},
  };
  return commands;
}

}  // namespace qx::test

#include "commands/model_insert.h"

#include <gtest/gtest.h>

#include "commands/recording_view.h"
#include "models/test_md2.h"
#include "models/test_models.h"
#include "support/test_support.h"

namespace qx {
namespace {

using test::RecordingView;

std::unique_ptr<TMD2> LoadSample() {
  auto m = std::make_unique<TMD2>();
  const auto file = test::MakeMd2(test::SampleMd2());
  EXPECT_TRUE(m->LoadFromMemory(file.data(), file.size()));
  return m;
}

void ExpectUV(const TVertex& v, float u, float w) {
  EXPECT_FLOAT_EQ(v.TexCoord[0], u);
  EXPECT_FLOAT_EQ(v.TexCoord[1], w);
}

TEST(BuildModelNode, CopiesTheFirstFrameExactlyAsDescribed) {
  Editor e;
  e.IdCounter = 40;
  e.CameraTarget = {5, 12, -31};
  auto md2 = LoadSample();
  TMD2* loader = md2.get();
  auto node = BuildModelNode(e, std::move(md2));

  EXPECT_EQ(node->NodeType, kModel);
  EXPECT_EQ(node->Name, "Model");
  EXPECT_EQ(node->ImageIndex, 25);
  EXPECT_EQ(node->Id, 41u);
  EXPECT_EQ(node->Visible, 1);
  EXPECT_EQ(node->Marked, 0);
  EXPECT_EQ(node->LightingMode, 1);
  EXPECT_EQ(node->TextureIndex, 0);
  EXPECT_EQ(node->Position, (Vector{0, 20, -40})) << "the look-at point snapped to the grid";
  EXPECT_EQ(node->ModelLoader.get(), loader);

  ASSERT_EQ(node->VertexCount, 4);
  ASSERT_EQ(node->Vertices.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    const TVertex& v = node->Vertices[i];
    EXPECT_EQ(v.Id, 42u + i) << "vertices numbered after the node, in order";
    EXPECT_EQ(v.Position, VectorAdd(loader->FramePosition(0, i), node->Position))
        << "frame 0 with the model's origin at Position";
    for (float c : v.Color) EXPECT_EQ(c, 1.0f);
    EXPECT_EQ(v.LightmapCoord[0], 0);
    EXPECT_EQ(v.LightmapCoord[1], 0);
    EXPECT_EQ(v.Marked, 0);
  }
  EXPECT_EQ(node->Vertices[3].Position, (Vector{-9.5f, 279, 110}));  // (-9.5, 259, 150) in the file
  EXPECT_EQ(e.IdCounter, 45u);

  // Triangles (0 1 2 | st 0 1 2) and (2 1 3 | st 4 5 3): wound (a, c, b); each
  // corner writes its coordinates to its vertex, the later triangle winning.
  ASSERT_EQ(node->TriangleCount, 2);
  ASSERT_EQ(node->Triangles.size(), 2u);
  EXPECT_EQ(node->Triangles[0].V0, 0);
  EXPECT_EQ(node->Triangles[0].V1, 2);
  EXPECT_EQ(node->Triangles[0].V2, 1);
  EXPECT_EQ(node->Triangles[1].V0, 2);
  EXPECT_EQ(node->Triangles[1].V1, 3);
  EXPECT_EQ(node->Triangles[1].V2, 1);
  for (const TTriangle& t : node->Triangles) {
    EXPECT_EQ(t.Normal, (Vector{0, 0, 0}));
    EXPECT_EQ(t.Distance, 0);
    EXPECT_EQ(t.LightmapTexture, 0u);
    EXPECT_EQ(t.LightmapIndex, 0);
  }
  ExpectUV(node->Vertices[0], 0, 0);           // st 0
  ExpectUV(node->Vertices[1], 0.25f, 0.125f);  // st 1, then st 5
  ExpectUV(node->Vertices[2], 0.5f, -0.5f);    // st 2, then st 4
  ExpectUV(node->Vertices[3], 1, -1);          // st 3 from both its own entry and the triangle

  // Everything else stays zero.
  EXPECT_EQ(node->Kind, 0);
  EXPECT_EQ(node->NoCollision, 0);
  EXPECT_EQ(node->NoShadow, 0);
  EXPECT_EQ(node->ColorKey, 0);
  EXPECT_EQ(node->Brightness, 0);
  EXPECT_EQ(node->IsLinked, 0);
  EXPECT_EQ(node->Parent, nullptr);
}

TEST(BuildModelNode, VerticesWithoutTexCoordEntryOrTriangleGetZero) {
  test::Md2Spec s;
  s.tex_coords = {{64, 64}};
  test::Md2Frame f;
  f.vertices = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
  s.frames = {f};
  auto m = std::make_unique<TMD2>();
  const auto file = test::MakeMd2(s);
  ASSERT_TRUE(m->LoadFromMemory(file.data(), file.size()));
  Editor e;
  auto node = BuildModelNode(e, std::move(m));
  ExpectUV(node->Vertices[0], 0.25f, -0.25f);  // entry 0 exists
  ExpectUV(node->Vertices[1], 0, 0);
  ExpectUV(node->Vertices[2], 0, 0);
  EXPECT_EQ(node->TriangleCount, 0);
}

TEST(BuildModelNode, CornersWriteInTheOrderACB) {
  test::Md2Spec s = test::SampleMd2();
  s.triangles = {{1, 1, 0, 1, 4, 5}};  // b repeats a: b's entry (written last) wins
  auto m = std::make_unique<TMD2>();
  const auto file = test::MakeMd2(s);
  ASSERT_TRUE(m->LoadFromMemory(file.data(), file.size()));
  Editor e;
  auto node = BuildModelNode(e, std::move(m));
  ExpectUV(node->Vertices[1], 0.5f, -0.5f);
  ExpectUV(node->Vertices[0], 0.25f, 0.125f);
}

struct InsertFixture : ::testing::Test {
  test::TempDir dir;
  test::FakePrompts prompts;
  RecordingView view;
  Editor editor{dir.path()};
  TSector* sector = nullptr;
  TSector* quad = nullptr;

  InsertFixture() {
    editor.prompts = &prompts;
    view.Attach(editor);
    sector = editor.CreateNode(nullptr, kSector);
    sector->Id = editor.NextId();
    quad = editor.CreateNode(sector, kPolygon);
    quad->Id = editor.NextId();
    quad->Marked = 1;
    editor.SelectionList = {quad};
    test::WriteFileBytes(dir / "ship.md2", test::MakeMd2(test::SampleMd2()));
  }
};

using InsertModelTest = InsertFixture;

TEST_F(InsertModelTest, NeedsATreeSelection) {
  EXPECT_EQ(InsertModel(editor), nullptr);
  EXPECT_EQ(prompts.warnings, (std::vector<std::string>{"Sie müssen einen Sektor auswählen!"}));
  EXPECT_TRUE(prompts.open_dialogs.empty());
}

TEST_F(InsertModelTest, InsertsIntoTheSelectedSectorAndSelectsTheModel) {
  editor.TreeSelection = sector;
  prompts.open_answers.push_back(dir / "ship.md2");
  TSector* m = InsertModel(editor);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(prompts.open_dialogs.size(), 1u);
  // MD2 keeps its own entry among the model formats on offer.
  EXPECT_NE(prompts.open_dialogs[0].filter.find("|Quake 2 Model (*.md2)|*.md2|"), std::string::npos);
  EXPECT_EQ(
      prompts.open_dialogs[0].filter.rfind("Modelle (*.md2 *.obj *.gltf *.glb *.fbx *.3ds *.ply *.dae)|", 0),
      0u);
  EXPECT_EQ(m->Parent, sector);
  EXPECT_EQ(sector->Children.back().get(), m);
  EXPECT_EQ(m->Id, 3u);
  EXPECT_EQ(m->Vertices[0].Id, 4u);
  EXPECT_EQ(editor.SelectionList, (std::vector<TSector*>{m}));
  EXPECT_EQ(m->Marked, 1);
  EXPECT_EQ(quad->Marked, 0);
  EXPECT_EQ(editor.TreeSelection, m);
  EXPECT_EQ(view.tree_selection, m);
  EXPECT_EQ(view.LastShown(), m);
  EXPECT_GE(view.redraws, 1);
  EXPECT_EQ(m->BoundsMin, (Vector{-10, 3, 100}));
  EXPECT_EQ(m->BoundsMax, (Vector{117.5f, 259, 150}));
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(InsertModelTest, ANonSectorSelectionGetsASibling) {
  editor.TreeSelection = quad;
  prompts.open_answers.push_back(dir / "ship.md2");
  TSector* m = InsertModel(editor);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Parent, sector);
  EXPECT_EQ(editor.Tree.PrevSibling(m), quad);

  // A top-level non-sector: the model goes to the top level.
  TSector* light = editor.CreateNode(nullptr, kLight);
  editor.TreeSelection = light;
  prompts.open_answers.push_back(dir / "ship.md2");
  TSector* top = InsertModel(editor);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->Parent, nullptr);
  EXPECT_EQ(editor.Tree.TopLevel().back().get(), top);
}

TEST_F(InsertModelTest, ExtensionInAnyCaseAndSilentRefusals) {
  editor.TreeSelection = sector;
  for (const char* name : {"a.MD2", "b.Md2"}) {
    test::WriteFileBytes(dir / name, test::MakeMd2(test::SampleMd2()));
    prompts.open_answers.push_back(dir / name);
    EXPECT_NE(InsertModel(editor), nullptr) << name;
  }
  const size_t count = editor.Tree.Count();
  const uint32_t ids = editor.IdCounter;
  test::WriteFileBytes(dir / "c.mdl", test::MakeMd2(test::SampleMd2()));
  test::WriteFileBytes(dir / "md2", test::MakeMd2(test::SampleMd2()));
  prompts.open_answers.push_back(dir / "c.mdl");
  prompts.open_answers.push_back(dir / "md2");
  prompts.open_answers.push_back(dir / "missing.md2");
  prompts.open_answers.push_back(dir.path());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(InsertModel(editor), nullptr);  // the last one is a cancel
  EXPECT_TRUE(prompts.warnings.empty());
  EXPECT_EQ(editor.Tree.Count(), count);
  EXPECT_EQ(editor.IdCounter, ids);
}

TEST_F(InsertModelTest, AnInvalidFileAddsNothing) {
  editor.TreeSelection = sector;
  auto file = test::MakeMd2(test::SampleMd2());
  test::SetMd2Field(file, kMD2NumVertices, 5000);
  test::WriteFileBytes(dir / "bad.md2", file);
  prompts.open_answers.push_back(dir / "bad.md2");
  EXPECT_EQ(InsertModel(editor), nullptr);
  EXPECT_EQ(prompts.warnings, (std::vector<std::string>{"Ungültige Datei!"}));
  EXPECT_EQ(editor.Tree.Count(), 2u);
  EXPECT_EQ(editor.IdCounter, 2u) << "no id was spent";
  EXPECT_EQ(editor.SelectionList, (std::vector<TSector*>{quad}));
}

TEST_F(InsertModelTest, OtherFormatsGoThroughTheImport) {
  editor.TreeSelection = sector;
  test::WriteFileBytes(dir / "Platte.OBJ", test::Bytes(test::kQuadAndPentagonObj));
  prompts.open_answers.push_back(dir / "Platte.OBJ");
  TSector* m = InsertModel(editor);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Parent, sector);
  EXPECT_EQ(m->NodeType, kModel);
  EXPECT_EQ(m->Id, 3u);
  ASSERT_EQ(m->Vertices.size(), 9u);
  EXPECT_EQ(m->Vertices.back().Id, 12u);
  EXPECT_EQ(m->TriangleCount, 5);
  ASSERT_TRUE(m->ModelLoader);
  EXPECT_EQ(m->ModelLoader->FrameCount(), 1);
  EXPECT_EQ(editor.SelectionList, (std::vector<TSector*>{m}));
  EXPECT_EQ(m->BoundsMin, (Vector{0, 0, 0}));
  EXPECT_EQ(m->BoundsMax, (Vector{32, 14, 0}));

  // A damaged file, or one beyond the limits, is refused and spends no id.
  const size_t count = editor.Tree.Count();
  const uint32_t ids = editor.IdCounter;
  test::WriteFileBytes(dir / "bad.gltf", test::Bytes("{\"asset\": "));
  test::WriteFileBytes(dir / "big.obj", test::Bytes(test::TooManyTrianglesObj()));
  prompts.open_answers = {dir / "bad.gltf", dir / "big.obj"};
  EXPECT_EQ(InsertModel(editor), nullptr);
  EXPECT_EQ(InsertModel(editor), nullptr);
  EXPECT_EQ(prompts.warnings, (std::vector<std::string>{"Ungültige Datei!", kTooManyTrianglesMessage}));
  EXPECT_EQ(editor.Tree.Count(), count);
  EXPECT_EQ(editor.IdCounter, ids);
  EXPECT_EQ(editor.SelectionList, (std::vector<TSector*>{m}));
}

TEST(HasModelExtension, OnlyTheLastFourCharactersCount) {
  EXPECT_TRUE(HasModelExtension("/x/a.md2"));
  EXPECT_TRUE(HasModelExtension("/x/a.mD2"));
  EXPECT_TRUE(HasModelExtension("/x/.md2"));
  EXPECT_TRUE(HasModelExtension("/x/a.b.md2"));
  EXPECT_FALSE(HasModelExtension("/x/a.md2.bak"));
  EXPECT_FALSE(HasModelExtension("/x/amd2"));
  EXPECT_FALSE(HasModelExtension("/x/a.mdl"));
  EXPECT_FALSE(HasModelExtension(""));
}

}  // namespace
}  // namespace qx

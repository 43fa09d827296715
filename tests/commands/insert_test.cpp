#include "commands/insert.h"

#include <gtest/gtest.h>

#include "commands/selection.h"
#include "commands/transform.h"
#include "support/test_support.h"
#include "tests/commands/recording_view.h"

namespace qx {
namespace {

struct InsertTest : ::testing::Test {
  Editor e;
  test::FakePrompts prompts;
  test::RecordingView view;
  InsertTest() {
    e.prompts = &prompts;
    view.Attach(e);
    e.NewScene();
  }
  void ExpectOnlySelected(TSector* n) {
    ASSERT_EQ(e.SelectionList.size(), 1u);
    EXPECT_EQ(e.SelectionList[0], n);
    EXPECT_EQ(n->Marked, 1);
    EXPECT_EQ(e.TreeSelection, n);
    EXPECT_EQ(view.tree_selection, n);
    ASSERT_FALSE(view.shown.empty());
    EXPECT_EQ(view.shown.back(), n);
    EXPECT_EQ(view.status[0], std::to_string(n->Id));
  }
};

TEST_F(InsertTest, EmptyTreeRefusesEverythingButASector) {
  const int redraws = view.redraws;
  EXPECT_EQ(InsertSquare(e), nullptr);
  EXPECT_EQ(InsertLight(e), nullptr);
  EXPECT_EQ(InsertPortal(e), nullptr);
  EXPECT_EQ(InsertParticleSystem(e), nullptr);
  EXPECT_EQ(InsertActor(e), nullptr);
  EXPECT_EQ(InsertCheckpoint(e), nullptr);
  ASSERT_EQ(prompts.warnings.size(), 6u);
  EXPECT_EQ(prompts.warnings[0], "Sie müssen einen Sektor auswählen!");
  EXPECT_TRUE(e.Tree.Empty());
  EXPECT_EQ(e.IdCounter, 0u);  // no id is spent on a refused insert
  EXPECT_EQ(view.redraws, redraws);

  TSector* s = InsertSector(e);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(e.Tree.First(), s);
  EXPECT_EQ(s->Id, 1u);
  EXPECT_EQ(s->Name, "leerer Sektor");
  EXPECT_EQ(s->Visible, 1);
  EXPECT_EQ(s->ImageIndex, 6);
  EXPECT_TRUE(view.panel_visible);
  EXPECT_TRUE(view.panel_visible);
  ExpectOnlySelected(s);

  // A second sector is a top-level node too, even with a sector selected.
  TSector* s2 = InsertSector(e);
  EXPECT_EQ(s2->Parent, nullptr);
  EXPECT_EQ(e.Tree.TopLevel().size(), 2u);
  EXPECT_EQ(s->Marked, 0);
  ExpectOnlySelected(s2);
}

TEST_F(InsertTest, SquareIdsCornersAndSnapping) {
  InsertSector(e);
  e.CameraTarget = {5, 12, -31};
  TSector* q = InsertSquare(e);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->Id, 2u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(q->Vertices[i].Id, 3u + i);
  EXPECT_EQ(q->Name, "Viereck");
  EXPECT_EQ(q->ImageIndex, 7);
  EXPECT_EQ(q->Visible, 1);
  EXPECT_EQ(q->VertexCount, 4);
  EXPECT_EQ(q->TriangleCount, 2);
  // T + (+-30, +-30) = x in {35, -25}, y in {42, -18}: halves and nearest to the grid of 20.
  const Vector expected[4] = {{40, 40, -40}, {-20, 40, -40}, {40, -20, -40}, {-20, -20, -40}};
  const float tex[4][2] = {{1, 1}, {0, 1}, {1, 0}, {0, 0}};
  const float lm[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  for (int i = 0; i < 4; ++i) {
    const TVertex& v = q->Vertices[i];
    EXPECT_EQ(v.Position, expected[i]) << i;
    EXPECT_EQ(v.TexCoord[0], tex[i][0]);
    EXPECT_EQ(v.TexCoord[1], tex[i][1]);
    EXPECT_EQ(v.LightmapCoord[0], lm[i][0]);
    EXPECT_EQ(v.LightmapCoord[1], lm[i][1]);
    EXPECT_EQ(v.Color[3], 1.0f);
    EXPECT_EQ(v.Marked, 0);
  }
  // Triangles and their planes belong to the snapped corners.
  EXPECT_EQ(q->Triangles[1].V0, 3);
  EXPECT_EQ(q->Triangles[1].V1, 2);
  EXPECT_FLOAT_EQ(std::fabs(q->Triangles[0].Normal.z), 1.0f);
  EXPECT_FLOAT_EQ(std::fabs(q->Triangles[0].Distance), 40.0f);
  EXPECT_EQ(q->BoundsCenter, (Vector{10, 10, -40}));
  ExpectOnlySelected(q);

  // The next insert continues after the last vertex id.
  EXPECT_EQ(InsertLight(e)->Id, 7u);

  e.CameraTarget = {0, 0, 0};
  EXPECT_EQ(InsertSquare(e)->Vertices[1].Position, (Vector{-40, 40, 0}));  // 1.5 -> 2
  e.CameraTarget = {10, 0, 0};
  TSector* q3 = InsertSquare(e);
  EXPECT_EQ(q3->Vertices[0].Position.x, 40);
  EXPECT_EQ(q3->Vertices[1].Position.x, -20);
}

TEST_F(InsertTest, ParentRule) {
  TSector* s = InsertSector(e);
  TSector* q = InsertSquare(e);
  EXPECT_EQ(q->Parent, s);
  // With the polygon selected, a light goes beside it into the same sector.
  TSector* l = InsertLight(e);
  EXPECT_EQ(l->Parent, s);
  // A sub-sector takes the new node itself.
  SelectInTree(e, s);
  TSector* sub = e.CreateNode(s, kSector);
  SelectInTree(e, sub);
  EXPECT_EQ(InsertActor(e)->Parent, sub);
  // A top-level non-sector node gives a top-level sibling.
  e.Tree.Move(l, nullptr);
  SelectInTree(e, l);
  EXPECT_EQ(InsertCheckpoint(e)->Parent, nullptr);
}

TEST_F(InsertTest, LightsAndPointObjects) {
  InsertSector(e);
  e.CameraTarget = {5, 12, -31};
  TSector* l = InsertLight(e);
  EXPECT_EQ(l->Position, (Vector{0, 20, -40}));
  EXPECT_EQ(l->Name, "Licht");
  EXPECT_EQ(l->Kind, 0);
  EXPECT_EQ(l->Brightness, 30);
  EXPECT_EQ(l->Range, 30);
  EXPECT_EQ(l->Shadow, 1);
  EXPECT_EQ(l->Color[1], 255);
  EXPECT_EQ(l->ImageIndex, 8);
  EXPECT_EQ(view.status[1], "X: 0 Y: 20 Z: -40");
  ExpectOnlySelected(l);

  struct {
    TSector* (*insert)(Editor&);
    uint8_t type;
    const char* name;
    int icon;
  } cases[] = {{InsertParticleSystem, kParticleSystem, "Partikelsystem", 24},
               {InsertActor, kActor, "Actor", 28},
               {InsertCheckpoint, kCheckpoint, "Checkpoint", 25}};
  for (const auto& c : cases) {
    TSector* n = c.insert(e);
    EXPECT_EQ(n->NodeType, c.type);
    EXPECT_EQ(n->Name, c.name);
    EXPECT_EQ(n->ImageIndex, c.icon);
    EXPECT_EQ(n->Position, (Vector{0, 20, -40}));
    EXPECT_EQ(n->VertexCount, 0);
    EXPECT_EQ(n->ObjectType, 0);
    ExpectOnlySelected(n);
  }
}

TEST_F(InsertTest, PortalKeepsVertexModeAndSquareEndsIt) {
  InsertSector(e);
  SetVertexMode(e, true);
  TSector* p = InsertPortal(e);
  EXPECT_TRUE(e.VertexMode);
  EXPECT_EQ(p->Name, "Portal");
  EXPECT_EQ(p->ImageIndex, 17);
  EXPECT_EQ(p->Visible, 0);
  EXPECT_EQ(p->IsLinked, 0);
  EXPECT_EQ(p->TriangleCount, 0);
  EXPECT_EQ(p->Vertices[0].Position, (Vector{-20, 20, 0}));
  EXPECT_EQ(p->Vertices[2].Position, (Vector{20, -20, 0}));
  EXPECT_EQ(p->Vertices[3].Id, p->Id + 4);
  InsertSquare(e);
  EXPECT_FALSE(e.VertexMode);
  EXPECT_EQ(view.vertex_mode, 0);
}

}  // namespace
}  // namespace qx

#include "commands/flip_face.h"

#include <gtest/gtest.h>

#include "commands/insert.h"
#include "commands/selection.h"
#include "scene/polygon_data.h"
#include "tests/commands/recording_view.h"
#include "tests/commands/select_nodes.h"

namespace qx {
namespace {

struct Announcements : DocumentListener {
  std::vector<ChangeSet> sets;
  void DocumentChanged(const ChangeSet& c) override { sets.push_back(c); }
};

struct FlipFaceTest : ::testing::Test {
  Editor e;
  test::RecordingView view;
  Announcements heard;
  TSector* sector = nullptr;
  FlipFaceTest() {
    view.Attach(e);
    e.NewScene();
    e.CameraTarget = {0, 0, 0};
    sector = InsertSector(e);
    e.AddDocumentListener(&heard);
  }
  ~FlipFaceTest() override { e.RemoveDocumentListener(&heard); }
  void Select(std::initializer_list<TSector*> nodes) { test::SelectNodes(e, nodes); }
  // The vertex of n at position p (every corner of a quad is somewhere else).
  static const TVertex* At(const TSector* n, Vector p) {
    for (const TVertex& v : n->Vertices)
      if (v.Position == p) return &v;
    return nullptr;
  }
};

TEST_F(FlipFaceTest, AQuadTurnsItsNormalAndEveryCornerKeepsItsCoordinates) {
  TSector* q = InsertSquare(e);
  q->Vertices[3].LightmapCoord[0] = 0.25f;
  std::vector<TVertex> before = q->Vertices;
  ASSERT_EQ(q->Triangles[0].Normal, (Vector{0, 0, 1}));  // a new square faces the new-scene camera
  Select({q});
  const size_t steps = e.History.UndoCount();
  FlipSelectedFaces(e);

  EXPECT_EQ(q->Triangles[0].Normal, (Vector{0, 0, -1}));
  EXPECT_EQ(q->Triangles[1].Normal, (Vector{0, 0, -1}));
  // Corners 1 and 2 change places as whole records: position, texture and
  // lightmap coordinates, colour and id stay together.
  for (const TVertex& old : before) {
    const TVertex* now = At(q, old.Position);
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->Id, old.Id);
    EXPECT_EQ(now->TexCoord[0], old.TexCoord[0]);
    EXPECT_EQ(now->TexCoord[1], old.TexCoord[1]);
    EXPECT_EQ(now->LightmapCoord[0], old.LightmapCoord[0]);
  }
  EXPECT_EQ(q->Vertices[1].Id, before[2].Id);
  EXPECT_EQ(q->Vertices[0].Id, before[0].Id);
  EXPECT_EQ(q->Vertices[3].Id, before[3].Id);

  // One undo step, named as the menu item, announced as geometry.
  EXPECT_EQ(e.History.UndoCount(), steps + 1);
  EXPECT_EQ(e.History.UndoName(), "Fläche umdrehen");
  ASSERT_FALSE(heard.sets.empty());
  EXPECT_TRUE(heard.sets.back().nodes.count(q));
  EXPECT_TRUE(heard.sets.back().nodes.at(q) & kChangeGeometry);
  ASSERT_TRUE(e.History.Undo());
  TSector* back = e.Tree.TopLevel()[0]->Children[0].get();
  EXPECT_EQ(back->Triangles[0].Normal, (Vector{0, 0, 1}));
  EXPECT_EQ(back->Vertices[1].Id, before[1].Id);

  // Twice is as before.
  ASSERT_TRUE(e.History.Redo());
  TSector* again = e.Tree.TopLevel()[0]->Children[0].get();
  FlipFace(again);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(again->Vertices[i].Id, before[i].Id);
}

TEST_F(FlipFaceTest, ModelsTurnEveryTriangleOthersStayAndADoubleEntryTurnsOnce) {
  TSector* model = e.CreateNode(sector, kModel);
  model->Id = e.NextId();
  model->ResizeVertices(3);
  model->Vertices[0].Position = {0, 0, 0};
  model->Vertices[1].Position = {10, 0, 0};
  model->Vertices[2].Position = {0, 10, 0};
  model->Vertices[2].TexCoord[0] = 0.5f;
  model->ResizeTriangles(1);
  model->Triangles[0].V0 = 0;
  model->Triangles[0].V1 = 1;
  model->Triangles[0].V2 = 2;
  UpdatePolygonData(model);
  const Vector n0 = model->Triangles[0].Normal;
  TSector* light = InsertLight(e);
  const Vector light_at = light->Position;
  TSector* q = InsertSquare(e);
  Select({model, light, q, q});
  FlipSelectedFaces(e);
  EXPECT_EQ(model->Triangles[0].V1, 2);
  EXPECT_EQ(model->Triangles[0].V2, 1);
  EXPECT_EQ(model->Triangles[0].Normal, VectorNegate(n0));
  EXPECT_EQ(model->Vertices[2].TexCoord[0], 0.5f);  // model coordinates belong to the vertices
  EXPECT_EQ(light->Position, light_at);
  EXPECT_EQ(q->Triangles[0].Normal, (Vector{0, 0, -1}));  // listed twice, turned once

  // Nothing selected that can turn: no step.
  Select({light});
  const size_t steps = e.History.UndoCount();
  FlipSelectedFaces(e);
  EXPECT_EQ(e.History.UndoCount(), steps);
}

TEST_F(FlipFaceTest, TheCurrentVertexFollowsItsCorner) {
  TSector* q = InsertSquare(e);
  Select({q});
  e.CurrentVertexNode = q;
  e.CurrentVertexIndex = 1;
  const uint32_t id = q->Vertices[1].Id;
  FlipSelectedFaces(e);
  ASSERT_NE(CurrentVertex(e), nullptr);
  EXPECT_EQ(CurrentVertex(e)->Id, id);
}

}  // namespace
}  // namespace qx

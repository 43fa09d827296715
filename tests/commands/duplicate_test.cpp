#include "commands/duplicate.h"

#include <gtest/gtest.h>

#include <set>

#include "commands/insert.h"
#include "commands/selection.h"
#include "commands/transform.h"
#include "commands/tree_edit.h"
#include "tests/commands/recording_view.h"
#include "tests/commands/select_nodes.h"

namespace qx {
namespace {

struct DuplicateTest : ::testing::Test {
  Editor e;
  test::RecordingView view;
  TSector* sector = nullptr;
  DuplicateTest() {
    view.Attach(e);
    e.NewScene();
    e.CameraTarget = {0, 0, 0};
    sector = InsertSector(e);
  }
  void Select(std::initializer_list<TSector*> nodes) { test::SelectNodes(e, nodes); }
  std::set<uint32_t> AllIds() {
    std::set<uint32_t> ids;
    e.Tree.Walk([&](TSector* n) {
      ids.insert(n->Id);
      for (const TVertex& v : n->Vertices) ids.insert(v.Id);
    });
    return ids;
  }
};

TEST_F(DuplicateTest, ASquareGetsACopyBesideItAsItsNextSibling) {
  TSector* q = InsertSquare(e);  // 80 wide after snapping
  TSector* light = InsertLight(e);
  Select({q});
  const std::set<uint32_t> before = AllIds();
  const std::vector<TSector*> copies = DuplicateSelection(e);
  ASSERT_EQ(copies.size(), 1u);
  TSector* c = copies[0];
  EXPECT_EQ(c->Parent, sector);
  EXPECT_EQ(e.Tree.NextSibling(q), c);
  EXPECT_EQ(e.Tree.NextSibling(c), light);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c->Vertices[i].Position.x, q->Vertices[i].Position.x + 80);
    EXPECT_EQ(c->Vertices[i].Position.y, q->Vertices[i].Position.y);
    EXPECT_EQ(c->Vertices[i].TexCoord[0], q->Vertices[i].TexCoord[0]);
    EXPECT_EQ(before.count(c->Vertices[i].Id), 0u);
  }
  EXPECT_EQ(before.count(c->Id), 0u);
  // The copy is the selection now, and one undo step takes it back.
  ASSERT_EQ(e.SelectionList.size(), 1u);
  EXPECT_EQ(e.SelectionList[0], c);
  EXPECT_EQ(c->Marked, 1);
  EXPECT_EQ(q->Marked, 0);
  EXPECT_EQ(e.TreeSelection, c);
  EXPECT_EQ(e.History.UndoName(), "Duplizieren");
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(e.Tree.TopLevel()[0]->Children.size(), 2u);
}

TEST_F(DuplicateTest, ATopLevelRoomGivesARoomBesideItAlongTheAxisLock) {
  TSector* q = InsertSquare(e);
  TSector* light = InsertLight(e);
  light->Position = {0, 20, 30};
  TSector* other = InsertSector(e);
  SetAxisLock(e, AxisLock::kZ);
  // The room's box along Z: the light's cube reaches from 27 to 33 beyond the flat square.
  Select({sector, q});  // the square comes with its room, once
  EXPECT_EQ(DuplicateOffset(e), 40);
  const std::vector<TSector*> copies = DuplicateSelection(e);
  ASSERT_EQ(copies.size(), 1u);
  TSector* room = copies[0];
  ASSERT_EQ(e.Tree.TopLevel().size(), 3u);
  EXPECT_EQ(e.Tree.TopLevel()[1].get(), room);
  EXPECT_EQ(e.Tree.TopLevel()[2].get(), other);
  EXPECT_EQ(room->Parent, nullptr);
  ASSERT_EQ(room->Children.size(), 2u);
  EXPECT_EQ(room->Children[0]->Vertices[0].Position.z, q->Vertices[0].Position.z + 40);
  EXPECT_EQ(room->Children[1]->Position, (Vector{0, 20, 70}));
  EXPECT_EQ(room->Children[1]->Shadow, 1);
}

TEST_F(DuplicateTest, OffsetIsTheBoxSizeInWholeGridSteps) {
  TSector* light = InsertLight(e);
  Select({light});
  EXPECT_EQ(DuplicateOffset(e), 20);  // a 6-unit cube: one step
  e.GridSize = 5;
  EXPECT_EQ(DuplicateOffset(e), 10);
  e.GridSize = 20;
  TSector* q = InsertSquare(e);
  Select({q});
  q->Vertices[0].Position.x = 41;  // 81 wide
  EXPECT_EQ(DuplicateOffset(e), 100);
  ClearSelection(e);
  EXPECT_TRUE(DuplicateSelection(e).empty());
}

TEST_F(DuplicateTest, ADropBelowTheLastRowMovesTheNodeToTheTopLevel) {
  TSector* light = InsertLight(e);
  SelectInTree(e, light);
  EXPECT_TRUE(TreeDropOnEmptyArea(e));
  EXPECT_EQ(light->Parent, nullptr);
  EXPECT_EQ(e.Tree.TopLevel().back().get(), light);
  EXPECT_FALSE(TreeDropOnEmptyArea(e));  // already there
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(e.Tree.TopLevel().size(), 1u);
}

}  // namespace
}  // namespace qx

#include "commands/selection.h"

#include <gtest/gtest.h>

#include <vector>

#include "commands/insert.h"
#include "support/test_support.h"
#include "tests/commands/recording_view.h"
#include "tools/drag.h"

namespace qx {
namespace {

// One hit record per (depth, name).
std::vector<uint32_t> Hits(std::initializer_list<std::pair<uint32_t, uint32_t>> hits) {
  std::vector<uint32_t> b;
  for (auto [depth, name] : hits) b.insert(b.end(), {1u, depth, depth + 10, name});
  return b;
}

TEST(ResolvePickHits, NearestWinsAndLaterVertexWinsAtOnce) {
  auto none = [](uint32_t) { return false; };
  EXPECT_EQ(ResolvePickHits(0, Hits({{5, 9}}), none), 0u);
  EXPECT_EQ(ResolvePickHits(-1, Hits({{5, 9}}), none), 0u);  // overflow selects nothing
  EXPECT_EQ(ResolvePickHits(3, Hits({{50, 1}, {20, 2}, {30, 3}}), none), 2u);
  EXPECT_EQ(ResolvePickHits(2, Hits({{20, 1}, {20, 2}}), none), 1u);  // ties keep the earlier
  // Depths compare unsigned: 0xFFFFFFFF is the farthest, not -1.
  EXPECT_EQ(ResolvePickHits(2, Hits({{0x7FFFFFFF, 1}, {0xFFFFFFFF, 2}}), none), 1u);
  EXPECT_EQ(ResolvePickHits(2, Hits({{0xFFFFFFFF, 1}, {0x80000000, 2}}), none), 2u);

  auto vertex7 = [](uint32_t n) { return n == 7; };
  EXPECT_EQ(ResolvePickHits(3, Hits({{10, 1}, {90, 7}, {5, 3}}), vertex7), 7u);
  // The first hit is never tested for being a vertex.
  EXPECT_EQ(ResolvePickHits(2, Hits({{90, 7}, {10, 1}}), vertex7), 1u);

  // A count that claims more records than the buffer holds reads only what is there.
  const auto b = Hits({{40, 1}, {30, 2}});
  EXPECT_EQ(ResolvePickHits(8, b, none), 2u);
  EXPECT_EQ(ResolvePickHits(2, std::span<const uint32_t>(b).first(6), none), 1u);
  const std::vector<uint32_t> huge_count = {0xFFFFFFFFu, 1, 2, 3};
  EXPECT_EQ(ResolvePickHits(1, huge_count, none), 0u);
  const std::vector<uint32_t> nameless = {0, 5, 6, 1, 3, 4, 9};
  EXPECT_EQ(ResolvePickHits(2, nameless, none), 9u);
}

struct SelectionTest : ::testing::Test {
  Editor e;
  test::FakePrompts prompts;
  test::RecordingView view;
  TSector *sector, *quad, *light, *portal, *sub, *subquad;
  SelectionTest() {
    e.prompts = &prompts;
    view.Attach(e);
    e.NewScene();
    sector = InsertSector(e);  // id 1
    light = InsertLight(e);    // 2
    quad = InsertSquare(e);    // 3, vertices 4..7
    portal = InsertPortal(e);  // 8, vertices 9..12
    sub = e.CreateNode(sector, kSector);
    sub->Id = e.NextId();  // 13
    SelectInTree(e, sub);
    e.CameraTarget = {200, 0, 0};
    subquad = InsertSquare(e);  // 14
  }
  PickFunction Picks(uint32_t name) {
    return [name](int, int) { return name; };
  }
};

TEST_F(SelectionTest, FindByIdAndVertexIds) {
  EXPECT_EQ(FindById(e.Tree, 1).node, nullptr);  // sectors are never picked
  EXPECT_EQ(FindById(e.Tree, 13).node, nullptr);
  EXPECT_EQ(FindById(e.Tree, 3).node, quad);
  EXPECT_FALSE(FindById(e.Tree, 3).is_vertex);
  const PickTarget v = FindById(e.Tree, 6);
  EXPECT_EQ(v.node, quad);
  EXPECT_TRUE(v.is_vertex);
  EXPECT_EQ(v.vertex_index, 2);
  EXPECT_EQ(FindById(e.Tree, 11).node, portal);
  EXPECT_EQ(FindById(e.Tree, 999).node, nullptr);
  EXPECT_TRUE(IsPolygonVertexId(e.Tree, 5));
  EXPECT_FALSE(IsPolygonVertexId(e.Tree, 11));  // portals' vertices do not count
  EXPECT_FALSE(IsPolygonVertexId(e.Tree, 3));
  EXPECT_TRUE(IsPolygonVertexId(e.Tree, subquad->Vertices[3].Id));
  // Against the tree: a polygon's vertex handle wins, a portal's does not.
  EXPECT_EQ(ResolvePickHits(e.Tree, 3, Hits({{10, 3}, {90, 5}, {5, 2}})), 5u);
  EXPECT_EQ(ResolvePickHits(e.Tree, 3, Hits({{10, 3}, {90, 11}, {5, 2}})), 2u);
}

TEST_F(SelectionTest, ClickSelectRules) {
  const int redraws = view.redraws;
  ClickSelect(e, 1, 1, {.shift = false, .ctrl = true}, Picks(3));
  EXPECT_EQ(view.redraws, redraws);  // Ctrl: nothing at all
  EXPECT_EQ(e.SelectionList.front(), subquad);

  ClickSelect(e, 1, 1, {}, Picks(0));
  EXPECT_EQ(view.status[0], "0");
  EXPECT_EQ(e.SelectionList.front(), subquad);
  EXPECT_EQ(view.redraws, redraws + 1);

  ClickSelect(e, 1, 1, {}, Picks(3));
  ASSERT_EQ(e.SelectionList.size(), 1u);
  EXPECT_EQ(e.SelectionList[0], quad);
  EXPECT_EQ(subquad->Marked, 0);
  EXPECT_EQ(quad->Marked, 1);
  EXPECT_EQ(view.tree_selection, quad);
  EXPECT_EQ(view.shown.back(), quad);
  EXPECT_EQ(view.status[0], "3");

  // Shift adds a node once; Shift on a selected node takes it out again, so
  // the list and the marks always agree (a drag never moves a node twice).
  ClickSelect(e, 1, 1, {.shift = true}, Picks(2));
  EXPECT_EQ(e.SelectionList, (std::vector<TSector*>{quad, light}));
  EXPECT_EQ(light->Marked, 1);
  ClickSelect(e, 1, 1, {.shift = true}, Picks(2));
  EXPECT_EQ(e.SelectionList, (std::vector<TSector*>{quad}));
  EXPECT_EQ(light->Marked, 0);
  EXPECT_EQ(view.shown.back(), quad);  // the panel shows what is still selected
}

TEST_F(SelectionTest, VertexClicks) {
  quad->Vertices[0].Marked = 1;
  ClickSelect(e, 0, 0, {}, Picks(6));
  EXPECT_EQ(e.SelectionList, (std::vector<TSector*>{quad}));
  EXPECT_EQ(quad->Marked, 1);
  EXPECT_EQ(quad->Vertices[0].Marked, 0);
  EXPECT_EQ(quad->Vertices[2].Marked, 1);
  EXPECT_EQ(CurrentVertex(e), &quad->Vertices[2]);
  // With Shift the other marks stay and the node stays marked.
  ClickSelect(e, 0, 0, {.shift = true}, Picks(7));
  EXPECT_EQ(quad->Vertices[2].Marked, 1);
  EXPECT_EQ(quad->Vertices[3].Marked, 1);
  EXPECT_EQ(quad->Marked, 1);
  EXPECT_EQ(e.SelectionList.size(), 1u);
  // The status bar shows the current vertex in vertex mode.
  e.VertexMode = true;
  quad->Vertices[3].Position = {1.5f, 2, 3};
  ClickSelect(e, 0, 0, {.shift = true}, Picks(7));
  EXPECT_EQ(view.status[1], "X: 1.5 Y: 2 Z: 3");
  // Deleting the node forgets the current vertex and the list entries.
  e.Tree.Remove(quad);
  EXPECT_EQ(CurrentVertex(e), nullptr);
  EXPECT_TRUE(e.SelectionList.empty());
}

TEST_F(SelectionTest, TreeClickAndClear) {
  e.TreeSelection = nullptr;
  const size_t shown = view.shown.size();
  TreeClick(e);
  EXPECT_EQ(view.shown.size(), shown);
  SelectInTree(e, sector);
  TreeClick(e);
  EXPECT_EQ(e.SelectionList, (std::vector<TSector*>{sector}));
  EXPECT_EQ(sector->Marked, 1);
  EXPECT_EQ(subquad->Marked, 0);
  EXPECT_EQ(sector->BoundsMin, (Vector{-40, -40, 0}));  // bounds computed on selection
  EXPECT_EQ(view.status[1], "X: 100 Y: 0 Z: 0");
  ClearSelection(e);
  EXPECT_TRUE(e.SelectionList.empty());
  EXPECT_EQ(sector->Marked, 0);
}

TEST_F(SelectionTest, MarkAllPolygons) {
  TSector* extra = e.CreateNode(sector, kPolygon);  // after the sub-sector
  SelectInTree(e, light);
  MarkAllPolygons(e);
  EXPECT_EQ(e.SelectionList, (std::vector<TSector*>{quad, subquad, extra}));
  EXPECT_EQ(extra->Marked, 1);
  EXPECT_EQ(portal->Marked, 0);
  EXPECT_EQ(view.tree_selection, quad);
  EXPECT_EQ(view.shown.back(), quad);

  // A node at the top level has no sector: nothing changes.
  e.Tree.Move(light, nullptr);
  SelectInTree(e, light);
  MarkAllPolygons(e);
  EXPECT_EQ(e.SelectionList.size(), 3u);
}

TEST_F(SelectionTest, PressAndReleaseTiming) {
  PointerState p;
  auto click = [&](int64_t held, Modifiers down, Modifiers up) {
    ClearSelection(e);
    ViewportMouseDown(p, MouseButton::kLeft, down, 1000);
    EXPECT_TRUE(p.left_down);
    ViewportMouseUp(e, p, MouseButton::kLeft, up, 5, 5, 1000 + held, Picks(3));
    EXPECT_FALSE(p.left_down);
    return !e.SelectionList.empty();
  };
  EXPECT_TRUE(click(199, {}, {}));
  EXPECT_FALSE(click(200, {}, {}));
  EXPECT_FALSE(click(10, {}, {.ctrl = true}));
  EXPECT_FALSE(click(10, {.ctrl = true}, {}));  // a Ctrl press is no click
  // A release without a press is no click either.
  ClearSelection(e);
  ViewportMouseUp(e, p, MouseButton::kLeft, {}, 5, 5, 1001, Picks(3));
  EXPECT_TRUE(e.SelectionList.empty());

  ViewportMouseDown(p, MouseButton::kRight, {}, 0);
  EXPECT_TRUE(p.right_down);
  ViewportMouseUp(e, p, MouseButton::kRight, {}, 0, 0, 1, Picks(3));
  EXPECT_FALSE(p.right_down);
  EXPECT_TRUE(e.SelectionList.empty());
  EXPECT_GE(MonotonicMilliseconds(), 0);
}

}  // namespace
}  // namespace qx

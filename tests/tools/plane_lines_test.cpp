// The merged outlines of the 2D views: edges on one line that touch or
// overlap become one segment, others stay apart; what a drag moves is kept
// out until it ends; announcements make the set be built again.

#include "tools/plane_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/scene_samples.h"
#include "tools/plane_edit.h"

namespace qx {
namespace {

const PlaneAxes kTopAxes = AxesOf(PlaneKind::kTop);
const PlaneAxes kFrontAxes = AxesOf(PlaneKind::kFront);

// A segment with its ends in order, for comparing.
std::array<float, 4> Sorted(const PlaneLine& l) {
  if (l.h0 < l.h1 || (l.h0 == l.h1 && l.v0 <= l.v1)) return {l.h0, l.v0, l.h1, l.v1};
  return {l.h1, l.v1, l.h0, l.v0};
}

bool Has(const std::vector<PlaneLine>& lines, float h0, float v0, float h1, float v1) {
  const auto want = Sorted({h0, v0, h1, v1});
  return std::any_of(lines.begin(), lines.end(), [&](const PlaneLine& l) {
    const auto got = Sorted(l);
    for (int i = 0; i < 4; ++i)
      if (std::fabs(got[i] - want[i]) > 1e-3f) return false;
    return true;
  });
}

struct PlaneLinesTest : ::testing::Test {
  Editor e;
  ViewOptions o;
  TSector* room;
  PlaneLinesTest() {
    e.NewScene();
    room = test::AddSector(e, nullptr, "Raum");
  }
  PlaneLineSet Build(const PlaneAxes& axes, const std::unordered_set<const TSector*>& skip = {}) {
    return BuildPlaneLines(e.Tree, axes, o, skip);
  }
};

TEST_F(PlaneLinesTest, NeighboursShareTheirEdgesWallsSeenEdgeOnAreOneLine) {
  // Two squares side by side in z = 0: seen from the front, one outline of 120 x 60 and the middle edge.
  test::AddQuad(e, room, {0, 0, 0});
  test::AddQuad(e, room, {60, 0, 0});
  PlaneLineSet front = Build(kFrontAxes);
  EXPECT_EQ(front.edges, 8u);
  const auto& lines = front.lines[int(OutlineKind::kPolygon)];
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_TRUE(Has(lines, -30, 30, 90, 30));    // the top edges as one
  EXPECT_TRUE(Has(lines, -30, -30, 90, -30));  // the bottom edges as one
  EXPECT_TRUE(Has(lines, 30, -30, 30, 30));    // the shared edge once
  EXPECT_TRUE(Has(lines, -30, -30, -30, 30));
  EXPECT_TRUE(Has(lines, 90, -30, 90, 30));
  // From above both are one line from x = -30 to 90 at z = 0 (view v = -z = 0); the
  // upright edges are points there and drop out.
  PlaneLineSet top = Build(kTopAxes);
  ASSERT_EQ(top.lines[0].size(), 1u);
  EXPECT_TRUE(Has(top.lines[0], -30, 0, 90, 0));
}

TEST_F(PlaneLinesTest, GapsDirectionsAndKindsStayApart) {
  test::AddQuad(e, room, {0, 0, 0});
  test::AddQuad(e, room, {100, 0, 0});  // 40 units away: a gap on the same lines
  TSector* slanted = test::AddQuad(e, room, {0, 0, 0});
  slanted->Vertices[0].Position = {30, 30, 0};
  slanted->Vertices[1].Position = {-30, 40, 0};  // a top edge off the horizontal
  test::AddPortal(e, room, {0, 0, 0});           // on the square's plane, a kind of its own
  const PlaneLineSet front = Build(kFrontAxes);
  const auto& quads = front.lines[int(OutlineKind::kPolygon)];
  EXPECT_TRUE(Has(quads, -30, 30, 30, 30));
  EXPECT_TRUE(Has(quads, 70, 30, 130, 30));
  EXPECT_FALSE(Has(quads, -30, 30, 130, 30));
  EXPECT_TRUE(Has(quads, 30, 30, -30, 40));
  // The slanted square's other edges lie on the first square's and merge with them.
  EXPECT_EQ(quads.size(), 4u + 4u + 1u);
  const auto& portals = front.lines[int(OutlineKind::kPortal)];
  EXPECT_EQ(portals.size(), 4u);
  EXPECT_TRUE(Has(portals, -20, 20, 20, 20));
  // Lines of one direction at a distance of 1/100 unit are two lines.
  TSector* near = test::AddQuad(e, room, {0, 0.01f, 0});
  EXPECT_TRUE(Has(Build(kFrontAxes).lines[0], -30, 30.01f, 30, 30.01f));
  e.Tree.Remove(near);
}

TEST_F(PlaneLinesTest, HiddenSkippedAndDamagedNodesLeaveNothingBehind) {
  TSector* q = test::AddQuad(e, room, {0, 0, 0});
  TSector* p = test::AddPortal(e, room, {200, 0, 0});
  TSector* model = test::AddModel(e, room, {0, 100, 0}, 12, 10);
  EXPECT_FALSE(Build(kFrontAxes).lines[int(OutlineKind::kModel)].empty());
  EXPECT_TRUE(Build(kFrontAxes, {model, q, p}).Count() == 0);
  o.ShowPortals = false;
  EXPECT_TRUE(Build(kFrontAxes).lines[int(OutlineKind::kPortal)].empty());
  q->Visible = 0;
  o.ShowTransparent = false;
  EXPECT_TRUE(Build(kFrontAxes).lines[int(OutlineKind::kPolygon)].empty());
  o = {};
  // Corners out of range, too few corners, coordinates that are not numbers.
  model->Triangles[0].V2 = 4000;
  q->ResizeVertices(3);
  p->Vertices[0].Position.x = NAN;
  p->Vertices[1].Position.y = INFINITY;
  const PlaneLineSet damaged = Build(kFrontAxes);
  EXPECT_TRUE(damaged.lines[int(OutlineKind::kPolygon)].empty());
  EXPECT_EQ(damaged.lines[int(OutlineKind::kPortal)].size(), 1u);  // the one edge without a bad corner
  for (const auto& kind : damaged.lines)
    for (const PlaneLine& l : kind) EXPECT_TRUE(std::isfinite(l.h0 + l.v0 + l.h1 + l.v1));
}

TEST_F(PlaneLinesTest, TheCacheFollowsAnnouncementsAndKeepsADragApart) {
  TSector* a = test::AddQuad(e, room, {0, 0, 0});
  TSector* b = test::AddQuad(e, room, {200, 0, 0});
  PlaneLineCache cache(e);
  EXPECT_EQ(cache.Lines(kFrontAxes, o).Count(), 8u);
  EXPECT_EQ(cache.Builds(), 1);
  // Nothing announced: nothing built; the same request again costs nothing.
  EXPECT_EQ(cache.Lines(kFrontAxes, o).Count(), 8u);
  EXPECT_EQ(cache.Builds(), 1);
  // Another view's axes, other options: built again.
  cache.Lines(kTopAxes, o);
  EXPECT_EQ(cache.Builds(), 2);
  ViewOptions no_portals;
  no_portals.ShowPortals = false;
  cache.Lines(kTopAxes, no_portals);
  EXPECT_EQ(cache.Builds(), 3);

  // A drag: the moving square is out of the set (one build), each step after costs none.
  PlaneView front(PlaneKind::kFront);
  front.SetSize(400, 300);
  PlaneMouse mouse(e, front);
  const PixelPoint at = front.ToPixel({0, 0, 0});
  mouse.Down(MouseButton::kLeft, {}, at.x, at.y, o);
  mouse.Move({}, at.x + 20, at.y, o);
  EXPECT_EQ(cache.Lines(kFrontAxes, o).Count(), 4u);
  EXPECT_EQ(cache.Moving(), (std::unordered_set<const TSector*>{a}));
  EXPECT_EQ(cache.MovingInTreeOrder(), std::vector<TSector*>{a});
  const int builds = cache.Builds();
  mouse.Move({}, at.x + 40, at.y, o);
  mouse.Move({}, at.x + 60, at.y, o);
  EXPECT_EQ(cache.Lines(kFrontAxes, o).Count(), 4u);
  EXPECT_EQ(cache.Builds(), builds);
  // A step that also turns the texture ("Textur fixieren") builds nothing either.
  e.Changed(a, kChangeGeometry | kChangeAppearance);
  e.PublishChanges();
  EXPECT_EQ(cache.Lines(kFrontAxes, o).Count(), 4u);
  EXPECT_EQ(cache.Builds(), builds);
  // Let go: back in the set where it now is.
  mouse.Up(MouseButton::kLeft, {}, at.x + 60, at.y, o);
  const PlaneLineSet& after = cache.Lines(kFrontAxes, o);
  EXPECT_EQ(after.Count(), 8u);
  EXPECT_TRUE(cache.Moving().empty());
  EXPECT_TRUE(cache.MovingInTreeOrder().empty());
  EXPECT_TRUE(Has(after.lines[0], 30, 30, 90, 30));
  // A change outside a drag, a removal, a new document: built again.
  b->Vertices[0].Position.y = 50;
  e.Changed(b, kChangeGeometry);
  e.PublishChanges();
  EXPECT_TRUE(Has(cache.Lines(kFrontAxes, o).lines[0], 230, 50, 170, 30));
  e.Tree.Remove(b);
  e.PublishChanges();
  EXPECT_EQ(cache.Lines(kFrontAxes, o).Count(), 4u);
  e.NewScene();
  EXPECT_EQ(cache.Lines(kFrontAxes, o).Count(), 0u);
}

// The nodes a frame draws by themselves (symbols, what a drag moves) are
// kept in tree order and follow the tree at once: a frame drawn between a
// removal and its announcement never meets a removed node.
TEST_F(PlaneLinesTest, SymbolsAndMovingNodesFollowTheTreeBeforeAnyAnnouncement) {
  TSector* light = test::AddLight(e, room, {0, 0, 0});
  TSector* quad = test::AddQuad(e, room, {0, 0, 0});
  TSector* model = test::AddModel(e, room, {100, 0, 0}, 3, 1);
  TSector* other = test::AddSector(e, nullptr, "Nebenraum");
  TSector* far_light = test::AddLight(e, other, {300, 0, 0});
  PlaneLineCache cache(e);
  EXPECT_EQ(cache.Symbols(), (std::vector<TSector*>{light, model, far_light}));
  e.PublishChanges();
  // A drag of the model and the quad, touched in that order.
  e.SetGestureOpen(true);
  e.Changed(model, kChangeGeometry);
  e.Changed(quad, kChangeGeometry);
  e.PublishChanges();
  cache.Lines(kTopAxes, o);
  EXPECT_EQ(cache.MovingInTreeOrder(), (std::vector<TSector*>{quad, model}));
  // Inserted, moved and removed: the lists know before the change set comes.
  TSector* second = test::AddLight(e, nullptr, {0, 0, 50});
  EXPECT_EQ(cache.Symbols(), (std::vector<TSector*>{light, model, far_light, second}));
  e.Tree.Move(second, room, light);
  EXPECT_EQ(cache.Symbols(), (std::vector<TSector*>{second, light, model, far_light}));
  e.Tree.Remove(model);
  e.Tree.Remove(other);
  EXPECT_EQ(cache.Symbols(), (std::vector<TSector*>{second, light}));
  EXPECT_TRUE(cache.MovingInTreeOrder().empty());
  cache.Lines(kTopAxes, o);
  EXPECT_EQ(cache.MovingInTreeOrder(), std::vector<TSector*>{quad});
  e.NewScene();
  EXPECT_TRUE(cache.Symbols().empty());
  EXPECT_TRUE(cache.MovingInTreeOrder().empty());
}

}  // namespace
}  // namespace qx

// The outline being drawn in the plan view: corners, taking back, the three
// ways to close it, the rectangle of a drag, and where a click snaps to.

#include "tools/room_drawing.h"

#include <gtest/gtest.h>

#include "commands/insert.h"

namespace qx {
namespace {

using Plan = std::vector<PlanPoint>;

TEST(RoomDrawing, CornersTakeBackCloseAndPreview) {
  RoomDrawing d;
  EXPECT_EQ(d.AddCorner({0, 0}), RoomDrawing::Click::kIgnored) << "not drawing";
  d.Start();
  EXPECT_EQ(d.AddCorner({0, 0}), RoomDrawing::Click::kAdded);
  EXPECT_EQ(d.AddCorner({0, 0}), RoomDrawing::Click::kIgnored) << "a double click's second click";
  EXPECT_EQ(d.AddCorner({100, 0}), RoomDrawing::Click::kAdded);
  EXPECT_FALSE(d.Close()) << "two corners make no room";
  EXPECT_TRUE(d.Active());
  EXPECT_EQ(d.AddCorner({0, 0}), RoomDrawing::Click::kAdded) << "the first corner closes only from three on";
  d.TakeBack();
  d.AddCorner({100, 80});
  d.SetPointer({40, 80});
  const auto lines = d.PreviewLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_FALSE(lines[1].rubber);
  EXPECT_TRUE(lines[2].rubber);
  EXPECT_EQ(lines[2].b, (PlanPoint{40, 80}));
  EXPECT_DOUBLE_EQ(d.CurrentEdgeLength(), 60);
  EXPECT_EQ(d.AddCorner({0, 0}), RoomDrawing::Click::kClosed);
  EXPECT_FALSE(d.Active());
  EXPECT_EQ(d.TakeClosed(), (Plan{{0, 0}, {100, 0}, {100, 80}}));

  d.Start();
  EXPECT_TRUE(d.Corners().empty());
  for (PlanPoint p : {PlanPoint{0, 0}, PlanPoint{20, 0}, PlanPoint{20, 20}}) d.AddCorner(p);
  EXPECT_EQ(d.Close(), (Plan{{0, 0}, {20, 0}, {20, 20}})) << "Enter or a double click";
  d.Start();
  EXPECT_FALSE(d.Rectangle({10, 10}, {10, 50})) << "a drag without area";
  EXPECT_EQ(d.Rectangle({10, 10}, {-30, 50}), (Plan{{10, 10}, {-30, 10}, {-30, 50}, {10, 50}}));
  d.Start();
  d.AddCorner({5, 5});
  d.Cancel();
  EXPECT_FALSE(d.Active());
  EXPECT_TRUE(d.Corners().empty());
}

TEST(RoomDrawing, ClicksSnapToCornersThenToTheGridUnlessFree) {
  Editor e;
  e.CameraTarget = {0, 33, 0};
  InsertSector(e);
  InsertSquare(e);  // corners at x, y = +-40 in the plane z = 0
  RoomDrawing d;
  d.Start();
  EXPECT_EQ(SnapRoomCorner(e, d, {37, 3}, false, 5), (PlanPoint{40, 0})) << "a corner of the square";
  EXPECT_EQ(SnapRoomCorner(e, d, {27, 13}, false, 5), (PlanPoint{20, 20})) << "the grid";
  EXPECT_EQ(SnapRoomCorner(e, d, {27, 13}, true, 5), (PlanPoint{27, 13})) << "Ctrl: free";
  d.AddCorner({101, 7});
  EXPECT_EQ(SnapRoomCorner(e, d, {103, 9}, true, 5), (PlanPoint{101, 7})) << "the outline's own corner";
  const RoomPlan plan = RoomSpecForDrawing(e, {{0, 0}, {1, 0}, {0, 1}}, 90, 30, 2, false);
  EXPECT_EQ(plan.floor_y, 40) << "the look-at height on the grid";
  EXPECT_EQ(plan.height, 90);
  EXPECT_EQ(plan.tile, 30);
  EXPECT_EQ(plan.texture, 2);
  EXPECT_FALSE(plan.light);
}

}  // namespace
}  // namespace qx

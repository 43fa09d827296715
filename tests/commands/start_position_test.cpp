#include "commands/start_position.h"

#include <gtest/gtest.h>

#include "commands/insert.h"
#include "commands/selection.h"
#include "commands/transform.h"
#include "tests/commands/recording_view.h"
#include "tools/drag.h"

namespace qx {
namespace {

struct StartPositionTest : ::testing::Test {
  Editor e;
  PointerState drag;
  test::RecordingView view;
  StartPositionTest() {
    view.Attach(e);
    e.NewScene();
  }
  PickFunction PickReturning(uint32_t name) {
    return [name](int, int) { return name; };
  }
};

TEST_F(StartPositionTest, SetGoesToTheSnappedLookAtPointAsOneUndoStep) {
  e.CameraTarget = {5, 12, -31};
  SetStartPosition(e);
  EXPECT_EQ(e.StartPosition, (Vector{0, 20, -40}));
  EXPECT_TRUE(e.StartSelected);
  EXPECT_TRUE(e.SelectionList.empty());
  EXPECT_EQ(view.status[1], "X: 0 Y: 20 Z: -40");
  EXPECT_EQ(e.History.UndoName(), "Startposition setzen");
  EXPECT_TRUE(e.IsModified());
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(e.StartPosition, (Vector{0, 0, 0}));
  ASSERT_TRUE(e.History.Redo());
  EXPECT_EQ(e.StartPosition, (Vector{0, 20, -40}));
}

TEST_F(StartPositionTest, TheMarkerIsPickedAndDraggedLikeALight) {
  EXPECT_TRUE(FindById(e.Tree, kStartPositionPickName).is_start);
  EXPECT_EQ(FindById(e.Tree, kStartPositionPickName).node, nullptr);
  TSector* sector = InsertSector(e);
  TSector* light = InsertLight(e);
  // A click on the marker selects it alone.
  ClickSelect(e, 10, 10, {}, PickReturning(kStartPositionPickName));
  EXPECT_TRUE(e.StartSelected);
  EXPECT_TRUE(e.SelectionList.empty());
  EXPECT_EQ(light->Marked, 0);

  // A fast drag to the left moves it by one grid step along the axis lock, as it moves a light.
  SetAxisLock(e, AxisLock::kZ);
  drag.step_counter = 0;
  PointerState p;
  p.left_down = true;
  EditMouseMove(e, p, {}, 100, 0);
  EXPECT_EQ(e.StartPosition, (Vector{0, 0, -20}));

  // With Shift it joins a selected light, and both move together.
  ClickSelect(e, 10, 10, {}, PickReturning(light->Id));
  EXPECT_FALSE(e.StartSelected);
  ClickSelect(e, 10, 10, {true, false}, PickReturning(kStartPositionPickName));
  EXPECT_TRUE(e.StartSelected);
  const Vector light_at = light->Position;
  DragStep(e, drag, -100);
  EXPECT_EQ(e.StartPosition, (Vector{0, 0, 0}));
  EXPECT_EQ(light->Position.z, light_at.z + 20);

  // Selecting a node in the tree leaves the marker unselected; turning never moves it.
  SelectInTree(e, sector);
  TreeClick(e);
  EXPECT_FALSE(e.StartSelected);
  SelectStartMarker(e, false);
  SetToolMode(e, ToolMode::kRotate);
  DragStep(e, drag, -100);
  EXPECT_EQ(e.StartPosition, (Vector{0, 0, 0}));
}

TEST_F(StartPositionTest, ANewSceneForgetsTheMarkerSelection) {
  SelectStartMarker(e, false);
  e.NewScene();
  EXPECT_FALSE(e.StartSelected);
}

}  // namespace
}  // namespace qx

#include "commands/node_position.h"

#include <gtest/gtest.h>

#include "commands/insert.h"
#include "commands/polygon_ops.h"
#include "commands/properties.h"
#include "commands/selection.h"
#include "commands/transform.h"
#include "support/test_support.h"
#include "tests/commands/recording_view.h"
#include "tests/commands/select_nodes.h"
#include "tools/drag.h"

namespace qx {
namespace {

struct NodePositionTest : ::testing::Test {
  Editor e;
  PointerState drag;
  test::RecordingView view;
  test::FakePrompts prompts;
  TSector* sector = nullptr;
  NodePositionTest() {
    view.Attach(e);
    e.prompts = &prompts;
    e.NewScene();
    e.CameraTarget = {0, 0, 0};
    sector = InsertSector(e);
  }
  void Select(std::initializer_list<TSector*> nodes) { test::SelectNodes(e, nodes); }
};

constexpr int kLightPage = 3, kPolygonPage = 2, kSectorPage = 1;

TEST_F(NodePositionTest, TheFieldsShowPositionsAndBoxCentres) {
  TSector* q = InsertSquare(e);
  TSector* light = InsertLight(e);
  light->Position = {1.005f, -20, 36.7000008f};
  PanelContents c = FillPanel(*light);
  EXPECT_EQ(c.controls["PositionX"].text, "1");
  EXPECT_EQ(c.controls["PositionY"].text, "-20");
  EXPECT_EQ(c.controls["PositionZ"].text, "36.7");
  ComputeBounds(sector);
  c = FillPanel(*sector);
  EXPECT_EQ(c.controls["PositionX"].text, "0");
  c = FillPanel(*q);
  EXPECT_EQ(c.controls["PositionY"].text, "0");
  TSector* portal = InsertPortal(e);
  EXPECT_EQ(FillPanel(*portal).controls.count("PositionX"), 0u);  // portals have none
  // The status bar shows no more than two decimals either.
  EXPECT_EQ(PositionText({32.9347f, 0.125f, -1e-9f}), "X: 32.93 Y: 0.12 Z: 0");
}

TEST_F(NodePositionTest, TypedCoordinatesMoveEverySelectedNodeOfThePageAsOneStep) {
  TSector* a = InsertLight(e);
  TSector* b = InsertLight(e);
  b->Position = {40, 40, 40};
  TSector* q = InsertSquare(e);
  Select({a, b, q});
  EXPECT_EQ(PositionEnter(e, kLightPage, 0, "120,5"), EnterResult::kFocusViewport);
  EXPECT_EQ(a->Position, (Vector{120.5f, 0, 0}));
  EXPECT_EQ(b->Position, (Vector{120.5f, 40, 40}));
  EXPECT_EQ(q->Vertices[0].Position.x, 40);  // not a light
  EXPECT_EQ(e.History.UndoName(), "Position");
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(e.Tree.TopLevel()[0]->Children[0]->Position, (Vector{0, 0, 0}));

  // A text that is no number: the message of the other decimal fields, nothing moves.
  TSector* light = e.Tree.TopLevel()[0]->Children[0].get();
  Select({light});
  EXPECT_EQ(PositionEnter(e, kLightPage, 1, "hoch"), EnterResult::kStayInEdit);
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0], "'hoch' ist kein gültiger Gleitkommawert");
  EXPECT_EQ(light->Position, (Vector{0, 0, 0}));
}

TEST_F(NodePositionTest, SectorsAndPolygonsMoveTheirContentToTheBoxCentre) {
  TSector* q = InsertSquare(e);  // x -40..40
  TSector* light = InsertLight(e);
  light->Position = {10, 10, 10};
  Select({q});
  PositionEnter(e, kPolygonPage, 0, "100");
  EXPECT_EQ(q->Vertices[0].Position.x, 140);
  EXPECT_EQ(q->Vertices[1].Position.x, 60);
  EXPECT_EQ(q->BoundsCenter.x, 100);
  // The room moves as a whole: its box centre goes to y = 50.
  Select({sector});
  PositionEnter(e, kSectorPage, 1, "50");
  EXPECT_EQ(sector->BoundsCenter.y, 50);
  EXPECT_EQ(q->Vertices[0].Position.y, 90);
  EXPECT_EQ(light->Position.y, 60);
  // The same value again moves nothing and records no step.
  const size_t steps = e.History.UndoCount();
  PositionEnter(e, kSectorPage, 1, "50");
  EXPECT_EQ(e.History.UndoCount(), steps);

  // A sector holding only a light is placed by the light.
  TSector* lamp_room = InsertSector(e);
  TSector* lamp = InsertLight(e);
  lamp->Position = {0, 0, 0};
  Select({lamp_room});
  EXPECT_EQ(ShownPosition(*lamp_room), (Vector{0, 0, 0}));
  PositionEnter(e, kSectorPage, 0, "30");
  PositionEnter(e, kSectorPage, 0, "30");
  EXPECT_EQ(lamp->Position.x, 30);
}

TEST_F(NodePositionTest, ARotateDragTurnsARoomRigidlyAndALoneLightStays) {
  TSector* q = InsertSquare(e);  // (+-40, +-40, 0)
  TSector* light = InsertLight(e);
  light->Position = {40, 0, 0};
  SetToolMode(e, ToolMode::kRotate);
  SetAxisLock(e, AxisLock::kZ);
  Select({sector});
  const Vector c = sector->BoundsCenter;
  ASSERT_EQ(c, (Vector{0, 0, 0}));
  drag.step_counter = 0;
  DragStep(e, drag, -100);  // one step of +1: 10 degrees for everything in the room
  const Vector corner = q->Vertices[0].Position;
  const Vector expected = TurnAbout({40, 40, 0}, c, AxisLock::kZ, 10);
  EXPECT_NEAR(corner.x, expected.x, 1e-4);
  EXPECT_NEAR(corner.y, expected.y, 1e-4);
  const Vector lit = TurnAbout({40, 0, 0}, c, AxisLock::kZ, 10);
  EXPECT_NEAR(light->Position.x, lit.x, 1e-4);
  EXPECT_NEAR(light->Position.y, lit.y, 1e-4);
  // The light keeps its place on the wall it lit.
  EXPECT_NEAR(VectorLengthD(VectorSubtract(light->Position, corner)), VectorLengthD(Vector{0, 40, 0}), 1e-3);

  Select({light});
  const Vector at = light->Position;
  DragStep(e, drag, -100);
  EXPECT_EQ(light->Position, at);  // about its own position: it stays where it is
}

}  // namespace
}  // namespace qx

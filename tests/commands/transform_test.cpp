#include "commands/transform.h"

#include <gtest/gtest.h>

#include "commands/insert.h"
#include "support/test_support.h"
#include "tests/commands/recording_view.h"
#include "tools/drag.h"

namespace qx {
namespace {

struct TransformTest : ::testing::Test {
  Editor e;
  PointerState drag;
  test::RecordingView view;
  TSector* sector;
  TransformTest() {
    view.Attach(e);
    e.NewScene();
    sector = InsertSector(e);
  }
  void Select(std::initializer_list<TSector*> nodes) {
    ClearSelection(e);
    for (TSector* n : nodes) {
      e.SelectionList.push_back(n);
      n->Marked = 1;
      ComputeBounds(n);
    }
  }
  // Counts the events until the first step.
  int EventsUntilStep(TSector* n, int dx) {
    const float x0 = n->Vertices[0].Position.x;
    for (int i = 1; i <= 100; ++i) {
      DragStep(e, drag, dx);
      if (n->Vertices[0].Position.x != x0) return i;
    }
    return -1;
  }
};

void ExpectNear(const Vector& a, const Vector& b, float tol = 1e-3f) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

TEST_F(TransformTest, StepTimingAndDirection) {
  TSector* q = InsertSquare(e);
  drag.step_counter = 0;
  EXPECT_EQ(EventsUntilStep(q, 1), 31);      // |30 / 1| < 31
  EXPECT_EQ(q->Vertices[0].Position.x, 20);  // mouse to the left: -GridSize
  EXPECT_EQ(drag.step_counter, 0);

  // dx = -30: every second event moves by +GridSize.
  q->Vertices[0].Position.x = 5;
  DragStep(e, drag, -30);
  EXPECT_EQ(q->Vertices[0].Position.x, 5);
  DragStep(e, drag, -30);
  EXPECT_EQ(q->Vertices[0].Position.x, 25);
  DragStep(e, drag, -30);
  DragStep(e, drag, -30);
  EXPECT_EQ(q->Vertices[0].Position.x, 45);  // off the grid by the same 5

  // Vertical motion never moves anything, whatever the axis.
  SetAxisLock(e, AxisLock::kY);
  const Vector before = q->Vertices[0].Position;
  PointerState p{.left_down = true};
  for (int y = 0; y < 100; y += 10) ViewportMouseMove(e, p, {}, p.last_x, y, nullptr);
  EXPECT_EQ(q->Vertices[0].Position, before);
  EXPECT_EQ(view.axis, 'Y');
  // Bounds and panel follow every event.
  EXPECT_EQ(view.shown.back(), q);
}

TEST_F(TransformTest, MoveSubtreeThroughSectors) {
  TSector* q = InsertSquare(e);
  TSector* l = InsertLight(e);
  TSector* sub = e.CreateNode(sector, kSector);
  TSector* a = e.CreateNode(sub, kActor);
  TSector* inner = e.CreateNode(q, kLight);  // a child of a non-sector is not reached
  MoveSubtree(sector, AxisLock::kZ, 20);
  EXPECT_EQ(q->Vertices[2].Position.z, 20);
  EXPECT_EQ(l->Position.z, 20);
  EXPECT_EQ(a->Position.z, 20);
  EXPECT_EQ(inner->Position.z, 0);
}

TEST_F(TransformTest, RotationSteps) {
  TSector* q = InsertSquare(e);
  Select({q});
  SetToolMode(e, ToolMode::kRotate);
  SetAxisLock(e, AxisLock::kY);
  Vector start[4];
  for (int i = 0; i < 4; ++i) start[i] = q->Vertices[i].Position;  // (+-40, +-40, 0) about (0, 0, 0)
  drag.step_counter = 0;
  DragStep(e, drag, -31);  // |30 / -31| < 1: one step of +1
  ExpectNear(q->Vertices[0].Position, {40 * std::cos(DegToRad(10)), 40, -40 * std::sin(DegToRad(10))});
  for (int i = 1; i < 36; ++i) DragStep(e, drag, -31);
  for (int i = 0; i < 4; ++i) ExpectNear(q->Vertices[i].Position, start[i]);

  // Actors turn their heading by 10 a step whatever the axis; others do not turn.
  TSector* actor = InsertActor(e);
  TSector* cp = InsertCheckpoint(e);
  TSector* ps = InsertParticleSystem(e);
  cp->Position = ps->Position = {10, 0, 0};
  Select({actor, cp, ps});
  SetAxisLock(e, AxisLock::kX);
  DragStep(e, drag, 100);  // -1 step
  EXPECT_EQ(actor->Heading, -10);
  EXPECT_EQ(cp->Position, (Vector{10, 0, 0}));
  EXPECT_EQ(ps->Position, (Vector{10, 0, 0}));
}

TEST_F(TransformTest, SectorRotationTurnsLightsByOneDegree) {
  TSector* q = InsertSquare(e);
  TSector* l = InsertLight(e);
  l->Position = {40, 0, 0};
  Select({sector});
  const Vector c = sector->BoundsCenter;  // (0, 0, 0)
  EXPECT_EQ(c, (Vector{}));
  RotateSubtree(sector, AxisLock::kZ, c, 1);
  ExpectNear(l->Position, {40 * std::cos(DegToRad(1)), -40 * std::sin(DegToRad(1)), 0});
  // Vertex 0 at (40, 40): 'Z' turns (d.x cos a + d.y sin a, d.y cos a - d.x sin a).
  const double a = DegToRad(10);
  ExpectNear(q->Vertices[0].Position,
             VectorSet(40 * std::cos(a) + 40 * std::sin(a), 40 * std::cos(a) - 40 * std::sin(a), 0));
}

TEST_F(TransformTest, VertexModeMovesMarkedVerticesOnly) {
  TSector* q = InsertSquare(e);
  TSector* l = InsertLight(e);
  Select({q, l});
  SetVertexMode(e, true);
  drag.step_counter = 0;
  DragStep(e, drag, -100);
  EXPECT_EQ(q->Vertices[0].Position.x, 40);  // no vertex marked: the polygon stays
  EXPECT_EQ(l->Position.x, 20);              // the light still moves
  q->Vertices[0].Marked = 1;
  DragStep(e, drag, -100);
  EXPECT_EQ(q->Vertices[0].Position.x, 60);
  EXPECT_EQ(q->Vertices[2].Position.x, 40);
  EXPECT_EQ(q->BoundsMax.x, 60);  // bounds follow
}

TEST_F(TransformTest, AdjustTexCoordsPairs) {
  TSector* q = InsertSquare(e);  // u: 1, 0, 1, 0; v: 1, 1, 0, 0
  TSector* l = InsertLight(e);
  Select({l});
  AdjustTexCoords(e, TexCoord::kU, TexMode::kScale, 2.0);
  EXPECT_EQ(q->Vertices[0].TexCoord[0], 1);

  Select({q, l});
  AdjustTexCoords(e, TexCoord::kU, TexMode::kScale, 1.1);
  EXPECT_FLOAT_EQ(q->Vertices[0].TexCoord[0], 1.1f);  // the larger of 0/1 moves
  EXPECT_EQ(q->Vertices[1].TexCoord[0], 0);
  EXPECT_FLOAT_EQ(q->Vertices[2].TexCoord[0], 1.1f);
  EXPECT_EQ(q->Vertices[3].TexCoord[0], 0);
  AdjustTexCoords(e, TexCoord::kV, TexMode::kScale, 0.5);  // pairs (0, 2) and (1, 3)
  EXPECT_EQ(q->Vertices[0].TexCoord[1], 0.5f);
  EXPECT_EQ(q->Vertices[1].TexCoord[1], 0.5f);
  EXPECT_EQ(q->Vertices[2].TexCoord[1], 0);
  // Equal values: the second of the pair is the one computed, and nothing changes.
  for (TVertex& v : q->Vertices) v.TexCoord[0] = 0.25f;
  AdjustTexCoords(e, TexCoord::kU, TexMode::kScale, 3);
  for (const TVertex& v : q->Vertices) EXPECT_EQ(v.TexCoord[0], 0.25f);
  AdjustTexCoords(e, TexCoord::kV, TexMode::kShift, 0.001);
  EXPECT_FLOAT_EQ(q->Vertices[2].TexCoord[1], 0.001f);
  EXPECT_FLOAT_EQ(q->Vertices[3].TexCoord[1], 0.001f);
}

TEST_F(TransformTest, TextureDrags) {
  TSector* q = InsertSquare(e);
  PointerState right{.right_down = true};
  int camera_calls = 0;
  auto camera = [&](int, int) { ++camera_calls; };
  SetAxisLock(e, AxisLock::kZ);
  right.last_x = 50;
  ViewportMouseMove(e, right, {.ctrl = true}, 0, 0, camera);
  EXPECT_EQ(q->Vertices[0].TexCoord[0], 1);  // nothing on 'Z'
  EXPECT_EQ(camera_calls, 0);
  ViewportMouseMove(e, right, {}, 3, 0, camera);
  EXPECT_EQ(camera_calls, 1);
  EXPECT_EQ(right.last_x, 3);

  SetAxisLock(e, AxisLock::kX);
  right.last_x = 10;
  ViewportMouseMove(e, right, {.ctrl = true}, 0, 0, camera);  // dx = 10: scale by 1.01
  EXPECT_FLOAT_EQ(q->Vertices[0].TexCoord[0], 1.01f);
  // A left Ctrl drag shifts by 0.001 per pixel, not by a whole repeat.
  PointerState left{.left_down = true};

  ViewportMouseMove(e, left, {.ctrl = true}, 5, 0, camera);  // dx = -5
  EXPECT_FLOAT_EQ(q->Vertices[1].TexCoord[0], -0.005f);
  ViewportMouseMove(e, left, {.ctrl = true}, 5, 40, camera);  // dx = 0
  EXPECT_FLOAT_EQ(q->Vertices[1].TexCoord[0], -0.005f);
  EXPECT_EQ(q->Vertices[0].Position.x, 40);  // the drag step does not run with Ctrl
}

TEST_F(TransformTest, Spinners) {
  e.GridSize = 1;
  GridSpinner2(e, true);
  EXPECT_EQ(e.GridSize, 5);
  e.GridSize = 3;
  GridSpinner2(e, false);
  EXPECT_EQ(e.GridSize, 1);
  GridSpinner1(e, false);
  EXPECT_EQ(e.GridSize, 1);
  e.GridSize = 498;
  for (int i = 0; i < 3; ++i) GridSpinner1(e, true);
  EXPECT_EQ(e.GridSize, 500);
  GridSpinner2(e, true);
  EXPECT_EQ(e.GridSize, 500);
  EXPECT_EQ(view.grid, "500");
  e.GridSize = 6;
  GridSpinner2(e, true);
  EXPECT_EQ(e.GridSize, 11);

  e.VertexMarkerRadius = 2.0f;
  VertexSphereSpinner(e, true);
  EXPECT_FLOAT_EQ(e.VertexMarkerRadius, 2.3f);
  e.VertexMarkerRadius = 0.2f;
  VertexSphereSpinner(e, false);
  EXPECT_FLOAT_EQ(e.VertexMarkerRadius, 0.1f);
}

TEST_F(TransformTest, CoordinateClipboard) {
  TSector* q = InsertSquare(e);
  TSector* p = InsertPortal(e);
  ClearSelection(e);
  int redraws = view.redraws;
  PasteCoordinates(e);  // empty selection: only a redraw
  EXPECT_EQ(view.redraws, redraws + 1);
  q->Vertices[2].Marked = 1;
  q->Vertices[3].Marked = 1;
  Select({p, q});
  CopyCoordinates(e);
  EXPECT_EQ(e.CoordinateClipboard, q->Vertices[2].Position);
  Select({q, p});
  PasteCoordinates(e);  // the last entry has no marked vertex
  EXPECT_EQ(p->Vertices[0].Position, (Vector{-20, 20, 0}));
  p->Vertices[1].Marked = 1;
  PasteCoordinates(e);
  EXPECT_EQ(p->Vertices[1].Position, q->Vertices[2].Position);
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// A drag from press to release, as the viewport hands its mouse events on.
struct DragTest : TransformTest {
  PointerState pointer;
  Gesture gesture{e.History};
  TSector* quad = nullptr;
  DragTest() {
    e.CameraTarget = {};
    quad = InsertSquare(e);
    Select({quad});
    e.History.Clear();
  }
  void Press(MouseButton b, Modifiers m = {}) {
    BeginDrag(gesture, e, pointer, m);
    ViewportMouseDown(pointer, b, m, 0);
  }
  void Release(MouseButton b, Modifiers m = {}) {
    ViewportMouseUp(e, pointer, b, m, 0, 0, 1000, nullptr);  // long after the press: no click
    EndDrag(gesture, pointer);
  }
  void Moves(int n, Modifiers m = {}) {
    for (int i = 0; i < n; ++i)
      if (!gesture.Cancelled()) EditMouseMove(e, pointer, m, -40, 0);
  }
};

TEST_F(DragTest, EscTakesTheDragBackAndLeavesNoStep) {
  // A room with a light, so a sector's subtree and a positioned node both move.
  TSector* room = e.CreateNode(nullptr, kSector);
  room->Id = e.NextId();
  TSector* light = e.CreateNode(room, kLight);
  light->Id = e.NextId();
  light->Position = {1.5f, 2.25f, -3};
  e.History.Clear();
  for (ToolMode mode : {ToolMode::kMove, ToolMode::kRotate}) {
    SetToolMode(e, mode);
    Select({quad, room});
    const std::vector<TVertex> before = quad->Vertices;
    const Vector light_before = light->Position;
    Press(MouseButton::kLeft);
    Moves(5);
    ASSERT_NE(quad->Vertices[0].Position, before[0].Position);
    EXPECT_TRUE(gesture.Cancel());
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(quad->Vertices[i].Position, before[i].Position);
    EXPECT_EQ(light->Position, light_before);
    EXPECT_FALSE(e.History.GestureOpen());
    // The rest of the drag moves nothing, and its release records nothing.
    Moves(5);
    EXPECT_EQ(quad->Vertices[0].Position, before[0].Position);
    Release(MouseButton::kLeft);
    EXPECT_EQ(e.History.UndoCount(), 0u);
    EXPECT_FALSE(e.IsModified());
    // The selection of the press stays, once each and marked.
    EXPECT_EQ(e.SelectionList, (std::vector<TSector*>{quad, room}));
    EXPECT_TRUE(quad->Marked && room->Marked);
  }
}

TEST_F(DragTest, ADragIsOneStepNamedAfterTheTool) {
  const float x0 = quad->Vertices[0].Position.x;
  Press(MouseButton::kLeft);
  Moves(6);
  EXPECT_TRUE(e.History.GestureOpen());
  EXPECT_EQ(e.History.UndoCount(), 0u);  // nothing recorded while the button is down
  Release(MouseButton::kLeft);
  EXPECT_FALSE(e.History.GestureOpen());
  ASSERT_EQ(e.History.UndoCount(), 1u);
  EXPECT_EQ(e.History.UndoName(), "Verschieben");
  EXPECT_EQ(quad->Vertices[0].Position.x, x0 + 6 * 20);
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(e.Tree.First()->Children[0]->Vertices[0].Position.x, x0);

  SetToolMode(e, ToolMode::kRotate);
  quad = e.Tree.First()->Children[0].get();
  Select({quad});
  Press(MouseButton::kLeft);
  Moves(2);
  Release(MouseButton::kLeft);
  EXPECT_EQ(e.History.UndoName(), "Rotieren");

  // Ctrl: the texture coordinates, with either button; the camera's own drag
  // (right button alone) changes nothing and leaves no step.
  const size_t steps = e.History.UndoCount();
  Press(MouseButton::kRight, {false, true});
  EditMouseMove(e, pointer, {false, true}, -5, 0);
  Release(MouseButton::kRight, {false, true});
  EXPECT_EQ(e.History.UndoCount(), steps + 1);
  EXPECT_EQ(e.History.UndoName(), "Texturkoordinaten");
  Press(MouseButton::kRight);
  Release(MouseButton::kRight);
  EXPECT_EQ(e.History.UndoCount(), steps + 1);
}

TEST_F(DragTest, ASecondButtonContinuesTheDragAndALostReleaseIsMadeGood) {
  Press(MouseButton::kLeft);
  Moves(2);
  Press(MouseButton::kRight);  // the camera turns meanwhile
  Release(MouseButton::kRight);
  EXPECT_TRUE(e.History.GestureOpen());
  Moves(2);
  Release(MouseButton::kLeft);
  EXPECT_EQ(e.History.UndoCount(), 1u);

  // A press whose release never reached the viewport (a window came up over
  // it): the next press goes on with the drag, and its release ends the step.
  Press(MouseButton::kLeft);
  Moves(1);
  Press(MouseButton::kLeft);
  Moves(1);
  Release(MouseButton::kLeft);
  EXPECT_FALSE(e.History.GestureOpen());
  EXPECT_EQ(e.History.UndoCount(), 2u);
  EXPECT_EQ(e.History.UndoName(), "Verschieben");
}

}  // namespace
}  // namespace qx

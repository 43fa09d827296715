// Picking and editing in the plan and elevation views, driven through the
// mouse handling the widget calls: hits nearest first, cycling, the rubber
// band, snapped and free drags of nodes, vertices and the camera, undo
// steps and announcements, and the context menu's inserts.

#include "tools/plane_edit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "commands/insert.h"
#include "commands/recording_view.h"
#include "support/scene_samples.h"
#include "support/test_support.h"
#include "tools/camera.h"

namespace qx {
namespace {

struct ChangeLog : DocumentListener {
  std::vector<ChangeSet> sets;
  void DocumentChanged(const ChangeSet& c) override { sets.push_back(c); }
  uint8_t How(TSector* n) const {
    uint8_t how = 0;
    for (const ChangeSet& s : sets) {
      auto it = s.nodes.find(n);
      if (it != s.nodes.end()) how |= it->second;
    }
    return how;
  }
};

struct PlaneEditTest : ::testing::Test {
  test::FakePrompts prompts;
  test::RecordingView recording;
  Editor e;
  ViewOptions o;
  TSector* sector;
  PlaneView front{PlaneKind::kFront}, top{PlaneKind::kTop}, side{PlaneKind::kSide};
  PlaneMouse front_mouse{e, front}, top_mouse{e, top}, side_mouse{e, side};

  PlaneEditTest() {
    e.prompts = &prompts;
    recording.Attach(e);
    e.NewScene();
    sector = test::AddSector(e, nullptr, "Raum");
    SelectInTree(e, sector);
    for (PlaneView* v : {&front, &top, &side}) v->SetSize(400, 300);
  }
  // Forgets how the scene was built: steps from here on are the test's.
  void Settle() {
    e.Redraw();
    e.History.Commit();
    e.History.Clear();
    e.SetModified(false);
  }
  PlaneMouse& MouseOf(PlaneView& v) {
    return &v == &front ? front_mouse : &v == &top ? top_mouse : side_mouse;
  }
  void Click(PlaneView& v, PixelPoint p, Modifiers m = {}) {
    MouseOf(v).Down(MouseButton::kLeft, m, p.x, p.y, o);
    EXPECT_FALSE(MouseOf(v).Up(MouseButton::kLeft, m, p.x, p.y, o));
  }
  void Click(PlaneView& v, const Vector& at, Modifiers m = {}) { Click(v, v.ToPixel(at), m); }
  // A left drag in a few moves, released at the end.
  void Drag(PlaneView& v, PixelPoint from, PixelPoint to, Modifiers m = {},
            MouseButton b = MouseButton::kLeft) {
    PlaneMouse& mouse = MouseOf(v);
    mouse.Down(b, m, from.x, from.y, o);
    for (int i = 1; i <= 4; ++i)
      mouse.Move(m, from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4, o);
    mouse.Up(b, m, to.x, to.y, o);
  }
  PixelPoint Px(PlaneView& v, const Vector& at, double dx = 0, double dy = 0) {
    const PixelPoint p = v.ToPixel(at);
    return {p.x + dx, p.y + dy};
  }
};

void ExpectAt(const Vector& p, float x, float y, float z) {
  EXPECT_FLOAT_EQ(p.x, x);
  EXPECT_FLOAT_EQ(p.y, y);
  EXPECT_FLOAT_EQ(p.z, z);
}

TEST_F(PlaneEditTest, NearestFirstAndCyclingBehind) {
  TSector* near = test::AddQuad(e, sector, {0, 0, 0}, "vorn");
  TSector* far = test::AddQuad(e, sector, {10, 0, -40}, "hinten");
  TSector* light = test::AddLight(e, sector, {-5, 5, -100});
  Settle();
  // In "Vorne" (looking along -z) the square at z = 0 is in front of the one at -40, the light behind both.
  const std::vector<PlaneHit> hits =
      NodesAt(e, front, o, front.ToPixel({-5, 5, 0}).x, front.ToPixel({-5, 5, 0}).y);
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[0].node, near);
  EXPECT_DOUBLE_EQ(hits[0].depth, 0);
  EXPECT_EQ(hits[1].node, far);
  EXPECT_EQ(hits[2].node, light);

  // Clicks at the same place go one further back each time, then round again.
  for (TSector* expected : {near, far, light, near}) {
    Click(front, Vector{-5, 5, 0});
    EXPECT_EQ(e.SelectionList, std::vector<TSector*>{expected}) << expected->Name;
    EXPECT_EQ(e.TreeSelection, expected);
    EXPECT_EQ(expected->Marked, 1);
    EXPECT_EQ(recording.shown.back(), expected);
    EXPECT_EQ(recording.status[0], std::to_string(expected->Id));
  }
  EXPECT_EQ(far->Marked, 0);
  // Elsewhere and back: the nearest again.
  Click(front, Vector{25, -25, 0});
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{near});
  Click(front, Vector{-5, 5, 0});
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{near});
  // Shift adds the next one behind; a click on empty space clears.
  Click(front, Vector{-5, 5, 0}, {true, false});
  EXPECT_EQ(e.SelectionList, (std::vector<TSector*>{near, far}));
  Click(front, Vector{300, 300, 0});
  EXPECT_TRUE(e.SelectionList.empty());
  EXPECT_EQ(near->Marked, 0);
  EXPECT_EQ(recording.status[0], "0");
  // Selecting is no edit.
  EXPECT_EQ(e.History.UndoCount(), 0u);
  EXPECT_FALSE(e.IsModified());
}

TEST_F(PlaneEditTest, WhatCanBeHit) {
  TSector* wall = test::AddQuad(e, sector, {0, 0, 0});
  TSector* portal = test::AddPortal(e, sector, {100, 0, 0});
  TSector* light = test::AddLight(e, sector, {-100, 0, 0});
  TSector* sub = test::AddSector(e, sector, "Unterraum");
  Settle();
  // From above the upright square is a line: hit within 4 pixels of it, not beyond.
  EXPECT_EQ(NodesAt(e, top, o, top.ToPixel({10, 0, 0}).x, top.ToPixel({10, 0, 0}).y + 4).size(), 1u);
  EXPECT_TRUE(NodesAt(e, top, o, top.ToPixel({10, 0, 0}).x, top.ToPixel({10, 0, 0}).y + 5).empty());
  // Its depth from above is its top edge.
  EXPECT_DOUBLE_EQ(NodesAt(e, top, o, 200, 150)[0].depth, 30);
  // A light's symbol: 6 pixels.
  const PixelPoint l = front.ToPixel(light->Position);
  EXPECT_EQ(NodesAt(e, front, o, l.x + 6, l.y).size(), 1u);
  EXPECT_TRUE(NodesAt(e, front, o, l.x + 6, l.y + 1).empty());
  // Hidden portals and invisible surfaces are not hit; sectors never.
  const PixelPoint p = front.ToPixel(portal->Vertices[0].Position);
  EXPECT_EQ(NodesAt(e, front, o, p.x + 5, p.y + 5)[0].node, portal);
  ViewOptions hidden;
  hidden.ShowPortals = false;
  hidden.ShowTransparent = false;
  EXPECT_TRUE(NodesAt(e, front, hidden, p.x + 5, p.y + 5).empty());
  wall->Visible = 0;
  EXPECT_TRUE(NodesAt(e, front, hidden, 200, 150).empty());
  EXPECT_EQ(NodesAt(e, front, o, 200, 150)[0].node, wall);
  for (const PlaneHit& h : NodesAt(e, front, o, 200, 150)) EXPECT_NE(h.node, sub);
  // A damaged square with too few corners or a model corner out of range is skipped, not read past.
  wall->ResizeVertices(2);
  EXPECT_TRUE(NodesAt(e, front, o, 200, 150).empty());
  TSector* model = test::AddModel(e, sector, {0, 0, 0}, 12, 10);
  model->Triangles[3].V1 = 999;
  EXPECT_FALSE(NodesAt(e, front, o, front.ToPixel({2, 1, 0}).x, front.ToPixel({2, 1, 0}).y).empty());
}

TEST_F(PlaneEditTest, RubberBandSelectsWhatLiesInside) {
  TSector* a = test::AddQuad(e, sector, {0, 0, 0});
  TSector* light = test::AddLight(e, sector, {50, 0, 0});
  TSector* b = test::AddQuad(e, sector, {120, 0, 0});
  Settle();
  // From empty space above the left square to below the light: b pokes out.
  Drag(front, Px(front, {-40, 40, 0}), Px(front, {100, -40, 0}));
  EXPECT_EQ(e.SelectionList, (std::vector<TSector*>{a, light}));
  EXPECT_EQ(e.TreeSelection, a);
  EXPECT_EQ(light->Marked, 1);
  EXPECT_EQ(b->Marked, 0);
  // Shift adds; the band without Shift starts afresh.
  Drag(front, Px(front, {80, 40, 0}), Px(front, {160, -40, 0}), {true, false});
  EXPECT_EQ(e.SelectionList, (std::vector<TSector*>{a, light, b}));
  Drag(front, Px(front, {80, 40, 0}), Px(front, {160, -40, 0}));
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{b});
  EXPECT_EQ(a->Marked, 0);
  // The band is there while it is drawn.
  front_mouse.Down(MouseButton::kLeft, {}, 10, 10, o);
  front_mouse.Move({}, 60, 40, o);
  ASSERT_TRUE(front_mouse.RubberBand().has_value());
  EXPECT_EQ(front_mouse.RubberBand()->x1, 60);
  front_mouse.Cancel();
  EXPECT_FALSE(front_mouse.RubberBand().has_value());
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{b});
}

TEST_F(PlaneEditTest, DraggingMovesOnTheGridAsOneStep) {
  TSector* q = test::AddQuad(e, sector, {0, 0, 0});
  TSector* light = test::AddLight(e, sector, {0, 100, 0});
  ChangeLog log;
  e.AddDocumentListener(&log);
  Settle();
  // A drag on an unselected square selects it and moves it: 27 pixels right, 33 up at one pixel a unit.
  Drag(front, Px(front, {0, 0, 0}), Px(front, {0, 0, 0}, 27, -33));
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{q});
  ExpectAt(q->Vertices[0].Position, 50, 70, 0);  // +20, +40: the offset in whole grid steps
  ExpectAt(q->Vertices[3].Position, -10, 10, 0);
  EXPECT_FLOAT_EQ(q->BoundsMax.x, 50);
  EXPECT_EQ(e.History.UndoCount(), 1u);
  EXPECT_EQ(e.History.UndoName(), "Verschieben");
  EXPECT_TRUE(e.IsModified());
  EXPECT_TRUE(log.How(q) & kChangeGeometry);
  EXPECT_FALSE(log.How(light) & kChangeGeometry);
  // With Ctrl the offset is the mouse's own; from "Oben" only x and z change.
  Drag(top, Px(top, {20, 0, 0}), Px(top, {20, 0, 0}, 13, 7), {false, true});
  ExpectAt(q->Vertices[0].Position, 63, 70, 7);
  EXPECT_EQ(e.History.UndoCount(), 2u);
  // Undo takes a drag back whole (it brings back records of its own).
  const uint32_t id = q->Id;
  e.RemoveDocumentListener(&log);
  ASSERT_TRUE(e.History.Undo());
  ExpectAt(e.FindById(id)->Vertices[0].Position, 50, 70, 0);
  ASSERT_TRUE(e.History.Undo());
  ExpectAt(e.FindById(id)->Vertices[0].Position, 30, 30, 0);
}

TEST_F(PlaneEditTest, DraggingTheSelectionMovesAllOfIt) {
  TSector* room = test::AddSector(e, sector, "Kammer");
  TSector* q = test::AddQuad(e, room, {0, 0, 0});
  TSector* light = test::AddLight(e, room, {200, 0, 0});
  TSector* actor = test::AddPlaced(e, sector, kActor, {-200, 0, 0});
  Settle();
  ClearSelection(e);
  for (TSector* n : {room, actor, q}) {  // the square both by itself and through its sector: moved once
    e.SelectionList.push_back(n);
    n->Marked = 1;
  }
  // Grabbing the actor moves everything selected; in "Seite" the mouse's right is +z.
  Drag(side, Px(side, actor->Position), Px(side, actor->Position, 41, 0));
  EXPECT_EQ(e.SelectionList.size(), 3u);
  ExpectAt(actor->Position, -200, 0, 40);
  ExpectAt(light->Position, 200, 0, 40);
  ExpectAt(q->Vertices[0].Position, 30, 30, 40);
  EXPECT_FLOAT_EQ(room->BoundsMin.z, 40);
  EXPECT_EQ(e.History.UndoCount(), 1u);
  // A drag that ends where it began changes nothing and records nothing.
  Drag(side, Px(side, actor->Position), Px(side, actor->Position, 8, 0));
  ExpectAt(actor->Position, -200, 0, 40);
  EXPECT_EQ(e.History.UndoCount(), 1u);
  // Esc in the middle of a drag puts everything back.
  side_mouse.Down(MouseButton::kLeft, {}, Px(side, actor->Position).x, Px(side, actor->Position).y, o);
  side_mouse.Move({}, Px(side, actor->Position).x + 60, Px(side, actor->Position).y, o);
  EXPECT_FLOAT_EQ(actor->Position.z, 100);
  side_mouse.Cancel();
  ExpectAt(actor->Position, -200, 0, 40);
  EXPECT_EQ(e.History.UndoCount(), 1u);
  EXPECT_FALSE(e.History.GestureOpen());
}

TEST_F(PlaneEditTest, VertexDragPutsTheCornerOnAGridPoint) {
  TSector* q = test::AddQuad(e, sector, {0, 0, 0});
  TSector* other = test::AddQuad(e, sector, {100, 0, 0});
  Settle();
  Click(front, Vector{0, 0, 0});
  e.VertexMode = true;
  // The corner (30, 30) goes to the grid point nearest to where the mouse lets go.
  const PixelPoint corner = Px(front, q->Vertices[0].Position);
  EXPECT_EQ(HandlesAt(e, front, o, corner.x, corner.y).size(), 1u);
  Drag(front, corner, Px(front, {67, 52, 0}));
  ExpectAt(q->Vertices[0].Position, 60, 60, 0);
  ExpectAt(q->Vertices[1].Position, -30, 30, 0);
  EXPECT_EQ(q->Vertices[0].Marked, 1);
  EXPECT_EQ(CurrentVertex(e), &q->Vertices[0]);
  EXPECT_EQ(e.History.UndoName(), "Vertex verschieben");
  // The triangles follow their corners.
  const Vector n = q->Triangles[0].Normal;
  EXPECT_NEAR(n.z, 1, 1e-6);
  EXPECT_FLOAT_EQ(q->BoundsMax.x, 60);
  // Unselected squares show no handles.
  EXPECT_TRUE(HandlesAt(e, front, o, Px(front, other->Vertices[0].Position).x,
                        Px(front, other->Vertices[0].Position).y)
                  .empty());
  // A band marks the corners inside it; dragging one of them takes all marked along, Ctrl unsnapped.
  Drag(front, Px(front, {-50, 50, 0}), Px(front, {-10, -50, 0}));
  EXPECT_EQ(q->Vertices[0].Marked, 0);
  EXPECT_EQ(q->Vertices[1].Marked, 1);
  EXPECT_EQ(q->Vertices[3].Marked, 1);
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{q});  // the band in vertex mode keeps the nodes
  Drag(front, Px(front, q->Vertices[3].Position), Px(front, q->Vertices[3].Position, -5, 3), {false, true});
  ExpectAt(q->Vertices[1].Position, -35, 27, 0);
  ExpectAt(q->Vertices[3].Position, -35, -33, 0);
  ExpectAt(q->Vertices[2].Position, 30, -30, 0);
  // Off the handles, a drag on the square's face draws the band too: nothing moves.
  Drag(front, Px(front, {-5, 5, 0}), Px(front, {40, -40, 0}));
  ExpectAt(q->Vertices[2].Position, 30, -30, 0);
  EXPECT_EQ(q->Vertices[2].Marked, 1);
  EXPECT_EQ(q->Vertices[1].Marked, 0);
  // A click on a corner marks only it; Shift toggles.
  Click(front, q->Vertices[2].Position);
  EXPECT_EQ(q->Vertices[1].Marked + q->Vertices[3].Marked, 0);
  EXPECT_EQ(q->Vertices[2].Marked, 1);
  Click(front, q->Vertices[0].Position, {true, false});
  EXPECT_EQ(q->Vertices[0].Marked, 1);
  Click(front, q->Vertices[0].Position, {true, false});
  EXPECT_EQ(q->Vertices[0].Marked, 0);
  // With markers hidden there are no handles.
  ViewOptions no_markers;
  no_markers.ShowMarkers = false;
  EXPECT_TRUE(HandleNodes(e, no_markers).empty());
}

TEST_F(PlaneEditTest, CornersMeetingAtOnePointMoveTogether) {
  // Seen from the side, the top corners 0 and 1 of an upright square lie on one another.
  TSector* q = test::AddQuad(e, sector, {0, 0, 20});
  Settle();
  Click(side, Vector{0, 0, 20});
  ASSERT_EQ(e.SelectionList, std::vector<TSector*>{q});
  e.VertexMode = true;
  Drag(side, Px(side, {0, 30, 20}, -8, -8), Px(side, {0, 30, 20}, 8, 8));
  ASSERT_EQ(q->Vertices[0].Marked + q->Vertices[1].Marked, 2);
  // Laid down flat toward -z, the square becomes a floor facing up.
  Drag(side, Px(side, {0, 30, 20}), Px(side, {0, 0, -40}));
  ExpectAt(q->Vertices[0].Position, 30, 0, -40);
  ExpectAt(q->Vertices[1].Position, -30, 0, -40);
  Click(side, Vector{0, -30, 20});
  Click(side, Vector{0, -30, 20}, {true, false});  // the corner behind the first
  EXPECT_EQ(q->Vertices[2].Marked + q->Vertices[3].Marked, 2);
  Drag(side, Px(side, {0, -30, 20}), Px(side, {0, 0, 80}));
  ExpectAt(q->Vertices[3].Position, -30, 0, 80);
  EXPECT_NEAR(q->Triangles[0].Normal.y, 1, 1e-6);
  EXPECT_NEAR(q->Triangles[1].Normal.y, 1, 1e-6);
  EXPECT_EQ(e.History.UndoCount(), 2u);
}

TEST_F(PlaneEditTest, CameraMarkerMovesTheCamera) {
  test::AddQuad(e, sector, {0, 0, 0});
  Settle();
  ApplyCameraView(e);
  const Vector eye = e.CameraPosition;  // (0, 80, 70)
  const Vector look = VectorSubtract(e.CameraTarget, e.CameraPosition);
  // From above: the camera goes with the mouse, unsnapped, keeping its height and direction.
  Drag(top, Px(top, eye), Px(top, eye, 17, -9));
  ExpectAt(e.CameraPosition, 17, 80, 61);
  const Vector look_after = VectorSubtract(e.CameraTarget, e.CameraPosition);
  EXPECT_NEAR(look_after.x, look.x, 1e-4);
  EXPECT_NEAR(look_after.z, look.z, 1e-4);
  EXPECT_TRUE(e.SelectionList.empty());
  // The camera is no part of the document.
  EXPECT_EQ(e.History.UndoCount(), 0u);
  EXPECT_FALSE(e.IsModified());
  EXPECT_TRUE(CameraMarkerAt(e, top, Px(top, e.CameraPosition, 7, 0).x, Px(top, e.CameraPosition).y));
  EXPECT_FALSE(CameraMarkerAt(e, top, Px(top, e.CameraPosition, 8, 0).x, Px(top, e.CameraPosition).y));
}

TEST_F(PlaneEditTest, MiddleAndRightDragsPanARightClickAsksForTheMenu) {
  Settle();
  const Vector origin{0, 0, 0};
  Drag(front, {200, 150}, {230, 140}, {}, MouseButton::kOther);
  EXPECT_NEAR(front.ToPixel(origin).x, 230.5, 1e-9);
  EXPECT_NEAR(front.ToPixel(origin).y, 140.5, 1e-9);
  front_mouse.Down(MouseButton::kRight, {}, 100, 100, o);
  front_mouse.Move({}, 90, 100, o);
  EXPECT_EQ(front_mouse.Gesture(), PlaneGesture::kPan);
  EXPECT_FALSE(front_mouse.Up(MouseButton::kRight, {}, 90, 100, o));
  EXPECT_NEAR(front.ToPixel(origin).x, 220.5, 1e-9);
  front_mouse.Down(MouseButton::kRight, {}, 100, 100, o);
  front_mouse.Move({}, 102, 101, o);  // a tremble is no pan
  EXPECT_TRUE(front_mouse.Up(MouseButton::kRight, {}, 102, 101, o));
  // A second button during a gesture is ignored.
  front_mouse.Down(MouseButton::kRight, {}, 10, 10, o);
  front_mouse.Down(MouseButton::kLeft, {}, 10, 10, o);
  EXPECT_FALSE(front_mouse.Up(MouseButton::kLeft, {}, 10, 10, o));
  EXPECT_TRUE(front_mouse.Up(MouseButton::kRight, {}, 10, 10, o));
}

TEST_F(PlaneEditTest, ANodeRemovedDuringADragIsLetGo) {
  TSector* q = test::AddQuad(e, sector, {0, 0, 0});
  Settle();
  front_mouse.Down(MouseButton::kLeft, {}, 200, 150, o);
  front_mouse.Move({}, 240, 150, o);
  ASSERT_FLOAT_EQ(q->Vertices[0].Position.x, 70);
  e.Tree.Remove(q);
  front_mouse.Move({}, 280, 150, o);
  front_mouse.Up(MouseButton::kLeft, {}, 280, 150, o);
  EXPECT_FALSE(e.History.GestureOpen());
  EXPECT_TRUE(e.Tree.ChildrenOf(sector).empty());
}

TEST_F(PlaneEditTest, InsertAtAGridPointOfTheView) {
  e.CameraTarget = {5, 36.7f, 20};
  Settle();
  // From above: x and z from the mouse, on the grid; y from the look-at point.
  const Vector at = PlaneInsertPoint(e, top, top.ToPixel({43, 0, -57}).x, top.ToPixel({43, 0, -57}).y);
  ExpectAt(at, 40, 36.7f, -60);
  TSector* q = InsertAt(e, InsertKind::kSquare, at);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->Parent, sector);
  // x: 40 +- 30 snaps to 80 and 0 (halves to even); y: 66.7 -> 60, 6.7 -> 0.
  ExpectAt(q->Vertices[0].Position, 80, 60, -60);
  ExpectAt(q->Vertices[3].Position, 0, 0, -60);
  EXPECT_EQ(e.History.UndoCount(), 1u);
  EXPECT_EQ(e.History.UndoName(), "Quadrat");
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{q});

  TSector* light =
      InsertAt(e, InsertKind::kLight,
               PlaneInsertPoint(e, side, side.ToPixel({0, 51, 29}).x, side.ToPixel({0, 51, 29}).y));
  ExpectAt(light->Position, 0, 60, 20);  // x from the look-at point 5, snapped
  EXPECT_EQ(light->Parent, sector);      // the square was selected: its sector takes the light
  EXPECT_EQ(e.History.UndoName(), "Lichtquelle");
  for (InsertKind kind :
       {InsertKind::kPortal, InsertKind::kParticleSystem, InsertKind::kActor, InsertKind::kCheckpoint}) {
    TSector* n = InsertAt(e, kind, {100, 0, 0});
    ASSERT_NE(n, nullptr) << InsertCaption(kind);
    EXPECT_EQ(e.History.UndoName(), InsertCaption(kind));
  }
  TSector* s = InsertAt(e, InsertKind::kSector, {100, 0, 0});
  EXPECT_EQ(s->Parent, nullptr);
  // "Model...": the dialog's cancel inserts nothing and records nothing.
  const size_t steps = e.History.UndoCount();
  prompts.open_answers = {std::nullopt};
  EXPECT_EQ(InsertAt(e, InsertKind::kModel, {0, 0, 0}), nullptr);
  EXPECT_EQ(e.History.UndoCount(), steps);
  // Without a tree selection: the warning, nothing inserted.
  e.TreeSelection = nullptr;
  EXPECT_EQ(InsertAt(e, InsertKind::kSquare, at), nullptr);
  EXPECT_EQ(prompts.warnings.back(), kNeedSectorWarning);
  EXPECT_EQ(e.History.UndoCount(), steps);
}

TEST_F(PlaneEditTest, FramingTheSelection) {
  TSector* q = test::AddQuad(e, sector, {100, 0, 0});
  TSector* light = test::AddLight(e, sector, {-100, 50, 0});
  Settle();
  Vector min, max;
  EXPECT_FALSE(SelectionBox(e, &min, &max));
  FrameSelectionInPlane(e, front);  // nothing selected: nothing happens
  EXPECT_EQ(front.Scale(), kDefaultPlaneScale);
  e.SelectionList = {q, light};
  ASSERT_TRUE(SelectionBox(e, &min, &max));
  ExpectAt(min, -103, -30, -3);
  ExpectAt(max, 130, 53, 3);
  FrameSelectionInPlane(e, front);
  EXPECT_NEAR(front.ToPixel({13.5f, 11.5f, 0}).x, 200.5, 1e-4);
  EXPECT_NEAR(front.ToPixel({-103, 0, 0}).x, 24.5, 1e-4);  // the width decides: 233 units into 352 pixels
  // A sector frames what it holds.
  e.SelectionList = {sector};
  ASSERT_TRUE(SelectionBox(e, &min, &max));
  ExpectAt(max, 130, 53, 3);
}

}  // namespace
}  // namespace qx

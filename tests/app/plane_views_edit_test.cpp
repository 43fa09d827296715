// Editing in the 2D views of the window with real mouse events: click and
// cycle, the rubber band, snapped and free drags with their undo steps, the
// vertex drag, inserts from the context menu, zoom, pan and the camera marker.

#include <QCheckBox>
#include <QLabel>
#include <QTreeView>

#include "app/plane_views_gui.h"
#include "commands/insert.h"
#include "commands/selection.h"
#include "ui/properties_panel.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

constexpr PlaneKind kTop = PlaneKind::kTop, kFront = PlaneKind::kFront, kSide = PlaneKind::kSide;

class PlaneEditWindow : public test::PlaneViewsWindow {
 protected:
  void SetUp() override {
    PlaneViewsWindow::SetUp();
    if (IsSkipped()) return;
    Do("leererSektor1");
    room = e().TreeSelection;
  }
  // What the test built directly becomes the saved state; steps from here on are the mouse's.
  void Settle() {
    ClearSelection(e());
    e().Redraw();
    e().History.Commit();
    e().History.Clear();
    e().SetModified(false);
  }
  QString Status0() { return w->findChild<QLabel*>("SbPanel0")->text(); }
  TSector* room = nullptr;
};

TEST_F(PlaneEditWindow, ClickCyclesBehindShiftAddsBandSelects) {
  TSector* near = InsertSquare(e(), {0, 0, 0});
  w->SetTreeSelection(room);
  TSector* far = InsertSquare(e(), {20, 0, -40});
  TSector* light = InsertLight(e(), {120, 0, 0});
  ClearSelection(e());
  e().Redraw();
  e().History.Commit();
  const size_t steps = e().History.UndoCount();
  // Where both squares lie in "Vorne" (x 0..40 behind): the nearer one first, then the one behind.
  const Vector both{10, 10, 0};
  Click(kFront, both);
  EXPECT_EQ(e().SelectionList, std::vector<TSector*>{near});
  EXPECT_EQ(SceneTreeModel::NodeOf(w->Tree()->currentIndex()), near);
  EXPECT_EQ(Status0(), QString::number(near->Id));
  auto* panel = w->findChild<PropertiesPanel*>("SmallInfo");
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible());
  Click(kFront, both);
  EXPECT_EQ(e().SelectionList, std::vector<TSector*>{far});
  EXPECT_EQ(SceneTreeModel::NodeOf(w->Tree()->currentIndex()), far);
  Click(kFront, both);
  EXPECT_EQ(e().SelectionList, std::vector<TSector*>{near});
  // Shift adds the light; a click on empty space clears.
  Click(kFront, light->Position, Qt::ShiftModifier);
  EXPECT_EQ(e().SelectionList, (std::vector<TSector*>{near, light}));
  EXPECT_EQ(panel->currentIndex(), 3);  // the light's page
  Click(kFront, Vector{0, 150, 0});
  EXPECT_TRUE(e().SelectionList.empty());
  EXPECT_EQ(near->Marked, 0);
  // From above, a band around the light and the square at z = 0 but not the one at z = -40.
  Drag(kTop, Px(kTop, {-60, 0, -20}), Px(kTop, {140, 0, 20}));
  EXPECT_EQ(e().SelectionList, (std::vector<TSector*>{near, light}));
  Drag(kTop, Px(kTop, {-60, 0, -60}), Px(kTop, {60, 0, -20}), Qt::ShiftModifier);
  EXPECT_EQ(e().SelectionList, (std::vector<TSector*>{near, light, far}));
  // Selecting is no change of the document.
  EXPECT_EQ(e().History.UndoCount(), steps);
}

TEST_F(PlaneEditWindow, DragsSnapToTheGridAndAreOneUndoStepEach) {
  TSector* q = InsertSquare(e(), {0, 0, 0});  // corners at +-40
  TSector* light = InsertLight(e(), {100, 20, 0});
  Settle();
  // Grabbing the square moves it by whole grid steps: 27 pixels right, 33 up.
  Drag(kFront, Px(kFront, {0, 0, 0}), Px(kFront, {0, 0, 0}, 27, -33));
  EXPECT_EQ(e().SelectionList, std::vector<TSector*>{q});
  EXPECT_EQ(q->Vertices[0].Position.x, 60);
  EXPECT_EQ(q->Vertices[0].Position.y, 80);
  EXPECT_EQ(q->Vertices[0].Position.z, 0);
  EXPECT_EQ(e().History.UndoCount(), 1u);
  EXPECT_EQ(e().History.UndoName(), "Verschieben");
  EXPECT_TRUE(w->windowTitle().endsWith("*"));
  EXPECT_EQ(light->Position.x, 100);  // only the selection moves
  // With Ctrl held the mouse's own offset: from the side, 13 pixels along +z.
  Drag(kSide, Px(kSide, {0, 40, 0}), Px(kSide, {0, 40, 0}, 13, 0), Qt::ControlModifier);
  EXPECT_EQ(q->Vertices[0].Position.z, 13);
  EXPECT_EQ(q->Vertices[0].Position.y, 80);
  EXPECT_EQ(e().History.UndoCount(), 2u);
  // Undo takes back one drag at a time.
  const uint32_t id = q->Id;
  Do("Rckgngig1");
  q = e().FindById(id);
  EXPECT_EQ(q->Vertices[0].Position.z, 0);
  Do("Rckgngig1");
  q = e().FindById(id);
  EXPECT_EQ(q->Vertices[0].Position.x, 40);
  EXPECT_FALSE(w->windowTitle().endsWith("*"));
  // Esc in the middle of a drag leaves everything where it was and records nothing.
  QWidget* front = View(kFront);
  const QPoint at = Px(kFront, {0, 0, 0});
  QTest::mouseMove(front, at);
  QTest::mousePress(front, Qt::LeftButton, {}, at);
  for (int i = 1; i <= 4; ++i) QTest::mouseMove(front, at + QPoint(15 * i, 0));
  EXPECT_EQ(q->Vertices[0].Position.x, 100);
  QTest::keyClick(front, Qt::Key_Escape);
  QTest::mouseRelease(front, Qt::LeftButton, {}, at + QPoint(60, 0));
  QTest::qWait(10);
  EXPECT_EQ(q->Vertices[0].Position.x, 40);
  EXPECT_EQ(e().History.UndoCount(), 0u);
}

TEST_F(PlaneEditWindow, VertexDragMovesOneCornerToAGridPoint) {
  TSector* q = InsertSquare(e(), {0, 0, 0});
  auto* vertex_mode = w->findChild<QCheckBox*>("CheckBox1");
  QTest::mouseClick(vertex_mode, Qt::LeftButton);
  ASSERT_TRUE(e().VertexMode);
  e().History.Clear();
  // The corner (40, 40) to where the mouse lets go near (67, 52): the grid point (60, 60).
  Drag(kFront, Px(kFront, q->Vertices[0].Position), Px(kFront, {67, 52, 0}));
  EXPECT_EQ(q->Vertices[0].Position.x, 60);
  EXPECT_EQ(q->Vertices[0].Position.y, 60);
  EXPECT_EQ(q->Vertices[1].Position.x, -40);
  EXPECT_EQ(q->Vertices[3].Position.y, -40);
  EXPECT_EQ(q->Vertices[0].Marked, 1);
  EXPECT_EQ(e().History.UndoName(), "Vertex verschieben");
  // The handle is drawn where the corner now is, marked yellow.
  const QImage frame = View(kFront)->grabFramebuffer();
  EXPECT_TRUE(Near(frame, Px(kFront, {60, 60, 0}), 1,
                   [](const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() < 60; }));
  const uint32_t id = q->Id;
  Do("Rckgngig1");
  EXPECT_EQ(e().FindById(id)->Vertices[0].Position.x, 40);
}

TEST_F(PlaneEditWindow, ContextMenuInsertsAtTheGridPoint) {
  ASSERT_NEAR(e().CameraTarget.y, 36.7, 0.01);  // the look-at point of a new scene
  const size_t steps = e().History.UndoCount();
  // From above at (43, -57): x and z on the grid, y from the 3D view's look-at point.
  Insert(kTop, {43, 0, -57}, "PlaneQuadrat");
  TSector* q = e().TreeSelection;
  ASSERT_NE(q, nullptr);
  ASSERT_EQ(q->NodeType, kPolygon);
  EXPECT_EQ(q->Parent, room);
  EXPECT_EQ(q->Vertices[0].Position.x, 80);  // 40 + 30 snaps to 80, 40 - 30 to 0
  EXPECT_EQ(q->Vertices[3].Position.x, 0);
  EXPECT_EQ(q->Vertices[0].Position.z, -60);
  EXPECT_EQ(e().History.UndoCount(), steps + 1);
  EXPECT_EQ(e().History.UndoName(), "Quadrat");
  EXPECT_EQ(e().SelectionList, std::vector<TSector*>{q});
  // The menu holds every insert command, in German, as the "&Einfügen" menu names them,
  // and after a separator "Raum zeichnen".
  QMenu* menu = w->findChild<QMenu*>("PlaneMenu");
  QStringList captions;
  for (QAction* a : menu->actions()) captions << a->text();
  EXPECT_EQ(captions, (QStringList{"Sektor", "Quadrat", "Portal", "Lichtquelle", "Partikelsystem", "Actor",
                                   "Checkpoint", "Model...", "", "Raum zeichnen"}));
  // A light from the side; undo takes it out again.
  Insert(kSide, {0, 51, 29}, "PlaneLichtquelle");
  TSector* light = e().TreeSelection;
  ASSERT_EQ(light->NodeType, kLight);
  EXPECT_EQ(light->Position.x, 0);
  EXPECT_EQ(light->Position.y, 60);
  EXPECT_EQ(light->Position.z, 20);
  EXPECT_EQ(e().History.UndoName(), "Lichtquelle");
  Do("Rckgngig1");
  EXPECT_EQ(room->Children.size(), 1u);
  // "Model..." asks for the file; a cancel inserts nothing.
  prompts.open_answers = {std::nullopt};
  Insert(kFront, {0, 0, 0}, "PlaneModel");
  EXPECT_EQ(room->Children.size(), 1u);
}

TEST_F(PlaneEditWindow, WheelZoomsAboutTheMouseMiddleAndRightDragsPan) {
  PlaneViewWidget* front = View(kFront);
  PlaneView& view = front->View();
  const QPoint at(front->width() / 4, front->height() / 3);
  const Vector under = view.ToWorld(at.x() + 0.5, at.y() + 0.5, {});
  Wheel(kFront, at, 120);
  EXPECT_DOUBLE_EQ(view.Scale(), 1.25);
  EXPECT_NEAR(view.ToPixel(under).x, at.x() + 0.5, 1e-3);
  EXPECT_NEAR(view.ToPixel(under).y, at.y() + 0.5, 1e-3);
  Wheel(kFront, at, -240);
  EXPECT_NEAR(view.Scale(), 0.8, 1e-12);
  // Zoomed out far, the grid thins out: lines stay 8 pixels apart.
  for (int i = 0; i < 8; ++i) Wheel(kFront, at, -120);
  EXPECT_GE(ComputePlaneGrid(view, e().GridSize).spacing * view.Scale(), 8);
  EXPECT_GT(ComputePlaneGrid(view, e().GridSize).spacing, e().GridSize);
  // The middle button drags the picture along; so does the right one, without a menu.
  const Vector origin{0, 0, 0};
  const PixelPoint before = view.ToPixel(origin);
  Drag(kFront, QPoint(100, 100), QPoint(140, 90), {}, Qt::MiddleButton);
  EXPECT_NEAR(view.ToPixel(origin).x, before.x + 40, 1e-6);
  EXPECT_NEAR(view.ToPixel(origin).y, before.y - 10, 1e-6);
  Drag(kFront, QPoint(100, 100), QPoint(80, 130), {}, Qt::RightButton);
  EXPECT_NEAR(view.ToPixel(origin).x, before.x + 20, 1e-6);
  EXPECT_NEAR(view.ToPixel(origin).y, before.y + 20, 1e-6);
  EXPECT_FALSE(w->findChild<QMenu*>("PlaneMenu")->isVisible());
  EXPECT_TRUE(room->Children.empty());
}

TEST_F(PlaneEditWindow, TheCameraMarkerMovesTheCameraOfThe3DView) {
  InsertSquare(e(), {0, 0, 0});
  Settle();
  const Vector eye = e().CameraPosition;  // (0, 80, 70)
  const QImage before = w->Viewport()->grabFramebuffer();
  // From above, 30 pixels right and 20 up: x + 30, z - 20, the height kept.
  Drag(kTop, Px(kTop, eye), Px(kTop, eye, 30, -20));
  EXPECT_FLOAT_EQ(e().CameraPosition.x, eye.x + 30);
  EXPECT_FLOAT_EQ(e().CameraPosition.y, eye.y);
  EXPECT_FLOAT_EQ(e().CameraPosition.z, eye.z - 20);
  EXPECT_TRUE(e().SelectionList.empty());
  EXPECT_FALSE(e().IsModified());
  // The 3D view shows the scene from there, the marker sits at the new place.
  EXPECT_NE(w->Viewport()->grabFramebuffer(), before);
  const QImage above = View(kTop)->grabFramebuffer();
  EXPECT_TRUE(Near(above, Px(kTop, e().CameraPosition, 6, 0), 1,
                   [](const QColor& c) { return c.red() > 200 && c.green() > 180 && c.blue() < 120; }));
  // From the side the camera goes up and down.
  Drag(kSide, Px(kSide, e().CameraPosition), Px(kSide, e().CameraPosition, 0, -15));
  EXPECT_FLOAT_EQ(e().CameraPosition.y, eye.y + 15);
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// A drag in the 3D view moves the square's outline in the 2D views at every
// step, before the button is released: they learn it from the change sets.
TEST_F(PlaneEditWindow, A3DDragMovesTheOutlinesBeforeTheRelease) {
  TSector* quad = InsertSquare(e(), {0, 0, 0});  // x -40..40 in "Vorne"
  w->SetTreeSelection(quad);
  TreeClick(e());
  e().Redraw();
  Do("ToolButton15");  // move
  Do("ToolButton11");  // along X
  auto green_at = [&](double x) {
    const QImage frame = View(PlaneKind::kFront)->grabFramebuffer();
    return Near(frame, Px(PlaneKind::kFront, {float(x), 10, 0}), 1,
                [](const QColor& c) { return c.green() > 200 && c.red() < 60; });
  };
  ASSERT_TRUE(green_at(-40));
  const float x0 = quad->Vertices[0].Position.x;
  QWidget* vp = w->Viewport();
  const QPoint at(vp->width() / 2, vp->height() / 2);
  QTest::mouseMove(vp, at);
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  for (int i = 1; i <= 3; ++i) QTest::mouseMove(vp, at + QPoint(40 * i, 0));  // a grid step each
  EXPECT_EQ(quad->Vertices[0].Position.x, x0 + 60);
  EXPECT_TRUE(green_at(20)) << "the left edge moved with the drag";
  EXPECT_FALSE(green_at(-40)) << "and is gone from where it was";
  QTest::qWait(250);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at + QPoint(120, 0));
  EXPECT_TRUE(green_at(20));
  EXPECT_EQ(e().History.UndoName(), "Verschieben");
  // A click on empty space lets go of everything: list, tree row and panel.
  Click(PlaneKind::kFront, Vector{-300, 200, 0});
  EXPECT_TRUE(e().SelectionList.empty());
  EXPECT_EQ(e().TreeSelection, nullptr);
  EXPECT_FALSE(w->Tree()->currentIndex().isValid());
}

}  // namespace
}  // namespace qx

// The editing wiring of the main window, driven with real mouse and key events.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <cmath>

#include "app/main_window.h"
#include "commands/properties.h"
#include "render/retained_renderer.h"
#include "render/viewport_panel.h"
#include "support/qt_app.h"
#include "support/test_support.h"
#include "support/viewport_projection.h"
#include "tools/camera.h"
#include "ui/properties_panel.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

class EditWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApp();
    w = std::make_unique<TMain>(QString::fromStdString((dir / "Editor.conf").string()));
    BeforeShow();
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    vp = w->Viewport();
    if (!vp->GLReady()) GTEST_SKIP() << "no OpenGL context";
    ApplyCameraView(w->editor());  // CameraTarget as the next frame will have it
  }

  virtual void BeforeShow() {}

  QPoint Project(const Vector& p) { return test::ProjectToViewport(w->editor(), *vp, p); }

  void Trigger(const char* action) { w->Action(action)->trigger(); }
  QString Status(int i) { return w->findChild<QLabel*>(QString("SbPanel%1").arg(i))->text(); }
  template <typename W>
  W* Find(const char* name) {
    W* found = w->findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  test::TempDir dir;
  std::unique_ptr<TMain> w;
  ViewportPanel* vp = nullptr;
};

TEST_F(EditWindowTest, ClickDragRotateAndPanel) {
  Editor& e = w->editor();
  // Clockwise faces are in front, and the new-scene camera sees a new square from behind.
  Trigger("CullFace1");
  ASSERT_FALSE(w->Action("CullFace1")->isChecked());
  Trigger("leererSektor1");
  Trigger("Viereck1");
  TSector* quad = e.TreeSelection;
  ASSERT_NE(quad, nullptr);
  ASSERT_EQ(quad->NodeType, kPolygon);
  Trigger("Lichtquelle1");
  TSector* light = e.TreeSelection;
  ASSERT_EQ(light->NodeType, kLight);
  EXPECT_EQ(quad->Marked, 0);

  // A real click on the drawn square selects it.
  const QPoint at = Project(quad->Centroid);
  ASSERT_EQ(vp->PickName(at.x(), at.y()), quad->Id) << "the square is not under " << at.x() << "," << at.y();
  QTest::mouseMove(vp, at);
  QTest::mouseClick(vp, Qt::LeftButton, {}, at);
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{quad});
  EXPECT_EQ(quad->Marked, 1);
  EXPECT_EQ(SceneTreeModel::NodeOf(w->Tree()->currentIndex()), quad);
  auto* panel = Find<PropertiesPanel>("SmallInfo");
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->currentIndex(), 2);
  EXPECT_EQ(Status(0), QString::number(quad->Id));
  EXPECT_EQ(Find<QLabel>("Label11")->text(), "Viereck");

  // Dragging to the right along X moves it by whole grid steps.
  const float x0 = quad->Vertices[0].Position.x;
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  for (int i = 1; i <= 4; ++i) QTest::mouseMove(vp, at + QPoint(30 * i, 0));
  QTest::qWait(250);  // the click limit runs on the real clock
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at + QPoint(120, 0));
  EXPECT_EQ(quad->Vertices[0].Position.x, x0 + 40);         // every second event of 30 pixels steps
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{quad});  // a long press is no click

  // Rotating about Y (F6 like the button) turns it in 10 degree steps.
  QTest::keyClick(w.get(), Qt::Key_F6);
  EXPECT_EQ(e.AxisLock, AxisLock::kY);
  EXPECT_TRUE(w->Action("ToolButton12")->isChecked());
  Trigger("ToolButton16");
  const Vector before = quad->Vertices[0].Position;
  QTest::mouseMove(vp, at);
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  QTest::mouseMove(vp, at - QPoint(40, 0));  // |30 / 40| < 1: one step at once
  QTest::qWait(250);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at - QPoint(40, 0));
  const Vector c = quad->Centroid;
  const double angle =
      std::atan2(double(quad->Vertices[0].Position.z) - c.z, double(quad->Vertices[0].Position.x) - c.x) -
      std::atan2(double(before.z) - c.z, double(before.x) - c.x);
  EXPECT_NEAR(std::fabs(angle) * 180 / kPi, 10.0, 0.01);
  EXPECT_EQ(quad->Vertices[0].Position.y, before.y);

  // The light's colour through its track bar, with real keys.
  w->SetTreeSelection(light);  // scrolls the row into view
  QTreeView* tree = w->Tree();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    tree->visualRect(w->TreeModel()->IndexOf(light)).center());
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{light});
  EXPECT_EQ(panel->currentIndex(), 3);
  auto* red = Find<QSlider>("TrackBar1");
  red->setFocus();
  QTest::keyClick(red, Qt::Key_Home);
  EXPECT_EQ(light->Color[0], 0);
  EXPECT_EQ(Find<QLineEdit>("Edit4")->text(), "0");
  EXPECT_EQ(Find<QWidget>("Panel9")->property("colorValue").toUInt(), 255u * 256 + 255u * 65536);
}

TEST_F(EditWindowTest, TypingIntoThePanelLeavesTheCamera) {
  Editor& e = w->editor();
  Trigger("leererSektor1");
  Trigger("Lichtquelle1");
  TSector* light = e.TreeSelection;
  auto* edit = Find<QLineEdit>("Edit8");
  QTest::mouseClick(edit, Qt::LeftButton);
  ASSERT_TRUE(edit->hasFocus());
  EXPECT_FALSE(w->KeyPreview());
  const Vector camera = e.CameraPosition;
  edit->selectAll();
  QTest::keyClicks(edit, "w");
  EXPECT_EQ(e.CameraPosition, camera);
  EXPECT_EQ(edit->text(), "w");
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, "45");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(light->Brightness, 45);
  EXPECT_TRUE(vp->hasFocus());
  EXPECT_TRUE(w->KeyPreview());
  QTest::keyClick(vp, Qt::Key_W);  // the camera keys work again
  EXPECT_NE(e.CameraPosition, camera);
}

TEST_F(EditWindowTest, SpinnersVertexModeAndTreeClicks) {
  Editor& e = w->editor();
  QTest::mouseClick(Find<QToolButton>("UpDown2Up"), Qt::LeftButton);
  EXPECT_EQ(e.GridSize, 25);
  EXPECT_EQ(Find<QLabel>("GridLabel")->text(), "25");
  QTest::mouseClick(Find<QToolButton>("UpDown1Down"), Qt::LeftButton);
  EXPECT_EQ(e.GridSize, 24);
  QTest::mouseClick(Find<QToolButton>("UpDown3Up"), Qt::LeftButton);
  EXPECT_FLOAT_EQ(e.VertexMarkerRadius, 2.3f);

  Trigger("leererSektor1");
  TSector* sector = e.TreeSelection;
  auto* vertex_mode = Find<QCheckBox>("CheckBox1");
  vertex_mode->click();
  EXPECT_TRUE(e.VertexMode);
  Trigger("Viereck1");  // a square ends the vertex mode, box included
  EXPECT_FALSE(e.VertexMode);
  EXPECT_FALSE(vertex_mode->isChecked());

  // A mouse click on the sector's row selects it; the keyboard only moves the current row.
  QTreeView* tree = w->Tree();
  const QModelIndex row = w->TreeModel()->IndexOf(sector);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(row).center());
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{sector});
  tree->setFocus();
  w->SetKeyPreview(false);  // the arrow key goes to the tree alone
  QTest::keyClick(tree, Qt::Key_Down);
  w->SetKeyPreview(true);
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{sector});

  // "Alle Polygone markieren" from the popup.
  Trigger("AlleuntergeordnetenPolygonemarkieren1");
  ASSERT_EQ(e.SelectionList.size(), 1u);
  EXPECT_EQ(e.SelectionList[0]->NodeType, kPolygon);

  // Keypad 6 stretches u.
  const float u0 = e.SelectionList[0]->Vertices[0].TexCoord[0];
  QTest::keyClick(vp, Qt::Key_6, Qt::KeypadModifier);
  EXPECT_FLOAT_EQ(e.SelectionList[0]->Vertices[0].TexCoord[0], u0 * 1.1f);
}

// With either renderer drawing the viewport.
class StartMarkerWindowTest : public EditWindowTest, public ::testing::WithParamInterface<bool> {
 protected:
  void BeforeShow() override {
    w->Viewport()->UseRenderer(GetParam() ? ViewportPanel::RendererKind::kImmediate
                                          : ViewportPanel::RendererKind::kRetained);
  }
};

TEST_P(StartMarkerWindowTest, TheStartMarkerIsClickedDraggedAndUndone) {
  Editor& e = w->editor();
  ASSERT_EQ(vp->Kind(),
            GetParam() ? ViewportPanel::RendererKind::kImmediate : ViewportPanel::RendererKind::kRetained);
  ASSERT_EQ(e.StartPosition, (Vector{0, 0, 0}));
  // Pure red pixels within 14 pixels of where a point shows (nothing else in an empty scene is red).
  auto red_around = [&](const Vector& p) {
    const QImage frame = vp->grabFramebuffer();
    const QPoint c = Project(p) * frame.width() / vp->width();
    int n = 0;
    for (int y = -14; y <= 14; ++y)
      for (int x = -14; x <= 14; ++x) n += frame.pixel(c + QPoint(x, y)) == qRgb(255, 0, 0);
    return n;
  };
  EXPECT_EQ(red_around(e.StartPosition), 0);

  // A click on the blue sphere selects the marker: its box appears.
  const QPoint at = Project(e.StartPosition);
  QTest::mouseMove(vp, at);
  QTest::mouseClick(vp, Qt::LeftButton, {}, at);
  EXPECT_TRUE(e.StartSelected);
  EXPECT_TRUE(e.SelectionList.empty());
  EXPECT_EQ(Status(0), "Start");
  EXPECT_GT(red_around(e.StartPosition), 30);

  // Moved along X like a light: every second event of 30 pixels is one grid step.
  Trigger("ToolButton15");
  Trigger("ToolButton11");
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  for (int i = 1; i <= 4; ++i) QTest::mouseMove(vp, at + QPoint(30 * i, 0));
  QTest::qWait(250);  // the click limit runs on the real clock
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at + QPoint(120, 0));
  EXPECT_EQ(e.StartPosition, (Vector{40, 0, 0}));
  EXPECT_TRUE(e.StartSelected);
  EXPECT_EQ(Status(1), QString::fromStdString(PositionText(e.StartPosition)));
  EXPECT_EQ(red_around(Vector{0, 0, 0}), 0);  // the box went with it
  EXPECT_GT(red_around(e.StartPosition), 30);

  // One step takes it back.
  EXPECT_EQ(e.History.UndoName(), "Verschieben");
  Trigger("Rckgngig1");
  EXPECT_EQ(e.StartPosition, (Vector{0, 0, 0}));
  EXPECT_FALSE(e.History.CanUndo());
}

// In the window, a drag step and the mouse moving over the view copy the
// kept picture of the still level and draw only what moves, and the frame
// on screen is the one drawing everything would give.
TEST_F(EditWindowTest, DragStepsReuseTheKeptPictureOfTheLevel) {
  Editor& e = w->editor();
  auto* retained = dynamic_cast<RetainedRenderer*>(&vp->Renderer());
  ASSERT_NE(retained, nullptr);
  Trigger("leererSektor1");
  Trigger("Viereck1");
  TSector* quad = e.TreeSelection;
  ASSERT_EQ(quad->NodeType, kPolygon);
  Trigger("Lichtquelle1");  // stays where it is, in the kept picture
  const QPoint at = Project(quad->Centroid);
  QTest::mouseMove(vp, at);
  QTest::mouseClick(vp, Qt::LeftButton, {}, at);
  ASSERT_EQ(e.SelectionList, std::vector<TSector*>{quad});
  QTest::mouseMove(vp, at + QPoint(1, 0));
  QTest::mouseMove(vp, at);
  EXPECT_TRUE(retained->LastFrameReused()) << "the mouse moving over a still view";

  Trigger("ToolButton15");  // move
  Trigger("ToolButton12");  // along Y
  // Steps come from the horizontal motion: 40 pixels an event is a grid step
  // each time, up for a move to the right.
  const float y0 = quad->Vertices[0].Position.y;
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  int reused = 0;
  for (int i = 1; i <= 6; ++i) {
    QTest::mouseMove(vp, at + QPoint(40 * i, 0));
    reused += retained->LastFrameReused();
  }
  QTest::qWait(250);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at + QPoint(240, 0));
  EXPECT_EQ(quad->Vertices[0].Position.y, y0 + 6 * e.GridSize) << "one grid step an event";
  EXPECT_GE(reused, 4) << "after the step that takes the square out of its chunk";
  e.Redraw();
  const QImage kept = vp->grabFramebuffer();
  retained->SetFrameCacheEnabled(false);
  e.Redraw();
  const QImage full = vp->grabFramebuffer();
  retained->SetFrameCacheEnabled(true);
  EXPECT_TRUE(kept == full);
}

// Esc in the middle of a 3D drag: everything is back where the press found it,
// the rest of the drag moves nothing, and no undo step is left.
TEST_F(EditWindowTest, EscTakesBackA3DDrag) {
  Editor& e = w->editor();
  Trigger("leererSektor1");
  Trigger("Viereck1");
  TSector* quad = e.TreeSelection;
  const QPoint at = Project(quad->Centroid);
  QTest::mouseMove(vp, at);
  QTest::mouseClick(vp, Qt::LeftButton, {}, at);
  ASSERT_EQ(e.SelectionList, std::vector<TSector*>{quad});
  const size_t steps = e.History.UndoCount();
  const std::vector<TVertex> before = quad->Vertices;
  Trigger("ToolButton15");
  Trigger("ToolButton11");  // along X
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  for (int i = 1; i <= 3; ++i) QTest::mouseMove(vp, at + QPoint(40 * i, 0));
  ASSERT_NE(quad->Vertices[0].Position, before[0].Position);
  QTest::keyClick(vp, Qt::Key_Escape);
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(quad->Vertices[i].Position, before[i].Position);
  QTest::mouseMove(vp, at + QPoint(200, 0));
  EXPECT_EQ(quad->Vertices[0].Position, before[0].Position) << "the drag is over";
  QTest::qWait(250);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at + QPoint(200, 0));
  EXPECT_EQ(e.History.UndoCount(), steps);
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{quad});
  // The picture shows the square where it is: a full frame gives the same pixels.
  auto* retained = dynamic_cast<RetainedRenderer*>(&vp->Renderer());
  ASSERT_NE(retained, nullptr);
  e.Redraw();
  const QImage kept = vp->grabFramebuffer();
  retained->SetFrameCacheEnabled(false);
  e.Redraw();
  EXPECT_TRUE(kept == vp->grabFramebuffer());
  retained->SetFrameCacheEnabled(true);
}

INSTANTIATE_TEST_SUITE_P(Renderers, StartMarkerWindowTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Immediate" : "Retained"; });

}  // namespace
}  // namespace qx

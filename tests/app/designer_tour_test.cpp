// A designer's first minutes, with the mouse on the menus, the viewport and
// the tree and the keys on the keyboard: a lit square from an empty scene,
// turned away, a room duplicated and framed, the start set, a brightness
// typed. With QX_SHOT_DIR set the demo level's picture is left there too.

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <cstdlib>

#include "app/gui_actions.h"
#include "app/main_window.h"
#include "cli/demo_level.h"
#include "commands/grid_snap.h"
#include "commands/selection_bounds.h"
#include "document/map_document_io.h"
#include "render/viewport_panel.h"
#include "support/qt_app.h"
#include "support/test_support.h"
#include "textures/texture_library_file.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

class DesignerTour : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApp();
    w = std::make_unique<TMain>(QString::fromStdString((dir / "Editor.conf").string()));
    w->resize(1180, 820);
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    Activate();
    e().prompts = &prompts;
  }
  void TearDown() override {
    e().prompts = nullptr;
    w.reset();
  }
  Editor& e() { return w->editor(); }
  // Shortcuts (Ctrl+D, F) reach only the active window; without a window
  // manager nobody gives the activation back after a dialog closed.
  void Activate() {
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  }

  // Opens a menu of the menu bar and clicks one of its items, both with the mouse.
  void ClickMenu(const char* menu_name, const char* action_name) {
    QMenuBar* bar = w->menuBar();
    auto* menu = bar->findChild<QMenu*>(menu_name);
    QAction* action = w->Action(action_name);
    ASSERT_TRUE(menu && action && action->isEnabled()) << action_name;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 3000)) << menu_name;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }, 3000));
    QTest::qWait(20);
  }
  void ClickInTree(TSector* n) {
    w->Tree()->expandAll();
    const QRect r = w->Tree()->visualRect(w->TreeModel()->IndexOf(n));
    QTest::mouseClick(w->Tree()->viewport(), Qt::LeftButton, {}, r.center());
  }
  QWidget* View() { return w->Viewport(); }
  QPoint Centre() { return QPoint(View()->width() / 2, View()->height() / 2); }
  // Pixels of a 21 x 21 square round the viewport's centre brighter than `level` in red.
  int BrightAroundCentre(int level) {
    const QImage frame = w->Viewport()->grabFramebuffer();
    const QPoint c(frame.width() / 2, frame.height() / 2);
    int n = 0;
    for (int y = -10; y <= 10; ++y)
      for (int x = -10; x <= 10; ++x) n += frame.pixelColor(c + QPoint(x, y)).red() > level;
    return n;
  }
  void Shot(const char* name) { test::SaveShot(w.get(), name); }

  test::TempDir dir;
  test::FakePrompts prompts;
  std::unique_ptr<TMain> w;
};

TEST_F(DesignerTour, FirstMinutesFromAnEmptyScene) {
  if (!w->Viewport()->GLReady()) GTEST_SKIP() << "no OpenGL";
  ClickMenu("Einfgen2", "leererSektor1");
  TSector* room = e().TreeSelection;
  ASSERT_TRUE(room && room->NodeType == kSector);

  // The square faces the new-scene camera: it is drawn at once, white and untextured.
  ClickMenu("Einfgen2", "Viereck1");
  TSector* square = e().TreeSelection;
  ASSERT_EQ(square->NodeType, kPolygon);
  EXPECT_GT(BrightAroundCentre(230), 400);

  // Ten steps back bring the look-at point 20 units in front of the square; a light goes there.
  for (int i = 0; i < 10; ++i) QTest::keyClick(View(), Qt::Key_S);
  ClickMenu("Einfgen2", "Lichtquelle1");
  TSector* light = e().TreeSelection;
  ASSERT_EQ(light->NodeType, kLight);
  EXPECT_EQ(light->Shadow, 1);
  EXPECT_GT(light->Position.z, square->Vertices[0].Position.z);

  // Bake: the side the square shows is the side it is lit on.
  test::WhenModal("MapExportForm", [](QWidget* d) {
    QTest::mouseClick(d->findChild<QPushButton*>("LbSpeedButton1"), Qt::LeftButton);
  });
  auto* bake = w->findChild<QToolButton*>("ToolButton9");
  ASSERT_NE(bake, nullptr);
  QTest::mouseClick(bake, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !e().LightmapList.empty() && !e().History.Busy(); }, 20000));
  EXPECT_NE(square->Triangles[0].LightmapTexture, 0u);
  EXPECT_GT(BrightAroundCentre(230), 400);  // lit (an unlit lumel is 90)

  // A click on the square selects it; "Fläche umdrehen" turns it away: culled.
  QTest::mouseClick(View(), Qt::LeftButton, {}, Centre());
  ASSERT_EQ(e().SelectionList.size(), 1u);
  ASSERT_EQ(e().SelectionList[0], square);
  ClickMenu("Bearbeiten1", "Flcheumdrehen1");
  EXPECT_LT(square->Triangles[0].Normal.z, 0);
  EXPECT_EQ(BrightAroundCentre(230), 0);
  EXPECT_EQ(e().History.UndoName(), "Fläche umdrehen");

  // Ctrl+D on the room: a second room beside it along X, selected.
  ClickInTree(room);
  Activate();
  QTest::keyClick(w->Tree(), Qt::Key_D, Qt::ControlModifier);
  ASSERT_EQ(e().Tree.TopLevel().size(), 2u);
  TSector* copy = e().Tree.TopLevel()[1].get();
  ASSERT_EQ(e().SelectionList.size(), 1u);
  EXPECT_EQ(e().SelectionList[0], copy);
  ASSERT_EQ(copy->Children.size(), 2u);
  EXPECT_EQ(copy->Children[0]->Vertices[0].Position.x, square->Vertices[0].Position.x + 80);
  EXPECT_NE(copy->Children[1]->Id, light->Id);

  // F frames the copy: its centre straight ahead.
  const Vector eye = e().CameraPosition;
  QTest::keyClick(View(), Qt::Key_F);
  EXPECT_NE(e().CameraPosition, eye);
  Vector ahead = VectorSubtract(e().CameraTarget, e().CameraPosition);
  VectorNormalize(ahead);
  const Vector centre = SelectionBox(e()).Center();  // the square and the light's cube
  EXPECT_EQ(centre.x, 80);
  const Vector to_centre = VectorSubtract(centre, e().CameraPosition);
  EXPECT_LT(VectorLengthD(VectorCross(to_centre, ahead)), 0.01);

  // E lifts the camera, Shift+E four times as far.
  const float y0 = e().CameraPosition.y;
  QTest::keyClick(View(), Qt::Key_E);
  QTest::keyClick(View(), Qt::Key_E, Qt::ShiftModifier);
  EXPECT_FLOAT_EQ(e().CameraPosition.y, y0 + 10);

  // The start goes to the snapped look-at point, undoably.
  ClickMenu("Einfgen2", "Startpositionsetzen1");
  EXPECT_EQ(e().StartPosition, SnapToGrid(e().CameraTarget, e().GridSize));
  EXPECT_TRUE(e().StartSelected);
  EXPECT_EQ(e().History.UndoName(), "Startposition setzen");

  // A brightness typed into the light's page is taken when Tab leaves the field.
  ClickInTree(light);
  auto* brightness = w->PanelHost()->findChild<QLineEdit*>("Edit8");
  ASSERT_TRUE(brightness && brightness->isVisible());
  QTest::mouseClick(brightness, Qt::LeftButton);
  QTest::keyClick(brightness, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(brightness, "75");
  QTest::keyClick(brightness, Qt::Key_Tab);
  EXPECT_FALSE(brightness->hasFocus());
  EXPECT_EQ(light->Brightness, 75);
  EXPECT_EQ(e().CameraPosition.y, y0 + 10);  // the typed keys never reached the camera

  // Qt's own buttons speak German: the question before deleting says "Ja" and "Nein".
  e().prompts = &w->prompts();
  QString yes, no;
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [&, poll] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll->stop();
    poll->deleteLater();
    yes = box->button(QMessageBox::Yes)->text().remove('&');
    no = box->button(QMessageBox::No)->text().remove('&');
    QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
  });
  poll->start();
  ClickMenu("Bearbeiten1", "Lschen1");
  EXPECT_EQ(yes, "Ja");
  EXPECT_EQ(no, "Nein");
  EXPECT_TRUE(e().Tree.Contains(light));
  e().prompts = &prompts;
}

TEST_F(DesignerTour, DemoLevelIsSeenFromInsideAndLitWithShadows) {
  // As quarvex-cli demo writes it.
  test::WriteDemoFiles(dir.path());
  w->OpenTextureLibraryFile(dir / "demo.tex");
  w->OpenDocumentFile(dir / "demo.qxm");
  ASSERT_EQ(e().Tree.TopLevel().size(), 3u);
  TSector* hall = e().Tree.TopLevel()[0].get();
  ClickInTree(hall);
  w->Tree()->collapseAll();  // the rooms, not every tile
  if (w->Viewport()->GLReady()) {
    // Its quads are lightmapped and documents keep no lightmaps: baked, the
    // lights' shadows show.
    test::AnswerLightmapSize16();
    w->Action("ToolButton9")->trigger();
    ASSERT_FALSE(e().LightmapList.empty());
    // With culling on, the walls turned towards the camera from outside are
    // not drawn, so the rooms' lit insides fill much of the picture.
    const QImage frame = w->Viewport()->grabFramebuffer();
    int textured = 0;
    for (int y = 0; y < frame.height(); y += 4)
      for (int x = 0; x < frame.width(); x += 4) {
        const QColor c = frame.pixelColor(x, y);
        textured += !(c.red() == c.green() && c.green() == c.blue());
      }
    EXPECT_GT(textured, frame.width() * frame.height() / 16 / 5);
  }
  Shot("demo_level.png");
}

}  // namespace
}  // namespace qx

// "Level prüfen" in the window: a one-way portal shows one finding; a
// double-click frames the portal in the 3D view and the 2D views;
// "Beheben" adds the way back and the list empties; undo brings it back.

#include "ui/check_panel.h"

#include <QDockWidget>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include "app/plane_views_gui.h"
#include "commands/level_check.h"
#include "support/room_fixtures.h"
#include "tools/camera.h"

namespace qx {
namespace {

using test::PlaneViewsWindow;

// A double click as a mouse makes it since Qt 6: press, release, press, double
// click, release (QTest::mouseDClick leaves out the second press, which an
// item view needs to see the double click on the row it pressed).
void DoubleClick(QWidget* w, QPoint at) {
  QTest::mousePress(w, Qt::LeftButton, {}, at);
  QTest::mouseRelease(w, Qt::LeftButton, {}, at);
  QTest::mousePress(w, Qt::LeftButton, {}, at);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(w, &dbl);
  QTest::mouseRelease(w, Qt::LeftButton, {}, at);
}

TEST_F(PlaneViewsWindow, LevelCheckFindsFramesAndFixesAOneWayPortal) {
  test::TwoRooms rooms = test::BuildTwoRooms(e(), false);
  e().History.Clear();
  e().Redraw();

  // The tool button opens the dock.
  QWidget* button = w->findChild<QToolBar*>("ToolBar1")->findChild<QWidget*>("ToolButtonCheck");
  ASSERT_NE(button, nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->CheckDock()->isVisible(); }, 2000));
  EXPECT_TRUE(w->Action("Levelprfen1")->isChecked());
  QTreeWidget* list = w->CheckPanelWidget()->List();
  ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == 1; }, 2000));
  EXPECT_EQ(list->topLevelItem(0)->text(0), "Warnung");
  EXPECT_EQ(list->topLevelItem(0)->text(1).toStdString(),
            NodeLabel(rooms.there) + " führt nach Sektor 'Rechts' (" + std::to_string(rooms.right->Id) +
                "), von dort führt kein Portal an dieser Stelle zurück.");
  EXPECT_EQ(w->statusBar()->findChild<QLabel*>("CheckCount")->text(), "Prüfung: 0 Fehler, 1 Warnung");
  Shot("level_check.png");

  // Double-click: the portal is selected and framed, in 3D and in every 2D view.
  const QRect row = list->visualItemRect(list->topLevelItem(0));
  DoubleClick(list->viewport(), row.center());
  QTest::qWait(50);
  ASSERT_EQ(e().SelectionList, std::vector<TSector*>{rooms.there});
  const Vector centre = VectorSet(200, 40, 100);
  Vector to_portal = VectorSubtract(centre, e().CameraPosition);
  VectorNormalize(to_portal);
  EXPECT_GT(VectorDotD(to_portal, CameraViewDirection(e())), 0.999);
  EXPECT_LT(VectorLengthD(VectorSubtract(centre, e().CameraPosition)),
            200);  // near: the portal fills the view
  for (PlaneKind k : {PlaneKind::kTop, PlaneKind::kFront, PlaneKind::kSide}) {
    const PixelPoint px = View(k)->View().ToPixel(centre);
    EXPECT_NEAR(px.x, View(k)->View().Width() / 2.0, 2) << int(k);
    EXPECT_NEAR(px.y, View(k)->View().Height() / 2.0, 2) << int(k);
  }

  // "Beheben": the return portal in the right room, and nothing left to find.
  auto* fix = w->CheckPanelWidget()->findChild<QPushButton*>("CheckFix");
  ASSERT_TRUE(fix->isEnabled());
  QTest::mouseClick(fix, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == 0; }, 2000));
  ASSERT_EQ(rooms.right->Children.size(), 5u);  // floor, ceiling, walls, light, and the new portal
  EXPECT_EQ(rooms.right->Children.back()->NodeType, kPortal);
  EXPECT_EQ(rooms.right->Children.back()->LinkedSector, rooms.left);
  EXPECT_EQ(w->statusBar()->findChild<QLabel*>("CheckCount")->text(), "Prüfung: 0 Fehler, 0 Warnungen");

  // Undo: the portal goes again, the finding is back.
  w->Action("Rckgngig1")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == 1; }, 2000));
  EXPECT_EQ(rooms.right->Children.size(), 4u);

  // "Ausblenden" hides it for this document; "Ausgeblendete zeigen" brings it back.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->topLevelItem(0)).center());
  QTest::mouseClick(w->CheckPanelWidget()->findChild<QPushButton*>("CheckHide"), Qt::LeftButton);
  EXPECT_EQ(list->topLevelItemCount(), 0);
  QTest::mouseClick(w->CheckPanelWidget()->findChild<QPushButton*>("CheckShowHidden"), Qt::LeftButton);
  EXPECT_EQ(list->topLevelItemCount(), 1);
}

}  // namespace
}  // namespace qx

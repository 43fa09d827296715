#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include "app/qt_settings.h"
#include "render/viewport_panel.h"
#include "support/qt_app.h"
#include "support/test_support.h"

namespace qx {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { test::EnsureApp(); }

  // A started window: shown, splash run, initialised.
  std::unique_ptr<TMain> Start() {
    auto w = std::make_unique<TMain>(ini);
    w->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    return w;
  }

  QString Setting(const char* name) {
    QSettings s(ini, QSettings::IniFormat);
    return s.value(QString("QVX3/") + name).toString();
  }

  test::TempDir dir;
  QString ini = QString::fromStdString((dir / "Editor.conf").string());
};

QStringList Captions(const QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    out << a->text();
    if (a->menu()) out << Captions(a->menu());
  }
  return out;
}

TEST_F(MainWindowTest, FreshStartCaptionOptionsAndMenus) {
  auto w = Start();
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - Unbennant.qxm");
  const ViewOptions o = w->CurrentViewOptions();
  for (const auto& p : kPersistedViewOptions) EXPECT_TRUE(o.*p.member) << p.name;
  EXPECT_TRUE(w->Action("Textur1")->isChecked());
  EXPECT_FALSE(w->Action("Drahtgitter1")->isChecked());
  EXPECT_TRUE(w->editor().Tree.Empty());
  EXPECT_EQ(w->findChild<QLabel*>("GridLabel")->text(), "20");
  EXPECT_FLOAT_EQ(w->editor().VertexMarkerRadius, 2.0f);

  QStringList menus;
  for (QAction* a : w->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, QStringList({"&Datei", "&Bearbeiten", "&Einfügen", "&Ansicht", "&Hilfe"}));
  auto menu = [&](int i) { return Captions(w->menuBar()->actions()[i]->menu()); };
  EXPECT_EQ(menu(0), QStringList({"Neu", "Laden...", "Speichern", "Speichern unter...", "Bibliothek laden...",
                                  "Bibliothek speichern", "Bibliothek speichern unter...", "Exportieren",
                                  "Leveldatei (*.map)", "Testen", "Ab Kamera testen", "Einstellungen...",
                                  "Zuletzt geöffnet", "(keine)", "Beenden"}));
  EXPECT_EQ(w->Action("Testen1")->shortcut(), QKeySequence("F9"));
  EXPECT_EQ(w->Action("AbKameratesten1")->shortcut(), QKeySequence("Shift+F9"));
  EXPECT_EQ(w->Action("ToolButton28")->toolTip(), "Testen (F9)");
  EXPECT_EQ(menu(2), QStringList({"Sektor", "Quadrat", "Lichtquelle", "Portal", "Partikelsystem", "Model...",
                                  "Actor", "Checkpoint", "Startposition setzen", "Raum zeichnen"}));
  EXPECT_EQ(menu(3),
            QStringList({"Cull Face", "Gitter einblenden", "Portale einblenden", "Normale einblenden",
                         "Unsichtbare einblenden", "Markierungen einblenden", "Textur", "Drahtgitter",
                         "Lightmaps aktivieren", "Texturen aktivieren", "Auswahl zeigen", "Startansicht",
                         "Vier Ansichten", "Licht live", "Level prüfen"}));
  EXPECT_TRUE(menu(1).contains("Duplizieren"));
  EXPECT_TRUE(menu(1).contains("Fläche umdrehen"));
  EXPECT_TRUE(Captions(w->PopupMenu()).contains("Fläche umdrehen"));
  EXPECT_TRUE(menu(1).contains("Durchgang..."));
  EXPECT_TRUE(Captions(w->PopupMenu()).contains("Durchgang..."));
  EXPECT_EQ(w->Action("Duplizieren1")->shortcut(), QKeySequence("Ctrl+D"));
  EXPECT_EQ(w->Action("Auswahlzeigen1")->shortcut(), QKeySequence("F"));
  EXPECT_TRUE(menu(1).contains("Koordinaten einfügen"));
  EXPECT_EQ(w->Action("Speichern1")->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_EQ(w->Action("ToolButton21")->toolTip(), "Lightmaps ein/aus");
  EXPECT_EQ(w->Action("ToolButton20")->toolTip(), "Portale ein/aus");
  EXPECT_EQ(w->Action("ToolButton24")->toolTip(), "Unsichtbare Objekte ein/aus");
  EXPECT_EQ(w->Action("ToolButton27")->toolTip(), "Markierungen ein/aus");
  EXPECT_EQ(w->Action("ToolButton3")->toolTip(), "Speichren (Strg + S)");
  EXPECT_EQ(w->findChild<QToolButton*>("LbSpeedButton3")->text(), "Umschauen");
  EXPECT_TRUE(w->findChild<QToolButton*>("LbSpeedButton3")->isChecked());
  EXPECT_EQ(w->findChild<QLabel*>("SbPanel0")->width(), 100);
  EXPECT_EQ(TMain::InfoText().split("\r\n").size(), 3);
  EXPECT_TRUE(TMain::InfoText().startsWith("Quarvex v1.0\r\nProgrammiert von "));
}

TEST_F(MainWindowTest, SettingsAreReadAtStartAndWrittenAtClose) {
  {
    QSettings s(ini, QSettings::IniFormat);
    s.setValue("QVX3/QVX3_GUI_CULLFACE", "0");
    s.setValue("QVX3/QVX3_GUI_SHOWGRID", "abc");  // not a number: default
    s.setValue("QVX3/QVX3_GUI_SHOWPORTALS", "2");
    s.setValue("QVX3/QVX3_TEXLIB_FILE", QString::fromStdString((dir / "gone.tex").string()));
    s.setValue("QVX3/QVX3_QXM_PATH", "/maps");
  }
  auto w = Start();
  ViewOptions o = w->CurrentViewOptions();
  EXPECT_FALSE(o.CullFace);
  EXPECT_TRUE(o.ShowGrid);
  EXPECT_TRUE(o.ShowPortals);
  w->Action("ToolButton27")->trigger();  // the button flips the menu item
  EXPECT_FALSE(w->Action("Markierungeneinblenden1")->isChecked());
  w->Action("Drahtgitter1")->trigger();
  w->Action("Drahtgitter1")->trigger();  // clicking the checked one keeps it
  EXPECT_TRUE(w->Action("Drahtgitter1")->isChecked());
  EXPECT_FALSE(w->Action("Textur1")->isChecked());
  w->close();
  EXPECT_EQ(Setting("QVX3_GUI_CULLFACE"), "0");
  EXPECT_EQ(Setting("QVX3_GUI_SHOWGRID"), "1");
  EXPECT_EQ(Setting("QVX3_GUI_SHOWPORTALS"), "1");
  EXPECT_EQ(Setting("QVX3_GUI_SHOWMARKIERUNG"), "0");
  EXPECT_EQ(Setting("QVX3_GUI_SHOWLIGHTMAP"), "1");
  EXPECT_EQ(Setting("QVX3_TEXLIB_FILE"), "");  // the missing library is forgotten
  EXPECT_EQ(Setting("QVX3_QXM_PATH"), "/maps");

  auto again = Start();  // the next run sees what was written
  EXPECT_FALSE(again->CurrentViewOptions().ShowMarkers);
  EXPECT_FALSE(again->Action("Drahtgitter1")->isChecked());  // the pair always starts on "Textur"
}

TEST_F(MainWindowTest, KeysMoveTheCameraUnlessPreviewIsOff) {
  auto w = Start();
  Editor& e = w->editor();
  const Vector start = e.CameraPosition;
  QTest::keyClick(w->Tree(), Qt::Key_W);
  EXPECT_LT(e.CameraPosition.z, start.z);
  EXPECT_TRUE(w->focusWidget() == w->Viewport() || !w->Viewport()->isVisible());
  const Vector moved = e.CameraPosition;
  w->SetKeyPreview(false);
  QTest::keyClick(w->Viewport(), Qt::Key_W);
  EXPECT_EQ(e.CameraPosition, moved);
  w->SetKeyPreview(true);
  int f5 = 0;
  w->RegisterKey(Qt::Key_8, true, [&] { ++f5; });
  QTest::keyClick(w->Viewport(), Qt::Key_8);  // the main keyboard's 8: not the keypad
  EXPECT_EQ(f5, 0);
  QTest::keyClick(w->Viewport(), Qt::Key_8, Qt::KeypadModifier);
  EXPECT_EQ(f5, 1);
}

void LbSpeedButton4(TMain* w) {
  QTest::mouseClick(w->findChild<QToolButton*>("LbSpeedButton4"), Qt::LeftButton);
}

TEST_F(MainWindowTest, CameraButtonsAndRightDrag) {
  auto w = Start();
  Editor& e = w->editor();
  QTest::mousePress(w->findChild<QToolButton*>("LbSpeedButton4"), Qt::LeftButton);
  EXPECT_EQ(e.CameraMode, CameraMode::kMove);
  EXPECT_TRUE(w->findChild<QToolButton*>("LbSpeedButton4")->isChecked());
  EXPECT_FALSE(w->findChild<QToolButton*>("LbSpeedButton3")->isChecked());
  QTest::mouseRelease(w->findChild<QToolButton*>("LbSpeedButton4"), Qt::LeftButton);
  QTest::mousePress(w->findChild<QToolButton*>("LbSpeedButton3"), Qt::RightButton);  // any button
  EXPECT_EQ(e.CameraMode, CameraMode::kLook);
  QTest::mouseRelease(w->findChild<QToolButton*>("LbSpeedButton3"), Qt::RightButton);
  LbSpeedButton4(w.get());
  EXPECT_EQ(e.CameraMode, CameraMode::kMove);
  w->Action("Neu1")->trigger();  // a new scene goes back to looking
  EXPECT_EQ(e.CameraMode, CameraMode::kLook);
  EXPECT_TRUE(w->findChild<QToolButton*>("LbSpeedButton3")->isChecked());
  if (!w->Viewport()->isVisible()) GTEST_SKIP() << "no OpenGL context";
  // Look mode: dragging right by 20 pixels turns the heading by -10 degrees.
  QWidget* vp = w->Viewport();
  QTest::mouseMove(vp, QPoint(100, 100));
  QTest::mousePress(vp, Qt::RightButton, {}, QPoint(100, 100));
  QMouseEvent move(QEvent::MouseMove, QPointF(120, 100), vp->mapToGlobal(QPointF(120, 100)), Qt::NoButton,
                   Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(vp, &move);
  QTest::mouseRelease(vp, Qt::RightButton, {}, QPoint(120, 100));
  EXPECT_FLOAT_EQ(e.CameraHeading, 170);
  EXPECT_FALSE(w->Pointer().right_down);
}

TEST_F(MainWindowTest, RedrawDrawsAtOnceSoTheLookAtPointIsCurrent) {
  auto w = Start();
  if (!w->Viewport()->GLReady()) GTEST_SKIP() << "no OpenGL context";
  Editor& e = w->editor();
  e.CameraTarget = {};
  w->Action("Neu1")->trigger();  // NewScene redraws; no event is processed in between
  EXPECT_NEAR(e.CameraTarget.y, 36.7, 0.05);
  EXPECT_NEAR(e.CameraTarget.z, 20, 1e-4);
  e.CameraHeading = 730;
  e.Redraw();
  EXPECT_FLOAT_EQ(e.CameraHeading, 370);  // one frame, one wrap
  e.Redraw();
  EXPECT_FLOAT_EQ(e.CameraHeading, 10);
}

TEST_F(MainWindowTest, ViewportDrawsTheScene) {
  auto w = Start();
  if (!w->Viewport()->GLReady()) GTEST_SKIP() << "no OpenGL context";
  const QImage img = w->Viewport()->grabFramebuffer();
  ASSERT_FALSE(img.isNull());
  // Top left corner: the background grey, above the grid's far edge.
  EXPECT_EQ(QColor(img.pixel(2, 2)), QColor(128, 128, 128));
  int blue = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) blue += QColor(img.pixel(x, y)) == QColor(0, 0, 255);
  EXPECT_GT(blue, 50);  // the start marker
}

}  // namespace
}  // namespace qx

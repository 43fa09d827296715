// Undo and redo, the question before unsaved changes are lost, recent files
// and backups in the running window.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "app/gui_actions.h"
#include "app/main_window.h"
#include "document/map_document_io.h"
#include "render/viewport_panel.h"
#include "support/qt_app.h"
#include "support/test_support.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

class HistoryWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { test::EnsureApp(); }

  std::unique_ptr<TMain> Start() {
    auto w = std::make_unique<TMain>(ini);
    w->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->Recent() != nullptr; }, 10000));
    return w;
  }

  // Answers the next message box by pressing the button with `text`, noting what it showed.
  void AnswerNextBox(const QString& text) {
    QTimer::singleShot(50, [this, text] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return AnswerNextBox(text);  // not up yet
      box_text = box->text();
      for (QAbstractButton* b : box->buttons()) {
        box_buttons << b->text();
        if (QString(b->text()).remove(QChar('&')) == text) b->click();
      }
    });
  }

  test::TempDir dir;
  QString ini = QString::fromStdString((dir / "Editor.conf").string());
  QString box_text;
  QStringList box_buttons;
};

TEST_F(HistoryWindowTest, ClosingWithoutChangesAsksNothing) {
  auto w = Start();
  test::FakePrompts prompts;
  w->editor().prompts = &prompts;
  w->Action("Neu1")->trigger();  // no changes: "Neu" as ever
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(prompts.confirmations.empty());
}

TEST_F(HistoryWindowTest, ClosingWithChangesAsksAndAbbrechenKeepsTheWindow) {
  auto w = Start();
  w->Action("leererSektor1")->trigger();
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - Unbennant.qxm*");

  // The real question, with German buttons.
  AnswerNextBox("Abbrechen");
  EXPECT_FALSE(w->close());
  EXPECT_EQ(box_text, "Änderungen speichern?");
  box_buttons.sort();
  EXPECT_EQ(box_buttons, QStringList({"Abbrechen", "Ja", "Nein"}));
  EXPECT_TRUE(w->isVisible());
  EXPECT_FALSE(w->editor().Tree.Empty());

  test::FakePrompts prompts;
  w->editor().prompts = &prompts;
  prompts.yes_no_cancel_answers = {Answer::kYes};
  prompts.save_answers.push_back(dir / "karte.qxm");
  EXPECT_TRUE(w->close());
  EXPECT_EQ(prompts.confirmations, std::vector<std::string>{"Änderungen speichern?"});
  EXPECT_EQ(test::ReadFileBytes(dir / "karte.qxm"), WriteMapDocument(w->editor()));
}

TEST_F(HistoryWindowTest, NeinClosesAndLeavesNoBackupBehind) {
  auto w = Start();
  w->Action("leererSektor1")->trigger();
  ASSERT_TRUE(w->Backups()->Tick(w->editor()));
  test::FakePrompts prompts;
  w->editor().prompts = &prompts;
  prompts.yes_no_cancel_answers = {Answer::kNo};
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(w->Backups()->Backups().empty());
}

TEST_F(HistoryWindowTest, UndoAndRedoInTheEditMenu) {
  auto w = Start();
  QAction* undo = w->Action("Rckgngig1");
  QAction* redo = w->Action("Wiederholen1");
  ASSERT_TRUE(undo && redo);
  QMenu* edit = w->menuBar()->findChild<QMenu*>("Bearbeiten1");
  EXPECT_EQ(edit->actions().value(0), undo);
  EXPECT_EQ(edit->actions().value(1), redo);
  EXPECT_EQ(undo->text(), "Rückgängig");
  EXPECT_EQ(redo->text(), "Wiederholen");
  EXPECT_EQ(undo->shortcut(), QKeySequence("Ctrl+Z"));
  EXPECT_EQ(redo->shortcut(), QKeySequence("Ctrl+Shift+Z"));
  EXPECT_EQ(w->Action("Koordinatenkopieren1")->shortcut(), QKeySequence("Ctrl+Y"));
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());

  w->Action("leererSektor1")->trigger();
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(undo->statusTip(), "Rückgängig: Sektor");
  undo->trigger();
  EXPECT_TRUE(w->editor().Tree.Empty());
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - Unbennant.qxm");
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_TRUE(redo->isEnabled());
  redo->trigger();
  EXPECT_EQ(w->editor().Tree.Count(), 1u);
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - Unbennant.qxm*");
}

TEST_F(HistoryWindowTest, APanelClickIsOneStepOnceTheMouseIsReleased) {
  auto w = Start();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  w->Action("leererSektor1")->trigger();  // selected and shown in the panel
  auto* box = w->findChild<QCheckBox*>("CheckBox7");
  ASSERT_TRUE(box);
  ASSERT_TRUE(QTest::qWaitFor([&] { return box->isVisible(); }, 2000));
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));  // on the box itself
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->editor().History.UndoCount() == 2; }, 2000));
  EXPECT_EQ(w->editor().History.UndoName(), "Eigenschaften");
  EXPECT_EQ(w->editor().Tree.First()->NoInsideTest, 1);
  w->Action("Rckgngig1")->trigger();
  EXPECT_EQ(w->editor().Tree.First()->NoInsideTest, 0);
}

TEST_F(HistoryWindowTest, RecentFilesOpenFromTheFileMenu) {
  auto w = Start();
  test::FakePrompts prompts;
  w->editor().prompts = &prompts;
  w->Action("leererSektor1")->trigger();
  prompts.save_answers.push_back(dir / "burg.qxm");
  w->Action("Speichernunter1")->trigger();
  w->Action("Neu1")->trigger();  // saved: nothing to ask
  EXPECT_TRUE(prompts.confirmations.empty());
  EXPECT_TRUE(w->editor().Tree.Empty());

  QMenu* recent = w->findChild<QMenu*>("Zuletztgeffnet1");
  ASSERT_TRUE(recent);
  emit recent->aboutToShow();
  ASSERT_EQ(recent->actions().size(), 1);
  EXPECT_EQ(recent->actions()[0]->text(), "&1 burg.qxm");
  recent->actions()[0]->trigger();
  EXPECT_EQ(w->editor().Tree.Count(), 1u);
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - burg.qxm");
}

TEST_F(HistoryWindowTest, TheNextStartOffersTheBackupOfARunThatCrashed) {
  std::vector<uint8_t> scene;
  std::filesystem::path folder;
  {
    auto w = Start();
    w->Action("leererSektor1")->trigger();
    w->Action("leererSektor1")->trigger();
    ASSERT_TRUE(w->Backups()->Tick(w->editor()));
    scene = WriteMapDocument(w->editor());
    folder = w->BackupFolder();
    // The window goes without a close: as after a crash.
  }
  EXPECT_EQ(folder, dir / "Editor-Backup");
  AnswerNextBox("Ja");  // Qt's own buttons speak German
  auto w = Start();
  EXPECT_TRUE(box_text.contains("nicht ordnungsgemäß beendet"));
  EXPECT_EQ(WriteMapDocument(w->editor()), scene);
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - Unbennant.qxm*");
}

// Where a track bar's handle is drawn.
QPoint HandleCentre(QSlider* s) {
  QStyleOptionSlider opt;
  opt.initFrom(s);
  opt.orientation = s->orientation();
  opt.minimum = s->minimum();
  opt.maximum = s->maximum();
  opt.sliderPosition = s->sliderPosition();
  opt.sliderValue = s->value();
  opt.singleStep = s->singleStep();
  opt.pageStep = s->pageStep();
  opt.upsideDown = s->invertedAppearance() != (opt.direction == Qt::RightToLeft);
  opt.state |= QStyle::State_Horizontal;
  return s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s).center();
}

class StepWindowTest : public HistoryWindowTest {
 protected:
  void SetUp() override {
    HistoryWindowTest::SetUp();
    w = Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->editor().prompts = &prompts;
  }
  void TearDown() override {
    w->editor().prompts = nullptr;
    w->editor().SetModified(false);  // no question at the close
    w.reset();
  }
  UndoStack& History() { return w->editor().History; }
  QRect RowRect(TSector* node) { return w->Tree()->visualRect(w->TreeModel()->IndexOf(node)); }

  test::FakePrompts prompts;
  std::unique_ptr<TMain> w;
};

TEST_F(StepWindowTest, AViewportDragIsOneStepFromPressToRelease) {
  ViewportPanel* vp = w->Viewport();
  if (!vp->GLReady()) GTEST_SKIP() << "no OpenGL context";
  w->Action("leererSektor1")->trigger();
  w->Action("Viereck1")->trigger();  // selected
  TSector* quad = w->editor().SelectionList.at(0);
  const float x0 = quad->Vertices[0].Position.x;
  const size_t steps = History().UndoCount();

  const QPoint at = vp->rect().center();
  QTest::mouseMove(vp, at);
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  for (int i = 1; i <= 6; ++i) QTest::mouseMove(vp, at + QPoint(30 * i, 0));
  EXPECT_EQ(History().UndoCount(), steps);  // nothing recorded while the button is down
  QTest::qWait(250);                        // a long press is no click
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at + QPoint(180, 0));
  EXPECT_EQ(quad->Vertices[0].Position.x, x0 + 60);
  ASSERT_EQ(History().UndoCount(), steps + 1);
  EXPECT_EQ(History().UndoName(), "Verschieben");
  EXPECT_EQ(w->Action("Rckgngig1")->statusTip(), "Rückgängig: Verschieben");

  // With Ctrl the texture coordinates follow the mouse.
  QTest::mousePress(vp, Qt::LeftButton, Qt::ControlModifier, at);
  for (int i = 1; i <= 3; ++i) QTest::mouseMove(vp, at + QPoint(10 * i, 0));
  QTest::mouseRelease(vp, Qt::LeftButton, Qt::ControlModifier, at + QPoint(30, 0));
  ASSERT_EQ(History().UndoCount(), steps + 2);
  EXPECT_EQ(History().UndoName(), "Texturkoordinaten");

  w->Action("Rckgngig1")->trigger();
  w->Action("Rckgngig1")->trigger();
  EXPECT_EQ(w->editor().Tree.First()->Children.at(0)->Vertices[0].Position.x, x0);
}

TEST_F(StepWindowTest, KeysAreStepsNamedAsTheirCommands) {
  w->Action("leererSektor1")->trigger();
  w->Action("Viereck1")->trigger();
  const size_t steps = History().UndoCount();
  // The keypad's texture keys: held down, their repeats are one step.
  for (int i = 0; i < 3; ++i) QTest::keyClick(w.get(), Qt::Key_6, Qt::KeypadModifier);
  ASSERT_EQ(History().UndoCount(), steps + 1);
  EXPECT_EQ(History().UndoName(), "Texturkoordinaten");
  // Delete runs "Löschen" and takes its name.
  QTest::keyClick(w.get(), Qt::Key_Delete);
  ASSERT_EQ(History().UndoCount(), steps + 2);
  EXPECT_EQ(History().UndoName(), "Löschen");
}

TEST_F(StepWindowTest, APanelEditAndATrackBarDragAreOneStepEach) {
  w->Action("leererSektor1")->trigger();
  w->Action("Lichtquelle1")->trigger();
  TSector* light = w->editor().SelectionList.at(0);
  const size_t steps = History().UndoCount();

  auto* edit = w->findChild<QLineEdit*>("Edit8");
  ASSERT_TRUE(edit && edit->isVisible());
  QTest::mouseClick(edit, Qt::LeftButton);
  edit->selectAll();
  QTest::keyClicks(edit, "45");
  EXPECT_EQ(History().UndoCount(), steps);  // typing is no change yet
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(light->Brightness, 45);
  ASSERT_EQ(History().UndoCount(), steps + 1);
  EXPECT_EQ(History().UndoName(), "Eigenschaften");

  auto* red = w->findChild<QSlider*>("TrackBar1");
  ASSERT_TRUE(red && red->isVisible());
  ASSERT_EQ(red->value(), 255);
  QTest::qWait(20);  // the panel's layout settles before the handle is measured
  const QPoint handle = HandleCentre(red);
  QTest::mouseMove(red, handle);
  QTest::mousePress(red, Qt::LeftButton, {}, handle);
  ASSERT_TRUE(red->isSliderDown());
  for (int i = 1; i <= 8; ++i) QTest::mouseMove(red, handle - QPoint(8 * i, 0));
  QTest::mouseRelease(red, Qt::LeftButton, {}, handle - QPoint(64, 0));
  EXPECT_LT(light->Color[0], 255);
  EXPECT_EQ(light->Color[0], red->value());
  ASSERT_EQ(History().UndoCount(), steps + 2);
  EXPECT_EQ(History().UndoName(), "Eigenschaften");

  // Undo gives the colour back, and the panel shows it.
  w->Action("Rckgngig1")->trigger();
  EXPECT_EQ(w->editor().Tree.First()->Children.at(0)->Color[0], 255);
  EXPECT_EQ(red->value(), 255);
}

TEST_F(StepWindowTest, ADropInTheTreeIsOneStepZiehen) {
  w->Action("leererSektor1")->trigger();
  TSector* a = w->editor().TreeSelection;
  w->Action("leererSektor1")->trigger();
  w->Action("Lichtquelle1")->trigger();
  TSector* light = w->editor().TreeSelection;
  w->Tree()->expandAll();
  const size_t steps = History().UndoCount();
  test::DragWithMouse(w->Tree()->viewport(), RowRect(light).center(), RowRect(a).center());
  ASSERT_EQ(light->Parent, a);
  ASSERT_EQ(History().UndoCount(), steps + 1);
  EXPECT_EQ(History().UndoName(), "Ziehen");
}

}  // namespace
}  // namespace qx

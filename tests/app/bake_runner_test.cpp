#include "app/bake_runner.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "app/gui_actions.h"
#include "app/main_window.h"
#include "commands/insert.h"
#include "render/viewport_panel.h"
#include "support/qt_app.h"
#include "support/scene_generator.h"
#include "support/test_support.h"

namespace qx {
namespace {

class BakeWiringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApp();
    w = std::make_unique<TMain>(QString::fromStdString((dir / "Editor.conf").string()));
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    e().prompts = &prompts;
  }
  void TearDown() override {
    e().prompts = nullptr;
    w.reset();
  }
  Editor& e() { return w->editor(); }
  void OneLitSquare() {
    InsertSector(e());
    InsertSquare(e());
    e().CameraTarget = {0, 0, 40};
    InsertLight(e());
  }
  // Answers the size dialog: `ups` clicks on both up buttons, then "Ok".
  static void AnswerSizeDialog(int ups) {
    test::WhenModal("MapExportForm", [ups](QWidget* d) {
      for (int i = 0; i < ups; ++i) {
        QTest::mouseClick(d->findChild<QToolButton*>("UpDown1Up"), Qt::LeftButton);
        QTest::mouseClick(d->findChild<QToolButton*>("UpDown2Up"), Qt::LeftButton);
      }
      QTest::mouseClick(d->findChild<QPushButton*>("LbSpeedButton1"), Qt::LeftButton);
    });
  }
  QString StatusText() { return w->findChild<QLabel*>("SbPanel1")->text(); }

  test::TempDir dir;
  test::FakePrompts prompts;
  std::unique_ptr<TMain> w;
};

TEST_F(BakeWiringTest, ToolButtonBakesWithTheDialogsSizeAndUploadsTheLightmaps) {
  OneLitSquare();
  AnswerSizeDialog(1);
  w->Action("ToolButton9")->trigger();
  ASSERT_EQ(e().LightmapList.size(), 2u);
  EXPECT_EQ(e().LightmapList[0].width, 16);
  EXPECT_EQ(e().LightmapList[0].height, 16);
  TSector* quad = nullptr;
  e().Tree.Walk([&](TSector* n) {
    if (n->NodeType == kPolygon) quad = n;
  });
  ASSERT_NE(quad, nullptr);
  EXPECT_EQ(quad->Triangles[1].LightmapIndex, 1);
  if (w->Viewport()->GLReady()) {
    EXPECT_NE(quad->Triangles[0].LightmapTexture, 0u);
    EXPECT_NE(quad->Triangles[1].LightmapTexture, quad->Triangles[0].LightmapTexture);
  }
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - Unbennant.qxm*");  // back from the progress; unsaved
  EXPECT_EQ(StatusText(), "");
  EXPECT_FALSE(w->findChild<BakeRunner*>()->Running());
  // The dialog kept its values: the next bake is 16 x 16 again.
  AnswerSizeDialog(0);
  w->Action("ToolButton9")->trigger();
  EXPECT_EQ(e().LightmapList.at(1).width, 16);
}

TEST_F(BakeWiringTest, TheSizeDialogTakesTypedSizesAndItsCancelBakesNothing) {
  OneLitSquare();
  // Typed into the toolbar button's dialog: 16 wide, 32 high, Enter.
  test::WhenModal("MapExportForm", [](QWidget* d) {
    QTest::keyClicks(d->focusWidget(), "16");
    auto* edit2 = d->findChild<QLineEdit*>("Edit2");
    QTest::mouseDClick(edit2, Qt::LeftButton);
    QTest::keyClicks(edit2, "32");
    QTest::keyClick(edit2, Qt::Key_Return);
  });
  QTest::mouseClick(w->findChild<QWidget*>("ToolButton9"), Qt::LeftButton);
  ASSERT_EQ(e().LightmapList.size(), 2u);
  EXPECT_EQ(e().LightmapList[0].width, 16);
  EXPECT_EQ(e().LightmapList[0].height, 32);
  EXPECT_EQ(e().History.UndoName(), "Lightmaps berechnen");

  // Esc, "Abbrechen" and the window's close: no bake and no step.
  e().History.Run("Licht", [&] { e().Tree.Remove(e().Tree.First()->Children.back().get()); });
  const size_t steps = e().History.UndoCount();
  const std::vector<std::function<void(QWidget*)>> ways = {
      [](QWidget* d) { QTest::keyClick(d->focusWidget(), Qt::Key_Escape); },
      [](QWidget* d) { QTest::mouseClick(d->findChild<QPushButton*>("LbSpeedButton2"), Qt::LeftButton); },
      [](QWidget* d) { d->close(); }};
  for (size_t i = 0; i < ways.size(); ++i) {
    test::WhenModal("MapExportForm", ways[i]);
    QTest::mouseClick(w->findChild<QWidget*>("ToolButton9"), Qt::LeftButton);
    EXPECT_EQ(e().History.UndoCount(), steps) << i;
    EXPECT_EQ(e().History.UndoName(), "Licht") << i;
    EXPECT_EQ(e().LightmapList[0].width, 16) << "the lightmaps of before: " << i;
  }
  EXPECT_TRUE(prompts.warnings.empty());
}

TEST_F(BakeWiringTest, ProgressShowsAndCancelKeepsThePreviousLightmaps) {
  test::BuildRoomLevel(e(), 9, 16);
  AnswerSizeDialog(0);
  w->Action("ToolButton9")->trigger();
  const size_t before = e().LightmapList.size();
  ASSERT_GT(before, 0u);
  EXPECT_EQ(e().LightmapList[0].width, 8);

  bool saw_progress = false, drew = false, saw_time_left = false;
  AnswerSizeDialog(6);  // 512 x 512: long enough to watch, even for the fast baker
  test::WhenModal("BakeProgress", [&](QWidget* d) {
    saw_progress = QTest::qWaitFor([&] { return w->windowTitle().startsWith("Lightmaps: "); }, 5000) &&
                   StatusText().startsWith("Lightmaps: ");
    const QLabel* label = d->findChild<QLabel*>();
    saw_time_left = label && QTest::qWaitFor([&] { return label->text().contains("\nnoch etwa "); }, 5000) &&
                    label->text().startsWith("Lightmaps: ");
    // The window still draws while the bake runs.
    drew = !w->Viewport()->GLReady() || !w->Viewport()->grabFramebuffer().isNull();
    QTest::mouseClick(d->findChild<QPushButton*>(), Qt::LeftButton);  // "Abbrechen"
  });
  w->Action("ToolButton9")->trigger();
  EXPECT_TRUE(saw_progress);
  EXPECT_TRUE(saw_time_left);
  EXPECT_TRUE(drew);
  ASSERT_EQ(e().LightmapList.size(), before);
  EXPECT_EQ(e().LightmapList[0].width, 8);
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - Unbennant.qxm*");  // back from the progress; unsaved
  EXPECT_EQ(StatusText(), "");
}

TEST_F(BakeWiringTest, ExportWithAndWithoutLightmaps) {
  OneLitSquare();
  // The light would add 19 bytes and a structure byte; keep the one-square level.
  e().Tree.Remove(e().Tree.First()->Children.back().get());
  prompts.save_answers = {dir / "level"};
  prompts.confirm_answers = {false};
  w->Action("ToolButton8")->trigger();
  EXPECT_EQ(prompts.save_dialogs.at(0).filter, "Leveldatei (*.map)|*.map");
  EXPECT_EQ(prompts.confirmations.at(0), "Lightmaps generieren?");
  EXPECT_EQ(test::ReadFileBytes(dir / "level.map").size(), 290u);

  prompts.save_answers = {dir / "lit.map"};
  prompts.confirm_answers = {true};
  AnswerSizeDialog(0);
  w->Action("Leveldateimap1")->trigger();
  EXPECT_EQ(test::ReadFileBytes(dir / "lit.map").size(), 290u + 2 * (8 + 8 * 8 * 3));

  // A bake cancelled during an export writes nothing.
  test::BuildRoomLevel(e(), 9, 16);
  prompts.save_answers = {dir / "never.map"};
  prompts.confirm_answers = {true};
  AnswerSizeDialog(4);
  test::WhenModal("BakeProgress",
                  [](QWidget* d) { QTest::mouseClick(d->findChild<QPushButton*>(), Qt::LeftButton); });
  w->findChild<BakeRunner*>()->Leveldateimap1Click();
  EXPECT_FALSE(std::filesystem::exists(dir / "never.map"));
}

}  // namespace
}  // namespace qx

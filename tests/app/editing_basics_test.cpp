// In the running window, with the mouse and the keyboard: texture library
// changes are unsaved work that undo takes back, a removed texture leaves
// every node its picture, and a model lands where the designer looks and
// takes a typed scale.

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "commands/grid_snap.h"
#include "commands/insert.h"
#include "commands/model_scale.h"
#include "commands/texture_commands.h"
#include "commands/texture_use.h"
#include "models/test_models.h"
#include "render/viewport_panel.h"
#include "session/unsaved_changes.h"
#include "support/qt_app.h"
#include "support/test_support.h"
#include "textures/test_bitmaps.h"
#include "ui/browser_logic.h"
#include "ui/texture_browser.h"

namespace qx {
namespace {

class EditingBasics : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApp();
    w = std::make_unique<TMain>(QString::fromStdString((dir / "Editor.conf").string()));
    w->resize(1180, 820);
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    qt_prompts = e().prompts;
    e().prompts = &prompts;
  }
  void TearDown() override {
    e().prompts = nullptr;
    w.reset();
  }
  Editor& e() { return w->editor(); }
  TextureBrowser* Browser() { return w->findChild<TextureBrowser*>(); }
  QPushButton* BrowserButton(const char* name) { return Browser()->findChild<QPushButton*>(name); }
  void ShowTexturePage() {
    auto* tabs = qobject_cast<QTabWidget*>(w->TexturePage()->parentWidget()->parentWidget());
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Browser()->isVisible(); }, 3000));
  }
  void ClickThumbnail(int index) {
    QWidget* box = Browser()->findChild<QWidget*>("TexBox");
    const int x = ThumbnailCenterX(index, box->width());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(x, ThumbnailRowTop(index) + 20));
  }
  // Answers the next real message box with the button `text`, noting what it asked.
  void AnswerNextBox(const QString& text) {
    QTimer::singleShot(50, [this, text] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return AnswerNextBox(text);
      box_text = box->text();
      for (QAbstractButton* b : box->buttons())
        if (QString(b->text()).remove(QChar('&')) == text) b->click();
    });
  }
  std::filesystem::path Bitmap(const std::string& name, test::Rgb colour) {
    test::WriteFileBytes(dir / name, test::MakeBmp(8, 8, [&](int, int) { return colour; }));
    return dir / name;
  }
  QColor CentrePixel() {
    const QImage frame = w->Viewport()->grabFramebuffer();
    return frame.pixelColor(frame.width() / 2, frame.height() / 2);
  }

  test::TempDir dir;
  test::FakePrompts prompts;
  Prompts* qt_prompts = nullptr;
  std::unique_ptr<TMain> w;
  QString box_text;
};

TEST_F(EditingBasics, AnAddedTextureIsUnsavedWorkThatQuittingAsksAbout) {
  ShowTexturePage();
  prompts.open_answers.push_back(Bitmap("stein.bmp", {200, 10, 10}));
  QTest::mouseClick(BrowserButton("LbSpeedButton1"), Qt::LeftButton);
  ASSERT_EQ(e().Textures.Count(), 1);
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - Unbennant.qxm*");

  // The real question names the library; "Abbrechen" keeps the window and the texture.
  e().prompts = qt_prompts;
  AnswerNextBox("Abbrechen");
  EXPECT_FALSE(w->close());
  EXPECT_EQ(box_text.toStdString(), kSaveLibraryQuestion);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(e().Textures.Count(), 1);

  // Undone with the keyboard, nothing is left to ask about. (Without a window
  // manager nobody gives the activation back after the box closed.)
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(e().Textures.Count(), 0);
  EXPECT_EQ(w->windowTitle(), "Quarvex v1.0.0 - Unbennant.qxm");
  QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(e().Textures.Count(), 1);

  // "Ja" saves the library under a chosen name before the window goes.
  e().prompts = &prompts;
  prompts.yes_no_cancel_answers = {Answer::kYes};
  prompts.save_answers = {dir / "bibliothek"};
  EXPECT_TRUE(w->close());
  EXPECT_EQ(prompts.confirmations, std::vector<std::string>{kSaveLibraryQuestion});
  EXPECT_TRUE(std::filesystem::exists(dir / "bibliothek.tex"));
}

TEST_F(EditingBasics, ARemovedTextureLeavesEveryNodeItsPictureAndUndoBringsItBack) {
  for (auto [name, colour] :
       {std::pair{"rot.bmp", test::Rgb{255, 0, 0}}, std::pair{"gruen.bmp", test::Rgb{0, 255, 0}},
        std::pair{"blau.bmp", test::Rgb{0, 0, 255}}})
    ASSERT_EQ(AddTextureFiles(e(), {Bitmap(name, colour)}), 1);
  // A square in the middle of the view shows blue (entry 2); another one uses green (entry 1).
  e().History.Run("Quadrat", [&] {
    InsertSector(e());
    TSector* centre = InsertSquare(e());
    centre->TextureIndex = 2;
    e().CameraTarget.x += 200;
    InsertSquare(e())->TextureIndex = 1;
    e().CameraTarget.x -= 200;
  });
  e().Redraw();
  const bool gl = w->Viewport()->GLReady();
  if (gl) {
    EXPECT_EQ(CentrePixel(), QColor(0, 0, 255));
  }

  // Green selected with the mouse, "Löschen": the real question says one node uses it.
  ShowTexturePage();
  ClickThumbnail(1);
  ASSERT_EQ(e().Textures.CurrentTexture(), 1);
  e().prompts = qt_prompts;
  AnswerNextBox("Ja");
  QTest::mouseClick(BrowserButton("LbSpeedButton2"), Qt::LeftButton);
  EXPECT_EQ(box_text.toStdString(), RemoveUsedTextureQuestion(1));
  ASSERT_EQ(e().Textures.Count(), 2);
  EXPECT_EQ(e().Textures.Entry(1)->TexName, "blau");
  if (gl) {
    EXPECT_EQ(CentrePixel(), QColor(0, 0, 255)) << "the middle square still shows blue";
  }
  std::vector<int> numbers;
  e().Tree.Walk([&](TSector* n) {
    if (n->NodeType == kPolygon) numbers.push_back(n->TextureIndex);
  });
  EXPECT_EQ(numbers, (std::vector<int>{1, kNoTexture}));

  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(e().Textures.Count(), 3);
  EXPECT_EQ(e().Textures.Entry(1)->TexName, "gruen");
  numbers.clear();
  e().Tree.Walk([&](TSector* n) {
    if (n->NodeType == kPolygon) numbers.push_back(n->TextureIndex);
  });
  EXPECT_EQ(numbers, (std::vector<int>{2, 1}));
  if (gl) {
    EXPECT_EQ(CentrePixel(), QColor(0, 0, 255));
  }
}

TEST_F(EditingBasics, AModelLandsWhereTheViewLooksAndTakesATypedScale) {
  test::WriteFileBytes(dir / "platte.obj", test::Bytes(test::kQuadAndPentagonObj));
  e().History.Run("Sektor", [&] { InsertSector(e()); });
  e().CameraTarget = {47, 12, -31};
  prompts.open_answers.push_back(dir / "platte.obj");
  w->Action("Model1")->trigger();
  TSector* model = e().TreeSelection;
  ASSERT_TRUE(model && model->NodeType == kModel);
  const Vector at = SnapToGrid(Vector{47, 12, -31}, e().GridSize);
  EXPECT_EQ(model->Position, at);
  EXPECT_EQ(model->BoundsMin, at) << "the file's corner at its origin";
  EXPECT_EQ(model->BoundsMax, (Vector{at.x + 32, at.y + 14, at.z}));

  // "Skalierung" on the model page: typed, Enter; one step; Ctrl+Z takes it back.
  auto* scale = w->findChild<QLineEdit*>(kScaleEdit);
  ASSERT_NE(scale, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return scale->isVisible(); }, 3000));
  EXPECT_EQ(scale->text(), "1");
  const size_t steps = e().History.UndoCount();
  QTest::mouseDClick(scale, Qt::LeftButton);
  QTest::keyClicks(scale, "0,5");
  QTest::keyClick(scale, Qt::Key_Return);
  EXPECT_EQ(e().History.UndoCount(), steps + 1);
  EXPECT_EQ(model->BoundsMin, at);
  EXPECT_EQ(model->BoundsMax, (Vector{at.x + 16, at.y + 7, at.z}));
  EXPECT_EQ(scale->text(), "1");
  w->activateWindow();
  QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(model->BoundsMax, (Vector{at.x + 32, at.y + 14, at.z}));
}

TEST_F(EditingBasics, ASelectedModelShowsNormalLinesOnlyWithNormaleEinblenden) {
  if (!w->Viewport()->GLReady()) GTEST_SKIP() << "no OpenGL context";
  test::WriteFileBytes(dir / "platte.obj", test::Bytes(test::kQuadAndPentagonObj));
  e().History.Run("Sektor", [&] { InsertSector(e()); });
  prompts.open_answers.push_back(dir / "platte.obj");
  w->Action("Model1")->trigger();
  ASSERT_TRUE(e().TreeSelection && e().TreeSelection->NodeType == kModel);
  auto red = [&] {
    const QImage frame = w->Viewport()->grabFramebuffer();
    int n = 0;
    for (int y = 0; y < frame.height(); ++y)
      for (int x = 0; x < frame.width(); ++x) n += frame.pixelColor(x, y) == QColor(255, 0, 0);
    return n;
  };
  QAction* normals = w->Action("Normaleeinblenden1");
  ASSERT_TRUE(normals->isChecked());
  const int with_normals = red();
  normals->trigger();
  ASSERT_FALSE(normals->isChecked());
  const int box_only = red();
  EXPECT_GT(box_only, 0) << "the selection box";
  EXPECT_LT(box_only, with_normals - 20) << "no normal line without \"Normale einblenden\"";
}

}  // namespace
}  // namespace qx

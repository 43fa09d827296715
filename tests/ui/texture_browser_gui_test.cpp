#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "edit/browser_logic.h"
#include "support/test_support.h"
#include "textures/test_bitmaps.h"
#include "textures/texture_test_support.h"
#include "ui/texture_browser.h"

namespace qx {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "quarvex_gui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app) app = new QApplication(argc, argv);
  return *app;
}

test::Rgb Solid(uint8_t r, uint8_t g, uint8_t b) {
  return {r, g, b};
}

struct BrowserTest : ::testing::Test {
  Editor e;
  test::FakePrompts prompts;
  test::MemorySettings settings;
  test::RecordingUploader uploader;
  test::TempDir dir;
  TextureBrowser* browser = nullptr;

  BrowserTest() {
    App();
    e.prompts = &prompts;
    e.settings = &settings;
    e.NewScene();
    e.Textures.SetUploader(&uploader);
    browser = new TextureBrowser(e);
    browser->resize(260, 480);
    browser->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(browser));
  }
  ~BrowserTest() override {
    delete browser;
    e.Textures.SetUploader(nullptr);
  }
  std::filesystem::path Bitmap(const std::string& name, int w, int h, test::Rgb colour) {
    const auto path = dir / name;
    test::WriteFileBytes(path, test::MakeBmp(w, h, [&](int, int) { return colour; }));
    return path;
  }
  template <typename W>
  W* Find(const char* name) {
    W* w = browser->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  QString Label(const char* name) { return Find<QLabel>(name)->text(); }
  QImage Grab(const char* name) { return Find<QWidget>(name)->grab().toImage(); }
};

TEST_F(BrowserTest, AddSelectAssignAndDelete) {
  EXPECT_EQ(Find<QPushButton>("LbSpeedButton1")->text(), "Hinzufügen...");
  EXPECT_EQ(Find<QPushButton>("LbSpeedButton2")->text(), "Löschen");
  EXPECT_EQ(Find<QPushButton>("LbSpeedButton7")->text(), "Zuweisen");

  prompts.open_answers = {Bitmap("stone.bmp", 64, 64, Solid(200, 0, 0)),
                          Bitmap("brick.bmp", 128, 64, Solid(0, 0, 200))};
  Click("LbSpeedButton1");
  EXPECT_EQ(prompts.open_dialogs.at(0).filter, "Bitmaps (*.bmp)|*.bmp");
  EXPECT_EQ(settings.values["QVX3_TEX_PATH"], dir.path().string());
  Click("LbSpeedButton1");
  ASSERT_EQ(e.Textures.Count(), 2);
  EXPECT_EQ(e.Textures.CurrentTexture(), 1);
  EXPECT_EQ(Label("Label1"), "brick");
  EXPECT_EQ(Label("Label2"), "128 x 64");

  // The thumbnails: stone in column 0, brick (64 x 32, top-aligned) in column 1.
  QWidget* tex_box = Find<QWidget>("TexBox");
  const int w = tex_box->width();
  const QImage grid = Grab("TexBox");
  const BrowserRect stone = ThumbnailRect(0, w, 64, 64), brick = ThumbnailRect(1, w, 128, 64);
  EXPECT_EQ(grid.pixelColor((stone.left + stone.right) / 2, stone.top + 20), QColor(200, 0, 0));
  EXPECT_EQ(grid.pixelColor((brick.left + brick.right) / 2, brick.top + 16), QColor(0, 0, 200));
  EXPECT_EQ(grid.pixelColor((brick.left + brick.right) / 2, brick.top + 50), QColor(Qt::white));
  EXPECT_EQ(grid.pixelColor(brick.left, brick.top + 10), QColor(Qt::red));  // the current entry's frame
  EXPECT_EQ(grid.pixelColor(stone.left, stone.top + 10), QColor(Qt::black));

  QTest::mouseClick(tex_box, Qt::LeftButton, {}, QPoint(stone.left + 5, stone.top + 5));
  EXPECT_EQ(e.Textures.CurrentTexture(), 0);
  EXPECT_EQ(Label("Label1"), "stone");
  QTest::mouseClick(tex_box, Qt::LeftButton, {}, QPoint(10, 150));  // no entry 2
  EXPECT_EQ(e.Textures.CurrentTexture(), 0);
  const QImage current = Grab("CurBox");
  EXPECT_EQ(current.pixelColor(60, 54), QColor(200, 0, 0));
  EXPECT_EQ(current.pixelColor(1, 1), QColor(Qt::white));

  TSector* quad = e.CreateNode(nullptr, kPolygon);
  TSector* light = e.CreateNode(nullptr, kLight);
  e.SelectionList = {quad, light};
  QTest::mouseClick(tex_box, Qt::LeftButton, {}, QPoint(brick.left + 5, brick.top + 5));
  Click("LbSpeedButton7");
  EXPECT_EQ(quad->TextureIndex, 1);
  EXPECT_EQ(light->TextureIndex, 0);

  // Deleting releases the texture and selects the last entry.
  const uint32_t brick_name = e.Textures.Entry(1)->GLName;
  Click("LbSpeedButton2");
  EXPECT_EQ(uploader.released, std::vector<uint32_t>{brick_name});
  EXPECT_EQ(e.Textures.Count(), 1);
  EXPECT_EQ(Label("Label1"), "stone");
  Click("LbSpeedButton2");
  EXPECT_EQ(e.Textures.Count(), 0);
  EXPECT_EQ(uploader.Live(), 0u);
  EXPECT_EQ(Label("Label1"), "");
  EXPECT_EQ(Label("Label2"), "");
  const QImage empty = Grab("CurBox");
  EXPECT_EQ(empty.pixelColor(60, 54), QColor(Qt::white));
  Click("LbSpeedButton2");  // nothing left: nothing happens
  EXPECT_EQ(uploader.released.size(), 2u);
}

TEST_F(BrowserTest, CurBoxClickReplacesThePicture) {
  QWidget* cur_box = Find<QWidget>("CurBox");
  QTest::mouseClick(cur_box, Qt::LeftButton);  // empty library: no dialog
  EXPECT_TRUE(prompts.open_dialogs.empty());

  prompts.open_answers = {Bitmap("a.bmp", 8, 8, Solid(10, 200, 10))};
  Click("LbSpeedButton1");
  const int32_t id = e.Textures.Entry(0)->TexId;
  const uint32_t old_name = e.Textures.Entry(0)->GLName;
  prompts.open_answers = {Bitmap("tall.bmp", 4, 8, Solid(250, 250, 0))};
  QTest::mouseClick(cur_box, Qt::LeftButton);
  EXPECT_EQ(e.Textures.Entry(0)->TexId, id);
  EXPECT_EQ(uploader.released, std::vector<uint32_t>{old_name});
  EXPECT_EQ(Label("Label1"), "tall");
  EXPECT_EQ(Label("Label2"), "4 x 8");
  EXPECT_EQ(Grab("CurBox").pixelColor(59, 54), QColor(250, 250, 0));

  // A damaged file leaves the entry as it was.
  const auto bad = dir / "bad.bmp";
  test::WriteFileBytes(bad, {'B', 'M', 1, 2, 3});
  prompts.open_answers = {bad};
  QTest::mouseClick(cur_box, Qt::LeftButton);
  EXPECT_EQ(Label("Label1"), "tall");
  EXPECT_EQ(prompts.warnings.size(), 1u);
}

TEST_F(BrowserTest, ManyTexturesScroll) {
  for (int i = 0; i < 9; ++i) {
    prompts.open_answers = {Bitmap("t" + std::to_string(i) + ".bmp", 4, 4, Solid(0, 0, 0))};
    Click("LbSpeedButton1");
  }
  EXPECT_EQ(Find<QWidget>("TexBox")->height(), 5 * 89);
  EXPECT_EQ(e.Textures.CurrentTexture(), 8);
  browser->TexBoxMouseDown(10, 10 + 89 * 4 + 3);
  EXPECT_EQ(e.Textures.CurrentTexture(), 8);
  browser->TexBoxMouseDown(10, 10 + 89 * 2 + 3);
  EXPECT_EQ(e.Textures.CurrentTexture(), 4);
}

}  // namespace
}  // namespace qx

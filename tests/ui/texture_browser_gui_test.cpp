#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "support/test_support.h"
#include "textures/image_import.h"
#include "textures/test_bitmaps.h"
#include "textures/test_images.h"
#include "textures/texture_test_support.h"
#include "ui/browser_logic.h"
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
  EXPECT_EQ(prompts.open_dialogs.at(0).filter, kImageFilter);
  EXPECT_NE(prompts.open_dialogs.at(0).filter.find("|Bitmaps (*.bmp)|*.bmp"), std::string::npos);
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

TEST_F(BrowserTest, SearchNarrowsTheGridByNameIgnoringCase) {
  auto add = [&](const char* name, test::Rgb c) {
    e.Textures.Add(MakeTexNode(0, name, test::MakeBmp(8, 8, [&](int, int) { return c; })));
  };
  add("Stein", Solid(200, 0, 0));
  add("Holz", Solid(0, 200, 0));
  add("Steinwand", Solid(0, 0, 200));
  add("GR\xDCN", Solid(200, 200, 0));  // Windows-1252: GRÜN
  QLineEdit* search = Find<QLineEdit>("Suchen");
  EXPECT_EQ(search->placeholderText(), "Suchen");
  QWidget* tex_box = Find<QWidget>("TexBox");
  EXPECT_EQ(tex_box->minimumHeight(), 2 * 89);

  search->setFocus();
  QTest::keyClicks(search, "sTEIN");
  EXPECT_EQ(browser->Visible(), (std::vector<int>{0, 2}));
  QApplication::processEvents();
  EXPECT_EQ(tex_box->minimumHeight(), 89);
  const int w = tex_box->width();
  // Steinwand now sits in the second cell; a click there selects it.
  const BrowserRect second = ThumbnailRect(1, w, 8, 8);
  EXPECT_EQ(Grab("TexBox").pixelColor((second.left + second.right) / 2, second.top + 30), QColor(0, 0, 200));
  QTest::mouseClick(tex_box, Qt::LeftButton, {}, QPoint(second.left + 5, second.top + 5));
  EXPECT_EQ(e.Textures.CurrentTexture(), 2);
  EXPECT_EQ(Label("Label1"), "Steinwand");
  QTest::mouseClick(tex_box, Qt::LeftButton, {}, QPoint(10, 150));  // no third cell
  EXPECT_EQ(e.Textures.CurrentTexture(), 2);

  search->clear();
  QTest::keyClicks(search, "gr");
  // QTest types ASCII only: the umlaut comes as the key event a keyboard sends.
  QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Udiaeresis, Qt::NoModifier, QString::fromUtf8("ü"));
  QApplication::sendEvent(search, &umlaut);
  EXPECT_EQ(search->text(), QString::fromUtf8("grü"));
  EXPECT_EQ(browser->Visible(), (std::vector<int>{3}));
  const BrowserRect first = ThumbnailRect(0, w, 8, 8);
  EXPECT_EQ(Grab("TexBox").pixelColor((first.left + first.right) / 2, first.top + 30), QColor(200, 200, 0));
  QTest::keyClicks(search, "x");
  EXPECT_TRUE(browser->Visible().empty());
  QTest::mouseClick(tex_box, Qt::LeftButton, {}, QPoint(first.left + 5, first.top + 5));
  EXPECT_EQ(e.Textures.CurrentTexture(), 2) << "nothing is shown, nothing is hit";

  // The filter follows the library: an added match shows up.
  search->setText("holz");
  add("Holzboden", Solid(1, 2, 3));
  EXPECT_EQ(browser->Visible(), (std::vector<int>{1, 4}));
  search->clear();
  EXPECT_EQ(browser->Visible().size(), 5u);
}

TEST_F(BrowserTest, DroppedPictureFilesAreAdded) {
  const auto png = dir / "moos.png", tga = dir / "kies.tga", bad = dir / "kaputt.gif";
  test::WriteFileBytes(png, test::MakeRgbPng(8, 4, [](int, int) { return test::Rgb{10, 180, 20}; }));
  test::WriteFileBytes(tga, test::MakeTga(4, 4));
  test::WriteFileBytes(bad, {'G', 'I', 'F', '8', '9', 'a'});
  QWidget* tex_box = Find<QWidget>("TexBox");

  QMimeData web;
  web.setUrls({QUrl("https://example.invalid/x.png")});
  QDragEnterEvent refused(QPoint(20, 20), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tex_box, &refused);
  EXPECT_FALSE(refused.isAccepted()) << "only local files are taken";

  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(QString::fromStdString(png.string())),
                 QUrl::fromLocalFile(QString::fromStdString(bad.string())),
                 QUrl::fromLocalFile(QString::fromStdString(tga.string()))});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tex_box, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tex_box, &drop);
  EXPECT_TRUE(drop.isAccepted());

  ASSERT_EQ(e.Textures.Count(), 2);
  EXPECT_EQ(e.Textures.Entry(0)->TexName, "moos");
  EXPECT_EQ(e.Textures.Entry(1)->TexName, "kies");
  EXPECT_EQ(e.Textures.CurrentTexture(), 1);
  EXPECT_EQ(Label("Label1"), "kies");
  EXPECT_EQ(prompts.warnings,
            (std::vector<std::string>{"Diese Datei wurde nicht hinzugefügt:\nkaputt.gif: Ungültige Datei!"}));
  EXPECT_EQ(uploader.Live(), 2u);
  QApplication::processEvents();
  const BrowserRect moos = ThumbnailRect(0, tex_box->width(), 8, 4);
  EXPECT_EQ(Grab("TexBox").pixelColor((moos.left + moos.right) / 2, moos.top + 10), QColor(10, 180, 20));
}

}  // namespace
}  // namespace qx

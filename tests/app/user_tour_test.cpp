// A level built the way a new user builds one, through the window's own menu
// items, tool buttons, tree drags and texture page, from two rooms to the
// exported level file. With QX_SHOT_DIR set it leaves screenshots there.

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <cstdlib>

#include "app/gui_actions.h"
#include "app/main_window.h"
#include "commands/transform.h"
#include "lighting/level_reader.h"
#include "models/test_md2.h"
#include "render/viewport_panel.h"
#include "support/qt_app.h"
#include "support/test_support.h"
#include "textures/test_bitmaps.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

class UserTour : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApp();
    w = std::make_unique<TMain>(QString::fromStdString((dir / "Editor.conf").string()));
    w->resize(1180, 820);
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    e().prompts = &prompts;
  }
  void TearDown() override {
    e().prompts = nullptr;
    w.reset();
  }
  Editor& e() { return w->editor(); }
  void Do(const char* action) {
    QAction* a = w->Action(action);
    ASSERT_TRUE(a && a->isEnabled()) << action;
    a->trigger();
  }
  // Inserts with the camera looking at `at`, as if the user had flown there.
  void At(Vector at, const char* action) {
    e().CameraTarget = at;
    Do(action);
  }
  QRect Row(TSector* n) {
    w->Tree()->expandAll();
    return w->Tree()->visualRect(w->TreeModel()->IndexOf(n));
  }
  void ClickInTree(TSector* n) {
    QTest::mouseClick(w->Tree()->viewport(), Qt::LeftButton, {}, Row(n).center());
  }
  // A room: floor, three walls and a light, its sector selected at the end.
  // A new square stands upright facing +z; turning it makes the floor and the
  // side walls, each facing into the room, where the light is.
  TSector* Room(float x) {
    Do("leererSektor1");
    TSector* room = e().TreeSelection;
    Do("ToolButton11");  // "X Achse"
    At({x, 0, 0}, "Viereck1");
    Do("ToolButton18");
    Do("Polygonum180drehen1");
    At({x, 40, -40}, "Viereck1");
    Do("ToolButton12");  // "Y Achse"
    At({x - 40, 40, 0}, "Viereck1");
    Do("ToolButton18");
    At({x + 40, 40, 0}, "Viereck1");
    Do("Polygonum90drehen1");
    Do("Polygonum180drehen1");
    At({x, 40, 0}, "Lichtquelle1");
    ClickInTree(room);
    return room;
  }
  std::filesystem::path Bricks(const std::string& name, test::Rgb brick, test::Rgb mortar) {
    const auto path = dir / name;
    test::WriteFileBytes(path, test::MakeBmp(64, 64, [&](int x, int y) {
                           const int row = y / 16, shift = (row % 2) * 16;
                           return (y % 16 == 0 || (x + shift) % 32 == 0) ? mortar : brick;
                         }));
    return path;
  }
  void Shot(const char* name) { test::SaveShot(w.get(), name); }

  test::TempDir dir;
  test::FakePrompts prompts;
  std::unique_ptr<TMain> w;
};

TEST_F(UserTour, TwoRoomsToTheExportedLevel) {
  // Two rooms; a portal in the first leads into the second once the second
  // sector is dropped on it in the tree.
  TSector* a = Room(0);
  a->Name = "Halle";
  e().Tree.NotifyChanged(a);
  At({0, 40, -40}, "Portal1");
  TSector* portal = e().TreeSelection;
  ASSERT_EQ(portal->NodeType, kPortal);
  TSector* b = Room(200);
  b->Name = "Keller";
  e().Tree.NotifyChanged(b);
  ClickInTree(b);
  test::DragWithMouse(w->Tree()->viewport(), Row(b).center(), Row(portal).center());
  EXPECT_EQ(portal->LinkedSector, b);
  EXPECT_EQ(portal->Name, "Keller");

  // Copy the first room and paste it: the copy lands next to the second room.
  ClickInTree(a);
  Do("Kopieren1");
  ClickInTree(b);
  Do("Einfgen1");
  ASSERT_EQ(e().Tree.TopLevel().size(), 2u);
  TSector* pasted = b->Children.back().get();
  EXPECT_EQ(pasted->Name, "Halle");
  EXPECT_EQ(pasted->Children.size(), a->Children.size());
  // The copy lies where the original lies; it goes back by 200 along Z.
  ClickInTree(pasted);
  Do("ToolButton13");
  MoveSubtree(pasted, AxisLock::kZ, -200);
  e().ChangedSubtree(pasted, kChangeGeometry);
  e().Redraw();

  // Two textures from bitmap files, then a third from the model's skin.
  auto* pages = w->findChild<QTabWidget*>("PageControl1");
  pages->setCurrentIndex(1);
  auto* page = w->TexturePage();
  prompts.open_answers = {Bricks("ziegel.bmp", {170, 70, 50}, {200, 200, 190}),
                          Bricks("stein.bmp", {90, 100, 120}, {40, 40, 40})};
  QTest::mouseClick(page->findChild<QPushButton*>("LbSpeedButton1"), Qt::LeftButton);
  QTest::mouseClick(page->findChild<QPushButton*>("LbSpeedButton1"), Qt::LeftButton);
  ASSERT_EQ(e().Textures.Count(), 2);

  // Assign: every polygon of a room, then "Zuweisen" with the chosen texture.
  QWidget* tex_box = page->findChild<QWidget*>("TexBox");
  ClickInTree(a);
  Do("AlleuntergeordnetenPolygonemarkieren1");
  QTest::mouseClick(tex_box, Qt::LeftButton, {}, QPoint(20, 20));  // the first thumbnail
  QTest::mouseClick(page->findChild<QPushButton*>("LbSpeedButton7"), Qt::LeftButton);
  ClickInTree(b);
  Do("AlleuntergeordnetenPolygonemarkieren1");
  QTest::mouseClick(tex_box, Qt::LeftButton, {}, QPoint(tex_box->width() - 20, 20));
  QTest::mouseClick(page->findChild<QPushButton*>("LbSpeedButton7"), Qt::LeftButton);
  EXPECT_EQ(a->Children[0]->TextureIndex, 0);
  EXPECT_EQ(b->Children[0]->TextureIndex, 1);
  pages->setCurrentIndex(0);

  // A model from an MD2 file, and a skin picture as its texture.
  const std::filesystem::path md2 = dir / "ship.md2";
  test::WriteFileBytes(md2, test::MakeMd2(test::SampleMd2()));
  ClickInTree(a);
  prompts.open_answers = {md2};
  Do("Model1");
  TSector* model = e().TreeSelection;
  ASSERT_EQ(model->NodeType, kModel);
  EXPECT_EQ(model->Parent, a);
  EXPECT_GT(model->TriangleCount, 0);
  const std::filesystem::path skin = dir / "skin.bmp";
  test::WriteFileBytes(skin, test::MakeBmp(32, 32));
  pages->setCurrentIndex(1);
  prompts.open_answers = {skin};
  QTest::mouseClick(page->findChild<QPushButton*>("LbSpeedButton1"), Qt::LeftButton);
  ClickInTree(model);
  QTest::mouseClick(page->findChild<QPushButton*>("LbSpeedButton7"), Qt::LeftButton);
  EXPECT_EQ(model->TextureIndex, 2);
  pages->setCurrentIndex(0);
  // The generated model is a large box that would hide the lit floors below.
  e().Tree.Remove(model);

  // Bake 16 x 16 lightmaps and look at the lit level.
  test::AnswerLightmapSize16();
  Do("ToolButton9");
  ASSERT_FALSE(e().LightmapList.empty());
  EXPECT_EQ(e().LightmapList[0].width, 16);
  EXPECT_EQ(e().LightmapList[0].height, 16);
  // From outside the rooms, with every side of the walls drawn, without markers, portals and normals.
  Do("CullFace1");
  Do("ToolButton27");
  Do("ToolButton20");
  Do("Normaleeinblenden1");
  ClickInTree(a);
  e().CameraPosition = {100, 160, 235};
  e().CameraHeading = 180;
  e().CameraPitch = -32;
  e().Redraw();
  if (w->Viewport()->GLReady()) {
    EXPECT_NE(a->Children[0]->Triangles[0].LightmapTexture, 0u);
    const QImage frame = w->Viewport()->grabFramebuffer();
    // The lit floors are neither the background grey nor black.
    int lit = 0;
    for (int y = frame.height() / 2; y < frame.height(); y += 4)
      for (int x = 0; x < frame.width(); x += 4) {
        const QColor c = frame.pixelColor(x, y);
        lit += c.red() > 140 && c.red() != c.blue();
      }
    EXPECT_GT(lit, 100);
  }
  Shot("lit_level.png");
  pages->setCurrentIndex(1);
  Shot("texture_browser.png");
  pages->setCurrentIndex(0);

  // Export the level with lightmaps baked once more.
  prompts.save_answers = {dir / "tour"};
  prompts.confirm_answers = {true};
  test::AnswerLightmapSize16();
  Do("ToolButton8");
  LevelFile level;
  std::string error;
  ASSERT_TRUE(ReadLevelFile(test::ReadFileBytes(dir / "tour.map"), level, error)) << error;
  EXPECT_EQ(level.lightmaps.size(), e().LightmapList.size());

  // The first room as a sector file, imported twice.
  ClickInTree(a);
  prompts.save_answers = {dir / "halle"};
  Do("Speichernunter2");
  ASSERT_TRUE(std::filesystem::exists(dir / "halle.sec"));
  prompts.open_answers = {dir / "halle.sec", dir / "halle.sec"};
  Do("SektorausDatei1");
  Do("SektorausDatei1");
  ASSERT_EQ(e().Tree.TopLevel().size(), 4u);
  TSector* first = e().Tree.TopLevel()[2].get();
  TSector* second = e().Tree.TopLevel()[3].get();
  EXPECT_EQ(first->Children.size(), a->Children.size());
  EXPECT_NE(first->Id, second->Id);
  EXPECT_GT(second->Id, first->Id);
  EXPECT_TRUE(prompts.warnings.empty()) << prompts.warnings.front();
}

}  // namespace
}  // namespace qx

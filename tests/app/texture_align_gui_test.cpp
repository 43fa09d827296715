// A room of brick walls, aligned through the menu; one wall, built too low,
// is lifted into place with "Textur fixieren" checked, and aligned again
// through the tree's context menu: the bricks run on across the corners
// (without the lock they would sit a third of a repeat off). With
// QX_SHOT_DIR set the README's picture is left there.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeView>
#include <cmath>

#include "app/gui_actions.h"
#include "app/main_window.h"
#include "commands/texture_align.h"
#include "render/viewport_panel.h"
#include "scene/polygon_data.h"
#include "support/qt_app.h"
#include "support/scene_samples.h"
#include "support/test_support.h"
#include "textures/test_bitmaps.h"
#include "tools/camera.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

bool SameRepeat(float a, float b) {
  const double d = double(a) - b;
  return std::fabs(d - std::round(d)) <= 1e-4;
}

class TextureAlignWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApp();
    w = std::make_unique<TMain>(QString::fromStdString((dir / "Editor.conf").string()));
    w->resize(1180, 820);
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    if (!w->Viewport()->GLReady()) GTEST_SKIP() << "no OpenGL context";
  }
  Editor& e() { return w->editor(); }
  void ClickInTree(TSector* n, Qt::MouseButton b = Qt::LeftButton) {
    w->Tree()->expandAll();
    const QRect r = w->Tree()->visualRect(w->TreeModel()->IndexOf(n));
    QTest::mouseClick(w->Tree()->viewport(), b, {}, r.center());
  }

  test::TempDir dir;
  std::unique_ptr<TMain> w;
};

TEST_F(TextureAlignWindow, ALiftedWallKeepsItsBricksOnTheWorldAndMeetsItsNeighbours) {
  // Bricks: 4 rows of 2 to the repeat, the rows shifted by half a brick.
  e().Textures.Add(MakeTexNode(
      e().Textures.NewTextureId(), "ziegel", test::MakeBmp(64, 64, [](int x, int y) {
        const int shift = (y / 16 % 2) * 16;
        return (y % 16 == 0 || (x + shift) % 32 == 0) ? test::Rgb{215, 210, 195} : test::Rgb{165, 70, 45};
      })));
  // 160 x 140, off the repeat of 60; walls face inwards, the right one (x = 100) stands 20 too low.
  TSector* room = test::AddSector(e(), nullptr, "Raum");
  std::vector<TSector*> quads = {
      test::AddQuadAt(e(), room, {100, 0, -100}, {-60, 0, -100}, {100, 0, 40}, {-60, 0, 40}),
      test::AddWall(e(), room, -60, -100, 100, -100, 0, 100),
      test::AddWall(e(), room, 100, -100, 100, 40, -20, 80),
      test::AddWall(e(), room, 100, 40, -60, 40, 0, 100),
      test::AddWall(e(), room, -60, 40, -60, -100, 0, 100)};
  for (TSector* q : quads) {
    q->LightingMode = 2;  // "keine": the bricks as they are, no bake needed
    UpdatePolygonData(q);
  }
  TSector* back = quads[1];
  TSector* right = quads[2];
  w->Action("CullFace1")->trigger();  // both sides drawn, whichever way a wall was built
  e().CameraPosition = {10, 45, -10};
  e().CameraHeading = 132;
  e().CameraPitch = 0;
  ApplyCameraView(e());
  e().Redraw();

  // "Bearbeiten" -> "Textur ausrichten" on the room.
  ClickInTree(room);
  w->Action("Texturausrichten1")->trigger();
  ASSERT_TRUE(ReadTextureProjection(*right));

  // "Textur fixieren", clicked; kept in the settings.
  auto* lock = w->findChild<QCheckBox*>("TexturFixieren");
  ASSERT_NE(lock, nullptr);
  QTest::mouseClick(lock, Qt::LeftButton, {}, QPoint(8, lock->height() / 2));
  EXPECT_TRUE(e().TextureLock);

  // The right wall lifted by one grid step on the Y axis with a drag in the viewport.
  ClickInTree(right);
  ASSERT_EQ(e().SelectionList, std::vector<TSector*>{right});
  w->Action("ToolButton12")->trigger();  // "Y Achse"
  QWidget* vp = w->Viewport();
  const QPoint at(40, vp->height() - 40);
  QTest::mouseMove(vp, at);
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  QTest::mouseMove(vp, at + QPoint(40, 0));  // |30 / 40| < 1: one step at once
  QTest::qWait(250);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at + QPoint(40, 0));
  ASSERT_EQ(right->Vertices[2].Position.y, 0);
  ASSERT_EQ(right->Vertices[0].Position.y, 100);

  // The tree's context menu: "Textur ausrichten" on the room again.
  ClickInTree(room);
  w->Action("Texturausrichten2")->trigger();
  EXPECT_EQ(e().History.UndoName(), kAlignTexturesCommand);

  // The back wall ends (corners 0, 2) where the right wall starts (1, 3).
  for (auto [mine, theirs] : {std::pair{0, 1}, std::pair{2, 3}})
    for (int k = 0; k < 2; ++k)
      EXPECT_TRUE(SameRepeat(back->Vertices[mine].TexCoord[k], right->Vertices[theirs].TexCoord[k]))
          << "corner " << mine << " coordinate " << k;
  QTest::qWait(50);
  test::SaveShot(w->Viewport(), "texture_align.png");

  // The panel shows the back wall's projection; "Skalieren U" typed, Enter: one undo step.
  ClickInTree(back);
  auto* scale_u = w->findChild<QLineEdit*>(kTextureFieldNames[size_t(TextureField::kScaleU)]);
  ASSERT_NE(scale_u, nullptr);
  EXPECT_EQ(scale_u->text(), "60");
  EXPECT_EQ(w->findChild<QLineEdit*>("TexOffsetV")->text(), "0");  // whole repeats read as none
  const size_t steps = e().History.UndoCount();
  scale_u->setFocus();
  scale_u->selectAll();
  QTest::keyClicks(scale_u, "30");
  QTest::keyClick(scale_u, Qt::Key_Return);
  EXPECT_EQ(e().History.UndoCount(), steps + 1);
  ASSERT_TRUE(ReadTextureProjection(*back));
  EXPECT_FLOAT_EQ(ReadTextureProjection(*back)->ScaleU, 30);
  EXPECT_EQ(scale_u->text(), "30");
}

}  // namespace
}  // namespace qx

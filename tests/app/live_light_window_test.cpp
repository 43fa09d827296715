// "Licht live" in the window: a light dragged with the mouse lights the floor
// anew while it moves, and after the release the picture is a whole bake's.

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QTest>
#include <cmath>

#include "app/main_window.h"
#include "render/viewport_panel.h"
#include "session/live_light.h"
#include "support/qt_app.h"
#include "support/scene_generator.h"
#include "support/test_support.h"
#include "support/viewport_projection.h"
#include "tools/camera.h"

namespace qx {
namespace {

class LiveLightWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApp();
    w = std::make_unique<TMain>(QString::fromStdString((dir / "Editor.conf").string()));
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    vp = w->Viewport();
    if (!vp->GLReady()) GTEST_SKIP() << "no OpenGL context";
  }

  QPoint Project(const Vector& p) { return test::ProjectToViewport(w->editor(), *vp, p); }

  QImage Frame() {
    w->editor().Redraw();
    return vp->grabFramebuffer();
  }

  bool WaitCurrent() {
    return QTest::qWaitFor([&] { return w->LiveLighting()->CurrentState() == LiveLight::State::kCurrent; },
                           20000);
  }

  test::TempDir dir;
  std::unique_ptr<TMain> w;
  ViewportPanel* vp = nullptr;
};

TEST_F(LiveLightWindowTest, ADraggedLightRelightsTheFloorAsAWholeBakeWould) {
  Editor& e = w->editor();
  TSector* room = e.CreateNode(nullptr, kSector);
  room->Id = e.NextId();
  room->Visible = 1;
  // A floor of tiles facing up, a pillar casting a shadow, a light with shadow.
  for (int i = -2; i <= 2; ++i)
    for (int j = -2; j <= 2; ++j) test::AddQuad(e, room, {i * 30.0f, 0, j * 30.0f}, {0, 0, 15}, {15, 0, 0});
  test::AddQuad(e, room, {0, 15, 10}, {0, 15, 0}, {8, 0, 0});
  TSector* light = test::AddLight(e, room, {-20, 30, -10}, 0, 1, {255, 220, 200}, 20, 20);
  e.ChangedSubtree(room, kChangeGeometry | kChangeAppearance);
  e.CameraPosition = {0, 120, 90};
  e.CameraHeading = 180;
  e.CameraPitch = -50;
  ApplyCameraView(e);
  ASSERT_EQ(w->BakeWhole({8, 8}), BakeStatus::kDone);
  EXPECT_EQ(w->findChild<QLabel*>("LichtStatus")->text(), "Licht aktuell");

  // Select the light, then drag it along x with the mouse.
  const QPoint at = Project(light->Position);
  QTest::mouseMove(vp, at);
  QTest::mouseClick(vp, Qt::LeftButton, {}, at);
  ASSERT_EQ(e.SelectionList, std::vector<TSector*>{light});
  const QImage before = Frame();
  const std::vector<Lightmap> lit = e.LightmapList;
  w->Action("ToolButton15")->trigger();
  w->Action("ToolButton11")->trigger();  // along X
  const Vector start = light->Position;
  const uint64_t applied = w->LiveLightApplied();
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  for (int i = 1; i <= 3; ++i) QTest::mouseMove(vp, at + QPoint(30 * i, 0));
  ASSERT_NE(light->Position.x, start.x);
  // The lighting catches up while the button is still down.
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->LiveLightApplied() > applied; }, 20000));
  ASSERT_TRUE(WaitCurrent());
  const QImage during = Frame();
  EXPECT_FALSE(during == before) << "the floor shows the moved light";
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at + QPoint(90, 0));
  ASSERT_TRUE(WaitCurrent());
  const QImage live = Frame();

  // A whole bake of the scene as it is now gives the same picture.
  ASSERT_EQ(w->BakeWhole({8, 8}), BakeStatus::kDone);
  EXPECT_TRUE(live == Frame());
  // Undo takes the move back, and its lighting with it (the panel that
  // opened meanwhile changed the picture's size: the bytes are compared).
  w->Action("Rckgngig1")->trigger();
  ASSERT_TRUE(WaitCurrent());
  EXPECT_EQ(light->Position.x, start.x);
  ASSERT_EQ(e.LightmapList.size(), lit.size());
  for (size_t k = 0; k < lit.size(); ++k) EXPECT_EQ(e.LightmapList[k].rgb, lit[k].rgb) << k;
}

}  // namespace
}  // namespace qx

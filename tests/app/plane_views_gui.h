#pragma once
// The main window with "Vier Ansichten" on, and what a user does in its 2D
// views with the mouse: clicks, drags, the wheel, the context menu.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QWheelEvent>
#include <cmath>

#include "app/gui_actions.h"
#include "app/main_window.h"
#include "render/plane_view_widget.h"
#include "render/viewport_panel.h"
#include "support/qt_app.h"
#include "support/test_support.h"
#include "tools/camera.h"

namespace qx::test {

class PlaneViewsWindow : public ::testing::Test {
 protected:
  void SetUp() override { Start(); }

  void Start() {
    EnsureApp();
    w = std::make_unique<TMain>(QString::fromStdString((dir / "Editor.conf").string()));
    w->editor().prompts = &prompts;
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    if (!w->Viewport()->GLReady() || !w->PlaneViewOf(PlaneKind::kTop)) GTEST_SKIP() << "no OpenGL context";
    if (!w->Action("VierAnsichten1")->isChecked()) Do("VierAnsichten1");
    for (PlaneKind k : {PlaneKind::kTop, PlaneKind::kFront, PlaneKind::kSide})
      ASSERT_TRUE(QTest::qWaitForWindowExposed(View(k)));
    QTest::qWait(50);
    ApplyCameraView(e());
  }

  Editor& e() { return w->editor(); }
  void Do(const char* action) { w->Action(action)->trigger(); }
  PlaneViewWidget* View(PlaneKind k) { return w->PlaneViewOf(k); }
  // The pixel a world point falls in.
  QPoint Px(PlaneKind k, const Vector& p, int dx = 0, int dy = 0) {
    const PixelPoint px = View(k)->View().ToPixel(p);
    return QPoint(int(std::floor(px.x)) + dx, int(std::floor(px.y)) + dy);
  }
  // Whether a pixel within `radius` of `at` passes `test`.
  template <typename Test>
  static bool Near(const QImage& frame, QPoint at, int radius, Test test) {
    const qreal ratio = frame.devicePixelRatio();
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx) {
        const QPoint p = (at + QPoint(dx, dy)) * ratio;
        if (frame.rect().contains(p) && test(frame.pixelColor(p))) return true;
      }
    return false;
  }

  void Click(PlaneKind k, QPoint at, Qt::KeyboardModifiers m = {}) {
    QTest::mouseMove(View(k), at);
    QTest::mouseClick(View(k), Qt::LeftButton, m, at);
  }
  void Click(PlaneKind k, const Vector& at, Qt::KeyboardModifiers m = {}) { Click(k, Px(k, at), m); }
  // A drag in steps, as a hand moves the mouse.
  void Drag(PlaneKind k, QPoint from, QPoint to, Qt::KeyboardModifiers m = {},
            Qt::MouseButton b = Qt::LeftButton) {
    QWidget* v = View(k);
    QTest::mouseMove(v, from);
    QTest::mousePress(v, b, m, from);
    for (int i = 1; i <= 6; ++i) QTest::mouseMove(v, from + (to - from) * i / 6);
    QTest::mouseRelease(v, b, m, to);
    QTest::qWait(10);  // the window records the step after the release
  }
  void Drag(PlaneKind k, const Vector& from, const Vector& to, Qt::KeyboardModifiers m = {}) {
    Drag(k, Px(k, from), Px(k, to), m);
  }
  void Wheel(PlaneKind k, QPoint at, int delta) {
    QWidget* v = View(k);
    QWheelEvent event(QPointF(at), QPointF(v->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(v, &event);
  }
  // A right click at `at`, then the context menu's item `item`.
  void Insert(PlaneKind k, const Vector& at, const char* item) {
    const QPoint p = Px(k, at);
    QTest::mouseMove(View(k), p);
    QTest::mouseClick(View(k), Qt::RightButton, {}, p);
    QMenu* menu = w->findChild<QMenu*>("PlaneMenu");
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000));
    QAction* a = w->Action(item);
    ASSERT_NE(a, nullptr) << item;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }, 2000));
    QTest::qWait(10);
  }
  void Shot(const char* name) { SaveShot(w.get(), name); }

  TempDir dir;
  FakePrompts prompts;
  std::unique_ptr<TMain> w;
};

}  // namespace qx::test

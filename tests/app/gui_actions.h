#pragma once
// What a user does in the GUI tests that QTest has no single call for: acting
// on a modal dialog (the code that opens it blocks, so the action is scheduled
// before and runs from the dialog's own event loop) and dragging with the mouse.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "cli/demo_level.h"
#include "document/map_document_io.h"
#include "lighting/lightmap.h"
#include "textures/texture_library_file.h"

namespace qx::test {

// Calls `act` with the first active modal widget named `name`, polling every
// 10 ms for at most `timeout_ms`.
inline void WhenModal(const QString& name, std::function<void(QWidget*)> act, int timeout_ms = 20000) {
  auto* timer = new QTimer;
  auto waited = std::make_shared<int>(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, name, act = std::move(act), waited, timeout_ms] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->objectName() == name) {
      timer->stop();
      timer->deleteLater();
      act(modal);
      return;
    }
    if ((*waited += 10) > timeout_ms) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

// Answers the lightmap-size dialog of the next bake with 16 x 16: one step up on each spinner, then Ok.
inline void AnswerLightmapSize16() {
  WhenModal("MapExportForm", [](QWidget* d) {
    QTest::mouseClick(d->findChild<QToolButton*>("UpDown1Up"), Qt::LeftButton);
    QTest::mouseClick(d->findChild<QToolButton*>("UpDown2Up"), Qt::LeftButton);
    QTest::mouseClick(d->findChild<QPushButton*>("LbSpeedButton1"), Qt::LeftButton);
  });
}

// A left-button drag in `w` from `start` to `end`. QDrag runs its own event
// loop, so the rest of the gesture is sent from inside it.
inline void DragWithMouse(QWidget* w, QPoint start, QPoint end) {
  QTest::mousePress(w, Qt::LeftButton, {}, start);
  QTimer::singleShot(50, [w, end] {
    QTest::mouseMove(w, end);
    QTimer::singleShot(50, [w, end] {
      QTest::mouseMove(w, end + QPoint(1, 0));
      QTest::mouseRelease(w, Qt::LeftButton, {}, end + QPoint(1, 0));
    });
  });
  for (int i = 1; i <= 5; ++i) QTest::mouseMove(w, start + QPoint(0, i * 4), 5);
  QTest::qWait(200);
}

// With QX_SHOT_DIR set, saves a picture of `w` there as `name` (the README's screenshots).
inline void SaveShot(QWidget* w, const char* name) {
  const char* shots = std::getenv("QX_SHOT_DIR");
  if (!shots || !*shots) return;
  QTest::qWait(100);
  w->grab().save(QString::fromStdString((std::filesystem::path(shots) / name).string()));
}

// The demo level as `quarvex-cli demo` writes it, baked: dir/demo.tex and dir/demo.qxm.
inline void WriteDemoFiles(const std::filesystem::path& dir) {
  Editor demo;
  BuildDemoScene(demo);
  demo.Textures.ReplaceAll(DemoTextures());
  ASSERT_EQ(ComputeLightmaps(demo, LightmapSize{}), BakeStatus::kDone);
  std::string error;
  ASSERT_TRUE(SaveMapDocument(demo, dir / "demo.qxm", &error)) << error;
  ASSERT_TRUE(SaveTextureLibrary(demo.Textures, dir / "demo.tex", error)) << error;
}

}  // namespace qx::test

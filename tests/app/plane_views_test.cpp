// The plan and elevation views in the main window, with real mouse events:
// the layout and its settings, what a frame shows, clicks, the rubber band,
// drags, the wheel, panning, the camera marker and the context menu.

#include <QLabel>
#include <QSettings>
#include <QSplitter>

#include "app/plane_views_gui.h"
#include "commands/insert.h"
#include "commands/selection.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

using test::PlaneViewsWindow;
constexpr PlaneKind kTop = PlaneKind::kTop, kFront = PlaneKind::kFront, kSide = PlaneKind::kSide;

TEST(PlaneViewsLayout, OffAtFirstStartThenKeptWithItsSplitters) {
  test::EnsureApp();
  test::TempDir dir;
  const QString conf = QString::fromStdString((dir / "Editor.conf").string());
  auto start = [&] {
    auto w = std::make_unique<TMain>(conf);
    w->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return w;
  };
  auto w = start();
  if (!w->PlaneViewOf(kTop)) GTEST_SKIP() << "no OpenGL";
  // A first start looks as ever: the 3D view fills the area.
  QAction* four = w->Action("VierAnsichten1");
  ASSERT_NE(four, nullptr);
  EXPECT_TRUE(four->isCheckable());
  EXPECT_FALSE(four->isChecked());
  EXPECT_EQ(four->text(), "Vier Ansichten");
  for (PlaneKind k : {kTop, kFront, kSide}) EXPECT_FALSE(w->PlaneViewOf(k)->isVisible());
  QWidget* back = w->findChild<QWidget*>("ViewportBack");
  EXPECT_EQ(w->Viewport()->size(), back->size());

  four->trigger();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w->PlaneViewOf(kSide)));
  QTest::qWait(20);
  // Oben above Vorne, Seite right of Vorne, the 3D view right of Oben.
  auto at = [&](QWidget* v) { return v->mapTo(back, QPoint(0, 0)); };
  QWidget *top = w->PlaneViewOf(kTop), *front = w->PlaneViewOf(kFront), *side = w->PlaneViewOf(kSide);
  EXPECT_EQ(at(top), QPoint(0, 0));
  EXPECT_EQ(at(front).x(), 0);
  EXPECT_GT(at(front).y(), top->height() - 1);
  EXPECT_EQ(at(side).y(), at(front).y());
  EXPECT_EQ(at(w->Viewport()).y(), 0);
  EXPECT_EQ(at(w->Viewport()).x(), at(side).x());
  EXPECT_NEAR(top->width(), w->Viewport()->width(), 4);

  // Moving the column splitter moves both rows; the split is kept at close.
  auto* columns = w->findChild<QSplitter*>("SplitterTop");
  auto* bottom = w->findChild<QSplitter*>("SplitterBottom");
  auto* rows = w->findChild<QSplitter*>("SplitterRows");
  QWidget* handle = columns->handle(1);
  const QPoint grip = handle->rect().center();
  QTest::mousePress(handle, Qt::LeftButton, {}, grip);
  QTest::mouseMove(handle, grip + QPoint(-120, 0));
  QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(-120, 0));
  EXPECT_NEAR(columns->sizes()[0], bottom->sizes()[0], 1);
  const QList<int> kept = columns->sizes();
  EXPECT_LT(kept[0], kept[1]);
  rows->setSizes({300, 500});
  emit rows->splitterMoved(300, 1);
  w->close();
  {
    QSettings s(conf, QSettings::IniFormat);
    EXPECT_EQ(s.value("QVX3/QVX3_GUI_FOURVIEWS").toString(), "1");
    EXPECT_EQ(s.value("QVX3/QVX3_GUI_FOURVIEWS_COLUMNS").toString(),
              QString("%1,%2").arg(kept[0]).arg(kept[1]));
  }
  w.reset();

  // The next start comes back with four views and the same proportions.
  w = start();
  EXPECT_TRUE(w->Action("VierAnsichten1")->isChecked());
  EXPECT_TRUE(QTest::qWaitForWindowExposed(w->PlaneViewOf(kFront)));
  QTest::qWait(20);
  columns = w->findChild<QSplitter*>("SplitterTop");
  EXPECT_NEAR(double(columns->sizes()[0]) / columns->sizes()[1], double(kept[0]) / kept[1], 0.02);
  rows = w->findChild<QSplitter*>("SplitterRows");
  EXPECT_NEAR(double(rows->sizes()[0]) / rows->sizes()[1], 0.6, 0.02);
  // Switched off, the 3D view has the area to itself again, and that is kept too.
  w->Action("VierAnsichten1")->trigger();
  EXPECT_FALSE(w->PlaneViewOf(kTop)->isVisible());
  EXPECT_FALSE(w->PlaneViewOf(kSide)->isVisible());
  w->close();
  QSettings s(conf, QSettings::IniFormat);
  EXPECT_EQ(s.value("QVX3/QVX3_GUI_FOURVIEWS").toString(), "0");
}

TEST_F(PlaneViewsWindow, AFrameShowsGridOutlinesSymbolsAndTheSelection) {
  Do("leererSektor1");
  TSector* room = e().TreeSelection;
  TSector* quad = InsertSquare(e(), {0, 0, 0});  // (-40..40, -40..40) at z = 0
  TSector* light = InsertLight(e(), {100, 0, 0});
  light->Color[0] = 255;
  light->Color[1] = 0;
  light->Color[2] = 0;
  InsertActor(e(), {-100, 40, 0});
  InsertCheckpoint(e(), {-100, -40, 0});
  InsertParticleSystem(e(), {100, 80, 0});
  w->SetTreeSelection(quad);
  TreeClick(e());
  ASSERT_EQ(room->Children.size(), 5u);
  PlaneViewWidget* front = View(kFront);
  front->update();
  QTest::qWait(50);
  Shot("plane_front.png");
  const QImage frame = front->grabFramebuffer();
  auto pixel = [&](const Vector& p, int dx = 0, int dy = 0) {
    const QPoint at = Px(kFront, p, dx, dy) * frame.devicePixelRatio();
    return frame.pixelColor(at);
  };
  // The background, a grid line every 20 units (at x = 20), the world axis x = 0 stronger still.
  const QColor background = pixel({10, 150, 0});
  EXPECT_EQ(background.red(), 107);
  const QColor grid = pixel({20, 150, 0});
  const QColor axis = pixel({0, 150, 0});
  EXPECT_GT(grid.red(), background.red());
  EXPECT_GT(axis.red(), grid.red());
  // The selected square's outline is green; the unselected frame would be white.
  const QColor edge = pixel({10, 40, 0});
  EXPECT_GT(edge.green(), 200);
  EXPECT_LT(edge.red(), 60);
  // The red light's ring 4 pixels from its centre; the actor's green ring.
  auto red = [](const QColor& c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; };
  auto green = [](const QColor& c) { return c.green() > 200 && c.red() < 60 && c.blue() < 60; };
  EXPECT_TRUE(Near(frame, Px(kFront, light->Position, 4, 0), 1, red));
  EXPECT_TRUE(Near(frame, Px(kFront, {-100, 40, 0}, 5, 0), 1, green));
  // Deselected, the square is drawn in white.
  ClearSelection(e());
  e().Redraw();
  QTest::qWait(50);
  const QImage plain = front->grabFramebuffer();
  const QColor white = plain.pixelColor(Px(kFront, {10, 40, 0}) * plain.devicePixelRatio());
  EXPECT_GT(white.red(), 230);
  EXPECT_GT(white.blue(), 230);
  // From above the square is a line at z = 0, drawn whichever way it faces, and the camera marker sits at (0,
  // 80, 70).
  const QImage above = View(kTop)->grabFramebuffer();
  const QColor line = above.pixelColor(Px(kTop, {10, 0, 0}) * above.devicePixelRatio());
  EXPECT_GT(line.red(), 230);
  EXPECT_TRUE(Near(above, Px(kTop, e().CameraPosition, 6, 0), 1,
                   [](const QColor& c) { return c.red() > 200 && c.green() > 180 && c.blue() < 120; }));
  Shot("four_views_square.png");
}

}  // namespace
}  // namespace qx

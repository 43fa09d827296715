// The kept picture of the 2D views' still outlines: a drag step with real
// mouse events copies it back and draws only what moves, and its frames
// have exactly the pixels of frames drawn in full, in every view, during
// the drag, after the release and after an undo.

#include <QTreeView>

#include "app/plane_views_gui.h"
#include "cli/demo_level.h"
#include "commands/selection_bounds.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

constexpr PlaneKind kKinds[3] = {PlaneKind::kTop, PlaneKind::kFront, PlaneKind::kSide};

class PlaneKeptPicture : public test::PlaneViewsWindow {
 protected:
  // A frame of the view as the window draws it, and whether it reused the picture.
  QImage Frame(PlaneKind k, bool* reused = nullptr) {
    const QImage frame = View(k)->grabFramebuffer();
    if (reused) *reused = View(k)->LastFrameReusedPicture();
    return frame;
  }
  // The same frame drawn in full.
  QImage FullFrame(PlaneKind k) {
    View(k)->SetKeepPicture(false);
    const QImage frame = View(k)->grabFramebuffer();
    EXPECT_FALSE(View(k)->LastFrameReusedPicture());
    View(k)->SetKeepPicture(true);
    return frame;
  }
  // Every view: a frame from the picture equals the full one. `must_reuse`:
  // the frame has to come from the picture (the view had one to keep).
  void ExpectKeptEqualsFull(const char* when, bool must_reuse) {
    for (PlaneKind k : kKinds) {
      Frame(k);  // a frame after the last change keeps its still part
      bool reused = false;
      const QImage kept = Frame(k, &reused);
      if (must_reuse) {
        EXPECT_TRUE(reused) << when << " " << PlaneName(k);
      }
      const QImage full = FullFrame(k);
      EXPECT_TRUE(kept == full) << when << " " << PlaneName(k);
    }
  }
};

TEST_F(PlaneKeptPicture, DragFramesFromThePictureHaveThePixelsOfFullFrames) {
  test::WriteDemoFiles(dir.path());
  w->OpenTextureLibraryFile(dir / "demo.tex");
  w->OpenDocumentFile(dir / "demo.qxm");
  ASSERT_GE(e().Tree.TopLevel().size(), 2u);
  // Every polygon of the first hall, chosen as a user does: its row, then the menu.
  TSector* hall = e().Tree.TopLevel()[0].get();
  w->Tree()->collapseAll();
  const QRect row = w->Tree()->visualRect(w->TreeModel()->IndexOf(hall));
  QTest::mouseClick(w->Tree()->viewport(), Qt::LeftButton, {}, row.center());
  Do("AlleuntergeordnetenPolygonemarkieren1");
  ASSERT_GT(e().SelectionList.size(), 4u);
  Do("Auswahlzeigen1");
  QTest::qWait(20);
  ExpectKeptEqualsFull("still", true);

  // Pressed on the selection's middle in "Oben", moved a grid step at a time.
  const Box box = SelectionBox(e());
  const PlaneView& top = View(PlaneKind::kTop)->View();
  const PixelPoint middle = top.ToPixel(box.Center());
  const PixelPoint next = top.ToPixel(VectorAdd(box.Center(), VectorSet(e().GridSize, 0, 0)));
  const int step = std::max(4, int(std::ceil(std::fabs(next.x - middle.x))));
  const QPoint at(int(middle.x), int(middle.y));
  const QImage before = Frame(PlaneKind::kTop);
  const Vector corner = e().SelectionList.front()->Vertices[0].Position;
  QWidget* v = View(PlaneKind::kTop);
  QTest::mouseMove(v, at);
  QTest::mousePress(v, Qt::LeftButton, {}, at);
  for (int i = 1; i <= 3; ++i) QTest::mouseMove(v, at + QPoint(step * i, step * i / 2));
  ASSERT_NE(e().SelectionList.front()->Vertices[0].Position.x, corner.x) << "the drag moved the hall";
  ExpectKeptEqualsFull("dragging", true);
  EXPECT_FALSE(before == Frame(PlaneKind::kTop)) << "the moved hall shows";
  // One more step: its frames copy the picture again.
  QTest::mouseMove(v, at + QPoint(step * 4, step * 2));
  ExpectKeptEqualsFull("a further step", true);

  QTest::mouseRelease(v, Qt::LeftButton, {}, at + QPoint(step * 4, step * 2));
  QTest::qWait(10);
  EXPECT_EQ(e().History.UndoName(), "Verschieben");
  ExpectKeptEqualsFull("released", true);
  Do("Rckgngig1");
  QTest::qWait(10);
  EXPECT_EQ(e().SelectionList.front()->Vertices[0].Position.x, corner.x);
  ExpectKeptEqualsFull("undone", true);
  EXPECT_TRUE(before == Frame(PlaneKind::kTop)) << "the hall is back where it was";
}

}  // namespace
}  // namespace qx

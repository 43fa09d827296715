// The demo level in the four views: "Auswahl zeigen" frames the selected
// hall in every view, so that a designer finds it in plan and elevation at
// once. With QX_SHOT_DIR set, the README's picture of the four views is
// left there.

#include <QTreeView>

#include "app/plane_views_gui.h"
#include "cli/demo_level.h"
#include "commands/selection_bounds.h"
#include "document/map_document_io.h"
#include "lighting/lightmap.h"
#include "textures/texture_library_file.h"
#include "ui/scene_tree_model.h"

namespace qx {
namespace {

using test::PlaneViewsWindow;

TEST_F(PlaneViewsWindow, TheDemoHallFramedInEveryView) {
  test::WriteDemoFiles(dir.path());
  w->OpenTextureLibraryFile(dir / "demo.tex");
  w->OpenDocumentFile(dir / "demo.qxm");
  ASSERT_EQ(e().Tree.TopLevel().size(), 3u);
  TSector* hall = e().Tree.TopLevel()[0].get();
  w->Tree()->collapseAll();
  const QRect row = w->Tree()->visualRect(w->TreeModel()->IndexOf(hall));
  QTest::mouseClick(w->Tree()->viewport(), Qt::LeftButton, {}, row.center());
  ASSERT_EQ(e().SelectionList, std::vector<TSector*>{hall});
  w->Tree()->expand(w->TreeModel()->IndexOf(hall));
  Do("Auswahlzeigen1");
  QTest::qWait(50);

  const Box box = SelectionBox(e());
  for (PlaneKind k : {PlaneKind::kTop, PlaneKind::kFront, PlaneKind::kSide}) {
    const PlaneView& view = View(k)->View();
    const PixelPoint centre = view.ToPixel(box.Center());
    EXPECT_NEAR(centre.x, view.Width() / 2.0, 2) << int(k);
    EXPECT_NEAR(centre.y, view.Height() / 2.0, 2) << int(k);
    // The whole box inside, and filling much of the view along one axis.
    const PixelPoint a = view.ToPixel(box.min), b = view.ToPixel(box.max);
    const double w_px = std::abs(a.x - b.x), h_px = std::abs(a.y - b.y);
    EXPECT_LE(w_px, view.Width()) << int(k);
    EXPECT_LE(h_px, view.Height()) << int(k);
    EXPECT_GT(std::max(w_px / view.Width(), h_px / view.Height()), 0.5) << int(k);
  }
  Shot("four_views.png");
}

}  // namespace
}  // namespace qx

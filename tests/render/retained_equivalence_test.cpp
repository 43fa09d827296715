// The retained renderer against the immediate-mode reference: the same
// picture up to depth ties of coplanar faces and lightmap filtering (at most
// 0.5% of the pixels), and the same pick result at every pixel of a grid.

#include <gtest/gtest.h>

#include "render/mixed_scene_gl.h"
#include "render/render_compare.h"

namespace qx {
namespace {

using test::DifferingShare;

class RetainedEquivalenceTest : public test::MixedSceneGl {
 protected:
  std::string Name() const { return "mixed_" + std::to_string(GetParam()); }
};

TEST_P(RetainedEquivalenceTest, PictureMatchesTheReference) {
  gl.renderer.RenderFrame(e, o);
  const QImage reference = gl.Image();
  gl.retained.RenderFrame(e, o);
  const QImage retained = gl.Image();
  test::SaveForLook(Name(), reference, retained);
  EXPECT_LE(DifferingShare(reference, retained), 0.005);
}

TEST_P(RetainedEquivalenceTest, PickMatchesTheReference) {
  gl.renderer.RenderFrame(e, o);
  gl.retained.RenderFrame(e, o);
  int hits = 0;
  const int step = e.VertexMode ? 29 : 11;
  for (int y = 1; y < gl.height(); y += step)
    for (int x = 1; x < gl.width(); x += step) {
      const uint32_t reference = gl.renderer.PickName(e, o, x, y);
      const uint32_t retained = gl.retained.PickName(e, o, x, y);
      ASSERT_EQ(reference, retained) << "at " << x << "," << y;
      hits += reference != 0;
    }
  EXPECT_GT(hits, e.VertexMode ? 8 : 40);
}

INSTANTIATE_TEST_SUITE_P(ViewOptions, RetainedEquivalenceTest,
                         ::testing::Values(0, 1, 2, 5, 8, 15, 16, 17, 32, 33));

}  // namespace
}  // namespace qx

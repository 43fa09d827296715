// The speed-ups of the drawing (skipped redundant state changes, pick culling)
// must not change a single pixel or pick result.

#include <gtest/gtest.h>

#include "render/mixed_scene_gl.h"

namespace qx {
namespace {

class EquivalenceTest : public test::MixedSceneGl {};

TEST_P(EquivalenceTest, SkippedStateChangesLeaveThePictureAlone) {
  gl.renderer.SetStateCache(false);
  gl.renderer.RenderFrame(e, o);
  const QImage literal = gl.Image();
  gl.renderer.SetStateCache(true);
  gl.renderer.RenderFrame(e, o);
  const QImage cached = gl.Image();
  EXPECT_TRUE(literal == cached);
}

TEST_P(EquivalenceTest, PickCullingKeepsEveryPickResult) {
  gl.renderer.RenderFrame(e, o);
  int hits = 0;
  // Every 11th pixel: Mesa's selection mode keeps some memory for every vertex
  // it is given, and the picks without culling give it everything.
  // Vertex spheres are many vertices each: fewer picks there.
  const int step = e.VertexMode ? 29 : 11;
  for (int y = 1; y < gl.height(); y += step)
    for (int x = 1; x < gl.width(); x += step) {
      gl.renderer.SetPickCulling(false);
      const uint32_t full = gl.renderer.PickName(e, o, x, y);
      gl.renderer.SetPickCulling(true);
      const uint32_t culled = gl.renderer.PickName(e, o, x, y);
      ASSERT_EQ(full, culled) << "at " << x << "," << y << " full " << e.FindById(full)->Name << " culled "
                              << (culled ? e.FindById(culled)->Name : std::string("-"));
      hits += full != 0;
    }
  EXPECT_GT(hits, e.VertexMode ? 8 : 40);  // the scene covers much of the picture
}

INSTANTIATE_TEST_SUITE_P(ViewOptions, EquivalenceTest, ::testing::Values(0, 1, 2, 5, 8, 15, 16));

}  // namespace
}  // namespace qx

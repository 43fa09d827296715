// The speed-ups of the drawing (skipped redundant state changes, pick culling)
// must not change a single pixel or pick result.

#include <gtest/gtest.h>

#include "render/gl_uploads.h"
#include "render/offscreen_gl.h"
#include "render/scene_builders.h"

namespace qx {
namespace {

using test::BuildMixedScene;

class EquivalenceTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
    std::vector<uint8_t> px(16 * 16 * 3);
    for (int t = 0; t < 4; ++t) {
      for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * (t + 5) % 256);
      textures.push_back(UploadTexturePixels(px.data(), 16, 16));
    }
    const uint8_t lm[4 * 3] = {250, 20, 20, 20, 250, 20, 20, 20, 250, 200, 200, 200};
    lightmap = UploadLightmapPixels(lm, 2, 2);
    gl.renderer.texture_name = [this](int i) { return i < 4 ? textures[size_t(i)] : 0u; };
    BuildMixedScene(e, 7);
    e.Tree.Walk([&](TSector* n) {
      for (TTriangle& t : n->Triangles)
        if (t.LightmapTexture) t.LightmapTexture = lightmap;
    });
    const int variant = GetParam();
    o.Wireframe = variant & 1;
    o.CullFace = !(variant & 2);
    o.ShowTransparent = !(variant & 4);
    o.ShowTextures = !(variant & 8);
    e.VertexMode = variant & 16;
  }
  test::OffscreenGl gl{256, 192};
  Editor e;
  ViewOptions o;
  std::vector<uint32_t> textures;
  uint32_t lightmap = 0;
};

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

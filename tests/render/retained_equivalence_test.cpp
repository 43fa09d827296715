// The retained renderer against the immediate-mode reference: the same
// picture up to depth ties of coplanar faces and lightmap filtering (at most
// 0.5% of the pixels), and the same pick result at every pixel of a grid.

#include <gtest/gtest.h>

#include "render/gl_uploads.h"
#include "render/offscreen_gl.h"
#include "render/render_compare.h"
#include "render/scene_builders.h"

namespace qx {
namespace {

using test::BuildMixedScene;
using test::DifferingShare;

class RetainedEquivalenceTest : public ::testing::TestWithParam<int> {
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
    auto names = [this](int i) { return i < 4 ? textures[size_t(i)] : 0u; };
    gl.renderer.texture_name = names;
    gl.retained.texture_name = names;
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
    o.ShowNormals = !(variant & 32);
  }
  void TearDown() override { gl.retained.Detach(); }

  std::string Name() const { return "mixed_" + std::to_string(GetParam()); }

  test::OffscreenGl gl{256, 192};
  Editor e;
  ViewOptions o;
  std::vector<uint32_t> textures;
  uint32_t lightmap = 0;
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

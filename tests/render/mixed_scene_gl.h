#pragma once
// The mixed scene of the equivalence tests in an offscreen context: four
// patterned textures and a 2 x 2 lightmap uploaded, both renderers told the
// texture names, and the view options chosen by a variant's bits.

#include <gtest/gtest.h>

#include <vector>

#include "render/gl_uploads.h"
#include "render/offscreen_gl.h"
#include "render/scene_builders.h"

namespace qx::test {

class MixedSceneGl : public ::testing::TestWithParam<int> {
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
    // Bit 0 wireframe, 1 no culling, 2 invisible hidden, 3 no textures,
    // 4 vertex mode, 5 no normals.
    const int variant = GetParam();
    o.Wireframe = variant & 1;
    o.CullFace = !(variant & 2);
    o.ShowTransparent = !(variant & 4);
    o.ShowTextures = !(variant & 8);
    e.VertexMode = variant & 16;
    o.ShowNormals = !(variant & 32);
  }
  void TearDown() override { gl.retained.Detach(); }

  OffscreenGl gl{256, 192};
  Editor e;
  ViewOptions o;
  std::vector<uint32_t> textures;
  uint32_t lightmap = 0;
};

}  // namespace qx::test

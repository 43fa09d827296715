#pragma once
// The uploaders of the texture library and of the lightmap baker: their
// pictures become GL textures of the viewport's context.

#include "lighting/lightmap.h"
#include "textures/texture_library.h"

namespace qx {

class ViewportPanel;

class ViewportTextureUploader : public TextureUploader {
 public:
  explicit ViewportTextureUploader(ViewportPanel& viewport) : viewport_(viewport) {}
  uint32_t Upload(const RgbImage& pixels) override;
  void Release(uint32_t name) override;

 private:
  ViewportPanel& viewport_;
};

// Linear filtering, clamped edges, all mipmap levels; row 0 of a lightmap is v = 0.
class ViewportLightmapUploader : public LightmapUploader {
 public:
  explicit ViewportLightmapUploader(ViewportPanel& viewport) : viewport_(viewport) {}
  uint32_t Upload(const Lightmap& lightmap) override;
  void Release(uint32_t texture) override;

 private:
  ViewportPanel& viewport_;
};

}  // namespace qx

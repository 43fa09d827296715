#pragma once
// The texture library's uploader: library textures become GL textures of the
// viewport's context.

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

}  // namespace qx

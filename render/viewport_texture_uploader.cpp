#include "render/viewport_texture_uploader.h"

#include "render/viewport_panel.h"

namespace qx {

uint32_t ViewportTextureUploader::Upload(const RgbImage& pixels) {
  if (pixels.Empty() || pixels.width <= 0 || pixels.height <= 0) return 0;
  // A picture whose pixel array is shorter than its size says is not uploaded.
  const size_t need = static_cast<size_t>(pixels.width) * static_cast<size_t>(pixels.height) * 3;
  if (pixels.rgb.size() < need) return 0;
  return viewport_.UploadTexture(pixels.rgb.data(), pixels.width, pixels.height);
}

void ViewportTextureUploader::Release(uint32_t name) {
  viewport_.DeleteTexture(name);
}

}  // namespace qx

// Feeds arbitrary bytes to the bitmap reader and decoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "textures/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto info = qx::ReadBmpInfo(data, size);
  const auto image = qx::DecodeBmp24(data, size);
  if (image) {
    // A decoded picture always matches its header and holds every pixel.
    if (!info || info->bits_per_pixel != 24) std::abort();
    if (image->rgb.size() != static_cast<size_t>(image->width) * static_cast<size_t>(image->height) * 3)
      std::abort();
    if (image->rgb.size() > size) std::abort();
  }
  return 0;
}

// Feeds arbitrary bytes to the picture conversion: whatever it accepts must
// come out as a 24-bit bitmap that decodes to a picture of at most
// 4096 x 4096 pixels, and a kept bitmap must be the input itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "textures/bmp.h"
#include "textures/image_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string message;
  const auto bmp = qx::ImageToBmp24(data, size, message);
  if (!bmp) {
    if (message.rfind("Ungültige Datei!", 0) != 0) std::abort();
    return 0;
  }
  const auto image = qx::DecodeBmp24(*bmp);
  if (!image || image->width > qx::kMaxImageSide || image->height > qx::kMaxImageSide) std::abort();
  const bool kept = bmp->size() == size && std::memcmp(bmp->data(), data, size) == 0;
  // A converted picture is written by our own writer: exactly its rows and headers.
  const size_t stride = (static_cast<size_t>(image->width) * 3 + 3) & ~size_t(3);
  if (!kept && bmp->size() != 54 + stride * static_cast<size_t>(image->height)) std::abort();
  return 0;
}

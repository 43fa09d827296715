#pragma once
// A small reader and writer for Windows bitmap files. Every bitmap's header is
// read (the browser shows the size of any bitmap), but only uncompressed 24-bit
// bitmaps are decoded to pixels: those are the only ones that become textures,
// and the only kind the writer makes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qx {

// What the headers of a bitmap file say.
struct BmpInfo {
  int32_t width = 0;
  int32_t height = 0;     // always positive; see top_down
  bool top_down = false;  // rows stored top row first (negative height in the file)
  uint16_t bits_per_pixel = 0;
  uint32_t compression = 0;   // 0 = uncompressed
  uint32_t pixel_offset = 0;  // from the start of the file
  uint32_t header_size = 0;   // 12 (OS/2 core header), 40 or larger
};

// Decoded pixels: width * height RGB triples, tightly packed (no row padding),
// bottom row first. That is the row order OpenGL expects for a texture whose
// v = 0 is the bottom of the picture; upload it with GL_UNPACK_ALIGNMENT 1.
struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;

  bool Empty() const { return rgb.empty(); }
  // The pixel at column x of row y counted from the top of the picture.
  const uint8_t* PixelFromTop(int32_t x, int32_t y) const {
    return rgb.data() + (static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width) + x) * 3;
  }
};

// Reads the file header and the info header; nullopt when the bytes are not a
// bitmap file whose headers make sense.
std::optional<BmpInfo> ReadBmpInfo(const uint8_t* data, size_t size);

// Decodes an uncompressed 24-bit bitmap, bottom-up or top-down, honouring the
// row padding to a multiple of 4 bytes. nullopt for any other bitmap and for a
// file whose pixel rows do not all lie inside it.
std::optional<RgbImage> DecodeBmp24(const uint8_t* data, size_t size);

// The bitmap file of an image: BITMAPFILEHEADER, BITMAPINFOHEADER (40 bytes,
// 24 bits, uncompressed, 72 dpi), then the rows bottom row first in blue,
// green, red order, each padded with zeros to a multiple of 4 bytes.
std::vector<uint8_t> EncodeBmp24(const RgbImage& image);

inline std::optional<BmpInfo> ReadBmpInfo(const std::vector<uint8_t>& file) {
  return ReadBmpInfo(file.data(), file.size());
}
inline std::optional<RgbImage> DecodeBmp24(const std::vector<uint8_t>& file) {
  return DecodeBmp24(file.data(), file.size());
}

}  // namespace qx

#pragma once
// Bitmap files built byte by byte for the tests, independent of the decoder.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace qx::test {

using Rgb = std::array<uint8_t, 3>;

inline void PutLE(std::vector<uint8_t>& b, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A distinct colour for every pixel, so that any shuffled row or column shows.
inline Rgb TestColor(int x, int y) {
  return {static_cast<uint8_t>(10 + x * 20), static_cast<uint8_t>(100 + y * 30),
          static_cast<uint8_t>(x * 7 + y)};
}

struct BmpOptions {
  bool top_down = false;
  uint16_t bits = 24;
  uint32_t compression = 0;
  bool core_header = false;     // 12-byte OS/2 header
  uint8_t padding_fill = 0xEE;  // not zero, so that read padding would show
};

// An uncompressed 24-bit bitmap (or, with other bits, a file with that header
// and zero pixel bytes of the right size) whose pixel (x, y from the top) is
// color(x, y).
inline std::vector<uint8_t> MakeBmp(int w, int h, const std::function<Rgb(int, int)>& color = TestColor,
                                    BmpOptions o = {}) {
  const uint32_t info_size = o.core_header ? 12 : 40;
  const uint32_t palette = o.bits <= 8 ? (4u << o.bits) : 0;
  const uint32_t row = ((static_cast<uint32_t>(w) * o.bits + 31) / 32) * 4;
  const uint32_t offset = 14 + info_size + palette;
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  PutLE(b, offset + row * h, 4);
  PutLE(b, 0, 4);
  PutLE(b, offset, 4);
  PutLE(b, info_size, 4);
  if (o.core_header) {
    PutLE(b, w, 2);
    PutLE(b, h, 2);
    PutLE(b, 1, 2);
    PutLE(b, o.bits, 2);
  } else {
    PutLE(b, static_cast<uint32_t>(w), 4);
    PutLE(b, static_cast<uint32_t>(o.top_down ? -h : h), 4);
    PutLE(b, 1, 2);
    PutLE(b, o.bits, 2);
    PutLE(b, o.compression, 4);
    PutLE(b, row * h, 4);
    PutLE(b, 2835, 4);
    PutLE(b, 2835, 4);
    PutLE(b, 0, 4);
    PutLE(b, 0, 4);
  }
  for (uint32_t i = 0; i < palette; ++i) b.push_back(static_cast<uint8_t>(i));
  for (int file_row = 0; file_row < h; ++file_row) {
    const int y = o.top_down ? file_row : h - 1 - file_row;  // y from the top
    const size_t start = b.size();
    if (o.bits == 24) {
      for (int x = 0; x < w; ++x) {
        const Rgb c = color(x, y);
        b.push_back(c[2]);
        b.push_back(c[1]);
        b.push_back(c[0]);
      }
    }
    while (b.size() - start < row) b.push_back(o.bits == 24 ? o.padding_fill : 0);
  }
  return b;
}

}  // namespace qx::test

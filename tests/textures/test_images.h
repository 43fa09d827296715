#pragma once
// Picture files of the formats artists use, written byte by byte for the tests
// (PNG with stored deflate blocks, TGA, GIF with an LZW stream that never
// grows its table, BMP of other depths), independent of any decoder.

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "textures/test_bitmaps.h"

namespace qx::test {

inline void PutBE(std::vector<uint8_t>& b, uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

inline void PngChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  PutBE(png, data.size(), 4);
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  PutBE(png, Crc32(png.data() + start, png.size() - start), 4);
}

// A zlib stream of stored (uncompressed) deflate blocks.
inline std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(raw.size() - at, 65535);
    z.push_back(at + n == raw.size() ? 1 : 0);
    PutLE(z, n, 2);
    PutLE(z, ~n & 0xFFFF, 2);
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  PutBE(z, (b << 16) | a, 4);
  return z;
}

// A PNG of the given colour type (0 grey, 2 RGB, 3 palette, 4 grey + alpha,
// 6 RGBA) and bit depth; `samples` are the image's samples row by row from
// the top, each of bit_depth bits (8 or 16 here, 8 for palette indices).
inline std::vector<uint8_t> MakePng(int w, int h, int color_type, int bit_depth,
                                    const std::vector<uint16_t>& samples,
                                    const std::vector<Rgb>& palette = {}) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  PutBE(ihdr, static_cast<uint32_t>(w), 4);
  PutBE(ihdr, static_cast<uint32_t>(h), 4);
  ihdr.insert(ihdr.end(), {static_cast<uint8_t>(bit_depth), static_cast<uint8_t>(color_type), 0, 0, 0});
  PngChunk(png, "IHDR", ihdr);
  if (color_type == 3) {
    std::vector<uint8_t> plte;
    for (const Rgb& c : palette) plte.insert(plte.end(), c.begin(), c.end());
    PngChunk(png, "PLTE", plte);
  }
  const size_t per_row = samples.size() / static_cast<size_t>(h);
  std::vector<uint8_t> raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);  // filter: none
    for (size_t i = 0; i < per_row; ++i) {
      const uint16_t s = samples[static_cast<size_t>(y) * per_row + i];
      if (bit_depth == 16) raw.push_back(static_cast<uint8_t>(s >> 8));
      raw.push_back(static_cast<uint8_t>(s));
    }
  }
  PngChunk(png, "IDAT", ZlibStored(raw));
  PngChunk(png, "IEND", {});
  return png;
}

// An 8-bit RGB or RGBA PNG whose pixel (x, y from the top) is color(x, y).
inline std::vector<uint8_t> MakeRgbPng(int w, int h, const std::function<Rgb(int, int)>& color = TestColor,
                                       bool alpha = false) {
  std::vector<uint16_t> s;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb c = color(x, y);
      s.insert(s.end(), {c[0], c[1], c[2]});
      if (alpha) s.push_back(static_cast<uint16_t>((x * 50 + y * 13) & 0xFF));
    }
  return MakePng(w, h, alpha ? 6 : 2, 8, s);
}

// A TGA, 24 bits, uncompressed (type 2) or run-length encoded (type 10, one
// raw packet per row), bottom row first unless top_down.
inline std::vector<uint8_t> MakeTga(int w, int h, const std::function<Rgb(int, int)>& color = TestColor,
                                    bool rle = false, bool top_down = false) {
  std::vector<uint8_t> t = {0, 0, static_cast<uint8_t>(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  PutLE(t, w, 2);
  PutLE(t, h, 2);
  t.push_back(24);
  t.push_back(top_down ? 0x20 : 0x00);
  for (int row = 0; row < h; ++row) {
    const int y = top_down ? row : h - 1 - row;
    for (int x = 0; x < w; ++x) {
      if (rle && x % 128 == 0) t.push_back(static_cast<uint8_t>(std::min(w - x, 128) - 1));  // raw packet
      const Rgb c = color(x, y);
      t.insert(t.end(), {c[2], c[1], c[0]});
    }
  }
  return t;
}

// A GIF87a with a global palette of four colours; pixels are palette indices
// row by row from the top. Every code is followed by a clear code, so the LZW
// table never grows and each code stays 3 bits wide.
inline std::vector<uint8_t> MakeGif(int w, int h, const std::array<Rgb, 4>& palette,
                                    const std::vector<uint8_t>& index) {
  std::vector<uint8_t> g = {'G', 'I', 'F', '8', '7', 'a'};
  PutLE(g, w, 2);
  PutLE(g, h, 2);
  g.insert(g.end(), {0x81, 0, 0});  // global palette of 2^(1+1) entries
  for (const Rgb& c : palette) g.insert(g.end(), c.begin(), c.end());
  g.push_back(0x2C);
  PutLE(g, 0, 2);
  PutLE(g, 0, 2);
  PutLE(g, w, 2);
  PutLE(g, h, 2);
  g.push_back(0);
  g.push_back(2);  // LZW minimum code size
  std::vector<uint8_t> codes;
  for (uint8_t i : index) codes.insert(codes.end(), {4, i});
  codes.push_back(5);
  std::vector<uint8_t> packed;
  uint32_t bits = 0, nbits = 0;
  for (uint8_t c : codes) {
    bits |= uint32_t(c) << nbits;
    nbits += 3;
    while (nbits >= 8) {
      packed.push_back(static_cast<uint8_t>(bits));
      bits >>= 8;
      nbits -= 8;
    }
  }
  if (nbits > 0) packed.push_back(static_cast<uint8_t>(bits));
  for (size_t at = 0; at < packed.size(); at += 255) {
    const size_t n = std::min<size_t>(255, packed.size() - at);
    g.push_back(static_cast<uint8_t>(n));
    g.insert(g.end(), packed.begin() + at, packed.begin() + at + n);
  }
  g.push_back(0);
  g.push_back(0x3B);
  return g;
}

// A bitmap of 8 bits per pixel with a palette, or 16 (5-5-5) or 32 bits
// (blue, green, red, unused), bottom-up; pixel(x, y from the top) gives the
// palette index (8 bits) or the packed value (16 bits) or the colour (32 bits).
inline std::vector<uint8_t> MakeDeepBmp(int w, int h, uint16_t bits,
                                        const std::function<uint32_t(int, int)>& pixel,
                                        const std::vector<Rgb>& palette = {}) {
  const uint32_t colours = bits == 8 ? static_cast<uint32_t>(palette.size()) : 0;
  const uint32_t row = ((static_cast<uint32_t>(w) * bits + 31) / 32) * 4;
  const uint32_t offset = 14 + 40 + 4 * colours;
  std::vector<uint8_t> b = {'B', 'M'};
  PutLE(b, offset + row * h, 4);
  PutLE(b, 0, 4);
  PutLE(b, offset, 4);
  PutLE(b, 40, 4);
  PutLE(b, static_cast<uint32_t>(w), 4);
  PutLE(b, static_cast<uint32_t>(h), 4);
  PutLE(b, 1, 2);
  PutLE(b, bits, 2);
  PutLE(b, 0, 4);
  PutLE(b, row * h, 4);
  PutLE(b, 2835, 4);
  PutLE(b, 2835, 4);
  PutLE(b, colours, 4);
  PutLE(b, 0, 4);
  for (const Rgb& c : palette) b.insert(b.end(), {c[2], c[1], c[0], 0});
  for (int file_row = 0; file_row < h; ++file_row) {
    const size_t start = b.size();
    for (int x = 0; x < w; ++x) PutLE(b, pixel(x, h - 1 - file_row), bits / 8);
    while (b.size() - start < row) b.push_back(0);
  }
  return b;
}

}  // namespace qx::test

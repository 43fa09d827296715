#include "lighting/lightmap_png.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace qx {
namespace {

uint32_t Big32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// Bit by bit, independent of the table the encoder uses.
uint32_t SlowCrc(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

struct Decoded {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> header, raw;
  std::vector<std::string> chunks;
};

// Walks the chunks (checking every CRC) and unpacks the stored deflate blocks.
Decoded Decode(const std::vector<uint8_t>& png) {
  Decoded d;
  const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_EQ(std::memcmp(png.data(), signature, 8), 0);
  std::vector<uint8_t> zlib;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = Big32(png, at);
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    EXPECT_EQ(Big32(png, at + 8 + length), SlowCrc(png.data() + at + 4, length + 4)) << type;
    const std::vector<uint8_t> data(png.begin() + at + 8, png.begin() + at + 8 + length);
    if (type == "IHDR") d.header = data;
    if (type == "IDAT") zlib.insert(zlib.end(), data.begin(), data.end());
    d.chunks.push_back(type);
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  d.width = Big32(d.header, 0);
  d.height = Big32(d.header, 4);
  EXPECT_EQ(zlib[0], 0x78);
  EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0) << "zlib header check";
  size_t z = 2;
  bool last = false;
  while (!last) {
    last = zlib[z] & 1;
    EXPECT_EQ(zlib[z] >> 1, 0) << "stored block";
    const uint16_t len = uint16_t(zlib[z + 1] | zlib[z + 2] << 8),
                   nlen = uint16_t(zlib[z + 3] | zlib[z + 4] << 8);
    EXPECT_EQ(uint16_t(~len), nlen);
    d.raw.insert(d.raw.end(), zlib.begin() + z + 5, zlib.begin() + z + 5 + len);
    z += 5 + len;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t byte : d.raw) a = (a + byte) % 65521, b = (b + a) % 65521;
  EXPECT_EQ(Big32(zlib, z), (b << 16) | a) << "Adler-32";
  EXPECT_EQ(z + 4, zlib.size());
  return d;
}

TEST(LightmapPng, CrcMatchesTheStandard) {
  const std::string check = "123456789";
  EXPECT_EQ(PngCrc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
  EXPECT_EQ(PngCrc32(reinterpret_cast<const uint8_t*>("IEND"), 4), 0xAE426082u);
}

TEST(LightmapPng, RowsOfRgbInStoredBlocks) {
  for (auto [w, h] : {std::pair{3, 2}, std::pair{1, 1}, std::pair{200, 120}}) {  // the last needs two blocks
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7 + i / 3);
    const Decoded d = Decode(EncodePng(w, h, rgb));
    EXPECT_EQ(d.chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    EXPECT_EQ(d.width, uint32_t(w));
    EXPECT_EQ(d.height, uint32_t(h));
    EXPECT_EQ(std::vector<uint8_t>(d.header.begin() + 8, d.header.end()),
              (std::vector<uint8_t>{8, 2, 0, 0, 0}));
    ASSERT_EQ(d.raw.size(), size_t(h) * (w * 3 + 1));
    for (int y = 0; y < h; ++y) {
      const size_t row = size_t(y) * (w * 3 + 1);
      EXPECT_EQ(d.raw[row], 0) << "filter None";
      EXPECT_TRUE(std::equal(rgb.begin() + size_t(y) * w * 3, rgb.begin() + size_t(y + 1) * w * 3,
                             d.raw.begin() + row + 1))
          << "row " << y << " is picture row " << y;
    }
  }
  EXPECT_THROW(EncodePng(2, 2, std::vector<uint8_t>(11)), std::invalid_argument);
  EXPECT_THROW(EncodePng(0, 2, {}), std::invalid_argument);
}

}  // namespace
}  // namespace qx

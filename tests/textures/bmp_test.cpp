#include "textures/bmp.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/test_support.h"
#include "textures/test_bitmaps.h"

namespace qx {
namespace {

void ExpectPixels(const RgbImage& img, int w, int h) {
  ASSERT_EQ(img.width, w);
  ASSERT_EQ(img.height, h);
  ASSERT_EQ(img.rgb.size(), static_cast<size_t>(w * h * 3));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const test::Rgb want = test::TestColor(x, y);
      const uint8_t* got = img.PixelFromTop(x, y);
      ASSERT_EQ(got[0], want[0]) << x << "," << y;
      ASSERT_EQ(got[1], want[1]) << x << "," << y;
      ASSERT_EQ(got[2], want[2]) << x << "," << y;
    }
}

TEST(Bmp, DecodesEveryWidthWithItsRowPadding) {
  // Widths 1, 2, 3, 5 and 7 carry 3, 2, 3, 1 and 3 padding bytes per row; 4 and 8 none.
  for (int w : {1, 2, 3, 4, 5, 7, 8}) {
    SCOPED_TRACE(w);
    const auto file = test::MakeBmp(w, 3);
    const auto img = DecodeBmp24(file);
    ASSERT_TRUE(img);
    ExpectPixels(*img, w, 3);
  }
}

TEST(Bmp, FourWideBottomUpIsExactAndRowsGoBottomFirst) {
  const auto file = test::MakeBmp(4, 2);
  const auto img = DecodeBmp24(file);
  ASSERT_TRUE(img);
  // The bottom row (y = 1 from the top) comes first, as an OpenGL texture wants it.
  const test::Rgb bottom_left = test::TestColor(0, 1);
  EXPECT_EQ(img->rgb[0], bottom_left[0]);
  EXPECT_EQ(img->rgb[1], bottom_left[1]);
  EXPECT_EQ(img->rgb[2], bottom_left[2]);
  const test::Rgb top_right = test::TestColor(3, 0);
  EXPECT_EQ(img->rgb[21], top_right[0]);
  EXPECT_EQ(img->rgb[22], top_right[1]);
  EXPECT_EQ(img->rgb[23], top_right[2]);
}

TEST(Bmp, TopDownAndCoreHeaderComeOutUpright) {
  const auto bottom_up = DecodeBmp24(test::MakeBmp(5, 4));
  const auto top_down = DecodeBmp24(test::MakeBmp(5, 4, test::TestColor, {.top_down = true}));
  const auto core = DecodeBmp24(test::MakeBmp(5, 4, test::TestColor, {.core_header = true}));
  ASSERT_TRUE(bottom_up && top_down && core);
  EXPECT_EQ(bottom_up->rgb, top_down->rgb);
  EXPECT_EQ(bottom_up->rgb, core->rgb);
  ExpectPixels(*top_down, 5, 4);

  const auto info = ReadBmpInfo(test::MakeBmp(5, 4, test::TestColor, {.top_down = true}));
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->top_down);
  EXPECT_EQ(info->height, 4);
}

TEST(Bmp, OtherDepthsHaveASizeButNoPixels) {
  for (uint16_t bits : {1, 4, 8, 16, 32}) {
    SCOPED_TRACE(bits);
    const auto file = test::MakeBmp(6, 3, test::TestColor, {.bits = bits});
    const auto info = ReadBmpInfo(file);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 6);
    EXPECT_EQ(info->height, 3);
    EXPECT_EQ(info->bits_per_pixel, bits);
    EXPECT_FALSE(DecodeBmp24(file));
  }
  // A 24-bit header with compression is no plain 24-bit bitmap.
  EXPECT_FALSE(DecodeBmp24(test::MakeBmp(4, 4, test::TestColor, {.compression = 1})));
}

TEST(Bmp, TruncatedPixelsAreRefusedButAMissingLastPaddingIsNot) {
  auto file = test::MakeBmp(5, 3);  // rows of 15 bytes plus 1 padding byte
  file.pop_back();                  // only the final padding is gone
  const auto img = DecodeBmp24(file);
  ASSERT_TRUE(img);
  ExpectPixels(*img, 5, 3);
  file.pop_back();  // now a pixel byte is missing
  EXPECT_FALSE(DecodeBmp24(file));
  for (size_t n = 0; n < file.size(); ++n) EXPECT_FALSE(DecodeBmp24(file.data(), n)) << n;
  EXPECT_FALSE(DecodeBmp24(nullptr, 0));
}

void PatchU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  std::memcpy(b.data() + at, &v, 4);
}

TEST(Bmp, MalformedHeadersAreRefused) {
  const auto good = test::MakeBmp(4, 4);
  ASSERT_TRUE(DecodeBmp24(good));
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  };
  const Case cases[] = {
      {"magic", 0, 0x4D41},
      {"pixel offset past the end", 10, 0x7FFFFFFF},
      {"pixel offset inside the headers", 10, 20},
      {"info header too small", 14, 39},
      {"info header larger than the file", 14, 4000},
      {"width 0", 18, 0},
      {"negative width", 18, 0xFFFFFFFC},
      {"height 0", 22, 0},
      {"most negative height", 22, 0x80000000},
      {"huge width", 18, 0x40000000},
      {"huge height", 22, 0x7FFFFFFF},
      {"huge top-down height", 22, 0x80000001},
  };
  for (const Case& c : cases) {
    auto bad = good;
    if (std::strcmp(c.what, "magic") == 0)
      bad[0] = 'X';
    else
      PatchU32(bad, c.at, c.value);
    EXPECT_FALSE(DecodeBmp24(bad)) << c.what;
  }
  auto bits = good;
  bits[28] = 23;  // no such depth
  EXPECT_FALSE(ReadBmpInfo(bits));
}

TEST(Bmp, WritesFuzzSeeds) {
  test::WriteFuzzSeed("bmp", "bottom_up_5x3", test::MakeBmp(5, 3));
  test::WriteFuzzSeed("bmp", "top_down_4x2", test::MakeBmp(4, 2, test::TestColor, {.top_down = true}));
  test::WriteFuzzSeed("bmp", "core_3x3", test::MakeBmp(3, 3, test::TestColor, {.core_header = true}));
  test::WriteFuzzSeed("bmp", "paletted_8", test::MakeBmp(3, 3, test::TestColor, {.bits = 8}));
}

}  // namespace
}  // namespace qx

#include "textures/image_import.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "textures/test_images.h"

// JPEG is lossy: the tests make one with stb's writer rather than by hand.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace qx {
namespace {

using test::Rgb;

std::vector<uint8_t> MakeJpeg(int w, int h, const std::function<Rgb(int, int)>& color) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb c = color(x, y);
      rgb.insert(rgb.end(), c.begin(), c.end());
    }
  std::vector<uint8_t> out;
  auto append = [](void* ctx, void* data, int size) {
    auto* v = static_cast<std::vector<uint8_t>*>(ctx);
    v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  };
  EXPECT_TRUE(stbi_write_jpg_to_func(append, &out, w, h, 3, rgb.data(), 100));
  return out;
}

// Converts and checks that the stored bitmap decodes, with the existing
// 24-bit decoder, to exactly `color` at every pixel.
void ExpectConvertsTo(const std::vector<uint8_t>& file, int w, int h,
                      const std::function<Rgb(int, int)>& color) {
  std::string message;
  const auto bmp = ImageToBmp24(file.data(), file.size(), message);
  ASSERT_TRUE(bmp) << message;
  EXPECT_TRUE(message.empty());
  const auto image = DecodeBmp24(*bmp);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width, w);
  ASSERT_EQ(image->height, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = image->PixelFromTop(x, y);
      const Rgb want = color(x, y);
      ASSERT_EQ((Rgb{p[0], p[1], p[2]}), want) << "pixel " << x << ", " << y;
    }
}

void ExpectRefused(const std::vector<uint8_t>& file, const std::string& what,
                   const std::string& expected = "Ungültige Datei!") {
  std::string message;
  EXPECT_FALSE(ImageToBmp24(file.data(), file.size(), message)) << what;
  EXPECT_EQ(message, expected) << what;
}

TEST(ImageImport, PngOfEveryColourTypeGivesItsExactRgb) {
  // Widths 1..5 cover every row padding of the stored bitmap.
  for (int w = 1; w <= 5; ++w) ExpectConvertsTo(test::MakeRgbPng(w, 3), w, 3, test::TestColor);
  // Alpha is dropped, not blended.
  ExpectConvertsTo(test::MakeRgbPng(4, 4, test::TestColor, true), 4, 4, test::TestColor);

  std::vector<uint16_t> grey = {0, 50, 100, 150, 200, 255};
  ExpectConvertsTo(test::MakePng(3, 2, 0, 8, grey), 3, 2, [&](int x, int y) {
    const auto v = static_cast<uint8_t>(grey[y * 3 + x]);
    return Rgb{v, v, v};
  });
  std::vector<uint16_t> grey_alpha = {10, 0, 20, 255, 30, 128, 40, 7};
  ExpectConvertsTo(test::MakePng(2, 2, 4, 8, grey_alpha), 2, 2, [&](int x, int y) {
    const auto v = static_cast<uint8_t>(grey_alpha[(y * 2 + x) * 2]);
    return Rgb{v, v, v};
  });
  const std::vector<Rgb> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
  std::vector<uint16_t> indices = {3, 2, 1, 0, 0, 1};
  ExpectConvertsTo(test::MakePng(3, 2, 3, 8, indices, palette), 3, 2,
                   [&](int x, int y) { return palette[indices[y * 3 + x]]; });
  // 16-bit samples keep their high byte.
  std::vector<uint16_t> deep;
  for (int i = 0; i < 2 * 2 * 3; ++i) deep.push_back(static_cast<uint16_t>(i * 5000 + 0x00FF));
  ExpectConvertsTo(test::MakePng(2, 2, 2, 16, deep), 2, 2, [&](int x, int y) {
    const size_t at = static_cast<size_t>(y * 2 + x) * 3;
    return Rgb{static_cast<uint8_t>(deep[at] >> 8), static_cast<uint8_t>(deep[at + 1] >> 8),
               static_cast<uint8_t>(deep[at + 2] >> 8)};
  });
}

TEST(ImageImport, TgaGifAndJpeg) {
  ExpectConvertsTo(test::MakeTga(5, 3), 5, 3, test::TestColor);
  ExpectConvertsTo(test::MakeTga(5, 3, test::TestColor, false, true), 5, 3, test::TestColor);
  ExpectConvertsTo(test::MakeTga(130, 2, test::TestColor, true), 130, 2, test::TestColor);

  const std::array<Rgb, 4> palette = {Rgb{0, 0, 0}, Rgb{250, 10, 20}, Rgb{30, 240, 40}, Rgb{1, 2, 253}};
  const std::vector<uint8_t> index = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2};
  ExpectConvertsTo(test::MakeGif(4, 3, palette, index), 4, 3,
                   [&](int x, int y) { return palette[index[y * 4 + x]]; });

  // A JPEG of one flat colour comes back within a step of it.
  const auto jpeg = MakeJpeg(16, 8, [](int, int) { return Rgb{200, 120, 40}; });
  std::string message;
  const auto bmp = ImageToBmp24(jpeg.data(), jpeg.size(), message);
  ASSERT_TRUE(bmp) << message;
  const auto image = DecodeBmp24(*bmp);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 16);
  EXPECT_EQ(image->height, 8);
  for (size_t i = 0; i < image->rgb.size(); i += 3) {
    ASSERT_NEAR(image->rgb[i], 200, 2) << i;
    ASSERT_NEAR(image->rgb[i + 1], 120, 2) << i;
    ASSERT_NEAR(image->rgb[i + 2], 40, 2) << i;
  }
}

TEST(ImageImport, BitmapsOfOtherDepthsAreConvertedAndTwentyFourBitsKept) {
  const std::vector<Rgb> palette = {{1, 2, 3}, {200, 100, 50}, {0, 255, 128}};
  auto idx = [](int x, int y) { return static_cast<uint32_t>((x + y) % 3); };
  ExpectConvertsTo(test::MakeDeepBmp(5, 3, 8, idx, palette), 5, 3,
                   [&](int x, int y) { return palette[idx(x, y)]; });
  ExpectConvertsTo(test::MakeDeepBmp(3, 2, 32,
                                     [](int x, int y) {
                                       const Rgb c = test::TestColor(x, y);
                                       return uint32_t(c[2]) | uint32_t(c[1]) << 8 | uint32_t(c[0]) << 16;
                                     }),
                   3, 2, test::TestColor);
  // 5-5-5: full and empty channels are exact.
  ExpectConvertsTo(test::MakeDeepBmp(3, 1, 16, [](int x, int) { return uint32_t(0x7C00) >> (5 * x); }), 3, 1,
                   [](int x, int) {
                     Rgb c{0, 0, 0};
                     c[static_cast<size_t>(x)] = 255;
                     return c;
                   });

  // A 24-bit bitmap the engine reads is stored byte for byte, padding and all.
  for (const auto& file : {test::MakeBmp(5, 3), test::MakeBmp(3, 2, test::TestColor, {.top_down = true}),
                           test::MakeBmp(2, 2, test::TestColor, {.core_header = true})}) {
    std::string message;
    const auto bmp = ImageToBmp24(file.data(), file.size(), message);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(*bmp, file);
  }
}

TEST(ImageImport, WrittenBitmapIsByteExact) {
  // Bottom-up rows, zero padding to four bytes, a 40-byte info header.
  RgbImage image;
  image.width = 3;
  image.height = 2;
  for (int y = 1; y >= 0; --y)  // bottom row first
    for (int x = 0; x < 3; ++x) {
      const Rgb c = test::TestColor(x, y);
      image.rgb.insert(image.rgb.end(), c.begin(), c.end());
    }
  EXPECT_EQ(EncodeBmp24(image), test::MakeBmp(3, 2, test::TestColor, {.padding_fill = 0}));
  std::string message;
  const auto png = test::MakeRgbPng(3, 2);
  EXPECT_EQ(ImageToBmp24(png.data(), png.size(), message),
            test::MakeBmp(3, 2, test::TestColor, {.padding_fill = 0}));
}

TEST(ImageImport, DamagedCutAndHugePicturesAreRefused) {
  ExpectRefused({}, "empty");
  ExpectRefused(
      {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!', '!', '!', '!', '!', '!'},
      "text");
  const std::array<Rgb, 4> palette = {};
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"png", test::MakeRgbPng(6, 5)},
      {"tga", test::MakeTga(6, 5)},
      {"rle tga", test::MakeTga(6, 5, test::TestColor, true)},
      {"gif", test::MakeGif(6, 5, palette, std::vector<uint8_t>(30, 1))},
      {"jpeg", MakeJpeg(16, 16, test::TestColor)},
      {"8-bit bmp", test::MakeDeepBmp(6, 5, 8, [](int, int) { return 1u; }, {{1, 2, 3}, {4, 5, 6}})},
  };
  for (const auto& [name, file] : files) {
    std::string message;
    ASSERT_TRUE(ImageToBmp24(file.data(), file.size(), message)) << name;
    // A GIF's last byte is its trailer, after the picture; a bitmap may lack
    // the padding of its last row (2 bytes here).
    const size_t needed = name == "gif"         ? file.size() - 1
                          : name == "8-bit bmp" ? file.size() - 2
                                                : file.size();
    for (size_t n = 0; n < needed; ++n)
      ExpectRefused(std::vector<uint8_t>(file.begin(), file.begin() + n),
                    name + " cut at " + std::to_string(n));
  }

  // The size is checked from the header, before decoding: this PNG has no pixels at all.
  std::vector<uint8_t> huge = test::MakeRgbPng(1, 1);
  huge[16] = 0;
  huge[17] = 0;
  huge[18] = 0x10;
  huge[19] = 0x01;  // width 4097
  ExpectRefused(huge, "4097 wide", kImageTooLargeMessage);
  const auto tall = test::MakeTga(1, 4097, [](int, int) { return Rgb{1, 1, 1}; });
  ExpectRefused(tall, "4097 high", kImageTooLargeMessage);
  ExpectConvertsTo(test::MakeTga(4096, 1,
                                 [](int, int) {
                                   return Rgb{1, 2, 3};
                                 }),
                   4096, 1, [](int, int) {
                     return Rgb{1, 2, 3};
                   });
  // A 24-bit bitmap is measured too, though it is not decoded.
  auto wide_bmp = test::MakeBmp(1, 1);
  wide_bmp[18] = 0x01;
  wide_bmp[19] = 0x10;  // width 4097, and far too few bytes for it: the header decides
  ExpectRefused(wide_bmp, "4097 wide bmp", kImageTooLargeMessage);
  const auto big_bmp = test::MakeBmp(4097, 1);
  ExpectRefused(big_bmp, "4097 wide bmp with its pixels", kImageTooLargeMessage);
}

TEST(ImageImport, JpegHuffmanTableWithMoreThan256CodesIsRefused) {
  // A table with more codes than a byte can name (once found to overrun a decoder's table).
  const auto good = MakeJpeg(8, 8, test::TestColor);
  for (int codes : {256, 257, 16 * 255}) {
    std::vector<uint8_t> bad = {0xFF, 0xD8, 0xFF, 0xC4};
    const int length = 2 + 17 + codes;
    bad.insert(bad.end(), {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length), 0x10});
    for (int i = 0; i < 16; ++i)
      bad.push_back(static_cast<uint8_t>(std::min(255, codes - i * 255 > 0 ? codes - i * 255 : 0)));
    bad.insert(bad.end(), static_cast<size_t>(codes), 0x01);
    bad.insert(bad.end(), good.begin() + 2, good.end());  // the rest of a real JPEG
    if (codes == 256) {
      // Exactly full is allowed: the table of the file decides, and this one is no valid code.
      std::string message;
      (void)ImageToBmp24(bad.data(), bad.size(), message);
      continue;
    }
    ExpectRefused(bad, std::to_string(codes) + " codes");
  }
}

TEST(ImageImport, ReadTextureFileNamesTheEntryAfterTheFile) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "Wand.Alt.PNG", test::MakeRgbPng(2, 2));
  std::string message;
  const auto node = ReadTextureFile(dir / "Wand.Alt.PNG", message);
  ASSERT_TRUE(node) << message;
  EXPECT_EQ(node->TexName, "Wand.Alt");
  EXPECT_EQ(node->SourcePath, dir / "Wand.Alt.PNG");
  EXPECT_EQ(node->Bitmap(), test::MakeBmp(2, 2, test::TestColor, {.padding_fill = 0}));
  ASSERT_TRUE(node->HasPixels());
  EXPECT_EQ(node->Width(), 2);

  EXPECT_FALSE(ReadTextureFile(dir / "missing.png", message));
  EXPECT_EQ(message.rfind("Die Datei konnte nicht gelesen werden!\n", 0), 0u) << message;
  test::WriteFileBytes(dir / "bad.png", {0x89, 'P', 'N', 'G'});
  EXPECT_FALSE(ReadTextureFile(dir / "bad.png", message));
  EXPECT_EQ(message, "Ungültige Datei!");
}

TEST(ImageImport, WritesFuzzSeeds) {
  const std::array<Rgb, 4> palette = {Rgb{0, 0, 0}, Rgb{255, 0, 0}, Rgb{0, 255, 0}, Rgb{0, 0, 255}};
  test::WriteFuzzSeed("image", "rgba.png", test::MakeRgbPng(3, 3, test::TestColor, true));
  test::WriteFuzzSeed("image", "palette.png", test::MakePng(2, 1, 3, 8, {0, 1}, {{1, 2, 3}, {4, 5, 6}}));
  test::WriteFuzzSeed("image", "rle.tga", test::MakeTga(4, 2, test::TestColor, true));
  test::WriteFuzzSeed("image", "four.gif", test::MakeGif(2, 2, palette, {0, 1, 2, 3}));
  test::WriteFuzzSeed("image", "flat.jpg", MakeJpeg(8, 8, test::TestColor));
  test::WriteFuzzSeed(
      "image", "paletted.bmp",
      test::MakeDeepBmp(3, 2, 8, [](int x, int) { return uint32_t(x % 2); }, {{9, 9, 9}, {1, 1, 1}}));
  test::WriteFuzzSeed("image", "kept.bmp", test::MakeBmp(3, 2));
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// Huffman tables of more code lengths than a table has room for are
// refused, also behind fill bytes before the start marker and when the file
// ends inside the table's counts.
TEST(ImageImport, OversizedJpegHuffmanTablesAreRefused) {
  std::vector<uint8_t> table = {0xFF, 0xC4, 0x01, 0x22, 0x00};
  for (int i = 0; i < 16; ++i) table.push_back(0x11);  // 272 codes
  for (const std::vector<uint8_t>& head :
       {std::vector<uint8_t>{0xFF, 0xD8}, std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xD8}}) {
    std::vector<uint8_t> whole = head;
    whole.insert(whole.end(), table.begin(), table.end());
    whole.resize(whole.size() + 300, 0x01);
    std::vector<uint8_t> cut = head;
    cut.insert(cut.end(), table.begin(), table.end() - 2);  // ends inside the counts
    for (const std::vector<uint8_t>* bytes : {&whole, &cut}) {
      std::string message;
      EXPECT_FALSE(DecodeImage(bytes->data(), bytes->size(), message).has_value());
      EXPECT_EQ(message.rfind("Ungültige Datei!", 0), 0u);
    }
  }
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

using test::PutLE;
using test::Rgb;

// A TGA header and its colour map (if any) and pixel bytes.
std::vector<uint8_t> Tga(uint8_t type, int w, int h, uint8_t bits, uint8_t descriptor,
                         const std::vector<uint8_t>& pixels, uint16_t map_first = 0,
                         const std::vector<Rgb>& map = {}) {
  std::vector<uint8_t> t = {0, uint8_t(map.empty() ? 0 : 1), type};
  PutLE(t, map_first, 2);
  PutLE(t, map.size(), 2);
  t.push_back(map.empty() ? 0 : 24);
  PutLE(t, 0, 4);
  PutLE(t, w, 2);
  PutLE(t, h, 2);
  t.insert(t.end(), {bits, descriptor});
  for (const Rgb& c : map) t.insert(t.end(), {c[2], c[1], c[0]});
  t.insert(t.end(), pixels.begin(), pixels.end());
  return t;
}

// A bitmap with a palette: the 40-byte info header (or the OS/2 core header,
// whose palette entries have 3 bytes), then the given pixel bytes.
std::vector<uint8_t> PaletteBmp(int w, int h, uint16_t bits, uint32_t compression,
                                const std::vector<Rgb>& palette, const std::vector<uint8_t>& pixels,
                                bool core = false) {
  const uint32_t header = core ? 12 : 40, entry = core ? 3 : 4;
  const uint32_t offset = 14 + header + entry * uint32_t(palette.size());
  std::vector<uint8_t> b = {'B', 'M'};
  PutLE(b, offset + pixels.size(), 4);
  PutLE(b, 0, 4);
  PutLE(b, offset, 4);
  PutLE(b, header, 4);
  if (core) {
    PutLE(b, w, 2);
    PutLE(b, h, 2);
    PutLE(b, 1, 2);
    PutLE(b, bits, 2);
  } else {
    for (uint32_t v : {uint32_t(w), uint32_t(h)}) PutLE(b, v, 4);
    PutLE(b, 1, 2);
    PutLE(b, bits, 2);
    for (uint32_t v : {compression, uint32_t(pixels.size()), 2835u, 2835u, uint32_t(palette.size()), 0u})
      PutLE(b, v, 4);
  }
  for (const Rgb& c : palette) {
    b.insert(b.end(), {c[2], c[1], c[0]});
    if (!core) b.push_back(0);
  }
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// The less common layouts of the two formats read by our own code, each
// against the pixels it must give (rows from the top); and damaged variants.
TEST(ImageImport, TgaAndBitmapLayoutsOfEveryKind) {
  const Rgb k{0, 0, 0}, r{250, 10, 20}, g{30, 240, 40}, b{1, 2, 253};
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    int w, h;
    std::vector<Rgb> top_down;
  };
  const std::vector<Case> cases = {
      {"tga grey, top-down",
       Tga(3, 2, 2, 8, 0x20, {0, 50, 100, 255}),
       2,
       2,
       {{0, 0, 0}, {50, 50, 50}, {100, 100, 100}, {255, 255, 255}}},
      {"tga grey and alpha, run-length",
       Tga(11, 3, 1, 16, 0x20, {0x82, 77, 9}),
       3,
       1,
       {{77, 77, 77}, {77, 77, 77}, {77, 77, 77}}},
      // a rrrrr ggggg bbbbb: red full, green 16 of 31 (132), blue 1 of 31 (8)
      {"tga 16 bits", Tga(2, 1, 1, 16, 0, {0x01, 0xFE}), 1, 1, {{255, 132, 8}}},
      {"tga colour map from index 5, right to left",
       Tga(1, 3, 1, 8, 0x30, {5, 6, 7}, 5, {r, g, b}),
       3,
       1,
       {b, g, r}},
      {"tga run across rows",
       Tga(10, 2, 2, 24, 0x20, {0x83, 20, 200, 100}),
       2,
       2,
       {{100, 200, 20}, {100, 200, 20}, {100, 200, 20}, {100, 200, 20}}},
      // RLE4: a run of 4 alternating 1 and 2, end of line, a move by (1, 0),
      // three pixels as stored, end of bitmap. Row 0 is the bottom one.
      {"bmp rle4 with delta and absolute mode",
       PaletteBmp(4, 2, 4, 2, {k, r, g, b}, {4, 0x12, 0, 0, 0, 2, 1, 0, 0, 3, 0x30, 0x10, 0, 1}),
       4,
       2,
       {k, b, k, r, r, g, r, g}},
      {"bmp rle8, index past the palette", PaletteBmp(2, 1, 8, 1, {k, r}, {1, 1, 1, 9, 0, 1}), 2, 1, {r, k}},
      {"bmp 4 bits, core header",
       PaletteBmp(3, 1, 4, 0, {k, r, g, b}, {0x31, 0x20, 0, 0}, true),
       3,
       1,
       {b, r, g}},
      {"bmp 1 bit", PaletteBmp(9, 1, 1, 0, {r, g}, {0xA5, 0x80, 0, 0}), 9, 1, {g, r, g, r, r, g, r, g, g}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectConvertsTo(c.file, c.w, c.h, [&](int x, int y) { return c.top_down[size_t(y * c.w + x)]; });
    // Cut before its last pixel byte, a file is refused (a bitmap may lack
    // the padding of its last row, two bytes here, or its end mark).
    const size_t needed = c.name[0] == 'b' ? c.file.size() - 2 : c.file.size();
    for (size_t n = 18; n < needed; n += 3)
      ExpectRefused(std::vector<uint8_t>(c.file.begin(), c.file.begin() + n), std::string(c.name) + " cut");
  }
  ExpectRefused(Tga(1, 1, 1, 8, 0, {4}, 5, {r}), "tga index below the map");
  ExpectRefused(Tga(2, 1, 1, 12, 0, {0, 0}), "tga of 12 bits");
  ExpectRefused(PaletteBmp(1, 1, 8, 2, {k}, {1, 0, 0, 1}), "rle4 with 8 bits");
}

}  // namespace
}  // namespace qx

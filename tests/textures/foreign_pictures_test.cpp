// Pictures written by other programs (ImageMagick's convert, netpbm) become
// textures with the source's pixels: exactly for the lossless formats, within
// the usual rounding for JPEG and for 16-bit bitmaps. A case whose tool is
// missing is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/test_support.h"
#include "textures/image_import.h"

namespace qx {
namespace {

struct Ppm {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // top row first
};

std::vector<uint8_t> PpmBytes(const Ppm& p) {
  const std::string head = "P6 " + std::to_string(p.width) + " " + std::to_string(p.height) + " 255\n";
  std::vector<uint8_t> out(head.begin(), head.end());
  out.insert(out.end(), p.rgb.begin(), p.rgb.end());
  return out;
}

std::optional<Ppm> ReadPpm(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  Ppm p;
  int max = 0;
  if (!(in >> magic >> p.width >> p.height >> max) || magic != "P6" || max != 255) return std::nullopt;
  in.get();
  p.rgb.resize(size_t(p.width) * size_t(p.height) * 3);
  if (!in.read(reinterpret_cast<char*>(p.rgb.data()), std::streamsize(p.rgb.size()))) return std::nullopt;
  return p;
}

// A smooth picture (JPEG keeps it well), and pictures of n colours in blocks
// for the palette formats. 37 x 23: odd sizes give every row padding.
Ppm Smooth() {
  Ppm p{37, 23, {}};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      p.rgb.insert(p.rgb.end(), {uint8_t(x * 7), uint8_t(y * 11), uint8_t((x + y) * 3)});
  return p;
}

Ppm Blocks(int colours) {
  static const uint8_t kTable[16][3] = {{0, 0, 0},     {255, 255, 255}, {200, 30, 40},   {10, 220, 60},
                                        {30, 40, 230}, {250, 250, 10},  {128, 128, 128}, {20, 200, 100},
                                        {90, 10, 200}, {255, 128, 0},   {0, 128, 255},   {64, 0, 64},
                                        {33, 66, 99},  {240, 200, 180}, {5, 150, 150},   {180, 90, 45}};
  Ppm p{37, 23, {}};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const int i = (x / 3 + y / 2) % colours;
      p.rgb.insert(p.rgb.end(), kTable[i], kTable[i] + 3);
    }
  return p;
}

bool HasTool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

struct Case {
  const char* tool;     // the program that must be there
  const char* command;  // run in the folder: reads IN (a PPM), writes OUT
  int colours;          // 0: the smooth picture, else blocks of that many colours
  int tolerance;        // -1: exactly the source; else within this of ImageMagick's own decoding
};

TEST(ForeignPictures, FilesWrittenByOtherProgramsGiveTheSourcePixelsAndMakeFuzzSeeds) {
  const Case cases[] = {
      {"convert", "convert IN PNG24:OUT", 0, -1},
      {"convert", "convert IN PNG48:OUT", 0, -1},  // 16 bits: v * 257, high byte v
      {"convert", "convert IN PNG8:OUT", 16, -1},
      {"convert", "convert IN -interlace PNG PNG24:OUT", 0, -1},
      {"pnmtopng", "pnmtopng IN > OUT", 0, -1},
      {"convert", "convert IN -quality 100 JPEG:OUT", 0, 2},
      {"convert", "convert IN -quality 85 -interlace Plane JPEG:OUT", 0, 2},  // progressive
      {"convert", "convert IN -colorspace Gray JPEG:OUT", 0, 2},
      {"convert", "convert IN -colorspace CMYK JPEG:OUT", 0, 3},
      {"convert", "convert IN GIF:OUT", 16, -1},
      {"convert", "convert IN -interlace GIF GIF:OUT", 16, -1},
      {"pamtogif", "pamtogif IN > OUT 2>/dev/null", 2, -1},
      // ImageMagick writes its rows top first and names the origin after the
      // picture's orientation, which a PPM leaves open (then "bottom left").
      {"convert", "convert IN -orient TopLeft TGA:OUT", 0, -1},
      {"convert", "convert IN -orient TopLeft -compress RLE TGA:OUT", 0, -1},
      {"ppmtotga", "ppmtotga -rgb -norle IN > OUT 2>/dev/null", 0, -1},
      {"ppmtotga", "ppmtotga -rgb IN > OUT 2>/dev/null", 0, -1},
      {"ppmtotga", "ppmtotga -cmap IN > OUT 2>/dev/null", 16, -1},
      {"convert", "convert IN BMP3:OUT", 0, -1},            // 24 bits: kept byte for byte
      {"convert", "convert IN -alpha set BMP:OUT", 0, -1},  // 32 bits with bit masks
      {"convert", "convert IN -define bmp:subtype=RGB565 BMP:OUT", 0, 1},
      {"convert", "convert IN -define bmp:subtype=RGB555 BMP:OUT", 0, 1},
      {"convert", "convert IN -type palette -compress RLE BMP3:OUT", 16, -1},  // RLE8
      {"ppmtobmp", "ppmtobmp -bpp 1 IN > OUT 2>/dev/null", 2, -1},
      {"ppmtobmp", "ppmtobmp -bpp 4 IN > OUT 2>/dev/null", 16, -1},
      {"ppmtobmp", "ppmtobmp -bpp 8 IN > OUT 2>/dev/null", 16, -1},
      {"ppmtobmp", "ppmtobmp -bpp 24 IN > OUT 2>/dev/null", 0, -1},
  };
  test::TempDir dir;
  int ran = 0;
  for (const Case& c : cases) {
    if (!HasTool(c.tool) || (c.tolerance >= 0 && !HasTool("convert"))) continue;
    SCOPED_TRACE(c.command);
    const Ppm source = c.colours ? Blocks(c.colours) : Smooth();
    test::WriteFileBytes(dir / "in.ppm", PpmBytes(source));
    std::string command = c.command;
    command.replace(command.find("IN"), 2, "in.ppm");
    command.replace(command.find("OUT"), 3, "out.pic");
    ASSERT_EQ(std::system(("cd '" + dir.path().string() + "' && rm -f out.pic && " + command).c_str()), 0);
    Ppm want = source;
    if (c.tolerance >= 0) {  // another decoder's view of the same file
      ASSERT_EQ(
          std::system(("cd '" + dir.path().string() + "' && convert out.pic -depth 8 PPM:ref.ppm").c_str()),
          0);
      const std::optional<Ppm> ref = ReadPpm(dir / "ref.ppm");
      ASSERT_TRUE(ref);
      want = *ref;
    }
    // Files of other writers make good seeds for the picture fuzz target.
    test::WriteFuzzSeed("image", "foreign-" + std::to_string(ran) + ".pic",
                        test::ReadFileBytes(dir / "out.pic"));
    std::string message;
    const std::optional<TTexNode> node = ReadTextureFile(dir / "out.pic", message);
    ASSERT_TRUE(node) << message;
    const std::optional<RgbImage> image = DecodeBmp24(node->Bitmap());
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, want.width);
    ASSERT_EQ(image->height, want.height);
    int worst = 0;
    for (int y = 0; y < want.height; ++y)
      for (int x = 0; x < want.width; ++x)
        for (int k = 0; k < 3; ++k)
          worst = std::max(worst, std::abs(image->PixelFromTop(x, y)[k] -
                                           want.rgb[(size_t(y) * size_t(want.width) + size_t(x)) * 3 + k]));
    EXPECT_LE(worst, std::max(c.tolerance, 0));
    ++ran;
  }
  if (ran == 0) GTEST_SKIP() << "neither ImageMagick nor netpbm is installed";
}

// A JPEG on which an earlier decoder shifted a 32-bit value by 32 (found by
// the fuzz target): refused or decoded, and under the sanitizers without a report.
TEST(ForeignPictures, JpegThatBrokeTheBitReader) {
  const std::vector<uint8_t> file = test::ReadFileBytes(std::filesystem::path(QX_SOURCE_DIR) /
                                                        "tests/textures/data/jpeg-bit-reader-shift.jpg");
  ASSERT_EQ(file.size(), 677u);
  std::string message;
  const auto bmp = ImageToBmp24(file.data(), file.size(), message);
  if (!bmp) {
    EXPECT_EQ(message, "Ungültige Datei!");
  }
  for (size_t n = 0; n < file.size(); n += 7) (void)ImageToBmp24(file.data(), n, message);
}

}  // namespace
}  // namespace qx

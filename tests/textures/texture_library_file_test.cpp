#include "textures/texture_library_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/test_support.h"
#include "textures/test_bitmaps.h"
#include "textures/texture_test_support.h"

namespace qx {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<uint8_t> LE32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

// A library with a 24-bit, a paletted and a padded picture.
void FillSample(TextureLibrary& lib) {
  lib.Add(MakeTexNode(123456, "stone", test::MakeBmp(4, 4)));
  lib.Add(MakeTexNode(0, "pal\xE4", test::MakeBmp(8, 2, test::TestColor, {.bits = 8})));
  lib.Add(MakeTexNode(2147483646, "", test::MakeBmp(5, 3, test::TestColor, {.top_down = true})));
}

TEST(TextureLibraryFile, EmptyLibraryIsSixBytes) {
  const auto bytes = WriteTextureLibraryBytes({});
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, (std::vector<uint8_t>{'T', 'L', 'I', 'B', 0, 0}));
  const auto back = ReadTextureLibraryBytes(bytes->data(), bytes->size());
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->empty());
}

TEST(TextureLibraryFile, EntryLayoutToTheByte) {
  const std::vector<uint8_t> bmp = {'B', 'M', 1, 2, 3};  // kept as it is, whatever it holds
  std::vector<TTexNode> entries{MakeTexNode(0x01020304, "stone", bmp), MakeTexNode(-1, "", {})};
  const auto bytes = WriteTextureLibraryBytes(entries);
  ASSERT_TRUE(bytes);
  const auto expected = Concat({Bytes("TLIB"),
                                {2, 0},
                                {4, 3, 2, 1},
                                {5},
                                Bytes("stone"),
                                LE32(5),
                                bmp,
                                {0xFF, 0xFF, 0xFF, 0xFF},
                                {0},
                                LE32(0)});
  EXPECT_EQ(*bytes, expected);
}

TEST(TextureLibraryFile, LongNamesKeepTheLowEightBitsOfTheirLength) {
  std::string name(296, 'n');
  for (size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char>('a' + i % 26);
  const auto bytes = WriteTextureLibraryBytes({MakeTexNode(1, name, {})});
  ASSERT_TRUE(bytes);
  ASSERT_EQ(bytes->size(), 6u + 4 + 1 + 40 + 4);
  EXPECT_EQ((*bytes)[10], 40);
  EXPECT_EQ(std::string(bytes->begin() + 11, bytes->begin() + 51), name.substr(0, 40));
  const auto back = ReadTextureLibraryBytes(bytes->data(), bytes->size());
  ASSERT_TRUE(back);
  EXPECT_EQ((*back)[0].TexName, name.substr(0, 40));
  // 256 bytes store as length 0.
  const auto exact = WriteTextureLibraryBytes({MakeTexNode(1, std::string(256, 'x'), {})});
  EXPECT_EQ((*exact)[10], 0);
  EXPECT_EQ(exact->size(), 6u + 4 + 1 + 0 + 4);
}

TEST(TextureLibraryFile, SaveLoadSaveGivesTheSameBytes) {
  test::TempDir dir;
  TextureLibrary lib;
  FillSample(lib);
  std::string msg;
  ASSERT_TRUE(SaveTextureLibrary(lib, dir / "a.tex", msg)) << msg;

  TextureLibrary other;
  test::RecordingUploader up;
  other.SetUploader(&up);
  ASSERT_TRUE(LoadTextureLibrary(other, dir / "a.tex", msg)) << msg;
  ASSERT_EQ(other.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(other.Entry(i)->TexId, lib.Entry(i)->TexId);
    EXPECT_EQ(other.Entry(i)->TexName, lib.Entry(i)->TexName);
    EXPECT_EQ(other.Entry(i)->Bitmap(), lib.Entry(i)->Bitmap());
    EXPECT_EQ(other.Entry(i)->Pixels().rgb, lib.Entry(i)->Pixels().rgb);
    EXPECT_TRUE(other.Entry(i)->SourcePath.empty());
  }
  EXPECT_EQ(up.uploads.size(), 2u);
  EXPECT_EQ(other.TextureGLName(1), 0u) << "the paletted bitmap is kept but no texture";
  EXPECT_EQ(other.FileName, dir / "a.tex");
  EXPECT_EQ(other.Directory, dir.path());
  EXPECT_TRUE(other.HasFile);

  ASSERT_TRUE(SaveTextureLibrary(other, dir / "b.tex", msg)) << msg;
  EXPECT_EQ(test::ReadFileBytes(dir / "a.tex"), test::ReadFileBytes(dir / "b.tex"));
}

TEST(TextureLibraryFile, DamagedBitmapGivesAnEntryWithoutTextureAndSavesBack) {
  auto bmp = test::MakeBmp(4, 4);
  bmp.resize(bmp.size() - 10);  // pixels cut short
  const auto file =
      Concat({Bytes("TLIB"), {1, 0}, LE32(77), {1}, Bytes("d"), LE32(uint32_t(bmp.size())), bmp});
  test::TempDir dir;
  test::WriteFileBytes(dir / "d.tex", file);
  TextureLibrary lib;
  test::RecordingUploader up;
  lib.SetUploader(&up);
  std::string msg;
  ASSERT_TRUE(LoadTextureLibrary(lib, dir / "d.tex", msg)) << msg;
  ASSERT_EQ(lib.Count(), 1);
  EXPECT_FALSE(lib.Entry(0)->HasPixels());
  EXPECT_EQ(lib.TextureGLName(0), 0u);
  EXPECT_TRUE(up.uploads.empty());
  ASSERT_TRUE(SaveTextureLibrary(lib, dir / "e.tex", msg));
  EXPECT_EQ(test::ReadFileBytes(dir / "e.tex"), file);
}

TEST(TextureLibraryFile, TrailingBytesAreIgnored) {
  auto file = *WriteTextureLibraryBytes({MakeTexNode(3, "x", test::MakeBmp(1, 1))});
  file.push_back(0xAB);
  file.push_back(0xCD);
  const auto back = ReadTextureLibraryBytes(file.data(), file.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->size(), 1u);
}

TEST(TextureLibraryFile, EveryTruncationAndBadSizeIsRefused) {
  TextureLibrary lib;
  FillSample(lib);
  const auto good = *WriteTextureLibraryBytes(lib.Entries());
  ASSERT_TRUE(ReadTextureLibraryBytes(good.data(), good.size()));
  for (size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(ReadTextureLibraryBytes(good.data(), n)) << n;
  EXPECT_FALSE(ReadTextureLibraryBytes(nullptr, 0));

  auto more = good;
  more[4] = 4;  // one entry more than the file holds
  EXPECT_FALSE(ReadTextureLibraryBytes(more.data(), more.size()));
  auto huge = good;
  huge[4] = huge[5] = 0xFF;  // 65535 entries announced
  EXPECT_FALSE(ReadTextureLibraryBytes(huge.data(), huge.size()));

  const size_t size_at = 6 + 4 + 1 + 5;  // first entry's bitmap size
  auto negative = good;
  std::memcpy(negative.data() + size_at, "\xFF\xFF\xFF\xFF", 4);
  EXPECT_FALSE(ReadTextureLibraryBytes(negative.data(), negative.size()));
  auto beyond = good;
  std::memcpy(beyond.data() + size_at, "\x00\x00\x00\x7F", 4);
  EXPECT_FALSE(ReadTextureLibraryBytes(beyond.data(), beyond.size()));

  auto magic = good;
  magic[3] = 'C';
  EXPECT_FALSE(ReadTextureLibraryBytes(magic.data(), magic.size()));
}

TEST(TextureLibraryFile, RefusedFileChangesNothing) {
  test::TempDir dir;
  TextureLibrary lib;
  test::RecordingUploader up;
  lib.SetUploader(&up);
  FillSample(lib);
  std::string msg;
  ASSERT_TRUE(SaveTextureLibrary(lib, dir / "mine.tex", msg));
  ASSERT_TRUE(LoadTextureLibrary(lib, dir / "mine.tex", msg));
  const size_t live = up.Live();

  auto foreign = test::ReadFileBytes(dir / "mine.tex");
  foreign[0] = 'X';
  test::WriteFileBytes(dir / "foreign.tex", foreign);
  auto cut = test::ReadFileBytes(dir / "mine.tex");
  cut.resize(cut.size() - 1);
  test::WriteFileBytes(dir / "cut.tex", cut);

  for (const char* name : {"foreign.tex", "cut.tex"}) {
    SCOPED_TRACE(name);
    msg.clear();
    EXPECT_FALSE(LoadTextureLibrary(lib, dir / name, msg));
    EXPECT_EQ(msg, "Ungültige Datei!");
    EXPECT_EQ(lib.Count(), 3);
    EXPECT_EQ(lib.FileName, dir / "mine.tex") << "a refused file never becomes the library's file";
    EXPECT_EQ(up.Live(), live);
    EXPECT_NE(lib.TextureGLName(0), 0u);
  }
  EXPECT_FALSE(LoadTextureLibrary(lib, dir / "missing.tex", msg));
  EXPECT_EQ(msg.rfind("Die Datei konnte nicht gelesen werden!", 0), 0u);
  EXPECT_EQ(lib.Count(), 3);
}

TEST(TextureLibraryFile, FailedSaveKeepsThePreviousFile) {
  test::TempDir dir;
  TextureLibrary lib;
  FillSample(lib);
  std::string msg;
  ASSERT_TRUE(SaveTextureLibrary(lib, dir / "a.tex", msg));
  const auto before = test::ReadFileBytes(dir / "a.tex");
  EXPECT_FALSE(SaveTextureLibrary(lib, dir / "no" / "a.tex", msg));
  EXPECT_EQ(msg.rfind("Die Datei konnte nicht gespeichert werden!", 0), 0u);
  EXPECT_EQ(test::ReadFileBytes(dir / "a.tex"), before);
}

TEST(TextureLibraryFile, MoreEntriesThanTheCountHoldsAreRefused) {
  std::vector<TTexNode> entries(65536);
  EXPECT_FALSE(WriteTextureLibraryBytes(entries));
  entries.pop_back();
  const auto bytes = WriteTextureLibraryBytes(entries);
  ASSERT_TRUE(bytes);
  EXPECT_EQ((*bytes)[4], 0xFF);
  EXPECT_EQ((*bytes)[5], 0xFF);
  EXPECT_EQ(bytes->size(), 6u + 65535u * 9u);
}

TEST(TextureLibraryFile, WritesFuzzSeeds) {
  TextureLibrary lib;
  FillSample(lib);
  test::WriteFuzzSeed("texlib", "sample", *WriteTextureLibraryBytes(lib.Entries()));
  test::WriteFuzzSeed("texlib", "empty", *WriteTextureLibraryBytes({}));
  test::WriteFuzzSeed("texlib", "tiny",
                      *WriteTextureLibraryBytes({MakeTexNode(1, "a", test::MakeBmp(1, 1))}));
}

}  // namespace
}  // namespace qx

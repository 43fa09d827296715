#include "scene/bytes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>

#include "scene/cp1252.h"
#include "support/test_support.h"

namespace qx {
namespace {

TEST(Bytes, LittleEndianRoundTripAndBounds) {
  ByteWriter w;
  w.U8(1);
  w.U16(0x0302);
  w.U32(0x07060504);
  w.F32(1.0f);
  const auto b = w.Take();
  ASSERT_EQ(b.size(), 11u);
  EXPECT_EQ(b[1], 2);
  EXPECT_EQ(b[2], 3);
  EXPECT_EQ(b[6], 7);
  EXPECT_EQ(b[10], 0x3F);
  ByteReader r(b);
  EXPECT_EQ(r.U8(), 1);
  EXPECT_EQ(r.U16(), 0x0302);
  EXPECT_EQ(r.U32(), 0x07060504u);
  EXPECT_EQ(r.F32(), 1.0f);
  EXPECT_THROW(r.U8(), ReadError);
  ByteReader r2(b);
  EXPECT_THROW(r2.NeedItems(3, 4), ReadError);
  EXPECT_NO_THROW(r2.NeedItems(2, 4));
  EXPECT_THROW(r2.NeedItems(0xFFFFFFFFFFFFull, 0xFFFFFFFFull), ReadError) << "no overflow in the check";
  EXPECT_THROW(r2.Bytes(12), ReadError);
}

TEST(Bytes, RoundToByteHalvesToEvenLowBits) {
  EXPECT_EQ(RoundToByte(0.5), 0);
  EXPECT_EQ(RoundToByte(1.5), 2);
  EXPECT_EQ(RoundToByte(2.5), 2);
  EXPECT_EQ(RoundToByte(127.5), 128);
  EXPECT_EQ(RoundToByte(255.0), 255);
  EXPECT_EQ(RoundToByte(256.0), 0);
  EXPECT_EQ(RoundToByte(260.0), 4);
  EXPECT_EQ(RoundToByte(-1.0), 255);
  EXPECT_EQ(RoundToByte(0.5f * 255), 128) << "127.5 rounds to even 128";
  EXPECT_EQ(RoundToByte(NAN), 0);
}

TEST(Bytes, AtomicWriteKeepsOldFileOnFailure) {
  test::TempDir dir;
  const auto target = dir / "a.bin";
  std::string err;
  ASSERT_TRUE(WriteFileAtomic(target, {1, 2, 3}, err)) << err;
  EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_TRUE(WriteFileAtomic(target, {4}, err));
  EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{4}));
  EXPECT_FALSE(WriteFileAtomic(dir / "missing" / "x.bin", {1}, err));
  EXPECT_FALSE(err.empty());
  size_t files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1u) << "no temporary file left behind";
}

TEST(Bytes, ErrorTextsAreGerman) {
  // What a damaged file or a failed read tells the user.
  const std::vector<uint8_t> two{1, 2};
  auto what = [&](auto read) {
    ByteReader r(two);
    try {
      read(r);
    } catch (const ReadError& e) {
      return std::string(e.what());
    }
    return std::string("nichts");
  };
  EXPECT_EQ(what([](ByteReader& r) { r.U32(); }), "unerwartetes Dateiende");
  EXPECT_EQ(what([](ByteReader& r) { r.NeedItems(3, 1); }), "Anzahl größer als die übrigen Daten");
  EXPECT_EQ(what([](ByteReader& r) { r.Seek(3); }), "Position hinter dem Dateiende");

  test::TempDir dir;
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_FALSE(ReadWholeFile(dir / "fehlt.qxm", bytes, error));
  EXPECT_EQ(error, "Datei oder Ordner nicht gefunden");
  EXPECT_FALSE(ReadWholeFile(dir.path(), bytes, error));
  EXPECT_EQ(error, "Lesefehler") << "a folder opens but cannot be read";
  test::WriteFileBytes(dir / "gross.bin", std::vector<uint8_t>(100, 7));
  EXPECT_FALSE(ReadWholeFile(dir / "gross.bin", bytes, error, 99));
  EXPECT_EQ(error, "Datei zu groß");
  EXPECT_FALSE(WriteFileAtomic(dir / "fehlt" / "x.bin", {1}, error));
  EXPECT_EQ(error, "Datei oder Ordner nicht gefunden");

  EXPECT_EQ(SystemErrorText(EACCES), "Zugriff verweigert");
  EXPECT_EQ(SystemErrorText(ENOSPC), "kein Platz mehr auf dem Datenträger");
  EXPECT_EQ(SystemErrorText(12345), "Systemfehler 12345");
}

TEST(Cp1252, RoundTrip) {
  const std::string bytes =
      "Gr\xFC\xDF"
      "e \x80\x9F";
  const std::string utf8 = Cp1252ToUtf8(bytes);
  EXPECT_EQ(utf8, "Grüße €Ÿ");
  EXPECT_EQ(Utf8ToCp1252(utf8), bytes);
  EXPECT_EQ(Utf8ToCp1252("日"), "?");
}

}  // namespace
}  // namespace qx

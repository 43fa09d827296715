#include "models/md2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "models/test_md2.h"
#include "support/test_support.h"

namespace qx {
namespace {

bool Load(TMD2& m, const std::vector<uint8_t>& b) {
  return m.LoadFromMemory(b.data(), b.size());
}

TEST(MD2, DecodesEveryFrameTexCoordAndTriangle) {
  const auto file = test::MakeMd2(test::SampleMd2());
  TMD2 m;
  ASSERT_TRUE(Load(m, file)) << m.Error();
  EXPECT_TRUE(m.Loaded());
  EXPECT_EQ(m.VertexCount(), 4);
  EXPECT_EQ(m.FrameCount(), 2);
  EXPECT_EQ(m.TexCoordCount(), 6);
  EXPECT_EQ(m.TriangleCount(), 2);
  EXPECT_EQ(m.FrameSize(), 40 + 16 + 8);
  EXPECT_EQ(m.Header()[kMD2Ident], 0x32504449);
  EXPECT_EQ(m.Header()[kMD2OffsetFrames], test::Md2Field(file, kMD2OffsetFrames));

  // byte x scale + translate on each axis, the file's own axes.
  EXPECT_EQ(m.FramePosition(0, 0), (Vector{-10, 3, 100}));
  EXPECT_EQ(m.FramePosition(0, 1), (Vector{-10 + 127.5f, 3 + 2.0f, 100 + 0.5f}));
  EXPECT_EQ(m.FramePosition(0, 3), (Vector{-9.5f, 3 + 256.0f, 150}));
  EXPECT_EQ(m.FramePosition(1, 0), (Vector{1000 + 4.5f, 3 + 18.0f, 100 + 2.25f}));
  EXPECT_EQ(m.FramePositions().size(), 2u * 4 * 3);

  // u = s / skin width, v = -t / skin height.
  const auto& uv = m.TexCoords();
  ASSERT_EQ(uv.size(), 12u);
  EXPECT_FLOAT_EQ(uv[2], 1.0f);
  EXPECT_FLOAT_EQ(uv[5], -0.25f) << "t = 64 on a skin 256 high";
  EXPECT_FLOAT_EQ(uv[7], -1.0f);
  EXPECT_FLOAT_EQ(uv[10], 0.25f);
  EXPECT_FLOAT_EQ(uv[11], 0.125f) << "negative t";

  ASSERT_EQ(m.Triangles().size(), 2u);
  const MD2Triangle& t = m.Triangles()[1];
  EXPECT_EQ(t.Vertex[0], 2);
  EXPECT_EQ(t.Vertex[1], 1);
  EXPECT_EQ(t.Vertex[2], 3);
  EXPECT_EQ(t.TexCoord[0], 4);
  EXPECT_EQ(t.TexCoord[2], 3);
}

TEST(MD2, PositionsAreRoundedOnceFromTheExactValue) {
  test::Md2Spec s;
  test::Md2Frame f;
  f.scale[0] = 0.1f;
  f.translate[0] = 1e7f;
  f.vertices = {{255, 0, 0}};
  s.frames = {f};
  TMD2 m;
  ASSERT_TRUE(Load(m, test::MakeMd2(s)));
  const double exact = 255.0 * double(0.1f) + 1e7;
  EXPECT_EQ(m.FramePosition(0, 0).x, static_cast<float>(exact));
}

TEST(MD2, LimitsAreAcceptedUpToTheirMaximum) {
  test::Md2Spec s;
  test::Md2Frame f;
  f.vertices.assign(2048, {1, 2, 3});
  s.frames = {f};
  s.tex_coords = {{1, 1}};
  s.triangles.assign(65535, {0, 2047, 1, 0, 0, 0});
  TMD2 m;
  ASSERT_TRUE(Load(m, test::MakeMd2(s))) << m.Error();
  EXPECT_EQ(m.TriangleCount(), 65535);

  f.vertices.push_back({0, 0, 0});
  s.frames = {f};
  s.triangles.clear();
  EXPECT_FALSE(Load(m, test::MakeMd2(s))) << "2049 vertices";
  EXPECT_EQ(m.TriangleCount(), 65535) << "a refused file leaves the loader as it was";

  f.vertices.pop_back();
  s.frames = {f};
  s.triangles.assign(65536, {0, 1, 2, 0, 0, 0});
  EXPECT_FALSE(Load(m, test::MakeMd2(s))) << "more triangles than TriangleCount holds";

  // An empty model (one frame, nothing in it) is harmless.
  test::Md2Spec empty;
  empty.frames = {test::Md2Frame{}};
  EXPECT_TRUE(Load(m, test::MakeMd2(empty)));
  EXPECT_EQ(m.VertexCount(), 0);
}

TEST(MD2, EveryTruncationIsRefused) {
  const auto file = test::MakeMd2(test::SampleMd2());
  TMD2 m;
  for (size_t n = 0; n < file.size(); ++n) {
    EXPECT_FALSE(m.LoadFromMemory(file.data(), n)) << n;
    EXPECT_EQ(m.Error(), "Ungültige Datei!");
  }
  EXPECT_FALSE(m.LoadFromMemory(nullptr, 0));
  EXPECT_FALSE(m.Loaded());
}

TEST(MD2, MalformedHeadersAndIndicesAreRefused) {
  const auto good = test::MakeMd2(test::SampleMd2());
  const int32_t size = static_cast<int32_t>(good.size());
  struct Case {
    const char* what;
    int field;
    int32_t value;
  };
  const Case cases[] = {
      {"negative vertex count", kMD2NumVertices, -1},
      {"more than 2048 vertices", kMD2NumVertices, 2049},
      {"huge vertex count", kMD2NumVertices, INT32_MAX},
      {"negative texture-coordinate count", kMD2NumTexCoords, -1},
      {"texture coordinates beyond the file", kMD2NumTexCoords, INT32_MAX},
      {"negative triangle count", kMD2NumTriangles, -5},
      {"triangles beyond the file", kMD2NumTriangles, 60000},
      {"no frame", kMD2NumFrames, 0},
      {"negative frame count", kMD2NumFrames, -1},
      {"frames beyond the file", kMD2NumFrames, 3},
      {"huge frame count", kMD2NumFrames, INT32_MAX},
      {"frame too small for its vertices", kMD2FrameSize, 40 + 4 * 4 - 1},
      {"negative frame size", kMD2FrameSize, -64},
      {"huge frame size", kMD2FrameSize, INT32_MAX},
      {"negative frame offset", kMD2OffsetFrames, -4},
      {"frame offset at the end", kMD2OffsetFrames, size},
      {"frame offset far away", kMD2OffsetFrames, INT32_MAX},
      {"negative texture-coordinate offset", kMD2OffsetTexCoords, -1},
      {"texture coordinates run past the end", kMD2OffsetTexCoords, size - 8},
      {"negative triangle offset", kMD2OffsetTriangles, INT32_MIN},
      {"triangles run past the end", kMD2OffsetTriangles, size - 12},
      {"skin width 0", kMD2SkinWidth, 0},
      {"negative skin height", kMD2SkinHeight, -256},
  };
  for (const Case& c : cases) {
    auto bad = good;
    test::SetMd2Field(bad, c.field, c.value);
    TMD2 m;
    EXPECT_FALSE(Load(m, bad)) << c.what;
    EXPECT_EQ(m.Error(), "Ungültige Datei!") << c.what;
    EXPECT_FALSE(m.Loaded()) << c.what;
  }
}

TEST(MD2, TriangleIndicesMustNameExistingEntries) {
  for (int corner = 0; corner < 6; ++corner) {
    for (int16_t value : {int16_t(-1), int16_t(corner < 3 ? 4 : 6), int16_t(32767)}) {
      test::Md2Spec s = test::SampleMd2();
      s.triangles[1][corner] = value;
      TMD2 m;
      EXPECT_FALSE(Load(m, test::MakeMd2(s))) << corner << " = " << value;
    }
  }
  // Without texture coordinates no triangle can name one.
  test::Md2Spec s = test::SampleMd2();
  s.tex_coords.clear();
  TMD2 m;
  EXPECT_FALSE(Load(m, test::MakeMd2(s)));
  s.triangles.clear();
  s.skin_width = 0;  // and then the skin size does not matter
  EXPECT_TRUE(Load(m, test::MakeMd2(s))) << m.Error();
}

TEST(MD2, NonFiniteScaleOrTranslationIsRefused) {
  for (int frame = 0; frame < 2; ++frame)
    for (float bad : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
      test::Md2Spec s = test::SampleMd2();
      s.frames[frame].scale[1] = bad;
      TMD2 m;
      EXPECT_FALSE(Load(m, test::MakeMd2(s)));
      s = test::SampleMd2();
      s.frames[frame].translate[2] = -bad;
      EXPECT_FALSE(Load(m, test::MakeMd2(s)));
    }
}

TEST(MD2, IdentAndVersionAreNotChecked) {
  auto file = test::MakeMd2(test::SampleMd2());
  test::SetMd2Field(file, kMD2Ident, 0);
  test::SetMd2Field(file, kMD2Version, 99);
  test::SetMd2Field(file, kMD2OffsetEnd, -1);
  test::SetMd2Field(file, kMD2NumSkins, 1000000);
  TMD2 m;
  EXPECT_TRUE(Load(m, file)) << m.Error();
}

TEST(MD2, FilesAreReadWhole) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "a.md2", test::MakeMd2(test::SampleMd2()));
  TMD2 m;
  EXPECT_TRUE(m.LoadFromFile(dir / "a.md2"));
  EXPECT_EQ(m.VertexCount(), 4);
  TMD2 missing;
  EXPECT_FALSE(missing.LoadFromFile(dir / "b.md2"));
  EXPECT_EQ(missing.Error().rfind("Die Datei konnte nicht gelesen werden!", 0), 0u);
}

TEST(MD2, WritesFuzzSeeds) {
  test::WriteFuzzSeed("md2", "sample", test::MakeMd2(test::SampleMd2()));
  test::Md2Spec one;
  test::Md2Frame f;
  f.vertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  one.frames = {f};
  one.tex_coords = {{1, 2}};
  one.triangles = {{0, 1, 2, 0, 0, 0}};
  test::WriteFuzzSeed("md2", "one_triangle", test::MakeMd2(one));
}

}  // namespace
}  // namespace qx

#include "textures/texture_library.h"

#include <gtest/gtest.h>

#include <set>

#include "textures/test_bitmaps.h"
#include "textures/texture_test_support.h"

namespace qx {
namespace {

using test::RecordingUploader;

TEST(TextureLibrary, EntriesKeepTheirBytesAndDecodeOnly24Bit) {
  const auto bytes = test::MakeBmp(3, 2);
  TTexNode e = MakeTexNode(7, "stone", bytes);
  EXPECT_EQ(e.Bitmap(), bytes);
  EXPECT_TRUE(e.HasPixels());
  EXPECT_EQ(e.Width(), 3);
  EXPECT_EQ(e.Height(), 2);
  EXPECT_EQ(e.Pixels().rgb.size(), 18u);

  TTexNode paletted = MakeTexNode(8, "pal", test::MakeBmp(64, 32, test::TestColor, {.bits = 8}));
  EXPECT_FALSE(paletted.HasPixels());
  EXPECT_EQ(paletted.Width(), 64) << "the browser still shows its size";

  TTexNode junk = MakeTexNode(9, "junk", {1, 2, 3});
  EXPECT_FALSE(junk.Info());
  EXPECT_FALSE(junk.HasPixels());
  EXPECT_EQ(junk.Width(), 0);
}

TEST(TextureLibrary, WithoutUploaderEveryNameStaysZero) {
  TextureLibrary lib;
  lib.Add(MakeTexNode(1, "a", test::MakeBmp(2, 2)));
  EXPECT_EQ(lib.TextureGLName(0), 0u);
  EXPECT_EQ(lib.TextureGLName(-1), 0u);
  EXPECT_EQ(lib.TextureGLName(1), 0u);
  EXPECT_EQ(lib.TextureGLName(65535), 0u);
}

TEST(TextureLibrary, UploadsAndReleasesThroughTheUploader) {
  TextureLibrary lib;
  RecordingUploader up;
  lib.SetUploader(&up);
  EXPECT_EQ(lib.Add(MakeTexNode(1, "a", test::MakeBmp(2, 2))), 0);
  EXPECT_EQ(lib.Add(MakeTexNode(2, "pal", test::MakeBmp(2, 2, test::TestColor, {.bits = 8}))), 1);
  EXPECT_EQ(lib.Add(MakeTexNode(3, "c", test::MakeBmp(4, 1))), 2);
  EXPECT_EQ(lib.CurrentTexture(), 2) << "a new entry is selected";
  ASSERT_EQ(up.uploads.size(), 2u) << "only 24-bit bitmaps become textures";
  EXPECT_EQ(up.uploads[1].width, 4);
  EXPECT_EQ(lib.TextureGLName(0), 1u);
  EXPECT_EQ(lib.TextureGLName(1), 0u);
  EXPECT_EQ(lib.TextureGLName(2), 2u);

  // Replacing a picture keeps the TexId and swaps the texture.
  TTexNode pic = MakeTexNode(99, "new", test::MakeBmp(1, 1));
  pic.SourcePath = "/tex/new.bmp";
  ASSERT_TRUE(lib.Replace(0, std::move(pic)));
  EXPECT_EQ(lib.Entry(0)->TexId, 1);
  EXPECT_EQ(lib.Entry(0)->TexName, "new");
  EXPECT_EQ(lib.Entry(0)->SourcePath, "/tex/new.bmp");
  EXPECT_EQ(up.released, (std::vector<uint32_t>{1}));
  EXPECT_EQ(lib.TextureGLName(0), 3u);
  EXPECT_FALSE(lib.Replace(3, MakeTexNode(0, "x", {})));

  // Removing: the texture goes, later entries move down, the last is selected.
  lib.SelectTexture(0);
  ASSERT_TRUE(lib.Remove(0));
  EXPECT_EQ(up.released, (std::vector<uint32_t>{1, 3}));
  EXPECT_EQ(lib.Entry(0)->TexName, "pal");
  EXPECT_EQ(lib.CurrentTexture(), 1);
  EXPECT_EQ(lib.TextureGLName(1), 2u);

  // A wholesale replacement releases every old texture.
  lib.ReplaceAll({MakeTexNode(5, "x", test::MakeBmp(2, 2))});
  EXPECT_EQ(up.released, (std::vector<uint32_t>{1, 3, 2}));
  EXPECT_EQ(lib.TextureGLName(0), 4u);
  EXPECT_EQ(up.Live(), 1u);

  // Detaching the uploader releases what it made; attaching one uploads again.
  lib.SetUploader(nullptr);
  EXPECT_EQ(up.Live(), 0u);
  EXPECT_EQ(lib.TextureGLName(0), 0u);
  lib.SetUploader(&up);
  EXPECT_EQ(up.Live(), 1u);
  EXPECT_NE(lib.TextureGLName(0), 0u);
}

TEST(TextureLibrary, CurrentTextureStaysOnAnExistingEntry) {
  TextureLibrary lib;
  EXPECT_EQ(lib.CurrentTexture(), 0);
  EXPECT_EQ(lib.Current(), nullptr);
  for (int i = 0; i < 5; ++i) lib.Add(MakeTexNode(i, "t", {}));
  EXPECT_TRUE(lib.SelectTexture(4));
  EXPECT_FALSE(lib.SelectTexture(5));
  EXPECT_FALSE(lib.SelectTexture(-1));
  EXPECT_EQ(lib.CurrentTexture(), 4);

  lib.ReplaceAll({MakeTexNode(0, "a", {}), MakeTexNode(1, "b", {})});
  EXPECT_EQ(lib.CurrentTexture(), 1) << "brought back into a smaller library";
  lib.SelectTexture(0);
  lib.ReplaceAll({MakeTexNode(0, "a", {}), MakeTexNode(1, "b", {}), MakeTexNode(2, "c", {})});
  EXPECT_EQ(lib.CurrentTexture(), 0) << "a valid selection is kept";

  lib.Clear();
  EXPECT_EQ(lib.CurrentTexture(), -1);
  EXPECT_EQ(lib.Current(), nullptr);
  lib.ReplaceAll({MakeTexNode(0, "a", {})});
  EXPECT_EQ(lib.CurrentTexture(), 0);

  ASSERT_TRUE(lib.Remove(0));
  EXPECT_EQ(lib.CurrentTexture(), -1);
  EXPECT_FALSE(lib.Remove(0));
  EXPECT_FALSE(lib.Remove(-1));
}

TEST(TextureLibrary, ListenersHearEveryChange) {
  struct Counter : TextureLibraryListener {
    int n = 0;
    void TextureLibraryChanged() override { ++n; }
  } c;
  TextureLibrary lib;
  lib.AddListener(&c);
  lib.AddListener(&c);  // once only
  lib.Add(MakeTexNode(0, "a", {}));
  lib.Add(MakeTexNode(0, "b", {}));
  lib.SelectTexture(0);
  lib.Replace(0, MakeTexNode(0, "c", {}));
  lib.Remove(1);
  lib.Clear();
  EXPECT_EQ(c.n, 6);
  lib.RemoveListener(&c);
  lib.Add(MakeTexNode(0, "d", {}));
  EXPECT_EQ(c.n, 6);
}

TEST(TextureLibrary, NewTextureIdsAre31BitAndVary) {
  TextureLibrary lib;
  lib.SeedTextureIds(42);
  std::set<int32_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const int32_t id = lib.NewTextureId();
    ASSERT_GE(id, 0);
    ASSERT_LE(id, 2147483646);
    seen.insert(id);
  }
  EXPECT_GT(seen.size(), 1990u);
}

}  // namespace
}  // namespace qx

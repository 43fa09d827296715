// quarvex-cli export and bake, run as a program.
#include <gtest/gtest.h>

#include "cli/run_cli.h"
#include "document/map_document_io.h"
#include "lighting/level_export.h"
#include "lighting/level_reader.h"
#include "lighting/lightmap.h"
#include "support/scene_generator.h"

namespace qx {
namespace {

using test::Quote;
using test::RunCli;

struct CliFixture : ::testing::Test {
  CliFixture() {
    Editor e;
    test::BuildRoomLevel(e, 1, 2);
    e.StartPosition = {1, 2, 3};
    std::string error;
    EXPECT_TRUE(SaveMapDocument(e, level, &error)) << error;
  }
  // What the exporter makes of the saved document, baked or not.
  std::vector<uint8_t> Expected(std::optional<LightmapSize> size) {
    Editor e;
    std::string error;
    EXPECT_TRUE(LoadMapDocument(e, level, &error)) << error;
    if (size) {
      EXPECT_EQ(ComputeLightmaps(e, *size), BakeStatus::kDone);
    }
    return BuildLevelFile(e.Tree, e.LightmapList, e.StartPosition);
  }
  test::TempDir dir;
  std::filesystem::path level = dir / "level.qxm";
  std::filesystem::path out = dir / "level.map";
};

TEST_F(CliFixture, ExportWritesTheLevelFile) {
  QX_NEED_CLI();
  test::CliResult r = RunCli(dir, "export " + Quote(level) + " " + Quote(out));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadFileBytes(out), Expected(std::nullopt));
  EXPECT_NE(r.out.find("0 Lightmaps"), std::string::npos) << r.out;

  r = RunCli(dir, "export " + Quote(level) + " " + Quote(out) + " --lightmaps 4x2");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadFileBytes(out), Expected(LightmapSize{4, 2}));
  EXPECT_TRUE(r.err.empty()) << "no progress bar when standard error is no terminal: " << r.err;

  r = RunCli(dir, "export --lightmaps=4X2 " + Quote(level) + " " + Quote(out));
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CliFixture, ExportWithAnotherStartPosition) {
  QX_NEED_CLI();
  const std::vector<uint8_t> plain = Expected(std::nullopt);
  for (const char* start : {"--start -12,80,40.5", "--start=-12,80,40.5"}) {
    const test::CliResult r = RunCli(dir, "export " + Quote(level) + " " + Quote(out) + " " + start);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> bytes = test::ReadFileBytes(out);
    ASSERT_EQ(bytes.size(), plain.size());
    EXPECT_TRUE(std::equal(plain.begin(), plain.end() - 12, bytes.begin())) << "all but the start as before";
    LevelFile f;
    std::string error;
    ASSERT_TRUE(ReadLevelFile(bytes, f, error)) << error;
    EXPECT_EQ(f.start.x, -12);
    EXPECT_EQ(f.start.y, 80);
    EXPECT_EQ(f.start.z, 40.5f);
  }
  Editor e;
  std::string error;
  ASSERT_TRUE(LoadMapDocument(e, level, &error));
  EXPECT_EQ(e.StartPosition.y, 2) << "the document is not changed";

  for (const char* bad : {"--start 1,2", "--start \"1, 2, 3\"", "--start a,b,c", "--start"}) {
    const test::CliResult r = RunCli(dir, "export " + Quote(level) + " " + Quote(dir / "x.map") + " " + bad);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("--start"), std::string::npos) << bad << ": " << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "x.map"));
  const test::CliResult r = RunCli(dir, "export --help");
  EXPECT_NE(r.out.find("[--start X,Y,Z]"), std::string::npos) << r.out;
  EXPECT_NE(RunCli(dir, "bake " + Quote(level) + " --lightmaps 2x2 --start 1,2,3").status, 0);
}

TEST_F(CliFixture, ExportRefusesWrongCallsAndBadFiles) {
  QX_NEED_CLI();
  const std::string io = Quote(level) + " " + Quote(out);
  for (const std::string& args : std::vector<std::string>{
           "export " + io + " --lightmaps 0x8", "export " + io + " --lightmaps 8",
           "export " + io + " --lightmaps 5000x8", "export " + io + " --lightmaps 8x8 --no-lightmaps",
           "export " + Quote(level), "export " + io + " --frobnicate", "frobnicate", "", "bake"}) {
    const test::CliResult r = RunCli(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("quarvex-cli"), std::string::npos) << args;
  }
  EXPECT_FALSE(std::filesystem::exists(out));

  test::CliResult r = RunCli(dir, "export " + Quote(dir / "missing.qxm") + " " + Quote(out));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.qxm"), std::string::npos) << r.err;

  test::WriteFileBytes(dir / "broken.qxm", {'Q', 'X', 'M', '1', 0xE9, 3});
  r = RunCli(dir, "export " + Quote(dir / "broken.qxm") + " " + Quote(out));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("broken.qxm: "), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(out));

  std::filesystem::create_directory(dir / "taken.map");
  r = RunCli(dir, "export " + Quote(level) + " " + Quote(dir / "taken.map"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Die Leveldatei konnte nicht gespeichert werden!"), std::string::npos) << r.err;
}

TEST_F(CliFixture, HelpForEveryCommand) {
  QX_NEED_CLI();
  for (const char* command : {"--help", "export --help", "bake -h", "info --help"}) {
    const test::CliResult r = RunCli(dir, command);
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out.rfind("Aufruf: quarvex-cli", 0), 0u) << command << ": " << r.out;
  }
}

TEST_F(CliFixture, BakeWritesEveryLightmapAsPng) {
  QX_NEED_CLI();
  const std::filesystem::path pngs = dir / "pngs" / "deeper";
  const test::CliResult r = RunCli(dir, "bake " + Quote(level) + " --lightmaps 4x2 --png " + Quote(pngs));
  ASSERT_EQ(r.status, 0) << r.err;
  Editor e;
  std::string error;
  ASSERT_TRUE(LoadMapDocument(e, level, &error));
  ASSERT_EQ(ComputeLightmaps(e, {4, 2}), BakeStatus::kDone);
  EXPECT_EQ(r.out.rfind(std::to_string(e.LightmapList.size()) + " Lightmaps (4 x 2), ", 0), 0u) << r.out;
  size_t files = 0;
  for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(pngs)) ++files;
  EXPECT_EQ(files, e.LightmapList.size());
  const std::vector<uint8_t> last = test::ReadFileBytes(pngs / "lightmap_0143.png");
  ASSERT_EQ(e.LightmapList.size(), 144u);  // 72 quads of two triangles
  ASSERT_EQ(last.size(), 8 + 25 + 12 + 2 + 5 + 2 * (1 + 12) + 4 + 12u);
  EXPECT_EQ(last[19], 4) << "width";
  EXPECT_EQ(last[23], 2) << "height";
  const std::vector<uint8_t> row0(last.begin() + 8 + 25 + 8 + 2 + 5 + 1,
                                  last.begin() + 8 + 25 + 8 + 2 + 5 + 13);
  EXPECT_EQ(row0,
            std::vector<uint8_t>(e.LightmapList[143].rgb.begin(), e.LightmapList[143].rgb.begin() + 12));

  EXPECT_EQ(RunCli(dir, "bake " + Quote(level)).status, 2) << "the size is required";
  test::WriteFileBytes(dir / "file", {1});
  EXPECT_EQ(
      RunCli(dir, "bake " + Quote(level) + " --lightmaps 2x2 --png " + Quote(dir / "file" / "x")).status, 1);
}

}  // namespace
}  // namespace qx

// quarvex-cli check, run as a program: the lines, the JSON, the exit status.
#include <gtest/gtest.h>

#include "cli/run_cli.h"
#include "document/map_document_io.h"
#include "support/room_fixtures.h"

namespace qx {
namespace {

using test::Quote;
using test::RunCli;

struct CheckCli : ::testing::Test {
  void Save(const std::function<void(Editor&, test::TwoRooms&)>& change) {
    Editor e;
    test::TwoRooms r = test::BuildTwoRooms(e);
    change(e, r);
    std::string error;
    ASSERT_TRUE(SaveMapDocument(e, level, &error)) << error;
  }
  test::TempDir dir;
  std::filesystem::path level = dir / "level.qxm";
};

TEST_F(CheckCli, PrintsFindingsAndExitsByTheirSeverity) {
  QX_NEED_CLI();
  Save([](Editor&, test::TwoRooms&) {});
  auto r = RunCli(dir, "check " + Quote(level.string()));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");

  // A warning alone still passes; an error fails.
  Save([](Editor& e, test::TwoRooms& rooms) { e.Tree.Remove(rooms.back); });
  r = RunCli(dir, "check " + Quote(level.string()));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Warnung: Portal 'Rechts' (", 0), 0u) << r.out;
  Save([](Editor& e, test::TwoRooms& rooms) {
    e.Tree.Remove(rooms.back);
    e.StartPosition = {-500, 0, 0};
  });
  r = RunCli(dir, "check " + Quote(level.string()) + " --json");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(
      r.out.find(
          "{\"severity\": \"Fehler\", \"code\": \"start.outside\", \"text\": \"Die Startposition liegt in "
          "keinem Sektor.\", \"nodes\": []}"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"code\": \"portal.oneway\""), std::string::npos);
  EXPECT_EQ(r.out.front(), '[');
}

TEST_F(CheckCli, ChecksTexturesOnlyAgainstAGivenLibraryAndRefusesBadInput) {
  QX_NEED_CLI();
  Save([](Editor&, test::TwoRooms& r) { r.left->Children[0]->Children[0]->TextureIndex = 7; });
  EXPECT_EQ(RunCli(dir, "check " + Quote(level.string())).status, 0);
  ASSERT_EQ(RunCli(dir, "demo " + Quote(dir.path().string())).status, 0);  // demo.tex: five textures
  auto r = RunCli(dir, "check " + Quote(level.string()) + " --tex " + Quote((dir / "demo.tex").string()));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(" benutzt Textur 7, die Bibliothek hat nur 5.\n"), std::string::npos) << r.out;
  r = RunCli(dir, "check " + Quote(level.string()) + " --tex " + Quote((dir / "fehlt.tex").string()));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("quarvex-cli: "), std::string::npos);
  EXPECT_EQ(RunCli(dir, "check").status, 2);
  EXPECT_EQ(RunCli(dir, "check " + Quote(level.string()) + " --frei").status, 2);
  // A damaged document is refused like everywhere else.
  std::vector<uint8_t> bytes = test::ReadFileBytes(level);
  bytes.resize(bytes.size() / 2);
  test::WriteFileBytes(dir / "half.qxm", bytes);
  r = RunCli(dir, "check " + Quote((dir / "half.qxm").string()));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(r.err.empty());
}

}  // namespace
}  // namespace qx

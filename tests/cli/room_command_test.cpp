// quarvex-cli room and door, run as the real program: a new document from
// nothing, two rooms joined by a doorway, and refusals that leave the file.
#include <gtest/gtest.h>

#include "cli/run_cli.h"
#include "document/map_document_io.h"

namespace qx {
namespace {

using test::Quote;
using test::RunCli;

TEST(RoomCli, TwoRoomsAndADoorwayThenRefusalsLeaveTheFile) {
  QX_NEED_CLI();
  test::TempDir dir;
  const std::filesystem::path file = dir / "neu.qxm";
  const std::string level = Quote(file.string());
  test::CliResult r =
      RunCli(dir, "room " + level + " --outline 0,0 100,0 100,120 0,120 --tile 40 --texture 2");
  ASSERT_EQ(r.status, 0) << r.err;
  const uint32_t first = uint32_t(std::stoul(r.out));
  r = RunCli(dir,
             "room " + level + " --outline 100,0 220,0 220,60 160,60 160,120 100,120 --no-light --floor 0");
  ASSERT_EQ(r.status, 0) << r.err;
  const uint32_t second = uint32_t(std::stoul(r.out));

  Editor e;
  std::string error;
  ASSERT_TRUE(LoadMapDocument(e, file, &error)) << error;
  TSector* a = e.FindById(first);
  TSector* b = e.FindById(second);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->Name, "Raum");
  size_t lights = 0;
  e.Tree.Walk([&](TSector* n) { lights += n->NodeType == kLight; });
  EXPECT_EQ(lights, 1u);
  // Room a's wall on x = 100 spans z 0..120 in three tiles of 40 in two rows.
  uint32_t wall = 0;
  for (const auto& c : a->Children) {
    bool on = c->NodeType == kPolygon;
    for (const TVertex& v : c->Vertices)
      on = on && v.Position.x == 100 && v.Position.z >= 40 && v.Position.z <= 80;
    if (on && c->Vertices[0].Position.y < 40 && !wall) wall = c->Id;
  }
  ASSERT_NE(wall, 0u);

  const auto before = test::ReadFileBytes(file);
  for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
           {"door " + level + " --wall " + std::to_string(wall) + " --width 130",
            "Der Durchgang passt nicht in die Wand!"},
           {"door " + level + " --wall " + std::to_string(first), "Sie müssen eine Wand auswählen!"},
           {"room " + level + " --outline 0,0 10,10 10,0 0,10", "Der Umriss darf sich nicht selbst kreuzen!"},
           {"room " + level + " --outline 0,0 10,0 20,0", "Der Umriss hat keine Fläche!"},
           {"room " + level + " --outline 0,0 10,0 0,10 --into " + std::to_string(wall),
            "Kein Sektor mit der Nummer " + std::to_string(wall) + "!"}}) {
    r = RunCli(dir, args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFileBytes(file), before) << args;
  }
  EXPECT_EQ(RunCli(dir, "room " + level + " --outline 0,0 1").status, 2);
  EXPECT_EQ(RunCli(dir, "door " + level + " --width 20").status, 2);
  r = RunCli(dir, "door --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--wall VIERECK_ID"), std::string::npos);

  r = RunCli(dir, "door " + level + " --wall " + std::to_string(wall) + " --width 30 --height 30 --offset 5");
  ASSERT_EQ(r.status, 0) << r.err;
  Editor after;
  ASSERT_TRUE(LoadMapDocument(after, file, &error)) << error;
  std::vector<TSector*> portals;
  for (const auto& line : {r.out.substr(0, r.out.find('\n')), r.out.substr(r.out.find('\n') + 1)})
    portals.push_back(after.FindById(uint32_t(std::stoul(line))));
  ASSERT_TRUE(portals[0] && portals[1]);
  EXPECT_EQ(portals[0]->Parent, after.FindById(first));
  EXPECT_EQ(portals[0]->LinkedSectorId, second);
  EXPECT_EQ(portals[1]->Parent, after.FindById(second));
  EXPECT_EQ(portals[1]->LinkedSectorId, first);
  EXPECT_EQ(after.FindById(wall), nullptr);
}

}  // namespace
}  // namespace qx

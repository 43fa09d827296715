#include "session/play_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "commands/export_commands.h"
#include "document/editor.h"
#include "lighting/level_reader.h"
#include "support/scene_generator.h"
#include "support/test_support.h"
#include "tools/camera.h"

namespace qx {
namespace {

using Words = std::vector<std::string>;

TEST(PlayTestArguments, SplitsAsAShellDoes) {
  struct Case {
    const char* text;
    Words words;
  };
  const Case cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"%MAP%", {"%MAP%"}},
      {"  -map   %MAP%  -fast ", {"-map", "%MAP%", "-fast"}},
      {"a\tb\nc", {"a", "b", "c"}},
      {"'two words' x", {"two words", "x"}},
      {"'a \"b\" \\n'", {"a \"b\" \\n"}},                    // single quotes keep everything
      {"\"a \\\" \\\\ \\$ \\` \\n\"", {"a \" \\ $ ` \\n"}},  // in double quotes only these escape
      {"\"\" ''", {"", ""}},                                 // quotes make empty arguments
      {"a\"b c\"'d e'f", {"ab cd ef"}},                      // pieces join into one word
      {"a\\ b \\'c\\\" \\\\", {"a b", "'c\"", "\\"}},        // a backslash outside keeps the next one
      {"a\\\nb", {"ab"}},                                    // backslash-newline continues the line
      {"\"x\\\ny\"", {"xy"}},
      {"end\\", {"end\\"}},  // a backslash with nothing after stays
      {"-pos=%X%,%Y%", {"-pos=%X%,%Y%"}},
  };
  for (const Case& c : cases) {
    Words out{"left over"};
    std::string error;
    EXPECT_TRUE(SplitArguments(c.text, out, error)) << c.text << ": " << error;
    EXPECT_EQ(out, c.words) << c.text;
  }
}

TEST(PlayTestArguments, UnterminatedQuotesAreReportedInGerman) {
  for (const char* text : {"'open", "a \"open", "\"escaped \\\"", "ok 'x' \"y"}) {
    Words out;
    std::string error;
    EXPECT_FALSE(SplitArguments(text, out, error)) << text;
    EXPECT_NE(error.find("nicht geschlossenes Anführungszeichen"), std::string::npos) << error;
  }
}

TEST(PlayTestArguments, PlaceholdersAreExpandedAfterSplitting) {
  PlayStart start;
  start.position = {12.5f, -80, 0.1f};
  start.heading = 270;
  start.pitch = -45.25f;
  const std::filesystem::path map = "/tmp/a b/level.map";
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"%MAP%", "/tmp/a b/level.map"},
      {"+map=%MAP%;", "+map=/tmp/a b/level.map;"},
      {"%X%,%Y%,%Z%", "12.5,-80,0.1"},
      {"%HEADING%/%PITCH%", "270/-45.25"},
      {"100%% %map% %FOO% %", "100% %map% %FOO% %"},
      {"%%MAP%%", "%MAP%"},  // %% is read first, left to right
      {"%X%%Y%", "12.5-80"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandPlaceholders(c.in, map, start), c.out) << c.in;

  Preferences p;
  p.game_program = "/opt/engine/bin/engine";
  p.game_arguments = "-level %MAP% -start '%X% %Y% %Z%'";
  LaunchPlan plan;
  std::string error;
  ASSERT_TRUE(PlanLaunch(p, map, start, plan, error)) << error;
  EXPECT_EQ(plan.program, "/opt/engine/bin/engine");
  EXPECT_EQ(plan.arguments, (Words{"-level", "/tmp/a b/level.map", "-start", "12.5 -80 0.1"}));
  EXPECT_EQ(plan.working_folder, "/opt/engine/bin") << "no folder given: the program's own";
  p.game_folder = "/data";
  ASSERT_TRUE(PlanLaunch(p, map, start, plan, error));
  EXPECT_EQ(plan.working_folder, "/data");

  p.game_arguments = "'%MAP%";
  EXPECT_FALSE(PlanLaunch(p, map, start, plan, error));
  p.game_arguments = "%MAP%";
  p.game_program.clear();
  EXPECT_FALSE(PlanLaunch(p, map, start, plan, error));
  EXPECT_NE(error.find("kein Spielprogramm"), std::string::npos) << error;
}

TEST(PlayTestArguments, NumbersReadBackAsTheSameFloat) {
  std::mt19937 rng(28);
  std::uniform_real_distribution<float> any(-1e6f, 1e6f);
  for (int i = 0; i < 2000; ++i) {
    const float v = i % 3 == 0 ? std::nearbyint(any(rng)) : any(rng) / float(1 + i % 97);
    const std::string text = FormatNumber(v);
    EXPECT_EQ(text.find(','), std::string::npos);
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), v) << text;
  }
  EXPECT_EQ(FormatNumber(-0.0f), "0");
  EXPECT_EQ(FormatNumber(80), "80");
}

TEST(PlayTestStart, CameraViewIsWrappedAndClamped) {
  struct Case {
    float heading, pitch, want_heading, want_pitch;
  };
  const Case cases[] = {
      {180, -60, 180, -60}, {-90, 0, 270, 0}, {720.5f, 95, 0.5f, 90}, {360, -120, 0, -90}, {-1e-9f, 0, 0, 0}};
  for (const Case& c : cases) {
    const PlayStart s = CameraStart({1, 2, 3}, c.heading, c.pitch);
    EXPECT_FLOAT_EQ(s.heading, c.want_heading) << c.heading;
    EXPECT_FLOAT_EQ(s.pitch, c.want_pitch) << c.pitch;
    EXPECT_GE(s.heading, 0);
    EXPECT_LT(s.heading, 360);
  }
}

TEST(PlayTestStart, ParsesExactlyXYZ) {
  const std::optional<Vector> v = ParseStartPosition("-5,80.25,1e2");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->x, -5);
  EXPECT_EQ(v->y, 80.25f);
  EXPECT_EQ(v->z, 100);
  for (const char* bad : {"", "1,2", "1,2,3,4", "1, 2,3", " 1,2,3", "1,2,3 ", "+1,2,3", "1;2;3", "a,b,c",
                          "1,,3", "nan,0,0", "inf,0,0", "1e99,0,0", "1,2,3,"})
    EXPECT_FALSE(ParseStartPosition(bad)) << bad;
}

struct PlayTestFile : ::testing::Test {
  PlayTestFile() {
    TSector* s = e.CreateNode(nullptr, kSector);
    s->Id = e.NextId();
    test::AddQuad(e, s, {0, 0, 0}, {40, 0, 0}, {0, 40, 0});
    test::AddLight(e, s, {0, 0, 30}, 0, 1);
    e.StartPosition = {1, 2, 3};
    e.DocumentFileName = "/home/user/maps/halle.qxm";
  }
  LevelFile Read(const std::filesystem::path& p) {
    LevelFile f;
    std::string error;
    EXPECT_TRUE(ReadLevelFile(test::ReadFileBytes(p), f, error)) << error;
    return f;
  }
  Editor e;
  test::TempDir dir;
};

TEST_F(PlayTestFile, StartOverrideChangesOnlyTheStart) {
  ASSERT_EQ(ComputeLightmaps(e, {8, 8}), BakeStatus::kDone);
  std::string error;
  ASSERT_TRUE(WriteLevelFile(e, dir / "export.map", error)) << error;

  const PlayStart camera = CameraStart({-7.5f, 120, 33}, 90, -10);
  const std::optional<std::filesystem::path> file = WritePlayTestLevel(e, dir / "tmp", camera, error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(*file, PlayTestMapFile(dir / "tmp", e));

  const std::vector<uint8_t> exported = test::ReadFileBytes(dir / "export.map");
  const std::vector<uint8_t> tested = test::ReadFileBytes(*file);
  ASSERT_EQ(exported.size(), tested.size());
  // Everything but the last twelve bytes (the start) is what "Exportieren" wrote, lightmaps included.
  EXPECT_TRUE(std::equal(exported.begin(), exported.end() - 12, tested.begin()));
  const LevelFile f = Read(*file);
  EXPECT_EQ(f.start.x, -7.5f);
  EXPECT_EQ(f.start.y, 120);
  EXPECT_EQ(f.start.z, 33);
  EXPECT_EQ(f.lightmaps.size(), 2u);
  EXPECT_EQ(Read(dir / "export.map").start.y, 2);
  EXPECT_EQ(e.StartPosition.x, 1) << "the document keeps its own start";
  EXPECT_EQ(e.StartPosition.y, 2);

  // With the document's start the bytes are those of the export.
  ASSERT_TRUE(WritePlayTestLevel(e, dir / "tmp", DocumentStart(e), error));
  EXPECT_EQ(test::ReadFileBytes(*file), exported);
}

TEST_F(PlayTestFile, OneTemporaryFolderPerDocument) {
  const std::filesystem::path root = "/tmp/q";
  const std::filesystem::path a = PlayTestMapFile(root, e);
  EXPECT_EQ(a.filename(), "halle.map");
  EXPECT_EQ(a.parent_path().parent_path(), root);
  EXPECT_EQ(PlayTestMapFile(root, e), a) << "stable for one document";
  e.DocumentFileName = "/home/user/other/halle.qxm";  // same name, another folder
  EXPECT_NE(PlayTestMapFile(root, e).parent_path(), a.parent_path());
  EXPECT_EQ(PlayTestMapFile(root, e).filename(), "halle.map");
  e.DocumentFileName.clear();
  EXPECT_EQ(PlayTestMapFile(root, e).filename(), "Unbennant.map");

  // A folder that cannot be made is reported with its name.
  test::WriteFileBytes(dir / "blocker", {1});
  std::string error;
  EXPECT_FALSE(WritePlayTestLevel(e, dir / "blocker", DocumentStart(e), error));
  EXPECT_NE(error.find("blocker"), std::string::npos) << error;
}

TEST(PlayTestSettings, RoundTripDefaultsAndDamagedValues) {
  test::MemorySettings store;
  const Preferences defaults = ReadPreferences(store);
  EXPECT_EQ(defaults, Preferences{});
  EXPECT_EQ(defaults.game_arguments, "%MAP%");
  EXPECT_EQ(defaults.autosave_minutes, 3);
  EXPECT_EQ(defaults.undo_steps, 100);

  Preferences p;
  p.game_program = "/opt/spiel/engine";
  p.game_arguments = "-map \"%MAP%\" -pos %X%,%Y%,%Z%";
  p.game_folder = "/opt/spiel";
  p.autosave_minutes = 0;
  p.undo_steps = 2500;
  p.camera_speed = 2.5;
  p.invert_mouse = true;
  p.paths = {"/t", "/tl", "/tl/lib.tex", "/maps", "/out"};
  WritePreferences(store, p);
  EXPECT_EQ(store.values["QVX3_GAME_PROGRAM"], "/opt/spiel/engine");
  EXPECT_EQ(store.values["QVX3_AUTOSAVE_MINUTES"], "0");
  EXPECT_EQ(store.values["QVX3_CAMERA_SPEED"], "2.5");
  EXPECT_EQ(store.values["QVX3_INVERT_MOUSE"], "1");
  EXPECT_EQ(store.values["QVX3_TEXLIB_FILE"], "/tl/lib.tex");
  EXPECT_EQ(store.values["QVX3_MAP_PATH"], "/out");
  EXPECT_EQ(ReadPreferences(store), p);

  // Values that are not numbers, or out of range, read as the defaults.
  const std::pair<const char*, const char*> damaged[] = {
      {"QVX3_AUTOSAVE_MINUTES", "abc"}, {"QVX3_AUTOSAVE_MINUTES", "-1"}, {"QVX3_AUTOSAVE_MINUTES", "1441"},
      {"QVX3_AUTOSAVE_MINUTES", "5x"},  {"QVX3_UNDO_STEPS", "0"},        {"QVX3_UNDO_STEPS", "10001"},
      {"QVX3_CAMERA_SPEED", "0.01"},    {"QVX3_CAMERA_SPEED", "nan"},    {"QVX3_CAMERA_SPEED", "1,5"},
  };
  for (const auto& [name, value] : damaged) {
    test::MemorySettings s;
    s.values[name] = value;
    const Preferences read = ReadPreferences(s);
    EXPECT_EQ(read, Preferences{}) << name << "=" << value;
  }
}

TEST(PlayTestProgram, ProblemsAreNamed) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "plain", {'x'});
  test::WriteFileBytes(dir / "tool", {'x'});
  std::filesystem::permissions(dir / "tool", std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(ProgramProblem(dir / "missing"), "Datei nicht gefunden");
  EXPECT_EQ(ProgramProblem(dir.path()), "ist ein Ordner");
  EXPECT_EQ(ProgramProblem(dir / "plain"), "ist nicht ausführbar");
  EXPECT_EQ(ProgramProblem(dir / "tool"), "");
}

TEST(PlayTestSettings, InvertedMouseTurnsOnlyTheLook) {
  Editor e;
  e.CameraPitch = 0;
  DragCamera(e, 0, 10, true);
  EXPECT_FLOAT_EQ(e.CameraPitch, -5);
  DragCamera(e, 0, 10, false);
  EXPECT_FLOAT_EQ(e.CameraPitch, 0);
  // Moving forward with the mouse is no looking: unchanged by the switch.
  e.CameraMode = CameraMode::kMove;
  ApplyCameraView(e);
  const Vector before = e.CameraPosition;
  Editor other;
  other.CameraMode = CameraMode::kMove;
  other.CameraPitch = 0;
  ApplyCameraView(other);
  DragCamera(e, 0, 10, true);
  DragCamera(other, 0, 10, false);
  EXPECT_EQ(e.CameraPosition.z, other.CameraPosition.z);
  EXPECT_NE(e.CameraPosition.z, before.z);
}

}  // namespace
}  // namespace qx

// quarvex-cli texlib and info on model formats, run as the real program.
#include <gtest/gtest.h>

#include "cli/run_cli.h"
#include "models/test_models.h"
#include "textures/test_images.h"
#include "textures/texture_library_file.h"

namespace qx {
namespace {

using test::Quote;
using test::RunCli;

struct Texlib : ::testing::Test {
  test::TempDir dir;
  std::string lib = Quote((dir / "lib.tex").string());

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    test::WriteFileBytes(dir / name, bytes);
    return Quote((dir / name).string());
  }
  std::vector<TTexNode> Entries() {
    const auto bytes = test::ReadFileBytes(dir / "lib.tex");
    auto entries = ReadTextureLibraryBytes(bytes.data(), bytes.size());
    EXPECT_TRUE(entries);
    return entries ? std::move(*entries) : std::vector<TTexNode>{};
  }
};

TEST_F(Texlib, AddCreatesListShowsRemoveTakesOut) {
  QX_NEED_CLI();
  const std::string png = Write("moos.png", test::MakeRgbPng(4, 2));
  const std::string bmp = Write("stein.bmp", test::MakeBmp(3, 5));
  test::CliResult r = RunCli(dir, "texlib " + lib + " add " + png + " " + bmp);
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<TTexNode> entries = Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].TexName, "moos");
  EXPECT_EQ(entries[0].Bitmap(), test::MakeBmp(4, 2, test::TestColor, {.padding_fill = 0}));
  EXPECT_EQ(entries[1].TexName, "stein");
  EXPECT_EQ(entries[1].Bitmap(), test::MakeBmp(3, 5)) << "a 24-bit bitmap is stored as it was";
  EXPECT_EQ(r.out, "0\tmoos\t4 x 2\tId " + std::to_string(entries[0].TexId) + "\n1\tstein\t3 x 5\tId " +
                       std::to_string(entries[1].TexId) + "\n");

  // Adding to an existing library appends.
  r = RunCli(dir, "texlib " + lib + " add " + Write("kies.tga", test::MakeTga(2, 2)));
  ASSERT_EQ(r.status, 0) << r.err;
  entries = Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(r.out.rfind("2\tkies\t2 x 2\tId ", 0), 0u) << r.out;

  r = RunCli(dir, "texlib " + lib + " list");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("0\tmoos\t4 x 2\tId "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n2\tkies\t2 x 2\tId "), std::string::npos) << r.out;

  r = RunCli(dir, "texlib " + lib + " remove 0");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0\tmoos entfernt\n");
  entries = Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].TexName, "stein");
  EXPECT_EQ(entries[1].TexName, "kies");
}

TEST_F(Texlib, FailuresLeaveTheLibraryAsItWas) {
  QX_NEED_CLI();
  ASSERT_EQ(RunCli(dir, "texlib " + lib + " add " + Write("a.png", test::MakeRgbPng(2, 2))).status, 0);
  const auto before = test::ReadFileBytes(dir / "lib.tex");

  const std::string good = Write("b.png", test::MakeRgbPng(1, 1));
  test::CliResult r =
      RunCli(dir, "texlib " + lib + " add " + good + " " + Write("cut.png", {0x89, 'P', 'N'}));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quarvex-cli: " + (dir / "cut.png").string() + ": Ungültige Datei!\n");
  r = RunCli(dir, "texlib " + lib + " add " + Quote((dir / "none.png").string()));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Die Datei konnte nicht gelesen werden!"), std::string::npos) << r.err;
  auto tall = test::MakeTga(1, 1);
  tall[14] = 0x01;
  tall[15] = 0x10;
  r = RunCli(dir, "texlib " + lib + " add " + Write("tall.tga", tall));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("größer als 4096 x 4096"), std::string::npos) << r.err;
  r = RunCli(dir, "texlib " + lib + " remove 1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("keine Textur mit der Nummer 1 (die Bibliothek hat 1)"), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadFileBytes(dir / "lib.tex"), before);

  // A file that is no library is neither read nor overwritten.
  const std::string foreign = Write("foreign.tex", test::MakeRgbPng(1, 1));
  for (const std::string& verb : std::vector<std::string>{" list", " remove 0", " add " + good}) {
    r = RunCli(dir, "texlib " + foreign + verb);
    EXPECT_EQ(r.status, 1) << verb;
    EXPECT_EQ(r.err, "quarvex-cli: " + (dir / "foreign.tex").string() + ": Ungültige Datei!\n") << verb;
  }
  EXPECT_EQ(test::ReadFileBytes(dir / "foreign.tex"), test::MakeRgbPng(1, 1));
  EXPECT_EQ(RunCli(dir, "texlib " + Quote((dir / "missing.tex").string()) + " list").status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.tex"));
}

TEST_F(Texlib, WrongCommandLinesAndHelp) {
  QX_NEED_CLI();
  for (const std::string& args : std::vector<std::string>{
           "texlib", "texlib " + lib, "texlib " + lib + " add", "texlib " + lib + " remove",
           "texlib " + lib + " remove x", "texlib " + lib + " remove -1", "texlib " + lib + " remove 1 2",
           "texlib " + lib + " remove 1x", "texlib " + lib + " list extra", "texlib " + lib + " rename"}) {
    const test::CliResult r = RunCli(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("Aufruf: quarvex-cli texlib"), std::string::npos) << args << ": " << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "lib.tex"));
  const test::CliResult help = RunCli(dir, "texlib --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Aufruf: quarvex-cli texlib BIBLIOTHEK.tex add BILD...\n", 0), 0u) << help.out;
  EXPECT_NE(RunCli(dir, "--help").out.find("texlib LIB.tex add"), std::string::npos);
}

TEST_F(Texlib, InfoCountsWhatAModelNodeWouldGet) {
  QX_NEED_CLI();
  test::WriteFileBytes(dir / "platte.obj", test::Bytes(test::kQuadAndPentagonObj));
  test::CliResult r = RunCli(dir, "info " + Quote((dir / "platte.obj").string()));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Modell (OBJ), " + std::to_string(std::string(test::kQuadAndPentagonObj).size()) +
                       " Bytes\nAls Modell-Knoten: 9 Vertices, 5 Dreiecke\n"
                       "Box des ersten Frames: (0, 0, 0) - (32, 14, 0)\n");
  test::WriteFileBytes(dir / "zwei.glb", test::TwoMeshGlb());
  r = RunCli(dir, "info " + Quote((dir / "zwei.glb").string()));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Modell (GLB)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Als Modell-Knoten: 6 Vertices, 2 Dreiecke\n"), std::string::npos) << r.out;

  test::WriteFileBytes(dir / "kaputt.ply", test::Bytes("ply\nformat ascii 1.0\nelement vertex 99\n"));
  r = RunCli(dir, "info " + Quote((dir / "kaputt.ply").string()));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quarvex-cli: " + (dir / "kaputt.ply").string() + ": Ungültige Datei!\n");
  test::WriteFileBytes(dir / "gross.obj", test::Bytes(test::TooManyTrianglesObj()));
  r = RunCli(dir, "info " + Quote((dir / "gross.obj").string()));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quarvex-cli: " + (dir / "gross.obj").string() +
                       ": Ungültige Datei! Das Modell hat mehr als 65535 Dreiecke.\n");
}

}  // namespace
}  // namespace qx

// quarvex-cli info on every kind of file, good and damaged.
#include <gtest/gtest.h>

#include "cli/run_cli.h"
#include "commands/sector_import.h"
#include "document/map_document_io.h"
#include "lighting/level_export.h"
#include "lighting/lightmap.h"
#include "models/test_md2.h"
#include "support/scene_generator.h"
#include "textures/test_bitmaps.h"
#include "textures/texture_library_file.h"

namespace qx {
namespace {

using test::Quote;
using test::RunCli;

struct InfoFixture : ::testing::Test {
  InfoFixture() {
    sector = e.CreateNode(nullptr, kSector);
    sector->Id = e.NextId();
    sector->Visible = 1;
    sector->Name = "Halle \xE4";  // Windows-1252 a-umlaut
    test::AddQuad(e, sector, {0, 0, 0}, {40, 0, 0}, {0, 40, 0});
    test::AddLight(e, sector, {0, 0, 30}, 1, 0, {255, 128, 0}, 12, 34);
    TSector* portal = e.CreateNode(sector, kPortal);
    portal->Id = e.NextId();
    portal->ResizeVertices(4);
  }
  // Writes the file and returns what info printed, expecting success.
  std::string Info(const std::string& name, const std::vector<uint8_t>& bytes) {
    test::WriteFileBytes(dir / name, bytes);
    const test::CliResult r = RunCli(dir, "info " + Quote(dir / name));
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
  // Every shorter piece of the file is refused with a message naming it.
  void ExpectTruncationsRefused(const std::string& name, const std::vector<uint8_t>& bytes, size_t step) {
    for (size_t n = 0; n < bytes.size(); n += step) {
      test::WriteFileBytes(dir / name, std::vector<uint8_t>(bytes.begin(), bytes.begin() + n));
      const test::CliResult r = RunCli(dir, "info " + Quote(dir / name));
      EXPECT_EQ(r.status, 1) << name << " cut at " << n;
      EXPECT_EQ(r.err.rfind("quarvex-cli: " + (dir / name).string() + ": ", 0), 0u) << r.err;
    }
  }
  Editor e;
  TSector* sector;
  test::TempDir dir;
};

TEST_F(InfoFixture, DocumentAndSectorFile) {
  QX_NEED_CLI();
  const std::vector<uint8_t> doc = WriteMapDocument(e);
  const std::string out = Info("a.qxm", doc);
  EXPECT_EQ(out.rfind("Map-Dokument QXM1, Version 1001, " + std::to_string(doc.size()) + " Bytes", 0), 0u)
      << out;
  EXPECT_NE(out.find("Knoten: 4, Sektor 1, Polygon 1, Licht 1, Portal 1\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\n  Sektor #1 \"Halle \xC3\xA4\"\n"), std::string::npos) << "names in UTF-8: " << out;
  EXPECT_NE(
      out.find("\n    Polygon #2 \"Viereck\": 4 Vertices, 2 Dreiecke, Textur 0, Beleuchtung Lightmap\n"),
      std::string::npos)
      << out;
  EXPECT_NE(out.find("gerichtetes Licht bei (0, 0, 30), Farbe (255, 128, 0), Helligkeit 12, Reichweite 34"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Portal #8 \"Portal\": 4 Vertices, nicht verbunden"), std::string::npos) << out;
  ExpectTruncationsRefused("a.qxm", doc, 7);

  const std::string sec = Info("room.sec", WriteSectorFile(sector));
  EXPECT_EQ(sec.rfind("Sektordatei SEC1, Version 1001", 0), 0u) << sec;
  EXPECT_NE(sec.find("Polygon #2"), std::string::npos) << sec;
}

TEST_F(InfoFixture, LevelFile) {
  QX_NEED_CLI();
  ASSERT_EQ(ComputeLightmaps(e, {4, 4}), BakeStatus::kDone);
  e.StartPosition = {5, 6, 7};
  const std::vector<uint8_t> level = BuildLevelFile(e.Tree, e.LightmapList, e.StartPosition);
  const std::string out = Info("a.map", level);
  EXPECT_EQ(out.rfind("Leveldatei MAP1, Version 1001, " + std::to_string(level.size()) + " Bytes\n", 0), 0u);
  EXPECT_NE(out.find("Knoten laut Kopf: 4, Datensätze: 5, größte Tiefe: 1\nLightmaps: 2 (4 x 4)\n"
                     "Startposition: (5, 6, 7)\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("  Sektor #1: Box (-40, -40, 0) - (40, 40, 0)\n"), std::string::npos) << out;
  EXPECT_NE(out.find("    Polygon #2 Dreieck: Textur 0, Beleuchtung Lightmap, Lightmap 1\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("    Licht #7: bei (0, 0, 30), Farbe (255, 128, 0), Helligkeit 12\n"), std::string::npos)
      << out;
  EXPECT_NE(out.find("    Portal #8: 4 Vertices, nicht verbunden\n"), std::string::npos) << out;
  ExpectTruncationsRefused("a.map", level, 13);
}

TEST_F(InfoFixture, TextureLibraryAndModel) {
  QX_NEED_CLI();
  std::vector<TTexNode> entries;
  entries.push_back(MakeTexNode(42, "Stein", test::MakeBmp(2, 3)));
  entries.push_back(MakeTexNode(43, "kaputt", {'B', 'M', 1, 2}));
  const std::vector<uint8_t> tex = *WriteTextureLibraryBytes(entries);
  const std::string out = Info("lib.tex", tex);
  EXPECT_NE(out.find("2 Texturen\n  0: \"Stein\", Bitmap "), std::string::npos) << out;
  EXPECT_NE(out.find(", TexId 42, 2 x 3, 24 Bit\n"), std::string::npos) << out;
  EXPECT_NE(out.find("  1: \"kaputt\", Bitmap 4 Bytes, TexId 43, kein lesbares Bitmap\n"), std::string::npos)
      << out;
  ExpectTruncationsRefused("lib.tex", tex, 5);

  const std::vector<uint8_t> md2 = test::MakeMd2(test::SampleMd2());
  const std::string model = Info("m.md2", md2);
  EXPECT_EQ(
      model.rfind("MD2-Modell IDP2, Version 8, " + std::to_string(md2.size()) + " Bytes\nSkin: 128 x 256", 0),
      0u)
      << model;
  EXPECT_NE(model.find("Vertices je Frame: 4, Texturkoordinaten: 6, Dreiecke: 2\nFrames: 2"),
            std::string::npos)
      << model;
  ExpectTruncationsRefused("m.md2", md2, 9);
}

TEST_F(InfoFixture, UnknownAndUnreadableFiles) {
  QX_NEED_CLI();
  test::WriteFileBytes(dir / "notes.txt", {'h', 'a', 'l', 'l', 'o'});
  test::CliResult r = RunCli(dir, "info " + Quote(dir / "notes.txt"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("unbekanntes Dateiformat"), std::string::npos) << r.err;
  test::WriteFileBytes(dir / "fake.map", {'h', 'a', 'l', 'l', 'o'});  // judged by its extension
  r = RunCli(dir, "info " + Quote(dir / "fake.map"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Keine Leveldatei"), std::string::npos) << r.err;
  r = RunCli(dir, "info " + Quote(dir / "absent.qxm"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nicht lesbar"), std::string::npos) << r.err;
  EXPECT_EQ(RunCli(dir, "info").status, 2);
  EXPECT_EQ(RunCli(dir, "info a b").status, 2);
}

}  // namespace
}  // namespace qx

#include <gtest/gtest.h>

#include <cstring>

#include "commands/sector_import.h"
#include "document/map_document_io.h"
#include "scene/node_records.h"
#include "support/scene_samples.h"
#include "support/test_support.h"

namespace qx {
namespace {

using test::AddLight;
using test::AddModel;
using test::AddNode;
using test::AddPlaced;
using test::AddPortal;
using test::AddQuad;
using test::AddSector;

using Bytes = std::vector<uint8_t>;

float F32At(const Bytes& b, size_t at) {
  float v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
uint32_t U32At(const Bytes& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

// An editor looking at the origin from (0, 80, 70): imports land around
// 2 * target - eye = (0, -80, -70).
void LookAtOrigin(Editor& e) {
  e.CameraPosition = {0, 80, 70};
  e.CameraTarget = {0, 0, 0};
}

TEST(SectorFile, LayoutStoresPolygonsAroundTheBoxCentre) {
  Editor e;
  TSector* s = AddSector(e, nullptr, "Raum");
  TSector* q = AddQuad(e, s, {100, 0, 40});  // box centre (100, 0, 40)
  const Bytes file = WriteSectorFile(s);
  // "SEC1", 1001, T = 16 ("Raum\r\n\tViereck\r\n"), records of sector (17) and quad (175); no camera.
  ASSERT_EQ(file.size(), 12u + 16 + 17 + 175);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "SEC1");
  EXPECT_EQ(U32At(file, 4), 1001u);
  EXPECT_EQ(U32At(file, 8), 16u);
  std::string outline;
  for (size_t i = 12; i < 28; ++i) outline += static_cast<char>(file[i] ^ 0x80);
  EXPECT_EQ(outline, "Raum\r\n\tViereck\r\n");

  ByteWriter expected;
  WriteNodeRecord(expected, *s);
  const Vector centre{100, 0, 40};
  WriteNodeRecord(expected, *q, &centre);
  EXPECT_EQ(Bytes(file.begin() + 28, file.end()), expected.Take());
  const size_t vertex0 = 28 + 17 + 29;
  EXPECT_EQ(F32At(file, vertex0 + 4), 30.0f);  // 130 - 100
  EXPECT_EQ(F32At(file, vertex0 + 8), 30.0f);
  EXPECT_EQ(F32At(file, vertex0 + 12), 0.0f);                 // 40 - 40
  EXPECT_EQ(q->Vertices[0].Position, (Vector{130, 30, 40}));  // the scene is untouched
}

TEST(SectorFile, EverythingPlacedTravelsWithThePolygons) {
  Editor e;
  TSector* s = AddSector(e, nullptr, "Raum");
  AddQuad(e, s, {100, 0, 40});
  AddLight(e, s, {110, 20, 40});
  AddPlaced(e, s, kActor, {90, 0, 50});
  AddPortal(e, s, {100, 0, 40});
  const Bytes file = WriteSectorFile(s);

  Editor target;
  LookAtOrigin(target);
  std::string error;
  TSector* imported = ImportSectorFromBytes(target, file.data(), file.size(), &error);
  ASSERT_NE(imported, nullptr) << error;
  // Box centre (100, 0, 40) goes to (0, -80, -70): everything moves by (-100, -80, -110).
  const TSector* quad = imported->Children[0].get();
  EXPECT_EQ(quad->Vertices[0].Position, (Vector{40, -40, -80}));  // (30, -50, -70) snapped to 20
  EXPECT_EQ(imported->Children[1]->Position, (Vector{10, -60, -70}));
  EXPECT_EQ(imported->Children[2]->Position, (Vector{-10, -80, -60}));
  const TSector* portal = imported->Children[3].get();
  EXPECT_EQ(portal->Vertices[0].Position, (Vector{-20, -60, -80}));  // (-20, -60, -70) snapped
}

TEST(SectorFile, ImportPlacesInFrontOfCameraAndSnaps) {
  Editor e;
  TSector* s = AddSector(e);
  AddQuad(e, s, {0, 0, 0});
  const Bytes file = WriteSectorFile(s);

  Editor target;
  target.CameraPosition = {0, 80, 70};
  target.CameraTarget = {5, 12, -31};
  target.CameraHeading = 33;
  const Vector camera = target.CameraPosition;
  ASSERT_NE(ImportSectorFromBytes(target, file.data(), file.size(), nullptr), nullptr);
  // Stored (30, 30, 0) + 2T - eye = (40, -26, -132) -> (40, -20, -140).
  const TSector* quad = target.Tree.First()->Children[0].get();
  EXPECT_EQ(quad->Vertices[0].Position, (Vector{40, -20, -140}));
  // (-30, -30, 0) + (10, -56, -132) = (-20, -86, -132) -> (-20, -80, -140).
  EXPECT_EQ(quad->Vertices[3].Position, (Vector{-20, -80, -140}));
  EXPECT_EQ(target.CameraPosition, camera);
  EXPECT_EQ(target.CameraHeading, 33);
}

TEST(SectorFile, ImportTwiceGivesFreshIdsAtTopLevel) {
  Editor e;
  TSector* s = AddSector(e, nullptr, "Raum");
  AddQuad(e, s, {});
  AddModel(e, s, {}, 3, 1);
  const Bytes file = WriteSectorFile(s);

  Editor target;
  TSector* existing = AddSector(target, nullptr, "da");
  const uint32_t before = target.IdCounter;
  TSector* first = ImportSectorFromBytes(target, file.data(), file.size(), nullptr);
  TSector* second = ImportSectorFromBytes(target, file.data(), file.size(), nullptr);
  ASSERT_TRUE(first && second);
  ASSERT_EQ(target.Tree.TopLevel().size(), 3u);
  EXPECT_EQ(target.Tree.TopLevel()[0].get(), existing);
  EXPECT_EQ(target.Tree.TopLevel()[1].get(), first);
  EXPECT_EQ(target.Tree.TopLevel()[2].get(), second);
  // Node, then its vertices, in tree order: sector, quad + 4, model + 3.
  EXPECT_EQ(first->Id, before + 1);
  EXPECT_EQ(first->Children[0]->Id, before + 2);
  EXPECT_EQ(first->Children[0]->Vertices[3].Id, before + 6);
  EXPECT_EQ(first->Children[1]->Id, before + 7);
  EXPECT_EQ(first->Children[1]->Vertices[2].Id, before + 10);
  EXPECT_EQ(second->Id, before + 11);
  EXPECT_EQ(target.IdCounter, before + 20);
  EXPECT_EQ(first->ImageIndex, kIconSector);
  EXPECT_EQ(first->Children[1]->ImageIndex, kIconModel);
}

TEST(SectorFile, SubSectorIsSavedAndImportedAlone) {
  Editor e;
  TSector* outer = AddSector(e, nullptr, "aussen");
  AddQuad(e, outer, {500, 0, 0});
  TSector* inner = AddSector(e, outer, "innen");
  inner->NoInsideTest = 1;
  AddQuad(e, inner, {0, 0, 0});
  const Bytes file = WriteSectorFile(inner);
  Editor target;
  TSector* imported = ImportSectorFromBytes(target, file.data(), file.size(), nullptr);
  ASSERT_NE(imported, nullptr);
  EXPECT_EQ(imported->Parent, nullptr);
  EXPECT_EQ(imported->Name, "innen");
  EXPECT_EQ(imported->ImageIndex, kIconSectorNoInsideTest);
  EXPECT_EQ(target.Tree.Count(), 2u);
}

TEST(SectorFile, PortalLinksInsideTheSectorSurviveOthersDoNot) {
  Editor e;
  TSector* elsewhere = AddSector(e, nullptr, "anderswo");
  TSector* s = AddSector(e, nullptr, "Raum");
  TSector* sub = AddSector(e, s, "Nische");
  TSector* inward = AddPortal(e, s, {}, sub);
  TSector* outward = AddPortal(e, s, {}, elsewhere);
  (void)inward;
  (void)outward;
  const Bytes file = WriteSectorFile(s);

  Editor target;
  // A node in the target scene that happens to carry the id the file names.
  TSector* stranger = AddSector(target);
  stranger->Id = elsewhere->Id;
  target.IdCounter = 100;
  TSector* imported = ImportSectorFromBytes(target, file.data(), file.size(), nullptr);
  ASSERT_NE(imported, nullptr);
  TSector* new_sub = imported->Children[0].get();
  TSector* new_inward = imported->Children[1].get();
  TSector* new_outward = imported->Children[2].get();
  EXPECT_EQ(new_inward->IsLinked, 1);
  EXPECT_EQ(new_inward->LinkedSector, new_sub);
  EXPECT_EQ(new_inward->LinkedSectorId, new_sub->Id);
  EXPECT_EQ(new_outward->IsLinked, 0);
  EXPECT_EQ(new_outward->LinkedSector, nullptr);
}

TEST(SectorFile, DamagedFilesAddNothing) {
  Editor e;
  TSector* s = AddSector(e, nullptr, "Raum");
  AddQuad(e, s, {});
  AddLight(e, s, {});
  const Bytes good = WriteSectorFile(s);

  Editor target;
  AddSector(target);
  const uint32_t ids = target.IdCounter;
  auto refused = [&](const Bytes& b, const char* what) {
    SCOPED_TRACE(what);
    std::string error;
    EXPECT_EQ(ImportSectorFromBytes(target, b.data(), b.size(), &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(target.Tree.Count(), 1u);
    EXPECT_EQ(target.IdCounter, ids);
  };
  for (size_t cut = 0; cut < good.size(); ++cut) {
    Bytes b(good.begin(), good.begin() + cut);
    ASSERT_EQ(ImportSectorFromBytes(target, b.data(), b.size(), nullptr), nullptr) << cut;
  }
  EXPECT_EQ(target.Tree.Count(), 1u);

  Bytes b = good;
  b[0] = 'Q';
  refused(b, "map document magic");
  b = good;
  b[5] = 1;
  refused(b, "other version");
  b = good;
  b.push_back(0);
  refused(b, "trailing byte");

  // Two top-level sectors, or a top-level node that is no sector.
  Editor two;
  AddSector(two, nullptr, "a");
  AddSector(two, nullptr, "b");
  Bytes doc = WriteMapDocument(two);
  Bytes twice = {'S', 'E', 'C', '1', 0xE9, 0x03, 0, 0};
  twice.insert(twice.end(), doc.begin() + 8, doc.end() - 32);
  refused(twice, "two sectors");
  Editor lone;
  TSector* light = AddLight(lone, nullptr, {});
  ByteWriter w;
  w.Bytes(kSectorMagic, 4);
  w.I32(kSectorVersion);
  WriteOutlineBlock(w, "Licht\r\n");
  WriteNodeRecord(w, *light);
  refused(w.Take(), "a light alone");
  ByteWriter empty;
  empty.Bytes(kSectorMagic, 4);
  empty.I32(kSectorVersion);
  empty.I32(0);
  refused(empty.Take(), "nothing in it");
}

TEST(SectorFile, SaveAndImportThroughFiles) {
  test::TempDir dir;
  Editor e;
  TSector* s = AddSector(e, nullptr, "Raum");
  AddQuad(e, s, {});
  std::string error;
  ASSERT_TRUE(SaveSectorFile(s, dir / "raum.sec", &error)) << error;
  EXPECT_EQ(test::ReadFileBytes(dir / "raum.sec"), WriteSectorFile(s));
  EXPECT_FALSE(SaveSectorFile(s->Children[0].get(), dir / "viereck.sec", &error));
  EXPECT_FALSE(std::filesystem::exists(dir / "viereck.sec"));
  EXPECT_FALSE(SaveSectorFile(s, dir / "fehlt" / "raum.sec", &error));

  Editor target;
  EXPECT_NE(ImportSectorFile(target, dir / "raum.sec", &error), nullptr) << error;
  EXPECT_EQ(ImportSectorFile(target, dir / "nichts.sec", &error), nullptr);
  EXPECT_EQ(target.Tree.TopLevel().size(), 1u);
}

TEST(SectorFile, RenumberAndShiftHelpers) {
  Editor e;
  TSector* s = AddSector(e);
  TSector* q = AddQuad(e, s, {});
  TSector* m = AddModel(e, s, {1, 1, 1}, 2, 0);
  e.IdCounter = 50;
  RenumberSubtree(e, s);
  EXPECT_EQ(s->Id, 51u);
  EXPECT_EQ(q->Id, 52u);
  EXPECT_EQ(q->Vertices[0].Id, 53u);
  EXPECT_EQ(m->Id, 57u);
  EXPECT_EQ(m->Vertices[1].Id, 59u);

  ShiftSubtree(s, {1, 2, 3});
  EXPECT_EQ(q->Vertices[0].Position, (Vector{31, 32, 3}));
  EXPECT_EQ(m->Vertices[0].Position, (Vector{2, 3, 4}));
  EXPECT_EQ(m->Position, (Vector{1, 1, 1}));  // a model's own position is not in the file
}

TEST(SectorFile, WriteFuzzSeeds) {
  Editor e;
  TSector* s = AddSector(e, nullptr, "Raum");
  AddQuad(e, s, {10, 0, 0});
  TSector* sub = AddSector(e, s, " Nische");
  AddPortal(e, s, {}, sub);
  AddLight(e, sub, {1, 2, 3});
  AddModel(e, sub, {}, 4, 2);
  AddPlaced(e, s, kParticleSystem, {});
  AddPlaced(e, s, kActor, {});
  AddPlaced(e, s, kCheckpoint, {});
  test::WriteFuzzSeed("sectorfile", "room.sec", WriteSectorFile(s));
  Editor bare;
  test::WriteFuzzSeed("sectorfile", "bare.sec", WriteSectorFile(AddSector(bare)));
}

}  // namespace
}  // namespace qx

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

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

Bytes LE32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
Bytes F32(float f) {
  uint32_t v;
  std::memcpy(&v, &f, 4);
  return LE32(v);
}
uint32_t U32At(const Bytes& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes DefaultCameraBlock() {
  return Cat({F32(0), F32(80), F32(70), F32(180), F32(-60), F32(0), F32(0), F32(0)});
}

// One node of every type, with values that differ from the defaults.
struct Sample {
  Editor e;
  TSector *hall, *cellar, *quad, *portal, *outward, *light, *model, *particles, *actor, *checkpoint;
  Sample() {
    hall = AddSector(e, nullptr, "Halle");
    hall->NoCollision = 1;
    quad = AddQuad(e, hall, {10, 20, 30}, "Boden \xE4");
    quad->TextureIndex = 513;
    quad->ColorKey = 1;
    quad->EnvMapping = 1;
    quad->NoShadow = 1;
    quad->LightingMode = 2;
    quad->Vertices[2].Color[1] = 0.3f;
    quad->Vertices[3].LightmapCoord[0] = 0.25f;
    quad->Marked = 1;
    quad->Vertices[0].Marked = 1;
    quad->Triangles[0].LightmapTexture = 44;
    quad->Triangles[0].LightmapIndex = 3;
    cellar = AddSector(e, hall, "Keller");
    cellar->NoInsideTest = 1;
    UpdateSectorIcon(e.Tree, cellar);
    portal = AddPortal(e, cellar, {0, -40, 0}, hall);
    portal->NoFrustum = 1;
    outward = AddPortal(e, cellar, {5, 5, 5});
    light = AddLight(e, cellar, {1, 2, 3});
    light->Kind = 1;
    light->Color[1] = 100;
    light->Brightness = 7.5f;
    particles = AddPlaced(e, hall, kParticleSystem, {4, 5, 6});
    particles->ParticleType = 2;
    particles->ParticleSpeed = 12;
    model = AddModel(e, nullptr, {50, 0, 0}, 9, 6);
    model->TextureIndex = 3;
    actor = AddPlaced(e, nullptr, kActor, {7, 8, 9});
    actor->ObjectType = 4;
    actor->Heading = 270;
    checkpoint = AddPlaced(e, nullptr, kCheckpoint, {-1, -2, -3});
    checkpoint->ObjectType = 5;
    e.CameraPosition = {1, 2, 3};
    e.CameraHeading = 45;
    e.CameraPitch = -10;
    e.StartPosition = {9, 8, 7};
  }
};

void ExpectSameNode(const TSector& a, const TSector& b) {
  SCOPED_TRACE(a.Name);
  EXPECT_EQ(a.Id, b.Id);
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.NodeType, b.NodeType);
  EXPECT_EQ(a.Kind, b.Kind);
  EXPECT_EQ(a.ImageIndex, b.ImageIndex);
  ASSERT_EQ(a.Children.size(), b.Children.size());
  EXPECT_EQ(b.Marked, 0);
  switch (a.NodeType) {
    case kSector:
      EXPECT_EQ(a.Visible, b.Visible);
      EXPECT_EQ(a.NoInsideTest, b.NoInsideTest);
      EXPECT_EQ(a.NoCollision, b.NoCollision);
      break;
    case kPolygon:
    case kModel:
      EXPECT_EQ(a.TextureIndex, b.TextureIndex);
      EXPECT_EQ(a.NoCollision, b.NoCollision);
      EXPECT_EQ(a.Visible, b.Visible);
      EXPECT_EQ(a.ColorKey, b.ColorKey);
      EXPECT_EQ(a.EnvMapping, b.EnvMapping);
      EXPECT_EQ(a.LightingMode, b.LightingMode);
      EXPECT_EQ(a.NoShadow, b.NoShadow);
      ASSERT_EQ(a.Vertices.size(), b.Vertices.size());
      EXPECT_EQ(b.VertexCount, static_cast<int32_t>(b.Vertices.size()));
      for (size_t i = 0; i < a.Vertices.size(); ++i) {
        const TVertex &va = a.Vertices[i], &vb = b.Vertices[i];
        EXPECT_EQ(va.Id, vb.Id);
        EXPECT_EQ(va.Position, vb.Position);
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(va.Color[c], vb.Color[c], 1.0 / 255);
        EXPECT_EQ(va.TexCoord[0], vb.TexCoord[0]);
        EXPECT_EQ(va.TexCoord[1], vb.TexCoord[1]);
        EXPECT_EQ(va.LightmapCoord[0], vb.LightmapCoord[0]);
        EXPECT_EQ(va.LightmapCoord[1], vb.LightmapCoord[1]);
        EXPECT_EQ(vb.Marked, 0);
      }
      ASSERT_EQ(a.Triangles.size(), b.Triangles.size());
      EXPECT_EQ(b.TriangleCount, a.TriangleCount);
      for (size_t i = 0; i < a.Triangles.size(); ++i) {
        EXPECT_EQ(a.Triangles[i].V0, b.Triangles[i].V0);
        EXPECT_EQ(a.Triangles[i].V1, b.Triangles[i].V1);
        EXPECT_EQ(a.Triangles[i].V2, b.Triangles[i].V2);
        EXPECT_EQ(b.Triangles[i].LightmapTexture, 0u);
        EXPECT_EQ(b.Triangles[i].LightmapIndex, 0);
      }
      break;
    case kPortal:
      EXPECT_EQ(a.NoFrustum, b.NoFrustum);
      ASSERT_EQ(a.Vertices.size(), b.Vertices.size());
      for (size_t i = 0; i < a.Vertices.size(); ++i) {
        EXPECT_EQ(a.Vertices[i].Id, b.Vertices[i].Id);
        EXPECT_EQ(a.Vertices[i].Position, b.Vertices[i].Position);
      }
      break;
    case kLight:
      EXPECT_EQ(a.Position, b.Position);
      EXPECT_EQ(a.Brightness, b.Brightness);
      EXPECT_EQ(a.Range, b.Range);
      EXPECT_EQ(a.Shadow, b.Shadow);
      for (int c = 0; c < 3; ++c) EXPECT_EQ(a.Color[c], b.Color[c]);
      break;
    case kParticleSystem:
      EXPECT_EQ(a.Position, b.Position);
      EXPECT_EQ(a.ParticleType, b.ParticleType);
      EXPECT_EQ(a.ParticleSpeed, b.ParticleSpeed);
      break;
    case kActor:
      EXPECT_EQ(a.Position, b.Position);
      EXPECT_EQ(a.ObjectType, b.ObjectType);
      EXPECT_EQ(a.Heading, b.Heading);
      break;
    case kCheckpoint:
      EXPECT_EQ(a.Position, b.Position);
      EXPECT_EQ(a.ObjectType, b.ObjectType);
      break;
  }
  for (size_t i = 0; i < a.Children.size(); ++i) ExpectSameNode(*a.Children[i], *b.Children[i]);
}

TEST(Document, EmptySceneIs44Bytes) {
  Editor e;
  const Bytes expected = Cat({{'Q', 'X', 'M', '1'}, LE32(1001), LE32(0), DefaultCameraBlock()});
  EXPECT_EQ(WriteMapDocument(e), expected);
  EXPECT_EQ(expected.size(), 44u);
}

TEST(Document, SectorWithQuadLayout) {
  Editor e;
  TSector* a = AddSector(e, nullptr, "A");
  TSector* q = AddQuad(e, a, {0, 0, 0});
  const Bytes doc = WriteMapDocument(e);
  ASSERT_EQ(doc.size(), 12u + 13 + 14 + 175 + 32);
  EXPECT_EQ(Bytes(doc.begin() + 8, doc.begin() + 12), LE32(13));
  std::string outline;
  for (size_t i = 12; i < 25; ++i) outline += static_cast<char>(doc[i] ^ 0x80);
  EXPECT_EQ(outline, "A\r\n\tViereck\r\n");
  ByteWriter records;
  WriteNodeRecord(records, *a);
  WriteNodeRecord(records, *q);
  EXPECT_EQ(Bytes(doc.begin() + 25, doc.end() - 32), records.Take());
  EXPECT_EQ(Bytes(doc.end() - 32, doc.end()), DefaultCameraBlock());
}

TEST(Document, RoundTripKeepsEverythingStored) {
  Sample s;
  s.e.LightmapList.push_back({});
  const Bytes doc = WriteMapDocument(s.e);
  Editor loaded;
  std::string error;
  loaded.GridSize = 7;
  loaded.LookDistance = 12;
  loaded.LightmapList.push_back({});
  ASSERT_TRUE(LoadMapDocumentFromBytes(loaded, doc.data(), doc.size(), &error)) << error;
  ASSERT_EQ(loaded.Tree.TopLevel().size(), s.e.Tree.TopLevel().size());
  for (size_t i = 0; i < loaded.Tree.TopLevel().size(); ++i)
    ExpectSameNode(*s.e.Tree.TopLevel()[i], *loaded.Tree.TopLevel()[i]);
  EXPECT_EQ(loaded.CameraPosition, (Vector{1, 2, 3}));
  EXPECT_EQ(loaded.CameraHeading, 45);
  EXPECT_EQ(loaded.CameraPitch, -10);
  EXPECT_EQ(loaded.StartPosition, (Vector{9, 8, 7}));
  EXPECT_TRUE(loaded.LightmapList.empty());
  EXPECT_EQ(loaded.GridSize, 7);
  EXPECT_EQ(loaded.LookDistance, 12);

  // Links by id, to nodes of the loaded tree.
  TSector* portal = loaded.FindById(s.portal->Id);
  EXPECT_EQ(portal->IsLinked, 1);
  EXPECT_EQ(portal->LinkedSector, loaded.FindById(s.hall->Id));
  EXPECT_EQ(loaded.FindById(s.outward->Id)->IsLinked, 0);
  // A quad's planes are rebuilt, the bounds of every top-level node computed.
  const TSector* quad = loaded.FindById(s.quad->Id);
  EXPECT_FLOAT_EQ(std::fabs(quad->Triangles[0].Normal.z), 1.0f);
  EXPECT_EQ(loaded.FindById(s.hall->Id)->BoundsMax.x, 40.0f);
  EXPECT_NE(loaded.FindById(s.model->Id)->BoundsMax.x, 0.0f);
  EXPECT_EQ(loaded.FindById(s.checkpoint->Id)->ImageIndex, 25);
  EXPECT_EQ(loaded.FindById(s.cellar->Id)->ImageIndex, kIconSectorNoInsideTest);

  // Saved again, the document is the same bytes.
  EXPECT_EQ(WriteMapDocument(loaded), doc);
}

TEST(Document, IdCounterContinuesAfterLargestIdAndNeverDrops) {
  Sample s;
  s.model->Vertices.back().Id = 5000;  // a vertex holds the largest id
  const Bytes doc = WriteMapDocument(s.e);
  Editor loaded;
  ASSERT_TRUE(LoadMapDocumentFromBytes(loaded, doc.data(), doc.size(), nullptr));
  EXPECT_EQ(loaded.NextId(), 5001u);

  Editor busy;
  busy.IdCounter = 9000;
  ASSERT_TRUE(LoadMapDocumentFromBytes(busy, doc.data(), doc.size(), nullptr));
  EXPECT_EQ(busy.NextId(), 9001u);
}

TEST(Document, PortalToMissingNodeLoadsUnlinked) {
  Editor e;
  TSector* s = AddSector(e);
  TSector* other = AddSector(e);
  TSector* p = AddPortal(e, s, {}, other);
  Bytes doc = WriteMapDocument(e);
  // Change the stored link to an id no node has.
  // Outline "leerer Sektor", "\tPortal", "leerer Sektor" (39 bytes), the first sector's record, then
  // the portal's head (16 bytes) and NoFrustum.
  const size_t link_at = 12 + 39 + 26 + 17;
  ASSERT_EQ(Bytes(doc.begin() + link_at, doc.begin() + link_at + 4), LE32(other->Id));
  std::memcpy(&doc[link_at], LE32(777).data(), 4);
  Editor loaded;
  ASSERT_TRUE(LoadMapDocumentFromBytes(loaded, doc.data(), doc.size(), nullptr));
  TSector* lp = loaded.FindById(p->Id);
  EXPECT_EQ(lp->IsLinked, 0);
  EXPECT_EQ(lp->LinkedSector, nullptr);
}

TEST(Document, AwkwardNamesKeepNestingAndText) {
  Editor e;
  TSector* a = AddSector(e, nullptr, "  eingerückt");
  AddSector(e, a, "\tTab");
  TSector* b = AddSector(e, a, "zwei\r\nZeilen");
  AddQuad(e, b, {}, " \n ");
  AddSector(e, nullptr, "");
  const Bytes doc = WriteMapDocument(e);
  Editor loaded;
  std::string error;
  ASSERT_TRUE(LoadMapDocumentFromBytes(loaded, doc.data(), doc.size(), &error)) << error;
  ASSERT_EQ(loaded.Tree.TopLevel().size(), 2u);
  for (size_t i = 0; i < 2; ++i) ExpectSameNode(*e.Tree.TopLevel()[i], *loaded.Tree.TopLevel()[i]);
}

TEST(Document, DeepNestingRoundTrips) {
  Editor e;
  TSector* parent = nullptr;
  // The outline grows with the square of the depth (a TAB per level per line).
  for (int i = 0; i < 10000; ++i) parent = AddSector(e, parent, "s");
  AddQuad(e, parent, {});
  const Bytes doc = WriteMapDocument(e);
  Editor loaded;
  ASSERT_TRUE(LoadMapDocumentFromBytes(loaded, doc.data(), doc.size(), nullptr));
  EXPECT_EQ(loaded.Tree.Count(), 10001u);
  EXPECT_EQ(WriteMapDocument(loaded), doc);
}

// The scene of an editor, for checking that a refused load changed nothing.
struct Snapshot {
  std::vector<TSector*> nodes;
  Vector camera;
  uint32_t ids;
  explicit Snapshot(const Editor& e) : nodes(e.Tree.InOrder()), camera(e.CameraPosition), ids(e.IdCounter) {}
  bool Same(const Editor& e) const {
    return nodes == e.Tree.InOrder() && camera == e.CameraPosition && ids == e.IdCounter;
  }
};

TEST(Document, DamagedFilesAreRefusedAndSceneStays) {
  Sample s;
  const Bytes good = WriteMapDocument(s.e);
  Sample open;  // the scene that must survive
  TSector* kept = open.quad;
  open.e.SelectionList.push_back(kept);
  const Snapshot before(open.e);

  auto refused = [&](const Bytes& b, const char* what) {
    SCOPED_TRACE(what);
    std::string error;
    const bool loaded = LoadMapDocumentFromBytes(open.e, b.data(), b.size(), &error);
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(before.Same(open.e));
    EXPECT_EQ(open.e.SelectionList.size(), 1u);
  };

  for (size_t cut = 0; cut < good.size(); ++cut) {
    Bytes b(good.begin(), good.begin() + cut);
    std::string error;
    ASSERT_FALSE(LoadMapDocumentFromBytes(open.e, b.data(), b.size(), &error)) << cut;
  }
  EXPECT_TRUE(before.Same(open.e));

  Bytes b = good;
  b[3] = '2';
  refused(b, "foreign magic");
  b = good;
  b[4] = 0xEA;  // 1002
  refused(b, "other version");
  b = good;
  b.push_back(0);
  refused(b, "a byte too many");
  b = good;
  std::memcpy(&b[8], LE32(0x80000000u).data(), 4);
  refused(b, "negative outline length");
  b = good;
  std::memcpy(&b[8], LE32(0x7FFFFFFFu).data(), 4);
  refused(b, "outline longer than the file");
  b = good;
  // "Halle\r\n\tBoden" -> "Halle\r\n\t\tBoden": the second line two levels down.
  b.insert(b.begin() + 12 + 7, '\t' ^ 0x80);
  std::memcpy(&b[8], LE32(U32At(good, 8) + 1).data(), 4);
  refused(b, "line too deep");

  // The outline lists one node fewer than there are records.
  Editor one;
  AddSector(one);
  AddSector(one);
  Bytes two = WriteMapDocument(one);
  ASSERT_EQ(U32At(two, 8), 30u);
  std::memcpy(&two[8], LE32(15).data(), 4);
  two.erase(two.begin() + 12 + 15, two.begin() + 12 + 30);
  refused(two, "outline shorter than the records");
}

TEST(Document, FilesAreReplacedOnlyWhenComplete) {
  test::TempDir dir;
  Sample s;
  const auto path = dir / "karte.qxm";
  std::string error;
  ASSERT_TRUE(SaveMapDocument(s.e, path, &error)) << error;
  EXPECT_EQ(test::ReadFileBytes(path), WriteMapDocument(s.e));

  Editor loaded;
  ASSERT_TRUE(LoadMapDocument(loaded, path, &error)) << error;
  EXPECT_EQ(loaded.Tree.Count(), s.e.Tree.Count());
  EXPECT_EQ(loaded.DocumentHasFile, false);  // naming the document is the command's business

  EXPECT_FALSE(SaveMapDocument(s.e, dir / "fehlt" / "karte.qxm", &error));
  EXPECT_FALSE(error.empty());
  std::filesystem::create_directory(dir / "ordner.qxm");
  test::WriteFileBytes(dir / "ordner.qxm" / "inhalt", {1});
  EXPECT_FALSE(SaveMapDocument(s.e, dir / "ordner.qxm", &error));
  EXPECT_EQ(test::ReadFileBytes(dir / "ordner.qxm" / "inhalt"), Bytes{1});
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();

  EXPECT_FALSE(LoadMapDocument(loaded, dir / "nichts.qxm", &error));
}

TEST(Document, WriteFuzzSeeds) {
  Sample s;
  test::WriteFuzzSeed("document", "sample.qxm", WriteMapDocument(s.e));
  Editor empty;
  test::WriteFuzzSeed("document", "empty.qxm", WriteMapDocument(empty));
  Editor nested;
  TSector* a = AddSector(nested, nullptr, "A");
  AddQuad(nested, AddSector(nested, a, "  B"), {}, "q\r\n");
  test::WriteFuzzSeed("document", "nested.qxm", WriteMapDocument(nested));
}

}  // namespace
}  // namespace qx

#include "scene/node_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/scene_samples.h"

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

Bytes Record(const TSector& n, const Vector* origin = nullptr) {
  ByteWriter w;
  WriteNodeRecord(w, n, origin);
  EXPECT_EQ(w.Size(), NodeRecordSize(n));
  return w.Take();
}

uint32_t U32At(const Bytes& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
float F32At(const Bytes& b, size_t at) {
  float v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

TEST(NodeRecords, NewSectorIsTwentySixBytes) {
  Editor e;
  TSector* s = AddSector(e);
  const Bytes expected = {1,   0,   0,   0,   13,  0,   0,   0,   'l', 'e', 'e', 'r', 'e',
                          'r', ' ', 'S', 'e', 'k', 't', 'o', 'r', 0,   0,   1,   0,   0};
  EXPECT_EQ(Record(*s), expected);
  s->NoInsideTest = 1;
  s->NoCollision = 1;
  s->Visible = 0;
  const Bytes flags = Record(*s);
  EXPECT_EQ(Bytes(flags.end() - 3, flags.end()), (Bytes{0, 1, 1}));  // Visible, NoInsideTest, NoCollision
}

TEST(NodeRecords, QuadLayoutIs175Bytes) {
  Editor e;
  TSector* q = AddQuad(e, nullptr, {0, 0, 0});
  q->TextureIndex = 0x0102;
  q->NoCollision = 1;
  q->Visible = 2;
  q->ColorKey = 3;
  q->EnvMapping = 4;
  q->LightingMode = 5;
  q->NoShadow = 6;
  q->Vertices[1].Color[0] = 0.5f;  // 127.5 rounds to the even 128
  q->Vertices[1].Color[1] = 0.0f;
  q->Vertices[1].Color[2] = 2.0f;   // 510 keeps its low 8 bits: 254
  q->Vertices[1].Color[3] = -1.0f;  // -255: 1
  const Bytes b = Record(*q);
  ASSERT_EQ(b.size(), 175u);
  EXPECT_EQ(U32At(b, 0), q->Id);
  EXPECT_EQ(U32At(b, 4), 7u);
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 15), "Viereck");
  EXPECT_EQ(b[15], kPolygon);
  EXPECT_EQ(b[16], 0);  // Kind
  EXPECT_EQ(Bytes(b.begin() + 17, b.begin() + 25), (Bytes{0x02, 0x01, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(U32At(b, 25), 4u);
  for (int i = 0; i < 4; ++i) {
    const size_t at = 29 + 36 * i;
    const TVertex& v = q->Vertices[i];
    EXPECT_EQ(U32At(b, at), v.Id);
    EXPECT_EQ(F32At(b, at + 4), v.Position.x);
    EXPECT_EQ(F32At(b, at + 8), v.Position.y);
    EXPECT_EQ(F32At(b, at + 12), v.Position.z);
    if (i != 1) {
      EXPECT_EQ(Bytes(b.begin() + at + 16, b.begin() + at + 20), (Bytes{255, 255, 255, 255}));
    }
    EXPECT_EQ(F32At(b, at + 20), v.TexCoord[0]);
    EXPECT_EQ(F32At(b, at + 24), v.TexCoord[1]);
    EXPECT_EQ(F32At(b, at + 28), v.LightmapCoord[0]);
    EXPECT_EQ(F32At(b, at + 32), v.LightmapCoord[1]);
  }
  EXPECT_EQ(Bytes(b.begin() + 29 + 36 + 16, b.begin() + 29 + 36 + 20), (Bytes{128, 0, 254, 1}));
  EXPECT_EQ(Bytes(b.end() - 2, b.end()), (Bytes{2, 0}));
}

TEST(NodeRecords, ModelAddsTriangleCorners) {
  Editor e;
  TSector* m = AddModel(e, nullptr, {1, 2, 3}, 5, 3);
  const Bytes b = Record(*m);
  ASSERT_EQ(b.size(), 10u + 5 + 8 + 4 + 5 * 36 + 2 + 3 * 12);
  const size_t tri = 10 + 5 + 8 + 4 + 5 * 36;
  EXPECT_EQ(Bytes(b.begin() + tri, b.begin() + tri + 2), (Bytes{3, 0}));
  EXPECT_EQ(U32At(b, tri + 2), 0u);
  EXPECT_EQ(U32At(b, tri + 6), 1u);
  EXPECT_EQ(U32At(b, tri + 10), 2u);
  EXPECT_EQ(U32At(b, tri + 2 + 32), 4u);  // V2 of the last triangle (2, 3, 4)
}

TEST(NodeRecords, PortalLinkIdAndShortVertices) {
  Editor e;
  TSector* target = AddSector(e);
  TSector* p = AddPortal(e, target, {0, 0, 0}, target);
  p->NoFrustum = 1;
  Bytes b = Record(*p);
  ASSERT_EQ(b.size(), 10u + 6 + 1 + 4 + 1 + 4 * 16);
  EXPECT_EQ(b[16], 1);
  EXPECT_EQ(U32At(b, 17), target->Id);
  EXPECT_EQ(b[21], 4);
  EXPECT_EQ(U32At(b, 22), p->Vertices[0].Id);
  EXPECT_EQ(F32At(b, 26), -20.0f);
  EXPECT_EQ(F32At(b, 30), 20.0f);

  p->IsLinked = 0;  // unlinked, whatever id was remembered
  b = Record(*p);
  EXPECT_EQ(U32At(b, 17), 0xFFFFFFFFu);
}

TEST(NodeRecords, LightColoursRoundHalfEvenWithoutScaling) {
  Editor e;
  TSector* l = AddLight(e, nullptr, {1, 2, 3});
  l->Kind = 1;
  l->Brightness = 12.5f;
  l->Range = 99;
  l->Shadow = 1;
  l->Color[0] = 126.5f;  // 126
  l->Color[1] = 127.5f;  // 128
  l->Color[2] = 255.5f;  // 256 -> 0
  const Bytes b = Record(*l);
  ASSERT_EQ(b.size(), 10u + 5 + 12 + 4 + 4 + 4 + 3);
  EXPECT_EQ(b[14], 1);  // Kind
  EXPECT_EQ(F32At(b, 15), 1.0f);
  EXPECT_EQ(F32At(b, 27), 12.5f);
  EXPECT_EQ(F32At(b, 31), 99.0f);
  EXPECT_EQ(Bytes(b.begin() + 35, b.end()), (Bytes{1, 0, 0, 0, 126, 128, 0}));
}

TEST(NodeRecords, PlacedNodeLayouts) {
  Editor e;
  TSector* ps = AddPlaced(e, nullptr, kParticleSystem, {1, 2, 3});
  ps->ParticleType = 7;
  ps->ParticleSpeed = 4;
  Bytes b = Record(*ps);
  ASSERT_EQ(b.size(), 10u + 14 + 17);
  EXPECT_EQ(b[36], 7);
  EXPECT_EQ(F32At(b, 37), 4.0f);

  TSector* actor = AddPlaced(e, nullptr, kActor, {1, 2, 3});
  actor->ObjectType = 9;
  actor->Heading = 90;
  b = Record(*actor);
  ASSERT_EQ(b.size(), 10u + 5 + 17);
  EXPECT_EQ(b[27], 9);
  EXPECT_EQ(F32At(b, 28), 90.0f);

  TSector* cp = AddPlaced(e, nullptr, kCheckpoint, {1, 2, 3});
  cp->ObjectType = 3;
  b = Record(*cp);
  ASSERT_EQ(b.size(), 10u + 10 + 13);
  EXPECT_EQ(F32At(b, 28), 3.0f);
  EXPECT_EQ(b.back(), 3);
}

TEST(NodeRecords, OriginMakesEveryStoredPositionRelative) {
  Editor e;
  const Vector origin{100, 0, 40};
  TSector* q = AddQuad(e, nullptr, {100, 0, 40});
  EXPECT_EQ(F32At(Record(*q, &origin), 29 + 4), 30.0f);
  EXPECT_EQ(F32At(Record(*q, &origin), 29 + 12), 0.0f);
  TSector* l = AddLight(e, nullptr, {110, 5, 50});
  const Bytes b = Record(*l, &origin);
  EXPECT_EQ(F32At(b, 15), 10.0f);
  EXPECT_EQ(F32At(b, 19), 5.0f);
  EXPECT_EQ(F32At(b, 23), 10.0f);
  EXPECT_EQ(q->Vertices[0].Position.x, 130.0f);  // the scene is not touched
}

// Builds a tree from records in a buffer, as documents do.
bool Parse(const std::string& outline_text, const Bytes& records, SceneTree& tree,
           std::string* error = nullptr) {
  std::vector<OutlineEntry> outline;
  std::string parse_error;
  if (!ParseOutline(outline_text, outline, &parse_error)) return false;
  ByteReader in(records);
  try {
    ReadNodes(in, outline, tree);
    return in.Remaining() == 0;
  } catch (const ReadError& e) {
    if (error) *error = e.what();
    return false;
  }
}

TEST(NodeRecords, ReadNodesBuildsNestingIconsAndPlanes) {
  Editor e;
  TSector* s = AddSector(e, nullptr, "A");
  s->NoInsideTest = 1;
  AddQuad(e, s, {0, 0, 0});
  AddPlaced(e, s, kCheckpoint, {});
  AddNode(e, nullptr, kActor);
  ByteWriter w;
  WriteNodes(w, e.Tree);
  SceneTree tree;
  ASSERT_TRUE(Parse("A\r\n\tViereck\r\n\tCheckpoint\r\nActor\r\n", w.Take(), tree));
  ASSERT_EQ(tree.TopLevel().size(), 2u);
  const TSector* a = tree.First();
  EXPECT_EQ(a->ImageIndex, kIconSectorNoInsideTest);
  ASSERT_EQ(a->Children.size(), 2u);
  const TSector* quad = a->Children[0].get();
  EXPECT_EQ(quad->ImageIndex, kIconPolygon);
  EXPECT_EQ(quad->Parent, a);
  ASSERT_EQ(quad->Triangles.size(), 2u);
  EXPECT_EQ(quad->Triangles[1].V0, 3);
  EXPECT_FLOAT_EQ(std::fabs(quad->Triangles[0].Normal.z), 1.0f);
  EXPECT_EQ(a->Children[1]->ImageIndex, 25);
  EXPECT_EQ(tree.TopLevel()[1]->ImageIndex, kIconActor);
}

TEST(NodeRecords, ReadNodesRefusesDamagedRecords) {
  Editor e;
  TSector* q = AddQuad(e, nullptr, {0, 0, 0});
  ByteWriter w;
  WriteNodeRecord(w, *q);
  const Bytes good = w.Take();
  SceneTree tree;
  ASSERT_TRUE(Parse("Viereck", good, tree));

  auto refused = [&](Bytes b) {
    SceneTree t;
    return !Parse("Viereck", b, t);
  };
  Bytes b = good;
  b[15] = 7;  // no such node type
  EXPECT_TRUE(refused(b));
  b = good;
  b[25] = 3;  // a polygon that is no quad
  EXPECT_TRUE(refused(b));
  b = good;
  std::memset(&b[25], 0xFF, 4);  // negative vertex count
  EXPECT_TRUE(refused(b));
  b = good;
  b[28] = 0x40;  // a billion vertices in 175 bytes
  EXPECT_TRUE(refused(b));
  b = good;
  b[4] = 0xFF;  // name longer than the data
  EXPECT_TRUE(refused(b));
  for (size_t cut = 0; cut < good.size(); ++cut)
    EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + cut)));

  TSector* m = AddModel(e, nullptr, {}, 3, 1);
  m->Triangles[0].V2 = 3;  // one past the last vertex
  ByteWriter mw;
  WriteNodeRecord(mw, *m);
  SceneTree mt;
  std::string error;
  EXPECT_FALSE(Parse("Model", mw.Take(), mt, &error));
  EXPECT_FALSE(error.empty());
}

TEST(NodeRecords, NegativeNameLengthReadsAsEmptyName) {
  Bytes b = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, kSector, 0, 1, 0, 0};
  SceneTree tree;
  ASSERT_TRUE(Parse("x", b, tree));
  EXPECT_EQ(tree.First()->Name, "");
}

TEST(NodeRecords, PortalLinksResolveToTheLastNodeWithTheId) {
  SceneTree tree;
  auto make = [&](TSector* parent, uint8_t type, uint32_t id) {
    auto n = std::make_unique<TSector>();
    n->NodeType = type;
    n->Id = id;
    return tree.AddChild(parent, std::move(n));
  };
  TSector* first = make(nullptr, kSector, 5);
  TSector* second = make(nullptr, kSector, 5);
  TSector* p = make(first, kPortal, 6);
  p->LinkedSectorId = 5;
  TSector* lost = make(first, kPortal, 7);
  lost->LinkedSectorId = 99;
  TSector* none = make(first, kPortal, 8);
  none->LinkedSectorId = kNoLinkId;
  ResolvePortalLinks(tree);
  EXPECT_EQ(p->LinkedSector, second);
  EXPECT_EQ(p->IsLinked, 1);
  EXPECT_EQ(lost->LinkedSector, nullptr);
  EXPECT_EQ(lost->IsLinked, 0);
  EXPECT_EQ(none->IsLinked, 0);
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// Reader and writer walk one layout: what is read back writes the same bytes,
// for every node type, and arrays longer than their count field are cut to it.
TEST(NodeRecords, EveryTypeReadsBackToTheSameBytesAndLongArraysAreCut) {
  Editor e;
  TSector* s = AddSector(e, nullptr, "S");
  s->NoInsideTest = 1;
  std::vector<TSector*> nodes = {s,
                                 AddQuad(e, s, {1, 2, 3}),
                                 AddModel(e, s, {4, 5, 6}, 7, 5),
                                 AddPortal(e, s, {0, 0, 9}),
                                 AddLight(e, s, {1, 1, 1}),
                                 AddPlaced(e, s, kParticleSystem, {2, 2, 2}),
                                 AddPlaced(e, s, kActor, {3, 3, 3}),
                                 AddPlaced(e, s, kCheckpoint, {4, 4, 4})};
  TSector* long_portal = AddPortal(e, s, {0, 0, 0});
  long_portal->ResizeVertices(300);
  nodes.push_back(long_portal);
  for (TSector* n : nodes) {
    SCOPED_TRACE(int(n->NodeType));
    n->Kind = 1;
    n->ObjectType = 5;
    n->Heading = 45;
    n->ParticleType = 2;
    n->ParticleSpeed = 3;
    n->NoFrustum = 1;
    const Bytes first = Record(*n);
    SceneTree tree;
    std::string error;
    ASSERT_TRUE(Parse(n->Name.empty() ? "x" : n->Name, first, tree, &error)) << error;
    const TSector& back = *tree.First();
    EXPECT_EQ(Record(back), first);
    EXPECT_EQ(back.ImageIndex, n == s ? kIconSectorNoInsideTest : DefaultIcon(n->NodeType));
  }
  EXPECT_EQ(Record(*long_portal)[21], 255);
  EXPECT_EQ(NodeRecordSize(*long_portal), 10u + 6 + 1 + 4 + 1 + 255 * 16);  // "Portal"
}

}  // namespace
}  // namespace qx

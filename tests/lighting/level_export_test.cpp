#include "lighting/level_export.h"

#include <gtest/gtest.h>

#include <cstring>

#include "lighting/level_reader.h"
#include "lighting/lightmap.h"
#include "scene/polygon_data.h"
#include "support/scene_generator.h"
#include "support/test_support.h"

namespace qx {
namespace {

using test::AddLight;
using test::AddModel;
using test::AddQuad;

// One sector holding the square an insert at the origin makes.
struct SquareScene {
  SquareScene() {
    sector = e.CreateNode(nullptr, kSector);
    sector->Id = e.NextId();
    sector->Visible = 1;
    square = AddQuad(e, sector, {0, 0, 0}, {40, 0, 0}, {0, 40, 0});
  }
  std::vector<uint8_t> Build() { return BuildLevelFile(e.Tree, e.LightmapList, e.StartPosition); }
  Editor e;
  TSector* sector;
  TSector* square;
};

void WriteCorner(ByteWriter& w, const TVertex& v, const uint8_t (&color)[4]) {
  w.F32(v.Position.x);
  w.F32(v.Position.y);
  w.F32(v.Position.z);
  w.Bytes(color, 4);
  w.F32(v.TexCoord[0]);
  w.F32(v.TexCoord[1]);
  w.F32(v.LightmapCoord[0]);
  w.F32(v.LightmapCoord[1]);
}

TEST(LevelExport, OneSquareWithoutLightmapsIs290Bytes) {
  SquareScene s;
  s.e.StartPosition = {1, 2, 3};
  s.square->TextureIndex = 0x0102;
  s.square->Vertices[2].Color[1] = 0.5f;  // 127.5 rounds to the even 128
  s.square->Triangles[0].LightmapIndex = 5;
  s.square->Triangles[1].LightmapIndex = -7;
  UpdatePolygonData(s.square);
  const std::vector<uint8_t> bytes = s.Build();
  ASSERT_EQ(bytes.size(), 290u);

  // The same file, written out field by field.
  ByteWriter w;
  w.Bytes("MAP1", 4);
  w.I32(1001);
  w.I32(2);
  w.U32(s.sector->Id);
  w.U8(0);
  for (float f : {-40.f, -40.f, 0.f, 40.f, 40.f, 0.f}) w.F32(f);
  w.Bytes(std::vector<uint8_t>{1, 0, 0});
  w.U8(1);  // the sector has children
  const uint8_t white[4] = {255, 255, 255, 255}, green_half[4] = {255, 128, 255, 255};
  for (int t = 0; t < 2; ++t) {
    if (t == 1) w.Bytes(std::vector<uint8_t>{0, 0});
    w.U32(s.square->Id);
    w.U8(1);
    w.U16(0x0102);
    w.Bytes(std::vector<uint8_t>{1, 0, 0, 0, 0});
    w.I32(t == 0 ? 5 : -7);
    const TTriangle& tri = s.square->Triangles[t];
    for (int32_t k : {tri.V0, tri.V1, tri.V2})
      WriteCorner(w, s.square->Vertices[k], k == 2 ? green_half : white);
  }
  w.Bytes(std::vector<uint8_t>{0, 1, 1});  // square: no children, last; sector: last
  w.I32(-1);
  for (float f : {1.f, 2.f, 3.f}) w.F32(f);
  EXPECT_EQ(bytes, w.Take());
}

TEST(LevelExport, LightmapsFollowTheStream) {
  SquareScene s;
  ASSERT_EQ(ComputeLightmaps(s.e, {8, 8}), BakeStatus::kDone);
  const std::vector<uint8_t> bytes = s.Build();
  ASSERT_EQ(bytes.size(), 290u + 2 * (8 + 192));
  LevelFile f;
  std::string error;
  ASSERT_TRUE(ReadLevelFile(bytes, f, error)) << error;
  ASSERT_EQ(f.records.size(), 3u);
  EXPECT_EQ(f.records[1].lightmap_index, 0);
  EXPECT_EQ(f.records[2].lightmap_index, 1);
  ASSERT_EQ(f.lightmaps.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(f.lightmaps[i].width, 8);
    EXPECT_EQ(f.lightmaps[i].height, 8);
    EXPECT_EQ(f.lightmaps[i].rgb, s.e.LightmapList[i].rgb);
  }
  int32_t high;
  std::memcpy(&high, bytes.data() + 274, 4);
  EXPECT_EQ(high, 1);
}

TEST(LevelExport, BodiesOfEveryType) {
  Editor e;
  TSector* s = e.CreateNode(nullptr, kSector);
  s->Id = 10;
  TSector* light = AddLight(e, s, {1, 2, 3}, 1, 1, {255, 127.5f, 0}, 42, 99);
  TSector* portal = e.CreateNode(s, kPortal);
  portal->Id = 11;
  portal->ResizeVertices(4);
  for (int i = 0; i < 4; ++i) portal->Vertices[i].Position = {float(i), 0, 0};
  portal->NoFrustum = 1;
  portal->LinkedSectorId = 99;  // stale: the portal is not linked
  TSector* linked = e.CreateNode(s, kPortal);
  linked->IsLinked = 1;
  linked->LinkedSector = s;
  linked->LinkedSectorId = 10;
  TSector* particles = e.CreateNode(s, kParticleSystem);
  particles->Position = {4, 5, 6};
  particles->ParticleType = 3;
  particles->ParticleSpeed = 12;
  TSector* actor = e.CreateNode(s, kActor);
  actor->ObjectType = 7;
  actor->Heading = 90;
  TSector* checkpoint = e.CreateNode(s, kCheckpoint);
  checkpoint->ObjectType = 8;
  TSector* vertex_model =
      AddModel(e, s, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}, {0, 1, 0}, {1, 0, 0}}, 1);
  vertex_model->Vertices[1].Color[2] = 0.25f;
  TSector* lit_model = AddModel(e, s, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 0);
  (void)light;

  const std::vector<uint8_t> bytes = BuildLevelFile(e.Tree, {}, {});
  LevelFile f;
  std::string error;
  ASSERT_TRUE(ReadLevelFile(bytes, f, error)) << error;
  EXPECT_EQ(f.node_count, 9);
  ASSERT_EQ(f.records.size(), 9u);
  const LevelRecord& l = f.records[1];
  EXPECT_EQ(l.type, kLight);
  EXPECT_EQ(l.position, (Vector{1, 2, 3}));
  EXPECT_EQ(l.light_color[0], 255);
  EXPECT_EQ(l.light_color[1], 128) << "127.5 rounds to even";
  EXPECT_EQ(l.light_color[2], 0);
  EXPECT_EQ(l.brightness, 42);
  EXPECT_EQ(f.records[2].linked_id, 0u) << "not linked: 0, whatever the stale id";
  EXPECT_EQ(f.records[2].no_frustum, 1);
  ASSERT_EQ(f.records[2].positions.size(), 4u);
  EXPECT_EQ(f.records[2].positions[3], (Vector{3, 0, 0}));
  EXPECT_EQ(f.records[3].linked_id, 10u);
  EXPECT_EQ(f.records[4].position, (Vector{4, 5, 6}));
  EXPECT_EQ(f.records[4].object_type, 3);
  EXPECT_EQ(f.records[4].value, 12);
  EXPECT_EQ(f.records[5].object_type, 7);
  EXPECT_EQ(f.records[5].value, 90);
  EXPECT_EQ(f.records[6].object_type, 8);
  const LevelRecord& blocks = f.records[7];
  EXPECT_EQ(blocks.type, kModel);
  EXPECT_FALSE(blocks.per_triangle);
  EXPECT_EQ(blocks.lighting_mode, 1);
  EXPECT_EQ(blocks.triangle_count, 2);
  ASSERT_EQ(blocks.positions.size(), 6u);
  EXPECT_EQ(blocks.positions[3], (Vector{1, 1, 1}));
  EXPECT_EQ(blocks.colors[4 * 1 + 2], 0.25f) << "raw float colours in the block layout";
  EXPECT_EQ(f.records[8].type, kModel);
  EXPECT_TRUE(f.records[8].per_triangle) << "a lightmapped model is written as triangle records";
  EXPECT_EQ(f.records[8].id, lit_model->Id);

  // Record sizes: light 5 + 19, portal 5 + 6 + 48, particle/actor 5 + 17, checkpoint 5 + 13, model 5 + 9 +
  // 264.
  const size_t light_at = f.records[1].offset, portal_at = f.records[2].offset;
  EXPECT_EQ(portal_at - light_at, 5u + 19 + 2);
  EXPECT_EQ(f.records[3].offset - portal_at, 5u + 6 + 48 + 2);
  EXPECT_EQ(f.records[5].offset - f.records[4].offset, 5u + 17 + 2);
  EXPECT_EQ(f.records[7].offset - f.records[6].offset, 5u + 13 + 2);
  EXPECT_EQ(f.records[8].offset - f.records[7].offset, 5u + 9 + 132 * 2 + 2);
}

TEST(LevelExport, StructureBytesFollowTheTree) {
  // a { b { c }, d }, e
  Editor e;
  TSector* a = e.CreateNode(nullptr, kSector);
  TSector* b = e.CreateNode(a, kSector);
  e.CreateNode(b, kLight);
  e.CreateNode(a, kCheckpoint);
  e.CreateNode(nullptr, kActor);
  int id = 1;
  e.Tree.Walk([&](TSector* n) { n->Id = id++; });
  LevelFile f;
  std::string error;
  ASSERT_TRUE(ReadLevelFile(BuildLevelFile(e.Tree, {}, {}), f, error)) << error;
  ASSERT_EQ(f.records.size(), 5u);
  const int depth[] = {0, 1, 2, 1, 0};
  const bool children[] = {true, true, false, false, false}, last[] = {false, false, true, true, true};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(f.records[i].id, uint32_t(i + 1));
    EXPECT_EQ(f.records[i].depth, depth[i]) << i;
    EXPECT_EQ(f.records[i].has_children, children[i]) << i;
    EXPECT_EQ(f.records[i].is_last, last[i]) << i;
  }
}

TEST(LevelExport, DeepTreesAndEmptyPolygons) {
  Editor e;
  TSector* parent = nullptr;
  for (int i = 0; i < 20000; ++i) parent = e.CreateNode(parent, kSector);
  LevelFile f;
  std::string error;
  ASSERT_TRUE(ReadLevelFile(BuildLevelFile(e.Tree, {}, {}), f, error)) << error;
  EXPECT_EQ(f.max_depth, 19999);

  // A polygon without triangles has no record a reader could recognise: it is
  // left out with what hangs below it, and the counts follow.
  Editor g;
  TSector* s = g.CreateNode(nullptr, kSector);
  TSector* empty = g.CreateNode(s, kPolygon);
  g.CreateNode(empty, kLight);
  TSector* model = g.CreateNode(s, kModel);
  model->LightingMode = 0;
  ASSERT_TRUE(ReadLevelFile(BuildLevelFile(g.Tree, {}, {}), f, error)) << error;
  EXPECT_EQ(f.node_count, 1);
  ASSERT_EQ(f.records.size(), 1u);
  EXPECT_FALSE(f.records[0].has_children);
  EXPECT_TRUE(f.records[0].is_last);
  model->LightingMode = 1;  // in blocks, zero triangles is a plain 9-byte body
  ASSERT_TRUE(ReadLevelFile(BuildLevelFile(g.Tree, {}, {}), f, error)) << error;
  ASSERT_EQ(f.records.size(), 2u);
  EXPECT_EQ(f.records[1].triangle_count, 0);
}

TEST(LevelExport, OutOfRangeCornersAndOversizedPortalsStayReadable) {
  Editor e;
  TSector* m = AddModel(e, nullptr, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, 0);
  m->Triangles[0].V2 = 99;
  TSector* portal = e.CreateNode(nullptr, kPortal);
  portal->ResizeVertices(300);
  LevelFile f;
  std::string error;
  ASSERT_TRUE(ReadLevelFile(BuildLevelFile(e.Tree, {}, {}), f, error)) << error;
  EXPECT_EQ(f.records[0].corners[2].position, (Vector{0, 0, 0}));
  EXPECT_EQ(f.records[1].positions.size(), 255u);
}

}  // namespace
}  // namespace qx

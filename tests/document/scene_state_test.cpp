#include "document/scene_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "commands/scene_dump.h"
#include "models/md2.h"
#include "models/test_md2.h"
#include "support/scene_samples.h"

namespace qx {
namespace {

using test::AddLight;
using test::AddModel;
using test::AddPortal;
using test::AddQuad;
using test::AddSector;

std::unique_ptr<TMD2> SampleLoader() {
  const std::vector<uint8_t> bytes = test::MakeMd2(test::SampleMd2());
  auto md2 = std::make_unique<TMD2>();
  EXPECT_TRUE(md2->LoadFromMemory(bytes.data(), bytes.size()));
  return md2;
}

// A scene that uses every field of every record with values no default has.
struct OddScene {
  Editor e;
  TSector *room, *quad, *portal, *light, *model, *sub;

  OddScene() {
    room = AddSector(e, nullptr, "Raum \xe4");  // cp1252 bytes stay bytes
    room->NoInsideTest = 1;
    room->NoCollision = 1;
    room->ImageIndex = kIconSectorNoInsideTest;
    sub = AddSector(e, room, "");
    quad = AddQuad(e, sub, {10, 20, 30});
    quad->Kind = 3;
    quad->TextureIndex = 65535;
    quad->ColorKey = quad->EnvMapping = quad->NoShadow = 1;
    quad->LightingMode = 2;
    quad->Vertices[0].Color[0] = 0.3337f;  // no byte gives this back: only a lossless copy does
    quad->Vertices[1].Color[3] = -0.0f;
    quad->Vertices[2].LightmapCoord[1] = std::numeric_limits<float>::quiet_NaN();
    quad->Vertices[3].Marked = 1;
    quad->Triangles[0] = {0, 1, 2, {0, 0, 1}, -7.5f, 42, 3};
    quad->Triangles[1] = {3, 2, 1, {0, 0, -1}, 7.5f, 43, 4};
    quad->Centroid = {1, 2, 3};
    quad->BoundsMin = {-1, -2, -3};
    quad->BoundsMax = {4, 5, 6};
    quad->BoundsCenter = {7, 8, 9};
    portal = AddPortal(e, room, {0, 0, 5}, sub);
    portal->NoFrustum = 1;
    light = AddLight(e, room, {1.5f, -2.25f, 1e-30f});
    light->Kind = 1;
    light->Color[1] = 12.75f;
    light->Range = std::numeric_limits<float>::infinity();
    TSector* particles = test::AddPlaced(e, room, kParticleSystem, {3, 3, 3});
    particles->ParticleType = 9;
    particles->ParticleSpeed = 2.5f;
    TSector* actor = test::AddPlaced(e, nullptr, kActor, {0, 1, 0});
    actor->ObjectType = 200;
    actor->Heading = 370;
    model = AddModel(e, room, {5, 6, 7}, 40, 30);
    model->ModelLoader = SampleLoader();
    e.LightmapList.push_back({2, 1, {1, 2, 3, 4, 5, 6}});
    e.StartPosition = {-1, -0.0f, 1};
    e.SelectionList = {quad, light, quad};
    quad->Marked = light->Marked = 1;
    e.TreeSelection = light;
    e.CurrentVertexNode = quad;
    e.CurrentVertexIndex = 3;
  }
};

TEST(SceneState, RestoreGivesBackEveryFieldToTheLastBit) {
  OddScene s;
  StateMemory memory;
  const std::string before = test::DumpScene(s.e);
  auto state = SceneState::Capture(s.e, nullptr, &memory);
  const uint32_t counter = s.e.IdCounter;

  // Change everything the state holds, then go back.
  s.e.Tree.Remove(s.room);
  s.e.Tree.Rename(s.e.Tree.First(), "x");
  s.e.LightmapList.clear();
  s.e.StartPosition = {9, 9, 9};
  s.e.IdCounter = counter + 100;
  state->Restore(s.e);

  EXPECT_EQ(test::DumpScene(s.e), before);
  // The counter never goes back: ids handed out in between stay unused.
  EXPECT_EQ(s.e.IdCounter, counter + 100);
  // The restored records are new ones, linked among themselves.
  TSector* portal = s.e.Tree.First()->Children[1].get();
  ASSERT_EQ(portal->NodeType, kPortal);
  EXPECT_EQ(portal->LinkedSector, s.e.Tree.First()->Children[0].get());
  ASSERT_NE(s.e.TreeSelection, nullptr);
  EXPECT_EQ(s.e.TreeSelection->NodeType, kLight);
}

TEST(SceneState, RestoreRaisesTheIdCounterToTheState) {
  OddScene s;
  StateMemory memory;
  auto state = SceneState::Capture(s.e, nullptr, &memory);
  const uint32_t counter = s.e.IdCounter;
  s.e.IdCounter = 1;
  state->Restore(s.e);
  EXPECT_EQ(s.e.IdCounter, counter);
  EXPECT_EQ(state->IdCounter(), counter);
}

TEST(SceneState, SelectionMarksBoundsAndTextureNamesAreNoChange) {
  OddScene s;
  StateMemory memory;
  auto base = SceneState::Capture(s.e, nullptr, &memory);
  bool changed = true;
  auto same = SceneState::Capture(s.e, base.get(), &memory, &changed);
  EXPECT_FALSE(changed);
  EXPECT_TRUE(same->SameSelection(*base));

  s.e.SelectionList = {s.model};
  s.model->Marked = 1;
  s.quad->Vertices[0].Marked = 1;
  s.quad->BoundsMax = {100, 100, 100};
  s.quad->Triangles[0].LightmapTexture = 99;
  s.e.TreeSelection = nullptr;
  auto selected = SceneState::Capture(s.e, same.get(), &memory, &changed);
  EXPECT_FALSE(changed);
  EXPECT_FALSE(selected->SameSelection(*same));
}

TEST(SceneState, AnyDocumentChangeIsSeen) {
  struct Case {
    const char* what;
    std::function<void(OddScene&)> change;
  };
  const std::vector<Case> cases = {
      {"vertex colour by one ulp",
       [](OddScene& s) { s.quad->Vertices[0].Color[0] = std::nextafter(0.3337f, 1.0f); }},
      {"NaN to a number", [](OddScene& s) { s.quad->Vertices[2].LightmapCoord[1] = 0; }},
      {"-0 to +0", [](OddScene& s) { s.quad->Vertices[1].Color[3] = 0; }},
      {"name", [](OddScene& s) { s.e.Tree.Rename(s.light, "Licht2"); }},
      {"sibling order", [](OddScene& s) { s.e.Tree.Move(s.light, s.room, s.portal); }},
      {"portal link", [](OddScene& s) { s.portal->LinkedSector = s.room; }},
      {"lightmap index", [](OddScene& s) { s.quad->Triangles[1].LightmapIndex = 0; }},
      {"lightmap pixels", [](OddScene& s) { s.e.LightmapList[0].rgb[5] = 0; }},
      {"lightmaps gone", [](OddScene& s) { s.e.LightmapList.clear(); }},
      {"start position", [](OddScene& s) { s.e.StartPosition.y = 0; }},
      {"heading",
       [](OddScene& s) { s.e.Tree.Walk([](TSector* n) { n->Heading += n->NodeType == kActor; }); }},
      {"removed node", [](OddScene& s) { s.e.Tree.Remove(s.light); }},
      {"model triangle", [](OddScene& s) { s.model->Triangles[0].V2 = 5; }},
  };
  for (const Case& c : cases) {
    OddScene s;
    StateMemory memory;
    auto base = SceneState::Capture(s.e, nullptr, &memory);
    c.change(s);
    bool changed = false;
    SceneState::Capture(s.e, base.get(), &memory, &changed);
    EXPECT_TRUE(changed) << c.what;
  }
}

TEST(SceneState, UnchangedRecordsAreShared) {
  Editor e;
  TSector* room = AddSector(e);
  std::vector<TSector*> quads;
  for (int i = 0; i < 200; ++i) quads.push_back(AddQuad(e, room, {float(i), 0, 0}));
  TSector* model = AddModel(e, room, {0, 0, 0}, 500, 400);
  model->ModelLoader = SampleLoader();
  StateMemory memory;
  auto base = SceneState::Capture(e, nullptr, &memory);
  const size_t full = memory.bytes;

  bool changed = false;
  auto again = SceneState::Capture(e, base.get(), &memory, &changed);
  EXPECT_EQ(memory.bytes, full);

  // One quad changes, and a node is inserted in front of all, shifting every position.
  quads[100]->Vertices[0].Position.x += 1;
  e.Tree.InsertBefore(room, std::make_unique<TSector>());
  auto next = SceneState::Capture(e, again.get(), &memory, &changed);
  EXPECT_TRUE(changed);
  EXPECT_LT(memory.bytes - full, full / 20);

  // Moving the model copies its vertices but shares its loader.
  const size_t before_move = memory.bytes;
  for (TVertex& v : model->Vertices) v.Position.y += 20;
  auto moved = SceneState::Capture(e, next.get(), &memory, &changed);
  EXPECT_TRUE(changed);
  EXPECT_LT(memory.bytes - before_move, 500 * sizeof(TVertex) + 400 * sizeof(TTriangle) + 1024);

  // Releasing the states gives every byte back.
  base.reset();
  again.reset();
  next.reset();
  moved.reset();
  EXPECT_EQ(memory.bytes, 0u);
}

TEST(SceneState, ClipboardIsFoundAgainByIdAndNeverDangles) {
  OddScene s;
  StateMemory memory;
  auto state = SceneState::Capture(s.e, nullptr, &memory);
  TSector* extra = AddSector(s.e, nullptr, "neu");
  s.e.ClipboardList = {s.light, extra, s.quad};
  s.e.ClipboardFilled = true;
  const uint32_t light_id = s.light->Id, quad_id = s.quad->Id;
  state->Restore(s.e);
  ASSERT_EQ(s.e.ClipboardList.size(), 2u);  // the sector made after the state is gone
  EXPECT_EQ(s.e.ClipboardList[0]->Id, light_id);
  EXPECT_EQ(s.e.ClipboardList[1]->Id, quad_id);
  for (TSector* n : s.e.ClipboardList) EXPECT_TRUE(s.e.Tree.Contains(n));
  EXPECT_TRUE(s.e.ClipboardFilled);

  s.e.ClipboardList = {AddSector(s.e, nullptr, "weg")};
  state->Restore(s.e);
  EXPECT_TRUE(s.e.ClipboardList.empty());
  EXPECT_FALSE(s.e.ClipboardFilled);
}

}  // namespace
}  // namespace qx

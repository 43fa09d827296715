// The retained viewport's chunks, without OpenGL: they follow the tree's
// structure, a change rebuilds only the chunk that holds it, a drag only the
// dynamic chunk, selection nothing; and what a chunk holds.

#include "render/retained_scene.h"

#include <gtest/gtest.h>

#include <random>

#include "render/scene_builders.h"

namespace qx {
namespace {

using test::AddPoint;
using test::AddQuad;

size_t BatchVertices(const Chunk& c, Layer layer) {
  size_t n = 0;
  for (const Batch& b : c.batches)
    if (b.key.layer == layer)
      for (int32_t count : b.counts) n += size_t(count);
  return n;
}

class RetainedSceneTest : public ::testing::Test {
 protected:
  // Rooms of quads with a light each.
  void Rooms(int rooms, int quads) {
    for (int r = 0; r < rooms; ++r) {
      TSector* s = e.CreateNode(nullptr, kSector);
      s->Id = e.NextId();
      for (int q = 0; q < quads; ++q) AddQuad(e, s, {float(q) * 50, float(r) * 50, 0}, 20);
      AddPoint(e, s, kLight, {0, float(r) * 50, 30});
    }
  }
  void Update() { scene.Update(LightmapPlacement{}); }

  Editor e;
  RetainedScene scene;
};

TEST_F(RetainedSceneTest, ChunksFollowInsertsMovesAndRemovals) {
  Rooms(3, 40);
  scene.Attach(&e);
  Update();
  ASSERT_TRUE(scene.MatchesTree());
  std::mt19937 rng(3);
  std::vector<TSector*> sectors;
  for (const auto& s : e.Tree.TopLevel()) sectors.push_back(s.get());
  for (int step = 0; step < 300; ++step) {
    std::vector<TSector*> all = e.Tree.InOrder();
    TSector* pick = all[rng() % all.size()];
    switch (rng() % 4) {
      case 0:  // a quad into a sector, or a new sector
        if (rng() % 5 == 0) {
          TSector* s = e.CreateNode(nullptr, kSector);
          s->Id = e.NextId();
          sectors.push_back(s);
        } else {
          AddQuad(e, sectors[rng() % sectors.size()], {float(step), 0, 0}, 5);
        }
        break;
      case 1:  // a node and what it holds into another place
        if (pick->NodeType != kSector || rng() % 3 == 0) {
          TSector* to = sectors[rng() % sectors.size()];
          if (!e.Tree.IsAncestorOrSelf(pick, to)) e.Tree.Move(pick, to);
        }
        break;
      case 2:
        if (all.size() > 20 && pick->NodeType != kSector) e.Tree.Remove(pick);
        break;
      default: {  // a subtree taken and hung in again elsewhere, as a paste does
        if (pick->NodeType == kSector && std::find(sectors.begin(), sectors.end(), pick) != sectors.end() &&
            sectors.size() > 2) {
          std::unique_ptr<TSector> taken = e.Tree.Take(pick);
          TSector* to = sectors[0] == pick ? sectors[1] : sectors[0];
          e.Tree.AddChild(to, std::move(taken));
        }
        break;
      }
    }
    ASSERT_TRUE(scene.MatchesTree()) << "after step " << step;
  }
  Update();
  for (const auto& c : scene.Chunks()) {
    EXPECT_FALSE(c->dirty);
    EXPECT_LE(c->nodes.size(), 2 * RetainedScene::kChunkNodes);
  }
}

TEST_F(RetainedSceneTest, LargeSectorsAreCutAndGrowingChunksSplit) {
  Rooms(1, 5000);
  scene.Attach(&e);
  ASSERT_GE(scene.Chunks().size(), 3u);
  for (const auto& c : scene.Chunks()) EXPECT_LE(c->nodes.size(), RetainedScene::kChunkNodes);
  TSector* room = e.Tree.First();
  for (int i = 0; i < 3000; ++i) AddQuad(e, room, {0, 0, float(i)}, 5);
  EXPECT_TRUE(scene.MatchesTree());
  for (const auto& c : scene.Chunks()) EXPECT_LE(c->nodes.size(), 2 * RetainedScene::kChunkNodes);
}

TEST_F(RetainedSceneTest, AChangeRebuildsOnlyItsChunkAndSelectionNothing) {
  Rooms(3, RetainedScene::kChunkNodes / 2 + 10);  // one room to a chunk
  scene.Attach(&e);
  Update();
  ASSERT_EQ(scene.Chunks().size(), 3u);
  scene.ResetCounters();
  TSector* quad = e.Tree.TopLevel()[1]->Children[5].get();
  quad->TextureIndex = 3;
  e.Changed(quad, kChangeAppearance);
  e.PublishChanges();
  Update();
  EXPECT_EQ(scene.Stats().chunks_built, 1u);
  scene.ResetCounters();
  quad->Marked = 1;  // a selection
  e.SelectionList.push_back(quad);
  Update();
  EXPECT_EQ(scene.Stats().chunks_built, 0u);
  EXPECT_EQ(scene.Stats().dynamic_builds, 0u);
}

TEST_F(RetainedSceneTest, TheStepsOfADragRebuildOnlyTheDynamicChunk) {
  Rooms(2, 300);
  scene.Attach(&e);
  Update();
  std::vector<TSector*> moving;
  for (int i = 0; i < 100; ++i) moving.push_back(e.Tree.TopLevel()[1]->Children[size_t(i)].get());
  scene.ResetCounters();
  for (int step = 0; step < 5; ++step) {
    for (TSector* q : moving) {
      for (TVertex& v : q->Vertices) v.Position.y += 20;
      e.Changed(q, kChangeGeometry);
    }
    e.PublishChanges();
    Update();
  }
  // The first step takes the quads out of their chunk; the rest touch only them.
  EXPECT_EQ(scene.Stats().chunks_built, 1u);
  EXPECT_EQ(scene.Stats().dynamic_builds, 5u);
  for (TSector* q : moving) EXPECT_TRUE(scene.IsDynamic(q));
  EXPECT_EQ(scene.Dynamic().nodes.size(), 100u);
  EXPECT_EQ(BatchVertices(scene.Dynamic(), Layer::kSurface), 600u);
  const ChunkEntry* entry = scene.DynamicEntry(moving[0]);
  ASSERT_NE(entry, nullptr);
  EXPECT_FLOAT_EQ(entry->box.min.y, moving[0]->Vertices[3].Position.y);
  // Other nodes move: the quads go back into their chunk, the others leave theirs.
  scene.ResetCounters();
  TSector* other = e.Tree.TopLevel()[0]->Children[0].get();
  e.Changed(other, kChangeGeometry);
  e.PublishChanges();
  Update();
  EXPECT_FALSE(scene.IsDynamic(moving[0]));
  EXPECT_TRUE(scene.IsDynamic(other));
  EXPECT_EQ(scene.Stats().chunks_built, 1u);
  EXPECT_EQ(scene.Dynamic().nodes, std::vector<TSector*>{other});
}

TEST_F(RetainedSceneTest, UnannouncedChangesAreFoundOnlyWhenVerifying) {
  Rooms(2, 50);
  scene.Attach(&e);
  Update();
  scene.ResetCounters();
  e.Tree.First()->Children[3]->Vertices[0].Position.x += 1;
  Update();
  EXPECT_EQ(scene.Stats().chunks_built, 0u);
  scene.SetVerifyEachUpdate(true);
  Update();
  EXPECT_EQ(scene.Stats().chunks_built, 1u);
  Update();
  EXPECT_EQ(scene.Stats().chunks_built, 1u);  // found once
  EXPECT_EQ(scene.UnannouncedChanges(), 1u);
  // A new lightmap list nobody announced is found, and counted, once.
  scene.ForgetLightmapsChanged();
  e.LightmapList.push_back(Lightmap{2, 2, std::vector<uint8_t>(12, 200)});
  EXPECT_FALSE(scene.LightmapsChanged(false));
  EXPECT_TRUE(scene.LightmapsChanged());
  EXPECT_EQ(scene.UnannouncedChanges(), 2u);
  scene.ForgetLightmapsChanged();
  EXPECT_FALSE(scene.LightmapsChanged());
  e.ChangedLightmaps();
  e.PublishChanges();
  EXPECT_TRUE(scene.LightmapsChanged(false));
  EXPECT_EQ(scene.UnannouncedChanges(), 2u);
}

TEST_F(RetainedSceneTest, ChunkHoldsBatchesByTextureCellsBySectorAndEachNormalLineOnce) {
  TSector* a = e.CreateNode(nullptr, kSector);
  TSector* b = e.CreateNode(nullptr, kSector);
  // Two quads side by side share an edge and their normal.
  AddQuad(e, a, {0, 0, 0}, 10);
  AddQuad(e, a, {20, 0, 0}, 10)->TextureIndex = 1;
  AddQuad(e, b, {300, 0, 0}, 10)->Visible = 0;
  scene.Attach(&e);
  Update();
  ASSERT_EQ(scene.Chunks().size(), 1u);
  const Chunk& c = *scene.Chunks()[0];
  EXPECT_EQ(c.cells.size(), 2u);
  EXPECT_FLOAT_EQ(c.cells[1].box.min.x, 290);
  EXPECT_LT(c.cells[0].box.max.x, 40.5f);
  int surfaces = 0;
  for (const Batch& batch : c.batches) surfaces += batch.key.layer == Layer::kSurface;
  EXPECT_EQ(surfaces, 3);  // texture 0, texture 1, hidden
  EXPECT_EQ(BatchVertices(c, Layer::kSurface), 18u);
  // A quad's two triangles share two corners and their normal: four lines;
  // the neighbour adds two. The hidden quad's four are kept apart.
  EXPECT_EQ(BatchVertices(c, Layer::kNormals), 2u * (6 + 4));
  EXPECT_EQ(c.polygon_vertex_ids.size(), 12u);
  EXPECT_TRUE(std::is_sorted(c.polygon_vertex_ids.begin(), c.polygon_vertex_ids.end()));
}

}  // namespace
}  // namespace qx

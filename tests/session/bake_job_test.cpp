#include "session/bake_job.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/scene_generator.h"

namespace qx {
namespace {

struct Snapshot {
  std::vector<Lightmap> lightmaps;
  std::vector<std::vector<float>> vertex_data;
  std::vector<std::vector<int32_t>> indices;
};

Snapshot Take(const Editor& e) {
  Snapshot s;
  s.lightmaps = e.LightmapList;
  e.Tree.Walk([&](TSector* n) {
    std::vector<float> v;
    for (const TVertex& x : n->Vertices)
      v.insert(v.end(), {x.LightmapCoord[0], x.LightmapCoord[1], x.Color[0], x.Color[1], x.Color[2]});
    s.vertex_data.push_back(v);
    std::vector<int32_t> t;
    for (const TTriangle& x : n->Triangles) t.push_back(x.LightmapIndex);
    s.indices.push_back(t);
  });
  return s;
}

bool Same(const Snapshot& a, const Snapshot& b) {
  if (a.lightmaps.size() != b.lightmaps.size()) return false;
  for (size_t i = 0; i < a.lightmaps.size(); ++i)
    if (a.lightmaps[i].rgb != b.lightmaps[i].rgb || a.lightmaps[i].width != b.lightmaps[i].width)
      return false;
  return a.vertex_data == b.vertex_data && a.indices == b.indices;
}

struct CountingUploader : LightmapUploader {
  uint32_t next = 100;
  std::vector<uint32_t> released;
  uint32_t Upload(const Lightmap&) override { return next++; }
  void Release(uint32_t t) override { released.push_back(t); }
};

TEST(BakeJob, OnAnotherThreadGivesWhatTheDirectComputationGives) {
  Editor direct, threaded;
  test::BuildRandomScene(direct, 7);
  test::BuildRandomScene(threaded, 7);
  ASSERT_EQ(ComputeLightmaps(direct, {8, 4}), BakeStatus::kDone);

  BakeJob job(threaded, {8, 4});
  std::vector<int> seen;
  BakeOptions options;
  options.progress = [&](int p) { seen.push_back(p); };
  std::thread worker([&] { job.Run(options); });
  worker.join();
  EXPECT_EQ(job.Status(), BakeStatus::kDone);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  CountingUploader uploader;
  ASSERT_TRUE(job.Apply(&uploader));
  EXPECT_TRUE(Same(Take(direct), Take(threaded)));
  EXPECT_FALSE(threaded.LightmapList.empty());
  EXPECT_EQ(uploader.next - 100, threaded.LightmapList.size());
  EXPECT_FALSE(job.Apply(&uploader));  // once only

  // A second bake of the same scene keeps every texture: no lightmap changed
  // a byte. After a light moved, the changed ones are made anew, the old released.
  const uint32_t made = uploader.next;
  BakeJob again(threaded, {8, 4});
  again.Run();
  ASSERT_TRUE(again.Apply(&uploader));
  EXPECT_TRUE(uploader.released.empty());
  EXPECT_EQ(uploader.next, made);
  threaded.Tree.Walk([](TSector* n) {
    if (n->NodeType == kLight) n->Position.x += 7;
  });
  BakeJob moved(threaded, {8, 4});
  moved.Run();
  ASSERT_TRUE(moved.Apply(&uploader));
  EXPECT_FALSE(uploader.released.empty());
  EXPECT_EQ(uploader.next - made, uploader.released.size());
}

TEST(BakeJob, CancelledRefusedOrOutdatedJobsChangeNothing) {
  Editor e;
  TSector* room = e.CreateNode(nullptr, kSector);
  TSector* floor = test::AddQuad(e, room, {0, 0, 0}, {30, 0, 0}, {0, 0, 30});
  test::AddLight(e, room, {0, 20, 0}, 0, 1);
  ASSERT_EQ(ComputeLightmaps(e, {4, 4}), BakeStatus::kDone);
  const Snapshot before = Take(e);

  std::atomic<bool> cancel{true};
  BakeJob cancelled(e, {16, 16});
  BakeOptions options;
  options.cancel = &cancel;
  cancelled.Run(options);
  EXPECT_EQ(cancelled.Status(), BakeStatus::kCancelled);
  EXPECT_FALSE(cancelled.Apply(nullptr));
  EXPECT_TRUE(Same(before, Take(e)));

  BakeJob refused(e, {8192, 4});
  refused.Run();
  EXPECT_EQ(refused.Status(), BakeStatus::kRefused);
  EXPECT_FALSE(refused.Message().empty());
  EXPECT_FALSE(refused.Apply(nullptr));

  BakeJob never_ran(e, {8, 8});
  EXPECT_FALSE(never_ran.Apply(nullptr));

  // The scene lost a node the job was made from: the result is not written.
  BakeJob outdated(e, {8, 8});
  outdated.Run();
  e.Tree.Remove(floor);
  EXPECT_FALSE(outdated.Apply(nullptr));
  EXPECT_EQ(e.LightmapList.size(), before.lightmaps.size());
  EXPECT_EQ(e.LightmapList[0].width, 4);
}

}  // namespace
}  // namespace qx

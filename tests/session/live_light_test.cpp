#include "session/live_light.h"

#include <gtest/gtest.h>

#include <random>

#include "document/editor.h"
#include "support/scene_generator.h"
#include "support/whole_bake.h"

namespace qx {
namespace {

void Settle(LiveLight& live) {
  for (int i = 0; i < 4; ++i) {
    live.WaitIdle();
    live.Poll(nullptr);
  }
}

// Edits made as the editor makes them (a step, announced), undo and redo,
// each followed by the live update: after every one the document holds what
// a whole bake gives, the history has no step of its own for the lighting,
// and undo brings back the old lighting with the old positions.
TEST(LiveLight, EditsUndoAndRedoKeepTheLightingOfAWholeBake) {
  Editor e;
  test::BuildRandomScene(e, 5, 16, 6);
  LiveLight live(e, &e.History);
  const LightmapSize size{5, 4};
  ASSERT_EQ(live.BakeNow(size, nullptr), BakeStatus::kDone);
  EXPECT_EQ(live.CurrentState(), LiveLight::State::kCurrent);
  std::mt19937 rng(3);
  auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  for (int step = 0; step < 24; ++step) {
    const std::string where = "step " + std::to_string(step);
    const int kind = step % 6;
    if (kind == 4 && e.History.CanUndo()) {
      e.History.Undo();
    } else if (kind == 5 && e.History.CanRedo()) {
      e.History.Redo();
    } else {
      std::vector<TSector*> pick;
      e.Tree.Walk([&](TSector* n) {
        if ((kind < 2 && n->NodeType == kLight && n->Kind == 0) || (kind >= 2 && n->NodeType == kPolygon))
          pick.push_back(n);
      });
      TSector* n = pick[size_t(step * 7) % pick.size()];
      const size_t steps_before = e.History.UndoCount();
      e.History.Run("Verschieben", [&] {
        const Vector by{real(-4, 4), real(-2, 2), real(-4, 4)};
        if (n->NodeType == kLight) n->Position = VectorAdd(n->Position, by);
        for (TVertex& v : n->Vertices) v.Position = VectorAdd(v.Position, by);
        e.Changed(n, kChangeGeometry);
      });
      e.PublishChanges();
      EXPECT_NE(live.CurrentState(), LiveLight::State::kCurrent) << where;
      Settle(live);
      EXPECT_EQ(e.History.UndoCount(), steps_before + 1) << where;  // the lighting made no step
    }
    e.PublishChanges();
    Settle(live);
    EXPECT_EQ(live.CurrentState(), LiveLight::State::kCurrent) << where;
    test::ExpectWholeBake(e, size, where);
    if (HasFatalFailure()) return;
  }
}

// An update whose view of the document is older than the document never
// writes into it; the newer one does.
TEST(LiveLight, AnOutdatedUpdateNeverWrites) {
  Editor e;
  test::BuildRandomScene(e, 9, 12, 4);
  LiveLight live(e, &e.History);
  const LightmapSize size{4, 4};
  ASSERT_EQ(live.BakeNow(size, nullptr), BakeStatus::kDone);
  TSector* light = nullptr;
  e.Tree.Walk([&](TSector* n) {
    if (!light && n->NodeType == kLight && n->Kind == 0) light = n;
  });
  ASSERT_NE(light, nullptr);
  auto move = [&](float dx) {
    light->Position.x += dx;
    e.Changed(light, kChangeGeometry);
  };
  move(5);
  e.PublishChanges();
  live.WaitIdle();  // its result waits; the document changes once more before it is taken
  const std::vector<Lightmap> before = e.LightmapList;
  move(5);  // announced but not yet published: Poll publishes it first
  EXPECT_FALSE(live.Poll(nullptr));
  ASSERT_EQ(e.LightmapList.size(), before.size());
  for (size_t k = 0; k < before.size(); ++k) EXPECT_EQ(e.LightmapList[k].rgb, before[k].rgb);
  Settle(live);
  EXPECT_EQ(live.CurrentState(), LiveLight::State::kCurrent);
  test::ExpectWholeBake(e, size, "after the newer update");
}

}  // namespace
}  // namespace qx

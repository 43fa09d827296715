#include "lighting/live_lighting.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>

#include "support/scene_generator.h"
#include "support/whole_bake.h"

namespace qx::test {
namespace {

// Keeps one copy per record, taken anew only for the records an edit
// touched, as the editor does from its change sets.
class Inputs {
 public:
  explicit Inputs(const SceneTree& tree) : tree_(tree) {}
  void Touch(const TSector* n) { copies_.erase(n); }
  LightingCache cache;  // as the editor's worker keeps one from update to update
  LightingInputs Take() {
    LightingInputs in;
    tree_.Walk([&](TSector* n) {
      const bool polygon = n->NodeType == kPolygon || n->NodeType == kModel;
      if (!polygon && n->NodeType != kLight) return;
      auto& c = copies_[n];
      if (!c) c = CopyLightingInput(*n);
      (polygon ? in.polygons : in.lights).push_back(c);
      (polygon ? in.polygon_sources : in.light_sources).push_back(n);
    });
    return in;
  }

 private:
  const SceneTree& tree_;
  std::unordered_map<const TSector*, std::shared_ptr<const TSector>> copies_;
};

std::shared_ptr<const LightingBasis> Update(Editor& e, Inputs& inputs,
                                            const std::shared_ptr<const LightingBasis>& basis,
                                            LightmapSize size, size_t* computed = nullptr) {
  LightingUpdate u = UpdateLighting(basis, inputs.Take(), size, {}, &inputs.cache);
  EXPECT_EQ(u.status, BakeStatus::kDone);
  if (computed) *computed = u.whole ? SIZE_MAX : u.computed;
  std::shared_ptr<const LightingBasis> next = u.basis;
  ApplyLightingUpdate(e, std::move(u), nullptr);
  return next;
}

void Translate(TSector* n, Vector by) {
  if (n->NodeType == kLight) n->Position = VectorAdd(n->Position, by);
  for (TVertex& v : n->Vertices) v.Position = VectorAdd(v.Position, by);
}

// Random edits of every kind the bake reads, each followed by an update from
// the last one's basis: after every step the scene must hold the bytes,
// numbers, coordinates and colours of a whole bake.
TEST(LiveLighting, RandomEditsLeaveWhatAWholeBakeGives) {
  size_t partial = 0;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    Editor e;
    BuildRandomScene(e, seed, 16, 6);
    std::mt19937 rng(seed * 77);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    const LightmapSize size{5, 4};
    Inputs inputs(e.Tree);
    std::shared_ptr<const LightingBasis> basis = Update(e, inputs, nullptr, size);
    for (int step = 0; step < 14; ++step) {
      std::vector<TSector*> polygons, lights, sectors;
      e.Tree.Walk([&](TSector* n) {
        if (n->NodeType == kPolygon || n->NodeType == kModel) polygons.push_back(n);
        if (n->NodeType == kLight && n->Kind == 0) lights.push_back(n);
        if (n->NodeType == kSector) sectors.push_back(n);
      });
      const int kind = pick(0, 9);
      TSector* l = lights.empty() ? nullptr : lights[size_t(pick(0, int(lights.size()) - 1))];
      TSector* p = polygons.empty() ? nullptr : polygons[size_t(pick(0, int(polygons.size()) - 1))];
      if (kind <= 2 && l) {
        Translate(l, {real(-3, 3), real(-3, 3), real(-3, 3)});
      } else if (kind == 3 && l) {
        l->Color[pick(0, 2)] = real(0, 255);
        l->Brightness = real(5, 80);
        if (pick(0, 2) == 0) l->Shadow = uint8_t(1 - l->Shadow);
      } else if (kind <= 5 && p) {
        Translate(p, {real(-5, 5), real(-2, 2), real(-5, 5)});
      } else if (kind == 6 && p) {
        switch (pick(0, 2)) {
          case 0:
            p->NoShadow = uint8_t(1 - p->NoShadow);
            break;
          case 1:
            p->Visible = uint8_t(1 - p->Visible);
            break;
          default:
            p->LightingMode = uint8_t(pick(0, 2));
        }
      } else if (kind == 7) {
        AddQuad(e, sectors[size_t(pick(0, int(sectors.size()) - 1))],
                {real(-40, 40), real(0, 30), real(-40, 40)}, {real(3, 12), 0, 0}, {0, real(3, 12), 0});
      } else if (kind == 8 && p) {
        inputs.Touch(p);
        e.Tree.Remove(p);
        p = nullptr;
      } else if (kind == 9) {
        if (l && pick(0, 1)) {
          inputs.Touch(l);
          e.Tree.Remove(l);
          l = nullptr;
        } else {
          AddLight(e, sectors.front(), {real(-40, 40), real(5, 40), real(-40, 40)}, 0, uint8_t(pick(0, 1)),
                   {real(0, 255), real(0, 255), real(0, 255)}, real(5, 60), real(5, 60));
        }
      }
      if (l) inputs.Touch(l);
      if (p) inputs.Touch(p);
      size_t computed = 0;
      basis = Update(e, inputs, basis, size, &computed);
      if (computed < e.LightmapList.size()) ++partial;
      ExpectWholeBake(e, size, "seed " + std::to_string(seed) + " step " + std::to_string(step));
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(partial, 60u);  // most updates leave lightmaps alone
}

// On a level of rooms, moving one light recomputes what is near it, not the
// level, and still gives a whole bake's bytes; so does taking the move back.
TEST(LiveLighting, ALightMoveRecomputesLittleOfALevel) {
  Editor e;
  BuildRoomLevel(e, 25, 100);
  const LightmapSize size{4, 4};
  Inputs inputs(e.Tree);
  std::shared_ptr<const LightingBasis> basis = Update(e, inputs, nullptr, size);
  TSector* light = nullptr;
  e.Tree.Walk([&](TSector* n) {
    if (!light && n->NodeType == kLight && n->Shadow == 1 && n->Kind == 0) light = n;
  });
  ASSERT_NE(light, nullptr);
  for (float dx : {20.0f, -20.0f}) {
    Translate(light, {dx, 0, 0});
    inputs.Touch(light);
    size_t computed = 0;
    basis = Update(e, inputs, basis, size, &computed);
    EXPECT_LT(computed * 10, e.LightmapList.size()) << dx;
    ExpectWholeBake(e, size, "dx " + std::to_string(dx));
  }
}

}  // namespace
}  // namespace qx::test

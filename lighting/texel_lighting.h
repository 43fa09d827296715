#pragma once
// The texels of one triangle's lightmap, giving exactly the bytes of the
// plain per-texel computation (lightmap_oracle.cpp) in far less time:
//
// 1. The lights come grouped (light_tree.h). For a block of texels, a group
//    stands for its lights with an interval [least, most] of their summed
//    share over the block; groups are opened, and single lights summed
//    exactly, only while some texel's byte is still in doubt, and the block
//    is split into quarters when few of its texels are. A texel whose whole
//    interval rounds to one byte is done, whatever the lights left in groups
//    add exactly.
// 2. A light summed exactly is decided for the block where rounding provably
//    cannot matter: a light clearly behind the triangle's plane is dropped for
//    the whole block, a block is shadowed at once when one caster covers it
//    (ProveBlock), casters that cannot shadow a block are dropped for it, and
//    only what is left goes to the per-texel shadow test. So lights that stay
//    in groups need no shadow proof at all.
// 3. The exact shares are summed in float, with a proven bound on how far
//    that sum can lie from the double sum in light order. Where the bounds
//    leave the byte in doubt with every light summed (within about 1e-6 of a
//    rounding boundary) or a number is out of the safe range, the texel is
//    summed again in exactly the plain computation's order.

#include <array>
#include <cstdint>
#include <vector>

#include "lighting/light_tree.h"
#include "lighting/shadow_search.h"
#include "scene/node.h"

namespace qx {

// Where a triangle's texels lie: the texel with lightmap coordinates (s, r)
// is at o + e1 * s + e2 * r. `area` is false for a triangle without area (or
// without usable numbers), whose lightmap keeps its start value.
struct TexelFrame {
  Vector o, e1, e2;
  bool area = false;
};

struct TexelStats {
  uint64_t shadow_queries = 0;      // texel-light pairs that needed a shadow decision
  uint64_t exact_shadow_tests = 0;  // of them, those decided by the per-texel test
  uint64_t blocks = 0;              // blocks of texels looked at for a light
  uint64_t covered_blocks = 0;      // of them, found shadowed at once
  uint64_t segments = 0;            // segments searched for casters
  uint64_t candidate_lists = 0;     // full caster lists gathered
  uint64_t exact_texels = 0;        // texels summed again in light order
  uint64_t opened_groups = 0;       // light groups opened for a block
  uint64_t exact_lights = 0;        // lights summed exactly over a block
  uint64_t split_blocks = 0;        // blocks split into quarters
  uint64_t rounds = 0;              // looks at a block's texels
  uint64_t cut_entries = 0;         // entries of the cuts gone through at those looks
  void Add(const TexelStats& s) {
    rounds += s.rounds;
    cut_entries += s.cut_entries;
    opened_groups += s.opened_groups;
    exact_lights += s.exact_lights;
    split_blocks += s.split_blocks;
    shadow_queries += s.shadow_queries;
    exact_shadow_tests += s.exact_shadow_tests;
    blocks += s.blocks;
    covered_blocks += s.covered_blocks;
    segments += s.segments;
    candidate_lists += s.candidate_lists;
    exact_texels += s.exact_texels;
  }
};

// Scratch space and caches of one thread; lights triangles one after another.
class TexelLighter {
 public:
  TexelLighter(const std::vector<TSector*>& lights, const LightTree& tree, const ShadowSearch& search,
               int width, int height);

  // Fills `rgb` (width * height * 3 bytes) with the lightmap of a triangle of
  // `node` with plane normal `normal` and texel frame `frame`. Returns the
  // lightmap's margin: no texel's channel sum (before clamping and rounding)
  // lies within this distance of a value that rounds to another byte, given
  // the bounds it was decided with. A change of the lights that moves every
  // texel's sum by less (rounding of the sums included) keeps every byte.
  // `start`, when given, is a cut through the light tree to begin with
  // (LightTree::StartCut for a box around the triangle); else the root.
  double Light(const TSector* node, const Vector& normal, const TexelFrame& frame, uint8_t* rgb,
               const std::vector<int32_t>* start = nullptr);

  const TexelStats& Stats() const { return stats_; }

 private:
  enum class Reach : uint8_t { kNone, kAll, kSome };
  struct LightData {
    Vector position;
    bool directional = false;
    bool shadow = false;
    bool fast = false;   // the float sum may be used: sane, finite numbers
    float strength = 0;  // |Brightness * Range|
    float color[3] = {0, 0, 0};
    float peak = 0;  // largest |colour channel|
  };
  struct Rect {
    int x0, y0, x1, y1;
    int Width() const { return x1 - x0; }
    int Count() const { return (x1 - x0) * (y1 - y0); }
  };
  // A block of texels: a rectangle of the lightmap whose texels occupy the
  // slots [begin, end) of the tile's arrays (slots follow the quarter splits).
  struct Span {
    Rect rect;
    int begin, end;
    int Count() const { return end - begin; }
  };
  // One light summed exactly over a span: which of its texels it reaches.
  struct Record {
    uint32_t light;
    int begin, end;
    Reach reach;
    uint32_t mask_at;  // Reach::kSome: offset of the span's 1/0 per texel in masks_
  };
  // An entry of a block's cut through the light tree: a group (or a single
  // light) with its bounds over the block. The lights summed exactly over the
  // block are kept apart, as records (exact_), so that a look at the block
  // goes through the groups only.
  struct Item {
    int32_t node;  // tree node; kGone: opened or summed exactly
    ShareBounds bounds;
  };
  static constexpr int32_t kGone = -2;

  void LightTile(const Rect& tile, uint8_t* rgb);
  void Order(const Rect& r);
  void Solve(const Span& span, int depth);
  void Split(const Span& span, int depth);
  void MakeExact(uint32_t light, const Span& span, int depth);
  double Priority(const Item& item, bool need_most, int texels) const;
  void Fallback(int slot, int depth);
  Reach Decide(size_t li, const Span& span, uint32_t& mask_at);
  int Facing(const Vector& position, const Rect& rect) const;  // 1 front, -1 behind, 0 mixed
  void Visibility(size_t li, const Rect& rect);
  void Block(size_t li, int x0, int y0, int x1, int y1, int depth, bool have_all);
  void ClearBlock(int x0, int y0, int x1, int y1);
  void Remember(size_t li, uint32_t caster);

  Vector Centre(int x, int y) const;
  int SlotOf(int x, int y) const { return slot_[size_t(y - tile_.y0) * tile_.Width() + (x - tile_.x0)]; }
  const Vector* CornerRow(int x, int y) const {
    return &grid_[size_t(y - tile_.y0) * (tile_.Width() + 1) + (x - tile_.x0)];
  }

  const ShadowSearch& search_;
  const LightTree& tree_;
  const std::vector<TSector*>& light_nodes_;
  std::vector<LightData> lights_;
  int width_, height_;
  bool fast_sum_ = true;

  // The triangle being lit.
  const TSector* node_ = nullptr;
  Vector normal_;
  TexelFrame frame_;
  TexelBlock whole_;
  uint8_t* rgb_ = nullptr;
  const std::vector<int32_t>* start_ = nullptr;
  double margin_ = 0;

  // The tile being lit; per-texel arrays are indexed by slot.
  Rect tile_{0, 0, 0, 0};
  std::vector<int> slot_;  // (y - y0) * tile width + (x - x0) -> slot
  std::vector<int> slot_x_, slot_y_;
  std::vector<Vector> grid_;  // texel corners
  std::vector<Vector> centre_;
  std::vector<float> mx_, my_, mz_;
  std::vector<double> acc_[3], sum_;
  std::vector<float> flag_;    // 1: sum this texel exactly
  std::vector<uint8_t> done_;  // the texel's bytes are written
  std::vector<uint8_t> open_;  // per texel: reached by the light being decided
  std::vector<Record> records_;
  std::vector<float> masks_;  // 1 or 0 per texel
  std::vector<float> ones_;
  std::vector<std::vector<Item>> cuts_;       // per depth of the block splits
  std::vector<std::vector<uint32_t>> exact_;  // per depth: records of the lights summed exactly
  std::vector<std::pair<double, uint32_t>> heap_;
  std::vector<std::pair<uint32_t, uint32_t>> order_scratch_;

  // Shadow decisions of the light being decided.
  Rect region_{0, 0, 0, 0};
  std::vector<ShadowCandidate> all_candidates_;
  bool have_candidates_ = false;
  std::vector<std::vector<ShadowCandidate>> level_;  // the casters left open per block depth
  std::vector<std::pair<double, uint32_t>> hits_;
  std::vector<uint32_t> met_;                    // casters on the segments cast for the light being decided
  std::vector<std::array<uint32_t, 8>> recent_;  // per light: casters that covered a block lately, + 1
  std::vector<uint32_t> hint_;                   // per light: caster that shadowed a texel last, + 1

  TexelStats stats_;
};

}  // namespace qx

#pragma once
// The texels of one triangle's lightmap, giving exactly the bytes of the
// plain per-texel computation (lightmap_oracle.cpp) in far less time:
//
// 1. Which light reaches which texel is decided per light for whole blocks of
//    texels where rounding provably cannot matter: a light clearly behind the
//    triangle's plane is dropped for the whole lightmap, a block is shadowed
//    at once when one caster covers it (ProveBlock), casters that cannot
//    shadow a block are dropped for it, and only what is left goes to the
//    per-texel shadow test.
// 2. The lights' shares are summed for all texels together in float, with a
//    proven bound on how far that sum can lie from the double sum in light
//    order. Where the bound leaves the byte in doubt (within about 1e-6 of a
//    rounding boundary) or a number is out of the safe range, the texel is
//    summed again in exactly the plain computation's order.

#include <array>
#include <cstdint>
#include <vector>

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
  void Add(const TexelStats& s) {
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
  TexelLighter(const std::vector<TSector*>& lights, const ShadowSearch& search, int width, int height);

  // Fills `rgb` (width * height * 3 bytes) with the lightmap of a triangle of
  // `node` with plane normal `normal` and texel frame `frame`.
  void Light(const TSector* node, const Vector& normal, const TexelFrame& frame, uint8_t* rgb);

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
  struct Tile {
    int x0, y0, x1, y1;
    int Width() const { return x1 - x0; }
    int Count() const { return (x1 - x0) * (y1 - y0); }
  };

  void LightTile(const Tile& tile, uint8_t* rgb);
  Reach Decide(size_t li, const Tile& tile);
  int Facing(const Vector& position, const Tile& tile) const;  // 1 front, -1 behind, 0 mixed
  void Visibility(size_t li, const Tile& tile);
  void Block(size_t li, const Tile& tile, int x0, int y0, int x1, int y1, int depth, bool have_all);
  void ClearBlock(const Tile& tile, int x0, int y0, int x1, int y1);
  void Remember(size_t li, uint32_t caster);
  void Accumulate(const Tile& tile);
  void SumExactly(int t, double (&acc)[3]) const;

  Vector Centre(int x, int y) const;
  const Vector* CornerRow(const Tile& tile, int x, int y) const {
    return &grid_[size_t(y - tile.y0) * (tile.Width() + 1) + (x - tile.x0)];
  }

  const ShadowSearch& search_;
  const std::vector<TSector*>& light_nodes_;
  std::vector<LightData> lights_;
  int width_, height_;
  bool fast_sum_ = true;

  // The triangle being lit.
  const TSector* node_ = nullptr;
  Vector normal_;
  TexelFrame frame_;
  TexelBlock whole_;

  // The tile being lit, texel t = (y - y0) * tile width + (x - x0).
  std::vector<Vector> grid_;  // texel corners
  std::vector<Vector> centre_;
  std::vector<float> mx_, my_, mz_;
  std::vector<double> acc_[3], sum_;
  std::vector<float> flag_;        // 1: sum this texel exactly
  std::vector<uint8_t> open_;      // per texel: reached by the light being decided
  std::vector<Reach> reach_;       // per light
  std::vector<uint32_t> mask_at_;  // per light with Reach::kSome: offset into masks_
  std::vector<float> masks_;       // 1 or 0 per texel
  std::vector<float> ones_;

  // Shadow decisions of the light being decided.
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

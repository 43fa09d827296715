#include "lighting/texel_lighting.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "lighting/light_falloff.h"
#include "lighting/lightmap.h"

// Several texels per instruction where the processor can; the loops are
// written so that any of these gives the same results.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define QX_TEXEL_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define QX_TEXEL_CLONES
#endif

namespace qx {
namespace {

constexpr int kTileSide = 32;  // a large lightmap is lit in tiles of at most this many texels a side
constexpr double kEps = 1.0 / (1 << 24);
constexpr float kTinySquare = 1e-30f;  // smaller squared distances are summed exactly
constexpr float kHugeShare = 1e30f;    // and so are larger shares
constexpr size_t kMaxFastLights = 1000000;

// The float sum's distance from the double sum in light order, per channel of
// a texel whose shares of all lights add up to `peak_sum` in absolute value:
// each float share is within 9.1 float roundings of the double one (squared
// distance 4, strength 1, quotient 1, colour product 1, and twice the float
// rounding of the double distance the plain computation squares), and both
// double sums round at most once per light.
double SumBound(double peak_sum) {
  return 1e-6 * peak_sum + 2e-9 * (kLumelStart + peak_sum) + 1e-30;
}

QX_TEXEL_CLONES
void AddPointShares(int n, const float* __restrict mx, const float* __restrict my, const float* __restrict mz,
                    const float* __restrict mask, float lx, float ly, float lz, float strength, float c0,
                    float c1, float c2, float peak, double* __restrict r, double* __restrict g,
                    double* __restrict b, double* __restrict sum, float* __restrict flag) {
  for (int i = 0; i < n; ++i) {
    const float dx = lx - mx[i], dy = ly - my[i], dz = lz - mz[i];
    const float square = dx * dx + dy * dy + dz * dz;
    const float share = strength / square;
    const float w = mask[i] != 0.0f ? share : 0.0f;
    const float peak_share = w * peak;
    r[i] += double(w * c0);
    g[i] += double(w * c1);
    b[i] += double(w * c2);
    sum[i] += double(peak_share);
    // A texel the light reaches at a distance or with a share out of the safe range.
    const bool odd = (square < kTinySquare) | !(peak_share <= kHugeShare);
    flag[i] = ((mask[i] != 0.0f) & odd) ? 1.0f : flag[i];
  }
}

QX_TEXEL_CLONES
void AddFullShares(int n, const float* __restrict mask, float c0, float c1, float c2, float peak,
                   double* __restrict r, double* __restrict g, double* __restrict b, double* __restrict sum) {
  for (int i = 0; i < n; ++i) {
    const float w = mask[i];  // 0 or 1: the products are exact
    r[i] += double(w * c0);
    g[i] += double(w * c1);
    b[i] += double(w * c2);
    sum[i] += double(w * peak);
  }
}

bool Finite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

double MaxAbs(const Vector& v) {
  return std::max({std::fabs(double(v.x)), std::fabs(double(v.y)), std::fabs(double(v.z))});
}

Vector Scaled(Vector v, double s) {
  return VectorScale(v, s);
}

}  // namespace

TexelLighter::TexelLighter(const std::vector<TSector*>& lights, const ShadowSearch& search, int width,
                           int height)
    : search_(search), light_nodes_(lights), width_(width), height_(height) {
  lights_.resize(lights.size());
  for (size_t i = 0; i < lights.size(); ++i) {
    const TSector* l = lights[i];
    LightData& d = lights_[i];
    d.position = l->Position;
    d.directional = l->Kind == 1;
    d.shadow = l->Shadow == 1;
    const double strength = std::fabs(double(l->Brightness) * double(l->Range));
    const double peak = LightColourPeak(*l);
    d.strength = static_cast<float>(strength);
    d.peak = static_cast<float>(peak);
    for (int k = 0; k < 3; ++k) d.color[k] = l->Color[k];
    d.fast = Finite(l->Position) && MaxAbs(l->Position) <= 1e15 && peak <= 1e15 &&
             (d.directional || (strength >= 1e-30 && strength <= 1e30));
  }
  fast_sum_ = lights.size() <= kMaxFastLights;
  reach_.resize(lights.size());
  mask_at_.resize(lights.size());
  recent_.assign(lights.size(), {});
  hint_.assign(lights.size(), 0);
  const size_t tile = size_t(std::min(width, kTileSide)) * std::min(height, kTileSide);
  ones_.assign(tile, 1.0f);
  // Halving a tile's sides down to single texels takes at most 2 log2(kTileSide) steps.
  level_.resize(16);
}

Vector TexelLighter::Centre(int x, int y) const {
  const TexelFrame& f = frame_;
  return VectorAdd(VectorAdd(f.o, Scaled(f.e2, (y + 0.5) / height_)), Scaled(f.e1, (x + 0.5) / width_));
}

void TexelLighter::Light(const TSector* node, const Vector& normal, const TexelFrame& frame, uint8_t* rgb) {
  node_ = node;
  normal_ = normal;
  frame_ = frame;
  whole_ = WholeLightmap(frame.o, frame.e1, frame.e2, width_, height_);
  for (int y0 = 0; y0 < height_; y0 += kTileSide)
    for (int x0 = 0; x0 < width_; x0 += kTileSide)
      LightTile({x0, y0, std::min(x0 + kTileSide, width_), std::min(y0 + kTileSide, height_)}, rgb);
}

void TexelLighter::LightTile(const Tile& tile, uint8_t* rgb) {
  const int n = tile.Count(), tw = tile.Width();
  // Texel corners are shared by up to four texels; each is the same sum wherever it is used.
  grid_.resize(size_t(tw + 1) * (tile.y1 - tile.y0 + 1));
  for (int cy = tile.y0; cy <= tile.y1; ++cy)
    for (int cx = tile.x0; cx <= tile.x1; ++cx)
      grid_[size_t(cy - tile.y0) * (tw + 1) + (cx - tile.x0)] =
          VectorAdd(VectorAdd(frame_.o, Scaled(frame_.e2, double(cy) / height_)),
                    Scaled(frame_.e1, double(cx) / width_));
  centre_.resize(n);
  mx_.resize(n), my_.resize(n), mz_.resize(n);
  for (int y = tile.y0; y < tile.y1; ++y)
    for (int x = tile.x0; x < tile.x1; ++x) {
      const int t = (y - tile.y0) * tw + (x - tile.x0);
      centre_[t] = Centre(x, y);
      mx_[t] = centre_[t].x, my_[t] = centre_[t].y, mz_[t] = centre_[t].z;
    }

  masks_.clear();
  for (size_t li = 0; li < lights_.size(); ++li) reach_[li] = Decide(li, tile);
  Accumulate(tile);

  for (int y = tile.y0; y < tile.y1; ++y)
    for (int x = tile.x0; x < tile.x1; ++x) {
      const int t = (y - tile.y0) * tw + (x - tile.x0);
      uint8_t* out = rgb + (size_t(y) * width_ + x) * 3;
      bool settled = fast_sum_ && flag_[t] == 0.0f;
      if (settled) {
        const double bound = SumBound(sum_[t]);
        for (int k = 0; k < 3 && settled; ++k) {
          const uint8_t low = ChannelToByte(acc_[k][t] - bound), high = ChannelToByte(acc_[k][t] + bound);
          settled = low == high;
          out[k] = low;
        }
      }
      if (settled) continue;
      ++stats_.exact_texels;
      double acc[3];
      SumExactly(t, acc);
      for (int k = 0; k < 3; ++k) out[k] = ChannelToByte(acc[k]);
    }
}

// Facing of a light towards the triangle over a whole tile, where the
// per-texel test (n . normalised(L - M) <= 0 in float) cannot differ: the
// texel centres lie within point_slack of the tile's parallelogram, and the
// float differences and quotients of the test err by at most 2.1 float
// roundings of |L| + |M| per coordinate.
int TexelLighter::Facing(const Vector& position, const Tile& tile) const {
  const D3 n = ToD3(normal_), l = ToD3(position);
  if (!Finite(normal_) || !Finite(position) || !std::isfinite(whole_.extent)) return 0;
  const double n1 = std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]);
  const double l_max = MaxAbs(position);
  const double slack =
      n1 * (whole_.point_slack + 2.1 * kEps * (l_max + whole_.extent)) + 1e-30 * (1 + l_max + whole_.extent);
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (int cy : {tile.y0, tile.y1})
    for (int cx : {tile.x0, tile.x1}) {
      const double s = Dot(n, Sub(l, whole_.At(cx, cy)));
      lo = std::min(lo, s);
      hi = std::max(hi, s);
    }
  if (lo > slack) return 1;
  if (hi < -slack) return -1;
  return 0;
}

TexelLighter::Reach TexelLighter::Decide(size_t li, const Tile& tile) {
  const LightData& light = lights_[li];
  if (!light.directional && !light.shadow) return Reach::kAll;  // lights the texel whichever side it is on
  const int n = tile.Count();
  const int facing = Facing(light.position, tile);
  if (facing < 0) return Reach::kNone;
  open_.assign(n, 1);
  int open = n;
  if (facing == 0) {
    for (int t = 0; t < n; ++t) {
      Vector dir = VectorSubtract(light.position, centre_[t]);
      const float dist = VectorLength(dir);
      bool front = dist != 0;
      if (front) {
        VectorNormalize(dir);
        front = !(VectorDot(normal_, dir) <= 0);
      }
      open_[t] = front;
      open -= !front;
    }
  }
  if (open > 0 && light.shadow) {
    stats_.shadow_queries += open;
    Visibility(li, tile);
    open = 0;
    for (int t = 0; t < n; ++t) open += open_[t];
  }
  if (open == n) return Reach::kAll;
  if (open == 0) return Reach::kNone;
  mask_at_[li] = static_cast<uint32_t>(masks_.size());
  for (int t = 0; t < n; ++t) masks_.push_back(open_[t] ? 1.0f : 0.0f);
  return Reach::kSome;
}

void TexelLighter::Visibility(size_t li, const Tile& tile) {
  have_candidates_ = false;
  met_.clear();
  Block(li, tile, tile.x0, tile.y0, tile.x1, tile.y1, 0, false);
}

void TexelLighter::ClearBlock(const Tile& tile, int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) open_[(y - tile.y0) * tile.Width() + (x - tile.x0)] = 0;
}

void TexelLighter::Remember(size_t li, uint32_t caster) {
  std::array<uint32_t, 8>& r = recent_[li];
  const uint32_t tag = caster + 1;
  size_t k = 0;
  while (k + 1 < r.size() && r[k] != tag) ++k;
  for (; k > 0; --k) r[k] = r[k - 1];
  r[0] = tag;
}

// Decides the shadow of light li for the open texels of a block: covered at
// once by a caster, or split until every texel's casters are cleared or the
// per-texel test has spoken. Until the block has the full list of casters
// that may touch it (have_all), it only looks for a covering caster among the
// recent ones and those on the segment from the light to the block's middle.
void TexelLighter::Block(size_t li, const Tile& tile, int x0, int y0, int x1, int y1, int depth,
                         bool have_all) {
  const int tw = tile.Width();
  bool any = false;
  for (int y = y0; y < y1 && !any; ++y)
    for (int x = x0; x < x1 && !any; ++x) any = open_[(y - tile.y0) * tw + (x - tile.x0)] != 0;
  if (!any) return;

  const LightData& light = lights_[li];
  const uint32_t owner = node_->Id;
  TexelBlock block = whole_;
  block.x0 = x0, block.y0 = y0, block.x1 = x1, block.y1 = y1;
  ++stats_.blocks;
  bool straddled = false;  // a caster meets the ray to the middle but does not cover the whole block
  auto covers = [&](uint32_t i) {
    return search_.CasterAt(i).owner != owner &&
           ProveBlock(search_.Proof(i), light.position, block, true, &straddled) == BlockVerdict::kCovers;
  };
  auto recent = [&](uint32_t i) {
    const std::array<uint32_t, 8>& r = recent_[li];
    return std::find(r.begin(), r.end(), i + 1) != r.end();
  };
  auto covered = [&](uint32_t i) {
    Remember(li, i);
    ++stats_.covered_blocks;
    ClearBlock(tile, x0, y0, x1, y1);
  };
  for (uint32_t tag : recent_[li])
    if (tag != 0 && covers(tag - 1)) return covered(tag - 1);

  auto split = [&](bool all) {
    const int xm = x1 - x0 > 1 ? (x0 + x1) / 2 : x1, ym = y1 - y0 > 1 ? (y0 + y1) / 2 : y1;
    Block(li, tile, x0, y0, xm, ym, depth + 1, all);
    if (xm < x1) Block(li, tile, xm, y0, x1, ym, depth + 1, all);
    if (ym < y1) Block(li, tile, x0, ym, xm, y1, depth + 1, all);
    if (xm < x1 && ym < y1) Block(li, tile, xm, ym, x1, y1, depth + 1, all);
  };
  const std::vector<ShadowCandidate>* from = nullptr;
  if (!have_all) {
    // Casters met on the way to other blocks of this tile, then those on the way to this one.
    for (uint32_t i : met_)
      if (!recent(i) && covers(i)) return covered(i);
    // Parts of the block are likely covered by that caster: no new search yet.
    if (straddled && (x1 - x0) * (y1 - y0) > 1) return split(false);
    search_.CastersOnSegment(li, block.At(0.5 * (x0 + x1), 0.5 * (y0 + y1)), owner, 4, hits_);
    ++stats_.segments;
    for (const auto& [t, i] : hits_) {
      if (std::find(met_.begin(), met_.end(), i) != met_.end()) continue;
      met_.push_back(i);
      if (!recent(i) && covers(i)) return covered(i);
    }
    if (!hits_.empty() && (x1 - x0) * (y1 - y0) > 4) return split(false);
    if (!have_candidates_) {
      // The parallelogram of the tile, rounded: the search's boxes allow for far more.
      const D3 o = whole_.At(tile.x0, tile.y0), u = whole_.At(tile.x1, tile.y0),
               v = whole_.At(tile.x0, tile.y1);
      search_.Candidates(li, owner, VectorSet(o[0], o[1], o[2]),
                         VectorSet(u[0] - o[0], u[1] - o[1], u[2] - o[2]),
                         VectorSet(v[0] - o[0], v[1] - o[1], v[2] - o[2]), all_candidates_);
      have_candidates_ = true;
      ++stats_.candidate_lists;
    }
    from = &all_candidates_;
  } else {
    from = &level_[depth - 1];
  }
  std::vector<ShadowCandidate>& left = level_[depth];
  left.clear();
  for (const ShadowCandidate& c : *from) {
    const BlockVerdict v = ProveBlock(search_.Proof(c.index), light.position, block);
    if (v == BlockVerdict::kCovers) return covered(c.index);
    if (v == BlockVerdict::kUnknown) left.push_back(c);
  }
  if (left.empty()) return;  // nothing can shadow the block
  if (x1 - x0 > 1 || y1 - y0 > 1) return split(true);

  // One texel, and casters the proofs could not settle: the per-texel test.
  const int t = (y0 - tile.y0) * tw + (x0 - tile.x0);
  Vector dir = VectorSubtract(light.position, centre_[t]);
  VectorNormalize(dir);
  const Vector u = VectorNegate(dir);
  const Vector* row0 = CornerRow(tile, x0, y0);
  const Vector* row1 = row0 + (tw + 1);
  const Vector corners[4] = {row0[0], row0[1], row1[0], row1[1]};
  ++stats_.exact_shadow_tests;
  uint32_t& hint = hint_[li];
  for (const ShadowCandidate& c : left)
    if (c.index + 1 == hint && ShadowSearch::CastsShadow(c, light.position, u, corners)) {
      open_[t] = 0;
      return;
    }
  for (const ShadowCandidate& c : left)
    if (c.index + 1 != hint && ShadowSearch::CastsShadow(c, light.position, u, corners)) {
      hint = c.index + 1;
      open_[t] = 0;
      return;
    }
}

void TexelLighter::Accumulate(const Tile& tile) {
  const int n = tile.Count();
  for (auto& a : acc_) a.assign(n, kLumelStart);
  sum_.assign(n, 0.0);
  flag_.assign(n, 0.0f);
  for (size_t li = 0; li < lights_.size(); ++li) {
    if (reach_[li] == Reach::kNone) continue;
    const LightData& l = lights_[li];
    const float* mask = reach_[li] == Reach::kAll ? ones_.data() : &masks_[mask_at_[li]];
    if (!l.fast) {
      for (int t = 0; t < n; ++t)
        if (mask[t] != 0.0f) flag_[t] = 1.0f;
    } else if (l.directional) {
      AddFullShares(n, mask, l.color[0], l.color[1], l.color[2], l.peak, acc_[0].data(), acc_[1].data(),
                    acc_[2].data(), sum_.data());
    } else {
      AddPointShares(n, mx_.data(), my_.data(), mz_.data(), mask, l.position.x, l.position.y, l.position.z,
                     l.strength, l.color[0], l.color[1], l.color[2], l.peak, acc_[0].data(), acc_[1].data(),
                     acc_[2].data(), sum_.data(), flag_.data());
    }
  }
}

// The plain computation's sum for one texel, light by light in list order,
// over the lights that reach it.
void TexelLighter::SumExactly(int t, double (&acc)[3]) const {
  acc[0] = acc[1] = acc[2] = kLumelStart;
  for (size_t li = 0; li < lights_.size(); ++li) {
    if (reach_[li] == Reach::kNone) continue;
    if (reach_[li] == Reach::kSome && masks_[mask_at_[li] + t] == 0.0f) continue;
    const TSector* light = light_nodes_[li];
    const Vector dir = VectorSubtract(light->Position, centre_[t]);
    const float dist = VectorLength(dir);
    if (dist == 0) continue;
    const double intensity =
        lights_[li].directional ? 1.0 : PointLightIntensity(light->Brightness, light->Range, dist);
    for (int k = 0; k < 3; ++k) {
      const double add = intensity * light->Color[k];
      if (!std::isnan(add)) acc[k] += add;
    }
  }
}

}  // namespace qx

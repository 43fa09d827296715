#include "lighting/texel_lighting.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

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
// The relative slack on the groups' bounds: see TexelLighter::Solve.
constexpr double kShareSlack = 1e-6;
// Summing a light with "Schatten" exactly costs this many times a plain one (its shadow decisions).
constexpr double kShadowCost = 8;

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

// How far a channel known to lie in [low, high], all of which gives `byte`,
// may move before it could give another byte.
double CellMargin(uint8_t byte, double low, double high) {
  const double below = byte == 0 ? std::numeric_limits<double>::infinity() : low - (byte - 0.5);
  const double above = byte == 255 ? std::numeric_limits<double>::infinity() : (byte + 0.5) - high;
  return std::max(0.0, std::min(below, above));
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

TexelLighter::TexelLighter(const std::vector<TSector*>& lights, const LightTree& tree,
                           const ShadowSearch& search, int width, int height)
    : search_(search), tree_(tree), light_nodes_(lights), width_(width), height_(height) {
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
  fast_sum_ = lights.size() <= kMaxGroupedLights;
  recent_.assign(lights.size(), {});
  hint_.assign(lights.size(), 0);
  const size_t tile = size_t(std::min(width, kTileSide)) * std::min(height, kTileSide);
  ones_.assign(tile, 1.0f);
  // Halving a tile's sides down to single texels takes at most 2 log2(kTileSide) steps.
  level_.resize(16);
  cuts_.resize(16);
  exact_.resize(16);
}

Vector TexelLighter::Centre(int x, int y) const {
  const TexelFrame& f = frame_;
  return VectorAdd(VectorAdd(f.o, Scaled(f.e2, (y + 0.5) / height_)), Scaled(f.e1, (x + 0.5) / width_));
}

double TexelLighter::Light(const TSector* node, const Vector& normal, const TexelFrame& frame, uint8_t* rgb,
                           const std::vector<int32_t>* start) {
  start_ = start;
  node_ = node;
  normal_ = normal;
  frame_ = frame;
  rgb_ = rgb;
  margin_ = std::numeric_limits<double>::infinity();
  whole_ = WholeLightmap(frame.o, frame.e1, frame.e2, width_, height_);
  for (int y0 = 0; y0 < height_; y0 += kTileSide)
    for (int x0 = 0; x0 < width_; x0 += kTileSide)
      LightTile({x0, y0, std::min(x0 + kTileSide, width_), std::min(y0 + kTileSide, height_)}, rgb);
  return margin_;
}

namespace {

// The quarters of a rectangle, as the shadow blocks and the light blocks split
// it: halves rounded down, a side of one texel is not split.
template <typename F>
void ForQuarters(int x0, int y0, int x1, int y1, F&& f) {
  const int xm = x1 - x0 > 1 ? (x0 + x1) / 2 : x1, ym = y1 - y0 > 1 ? (y0 + y1) / 2 : y1;
  f(x0, y0, xm, ym);
  if (xm < x1) f(xm, y0, x1, ym);
  if (ym < y1) f(x0, ym, xm, y1);
  if (xm < x1 && ym < y1) f(xm, ym, x1, y1);
}

}  // namespace

// Slots in the order of the quarter splits, so that every block of texels the
// lighting looks at is one run of slots.
void TexelLighter::Order(const Rect& r) {
  if (r.Count() == 1) {
    slot_[size_t(r.y0 - tile_.y0) * tile_.Width() + (r.x0 - tile_.x0)] = static_cast<int>(slot_x_.size());
    slot_x_.push_back(r.x0);
    slot_y_.push_back(r.y0);
    return;
  }
  ForQuarters(r.x0, r.y0, r.x1, r.y1, [&](int x0, int y0, int x1, int y1) { Order({x0, y0, x1, y1}); });
}

void TexelLighter::LightTile(const Rect& tile, uint8_t* rgb) {
  (void)rgb;
  tile_ = tile;
  const int n = tile.Count(), tw = tile.Width();
  slot_.assign(size_t(n), 0);
  slot_x_.clear(), slot_y_.clear();
  Order(tile);
  // Texel corners are shared by up to four texels; each is the same sum wherever it is used.
  grid_.resize(size_t(tw + 1) * (tile.y1 - tile.y0 + 1));
  for (int cy = tile.y0; cy <= tile.y1; ++cy)
    for (int cx = tile.x0; cx <= tile.x1; ++cx)
      grid_[size_t(cy - tile.y0) * (tw + 1) + (cx - tile.x0)] =
          VectorAdd(VectorAdd(frame_.o, Scaled(frame_.e2, double(cy) / height_)),
                    Scaled(frame_.e1, double(cx) / width_));
  centre_.resize(n);
  mx_.resize(n), my_.resize(n), mz_.resize(n);
  for (int t = 0; t < n; ++t) {
    centre_[t] = Centre(slot_x_[t], slot_y_[t]);
    mx_[t] = centre_[t].x, my_[t] = centre_[t].y, mz_[t] = centre_[t].z;
  }
  for (auto& a : acc_) a.assign(n, kLumelStart);
  sum_.assign(n, 0.0);
  flag_.assign(n, 0.0f);
  done_.assign(n, 0);
  records_.clear();
  masks_.clear();

  const Span whole{tile, 0, n};
  std::vector<Item>& cut = cuts_[0];
  cut.clear();
  exact_[0].clear();
  for (uint32_t li : tree_.Singles()) MakeExact(li, whole, 0);
  if (start_) {
    for (int32_t node : *start_) cut.push_back({node, {}});
  } else if (tree_.Root() >= 0) {
    cut.push_back({tree_.Root(), {}});
  }
  Solve(whole, 0);
}

// Light block `span` with the cut it inherits: bound the groups over it,
// write every texel whose interval rounds to one byte, and for the rest open
// the group, or sum exactly the light, that promises most per unit of work;
// split the block when only a few of its texels are still in doubt.
//
// Why the bytes are exact: for a texel the plain computation's channel value
// is O = the double sum, in light order, of 90 and the shares s_i of the
// lights that reach it. With S_e the float sum here over the lights summed
// exactly (acc_) and P = sum_ + the groups' peak bound,
//   |O - (90 + sum of all s_i)|      <= 1.2e-10 * (90 + sum |s_i|)   (n <= 1e6 double roundings)
//   |S_e - (90 + sum over exact s_i)| <= 5.5e-7 * sum |s_i| + 1.2e-10 * (...)   (SumBound's proof)
// and every group's lights add, in exact arithmetic, a value within its
// [least, most] up to the relative error of the plain computation's share
// (the float distance: two float roundings and three double ones, 3e-7) and of
// the bounds' own double sums (below 1e-9): kShareSlack covers both. So O lies
// in [S_e - SumBound(P) + least, S_e + SumBound(P) + most], and a byte that
// both ends round to (clamping and rounding are monotonic) is O's byte.
// Nothing of this asks which groups make up the cut, only that every light
// is in exactly one group of it or summed exactly (once): the root, a start
// cut (LightTree::StartCut) and every opening keep that.
void TexelLighter::Solve(const Span& span, int depth) {
  std::vector<Item>& cut = cuts_[depth];
  double lo[3], hi[3];
  for (int k = 0; k < 3; ++k) lo[k] = std::numeric_limits<double>::infinity(), hi[k] = -lo[k];
  for (int t = span.begin; t < span.end; ++t) {
    const double p[3] = {mx_[t], my_[t], mz_[t]};
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
  }
  for (Item& item : cut)
    if (item.node >= 0) item.bounds = tree_.Bounds(item.node, lo, hi, false);
  const int texels = span.Count();
  bool mode = true, built = false;  // the heap's priorities: for need_most = mode
  // A dark block (far from the ceiling, at the level's edge) may need most of
  // the lights decided one by one. Every look at the texels goes through the
  // cut, so the cut drops opened groups once they are the majority, and the
  // batches of groups opened and lights summed between two looks grow with
  // the work done (by a quarter): the looks stay few, a few dozen for
  // hundreds of lights, and a look costs what the cut holds, instead of a
  // look every three lights over a cut of all of them. Which groups are
  // opened, and when, changes no byte (see above).
  size_t gone = 0;
  int summed_here = 0, opened_here = 0;
  for (;;) {
    if (gone > 32 && 2 * gone > cut.size()) {
      cut.erase(std::remove_if(cut.begin(), cut.end(), [](const Item& item) { return item.node == kGone; }),
                cut.end());
      gone = 0;
      built = false;  // the heap holds positions in the cut
    }
    double least[3] = {0, 0, 0}, most[3] = {0, 0, 0}, peak = 0;
    bool usable = fast_sum_;
    stats_.cut_entries += cut.size();
    for (const Item& item : cut) {
      if (item.node < 0) continue;
      usable = usable && item.bounds.usable;
      for (int k = 0; k < 3; ++k) least[k] += item.bounds.least[k], most[k] += item.bounds.most[k];
      peak += item.bounds.peak_most;
    }
    for (int k = 0; k < 3; ++k) least[k] *= 1 - kShareSlack, most[k] *= 1 + kShareSlack;
    peak *= 1 + kShareSlack;
    ++stats_.rounds;
    int undecided = 0;
    bool need_most = false;  // some texel in doubt is not sure to reach the ceiling
    for (int t = span.begin; t < span.end; ++t) {
      if (done_[t]) continue;
      if (usable && flag_[t] == 0.0f) {
        const double bound = SumBound(sum_[t] + peak);
        uint8_t bytes[3];
        double margin = std::numeric_limits<double>::infinity();
        bool settled = true;
        for (int k = 0; k < 3; ++k) {
          const double low = acc_[k][t] - bound + least[k];
          if (low > kChannelCeiling - 0.5) {  // 254.5 itself rounds to 254
            bytes[k] = 255;
            margin = std::min(margin, low - (kChannelCeiling - 0.5));
            continue;
          }
          const double high = acc_[k][t] + bound + most[k];
          if (high - low > 1 && high > 0.5) {  // wider than a byte's cell and not all below it
            need_most = need_most || high <= kChannelCeiling - 0.5;
            settled = false;
            break;
          }
          const uint8_t a = ChannelToByte(low), b = ChannelToByte(high);
          if (b < 255) need_most = need_most || a != b;
          settled = settled && a == b;
          bytes[k] = a;
          margin = std::min(margin, CellMargin(a, low, high));
        }
        if (settled) {
          uint8_t* out = rgb_ + (size_t(slot_y_[t]) * width_ + slot_x_[t]) * 3;
          std::copy_n(bytes, 3, out);
          done_[t] = 1;
          margin_ = std::min(margin_, margin);
          continue;
        }
      } else {
        need_most = true;
      }
      ++undecided;
    }
    if (undecided == 0) return;

    if (!built || need_most != mode) {
      mode = need_most, built = true;
      heap_.clear();
      for (uint32_t i = 0; i < cut.size(); ++i)
        if (cut[i].node >= 0) heap_.emplace_back(Priority(cut[i], mode, texels), i);
      std::make_heap(heap_.begin(), heap_.end());
    }
    if (heap_.empty()) {
      for (int t = span.begin; t < span.end; ++t)
        if (!done_[t]) Fallback(t, depth);
      return;
    }
    const uint32_t top = heap_.front().second;
    if (tree_.IsLeaf(cut[top].node) && texels > 1 && 2 * undecided <= texels) return Split(span, depth);
    // A look at the texels costs about as much as summing a light, and
    // opening a group next to nothing: sum a few lights or open several
    // groups before the next look, and more of both once many were needed.
    // Until then a batch stops where the heap's top changes kind, so that
    // the texels are looked at before lights are summed after an opening.
    const bool heavy = opened_here > 256 || summed_here > 24;
    const int open_limit = std::max({8, texels / 4, opened_here / 4});
    const int sum_limit = std::max(3, summed_here / 4);
    const bool leaf_first = tree_.IsLeaf(cut[top].node);
    double first_leaf = -1;
    for (int opened = 0, summed = 0; opened < open_limit && summed < sum_limit && !heap_.empty();) {
      const uint32_t i = heap_.front().second;
      const int32_t node = cut[i].node;
      const bool leaf = tree_.IsLeaf(node);
      if (!heavy && leaf != leaf_first) break;
      if (leaf) {
        if (first_leaf < 0)
          first_leaf = heap_.front().first;
        else if (heap_.front().first < 0.5 * first_leaf)
          break;
      }
      std::pop_heap(heap_.begin(), heap_.end());
      heap_.pop_back();
      cut[i].node = kGone;
      ++gone;
      if (leaf) {
        ++summed, ++summed_here;
        MakeExact(tree_.LeafLight(node), span, depth);
        continue;
      }
      ++opened, ++opened_here;
      ++stats_.opened_groups;
      for (int32_t child : tree_.At(node).child) {
        cut.push_back({child, tree_.Bounds(child, lo, hi, false)});
        heap_.emplace_back(Priority(cut.back(), mode, texels), static_cast<uint32_t>(cut.size() - 1));
        std::push_heap(heap_.begin(), heap_.end());
      }
    }
  }
}

void TexelLighter::Split(const Span& span, int depth) {
  ++stats_.split_blocks;
  int begin = span.begin;
  const Rect& r = span.rect;
  ForQuarters(r.x0, r.y0, r.x1, r.y1, [&](int x0, int y0, int x1, int y1) {
    const Rect q{x0, y0, x1, y1};
    const Span part{q, begin, begin + q.Count()};
    begin = part.end;
    for (int t = part.begin; t < part.end; ++t)
      if (!done_[t]) {
        std::vector<Item>& inherited = cuts_[depth + 1];
        inherited.clear();
        for (const Item& item : cuts_[depth])
          if (item.node != kGone) inherited.push_back(item);
        exact_[depth + 1] = exact_[depth];
        Solve(part, depth + 1);
        break;
      }
  });
}

// Work per unit of interval width: opening a group is about as dear as one
// texel's share of one light; summing a light exactly costs a share per texel,
// and a shadow decision where the light has "Schatten".
double TexelLighter::Priority(const Item& item, bool need_most, int texels) const {
  const ShareBounds& b = item.bounds;
  if (!b.usable) return std::numeric_limits<double>::infinity();
  if (tree_.IsLeaf(item.node)) {
    const LightData& l = lights_[tree_.LeafLight(item.node)];
    const double width = (b.most[0] - b.least[0]) + (b.most[1] - b.least[1]) + (b.most[2] - b.least[2]);
    return width / (double(texels) * (l.shadow ? kShadowCost : 1.0));
  }
  // The part of the width that only deciding its lights one by one removes is
  // worth as much as the cost of that, spread over the group's lights.
  const double count = tree_.At(item.node).count;
  return need_most ? b.spread + b.fixed / count : b.least_spread + b.least_fixed / count;
}

void TexelLighter::MakeExact(uint32_t li, const Span& span, int depth) {
  uint32_t mask_at = 0;
  const Reach reach = Decide(li, span, mask_at);
  records_.push_back({li, span.begin, span.end, reach, mask_at});
  exact_[depth].push_back(static_cast<uint32_t>(records_.size() - 1));
  ++stats_.exact_lights;
  if (reach == Reach::kNone) return;
  const LightData& l = lights_[li];
  const int n = span.Count(), b = span.begin;
  const float* mask = reach == Reach::kAll ? ones_.data() : &masks_[mask_at];
  if (!l.fast) {
    for (int t = 0; t < n; ++t)
      if (mask[t] != 0.0f) flag_[b + t] = 1.0f;
  } else if (l.directional) {
    AddFullShares(n, mask, l.color[0], l.color[1], l.color[2], l.peak, acc_[0].data() + b, acc_[1].data() + b,
                  acc_[2].data() + b, sum_.data() + b);
  } else {
    AddPointShares(n, mx_.data() + b, my_.data() + b, mz_.data() + b, mask, l.position.x, l.position.y,
                   l.position.z, l.strength, l.color[0], l.color[1], l.color[2], l.peak, acc_[0].data() + b,
                   acc_[1].data() + b, acc_[2].data() + b, sum_.data() + b, flag_.data() + b);
  }
}

// The plain computation's sum for one texel, light by light in list order,
// over the lights that reach it: every light is summed exactly by now.
void TexelLighter::Fallback(int t, int depth) {
  ++stats_.exact_texels;
  order_scratch_.clear();
  for (uint32_t r : exact_[depth]) order_scratch_.emplace_back(records_[r].light, r);
  std::sort(order_scratch_.begin(), order_scratch_.end());
  double acc[3] = {kLumelStart, kLumelStart, kLumelStart};
  for (const auto& [li, r] : order_scratch_) {
    const Record& rec = records_[r];
    if (rec.reach == Reach::kNone) continue;
    if (rec.reach == Reach::kSome && masks_[rec.mask_at + (t - rec.begin)] == 0.0f) continue;
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
  uint8_t* out = rgb_ + (size_t(slot_y_[t]) * width_ + slot_x_[t]) * 3;
  for (int k = 0; k < 3; ++k) {
    out[k] = ChannelToByte(acc[k]);
    margin_ = std::min(margin_, CellMargin(out[k], acc[k], acc[k]));
  }
  done_[t] = 1;
}

// Facing of a light towards the triangle over a rectangle of texels, where the
// per-texel test (n . normalised(L - M) <= 0 in float) cannot differ: the
// texel centres lie within point_slack of the tile's parallelogram, and the
// float differences and quotients of the test err by at most 2.1 float
// roundings of |L| + |M| per coordinate.
int TexelLighter::Facing(const Vector& position, const Rect& rect) const {
  const D3 n = ToD3(normal_), l = ToD3(position);
  if (!Finite(normal_) || !Finite(position) || !std::isfinite(whole_.extent)) return 0;
  const double n1 = std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]);
  const double l_max = MaxAbs(position);
  const double slack =
      n1 * (whole_.point_slack + 2.1 * kEps * (l_max + whole_.extent)) + 1e-30 * (1 + l_max + whole_.extent);
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (int cy : {rect.y0, rect.y1})
    for (int cx : {rect.x0, rect.x1}) {
      const double s = Dot(n, Sub(l, whole_.At(cx, cy)));
      lo = std::min(lo, s);
      hi = std::max(hi, s);
    }
  if (lo > slack) return 1;
  if (hi < -slack) return -1;
  return 0;
}

TexelLighter::Reach TexelLighter::Decide(size_t li, const Span& span, uint32_t& mask_at) {
  const LightData& light = lights_[li];
  if (!light.directional && !light.shadow) return Reach::kAll;  // lights the texel whichever side it is on
  const int n = span.Count();
  const int facing = Facing(light.position, span.rect);
  if (facing < 0) return Reach::kNone;
  open_.resize(size_t(tile_.Count()));
  std::fill(open_.begin() + span.begin, open_.begin() + span.end, 1);
  int open = n;
  if (facing == 0) {
    for (int t = span.begin; t < span.end; ++t) {
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
    Visibility(li, span.rect);
    open = 0;
    for (int t = span.begin; t < span.end; ++t) open += open_[t];
  }
  if (open == n) return Reach::kAll;
  if (open == 0) return Reach::kNone;
  mask_at = static_cast<uint32_t>(masks_.size());
  for (int t = span.begin; t < span.end; ++t) masks_.push_back(open_[t] ? 1.0f : 0.0f);
  return Reach::kSome;
}

void TexelLighter::Visibility(size_t li, const Rect& rect) {
  region_ = rect;
  have_candidates_ = false;
  met_.clear();
  Block(li, rect.x0, rect.y0, rect.x1, rect.y1, 0, false);
}

void TexelLighter::ClearBlock(int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) open_[SlotOf(x, y)] = 0;
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
void TexelLighter::Block(size_t li, int x0, int y0, int x1, int y1, int depth, bool have_all) {
  bool any = false;
  for (int y = y0; y < y1 && !any; ++y)
    for (int x = x0; x < x1 && !any; ++x) any = open_[SlotOf(x, y)] != 0;
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
    ClearBlock(x0, y0, x1, y1);
  };
  for (uint32_t tag : recent_[li])
    if (tag != 0 && covers(tag - 1)) return covered(tag - 1);

  auto split = [&](bool all) {
    ForQuarters(x0, y0, x1, y1,
                [&](int a0, int b0, int a1, int b1) { Block(li, a0, b0, a1, b1, depth + 1, all); });
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
      // The parallelogram of the region being decided, rounded: the search's boxes allow for far more.
      const D3 o = whole_.At(region_.x0, region_.y0), u = whole_.At(region_.x1, region_.y0),
               v = whole_.At(region_.x0, region_.y1);
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
  const int t = SlotOf(x0, y0);
  Vector dir = VectorSubtract(light.position, centre_[t]);
  VectorNormalize(dir);
  const Vector u = VectorNegate(dir);
  const Vector* row0 = CornerRow(x0, y0);
  const Vector* row1 = row0 + (tile_.Width() + 1);
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

}  // namespace qx

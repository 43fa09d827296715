#include "lighting/light_tree.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "lighting/light_falloff.h"
#include "lighting/lightmap.h"

namespace qx {

namespace {

// Closer than this (squared) the float distances of the plain computation may
// underflow or vanish, which drops a light there: no bounds.
constexpr double kMinSquare = 1e-24;

bool Groupable(const TSector& l) {
  const Vector& p = l.Position;
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
  if (std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}) > 1e15f) return false;
  for (float c : l.Color)
    if (!(c >= 0) || !(c <= 1e15f)) return false;
  if (l.Kind == 1) return true;
  const double strength = std::fabs(double(l.Brightness) * double(l.Range));
  return strength >= 1e-30 && strength <= 1e30;
}

}  // namespace

LightTree::LightTree(const std::vector<TSector*>& lights, bool group) {
  for (uint32_t i = 0; i < lights.size(); ++i)
    (group && Groupable(*lights[i]) ? members_ : singles_).push_back(i);
  if (members_.empty()) return;
  nodes_.reserve(2 * members_.size());
  Build(0, static_cast<uint32_t>(members_.size()), lights);
}

int32_t LightTree::Build(uint32_t begin, uint32_t end, const std::vector<TSector*>& lights) {
  const int32_t index = static_cast<int32_t>(nodes_.size());
  nodes_.emplace_back();
  {
    Node& n = nodes_.back();
    n.first = begin;
    n.count = end - begin;
    for (int k = 0; k < 3; ++k) {
      n.box_lo[k] = std::numeric_limits<double>::infinity();
      n.box_hi[k] = -n.box_lo[k];
    }
    for (uint32_t m = begin; m < end; ++m) {
      const TSector& l = *lights[members_[m]];
      const double p[3] = {l.Position.x, l.Position.y, l.Position.z};
      for (int k = 0; k < 3; ++k) {
        n.box_lo[k] = std::min(n.box_lo[k], p[k]);
        n.box_hi[k] = std::max(n.box_hi[k], p[k]);
      }
      const double peak = LightColourPeak(l);
      if (l.Kind == 1) {
        for (int k = 0; k < 3; ++k) n.dir[k] += l.Color[k];
        n.dir_peak += peak;
        continue;
      }
      const double strength = std::fabs(double(l.Brightness) * double(l.Range));
      for (int k = 0; k < 3; ++k) {
        n.w_all[k] += strength * l.Color[k];
        if (l.Shadow != 1) n.w_free[k] += strength * l.Color[k];
      }
      n.w_peak += strength * peak;
    }
  }
  if (end - begin == 1) return index;
  const Node& n = nodes_.back();
  int axis = 0;
  for (int k = 1; k < 3; ++k)
    if (n.box_hi[k] - n.box_lo[k] > n.box_hi[axis] - n.box_lo[axis]) axis = k;
  const uint32_t mid = begin + (end - begin) / 2;
  auto coordinate = [&](uint32_t light) {
    const Vector& p = lights[light]->Position;
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
  };
  std::nth_element(members_.begin() + begin, members_.begin() + mid, members_.begin() + end,
                   [&](uint32_t a, uint32_t b) {
                     const float ca = coordinate(a), cb = coordinate(b);
                     return ca < cb || (ca == cb && a < b);
                   });
  const int32_t left = Build(begin, mid, lights);
  const int32_t right = Build(mid, end, lights);
  nodes_[size_t(index)].child[0] = left;
  nodes_[size_t(index)].child[1] = right;
  return index;
}

ShareBounds LightTree::Bounds(int32_t node, const double (&lo)[3], const double (&hi)[3], bool vertex) const {
  const Node& n = nodes_[size_t(node)];
  ShareBounds b;
  double near2 = 0, far2 = 0;
  for (int k = 0; k < 3; ++k) {
    const double gap = std::max({0.0, n.box_lo[k] - hi[k], lo[k] - n.box_hi[k]});
    const double reach = std::max(std::fabs(n.box_hi[k] - lo[k]), std::fabs(hi[k] - n.box_lo[k]));
    near2 += gap * gap;
    far2 += reach * reach;
  }
  if (!(near2 > kMinSquare) || !std::isfinite(far2)) return b;
  b.usable = true;
  const double factor = vertex ? kVertexFactor : 1.0;
  const double inv_near = 1 / near2, inv_far = 1 / far2;
  for (int k = 0; k < 3; ++k) {
    // Directional lights: always their colour at a vertex; at a texel nothing or their colour.
    b.least[k] = factor * (n.w_free[k] * inv_far + (vertex ? n.dir[k] : 0));
    b.most[k] = factor * (n.w_all[k] * inv_near + n.dir[k]);
    b.spread += factor * n.w_all[k] * (inv_near - inv_far);
    b.fixed += factor * ((n.w_all[k] - n.w_free[k]) * inv_far + (vertex ? 0 : n.dir[k]));
    b.least_spread += factor * n.w_free[k] * (inv_near - inv_far);
    b.least_fixed += factor * ((n.w_all[k] - n.w_free[k]) * inv_near + (vertex ? 0 : n.dir[k]));
  }
  b.peak_most = factor * (n.w_peak * inv_near + n.dir_peak);
  return b;
}

void LightTree::StartCut(const double (&lo)[3], const double (&hi)[3], size_t limit,
                         std::vector<int32_t>& out) const {
  out.clear();
  if (nodes_.empty()) return;
  // Opened in order of the interval width that opening removes; groups
  // without usable bounds over the box (lights inside it) first.
  std::vector<std::pair<double, int32_t>> heap;
  auto push = [&](int32_t node) {
    if (IsLeaf(node)) {
      out.push_back(node);
      return;
    }
    const ShareBounds b = Bounds(node, lo, hi, false);
    heap.emplace_back(b.usable ? b.spread + b.least_spread : std::numeric_limits<double>::infinity(), node);
    std::push_heap(heap.begin(), heap.end());
  };
  push(Root());
  while (!heap.empty() && out.size() + heap.size() < limit) {
    std::pop_heap(heap.begin(), heap.end());
    const int32_t node = heap.back().second;
    heap.pop_back();
    for (int32_t child : nodes_[size_t(node)].child) push(child);
  }
  for (const auto& [width, node] : heap) out.push_back(node);
}

}  // namespace qx

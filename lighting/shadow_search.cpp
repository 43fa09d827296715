#include "lighting/shadow_search.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace qx {

namespace {

constexpr double kFloatEpsilon = 1.0 / (1 << 24);  // unit roundoff of a float
constexpr double kBoxGrowth = 0.125;               // of the longest edge, see the header
constexpr double kReach = 1.02;                    // of the texel distance, see the header
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr uint32_t kLeafSize = 4;

bool Finite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

double MaxAbs(const Vector& v) {
  return std::max({std::fabs(double(v.x)), std::fabs(double(v.y)), std::fabs(double(v.z))});
}

// Float bounds that never shrink the double value they come from.
float Down(double v) {
  float f = static_cast<float>(v);
  if (double(f) > v) f = std::nextafter(f, -std::numeric_limits<float>::infinity());
  return f;
}
float Up(double v) {
  float f = static_cast<float>(v);
  if (double(f) < v) f = std::nextafter(f, std::numeric_limits<float>::infinity());
  return f;
}

double Coord(const Vector& v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// The pyramid from the light to the grown texel parallelogram, as a box and
// up to five outward planes. Planes that rounding could tip over are left out.
struct Pyramid {
  double lo[3], hi[3];
  D3 normal[5];
  double offset[5];
  int planes = 0;
  double slack = 0;

  bool MayTouch(const float (&blo)[3], const float (&bhi)[3]) const {
    for (int i = 0; i < 3; ++i)
      if (double(blo[i]) > hi[i] + slack || double(bhi[i]) < lo[i] - slack) return false;
    for (int p = 0; p < planes; ++p) {
      const D3& n = normal[p];
      double nearest = 0;
      for (int i = 0; i < 3; ++i) nearest += n[i] * (n[i] > 0 ? double(blo[i]) : double(bhi[i]));
      if (nearest > offset[p] + slack) return false;
    }
    return true;
  }
};

Pyramid MakePyramid(const Vector& light, const Vector& o, const Vector& e1, const Vector& e2, double extent) {
  Pyramid py;
  const D3 l = ToD3(light), od = ToD3(o), u = ToD3(e1), v = ToD3(e2);
  std::array<D3, 4> base;
  const D3 quad[4] = {od,
                      {od[0] + u[0], od[1] + u[1], od[2] + u[2]},
                      {od[0] + u[0] + v[0], od[1] + u[1] + v[1], od[2] + u[2] + v[2]},
                      {od[0] + v[0], od[1] + v[1], od[2] + v[2]}};
  for (int k = 0; k < 4; ++k)
    for (int i = 0; i < 3; ++i) base[k][i] = l[i] + kReach * (quad[k][i] - l[i]);
  D3 centre = l;
  for (int i = 0; i < 3; ++i) {
    py.lo[i] = py.hi[i] = l[i];
    for (const D3& b : base) {
      py.lo[i] = std::min(py.lo[i], b[i]);
      py.hi[i] = std::max(py.hi[i], b[i]);
      centre[i] += b[i];
    }
    centre[i] /= 5;
  }
  py.slack = 1e-9 * extent + 1e-30;
  auto add_plane = [&](const D3& p0, const D3& p1, const D3& p2) {
    D3 n = Cross(Sub(p1, p0), Sub(p2, p0));
    const double len = std::sqrt(Dot(n, n));
    if (!(len > 0) || !std::isfinite(len)) return;
    for (double& c : n) c /= len;
    double inside = Dot(n, Sub(centre, p0));
    // A flat pyramid has no inside to tell the planes' sides by.
    if (!(std::fabs(inside) > 1e-6 * extent)) return;
    if (inside > 0) {
      for (double& c : n) c = -c;
      inside = -inside;
    }
    py.normal[py.planes] = n;
    py.offset[py.planes] = Dot(n, p0);
    ++py.planes;
  };
  for (int k = 0; k < 4; ++k) add_plane(l, base[k], base[(k + 1) % 4]);
  add_plane(base[0], base[1], base[2]);
  return py;
}

bool InBox(const Vector& h, const Caster& c) {
  // A hit that is not a number fails the inside test anyway; let that test say so.
  return !(h.x < c.lo[0]) && !(h.x > c.hi[0]) && !(h.y < c.lo[1]) && !(h.y > c.hi[1]) && !(h.z < c.lo[2]) &&
         !(h.z > c.hi[2]);
}

}  // namespace

ShadowSearch::ShadowSearch(const std::vector<TSector*>& polygons, const std::vector<TSector*>& lights,
                           double frame_extent) {
  extent_ = frame_extent;
  for (const TSector* node : polygons) {
    if (node->Visible == 0 || node->NoShadow == 1) continue;
    const size_t count = std::min<size_t>(node->TriangleCount, node->Triangles.size());
    const auto ok = [&](int32_t i) { return i >= 0 && static_cast<size_t>(i) < node->Vertices.size(); };
    for (size_t i = 0; i < count; ++i) {
      const TTriangle& t = node->Triangles[i];
      if (!ok(t.V0) || !ok(t.V1) || !ok(t.V2)) continue;
      Caster c;
      c.a = node->Vertices[t.V0].Position;
      c.b = node->Vertices[t.V1].Position;
      c.c = node->Vertices[t.V2].Position;
      c.n = t.Normal;
      c.owner = node->Id;
      const double length = VectorLengthD(c.n);
      c.regular = Finite(c.a) && Finite(c.b) && Finite(c.c) && Finite(c.n) && std::fabs(length - 1) <= 1e-4;
      if (c.regular) extent_ = std::max({extent_, MaxAbs(c.a), MaxAbs(c.b), MaxAbs(c.c)});
      casters_.push_back(c);
    }
  }
  for (const TSector* light : lights)
    if (light->Shadow == 1 && Finite(light->Position)) extent_ = std::max(extent_, MaxAbs(light->Position));
  searchable_ = std::isfinite(extent_) && extent_ <= 1e30;
  const double allowance = searchable_ ? 32 * kFloatEpsilon * extent_ : kInf;
  near_limit_ = 4000 * kFloatEpsilon * extent_;

  for (uint32_t i = 0; i < casters_.size(); ++i) {
    Caster& c = casters_[i];
    if (!c.regular) {
      irregular_.push_back(i);
      continue;
    }
    const double edge = std::sqrt(std::max({VectorDotD(VectorSubtract(c.b, c.a), VectorSubtract(c.b, c.a)),
                                            VectorDotD(VectorSubtract(c.c, c.b), VectorSubtract(c.c, c.b)),
                                            VectorDotD(VectorSubtract(c.a, c.c), VectorSubtract(c.a, c.c))}));
    // The differences above are rounded to float; a hair more growth covers that.
    const double grow = kBoxGrowth * edge * (1 + 1e-6) + 2 * allowance + 1e-30;
    for (int k = 0; k < 3; ++k) {
      const double lo = std::min({Coord(c.a, k), Coord(c.b, k), Coord(c.c, k)});
      const double hi = std::max({Coord(c.a, k), Coord(c.b, k), Coord(c.c, k)});
      c.lo[k] = Down(lo - grow);
      c.hi[k] = Up(hi + grow);
    }
    order_.push_back(i);
  }
  proofs_.resize(casters_.size());
  for (uint32_t i : order_)
    proofs_[i] = MakeCasterProof(casters_[i].a, casters_[i].b, casters_[i].c, casters_[i].n);
  if (searchable_ && !order_.empty()) {
    nodes_.reserve(2 * order_.size() / kLeafSize + 2);
    nodes_.push_back({});
    Build(0, 0, static_cast<uint32_t>(order_.size()), 0);
  }

  // The casters whose plane passes close to a light. Many casters share a
  // plane to the bit (normal and n . a), and for those the distance below is
  // the same number: it is worked out once per plane and light.
  keyed_.reserve(order_.size());
  for (uint32_t k = 0; k < order_.size(); ++k) {
    const Caster& c = casters_[order_[k]];
    const double d = VectorDotD(c.n, c.a);
    std::array<uint32_t, 5> key;
    std::memcpy(&key[0], &c.n.x, 4), std::memcpy(&key[1], &c.n.y, 4), std::memcpy(&key[2], &c.n.z, 4);
    std::memcpy(&key[3], &d, 8);
    keyed_.emplace_back(key, k);
  }
  std::sort(keyed_.begin(), keyed_.end());
  for (uint32_t k = 0; k < keyed_.size(); ++k) {
    if (k == 0 || keyed_[k].first != keyed_[k - 1].first) {
      const Caster& c = casters_[order_[keyed_[k].second]];
      planes_.push_back({c.n, VectorDotD(c.n, c.a), k, k});
    }
    planes_.back().end = k + 1;
  }
  lights_.resize(lights.size());
  tbb::parallel_for(tbb::blocked_range<size_t>(0, lights.size()), [&](const tbb::blocked_range<size_t>& r) {
    std::vector<uint32_t> at;
    for (size_t li = r.begin(); li != r.end(); ++li) FillLight(lights_[li], *lights[li], at);
  });
}

void ShadowSearch::FillLight(LightInfo& info, const TSector& light, std::vector<uint32_t>& at) const {
  info.position = light.Position;
  info.searchable = searchable_ && Finite(info.position);
  info.near.clear();
  if (!info.searchable || light.Shadow != 1) return;
  at.clear();
  for (const Plane& p : planes_) {
    // The same plane distance the ray intersection divides.
    const double off_plane = VectorDotD(p.n, info.position) - p.d;
    if (!(std::fabs(off_plane) > near_limit_))
      for (uint32_t k = p.begin; k < p.end; ++k) at.push_back(keyed_[k].second);
  }
  std::sort(at.begin(), at.end());  // in the order of order_, as one pass over it would give
  info.near.reserve(at.size());
  for (uint32_t k : at) info.near.push_back(order_[k]);
}

bool ShadowSearch::UpdateLight(size_t index, const TSector& light) {
  // A light with shadow beyond the extent would have widened it when built anew.
  if (index >= lights_.size() ||
      (light.Shadow == 1 && Finite(light.Position) && MaxAbs(light.Position) > extent_))
    return false;
  std::vector<uint32_t> at;
  FillLight(lights_[index], light, at);
  return true;
}

void ShadowSearch::Build(uint32_t node, uint32_t begin, uint32_t end, int depth) {
  Node n;
  for (int k = 0; k < 3; ++k) {
    n.lo[k] = std::numeric_limits<float>::infinity();
    n.hi[k] = -std::numeric_limits<float>::infinity();
  }
  double clo[3] = {kInf, kInf, kInf}, chi[3] = {-kInf, -kInf, -kInf};
  for (uint32_t i = begin; i < end; ++i) {
    const Caster& c = casters_[order_[i]];
    for (int k = 0; k < 3; ++k) {
      n.lo[k] = std::min(n.lo[k], c.lo[k]);
      n.hi[k] = std::max(n.hi[k], c.hi[k]);
      const double mid = 0.5 * (double(c.lo[k]) + double(c.hi[k]));
      clo[k] = std::min(clo[k], mid);
      chi[k] = std::max(chi[k], mid);
    }
  }
  if (end - begin <= kLeafSize || depth > 60) {
    n.first = begin;
    n.count = end - begin;
    nodes_[node] = n;
    return;
  }
  int axis = 0;
  for (int k = 1; k < 3; ++k)
    if (chi[k] - clo[k] > chi[axis] - clo[axis]) axis = k;
  const uint32_t mid = begin + (end - begin) / 2;
  std::nth_element(order_.begin() + begin, order_.begin() + mid, order_.begin() + end,
                   [&](uint32_t x, uint32_t y) {
                     const Caster& a = casters_[x];
                     const Caster& b = casters_[y];
                     return double(a.lo[axis]) + a.hi[axis] < double(b.lo[axis]) + b.hi[axis];
                   });
  n.first = static_cast<uint32_t>(nodes_.size());
  n.count = 0;
  nodes_[node] = n;
  nodes_.push_back({});
  nodes_.push_back({});
  Build(n.first, begin, mid, depth + 1);
  Build(n.first + 1, mid, end, depth + 1);
}

void ShadowSearch::Candidates(size_t light_index, uint32_t owner, const Vector& o, const Vector& e1,
                              const Vector& e2, std::vector<ShadowCandidate>& out) const {
  out.clear();
  const LightInfo& light = lights_[light_index];
  std::vector<uint32_t> picked;
  auto take = [&](uint32_t i) {
    if (casters_[i].owner != owner) picked.push_back(i);
  };
  if (!light.searchable) {
    for (uint32_t i = 0; i < casters_.size(); ++i) take(i);
  } else {
    for (uint32_t i : irregular_) take(i);
    for (uint32_t i : light.near) take(i);
    if (!nodes_.empty()) {
      const Pyramid py = MakePyramid(light.position, o, e1, e2, extent_);
      uint32_t stack[128];
      int top = 0;
      stack[top++] = 0;
      while (top > 0) {
        const Node& n = nodes_[stack[--top]];
        if (!py.MayTouch(n.lo, n.hi)) continue;
        if (n.count > 0) {
          for (uint32_t k = n.first; k < n.first + n.count; ++k)
            if (py.MayTouch(casters_[order_[k]].lo, casters_[order_[k]].hi)) take(order_[k]);
        } else {
          stack[top++] = n.first;
          stack[top++] = n.first + 1;
        }
      }
    }
    std::sort(picked.begin(), picked.end());
    picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
  }
  out.reserve(picked.size());
  for (uint32_t i : picked) {
    const Caster& c = casters_[i];
    out.push_back({&c, ClassifyPoint(light.position, c.a, c.n), i});
  }
}

bool ShadowSearch::CastsShadow(const ShadowCandidate& cand, const Vector& light, const Vector& u,
                               const Vector (&corners)[4]) {
  const Caster& c = *cand.caster;
  if (cand.side_light != 0)
    for (const Vector& corner : corners)
      if (ClassifyPoint(corner, c.a, c.n) == cand.side_light) return false;
  if (TexelInCasterPlane(c.a, c.n, corners)) return false;
  const float along = RayPlaneIntersect(light, u, c.a, c.n);
  Vector step = u;
  const Vector hit = VectorAdd(light, VectorScale(step, along));
  if (c.regular && !InBox(hit, c)) return false;
  return PointInTriangle(hit, c.a, c.b, c.c);
}

bool ShadowSearch::Shadowed(const std::vector<ShadowCandidate>& candidates, const Vector& light,
                            const Vector& u, const Vector (&corners)[4], size_t& hint) {
  // Neighbouring texels are mostly hidden by the same triangle: try the last
  // one that hid a texel first. Which triangle is found does not matter.
  if (hint < candidates.size() && CastsShadow(candidates[hint], light, u, corners)) return true;
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (i != hint && CastsShadow(candidates[i], light, u, corners)) {
      hint = i;
      return true;
    }
  }
  return false;
}

void ShadowSearch::CastersOnSegment(size_t light_index, const D3& target, uint32_t owner, size_t limit,
                                    std::vector<std::pair<double, uint32_t>>& out) const {
  out.clear();
  const LightInfo& light = lights_[light_index];
  if (!light.searchable || nodes_.empty() || limit == 0) return;
  const D3 from = ToD3(light.position);
  const D3 dir = Sub(target, from);
  double inv[3];
  for (int i = 0; i < 3; ++i) inv[i] = 1.0 / dir[i];
  // Where the segment enters a box, or infinity when it misses it before `until`.
  auto entry = [&](const float(&lo)[3], const float(&hi)[3], double until) {
    double t0 = 0, t1 = until;
    for (int i = 0; i < 3; ++i) {
      double a = (double(lo[i]) - from[i]) * inv[i], b = (double(hi[i]) - from[i]) * inv[i];
      if (std::isnan(a) || std::isnan(b)) {  // along the slab's face: inside it or not at all
        if (from[i] < lo[i] || from[i] > hi[i]) return kInf;
        continue;
      }
      if (a > b) std::swap(a, b);
      t0 = std::max(t0, a);
      t1 = std::min(t1, b);
    }
    return t0 <= t1 ? t0 : kInf;
  };
  // Only the `limit` nearest hits are wanted: boxes beyond the farthest kept one are skipped.
  auto until = [&] { return out.size() < limit ? 1.0 : out.back().first; };
  uint32_t stack[128];
  int top = 0;
  if (entry(nodes_[0].lo, nodes_[0].hi, 1.0) < kInf) stack[top++] = 0;
  while (top > 0) {
    const Node& n = nodes_[stack[--top]];
    if (n.count == 0) {
      const Node& left = nodes_[n.first];
      const Node& right = nodes_[n.first + 1];
      const double bound = until();
      const double tl = entry(left.lo, left.hi, bound), tr = entry(right.lo, right.hi, bound);
      // The nearer child is taken first.
      const bool left_first = tl <= tr;
      const double t_far = left_first ? tr : tl, t_near = left_first ? tl : tr;
      if (t_far < kInf) stack[top++] = left_first ? n.first + 1 : n.first;
      if (t_near < kInf) stack[top++] = left_first ? n.first : n.first + 1;
      continue;
    }
    for (uint32_t k = n.first; k < n.first + n.count; ++k) {
      const uint32_t i = order_[k];
      const CasterProof& p = proofs_[i];
      if (!p.usable || casters_[i].owner == owner) continue;
      // Moller-Trumbore on the segment.
      const D3 e1 = Sub(p.corner[1], p.corner[0]), e2 = Sub(p.corner[2], p.corner[0]);
      const D3 q = Cross(dir, e2);
      const double det = Dot(e1, q);
      if (!(std::fabs(det) > 0)) continue;
      const D3 s = Sub(from, p.corner[0]);
      const double u = Dot(s, q) / det;
      if (u < 0 || u > 1) continue;
      const D3 r = Cross(s, e1);
      const double v = Dot(dir, r) / det;
      if (v < 0 || u + v > 1) continue;
      const double t = Dot(e2, r) / det;
      if (!(t > 0 && t < until())) continue;
      out.emplace_back(t, i);
      std::sort(out.begin(), out.end());
      if (out.size() > limit) out.pop_back();
    }
  }
}

}  // namespace qx

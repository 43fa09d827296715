#include "lighting/shadow_proof.h"

#include <algorithm>
#include <limits>

namespace qx {

namespace {

constexpr double kEps = 1.0 / (1 << 24);      // unit roundoff of a float
constexpr double kEpsD = 1.0 / (1ull << 53);  // and of a double

// The angle-sum test accepts a point p when the three angles under which it
// sees the edges add up to 2 pi within 0.001. Each angle is the acos of a
// float dot product of float unit vectors, off by at most 3e-7 from the
// cosine of the true angle at the computed p; if p lies z above the
// triangle's plane and at least r from every corner, the cosine of each 3D
// angle differs from that of the in-plane one by at most 2 (z / r)^2. An
// angle whose sine is at least s then errs by less than dcos / s, and any
// angle by less than 2.3 sqrt(dcos); the float sum adds at most 1.2e-6.
//
// Inside, at distance h_e from edge e: the angle over edge e is at least the
// triangle's angle opposite e and at most pi - 2 asin(h_e / longest edge),
// which bounds its sine from below. Covering asks for the sum's error to stay
// below kInsideBudget.
//
// Outside, at least h beyond one edge's line with every corner within R: the
// corners lie in an arc of pi - 2 asin(h / R) and the angle sum is twice the
// arc, so it falls short of 2 pi by 4 asin(h / R). Clearing asks for that to
// exceed kOutsideFactor times (0.001 + the sum's error).
constexpr double kInsideBudget = 8e-4;
constexpr double kOutsideFactor = 1.25;
constexpr double kCosineError = 3e-7;
constexpr double kSumError = 1.2e-6;
constexpr double kMinAngle = 0.01;
constexpr double kMaxTilt = 1e-3;
constexpr double kSqrt3 = 1.7320508075688772;

bool Finite(const D3& v) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

double MaxAbs(const D3& v) {
  return std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])});
}

double Angle(const D3& u, const D3& v) {
  return std::atan2(Norm(Cross(u, v)), Dot(u, v));
}

}  // namespace

CasterProof MakeCasterProof(const Vector& a, const Vector& b, const Vector& c, const Vector& n) {
  CasterProof p;
  p.a = ToD3(a);
  p.n = ToD3(n);
  p.corner[0] = ToD3(a);
  p.corner[1] = ToD3(b);
  p.corner[2] = ToD3(c);
  if (!Finite(p.corner[0]) || !Finite(p.corner[1]) || !Finite(p.corner[2]) || !Finite(p.n)) return p;
  p.n_length = Norm(p.n);
  if (!(std::fabs(p.n_length - 1) <= 1e-4)) return p;
  p.n1 = std::fabs(p.n[0]) + std::fabs(p.n[1]) + std::fabs(p.n[2]);
  p.a_max = MaxAbs(p.a);
  const D3 own = Cross(Sub(p.corner[1], p.corner[0]), Sub(p.corner[2], p.corner[0]));
  const double own_length = Norm(own);
  if (!(own_length > 0) || !std::isfinite(own_length)) return p;
  const D3 own_unit = {own[0] / own_length, own[1] / own_length, own[2] / own_length};
  const D3 n_unit = {p.n[0] / p.n_length, p.n[1] / p.n_length, p.n[2] / p.n_length};
  const double tilt = Angle(n_unit, own_unit);
  p.tilt = std::min(tilt, 3.14159265358979323846 - tilt);
  double smallest_angle = 4;
  for (int e = 0; e < 3; ++e) {
    const D3& v = p.corner[e];
    const D3& w = p.corner[(e + 1) % 3];
    const D3& opposite = p.corner[(e + 2) % 3];
    const D3 along = Sub(w, v);
    p.longest = std::max(p.longest, Norm(along));
    D3 m = Cross(own_unit, along);
    const double m_length = Norm(m);
    if (!(m_length > 0)) return p;
    for (double& k : m) k /= m_length;
    if (Dot(m, Sub(opposite, v)) < 0)
      for (double& k : m) k = -k;
    p.edge_normal[e] = m;
    p.edge_offset[e] = Dot(m, v);
    p.altitude[e] = Dot(m, opposite) - p.edge_offset[e];
    const double angle = Angle(Sub(v, opposite), Sub(w, opposite));
    p.sin_opposite[e] = std::sin(angle);
    smallest_angle = std::min(smallest_angle, angle);
  }
  p.usable = smallest_angle >= kMinAngle && p.tilt <= kMaxTilt && std::isfinite(p.longest);
  return p;
}

TexelBlock WholeLightmap(const Vector& o, const Vector& e1, const Vector& e2, int w, int h) {
  TexelBlock b;
  b.o = ToD3(o);
  b.e1 = ToD3(e1);
  b.e2 = ToD3(e2);
  b.w = w;
  b.h = h;
  b.x1 = w;
  b.y1 = h;
  for (int i = 0; i < 3; ++i)
    b.extent = std::max(b.extent, std::fabs(b.o[i]) + std::fabs(b.e1[i]) + std::fabs(b.e2[i]));
  // A texel point is o + e2 * s + e1 * r summed in floats: three roundings
  // of at most kEps times the extent each, and the rounded factors.
  b.point_slack = 4 * kEps * b.extent;
  return b;
}

BlockVerdict ProveBlock(const CasterProof& c, const Vector& light, const TexelBlock& b, bool cover_only,
                        bool* meets) {
  if (!c.usable) return BlockVerdict::kUnknown;
  const D3 l = ToD3(light);
  if (!Finite(l) || !std::isfinite(b.extent)) return BlockVerdict::kUnknown;
  const double sigma_l = Dot(c.n, Sub(l, c.a));
  const double sign = sigma_l > 0 ? 1 : -1;
  if (cover_only) {
    // A quick look first: the ray to the block's middle must meet the triangle.
    const D3 mid = b.At(0.5 * (b.x0 + b.x1), 0.5 * (b.y0 + b.y1));
    const double q_mid = std::fabs(sigma_l) - sign * Dot(c.n, Sub(mid, c.a));
    if (!(q_mid > 0)) return BlockVerdict::kUnknown;
    const double t = std::fabs(sigma_l) / q_mid;
    const D3 h = {l[0] + (mid[0] - l[0]) * t, l[1] + (mid[1] - l[1]) * t, l[2] + (mid[2] - l[2]) * t};
    for (int e = 0; e < 3; ++e)
      if (!(Dot(c.edge_normal[e], h) > c.edge_offset[e])) return BlockVerdict::kUnknown;
  }
  const double l_max = MaxAbs(l);
  // Error of the side tests: the float differences of ClassifyPoint, a texel
  // point's own rounding, and this evaluation in double.
  const double slack_l = 2 * kEps * c.n1 * (c.a_max + l_max) + 1e-300;
  if (!(std::fabs(sigma_l) > slack_l)) return BlockVerdict::kUnknown;  // the light may lie on the plane
  const double slack_c = c.n1 * (b.point_slack + 2 * kEps * (c.a_max + b.extent)) + 1e-300;

  if (!cover_only) {
    // Every texel has a corner on the light's side when the worst texel's best corner has.
    const double gx = sign * Dot(c.n, b.e1), gy = sign * Dot(c.n, b.e2);
    const D3 best = b.At(gx > 0 ? b.x0 + 1 : b.x1 - 1, gy > 0 ? b.y0 + 1 : b.y1 - 1);
    if (sign * Dot(c.n, Sub(best, c.a)) > slack_c) return BlockVerdict::kClear;
  }
  // Covering needs every texel corner behind the plane, seen from the light,
  // and off it by more than the in-plane tolerance (TexelInCasterPlane): the
  // corners lie within b.extent + point_slack of the origin in every
  // coordinate, and the per-texel distance differs from this one by at most
  // slack_c. The corners' distances are affine over the block: its four
  // corners bound them all.
  const double off_plane = slack_c + kInPlaneTolerance * std::max(1.0, b.extent + b.point_slack) * (1 + 1e-9);
  bool behind = true;
  for (int cy : {b.y0, b.y1})
    for (int cx : {b.x0, b.x1})
      behind = behind && sign * Dot(c.n, Sub(b.At(cx, cy), c.a)) < -std::max(slack_c, off_plane);
  if (cover_only) {
    if (!behind) return BlockVerdict::kUnknown;
    if (meets) *meets = true;
  }

  // The rays go through the texel centres, which fill the parallelogram of
  // these four (up to point_slack). Each centre's ray meets the plane at
  // L + (M - L) * t with t = |sigma_l| / q, q = |sigma_l| - sign * sigma(M).
  const double ex[2] = {b.x0 + 0.5, b.x1 - 0.5}, ey[2] = {b.y0 + 0.5, b.y1 - 0.5};
  D3 centre[4];
  double q[4], d2_max = 0, q_min = std::numeric_limits<double>::infinity();
  for (int k = 0; k < 4; ++k) {
    centre[k] = b.At(ex[k & 1], ey[k >> 1]);
    q[k] = std::fabs(sigma_l) - sign * Dot(c.n, Sub(centre[k], c.a));
    q_min = std::min(q_min, q[k]);
    const D3 d = Sub(centre[k], l);
    d2_max = std::max(d2_max, Dot(d, d));
  }
  const double d_max = std::sqrt(d2_max) * (1 + 1e-15) + kSqrt3 * b.point_slack;
  q_min -= c.n1 * b.point_slack;
  // Smallest cosine between a ray and the plane's normal, after the ray
  // direction's own rounding (2.01 float roundings of its angle).
  const double cos_min = q_min / (c.n_length * d_max) - 3 * kEps;
  if (!(cos_min > 1e-9)) return BlockVerdict::kUnknown;  // rays that run along or away from the plane
  const double t_max = (std::fabs(sigma_l) + slack_l) / q_min;
  const double reach = d_max * t_max;  // bounds the light's distance from every hit

  // How far the hit the per-texel test computes can lie from the exact one:
  // z_error along the ray and from rounding the hit (it leaves the plane),
  // the rest from the texel centre's rounding and the rounded ray direction.
  const double den_error = 4 * kEpsD * c.n1 / (cos_min * c.n_length);
  const double z_error =
      reach * (1.01 * kEps + den_error) + den_error * (l_max + c.a_max) + 1.8 * kEps * (2 * reach + l_max);
  const double error = 1.01 * (kSqrt3 * b.point_slack * t_max + 2.1 * kEps * reach) / cos_min + z_error +
                       1e-12 * (l_max + reach + b.extent) + 1e-300;
  if (!std::isfinite(error)) return BlockVerdict::kUnknown;

  D3 hit[4];
  for (int k = 0; k < 4; ++k) {
    const double t = std::fabs(sigma_l) / q[k];
    for (int i = 0; i < 3; ++i) hit[k][i] = l[i] + (centre[k][i] - l[i]) * t;
  }
  double g_min[3], g_max[3];
  for (int e = 0; e < 3; ++e) {
    g_min[e] = std::numeric_limits<double>::infinity();
    g_max[e] = -g_min[e];
    for (const D3& h : hit) {
      const double g = Dot(c.edge_normal[e], h) - c.edge_offset[e];
      g_min[e] = std::min(g_min[e], g);
      g_max[e] = std::max(g_max[e], g);
    }
  }

  if (behind && g_min[0] > error && g_min[1] > error && g_min[2] > error) {
    // Each corner lies at least its altitude minus the hull's reach towards it from every hit.
    double r_min = std::numeric_limits<double>::infinity();
    for (int e = 0; e < 3; ++e) r_min = std::min(r_min, c.altitude[e] - g_max[e] - error);
    const double z = z_error + c.tilt * (c.longest + error);
    if (r_min > 0) {
      const double dcos = kCosineError + 2 * (z / r_min) * (z / r_min);
      double sum = kSumError;
      for (int e = 0; e < 3; ++e) {
        const double h = g_min[e] - error;
        const double x = std::min(1.0, h / c.longest);
        const double near_pi = 2 * x * std::sqrt(1 - x * x);  // sin(2 asin(x))
        sum += dcos / (0.9 * std::min(c.sin_opposite[e], near_pi));
      }
      if (sum <= kInsideBudget) return BlockVerdict::kCovers;
    }
  }
  if (cover_only) return BlockVerdict::kUnknown;

  double far = -1;
  for (int e = 0; e < 3; ++e) {
    const double h = -(g_max[e] + error);
    if (!(h > 0)) continue;
    if (far < 0) {
      double f2 = 0;
      for (const D3& p : hit)
        for (const D3& v : c.corner) {
          const D3 d = Sub(p, v);
          f2 = std::max(f2, Dot(d, d));
        }
      far = std::sqrt(f2) * (1 + 1e-15) + error;
    }
    const double z = z_error + c.tilt * far;
    const double dcos = kCosineError + 2 * (z / h) * (z / h);
    const double shortfall = 4 * std::min(1.0, h / far);  // asin(x) >= x
    if (shortfall >= kOutsideFactor * (0.001 + 3 * 2.3 * std::sqrt(dcos) + kSumError))
      return BlockVerdict::kClear;
  }
  return BlockVerdict::kUnknown;
}

}  // namespace qx

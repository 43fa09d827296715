#pragma once
// Settles the shadow test for a whole block of texels and one caster triangle
// at once, where rounding cannot change the answer of the per-texel test.
//
// The per-texel test (ShadowSearch::Shadowed on one caster) passes the caster
// over when the light and some corner of the texel lie strictly on the same
// side of its plane; otherwise it meets the caster's plane with the ray from
// the light through the texel centre and asks the angle-sum test whether the
// hit lies in the triangle. For a block of texels (a sub-parallelogram of the
// lightmap frame) this works in double precision on the exact frame and bounds
// every rounding the per-texel test makes:
//
// - kClear: no texel of the block can be shadowed by the caster: every texel
//   has a corner clearly on the light's side, or the block lies clearly
//   behind the plane and every ray from the light into it meets the plane
//   clearly outside the triangle.
// - kCovers: every texel of the block is shadowed by it: all corners lie
//   clearly behind the plane, and every ray meets the plane clearly inside
//   the triangle, far enough from its edges that the angle sum is 2 pi to
//   well within its tolerance of 0.001.
// - kUnknown: the per-texel test has to decide.
//
// "Clearly" means by more than the proven bound on the rounding of the
// per-texel arithmetic; see shadow_proof.cpp for the bounds.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "scene/vector.h"

namespace qx {

using D3 = std::array<double, 3>;

inline D3 ToD3(const Vector& v) {
  return {v.x, v.y, v.z};
}
inline D3 Sub(const D3& a, const D3& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline D3 Cross(const D3& a, const D3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double Dot(const D3& a, const D3& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline double Norm(const D3& a) {
  return std::sqrt(Dot(a, a));
}

// A caster triangle in the texel's own plane cannot hide it from a light off
// that plane, yet the ray from the light meets that plane at the texel itself:
// so a caster is passed over when all four corners C of the texel lie in its
// plane, |(q - C) . n| <= 1e-4 * max(1, |C.x|, |C.y|, |C.z|) in double, with q
// the caster's corner V0 and n its normal. (Walls standing back to back.)
constexpr double kInPlaneTolerance = 1e-4;
inline bool TexelInCasterPlane(const Vector& q, const Vector& n, const Vector (&corners)[4]) {
  for (const Vector& c : corners) {
    const double off = (double(q.x) - c.x) * n.x + (double(q.y) - c.y) * n.y + (double(q.z) - c.z) * n.z;
    const double scale =
        std::max({1.0, std::fabs(double(c.x)), std::fabs(double(c.y)), std::fabs(double(c.z))});
    if (!(std::fabs(off) <= kInPlaneTolerance * scale)) return false;
  }
  return true;
}

// What the proofs need to know about one caster triangle, worked out once.
struct CasterProof {
  bool usable = false;  // finite, unit normal, not a sliver: proofs may use it
  D3 a{}, n{};          // plane point (corner V0) and normal, as the per-texel test uses them
  double n1 = 0;        // |n.x| + |n.y| + |n.z|
  double n_length = 0;  // |n|
  double a_max = 0;     // largest |coordinate| of a
  D3 corner[3]{};
  D3 edge_normal[3]{};  // edge e runs from corner e to e + 1: unit, in the triangle's own plane, inwards
  double edge_offset[3]{};
  double altitude[3]{};      // of corner e + 2 over edge e
  double sin_opposite[3]{};  // sine of the angle at corner e + 2
  double longest = 0;        // longest edge
  double tilt = 0;           // angle between n and the triangle's own plane normal, in radians
};

CasterProof MakeCasterProof(const Vector& a, const Vector& b, const Vector& c, const Vector& n);

// A lightmap's texel frame in double, and a block of its texels: grid corners
// cx in [x0, x1], cy in [y0, y1] of a w x h lightmap. `point_slack` bounds,
// per coordinate, how far a texel corner or centre as the baker computes it
// lies from the exact point of the frame.
struct TexelBlock {
  D3 o{}, e1{}, e2{};
  int w = 1, h = 1;
  int x0 = 0, y0 = 0, x1 = 1, y1 = 1;
  double extent = 0;  // largest |o| + |e1| + |e2| over the coordinates: bounds every point of the frame
  double point_slack = 0;
  D3 At(double cx, double cy) const {
    const double s = cx / w, r = cy / h;
    return {o[0] + e1[0] * s + e2[0] * r, o[1] + e1[1] * s + e2[1] * r, o[2] + e1[2] * s + e2[2] * r};
  }
};

// The frame o + e1 * s + e2 * r of a w x h lightmap as a block of all its texels.
TexelBlock WholeLightmap(const Vector& o, const Vector& e1, const Vector& e2, int w, int h);

enum class BlockVerdict { kUnknown, kClear, kCovers };

// With cover_only, only kCovers or kUnknown, sooner; `meets` then tells
// whether the ray to the block's middle meets the caster at all (a caster
// that misses it is no use for a part of the block either, one that meets it
// may well cover a part).
BlockVerdict ProveBlock(const CasterProof& caster, const Vector& light, const TexelBlock& block,
                        bool cover_only = false, bool* meets = nullptr);

}  // namespace qx

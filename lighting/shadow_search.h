#pragma once
// Finds the triangles that can shadow a texel without testing every triangle
// of the scene, and runs the exact shadow test on them.
//
// The exact test for a caster triangle T, a light L and a texel with corners
// C00..C11 is: T is passed over when the light and some corner lie strictly on
// the same side of T's plane; otherwise the ray from L through the texel centre
// meets the plane at H, and the texel is shadowed when the angle-sum test puts
// H inside T. The search only ever leaves out triangles for which that test
// provably fails, using two facts:
//
// 1. The angle-sum test accepts a point only within 0.101 * s of T, where s is
//    T's longest edge: the three directions from the point to the corners span
//    a spherical triangle whose perimeter must come within 0.001 (plus at most
//    0.0018 of float error) of 2 pi, which keeps all three within 0.036 rad of a
//    great circle. Every caster's box is therefore T's bounding box grown by
//    0.125 * s (and by the rounding allowance below).
// 2. When the light lies clearly off T's plane (farther than `near_limit`, a
//    bound on every rounding error of the side tests, the ray direction and the
//    texel points), a caster that survives the side test is met by the ray at a
//    parameter between 0 and 1.02 times the texel's distance. So H lies in the
//    pyramid from the light to the lit triangle's texel parallelogram, scaled
//    by 1.02 about the light. Casters whose plane passes within `near_limit` of
//    the light are always tested, as are casters with non-finite or odd data.

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "lighting/shadow_proof.h"
#include "scene/node.h"

namespace qx {

struct Caster {
  Vector a, b, c;        // corners V0, V1, V2; a is also the plane point of the side tests
  Vector n;              // the triangle's Normal
  uint32_t owner = 0;    // Id of the node it belongs to
  bool regular = false;  // finite corners and a unit normal: the box and near rules apply
  float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};  // grown box (regular casters only)
};

struct ShadowCandidate {
  const Caster* caster;
  float side_light;  // ClassifyPoint of the light against the caster's plane
  uint32_t index;    // of the caster in the search
};

class ShadowSearch {
 public:
  // polygons: the polygon list in tree order; lights: the light list.
  // frame_extent: the largest |O| + |E1| + |E2| per coordinate over the texel
  // frames of the lit triangles (it bounds every texel point).
  ShadowSearch(const std::vector<TSector*>& polygons, const std::vector<TSector*>& lights,
               double frame_extent);

  // The casters that may shadow a texel of a triangle of node `owner` (by Id)
  // lit by light `light_index`, whose texels fill the parallelogram o + [0,1] e1 + [0,1] e2.
  void Candidates(size_t light_index, uint32_t owner, const Vector& o, const Vector& e1, const Vector& e2,
                  std::vector<ShadowCandidate>& out) const;

  // The exact shadow test over a candidate list; u is the unit direction from
  // the light towards the texel centre. `hint` names the candidate to try
  // first and is set to the one that casts the shadow.
  static bool Shadowed(const std::vector<ShadowCandidate>& candidates, const Vector& light, const Vector& u,
                       const Vector (&corners)[4], size_t& hint);
  // The exact test on one caster.
  static bool CastsShadow(const ShadowCandidate& candidate, const Vector& light, const Vector& u,
                          const Vector (&corners)[4]);

  // The casters whose triangle the segment from light `light_index` to
  // `target` passes through, nearest the light first, at most `limit` of
  // them, none of node `owner`. A plain double-precision search: it only
  // suggests casters for ProveBlock, which decides.
  void CastersOnSegment(size_t light_index, const D3& target, uint32_t owner, size_t limit,
                        std::vector<std::pair<double, uint32_t>>& out) const;

  // Takes a light's new numbers, as if built with them; false (nothing
  // changed) when a search built anew would differ elsewhere too.
  bool UpdateLight(size_t index, const TSector& light);

  size_t CasterCount() const { return casters_.size(); }
  const Caster& CasterAt(uint32_t i) const { return casters_[i]; }
  const CasterProof& Proof(uint32_t i) const { return proofs_[i]; }

 private:
  struct Node {
    float lo[3], hi[3];
    uint32_t first;  // leaf: first caster in order_; inner: index of the left child (right = left + 1)
    uint32_t count;  // leaf: number of casters; inner: 0
  };
  struct LightInfo {
    Vector position;
    bool searchable = false;     // finite and in a scene of sane size: the pyramid rule applies
    std::vector<uint32_t> near;  // regular casters whose plane passes close to the light
  };

  struct Plane {
    Vector n;
    double d;
    uint32_t begin, end;  // into keyed_
  };

  void Build(uint32_t node, uint32_t begin, uint32_t end, int depth);
  void FillLight(LightInfo& info, const TSector& light, std::vector<uint32_t>& at) const;

  std::vector<Caster> casters_;
  std::vector<CasterProof> proofs_;  // parallel to casters_
  std::vector<uint32_t> order_;      // caster indices, leaves of the tree point into it
  std::vector<uint32_t> irregular_;  // always tested
  std::vector<Node> nodes_;
  std::vector<LightInfo> lights_;
  // The casters' planes (casters sharing a plane to the bit in a run of keyed_).
  std::vector<std::pair<std::array<uint32_t, 5>, uint32_t>> keyed_;  // plane bits, position in order_
  std::vector<Plane> planes_;
  double extent_ = 0;      // bounds every coordinate the tests see
  double near_limit_ = 0;  // closer plane distances than this get no pyramid culling
  bool searchable_ = false;
};

}  // namespace qx

#pragma once
// The lights of a scene grouped by position, so that the share of many far
// lights at a block of texels (or at a vertex) can be bounded at once instead
// of light by light.
//
// Each group knows the box of its lights' positions and their summed
// "weights" per colour channel: strength (|Brightness * Range|) times colour
// for its point lights, split into those without "Schatten" (which light a
// texel from either side and are never shadowed) and all of them, and the
// summed colour of its directional lights. For points whose distance to the
// box lies in [dmin, dmax], the plain computation's share of a point light is
// strength * colour / dist^2 with dist within [dmin, dmax] (up to rounding), so
//
//   least = w_unshadowed / dmax^2            (a light with "Schatten" may be hidden: 0)
//   most  = w_all / dmin^2 + directional colours
//
// and for vertex colours (no shadows, directional lights always add their
// colour) the same times the vertex factor, with the directional colours in
// the least too. The rounding of the plain computation's share, a few float
// roundings of the distance and double roundings of the quotient, stays far
// below the relative slack the users of these bounds allow (see
// texel_lighting.cpp).
//
// Only lights with sane numbers and no negative colour channel are grouped;
// the others are always summed one by one.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/node.h"

namespace qx {

// With more lights the rounding bounds of the sums do not hold: every light is
// summed one by one, in light order.
inline constexpr size_t kMaxGroupedLights = 1000000;

// A group's share over a box of points, per colour channel, before slack.
struct ShareBounds {
  bool usable = false;  // the box keeps clear of the lights: the bounds below hold
  double least[3] = {0, 0, 0}, most[3] = {0, 0, 0};
  double peak_most = 0;  // bounds the sum over the channels' largest share (SumBound's measure)
  // What opening the group could gain: the part of most - least that shrinks
  // with distance, and the part that only deciding lights one by one removes.
  double spread = 0, fixed = 0;
  // The same for the least alone (what raising the least towards a ceiling could gain).
  double least_spread = 0, least_fixed = 0;
};

class LightTree {
 public:
  struct Node {
    double box_lo[3], box_hi[3];
    double w_free[3] = {0, 0, 0};  // point lights without shadow: strength * colour
    double w_all[3] = {0, 0, 0};   // all point lights
    double w_peak = 0;             // all point lights: strength * largest channel
    double dir[3] = {0, 0, 0};     // directional lights: colour
    double dir_peak = 0;
    uint32_t first = 0, count = 0;  // the lights are Members()[first, first + count)
    int32_t child[2] = {-1, -1};
  };

  // Groups the lights that qualify; `group` false groups none (every light is single).
  LightTree(const std::vector<TSector*>& lights, bool group);

  int32_t Root() const { return nodes_.empty() ? -1 : 0; }
  const Node& At(int32_t node) const { return nodes_[size_t(node)]; }
  bool IsLeaf(int32_t node) const { return nodes_[size_t(node)].count == 1; }
  uint32_t LeafLight(int32_t node) const { return members_[nodes_[size_t(node)].first]; }
  // Lights summed one by one always, in list order.
  const std::vector<uint32_t>& Singles() const { return singles_; }

  // Bounds of the group's summed share at any point of the box [lo, hi]; for
  // vertex colours with `vertex`.
  ShareBounds Bounds(int32_t node, const double (&lo)[3], const double (&hi)[3], bool vertex) const;

  // A cut through the tree for the points of the box [lo, hi]: from the
  // root, the groups whose bounds over the box are widest are opened, up to
  // `limit` entries. Every grouped light lies in exactly one entry. A start
  // for the texels of that box: their own cuts open from here on.
  void StartCut(const double (&lo)[3], const double (&hi)[3], size_t limit, std::vector<int32_t>& out) const;

 private:
  int32_t Build(uint32_t begin, uint32_t end, const std::vector<TSector*>& lights);

  std::vector<Node> nodes_;
  std::vector<uint32_t> members_;
  std::vector<uint32_t> singles_;
};

}  // namespace qx

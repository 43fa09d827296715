#include "commands/room_outline.h"

#include <algorithm>
#include <cmath>

namespace qx {

namespace {

double Cross(PlanPoint o, PlanPoint a, PlanPoint b) {
  return (a.x - o.x) * (b.z - o.z) - (a.z - o.z) * (b.x - o.x);
}

int Sign(double v) {
  return (v > 0) - (v < 0);
}

bool OnSegment(PlanPoint a, PlanPoint b, PlanPoint p) {
  return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.z, b.z) <= p.z &&
         p.z <= std::max(a.z, b.z);
}

// Whether the closed segments a-b and c-d have any point in common.
bool SegmentsTouch(PlanPoint a, PlanPoint b, PlanPoint c, PlanPoint d) {
  const int d1 = Sign(Cross(c, d, a)), d2 = Sign(Cross(c, d, b));
  const int d3 = Sign(Cross(a, b, c)), d4 = Sign(Cross(a, b, d));
  if (d1 * d2 < 0 && d3 * d4 < 0) return true;
  return (d1 == 0 && OnSegment(c, d, a)) || (d2 == 0 && OnSegment(c, d, b)) ||
         (d3 == 0 && OnSegment(a, b, c)) || (d4 == 0 && OnSegment(a, b, d));
}

void SortMerge(std::vector<double>& v, double eps) {
  std::sort(v.begin(), v.end());
  std::vector<double> out;
  for (double c : v)
    if (out.empty() || c - out.back() > eps) out.push_back(c);
  v = std::move(out);
}

// A piece's lower or upper side within a slab: an outline edge or a cut line.
struct Side {
  int edge = -1;  // outline edge index, or -1 for the line z = c
  double c = 0;
};

}  // namespace

std::vector<PlanPoint> TidyOutline(const std::vector<PlanPoint>& outline) {
  std::vector<PlanPoint> out;
  for (const PlanPoint& p : outline)
    if (out.empty() || !(out.back() == p)) out.push_back(p);
  while (out.size() > 1 && out.back() == out.front()) out.pop_back();
  return out;
}

double SignedArea2(const std::vector<PlanPoint>& outline) {
  double a = 0;
  for (size_t i = 0, n = outline.size(); i < n; ++i) {
    const PlanPoint &p = outline[i], &q = outline[(i + 1) % n];
    a += p.x * q.z - q.x * p.z;
  }
  return a;
}

std::string CheckOutline(const std::vector<PlanPoint>& outline) {
  const size_t n = outline.size();
  if (n < 3) return kRoomTooFewCorners;
  for (size_t i = 0; i < n; ++i) {
    const PlanPoint a = outline[i], b = outline[(i + 1) % n], c = outline[(i + 2) % n];
    // Neighbouring edges meet only at their shared corner: one turning back
    // along the other overlaps it.
    if (n > 3 && Cross(a, b, c) == 0 && (b.x - a.x) * (c.x - b.x) + (b.z - a.z) * (c.z - b.z) < 0)
      return kRoomCrossing;
    for (size_t j = i + 2; j < n; ++j) {
      if ((j + 1) % n == i) continue;  // edge j ends where edge i starts
      if (SegmentsTouch(a, b, outline[j], outline[(j + 1) % n])) return kRoomCrossing;
    }
  }
  double extent = 1;
  for (const PlanPoint& p : outline) extent = std::max({extent, std::abs(p.x), std::abs(p.z)});
  if (std::abs(SignedArea2(outline)) <= 1e-9 * extent * extent) return kRoomNoArea;
  return {};
}

bool InsideOutline(const std::vector<PlanPoint>& outline, PlanPoint p) {
  bool inside = false;
  for (size_t i = 0, n = outline.size(), j = n - 1; i < n; j = i++) {
    const PlanPoint &a = outline[i], &b = outline[j];
    if ((a.z > p.z) != (b.z > p.z) && p.x < (b.x - a.x) * (p.z - a.z) / (b.z - a.z) + a.x) inside = !inside;
  }
  return inside;
}

std::vector<std::vector<PlanPoint>> CutFloorPlan(const std::vector<PlanPoint>& outline, double tile) {
  const size_t n = outline.size();
  double min_x = outline[0].x, max_x = min_x, min_z = outline[0].z, max_z = min_z;
  for (const PlanPoint& p : outline) {
    min_x = std::min(min_x, p.x), max_x = std::max(max_x, p.x);
    min_z = std::min(min_z, p.z), max_z = std::max(max_z, p.z);
  }
  const double eps =
      1e-9 * std::max({1.0, std::abs(min_x), std::abs(max_x), std::abs(min_z), std::abs(max_z)});

  std::vector<double> zs, xs;
  for (const PlanPoint& p : outline) zs.push_back(p.z), xs.push_back(p.x);
  if (tile > 0) {
    for (double k = std::floor(min_z / tile) + 1; k * tile < max_z; ++k) zs.push_back(k * tile);
    for (double k = std::floor(min_x / tile) + 1; k * tile < max_x; ++k) xs.push_back(k * tile);
  }
  SortMerge(zs, eps);
  const auto edge_z = [&](size_t e, double x) {
    const PlanPoint a = outline[e], b = outline[(e + 1) % n];
    if (x == a.x) return a.z;
    if (x == b.x) return b.z;
    return a.z + (x - a.x) * (b.z - a.z) / (b.x - a.x);
  };
  for (size_t e = 0; e < n; ++e) {
    const PlanPoint a = outline[e], b = outline[(e + 1) % n];
    if (a.x == b.x || a.z == b.z) continue;
    for (double c : zs)
      if (c > std::min(a.z, b.z) + eps && c < std::max(a.z, b.z) - eps)
        xs.push_back(a.x + (c - a.z) * (b.x - a.x) / (b.z - a.z));
  }
  SortMerge(xs, eps);

  std::vector<std::vector<PlanPoint>> pieces;
  for (size_t s = 0; s + 1 < xs.size(); ++s) {
    const double xa = xs[s], xb = xs[s + 1], xm = 0.5 * (xa + xb);
    std::vector<std::pair<double, size_t>> crossing;  // z at the slab's middle, edge
    for (size_t e = 0; e < n; ++e) {
      const PlanPoint a = outline[e], b = outline[(e + 1) % n];
      if (std::min(a.x, b.x) < xm && xm < std::max(a.x, b.x)) crossing.push_back({edge_z(e, xm), e});
    }
    std::sort(crossing.begin(), crossing.end());
    for (size_t k = 0; k + 1 < crossing.size(); k += 2) {
      const double lo = crossing[k].first, hi = crossing[k + 1].first;
      std::vector<Side> sides{{int(crossing[k].second), 0}};
      for (double c : zs)
        if (c > lo + eps && c < hi - eps) sides.push_back({-1, c});
      sides.push_back({int(crossing[k + 1].second), 0});
      const auto at = [&](const Side& side, double x) {
        return side.edge < 0 ? side.c : edge_z(side.edge, x);
      };
      for (size_t i = 0; i + 1 < sides.size(); ++i) {
        const Side &b0 = sides[i], &b1 = sides[i + 1];
        const PlanPoint a0{xa, at(b0, xa)}, a1{xa, std::max(at(b0, xa), at(b1, xa))};
        const PlanPoint c0{xb, at(b0, xb)}, c1{xb, std::max(at(b0, xb), at(b1, xb))};
        const bool left_point = a1.z - a0.z <= eps, right_point = c1.z - c0.z <= eps;
        if (left_point && right_point) continue;
        const auto mid = [](PlanPoint p, PlanPoint q) {
          return PlanPoint{0.5 * (p.x + q.x), 0.5 * (p.z + q.z)};
        };
        // A triangle takes its fourth corner on a side that runs along the
        // outline, as the second corner: the quad's diagonal (second to
        // fourth corner) then starts there, and neither of its two triangles
        // has three corners on one line.
        if (left_point) {
          const PlanPoint apex = a0;
          if (b0.edge >= 0)
            pieces.push_back({apex, mid(apex, c0), c0, c1});
          else
            pieces.push_back({c1, mid(c1, apex), apex, c0});
        } else if (right_point) {
          const PlanPoint apex = c0;
          if (b0.edge >= 0)
            pieces.push_back({a0, mid(a0, apex), apex, a1});
          else
            pieces.push_back({apex, mid(apex, a1), a1, a0});
        } else {
          pieces.push_back({a0, c0, c1, a1});
        }
      }
    }
  }
  return pieces;
}

}  // namespace qx

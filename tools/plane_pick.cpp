#include "tools/plane_pick.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_set>

namespace qx {

namespace {

bool IsQuadLike(const TSector* n) {
  return n->NodeType == kPolygon || n->NodeType == kPortal;
}

bool ValidIndex(const TSector* n, int32_t i) {
  return i >= 0 && static_cast<size_t>(i) < n->Vertices.size();
}

double Distance(const PixelPoint& a, double x, double y) {
  return std::hypot(a.x - x, a.y - y);
}

// A node's corners in the view, and which of them make its faces and outline.
struct Projected {
  std::vector<PixelPoint> p;
  std::vector<double> depth;
  std::vector<std::array<int, 3>> triangles;
  std::vector<std::array<int, 2>> edges;
};

bool Project(const PlaneView& view, const TSector* n, Projected& out) {
  const size_t count = n->Vertices.size();
  out.p.resize(count);
  out.depth.resize(count);
  for (size_t i = 0; i < count; ++i) {
    out.p[i] = view.ToPixel(n->Vertices[i].Position);
    out.depth[i] = view.Depth(n->Vertices[i].Position);
  }
  out.triangles.clear();
  out.edges.clear();
  if (n->NodeType == kPolygon) {
    if (count < 4) return false;
    out.triangles = {{0, 1, 2}, {3, 2, 1}};
    out.edges = {{0, 1}, {1, 3}, {3, 2}, {2, 0}};
  } else if (n->NodeType == kPortal) {
    if (count < 2) return false;
    for (int i = 1; i + 1 < static_cast<int>(count); ++i) out.triangles.push_back({0, i, i + 1});
    for (int i = 0; i < static_cast<int>(count); ++i)
      out.edges.push_back({i, (i + 1) % static_cast<int>(count)});
  } else if (n->NodeType == kModel) {
    const size_t triangles = std::min<size_t>(n->TriangleCount, n->Triangles.size());
    for (size_t t = 0; t < triangles; ++t) {
      const TTriangle& tri = n->Triangles[t];
      // A corner outside the vertex array (a damaged file) drops its triangle.
      if (!ValidIndex(n, tri.V0) || !ValidIndex(n, tri.V1) || !ValidIndex(n, tri.V2)) continue;
      out.triangles.push_back({tri.V0, tri.V1, tri.V2});
      out.edges.push_back({tri.V0, tri.V1});
      out.edges.push_back({tri.V1, tri.V2});
      out.edges.push_back({tri.V2, tri.V0});
    }
  }
  return !out.triangles.empty() || !out.edges.empty();
}

// The nearest depth at (x, y) of the faces and outlines of a projected node.
bool HitSurface(const Projected& s, double x, double y, double* depth) {
  bool hit = false;
  double best = -INFINITY;
  for (const auto& t : s.triangles) {
    const PixelPoint &a = s.p[t[0]], &b = s.p[t[1]], &c = s.p[t[2]];
    const double area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    if (!(std::fabs(area) > 1e-9)) continue;  // seen edge on: the outline test covers it
    const double wb = ((x - a.x) * (c.y - a.y) - (c.x - a.x) * (y - a.y)) / area;
    const double wc = ((b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y)) / area;
    const double wa = 1 - wb - wc;
    constexpr double kEps = -1e-9;
    if (wa < kEps || wb < kEps || wc < kEps) continue;
    const double d = wa * s.depth[t[0]] + wb * s.depth[t[1]] + wc * s.depth[t[2]];
    if (d > best) best = d;
    hit = true;
  }
  for (const auto& e : s.edges) {
    const PixelPoint &a = s.p[e[0]], &b = s.p[e[1]];
    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    if (std::hypot(a.x + t * dx - x, a.y + t * dy - y) > kPlaneEdgePick) continue;
    const double d = s.depth[e[0]] + t * (s.depth[e[1]] - s.depth[e[0]]);
    if (d > best) best = d;
    hit = true;
  }
  *depth = best;
  return hit;
}

// Whether (x, y) can touch the node at all: its corners' box, widened by the pick distance.
bool NearBox(const Projected& s, double x, double y) {
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  for (const PixelPoint& p : s.p) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
  return x >= x0 - kPlaneEdgePick && x <= x1 + kPlaneEdgePick && y >= y0 - kPlaneEdgePick &&
         y <= y1 + kPlaneEdgePick;
}

void SortNearestFirst(std::vector<PlaneHit>& hits) {
  std::stable_sort(hits.begin(), hits.end(),
                   [](const PlaneHit& a, const PlaneHit& b) { return a.depth > b.depth; });
}

}  // namespace

bool IsPlanePointNode(const TSector* n) {
  return n->NodeType == kLight || n->NodeType == kParticleSystem || n->NodeType == kActor ||
         n->NodeType == kCheckpoint;
}

bool ShownInPlane(const TSector* n, const ViewOptions& o) {
  return ShownByViewOptions(n->NodeType, n->Visible != 0, o);
}

std::vector<PlaneHit> NodesAt(const Editor& e, const PlaneView& view, const ViewOptions& o, double x,
                              double y) {
  std::vector<PlaneHit> hits;
  Projected s;
  e.Tree.Walk([&](TSector* n) {
    if (!ShownInPlane(n, o)) return;
    if (IsPlanePointNode(n)) {
      if (Distance(view.ToPixel(n->Position), x, y) <= kPlaneSymbolPick)
        hits.push_back({n, -1, view.Depth(n->Position)});
      return;
    }
    if (!Project(view, n, s) || !NearBox(s, x, y)) return;
    double depth = 0;
    if (HitSurface(s, x, y, &depth)) hits.push_back({n, -1, depth});
  });
  SortNearestFirst(hits);
  return hits;
}

bool HandlesShown(const Editor& e, const ViewOptions& o) {
  return e.VertexMode && o.ShowMarkers;
}

std::vector<TSector*> HandleNodes(const Editor& e, const ViewOptions& o) {
  std::vector<TSector*> nodes;
  if (!HandlesShown(e, o)) return nodes;
  std::unordered_set<const TSector*> seen;
  for (TSector* n : e.SelectionList)
    if (IsQuadLike(n) && ShownInPlane(n, o) && seen.insert(n).second) nodes.push_back(n);
  return nodes;
}

std::vector<PlaneHit> HandlesAt(const Editor& e, const PlaneView& view, const ViewOptions& o, double x,
                                double y) {
  std::vector<PlaneHit> hits;
  for (TSector* n : HandleNodes(e, o))
    for (size_t i = 0; i < n->Vertices.size(); ++i) {
      const Vector& p = n->Vertices[i].Position;
      if (Distance(view.ToPixel(p), x, y) <= kPlaneHandlePick)
        hits.push_back({n, static_cast<int>(i), view.Depth(p)});
    }
  SortNearestFirst(hits);
  return hits;
}

bool PixelRect::Contains(const PixelPoint& p) const {
  return p.x >= std::min(x0, x1) && p.x <= std::max(x0, x1) && p.y >= std::min(y0, y1) &&
         p.y <= std::max(y0, y1);
}

std::vector<TSector*> NodesInRect(const Editor& e, const PlaneView& view, const ViewOptions& o,
                                  const PixelRect& r) {
  std::vector<TSector*> inside;
  e.Tree.Walk([&](TSector* n) {
    if (!ShownInPlane(n, o)) return;
    if (IsPlanePointNode(n)) {
      if (r.Contains(view.ToPixel(n->Position))) inside.push_back(n);
      return;
    }
    if (n->Vertices.empty()) return;
    for (const TVertex& v : n->Vertices)
      if (!r.Contains(view.ToPixel(v.Position))) return;
    inside.push_back(n);
  });
  return inside;
}

std::vector<std::pair<TSector*, int>> HandlesInRect(const Editor& e, const PlaneView& view,
                                                    const ViewOptions& o, const PixelRect& r) {
  std::vector<std::pair<TSector*, int>> inside;
  for (TSector* n : HandleNodes(e, o))
    for (size_t i = 0; i < n->Vertices.size(); ++i)
      if (r.Contains(view.ToPixel(n->Vertices[i].Position))) inside.emplace_back(n, static_cast<int>(i));
  return inside;
}

bool CameraMarkerAt(const Editor& e, const PlaneView& view, double x, double y) {
  return Distance(view.ToPixel(e.CameraPosition), x, y) <= kPlaneCameraPick;
}

}  // namespace qx

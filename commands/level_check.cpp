#include "commands/level_check.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <unordered_set>
#include <utility>

#include "document/document.h"
#include "models/md2.h"
#include "scene/cp1252.h"

namespace qx {

namespace {

// ---- Geometry in double precision ----

struct V3 {
  double x = 0, y = 0, z = 0;
};
V3 D(const Vector& v) {
  return {v.x, v.y, v.z};
}
V3 operator+(V3 a, V3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
double Dot(V3 a, V3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(V3 a) {
  return std::sqrt(Dot(a, a));
}
V3 Unit(V3 a) {
  const double l = Length(a);
  return l > 0 ? a * (1.0 / l) : V3{};
}
double Axis(V3 a, int i) {
  return i == 0 ? a.x : i == 1 ? a.y : a.z;
}
bool Finite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

struct Box3 {
  V3 min{1e300, 1e300, 1e300}, max{-1e300, -1e300, -1e300};
  bool empty = true;
  void Add(V3 p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
    empty = false;
  }
  void Add(const Box3& b) {
    if (b.empty) return;
    Add(b.min);
    Add(b.max);
  }
  bool Contains(V3 p, double tol) const {
    return !empty && p.x >= min.x - tol && p.x <= max.x + tol && p.y >= min.y - tol && p.y <= max.y + tol &&
           p.z >= min.z - tol && p.z <= max.z + tol;
  }
  bool Overlaps(const Box3& b, double tol) const {
    return !empty && !b.empty && b.min.x <= max.x + tol && b.max.x >= min.x - tol && b.min.y <= max.y + tol &&
           b.max.y >= min.y - tol && b.min.z <= max.z + tol && b.max.z >= min.z - tol;
  }
  V3 Center() const { return (min + max) * 0.5; }
  // Grown by `by` each way: a query box that also finds what lies just across a cell's border.
  Box3 Grown(double by) const {
    Box3 b = *this;
    if (!empty) b.min = min - V3{by, by, by}, b.max = max + V3{by, by, by};
    return b;
  }
};

// Closest point of triangle abc to p (the regions of the triangle's Voronoi diagram).
V3 ClosestOnTriangle(V3 p, V3 a, V3 b, V3 c) {
  const V3 ab = b - a, ac = c - a, ap = p - a;
  const double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return a;
  const V3 bp = p - b;
  const double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return b;
  const double vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + ab * (d1 / (d1 - d3));
  const V3 cp = p - c;
  const double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return c;
  const double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + ac * (d2 / (d2 - d6));
  const double va = d3 * d6 - d5 * d4;
  if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
  const double denom = 1.0 / (va + vb + vc);
  return a + ab * (vb * denom) + ac * (vc * denom);
}

// A usable quad: four finite corners that make two triangles with area.
struct Quad {
  const TSector* node = nullptr;
  std::array<V3, 4> p;
  V3 n;       // unit normal, by the diagonals (the side the quad's triangles face)
  V3 center;  // mean of the corners
  Box3 box;
  bool lit = false;
};

// The quad's perimeter runs v0, v1, v3, v2; its triangles are (0, 1, 2) and (3, 2, 1).
constexpr int kQuadEdges[4][2] = {{0, 1}, {1, 3}, {3, 2}, {2, 0}};
constexpr int kQuadTriangles[2][3] = {{0, 1, 2}, {3, 2, 1}};

double TriangleHeight(V3 a, V3 b, V3 c) {
  const double area2 = Length(Cross(b - a, c - a));
  const double longest = std::max({Length(b - a), Length(c - b), Length(a - c)});
  return longest > 0 ? area2 / longest : 0;
}

bool AllFinite(const TSector* n) {
  for (const TVertex& v : n->Vertices)
    if (!Finite(v.Position)) return false;
  return true;
}

bool IsQuadRecord(const TSector* n) {
  return n->NodeType == kPolygon && n->Kind == 0;
}

// Fills q when the node is a quad that can be measured; false for a degenerate one.
bool MakeQuad(const TSector* n, Quad& q) {
  if (!IsQuadRecord(n) || n->Vertices.size() != 4 || !AllFinite(n)) return false;
  q.node = n;
  for (int i = 0; i < 4; ++i) q.p[size_t(i)] = D(n->Vertices[size_t(i)].Position);
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j)
      if (Length(q.p[size_t(i)] - q.p[size_t(j)]) < kCheckSamePoint) return false;
  for (const auto& t : kQuadTriangles)
    if (TriangleHeight(q.p[size_t(t[0])], q.p[size_t(t[1])], q.p[size_t(t[2])]) < kCheckSamePoint)
      return false;
  const V3 n3 = Cross(q.p[3] - q.p[0], q.p[2] - q.p[1]);
  if (!(Length(n3) > 0) || !std::isfinite(Length(n3))) return false;
  q.n = Unit(n3);
  q.center = (q.p[0] + q.p[1] + q.p[2] + q.p[3]) * 0.25;
  for (const V3& c : q.p) q.box.Add(c);
  q.lit = n->Visible != 0 && n->LightingMode != 2;
  return true;
}

double QuadDistance(const Quad& q, V3 p) {
  double best = 1e300;
  for (const auto& t : kQuadTriangles)
    best = std::min(
        best, Length(p - ClosestOnTriangle(p, q.p[size_t(t[0])], q.p[size_t(t[1])], q.p[size_t(t[2])])));
  return best;
}

// ---- A uniform grid of boxes, for the searches across many quads ----

class BoxGrid {
 public:
  explicit BoxGrid(double cell) : cell_(cell > 0 ? cell : 1) {}
  void Insert(int item, const Box3& b) {
    if (b.empty) return;
    if (item >= int(seen_.size())) seen_.resize(size_t(item) + 1, 0);
    const Key lo = KeyOf(b.min), hi = KeyOf(b.max);
    const int64_t cells = (hi.x - lo.x + 1) * (hi.y - lo.y + 1) * (hi.z - lo.z + 1);
    if (cells > 512 || cells <= 0) {  // huge items are tried by every query
      big_.push_back(item);
      return;
    }
    for (int64_t x = lo.x; x <= hi.x; ++x)
      for (int64_t y = lo.y; y <= hi.y; ++y)
        for (int64_t z = lo.z; z <= hi.z; ++z) cells_.push_back({Pack({x, y, z}), item});
    sorted_ = false;
  }
  // Calls visit(item) once for each item whose cells meet the box.
  template <typename Fn>
  void Query(const Box3& b, Fn&& visit) {
    if (!sorted_) {
      std::sort(cells_.begin(), cells_.end());
      sorted_ = true;
    }
    ++stamp_;
    for (int i : big_) visit(i);
    if (b.empty) return;
    const Key lo = KeyOf(b.min), hi = KeyOf(b.max);
    const int64_t cells = (hi.x - lo.x + 1) * (hi.y - lo.y + 1) * (hi.z - lo.z + 1);
    if (cells > 4096 || cells <= 0) {  // a query over most of the level: every item
      for (const auto& [k, i] : cells_) Visit(i, visit);
      return;
    }
    for (int64_t x = lo.x; x <= hi.x; ++x)
      for (int64_t y = lo.y; y <= hi.y; ++y)
        for (int64_t z = lo.z; z <= hi.z; ++z) {
          const uint64_t key = Pack({x, y, z});
          auto it = std::lower_bound(cells_.begin(), cells_.end(), std::pair<uint64_t, int>{key, INT32_MIN});
          for (; it != cells_.end() && it->first == key; ++it) Visit(it->second, visit);
        }
  }

 private:
  struct Key {
    int64_t x, y, z;
  };
  template <typename Fn>
  void Visit(int i, Fn& visit) {
    if (seen_[size_t(i)] == stamp_) return;
    seen_[size_t(i)] = stamp_;
    visit(i);
  }
  Key KeyOf(V3 p) const {
    auto k = [&](double v) {
      const double c = std::floor(v / cell_);
      return static_cast<int64_t>(std::clamp(c, -1e6, 1e6));
    };
    return {k(p.x), k(p.y), k(p.z)};
  }
  static uint64_t Pack(Key k) {
    return (uint64_t(k.x + (1 << 20)) << 42) ^ (uint64_t(k.y + (1 << 20)) << 21) ^ uint64_t(k.z + (1 << 20));
  }
  double cell_;
  std::vector<std::pair<uint64_t, int>> cells_;
  bool sorted_ = true;
  std::vector<int> big_;
  std::vector<uint32_t> seen_;
  uint32_t stamp_ = 0;
};

// ---- Texts ----

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  std::string s = buf;
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  for (char& c : s)
    if (c == '.') c = ',';
  return s;
}

Finding Make(Severity severity, const char* code, std::string text, std::vector<const TSector*> nodes,
             FixKind fix = FixKind::kNone) {
  Finding f;
  f.severity = severity;
  f.code = code;
  f.text = std::move(text);
  for (const TSector* n : nodes) f.ids.push_back(n ? n->Id : 0);
  f.nodes = std::move(nodes);
  f.fix = fix;
  return f;
}

// ---- One walk over the tree: rooms, members and boxes ----

class Scan {
 public:
  std::vector<TSector*> order;             // pre-order
  std::vector<const TSector*> room_order;  // rooms in tree order; null first when it has members

  explicit Scan(const SceneTree& tree) {
    // Pre-order with each node's parent index, without a lookup per node.
    std::vector<std::pair<TSector*, int>> stack;
    for (auto it = tree.TopLevel().rbegin(); it != tree.TopLevel().rend(); ++it)
      stack.push_back({it->get(), -1});
    while (!stack.empty()) {
      auto [n, parent] = stack.back();
      stack.pop_back();
      const int self = int(order.size());
      order.push_back(n);
      parent_.push_back(parent);
      for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it) stack.push_back({it->get(), self});
    }
    index_.reserve(order.size());
    for (size_t i = 0; i < order.size(); ++i) index_.push_back({order[i], int(i)});
    std::sort(index_.begin(), index_.end());

    std::vector<uint8_t> root(order.size(), 0);
    for (size_t i = 0; i < order.size(); ++i) {
      const TSector* n = order[i];
      if (n->NodeType == kSector && parent_[i] < 0) root[i] = 1;
      if (n->NodeType != kPortal) continue;
      if (parent_[i] >= 0 && order[size_t(parent_[i])]->NodeType == kSector) root[size_t(parent_[i])] = 1;
      if (const TSector* l = LinkOf(n)) root[size_t(Index(l))] = 1;
    }
    room_.assign(order.size(), -1);
    room_number_.assign(order.size(), -1);
    std::vector<int> null_members;
    for (size_t i = 0; i < order.size(); ++i) {
      const TSector* n = order[i];
      if (n->NodeType == kSector && root[i]) {
        room_[i] = int(i);
        room_number_[i] = int(members_.size());
        members_.emplace_back();
        room_order.push_back(n);
      } else if (parent_[i] >= 0) {
        room_[i] = room_[size_t(parent_[i])];
      }
      if (n->NodeType == kSector) continue;
      if (room_[i] >= 0)
        members_[size_t(room_number_[size_t(room_[i])])].push_back(n);
      else
        null_members.push_back(int(i));
    }
    if (!null_members.empty()) {
      room_order.insert(room_order.begin(), nullptr);
      for (int i : null_members) null_room_.push_back(order[size_t(i)]);
    }
    box_.assign(order.size(), Box3{});
    for (size_t k = order.size(); k-- > 0;) {
      const TSector* n = order[k];
      if (n->NodeType == kPolygon || n->NodeType == kModel)
        for (const TVertex& v : n->Vertices)
          if (Finite(v.Position)) box_[k].Add(D(v.Position));
      if (parent_[k] >= 0) box_[size_t(parent_[k])].Add(box_[k]);
    }
  }

  // Position in `order`, or -1 for a record that is not in the tree (never followed).
  int Index(const TSector* n) const {
    auto it = std::lower_bound(index_.begin(), index_.end(), std::pair<const TSector*, int>{n, -1});
    return it != index_.end() && it->first == n ? it->second : -1;
  }
  bool Live(const TSector* n) const { return Index(n) >= 0; }
  // The sector a portal leads to, when that is a live sector.
  const TSector* LinkOf(const TSector* portal) const {
    if (!portal->IsLinked || !portal->LinkedSector) return nullptr;
    if (!Live(portal->LinkedSector) || portal->LinkedSector->NodeType != kSector) return nullptr;
    return portal->LinkedSector;
  }
  // A sector's box: its quads' and models' finite corners, sub-sectors included.
  const Box3& BoxOf(const TSector* sector) const {
    static const Box3 kEmpty;
    const int i = Index(sector);
    return i < 0 ? kEmpty : box_[size_t(i)];
  }
  bool Known(const TSector* n) const { return Index(n) >= 0; }
  const TSector* RoomOf(const TSector* n) const {
    const int i = Index(n);
    return i < 0 || room_[size_t(i)] < 0 ? nullptr : order[size_t(room_[size_t(i)])];
  }
  const std::vector<const TSector*>& MembersOf(const TSector* room) const {
    if (!room) return null_room_;
    static const std::vector<const TSector*> kNone;
    const int i = Index(room);
    return i < 0 || room_number_[size_t(i)] < 0 ? kNone : members_[size_t(room_number_[size_t(i)])];
  }

 private:
  std::vector<int> parent_, room_, room_number_;
  std::vector<std::pair<const TSector*, int>> index_;
  std::vector<std::vector<const TSector*>> members_;
  std::vector<const TSector*> null_room_;
  std::vector<Box3> box_;
};

bool IsAncestorOrSelf(const TSector* ancestor, const TSector* node) {
  for (const TSector* n = node; n; n = n->Parent)
    if (n == ancestor) return true;
  return false;
}

// ---- Checks of single nodes ----

void CheckQuadNode(const TSector* n, const CheckOptions& o, std::vector<Finding>& out) {
  const std::string label = NodeLabel(n);
  if (!AllFinite(n)) {
    out.push_back(Make(Severity::kError, "quad.nonfinite",
                       label + " hat ungültige Koordinaten (NaN oder unendlich).", {n}));
    return;
  }
  if (IsQuadRecord(n)) {
    if (n->Vertices.size() != 4) {
      out.push_back(Make(Severity::kError, "quad.corners",
                         label + " hat " + std::to_string(n->Vertices.size()) + " statt 4 Ecken.", {n},
                         FixKind::kRemoveQuad));
      return;
    }
    Quad q;
    if (!MakeQuad(n, q)) {
      out.push_back(Make(Severity::kError, "quad.degenerate",
                         label + " hat doppelte Ecken oder keine Fläche.", {n}, FixKind::kRemoveQuad));
      return;
    }
    double off = 0;
    for (const V3& c : q.p) off = std::max(off, std::fabs(Dot(q.n, c - q.center)));
    if (off > kCheckPlanar)
      out.push_back(Make(
          Severity::kWarning, "quad.nonplanar",
          "Die Ecken von " + label + " liegen nicht in einer Ebene (Abstand " + Number(2 * off) + ").", {n}));
  }
  if (o.texture_count && n->TextureIndex >= *o.texture_count)
    out.push_back(Make(
        Severity::kError, "texture.index",
        label + " benutzt Textur " + std::to_string(n->TextureIndex) + ", die Bibliothek hat " +
            (*o.texture_count == 1 ? std::string("nur eine") : "nur " + std::to_string(*o.texture_count)) +
            ".",
        {n}));
}

void CheckModelNode(const TSector* n, const CheckOptions& o, std::vector<Finding>& out) {
  const std::string label = NodeLabel(n);
  if (!AllFinite(n) || !Finite(n->Position)) {
    out.push_back(Make(Severity::kError, "model.nonfinite",
                       label + " hat ungültige Koordinaten (NaN oder unendlich).", {n}));
    return;
  }
  if (n->Vertices.size() > size_t(kMD2MaxVertices))
    out.push_back(Make(Severity::kError, "model.limit",
                       label + " hat " + std::to_string(n->Vertices.size()) +
                           " Vertices, erlaubt sind höchstens " + std::to_string(kMD2MaxVertices) + ".",
                       {n}));
  if (n->Triangles.size() > size_t(kMD2MaxTriangles))
    out.push_back(Make(Severity::kError, "model.limit",
                       label + " hat " + std::to_string(n->Triangles.size()) +
                           " Dreiecke, erlaubt sind höchstens " + std::to_string(kMD2MaxTriangles) + ".",
                       {n}));
  size_t bad_index = 0, flat = 0;
  const size_t count = n->Vertices.size();
  for (const TTriangle& t : n->Triangles) {
    if (t.V0 < 0 || t.V1 < 0 || t.V2 < 0 || size_t(t.V0) >= count || size_t(t.V1) >= count ||
        size_t(t.V2) >= count) {
      ++bad_index;
      continue;
    }
    if (TriangleHeight(D(n->Vertices[size_t(t.V0)].Position), D(n->Vertices[size_t(t.V1)].Position),
                       D(n->Vertices[size_t(t.V2)].Position)) < kCheckSamePoint)
      ++flat;
  }
  if (bad_index)
    out.push_back(
        Make(Severity::kError, "model.corners",
             label + " hat " + std::to_string(bad_index) + " Dreiecke mit Ecken, die es nicht gibt.", {n}));
  if (flat)
    out.push_back(Make(
        Severity::kError, "model.degenerate",
        label + " hat " + std::to_string(flat) + (flat == 1 ? " Dreieck" : " Dreiecke") + " ohne Fläche.",
        {n}));
  if (o.texture_count && n->TextureIndex >= *o.texture_count)
    out.push_back(Make(
        Severity::kError, "texture.index",
        label + " benutzt Textur " + std::to_string(n->TextureIndex) + ", die Bibliothek hat " +
            (*o.texture_count == 1 ? std::string("nur eine") : "nur " + std::to_string(*o.texture_count)) +
            ".",
        {n}));
}

// ---- Checks of one room: its nodes, gaps, flicker, faces turned out ----

struct Segment {
  V3 a, b;
  int owner;  // quad index; portals are numbered after the quads
};

// Clips the part [t0, t1] of a + t*d (t in length units) to the triangle abc,
// widened by kCheckGap; false when nothing is left.
bool ClipToTriangle(V3 a, V3 d, V3 ta, V3 tb, V3 tc, double& t0, double& t1) {
  const V3 n = Cross(tb - ta, tc - ta);
  if (!(Length(n) > 0)) return false;
  const V3 corners[3] = {ta, tb, tc};
  for (int i = 0; i < 3; ++i) {
    const V3 p = corners[i], q = corners[(i + 1) % 3], r = corners[(i + 2) % 3];
    V3 m = Unit(Cross(n, q - p));
    if (Dot(m, r - p) < 0) m = m * -1.0;
    // Inside: m . (x - p) >= -gap.
    const double at0 = Dot(m, a - p) + kCheckGap, slope = Dot(m, d);
    if (std::fabs(slope) < 1e-12) {
      if (at0 < 0) return false;
      continue;
    }
    const double t = -at0 / slope;
    if (slope > 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  return true;
}

// Length of [0, len] not covered by the intervals (merged across gaps up to kCheckGap).
double Uncovered(std::vector<std::pair<double, double>>& cover, double len,
                 std::vector<std::pair<double, double>>* parts) {
  std::sort(cover.begin(), cover.end());
  double reached = 0, open = 0;
  auto gap = [&](double from, double to) {
    if (to - from > kCheckGap) {
      open += to - from;
      if (parts) parts->push_back({from, to});
    }
  };
  for (const auto& [s, e] : cover) {
    if (s > reached) gap(reached, std::min(s, len));
    reached = std::max(reached, e);
    if (reached >= len) break;
  }
  if (reached < len) gap(reached, len);
  return open;
}

struct RoomContext {
  const TSector* room;
  const std::vector<const TSector*>& members;
  const CheckOptions& options;
};

void CheckRoomSurfaces(const RoomContext& ctx, std::vector<Finding>& out) {
  std::vector<Quad> quads;
  std::vector<const TSector*> portals;
  for (const TSector* n : ctx.members) {
    Quad q;
    if (MakeQuad(n, q)) quads.push_back(q);
    if (n->NodeType == kPortal && n->Vertices.size() >= 3 && AllFinite(n)) portals.push_back(n);
  }
  if (quads.empty()) return;
  Box3 hull;
  double cell = 0;
  for (const Quad& q : quads) {
    hull.Add(q.box);
    cell += Length(q.box.max - q.box.min);
  }
  cell = std::max(1.0, cell / double(quads.size()));
  BoxGrid quad_grid(cell);
  for (size_t i = 0; i < quads.size(); ++i) quad_grid.Insert(int(i), quads[i].box);

  // Flicker: two quads in one plane, facing the same way, overlapping.
  auto project = [](const Quad& q, int tri, V3 axis, double& lo, double& hi) {
    lo = 1e300, hi = -1e300;
    for (int k : kQuadTriangles[tri]) {
      const double v = Dot(axis, q.p[size_t(k)]);
      lo = std::min(lo, v), hi = std::max(hi, v);
    }
  };
  auto triangles_overlap = [&](const Quad& a, int ta, const Quad& b, int tb) {
    for (const auto& [q, t] : {std::pair<const Quad&, int>{a, ta}, std::pair<const Quad&, int>{b, tb}}) {
      for (int e = 0; e < 3; ++e) {
        const V3 p0 = q.p[size_t(kQuadTriangles[t][e])], p1 = q.p[size_t(kQuadTriangles[t][(e + 1) % 3])];
        const V3 axis = Unit(Cross(a.n, p1 - p0));
        double alo, ahi, blo, bhi;
        project(a, ta, axis, alo, ahi);
        project(b, tb, axis, blo, bhi);
        if (std::min(ahi, bhi) - std::max(alo, blo) <= kCheckGap) return false;
      }
    }
    return true;
  };
  std::vector<bool> flickers(quads.size(), false);
  for (size_t i = 0; i < quads.size(); ++i) {
    const Quad& a = quads[i];
    quad_grid.Query(a.box.Grown(kCheckGap), [&](int jj) {
      const size_t j = size_t(jj);
      if (j <= i) return;
      const Quad& b = quads[j];
      if (Dot(a.n, b.n) < 0.9999 || std::fabs(Dot(a.n, b.center - a.center)) > kCheckGap) return;
      if (!a.box.Overlaps(b.box, 0)) return;
      bool overlap = false;
      for (int ta = 0; ta < 2 && !overlap; ++ta)
        for (int tb = 0; tb < 2 && !overlap; ++tb) overlap = triangles_overlap(a, ta, b, tb);
      if (!overlap || flickers[i]) return;
      flickers[i] = true;
      out.push_back(Make(Severity::kWarning, "room.overlap",
                         NodeLabel(a.node) + " und " + NodeLabel(b.node) +
                             " liegen aufeinander und zeigen in dieselbe Richtung (Flimmern).",
                         {a.node, b.node}));
    });
  }

  // Gaps, only in rooms with a floor and walls.
  bool floor = false, wall = false;
  for (const Quad& q : quads) {
    floor = floor || q.n.y > 0.7;
    wall = wall || std::fabs(q.n.y) < 0.3;
  }
  if (!floor || !wall) return;

  // The face of the room's box a point set lies on: 0..5 (-x, +x, -y, +y, -z, +z), or -1.
  auto hull_face = [&](std::initializer_list<V3> points) {
    for (int f = 0; f < 6; ++f) {
      const int axis = f / 2;
      const double plane = Axis(f % 2 ? hull.max : hull.min, axis);
      bool on = true;
      for (const V3& p : points) on = on && std::fabs(Axis(p, axis) - plane) <= kCheckGap;
      if (on) return f;
    }
    return -1;
  };

  std::vector<Segment> edges;
  for (size_t i = 0; i < quads.size(); ++i)
    for (const auto& e : kQuadEdges)
      edges.push_back({quads[i].p[size_t(e[0])], quads[i].p[size_t(e[1])], int(i)});
  for (size_t j = 0; j < portals.size(); ++j) {
    const auto& v = portals[j]->Vertices;
    for (size_t k = 0; k < v.size(); ++k)
      edges.push_back({D(v[k].Position), D(v[(k + 1) % v.size()].Position), int(quads.size() + j)});
  }
  BoxGrid edge_grid(cell);
  for (size_t i = 0; i < edges.size(); ++i) {
    Box3 b;
    b.Add(edges[i].a);
    b.Add(edges[i].b);
    edge_grid.Insert(int(i), b);
  }

  bool any_gap = false;
  std::vector<double> open_of(quads.size(), 0);
  std::vector<std::pair<double, double>> cover, parts;
  for (size_t ei = 0; ei < edges.size(); ++ei) {
    const Segment& e = edges[ei];
    if (e.owner >= int(quads.size())) break;  // portals come last and have no gaps of their own
    if (hull_face({e.a, e.b}) < 0) continue;  // inside the room: the edge of something standing in it
    const double len = Length(e.b - e.a);
    const V3 d = Unit(e.b - e.a);
    Box3 b;
    b.Add(e.a);
    b.Add(e.b);
    cover.clear();
    edge_grid.Query(b.Grown(kCheckGap), [&](int fi) {
      const Segment& f = edges[size_t(fi)];
      if (f.owner == e.owner) return;
      auto off_line = [&](V3 p) { return Length((p - e.a) - d * Dot(p - e.a, d)); };
      if (off_line(f.a) > kCheckGap || off_line(f.b) > kCheckGap) return;
      double s = Dot(f.a - e.a, d), t = Dot(f.b - e.a, d);
      if (s > t) std::swap(s, t);
      cover.push_back({std::max(0.0, s), std::min(len, t)});
    });
    parts.clear();
    if (Uncovered(cover, len, &parts) <= 0) continue;
    // An open part may still lie on another quad's surface (a wall standing on a floor).
    quad_grid.Query(b.Grown(kCheckGap), [&](int qi) {
      const Quad& q = quads[size_t(qi)];
      if (int(qi) == e.owner) return;
      if (std::fabs(Dot(q.n, e.a - q.center)) > kCheckGap || std::fabs(Dot(q.n, e.b - q.center)) > kCheckGap)
        return;
      for (const auto& t : kQuadTriangles) {
        double t0 = 0, t1 = len;
        if (ClipToTriangle(e.a, d, q.p[size_t(t[0])], q.p[size_t(t[1])], q.p[size_t(t[2])], t0, t1))
          cover.push_back({t0, t1});
      }
    });
    const double open = Uncovered(cover, len, nullptr);
    if (open <= 0) continue;
    open_of[size_t(e.owner)] += open;
    any_gap = true;
  }
  for (size_t i = 0; i < quads.size(); ++i)
    if (open_of[i] > 0)
      out.push_back(Make(Severity::kError, "room.gap",
                         NodeLabel(quads[i].node) + " in " + NodeLabel(ctx.room) +
                             ": eine Kante schließt an nichts an, eine Lücke von " + Number(open_of[i]) +
                             " Einheiten.",
                         {quads[i].node}));
  if (any_gap) return;

  // A closed room: a quad on its hull must face inwards.
  for (const Quad& q : quads) {
    const int f = hull_face({q.p[0], q.p[1], q.p[2], q.p[3]});
    if (f < 0) continue;
    const double outward = Axis(q.n, f / 2) * (f % 2 ? 1 : -1);
    if (outward > 0.5)
      out.push_back(Make(Severity::kWarning, "room.facing",
                         NodeLabel(q.node) + " zeigt aus " + NodeLabel(ctx.room) + " hinaus.", {q.node},
                         FixKind::kTurnQuad));
  }
}

std::vector<Finding> CheckRoom(const RoomContext& ctx) {
  std::vector<Finding> out;
  for (const TSector* n : ctx.members) {
    if (n->NodeType == kPolygon)
      CheckQuadNode(n, ctx.options, out);
    else if (n->NodeType == kModel)
      CheckModelNode(n, ctx.options, out);
  }
  if (ctx.room) CheckRoomSurfaces(ctx, out);
  return out;
}

// ---- Checks across rooms ----

// The sectors whose box holds p, the outermost ones not around `own`:
// descending into a sector only when it holds `own`.
void SectorsHolding(const Scan& scan, const std::vector<std::unique_ptr<TSector>>& level, V3 p,
                    const TSector* own, std::vector<const TSector*>& out) {
  for (const auto& child : level) {
    const TSector* s = child.get();
    if (s->NodeType != kSector || !scan.BoxOf(s).Contains(p, 0)) continue;
    // The sectors around the portal and the parts of its own room are no place to lead to.
    if (own && (IsAncestorOrSelf(s, own) || scan.RoomOf(s) == scan.RoomOf(own)))
      SectorsHolding(scan, s->Children, p, own, out);
    else
      out.push_back(s);
  }
}

bool PortalCorners(const TSector* p, std::vector<V3>& corners, V3& normal, V3& center) {
  corners.clear();
  for (const TVertex& v : p->Vertices) corners.push_back(D(v.Position));
  if (corners.size() < 3) return false;
  V3 n;  // Newell's normal
  center = {};
  for (size_t i = 0; i < corners.size(); ++i) {
    const V3 a = corners[i], b = corners[(i + 1) % corners.size()];
    n = n + V3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
    center = center + a;
  }
  center = center * (1.0 / double(corners.size()));
  normal = Unit(n);
  return Length(n) * 0.5 >= kCheckSamePoint * kCheckSamePoint && std::isfinite(Length(n));
}

const TSector* LinkTarget(const Scan& scan, const SceneTree& tree, const TSector* portal) {
  std::vector<V3> corners;
  V3 n, c;
  if (!AllFinite(portal) || !PortalCorners(portal, corners, n, c)) return nullptr;
  std::vector<const TSector*> found;
  for (double side : {1.0, -1.0})
    SectorsHolding(scan, tree.TopLevel(), c + n * (side * kCheckPortalBehind), portal, found);
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found.size() == 1 ? found.front() : nullptr;
}

bool SamePlace(const std::vector<V3>& a, const std::vector<V3>& b) {
  auto covered = [](const std::vector<V3>& x, const std::vector<V3>& y) {
    for (const V3& p : x) {
      bool near = false;
      for (const V3& q : y) near = near || Length(p - q) <= kCheckPortalPlace;
      if (!near) return false;
    }
    return true;
  };
  return covered(a, b) && covered(b, a);
}

void CheckPortals(const Scan& scan, const SceneTree& tree, std::vector<Finding>& out) {
  // Portals by the cell of their centre, to find a return portal near one.
  std::unordered_map<uint64_t, std::vector<const TSector*>> by_cell;
  auto cell_of = [](V3 c, int dx, int dy, int dz) {
    const double s = 4 * kCheckPortalPlace;
    auto k = [&](double v, int o) {
      return uint64_t(int64_t(std::clamp(std::floor(v / s), -1e6, 1e6)) + o + (1 << 20));
    };
    return (k(c.x, dx) << 42) ^ (k(c.y, dy) << 21) ^ k(c.z, dz);
  };
  std::vector<V3> corners, other;
  V3 n, c;
  for (const TSector* p : scan.order)
    if (p->NodeType == kPortal && AllFinite(p) && PortalCorners(p, corners, n, c))
      by_cell[cell_of(c, 0, 0, 0)].push_back(p);

  for (const TSector* p : scan.order) {
    if (p->NodeType != kPortal) continue;
    const std::string label = NodeLabel(p);
    if (!AllFinite(p)) {
      out.push_back(Make(Severity::kError, "portal.nonfinite",
                         label + " hat ungültige Koordinaten (NaN oder unendlich).", {p}));
      continue;
    }
    if (p->Vertices.size() > size_t(kCheckPortalMaxCorners))
      out.push_back(Make(Severity::kError, "portal.limit",
                         label + " hat " + std::to_string(p->Vertices.size()) +
                             " Ecken, die Leveldatei erlaubt höchstens " +
                             std::to_string(kCheckPortalMaxCorners) + ".",
                         {p}));
    const bool shaped = PortalCorners(p, corners, n, c);
    if (!shaped) {
      out.push_back(Make(Severity::kError, "portal.degenerate", label + " hat keine Fläche.", {p}));
    } else {
      double off = 0;
      for (const V3& q : corners) off = std::max(off, std::fabs(Dot(n, q - c)));
      if (off > kCheckPlanar)
        out.push_back(
            Make(Severity::kWarning, "portal.nonplanar",
                 "Die Ecken von " + label + " liegen nicht in einer Ebene (Abstand " + Number(2 * off) + ").",
                 {p}));
    }

    const TSector* own = p->Parent && p->Parent->NodeType == kSector ? p->Parent : nullptr;
    // The box of the nearest sector around it that has walls or floors of its own.
    const TSector* boxed = own;
    while (boxed && scan.BoxOf(boxed).empty) boxed = boxed->Parent;
    if (!own) {
      out.push_back(Make(Severity::kWarning, "portal.outside", label + " liegt in keinem Sektor.", {p}));
    } else if (boxed) {
      bool inside = true;
      for (const TVertex& v : p->Vertices)
        inside = inside && scan.BoxOf(boxed).Contains(D(v.Position), kCheckBox);
      if (!inside)
        out.push_back(Make(Severity::kWarning, "portal.outside",
                           label + " liegt nicht im Quader seines Sektors " + NodeLabel(boxed) + ".",
                           {p, boxed}));
    }

    const TSector* linked = scan.LinkOf(p);
    if (!linked) {
      const bool points_somewhere = p->IsLinked || p->LinkedSector;
      const FixKind fix = shaped && LinkTarget(scan, tree, p) ? FixKind::kLinkPortal : FixKind::kNone;
      if (!points_somewhere) {
        out.push_back(
            Make(Severity::kError, "portal.unlinked", label + " ist mit keinem Sektor verbunden.", {p}, fix));
      } else {
        const uint32_t id =
            p->LinkedSector && scan.Live(p->LinkedSector) ? p->LinkedSector->Id : p->LinkedSectorId;
        out.push_back(Make(
            Severity::kError, "portal.badlink",
            label + " ist mit der Id " + std::to_string(id) + " verbunden, die kein Sektor der Szene ist.",
            {p}, fix));
      }
      continue;
    }
    if (!shaped || !own) continue;
    // One way: the linked sector must hold a portal back, at the same place.
    bool back = false;
    const std::vector<V3> mine = corners;
    for (int dx = -1; dx <= 1 && !back; ++dx)
      for (int dy = -1; dy <= 1 && !back; ++dy)
        for (int dz = -1; dz <= 1 && !back; ++dz) {
          auto it = by_cell.find(cell_of(c, dx, dy, dz));
          if (it == by_cell.end()) continue;
          for (const TSector* q : it->second) {
            if (q == p || !IsAncestorOrSelf(linked, q)) continue;
            const TSector* to = scan.LinkOf(q);
            if (!to || !IsAncestorOrSelf(to, p)) continue;
            V3 qn, qc;
            if (PortalCorners(q, other, qn, qc) && SamePlace(mine, other)) {
              back = true;
              break;
            }
          }
        }
    if (!back)
      out.push_back(Make(Severity::kWarning, "portal.oneway",
                         label + " führt nach " + NodeLabel(linked) +
                             ", von dort führt kein Portal an dieser Stelle zurück.",
                         {p}, FixKind::kAddReturnPortal));
  }
}

bool InsideAnySector(const Scan& scan, const SceneTree& tree, V3 p) {
  for (const auto& top : tree.TopLevel())
    if (top->NodeType == kSector && scan.BoxOf(top.get()).Contains(p, kCheckBox)) return true;
  return false;
}

void CheckLights(const Scan& scan, const SceneTree& tree, std::vector<Finding>& out) {
  std::vector<Quad> quads;
  std::vector<const TSector*> models;  // lit ones
  double cell = 0;
  for (const TSector* n : scan.order) {
    Quad q;
    if (MakeQuad(n, q)) {
      quads.push_back(q);
      cell += Length(q.box.max - q.box.min);
    } else if (n->NodeType == kModel && n->Visible && n->LightingMode != 2 && AllFinite(n) &&
               !n->Vertices.empty()) {
      models.push_back(n);
    }
  }
  bool any_light = false;
  for (const TSector* n : scan.order) any_light = any_light || n->NodeType == kLight;
  if (!any_light) return;
  BoxGrid grid(quads.empty() ? 1.0 : std::max(1.0, cell / double(quads.size())));
  for (size_t i = 0; i < quads.size(); ++i) grid.Insert(int(i), quads[i].box);

  for (const TSector* l : scan.order) {
    if (l->NodeType != kLight) continue;
    const std::string label = NodeLabel(l);
    if (!Finite(l->Position)) {
      out.push_back(Make(Severity::kError, "light.nonfinite",
                         label + " hat eine ungültige Position (NaN oder unendlich).", {l}));
      continue;
    }
    const V3 p = D(l->Position);
    if (!InsideAnySector(scan, tree, p))
      out.push_back(
          Make(Severity::kWarning, "light.outside", label + " liegt außerhalb aller Sektoren.", {l}));

    // In a wall: just behind a quad, over its area.
    Box3 near;
    near.Add(p - V3{kCheckLightWall, kCheckLightWall, kCheckLightWall});
    near.Add(p + V3{kCheckLightWall, kCheckLightWall, kCheckLightWall});
    const Quad* wall = nullptr;
    grid.Query(near, [&](int i) {
      const Quad& q = quads[size_t(i)];
      const double s = Dot(q.n, p - q.center);
      if (wall || s > 0 || s <= -kCheckLightWall) return;
      if (QuadDistance(q, p) <= -s + 1e-6) wall = &q;  // the foot of the perpendicular lies on the quad
    });
    if (wall)
      out.push_back(Make(Severity::kWarning, "light.inwall",
                         label + " steckt in der Wand " + NodeLabel(wall->node) + ".", {l, wall->node},
                         FixKind::kMoveLight));

    // Its reach: a lit surface it can light must be within it (a directed light has no falloff).
    const bool directed = l->Kind == 1;
    const double range = directed ? 1e300 : double(l->Range);
    bool reaches = false;
    auto faces = [&](V3 n, V3 c) { return !(l->Shadow == 1 || directed) || Dot(n, p - c) > 0; };
    if (range > 0 && !std::isnan(range)) {
      Box3 reach;
      reach.Add(p - V3{range, range, range});
      reach.Add(p + V3{range, range, range});
      if (directed) {  // no falloff: any lit surface turned towards it will do
        for (const Quad& q : quads)
          if (q.lit && faces(q.n, q.center)) {
            reaches = true;
            break;
          }
      } else {
        grid.Query(reach, [&](int i) {
          const Quad& q = quads[size_t(i)];
          if (reaches || !q.lit || !faces(q.n, q.center)) return;
          reaches = QuadDistance(q, p) <= range;
        });
      }
      for (const TSector* m : models) {
        if (reaches) break;
        Box3 b;
        for (const TVertex& v : m->Vertices) b.Add(D(v.Position));
        const V3 closest{std::clamp(p.x, b.min.x, b.max.x), std::clamp(p.y, b.min.y, b.max.y),
                         std::clamp(p.z, b.min.z, b.max.z)};
        reaches = directed || Length(p - closest) <= range;
      }
    }
    if (!reaches)
      out.push_back(Make(Severity::kWarning, "light.unused",
                         "Die Reichweite von " + label + " erreicht keine beleuchtete Fläche.", {l}));
  }
}

void CheckLevelWide(const Scan& scan, const SceneTree& tree, const Vector& start, const CheckOptions& o,
                    std::vector<Finding>& out) {
  const TSector* first = nullptr;
  for (const auto& top : tree.TopLevel())
    if (top->NodeType == kSector && !scan.BoxOf(top.get()).empty) {
      first = top.get();
      break;
    }
  if (!first) return;  // nothing built yet: nothing to start in or to reach

  // The room the start lies in: the deepest sector holding it.
  const TSector* start_sector = nullptr;
  if (Finite(start)) {
    const std::vector<std::unique_ptr<TSector>>* level = &tree.TopLevel();
    for (bool deeper = true; deeper;) {
      deeper = false;
      for (const auto& child : *level)
        if (child->NodeType == kSector && scan.BoxOf(child.get()).Contains(D(start), kCheckBox)) {
          start_sector = child.get();
          level = &child->Children;
          deeper = true;
          break;
        }
    }
  }
  if (!start_sector) {
    out.push_back(Make(Severity::kError, "start.outside", "Die Startposition liegt in keinem Sektor.", {},
                       FixKind::kMoveStart));
  } else {
    // Rooms reachable through portals from the start's room.
    std::unordered_map<const TSector*, std::vector<const TSector*>> next;
    for (const TSector* n : scan.order)
      if (n->NodeType == kPortal)
        if (const TSector* to = scan.LinkOf(n)) next[scan.RoomOf(n)].push_back(scan.RoomOf(to));
    std::unordered_set<const TSector*> reached;
    std::vector<const TSector*> queue{scan.RoomOf(start_sector)};
    reached.insert(queue.front());
    while (!queue.empty()) {
      const TSector* r = queue.back();
      queue.pop_back();
      for (const TSector* to : next[r])
        if (reached.insert(to).second) queue.push_back(to);
    }
    for (const TSector* room : scan.room_order) {
      if (!room || reached.count(room)) continue;
      bool solid = false;
      for (const TSector* n : scan.MembersOf(room))
        solid = solid || n->NodeType == kPolygon || n->NodeType == kModel;
      if (solid)
        out.push_back(Make(Severity::kWarning, "sector.unreachable",
                           NodeLabel(room) + " ist von der Startposition aus über keine Portale erreichbar.",
                           {room}));
    }
  }
  if (o.lightmaps_stale)
    out.push_back(Make(Severity::kWarning, "lightmaps.stale",
                       "Die Lightmaps sind älter als die letzte Änderung an Geometrie oder Licht.", {},
                       FixKind::kBakeAgain));
}

std::vector<Finding> CheckAcross(const Scan& scan, const SceneTree& tree, const Vector& start,
                                 const CheckOptions& o) {
  std::vector<Finding> out;
  CheckPortals(scan, tree, out);
  CheckLights(scan, tree, out);
  CheckLevelWide(scan, tree, start, o, out);
  return out;
}

uint64_t HashMembers(const std::vector<const TSector*>& members) {
  uint64_t h = 1469598103934665603ull;
  for (const TSector* n : members) h = (h ^ reinterpret_cast<uintptr_t>(n)) * 1099511628211ull;
  return h;
}

std::optional<int> TextureCount(const Document& doc) {
  const int n = doc.Textures.Count();
  return n > 0 ? std::optional<int>(n) : std::nullopt;
}

}  // namespace

const char* SeverityText(Severity s) {
  return s == Severity::kError ? "Fehler" : "Warnung";
}

std::string Finding::Key() const {
  std::string k = code;
  for (uint32_t id : ids) k += ":" + std::to_string(id);
  return k;
}

void SortFindings(std::vector<Finding>& findings) {
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    if (a.severity != b.severity) return a.severity == Severity::kError;
    if (a.code != b.code) return a.code < b.code;
    return a.ids < b.ids;
  });
}

std::string NodeLabel(const TSector* node) {
  if (!node) return "?";
  const char* noun = "Knoten";
  switch (node->NodeType) {
    case kSector:
      noun = "Sektor";
      break;
    case kPolygon:
      noun = "Viereck";
      break;
    case kLight:
      noun = "Licht";
      break;
    case kPortal:
      noun = "Portal";
      break;
    case kParticleSystem:
      noun = "Partikelsystem";
      break;
    case kModel:
      noun = "Modell";
      break;
    case kActor:
      noun = "Actor";
      break;
    case kCheckpoint:
      noun = "Checkpoint";
      break;
    default:
      break;
  }
  return std::string(noun) + " '" + Cp1252ToUtf8(node->Name) + "' (" + std::to_string(node->Id) + ")";
}

std::vector<Finding> CheckLevel(const SceneTree& tree, const Vector& start, const CheckOptions& options) {
  const Scan scan(tree);
  std::vector<Finding> out;
  for (const TSector* room : scan.room_order) {
    std::vector<Finding> f = CheckRoom({room, scan.MembersOf(room), options});
    out.insert(out.end(), std::make_move_iterator(f.begin()), std::make_move_iterator(f.end()));
  }
  std::vector<Finding> across = CheckAcross(scan, tree, start, options);
  out.insert(out.end(), std::make_move_iterator(across.begin()), std::make_move_iterator(across.end()));
  SortFindings(out);
  return out;
}

std::vector<Finding> CheckDocument(const Document& doc, bool lightmaps_stale) {
  CheckOptions o;
  o.texture_count = TextureCount(doc);
  o.lightmaps_stale = lightmaps_stale;
  return CheckLevel(doc.Tree, doc.StartPosition, o);
}

TSector* PortalLinkTarget(const SceneTree& tree, const TSector* portal) {
  if (!portal || portal->NodeType != kPortal) return nullptr;
  const Scan scan(tree);
  return const_cast<TSector*>(LinkTarget(scan, tree, portal));
}

const TSector* RoomOf(const SceneTree& tree, const TSector* node) {
  const Scan scan(tree);
  return scan.RoomOf(node);
}

// ---- LevelChecker ----

LevelChecker::LevelChecker(Document& doc) : doc_(doc) {
  doc_.AddDocumentListener(this);
  doc_.Tree.AddListener(this);
  if (!doc_.LightmapList.empty()) {  // a bake from before: taken as matching the level
    baked_fingerprint_ = Fingerprint();
    have_bake_ = true;
  }
}

LevelChecker::~LevelChecker() {
  doc_.RemoveDocumentListener(this);
  if (!tree_gone_) doc_.Tree.RemoveListener(this);
}

void LevelChecker::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (active_) CheckAll();
}

void LevelChecker::DocumentChanged(const ChangeSet& changes) {
  if (changes.replaced) ++generation_;
  if (changes.lightmaps || changes.replaced) {
    have_bake_ = !doc_.LightmapList.empty();
    if (have_bake_) baked_fingerprint_ = Fingerprint();
  }
  if (!active_) return;
  if (changes.replaced) full_ = true;
  for (const auto& [node, how] : changes.nodes) dirty_.push_back(node);
  pending_global_ = true;
  if (on_pending)
    on_pending();
  else
    Update();
}

void LevelChecker::CheckAll() {
  full_ = true;
  pending_global_ = true;
  Update();
}

bool LevelChecker::LightmapsStale() const {
  return have_bake_ && !doc_.LightmapList.empty() && Fingerprint() != baked_fingerprint_;
}

// What a bake reads: the lit surfaces' corners and modes, and the lights.
uint64_t LevelChecker::Fingerprint() const {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](const void* data, size_t n) {
    const auto* b = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  };
  doc_.Tree.Walk([&](TSector* n) {
    if (n->NodeType == kPolygon || n->NodeType == kModel) {
      const uint8_t flags[3] = {n->Visible, n->LightingMode, n->NoShadow};
      mix(&n->Id, sizeof n->Id);
      mix(flags, sizeof flags);
      for (const TVertex& v : n->Vertices) mix(&v.Position, sizeof v.Position);
    } else if (n->NodeType == kLight) {
      mix(&n->Id, sizeof n->Id);
      mix(&n->Kind, 1);
      mix(&n->Position, sizeof n->Position);
      mix(&n->Brightness, sizeof n->Brightness);
      mix(&n->Range, sizeof n->Range);
      mix(&n->Shadow, 1);
      mix(n->Color, sizeof n->Color);
    }
  });
  return h;
}

bool LevelChecker::Update() {
  if (!active_ || tree_gone_ || !Pending()) return false;
  const auto t0 = std::chrono::steady_clock::now();
  const Scan scan(doc_.Tree);
  CheckOptions o;
  o.texture_count = TextureCount(doc_);
  o.lightmaps_stale = LightmapsStale();
  if (o.texture_count != texture_count_) {
    texture_count_ = o.texture_count;
    full_ = true;
  }
  stats_ = {};
  stats_.full = full_;
  if (full_) rooms_.clear();
  std::unordered_set<const TSector*> dirty_rooms;
  auto mark = [&](const TSector* n) {
    if (scan.Known(n)) dirty_rooms.insert(scan.RoomOf(n));
  };
  for (const TSector* n : dirty_) mark(n);
  for (const TSector* n : touched_) mark(n);

  std::unordered_map<const TSector*, RoomEntry> next;
  next.reserve(scan.room_order.size() * 2);
  std::vector<Finding> all;
  for (const TSector* room : scan.room_order) {
    const std::vector<const TSector*>& members = scan.MembersOf(room);
    const uint64_t hash = HashMembers(members);
    auto cached = rooms_.find(room);
    RoomEntry entry;
    if (cached != rooms_.end() && cached->second.members == hash && !dirty_rooms.count(room)) {
      entry = std::move(cached->second);
    } else {
      entry.members = hash;
      entry.findings = CheckRoom({room, members, o});
      ++stats_.rooms_checked;
    }
    all.insert(all.end(), entry.findings.begin(), entry.findings.end());
    next.emplace(room, std::move(entry));
  }
  rooms_ = std::move(next);
  std::vector<Finding> across = CheckAcross(scan, doc_.Tree, doc_.StartPosition, o);
  all.insert(all.end(), std::make_move_iterator(across.begin()), std::make_move_iterator(across.end()));
  SortFindings(all);
  findings_ = std::move(all);
  dirty_.clear();
  touched_.clear();
  full_ = false;
  pending_global_ = false;
  stats_.rooms_total = int(scan.room_order.size());
  stats_.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  if (on_update) on_update();
  return true;
}

}  // namespace qx

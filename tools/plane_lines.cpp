#include "tools/plane_lines.h"

#include <algorithm>
#include <cmath>

#include "tools/plane_pick.h"

namespace qx {

namespace {

constexpr double kShortest = 1e-3;    // view units: an edge seen end on
constexpr double kAngleSteps = 1e7;   // direction buckets per radian
constexpr double kOffsetSteps = 1e4;  // offset buckets per unit
constexpr double kTouching = 1e-4;    // segments this close along their line are one
constexpr double kLargest = 1e12;     // beyond this an offset would not fit its bucket

// One projected edge as a line (direction, offset) and a stretch along it.
struct Piece {
  uint8_t kind;
  int64_t angle, offset;
  double t0, t1;
  double ux, uy, c;
};

bool SameLine(const Piece& a, const Piece& b) {
  return a.kind == b.kind && a.angle == b.angle && a.offset == b.offset;
}

}  // namespace

OutlineKind OutlineKindOf(const TSector* n) {
  return n->NodeType == kPortal  ? OutlineKind::kPortal
         : n->NodeType == kModel ? OutlineKind::kModel
                                 : OutlineKind::kPolygon;
}

bool IsPlaneSymbolNode(const TSector* n) {
  return IsPlanePointNode(n) || n->NodeType == kModel;
}

PlaneLineSet BuildPlaneLines(const SceneTree& tree, const PlaneAxes& axes, const ViewOptions& o,
                             const std::unordered_set<const TSector*>& skip, std::vector<TSector*>* skipped) {
  PlaneLineSet set;
  std::vector<Piece> pieces;
  if (skipped) skipped->clear();
  tree.Walk([&](TSector* n) {
    if (!HasVertices(n->NodeType)) return;
    if (!skip.empty() && skip.count(n)) {
      if (skipped) skipped->push_back(n);
      return;
    }
    if (!ShownInPlane(n, o)) return;
    const uint8_t kind = static_cast<uint8_t>(OutlineKindOf(n));
    ForEachOutlineEdge(n, [&](const Vector& a, const Vector& b) {
      ++set.edges;
      const double ah = axes.h_sign * AxisComponent(a, axes.h), av = axes.v_sign * AxisComponent(a, axes.v);
      const double bh = axes.h_sign * AxisComponent(b, axes.h), bv = axes.v_sign * AxisComponent(b, axes.v);
      double dh = bh - ah, dv = bv - av;
      const double len = std::hypot(dh, dv);
      if (!(len >= kShortest) || !std::isfinite(len)) return;  // a point, or a damaged coordinate
      dh /= len;
      dv /= len;
      if (dh < 0 || (dh == 0 && dv < 0)) {  // one direction per line
        dh = -dh;
        dv = -dv;
      }
      const double c = -dv * ah + dh * av;  // the distance of the line from the origin
      if (!(std::fabs(c) < kLargest)) return;
      const double t0 = dh * ah + dv * av, t1 = dh * bh + dv * bv;
      pieces.push_back({kind, std::llround(std::atan2(dv, dh) * kAngleSteps), std::llround(c * kOffsetSteps),
                        std::min(t0, t1), std::max(t0, t1), dh, dv, c});
    });
  });
  std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    if (a.angle != b.angle) return a.angle < b.angle;
    if (a.offset != b.offset) return a.offset < b.offset;
    return a.t0 < b.t0;
  });
  for (size_t i = 0; i < pieces.size();) {
    const Piece& first = pieces[i];
    double start = first.t0, end = first.t1;
    size_t j = i + 1;
    auto emit = [&] {
      // Back from (t, c) on the line to the view: t along the direction, c across it.
      const double nh = -first.uy, nv = first.ux;
      set.lines[first.kind].push_back({static_cast<float>(start * first.ux + first.c * nh),
                                       static_cast<float>(start * first.uy + first.c * nv),
                                       static_cast<float>(end * first.ux + first.c * nh),
                                       static_cast<float>(end * first.uy + first.c * nv)});
    };
    for (; j < pieces.size() && SameLine(first, pieces[j]); ++j) {
      if (pieces[j].t0 <= end + kTouching) {
        end = std::max(end, pieces[j].t1);
        continue;
      }
      emit();
      start = pieces[j].t0;
      end = pieces[j].t1;
    }
    emit();
    i = j;
  }
  return set;
}

PlaneLineCache::PlaneLineCache(Editor& e) : e_(e) {
  e_.AddDocumentListener(this);
  e_.Tree.AddListener(this);
}

PlaneLineCache::~PlaneLineCache() {
  e_.RemoveDocumentListener(this);
  if (!tree_gone_) e_.Tree.RemoveListener(this);
}

void PlaneLineCache::Unlisted() {
  symbols_dirty_ = true;
  moving_order_.clear();
  dirty_ = true;  // the next build finds the moving nodes still in the tree
}

const std::vector<TSector*>& PlaneLineCache::Symbols() {
  if (symbols_dirty_) {
    symbols_.clear();
    e_.Tree.Walk([&](TSector* n) {
      if (IsPlaneSymbolNode(n)) symbols_.push_back(n);
    });
    symbols_dirty_ = false;
  }
  return symbols_;
}

void PlaneLineCache::DocumentChanged(const ChangeSet& changes) {
  if (changes.replaced || changes.structure) {
    dirty_ = true;
    if (changes.replaced) moving_.clear();
  }
  if (changes.gesture_ended && !moving_.empty()) {
    moving_.clear();
    dirty_ = true;
  }
  for (const auto& [n, how] : changes.nodes) {
    if (!HasVertices(n->NodeType)) continue;
    // What a drag moves is drawn apart until it ends; taking it out of the set is one build.
    // Its appearance may change with it ("Textur fixieren" turns the texture
    // coordinates): apart, it is drawn as it is at every frame anyway.
    if (changes.in_gesture && (how & kChangeGeometry)) {
      if (moving_.insert(n).second) dirty_ = true;
    } else if (how & (kChangeGeometry | kChangeAppearance)) {
      dirty_ = true;
    }
  }
}

const PlaneLineSet& PlaneLineCache::Lines(const PlaneAxes& axes, const ViewOptions& o) {
  const bool same_axes =
      axes.h == axes_.h && axes.v == axes_.v && axes.h_sign == axes_.h_sign && axes.v_sign == axes_.v_sign;
  if (!same_axes || o.ShowPortals != options_.ShowPortals || o.ShowTransparent != options_.ShowTransparent)
    dirty_ = true;
  if (dirty_) {
    set_ = BuildPlaneLines(e_.Tree, axes, o, moving_, &moving_order_);
    axes_ = axes;
    options_ = o;
    dirty_ = false;
    ++builds_;
  }
  return set_;
}

}  // namespace qx

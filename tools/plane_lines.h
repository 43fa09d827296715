#pragma once
// The outlines a plan or elevation view draws, kept between frames. Seen
// along an axis, most edges of a level lie on one another: neighbouring
// floor quads share theirs, a wall seen edge-on is a single line. So the
// edges are projected into the view, and those on one line that touch or
// overlap become one segment: a level of 50,000 quads draws as a few
// thousand lines (line drawing is what a software rasteriser is slow at).
//
// The set follows the document's announcements and is built again when
// the view draws next. During a drag the moving nodes are left out of it
// and drawn by themselves, so that each step costs only what moves.

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "document/editor.h"
#include "tools/plane_view.h"
#include "tools/view_options.h"

namespace qx {

// In view coordinates (PlaneView::H and V).
struct PlaneLine {
  float h0, v0, h1, v1;
};

enum class OutlineKind : uint8_t { kPolygon, kPortal, kModel };
inline constexpr int kOutlineKinds = 3;
OutlineKind OutlineKindOf(const TSector* n);

struct PlaneLineSet {
  std::vector<PlaneLine> lines[kOutlineKinds];
  size_t edges = 0;  // before merging
  size_t Count() const { return lines[0].size() + lines[1].size() + lines[2].size(); }
};

// Calls edge(a, b) for every outline edge of a polygon (its perimeter),
// portal (its ring) or model (its triangles), in world coordinates.
// Corners outside the vertex array are skipped.
template <typename Edge>
void ForEachOutlineEdge(const TSector* n, Edge edge);

// Every shown polygon, portal and model of the tree but those in `skip`,
// merged. Edges seen end on (shorter than 1/1000 unit in the view) are dropped.
PlaneLineSet BuildPlaneLines(const SceneTree& tree, const PlaneAxes& axes, const ViewOptions& o,
                             const std::unordered_set<const TSector*>& skip);

// The lines of one view, built when needed.
class PlaneLineCache : private DocumentListener {
 public:
  explicit PlaneLineCache(Editor& e);
  ~PlaneLineCache() override;
  PlaneLineCache(const PlaneLineCache&) = delete;
  PlaneLineCache& operator=(const PlaneLineCache&) = delete;

  // Up to date for these options; rebuilt when anything shown changed.
  const PlaneLineSet& Lines(const PlaneAxes& axes, const ViewOptions& o);
  // The nodes moving in the drag now open: drawn apart, not in Lines.
  const std::unordered_set<const TSector*>& Moving() const { return moving_; }
  int Builds() const { return builds_; }

 private:
  void DocumentChanged(const ChangeSet& changes) override;

  Editor& e_;
  PlaneLineSet set_;
  bool dirty_ = true;
  PlaneAxes axes_{};
  ViewOptions options_;
  std::unordered_set<const TSector*> moving_;
  int builds_ = 0;
};

template <typename Edge>
void ForEachOutlineEdge(const TSector* n, Edge edge) {
  const std::vector<TVertex>& v = n->Vertices;
  auto valid = [&](int32_t i) { return i >= 0 && static_cast<size_t>(i) < v.size(); };
  switch (n->NodeType) {
    case kPolygon:
      if (v.size() < 4) return;
      edge(v[0].Position, v[1].Position);
      edge(v[1].Position, v[3].Position);
      edge(v[3].Position, v[2].Position);
      edge(v[2].Position, v[0].Position);
      return;
    case kPortal:
      if (v.size() < 2) return;
      for (size_t i = 0; i < v.size(); ++i) edge(v[i].Position, v[(i + 1) % v.size()].Position);
      return;
    case kModel: {
      const size_t count = std::min<size_t>(n->TriangleCount, n->Triangles.size());
      for (size_t t = 0; t < count; ++t) {
        const TTriangle& tri = n->Triangles[t];
        if (!valid(tri.V0) || !valid(tri.V1) || !valid(tri.V2)) continue;
        edge(v[tri.V0].Position, v[tri.V1].Position);
        edge(v[tri.V1].Position, v[tri.V2].Position);
        edge(v[tri.V2].Position, v[tri.V0].Position);
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace qx

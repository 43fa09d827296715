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
// and drawn by themselves, so that each step costs only what moves. The
// cache also keeps, in tree order, the moving nodes and the nodes a view
// draws as symbols, so that a frame never walks the whole tree.

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
// `skipped`, when given, receives the nodes of `skip` met, in tree order.
PlaneLineSet BuildPlaneLines(const SceneTree& tree, const PlaneAxes& axes, const ViewOptions& o,
                             const std::unordered_set<const TSector*>& skip,
                             std::vector<TSector*>* skipped = nullptr);

// Whether a 2D view draws a node as a symbol: lights, particle systems,
// actors, checkpoints (point nodes) and models.
bool IsPlaneSymbolNode(const TSector* n);

// The lines of one view, built when needed.
class PlaneLineCache : private DocumentListener, private TreeListener {
 public:
  explicit PlaneLineCache(Editor& e);
  ~PlaneLineCache() override;
  PlaneLineCache(const PlaneLineCache&) = delete;
  PlaneLineCache& operator=(const PlaneLineCache&) = delete;

  // Up to date for these options; rebuilt when anything shown changed.
  const PlaneLineSet& Lines(const PlaneAxes& axes, const ViewOptions& o);
  // The nodes moving in the drag now open: drawn apart, not in Lines.
  const std::unordered_set<const TSector*>& Moving() const { return moving_; }
  // Those of them in the tree at the last build of Lines, in tree order.
  const std::vector<TSector*>& MovingInTreeOrder() const { return moving_order_; }
  // The nodes drawn as symbols (IsPlaneSymbolNode), in tree order; walked
  // for again after the tree's structure changed.
  const std::vector<TSector*>& Symbols();
  int Builds() const { return builds_; }

 private:
  void DocumentChanged(const ChangeSet& changes) override;
  // The tree tells at once, before any change set is published, so that no
  // list here holds a removed node when a frame is drawn in between.
  void AfterInsert(TSector*) override { symbols_dirty_ = true; }
  void BeforeRemove(TSector*) override { Unlisted(); }
  void AfterMove(TSector*) override { symbols_dirty_ = true; }
  void BeforeReset() override { Unlisted(); }
  void TreeGone() override { tree_gone_ = true; }
  void Unlisted();

  Editor& e_;
  PlaneLineSet set_;
  bool dirty_ = true;
  PlaneAxes axes_{};
  ViewOptions options_;
  std::unordered_set<const TSector*> moving_;
  std::vector<TSector*> moving_order_, symbols_;
  bool symbols_dirty_ = true, tree_gone_ = false;
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

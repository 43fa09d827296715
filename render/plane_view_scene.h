#pragma once
// How a plan or elevation view gets the scene's surfaces drawn: polygons,
// portals and models as outlines, with the projection of the view. The 2D
// views draw their grid, symbols and markers themselves on top.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "document/editor.h"
#include "render/viewport_renderer.h"
#include "tools/plane_lines.h"
#include "tools/plane_view.h"
#include "tools/view_options.h"

namespace qx {

class PlaneViewScene {
 public:
  virtual ~PlaneViewScene() = default;
  // Every outline. With the context current; each part loads the view's
  // projection itself.
  void DrawOutlines(Editor& e, const PlaneView& view, const ViewOptions& o) {
    DrawStill(e, view, o);
    DrawMoving(e, view, o);
  }
  // What no drag is moving, then what one is. A scene that does not tell
  // them apart draws everything as still.
  virtual void DrawStill(Editor& e, const PlaneView& view, const ViewOptions& o) = 0;
  virtual void DrawMoving(Editor&, const PlaneView&, const ViewOptions&) {}
  // A number that changes whenever what DrawStill draws for this view and
  // these options changes, so that a picture of it can be kept (see
  // DrawPlaneFrame); nothing when the scene cannot tell.
  virtual std::optional<uint64_t> StillRevision(const PlaneView&, const ViewOptions&) { return std::nullopt; }
  // The nodes drawn as symbols (IsPlaneSymbolNode) in tree order, or null:
  // the overlay walks the tree for them.
  virtual const std::vector<TSector*>* SymbolNodes() { return nullptr; }
};

// Straight from the tree in immediate mode: one batch of lines per frame
// (the reference the merged lines are compared with).
class ImmediateOutlines : public PlaneViewScene {
 public:
  void DrawStill(Editor& e, const PlaneView& view, const ViewOptions& o) override;
};

// What the 2D views draw: the merged lines of PlaneLineCache in one batch,
// and the nodes a drag is moving by themselves. It learns both from the
// document's change sets, so its revision is the cache's count of builds.
class MergedOutlines : public PlaneViewScene {
 public:
  explicit MergedOutlines(Editor& e) : cache_(e) {}
  void DrawStill(Editor& e, const PlaneView& view, const ViewOptions& o) override;
  void DrawMoving(Editor& e, const PlaneView& view, const ViewOptions& o) override;
  std::optional<uint64_t> StillRevision(const PlaneView& view, const ViewOptions& o) override;
  const std::vector<TSector*>* SymbolNodes() override { return &cache_.Symbols(); }
  const PlaneLineCache& Cache() const { return cache_; }

 private:
  PlaneLineCache cache_;
};

// The 3D view's retained buffers in their outline mode, for comparison in
// the benchmark: on a software rasteriser their triangles drawn as lines
// cost far more than the merged lines. Immediate mode when the 3D view
// draws without them.
class ViewportOutlines : public PlaneViewScene {
 public:
  // The 3D view's renderer of the moment (it can change before the start).
  explicit ViewportOutlines(std::function<ViewportRenderer*()> renderer) : renderer_(std::move(renderer)) {}
  void DrawStill(Editor& e, const PlaneView& view, const ViewOptions& o) override;
  // Whether the last frame came from the retained buffers.
  bool LastFromBuffers() const { return from_buffers_; }

 private:
  std::function<ViewportRenderer*()> renderer_;
  ImmediateOutlines immediate_;
  bool from_buffers_ = false;
};

}  // namespace qx

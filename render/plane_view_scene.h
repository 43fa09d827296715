#pragma once
// How a plan or elevation view gets the scene's surfaces drawn: polygons,
// portals and models as outlines, with the projection of the view. The 2D
// views draw their grid, symbols and markers themselves on top.

#include <functional>

#include "document/editor.h"
#include "render/viewport_renderer.h"
#include "tools/plane_lines.h"
#include "tools/plane_view.h"
#include "tools/view_options.h"

namespace qx {

class PlaneViewScene {
 public:
  virtual ~PlaneViewScene() = default;
  // With the context current; loads the view's projection itself.
  virtual void DrawOutlines(Editor& e, const PlaneView& view, const ViewOptions& o) = 0;
};

// Straight from the tree in immediate mode: one batch of lines per frame
// (the reference the merged lines are compared with).
class ImmediateOutlines : public PlaneViewScene {
 public:
  void DrawOutlines(Editor& e, const PlaneView& view, const ViewOptions& o) override;
};

// What the 2D views draw: the merged lines of PlaneLineCache in one batch,
// and the nodes a drag is moving straight from the tree.
class MergedOutlines : public PlaneViewScene {
 public:
  explicit MergedOutlines(Editor& e) : cache_(e) {}
  void DrawOutlines(Editor& e, const PlaneView& view, const ViewOptions& o) override;
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
  void DrawOutlines(Editor& e, const PlaneView& view, const ViewOptions& o) override;
  // Whether the last frame came from the retained buffers.
  bool LastFromBuffers() const { return from_buffers_; }

 private:
  std::function<ViewportRenderer*()> renderer_;
  ImmediateOutlines immediate_;
  bool from_buffers_ = false;
};

}  // namespace qx

#pragma once
// How a plan or elevation view gets the scene's surfaces drawn: polygons,
// portals and models as outlines, with the projection of the view. The 2D
// views draw their grid, symbols and markers themselves on top.

#include <functional>

#include "edit/editor.h"
#include "edit/view_options.h"
#include "render/viewport_renderer.h"

namespace qx {

class PlaneViewScene {
 public:
  virtual ~PlaneViewScene() = default;
  // With the context current. `clip` is the view's projection (world to clip
  // coordinates, column-major); the implementation loads it.
  virtual void DrawOutlines(Editor& e, const double clip[16], const ViewOptions& o) = 0;
};

// Straight from the tree in immediate mode: one batch of lines per frame.
class ImmediateOutlines : public PlaneViewScene {
 public:
  void DrawOutlines(Editor& e, const double clip[16], const ViewOptions& o) override;
};

// From the buffers of the 3D view's retained renderer, which the 2D views'
// contexts share; in immediate mode when the 3D view draws without them.
class ViewportOutlines : public PlaneViewScene {
 public:
  // The 3D view's renderer of the moment (it can change before the start).
  explicit ViewportOutlines(std::function<ViewportRenderer*()> renderer) : renderer_(std::move(renderer)) {}
  void DrawOutlines(Editor& e, const double clip[16], const ViewOptions& o) override;
  // Whether the last frame came from the retained buffers.
  bool LastFromBuffers() const { return from_buffers_; }

 private:
  std::function<ViewportRenderer*()> renderer_;
  ImmediateOutlines immediate_;
  bool from_buffers_ = false;
};

}  // namespace qx

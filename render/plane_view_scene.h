#pragma once
// How a plan or elevation view gets the scene's surfaces drawn: polygons,
// portals and models as outlines, with the projection of the view. The 2D
// views draw their grid, symbols and markers themselves on top.

#include "edit/editor.h"
#include "edit/view_options.h"

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

}  // namespace qx

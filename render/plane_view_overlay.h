#pragma once
// What a plan or elevation view draws besides the scene's outlines, in
// pixels so that it keeps its size at every zoom: the grid, the symbols of
// lights, particle systems, actors, checkpoints and models, the start
// position, the 3D camera, the selection, vertex handles and the rubber
// band. Needs a current context; loads its own pixel projection.

#include <optional>

#include "edit/editor.h"
#include "edit/plane_pick.h"
#include "edit/plane_view.h"
#include "edit/view_options.h"

namespace qx {

inline constexpr float kPlaneBackground = 0.42f;

// The grid of `grid_size` (thinned out as ComputePlaneGrid says): every
// tenth line stronger, the world axes strongest.
void DrawPlaneGrid(const PlaneView& view, int32_t grid_size);

// Symbols, markers and the rubber band over the outlines.
void DrawPlaneOverlay(const Editor& e, const PlaneView& view, const ViewOptions& o,
                      const std::optional<PixelRect>& rubber_band);

}  // namespace qx

#pragma once
// What a plan or elevation view draws besides the scene's outlines, in
// pixels so that it keeps its size at every zoom: the grid, the symbols of
// lights, particle systems, actors, checkpoints and models, the start
// position, the 3D camera, the selection, vertex handles and the rubber
// band. Needs a current context; loads its own pixel projection.

#include <optional>

#include "document/editor.h"
#include "render/plane_view_scene.h"
#include "tools/plane_pick.h"
#include "tools/plane_view.h"
#include "tools/view_options.h"

namespace qx {

inline constexpr float kPlaneBackground = 0.42f;

// A whole frame of a 2D view into the current framebuffer of `device_width`
// x `device_height` pixels: background, grid, the scene's outlines, then
// symbols and markers.
void DrawPlaneFrame(Editor& e, const PlaneView& view, const ViewOptions& o, PlaneViewScene& scene,
                    const std::optional<PixelRect>& rubber_band, int device_width, int device_height);

// The grid of `grid_size` (thinned out as ComputePlaneGrid says): every
// tenth line stronger, the world axes strongest.
void DrawPlaneGrid(const PlaneView& view, int32_t grid_size);

// Symbols, markers and the rubber band over the outlines.
void DrawPlaneOverlay(const Editor& e, const PlaneView& view, const ViewOptions& o,
                      const std::optional<PixelRect>& rubber_band);

}  // namespace qx

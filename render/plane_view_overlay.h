#pragma once
// What a plan or elevation view draws besides the scene's outlines, in
// pixels so that it keeps its size at every zoom: the grid, the symbols of
// lights, particle systems, actors, checkpoints and models, the start
// position, the 3D camera, the selection, vertex handles and the rubber
// band. Needs a current context; loads its own pixel projection.

#include <optional>
#include <vector>

#include "document/editor.h"
#include "render/frame_cache.h"
#include "render/plane_view_scene.h"
#include "tools/plane_pick.h"
#include "tools/plane_view.h"
#include "tools/view_options.h"

namespace qx {

inline constexpr float kPlaneBackground = 0.42f;

// The picture of a 2D view's still part (background, grid and the outlines
// no drag is moving), kept between frames like the 3D view's FrameCache:
// while the view stands still, a frame copies it back and draws only the
// moving outlines and the overlay, so a drag step costs what moves. The
// copy is exact, so such a frame has the pixels of a full one.
struct PlaneStillPicture {
  FrameCache picture{false};  // nothing in a 2D view is drawn with a depth test
  // What the still part was last drawn from; `content` counts its changes.
  struct Still {
    FrameCache::Key view;  // framebuffer, size, pan, zoom and axes
    int32_t grid = 0;
    ViewOptions options;
    uint64_t revision = 0;  // PlaneViewScene::StillRevision
    bool operator==(const Still&) const = default;
  };
  Still last;
  uint64_t content = 0;
  bool reused = false;  // the last frame copied the picture back
};

// A whole frame of a 2D view into the current framebuffer of `device_width`
// x `device_height` pixels: background, grid, the scene's outlines, then
// symbols and markers. With `kept`, the still part comes from its picture
// when that is the same, and is kept when the view stood still since the
// frame before (a pan or zoom under way would never use it).
void DrawPlaneFrame(Editor& e, const PlaneView& view, const ViewOptions& o, PlaneViewScene& scene,
                    const std::optional<PixelRect>& rubber_band, int device_width, int device_height,
                    PlaneStillPicture* kept = nullptr);

// The grid of `grid_size` (thinned out as ComputePlaneGrid says): every
// tenth line stronger, the world axes strongest.
void DrawPlaneGrid(const PlaneView& view, int32_t grid_size);

// Symbols, markers and the rubber band over the outlines. `symbols`: the
// nodes drawn as symbols in tree order (PlaneLineCache::Symbols); null
// walks the tree for them.
void DrawPlaneOverlay(const Editor& e, const PlaneView& view, const ViewOptions& o,
                      const std::optional<PixelRect>& rubber_band,
                      const std::vector<TSector*>* symbols = nullptr);

}  // namespace qx

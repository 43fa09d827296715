#pragma once
// The viewport's projection and camera view, and the selection pass of
// picking, as both viewport renderers set them up. Needs a current context.

#include <QtGui/qopengl.h>

#include <cstddef>

#include "tools/camera.h"

namespace qx {

inline constexpr double kFieldOfView = 57.0;
inline constexpr double kNearPlane = 1.0;
inline constexpr double kFarPlane = 10000.0;
inline constexpr int kPickMaxHits = 8;  // a click on more objects than this selects nothing

// Viewport and perspective for a panel of w x h pixels (h > 0), then the
// identity model-view.
void LoadViewportProjection(int w, int h);
// The model-view matrix becomes the camera view.
void LoadCameraView(const CameraLookAt& view);
// Projection x model-view of the current matrices, column-major.
void CurrentClipMatrix(double clip[16]);

// The ground grid lies in y = 0, where floors lie too. A line's fragments
// take the depth of its centre line, a triangle's that of the pixel centre,
// so on a face in the grid's plane the two differ by up to half a pixel's
// worth of that plane's depth slope, more than rounding can hide at a
// grazing view. Between these calls the grid is drawn that much farther away:
// window depth grows by one pixel's worth of the plane's slope (constant over
// the screen for a plane) and a few steps of the depth buffer. A face in the
// plane then always covers the grid, while whatever lies more than about a
// pixel's depth below the plane is still hidden by it.
void BeginGridDepth();
void EndGridDepth();
// The window depth the grid is moved by: for the clip matrix `clip`
// (projection x model-view), a viewport of w x h pixels and a depth buffer
// of `depth_bits`. Never more than kGridDepthShiftLimit: a line moved by s
// is clipped by the far plane from about 1 / s units away (the near plane
// being 1), and the limit keeps the whole grid, at most about 700 units
// from a camera low enough to need it, in front of that.
double GridDepthShift(const double clip[16], int w, int h, int depth_bits);
inline constexpr double kGridDepthShiftLimit = 1e-3;

// Portals are drawn half transparent over what was drawn before them and
// leave the depth buffer as it is, so what lies behind them still shows.
// Between the two calls: blending on, depth and alpha writes off.
void BeginPortalBlend();
void EndPortalBlend();

// GL selection mode over the 2 x 2 pixel square centred at client pixel (x, y),
// y downwards, with the perspective of a w x h viewport and the given view.
// The scene is drawn (name stack first) between construction and End, which
// returns the hit count (negative on overflow) and restores the projection.
class PickPass {
 public:
  PickPass(GLuint* buffer, size_t size, int x, int y, int w, int h, const CameraLookAt& view);
  GLint End();
  const double* Clip() const { return clip_; }

 private:
  double clip_[16] = {};
  bool ended_ = false;
};

}  // namespace qx

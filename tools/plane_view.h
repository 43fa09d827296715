#pragma once
// The plan and elevation views: which two world axes a 2D view shows, how
// world points map to its pixels, zoom and pan, framing, and the grid it
// draws. No OpenGL here: the render layer loads the matrix computed here.
//
// "Oben" looks down the y axis with x to the right and z downwards on the
// screen; "Vorne" looks along -z with x to the right and y up; "Seite" looks
// along +x with z to the right and y up. Pixels count from the top left
// corner, y downwards, in the widget's own (logical) units; pixel column c
// spans c..c+1, so a mouse event at column c is at c + 0.5. The point the
// view centres on lies on a pixel's centre, which keeps lines at whole
// coordinates sharp.

#include <cstdint>

#include "scene/vector.h"

namespace qx {

enum class PlaneKind { kTop, kFront, kSide };

struct PlaneAxes {
  int h, v, depth;  // world axis (0 x, 1 y, 2 z) to the right, upwards, toward the viewer
  double h_sign, v_sign, depth_sign;
};
PlaneAxes AxesOf(PlaneKind kind);

// One coordinate of a point by axis index.
inline float& AxisComponent(Vector& p, int axis) {
  return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}
inline float AxisComponent(const Vector& p, int axis) {
  return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

// "Oben", "Vorne", "Seite".
const char* PlaneName(PlaneKind kind);
// The letter of a world axis, 'X', 'Y' or 'Z'.
char AxisLetter(int axis);

inline constexpr double kMinPlaneScale = 1.0 / 64;  // pixels per world unit
inline constexpr double kMaxPlaneScale = 64;
inline constexpr double kDefaultPlaneScale = 1.0;
// One wheel notch zooms by this factor.
inline constexpr double kWheelZoomFactor = 1.25;
// Grid lines closer than this are thinned out.
inline constexpr double kMinGridPixels = 8;

struct PixelPoint {
  double x = 0, y = 0;
};

class PlaneView {
 public:
  explicit PlaneView(PlaneKind kind = PlaneKind::kTop) : kind_(kind), axes_(AxesOf(kind)) {}

  PlaneKind Kind() const { return kind_; }
  const PlaneAxes& Axes() const { return axes_; }

  void SetSize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  double Scale() const { return scale_; }

  // The signed view coordinates of a world point: to the right, upwards,
  // toward the viewer (larger is nearer).
  double H(const Vector& p) const { return axes_.h_sign * AxisComponent(p, axes_.h); }
  double V(const Vector& p) const { return axes_.v_sign * AxisComponent(p, axes_.v); }
  double Depth(const Vector& p) const { return axes_.depth_sign * AxisComponent(p, axes_.depth); }

  PixelPoint ToPixel(const Vector& p) const;
  // The world point under a pixel; the coordinate across the view is taken from `across`.
  Vector ToWorld(double x, double y, const Vector& across) const;
  // The world offset that a pixel offset stands for (nothing across the view).
  Vector PixelOffset(double dx, double dy) const;

  // Zooms by `factor` (clamped to the scale limits) keeping the world point
  // under (x, y) where it is.
  void ZoomAbout(double x, double y, double factor);
  // One wheel turn by `delta` (120 per notch, positive away from the user: in).
  void Wheel(double x, double y, int delta);
  // Moves the picture with the mouse by a pixel offset.
  void Pan(double dx, double dy);
  void CenterOn(const Vector& p);
  // Shows the box with `margin` pixels to spare on every side; a box without
  // extent in the view is only centred.
  void Frame(const Vector& min, const Vector& max, double margin);

  // Projection of world points to clip coordinates, column-major as GL keeps
  // matrices: x and y as ToPixel, depth over +-kPlaneDepthRange, nearer smaller.
  void ClipMatrix(double m[16]) const;
  // The same for points given in view coordinates (H, V, 0).
  void ViewCoordinateClipMatrix(double m[16]) const;

 private:
  double OriginX() const;  // the pixel the centre shows at
  double OriginY() const;

  PlaneKind kind_;
  PlaneAxes axes_;
  int width_ = 1, height_ = 1;
  double scale_ = kDefaultPlaneScale;
  double center_h_ = 0, center_v_ = 0;
};

inline constexpr double kPlaneDepthRange = 1e7;

// The grid lines a view shows: every multiple of `spacing` in both view
// directions between the first and last index. Lines whose index is a
// multiple of 10 are drawn stronger; index 0 is the world axis.
struct PlaneGrid {
  double spacing = 0;
  int64_t first_h = 0, last_h = -1;  // vertical lines at h = k * spacing
  int64_t first_v = 0, last_v = -1;  // horizontal lines at v = k * spacing
  bool Empty() const { return last_h < first_h && last_v < first_v; }
};
// The grid of `grid_size`, ten times coarser as often as needed for lines
// at least kMinGridPixels apart. Empty for a grid size below 1.
PlaneGrid ComputePlaneGrid(const PlaneView& view, int32_t grid_size);
inline bool StrongGridLine(int64_t k) {
  return k % 10 == 0;
}

}  // namespace qx

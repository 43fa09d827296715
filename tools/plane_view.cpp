#include "tools/plane_view.h"

#include <algorithm>
#include <cmath>

namespace qx {

PlaneAxes AxesOf(PlaneKind kind) {
  switch (kind) {
    case PlaneKind::kFront:
      return {0, 1, 2, 1, 1, 1};
    case PlaneKind::kSide:
      return {2, 1, 0, 1, 1, -1};
    case PlaneKind::kTop:
    default:
      return {0, 2, 1, 1, -1, 1};
  }
}

const char* PlaneName(PlaneKind kind) {
  switch (kind) {
    case PlaneKind::kFront:
      return "Vorne";
    case PlaneKind::kSide:
      return "Seite";
    case PlaneKind::kTop:
    default:
      return "Oben";
  }
}

char AxisLetter(int axis) {
  return axis == 0 ? 'X' : axis == 1 ? 'Y' : 'Z';
}

void PlaneView::SetSize(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
}

double PlaneView::OriginX() const {
  return std::floor(width_ / 2.0) + 0.5;
}

double PlaneView::OriginY() const {
  return std::floor(height_ / 2.0) + 0.5;
}

PixelPoint PlaneView::ToPixel(const Vector& p) const {
  return {OriginX() + (H(p) - center_h_) * scale_, OriginY() - (V(p) - center_v_) * scale_};
}

Vector PlaneView::ToWorld(double x, double y, const Vector& across) const {
  double c[3] = {across.x, across.y, across.z};
  c[axes_.h] = axes_.h_sign * (center_h_ + (x - OriginX()) / scale_);
  c[axes_.v] = axes_.v_sign * (center_v_ - (y - OriginY()) / scale_);
  return VectorSet(c[0], c[1], c[2]);
}

Vector PlaneView::PixelOffset(double dx, double dy) const {
  double c[3] = {0, 0, 0};
  c[axes_.h] = axes_.h_sign * dx / scale_;
  c[axes_.v] = -axes_.v_sign * dy / scale_;
  return VectorSet(c[0], c[1], c[2]);
}

void PlaneView::ZoomAbout(double x, double y, double factor) {
  if (!(factor > 0) || !std::isfinite(factor)) return;
  const double h = center_h_ + (x - OriginX()) / scale_;
  const double v = center_v_ - (y - OriginY()) / scale_;
  scale_ = std::clamp(scale_ * factor, kMinPlaneScale, kMaxPlaneScale);
  center_h_ = h - (x - OriginX()) / scale_;
  center_v_ = v + (y - OriginY()) / scale_;
}

void PlaneView::Wheel(double x, double y, int delta) {
  ZoomAbout(x, y, std::pow(kWheelZoomFactor, delta / 120.0));
}

void PlaneView::Pan(double dx, double dy) {
  center_h_ -= dx / scale_;
  center_v_ += dy / scale_;
}

void PlaneView::CenterOn(const Vector& p) {
  if (!std::isfinite(H(p)) || !std::isfinite(V(p))) return;
  center_h_ = H(p);
  center_v_ = V(p);
}

void PlaneView::Frame(const Vector& min, const Vector& max, double margin) {
  const double h0 = H(min), h1 = H(max), v0 = V(min), v1 = V(max);
  if (!std::isfinite(h0 + h1 + v0 + v1)) return;
  center_h_ = (h0 + h1) / 2;
  center_v_ = (v0 + v1) / 2;
  const double extent_h = std::fabs(h1 - h0), extent_v = std::fabs(v1 - v0);
  const double room_w = std::max(width_ - 2 * margin, 1.0), room_h = std::max(height_ - 2 * margin, 1.0);
  double scale = kMaxPlaneScale;
  if (extent_h > 0) scale = std::min(scale, room_w / extent_h);
  if (extent_v > 0) scale = std::min(scale, room_h / extent_v);
  // A single point keeps the zoom; only the view moves to it.
  if (extent_h > 0 || extent_v > 0) scale_ = std::clamp(scale, kMinPlaneScale, kMaxPlaneScale);
}

void PlaneView::ClipMatrix(double m[16]) const {
  std::fill(m, m + 16, 0.0);
  const double sx = 2.0 * scale_ / width_, sy = 2.0 * scale_ / height_;
  // Row r of the product is m[c * 4 + r] over the world axes c; x = 2 px / w - 1, y = 1 - 2 py / h.
  m[axes_.h * 4 + 0] = axes_.h_sign * sx;
  m[12 + 0] = 2.0 * OriginX() / width_ - 1.0 - center_h_ * sx;
  m[axes_.v * 4 + 1] = axes_.v_sign * sy;
  m[12 + 1] = 1.0 - 2.0 * OriginY() / height_ - center_v_ * sy;
  m[axes_.depth * 4 + 2] = -axes_.depth_sign / kPlaneDepthRange;
  m[15] = 1;
}

void PlaneView::ViewCoordinateClipMatrix(double m[16]) const {
  std::fill(m, m + 16, 0.0);
  const double sx = 2.0 * scale_ / width_, sy = 2.0 * scale_ / height_;
  m[0] = sx;
  m[12] = 2.0 * OriginX() / width_ - 1.0 - center_h_ * sx;
  m[5] = sy;
  m[13] = 1.0 - 2.0 * OriginY() / height_ - center_v_ * sy;
  m[10] = 1;
  m[15] = 1;
}

PlaneGrid ComputePlaneGrid(const PlaneView& view, int32_t grid_size) {
  PlaneGrid g;
  if (grid_size < 1) return g;
  double spacing = grid_size;
  // Bounded: the scale never falls below kMinPlaneScale.
  while (spacing * view.Scale() < kMinGridPixels) spacing *= 10;
  g.spacing = spacing;
  const Vector a = view.ToWorld(0, view.Height(), {});
  const Vector b = view.ToWorld(view.Width(), 0, {});
  const double h0 = view.H(a), h1 = view.H(b), v0 = view.V(a), v1 = view.V(b);
  // Far out (a damaged file framed) the line indices would not fit: no grid there.
  constexpr double kFarthest = 1e15;
  for (double c : {h0, h1, v0, v1})
    if (!(std::fabs(c / spacing) < kFarthest)) return g;
  g.first_h = static_cast<int64_t>(std::ceil(std::min(h0, h1) / spacing));
  g.last_h = static_cast<int64_t>(std::floor(std::max(h0, h1) / spacing));
  g.first_v = static_cast<int64_t>(std::ceil(std::min(v0, v1) / spacing));
  g.last_v = static_cast<int64_t>(std::floor(std::max(v0, v1) / spacing));
  return g;
}

}  // namespace qx

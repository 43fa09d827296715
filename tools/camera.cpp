#include "tools/camera.h"

#include <cmath>

namespace qx {

namespace {

// A damaged document can carry NaN or infinite angles; they would make
// every later frame empty, so such an angle starts again from 0.
void Sanitize(float& angle) {
  if (!std::isfinite(angle)) angle = 0.0f;
}

Vector Scaled(Vector v, double s) {
  return VectorScale(v, s);
}

}  // namespace

CameraLookAt ApplyCameraView(Editor& e) {
  Sanitize(e.CameraHeading);
  Sanitize(e.CameraPitch);
  WrapAngle(e.CameraHeading);
  if (e.CameraPitch > 90.0f) e.CameraPitch = 90.0f;
  if (e.CameraPitch < -90.0f) e.CameraPitch = -90.0f;
  // The radians stay in double: rounded to float, 180 degrees would leave
  // sin(h) at -8.7e-8, enough to move the look-at point off the grid line x = 0.
  const double h = double(e.CameraHeading) * kPi / 180.0;
  const double p = double(e.CameraPitch) * kPi / 180.0;
  const double d = e.LookDistance;
  // The horizontal part is not scaled by cos(p): at +-90 the view is 45 degrees up or down.
  e.CameraTarget = VectorSet(e.CameraPosition.x + std::sin(h) * d, e.CameraPosition.y + std::sin(p) * d,
                             e.CameraPosition.z + std::cos(h) * d);
  return {e.CameraPosition, e.CameraTarget, kCameraUp};
}

Vector CameraViewDirection(const Editor& e) {
  Vector u = VectorSubtract(e.CameraTarget, e.CameraPosition);
  if (VectorLengthD(u) == 0.0) return {0, 0, 0};  // a look distance of 0 gives no direction
  return VectorNormalize(u);
}

void MoveCameraByKey(Editor& e, char key, double speed) {
  ApplyCameraView(e);
  Vector d = Scaled(CameraViewDirection(e), kKeyStep * speed);
  const Vector rise = VectorSet(0, kKeyStep * speed, 0);
  switch (key) {
    case 'W':
      e.CameraPosition = VectorAdd(e.CameraPosition, d);
      break;
    case 'S':
      e.CameraPosition = VectorSubtract(e.CameraPosition, d);
      break;
    case 'A':  // not renormalised: the step shrinks as the view tilts
      e.CameraPosition = VectorAdd(e.CameraPosition, VectorCross(kCameraUp, d));
      break;
    case 'D':
      e.CameraPosition = VectorAdd(e.CameraPosition, VectorCross(d, kCameraUp));
      break;
    case 'Q':
      e.CameraPosition = VectorSubtract(e.CameraPosition, rise);
      break;
    case 'E':
      e.CameraPosition = VectorAdd(e.CameraPosition, rise);
      break;
    default:
      break;
  }
}

void MoveCameraByWheel(Editor& e, int delta, double speed) {
  ApplyCameraView(e);
  const Vector u = Scaled(CameraViewDirection(e), delta / 10.0 * speed);
  e.CameraPosition = VectorAdd(e.CameraPosition, u);
}

void DragCamera(Editor& e, int dx, int dy, bool invert_look) {
  if (dx == 0 && dy == 0) return;
  if (e.CameraMode == CameraMode::kLook) {
    e.CameraHeading = static_cast<float>(e.CameraHeading + dx * double(kLookSensitivity));
    e.CameraPitch = static_cast<float>(e.CameraPitch + (invert_look ? -dy : dy) * double(kLookSensitivity));
    return;
  }
  // Move mode: strafe with the horizontal motion, then go forward with the vertical one.
  auto back = [&] {
    Vector b = VectorSubtract(e.CameraPosition, e.CameraTarget);
    if (VectorLengthD(b) == 0.0) return Vector{};
    return VectorNormalize(b);
  };
  Vector b = Scaled(back(), dx);
  e.CameraPosition = VectorAdd(e.CameraPosition, VectorCross(b, kCameraUp));
  b = Scaled(back(), -dy);
  e.CameraPosition = VectorAdd(e.CameraPosition, b);
}

GridLayout ComputeGrid(const Vector& camera_position, int32_t grid_size, int32_t grid_extent) {
  GridLayout g;
  if (grid_size <= 0 || grid_extent < 0) return g;
  const double size = grid_size;
  g.center_x = static_cast<float>(std::nearbyint(camera_position.x / size) * size);
  g.center_z = static_cast<float>(std::nearbyint(camera_position.z / size) * size);
  g.size = static_cast<float>(grid_size);
  g.extent = static_cast<float>(grid_extent);
  g.count = grid_extent / grid_size;
  return g;
}

bool BoxOutsideClipVolume(const double clip[16], const Vector& min, const Vector& max, double xy_widen) {
  // Each plane test is linear in homogeneous coordinates, so when all eight
  // corners fail the same one, every point of the box does, whatever the sign of w.
  int outside[6] = {0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 8; ++i) {
    const double p[3] = {(i & 1) ? max.x : min.x, (i & 2) ? max.y : min.y, (i & 4) ? max.z : min.z};
    double c[4];
    for (int r = 0; r < 4; ++r)
      c[r] = clip[r] * p[0] + clip[4 + r] * p[1] + clip[8 + r] * p[2] + clip[12 + r];
    const double wxy = c[3] * xy_widen;
    outside[0] += c[0] > wxy;
    outside[1] += c[0] < -wxy;
    outside[2] += c[1] > wxy;
    outside[3] += c[1] < -wxy;
    outside[4] += c[2] > c[3];
    outside[5] += c[2] < -c[3];
  }
  for (int n : outside)
    if (n == 8) return true;
  return false;
}

}  // namespace qx

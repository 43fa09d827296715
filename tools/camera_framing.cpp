#include "tools/camera_framing.h"

#include <algorithm>
#include <cmath>

#include "commands/selection_bounds.h"
#include "tools/camera.h"

namespace qx {

bool FrameSelection(Editor& e, double aspect) {
  const Box box = SelectionBox(e);
  if (box.empty) return false;
  ApplyCameraView(e);
  const Vector u = CameraViewDirection(e);
  if (VectorLengthD(u) == 0.0) return false;
  const Vector size = box.Size();
  const double radius = VectorLengthD(size) / 2;
  // The narrower of the two opening angles decides.
  const double half_v = kViewFieldOfView / 2 * kPi / 180.0;
  const double half_h = std::atan(std::tan(half_v) * (aspect > 0 ? aspect : 1.0));
  const double half = std::min(half_v, half_h);
  const double distance = std::max(radius / std::sin(half), kMinFrameDistance);
  const Vector c = box.Center();
  e.CameraPosition = VectorSet(c.x - u.x * distance, c.y - u.y * distance, c.z - u.z * distance);
  ApplyCameraView(e);
  e.Redraw();
  return true;
}

void ResetCameraView(Editor& e) {
  const CameraState fresh;
  e.CameraPosition = fresh.CameraPosition;
  e.CameraHeading = fresh.CameraHeading;
  e.CameraPitch = fresh.CameraPitch;
  e.LookDistance = fresh.LookDistance;
  ApplyCameraView(e);
  e.Redraw();
}

}  // namespace qx

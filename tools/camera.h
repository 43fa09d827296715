#pragma once
// Camera math of the viewport: the look-at view, the W/A/S/D, wheel and
// right-drag moves, and where the ground grid lies. No OpenGL here: the
// render layer loads the returned view, so all of this runs headless.

#include "document/editor.h"

namespace qx {

inline constexpr Vector kCameraUp{0, 1, 0};
inline constexpr float kKeyStep = 2.0f;          // W, S: world units along the view
inline constexpr float kLookSensitivity = 0.5f;  // degrees per pixel

struct CameraLookAt {
  Vector eye, center, up;
};

// Wraps the heading once, clamps the pitch to -90..90, recomputes
// CameraTarget and returns the view to load.
CameraLookAt ApplyCameraView(Editor& e);

// (CameraTarget - CameraPosition) normalised, as left by ApplyCameraView.
Vector CameraViewDirection(const Editor& e);

// With Shift held, keys and wheel move this many times as far.
inline constexpr double kFastCameraFactor = 4.0;

// One press of W, A, S or D, or Q (down) and E (up) along the up vector (any
// other key: nothing), `speed` times the step. Calls ApplyCameraView first.
void MoveCameraByKey(Editor& e, char key, double speed = 1.0);

// A wheel turn by `delta` (120 per notch, positive away from the user).
void MoveCameraByWheel(Editor& e, int delta, double speed = 1.0);

// The camera part of a right-button drag; dx = last x - x, dy = last y - y.
// `invert_look` ("Maus umkehren"): in look mode, dragging up looks down.
void DragCamera(Editor& e, int dx, int dy, bool invert_look = false);

// The ground grid: lines at centre + k * size for |k| <= count, each
// spanning centre +- extent. Empty (count < 0) when the grid size is not positive.
struct GridLayout {
  float center_x = 0, center_z = 0;
  float size = 0, extent = 0;
  int count = -1;
};
GridLayout ComputeGrid(const Vector& camera_position, int32_t grid_size, int32_t grid_extent);

// `clip` is a column-major projection x model-view matrix (as GL keeps it).
// True when the box between min and max lies wholly outside one plane of its
// clip volume widened by `xy_widen` across (1: as it is): nothing inside the
// box can then reach the volume. Conservative: a box that straddles a plane,
// or has a NaN corner, is never outside.
bool BoxOutsideClipVolume(const double clip[16], const Vector& min, const Vector& max, double xy_widen);

}  // namespace qx

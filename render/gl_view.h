#pragma once
// The viewport's projection and camera view, and the selection pass of
// picking, as both viewport renderers set them up. Needs a current context.

#include <QtGui/qopengl.h>

#include <cstddef>

#include "edit/camera.h"

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

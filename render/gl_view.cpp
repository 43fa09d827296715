#include "render/gl_view.h"

#include <GL/glu.h>

namespace qx {

void LoadViewportProjection(int w, int h) {
  glViewport(0, 0, w, h);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const float aspect = static_cast<float>(w) / static_cast<float>(h);
  gluPerspective(kFieldOfView, aspect, kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void LoadCameraView(const CameraLookAt& v) {
  gluLookAt(v.eye.x, v.eye.y, v.eye.z, v.center.x, v.center.y, v.center.z, v.up.x, v.up.y, v.up.z);
}

void CurrentClipMatrix(double clip[16]) {
  GLdouble projection[16], model[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += projection[k * 4 + r] * model[c * 4 + k];
      clip[c * 4 + r] = sum;
    }
}

PickPass::PickPass(GLuint* buffer, size_t size, int x, int y, int w, int h, const CameraLookAt& view) {
  glSelectBuffer(static_cast<GLsizei>(size), buffer);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glRenderMode(GL_SELECT);
  glLoadIdentity();
  gluPickMatrix(x, viewport[3] - y, 2, 2, viewport);
  gluPerspective(kFieldOfView, static_cast<float>(w) / static_cast<float>(h), kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  // The view the last frame loaded, reloaded in case anything else touched the matrix since.
  glLoadIdentity();
  LoadCameraView(view);
  CurrentClipMatrix(clip_);
}

GLint PickPass::End() {
  if (ended_) return 0;
  ended_ = true;
  const GLint hits = glRenderMode(GL_RENDER);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  return hits;
}

}  // namespace qx

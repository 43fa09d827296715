#include "render/gl_view.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>

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

double GridDepthShift(const double m[16], int w, int h, int depth_bits) {
  if (w <= 0 || h <= 0) return 0;
  // A point (x, 0, z) of the plane has the clip coordinates A (x, z, 1), A
  // being the columns 0, 2 and 3 of the clip matrix. Rows x, y, w of A make
  // B; then the normalised depth is k . (u, v, 1) with k = (row z of A) B^-1,
  // for normalised device coordinates u, v: affine, so its slope is k0, k1.
  auto a = [&](int row, int col) { return m[(col == 0 ? 0 : col == 1 ? 2 : 3) * 4 + row]; };
  const int rows[3] = {0, 1, 3};
  double b[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) b[r][c] = a(rows[r], c);
  // B^-1 = adj(B) / det(B); adj[r][c] is the cofactor of element (c, r).
  auto cofactor = [&](int r, int c) {
    const int r0 = r == 0 ? 1 : 0, r1 = r == 2 ? 1 : 2, c0 = c == 0 ? 1 : 0, c1 = c == 2 ? 1 : 2;
    const double minor = b[r0][c0] * b[r1][c1] - b[r0][c1] * b[r1][c0];
    return (r + c) % 2 == 0 ? minor : -minor;
  };
  const double det = b[0][0] * cofactor(0, 0) + b[0][1] * cofactor(0, 1) + b[0][2] * cofactor(0, 2);
  // The eye in the plane: it shows as a line, there is nothing to cover.
  if (!(std::fabs(det) > 1e-12)) return 0;
  double k[2];
  for (int c = 0; c < 2; ++c) {
    double sum = 0;
    for (int r = 0; r < 3; ++r) sum += a(2, r) * cofactor(c, r);
    k[c] = sum / det;
  }
  // Normalised depth and coordinates span 2; window depth 1 and w or h pixels.
  const double slope = std::max(std::fabs(k[0]) / w, std::fabs(k[1]) / h);
  const double step =
      depth_bits > 0 && depth_bits < 32 ? 1.0 / double((1u << depth_bits) - 1) : 1.0 / 16777215;
  return std::min(slope + 4 * step, kGridDepthShiftLimit);
}

void BeginGridDepth() {
  double clip[16];
  CurrentClipMatrix(clip);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLint bits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &bits);
  const double shift = GridDepthShift(clip, viewport[2], viewport[3], bits);
  // Normalised depth z / w grows by 2 x shift: row z of the projection gains 2 x shift x row w.
  GLdouble p[16];
  glGetDoublev(GL_PROJECTION_MATRIX, p);
  for (int c = 0; c < 4; ++c) p[c * 4 + 2] += 2 * shift * p[c * 4 + 3];
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadMatrixd(p);
  glMatrixMode(GL_MODELVIEW);
}

void EndGridDepth() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

void BeginPortalBlend() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // The picture stays opaque: the window takes the buffer's alpha as it is.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  glDepthMask(GL_FALSE);
}

void EndPortalBlend() {
  glDepthMask(GL_TRUE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDisable(GL_BLEND);
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

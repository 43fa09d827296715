#pragma once
// GL state of the retained renderer with a shadow copy, so that a batch
// sends only what differs from the one before, and the vertex layout of its
// buffers. Only for render/retained_*.cpp.

#include <QOpenGLFunctions_2_1>
#include <cstddef>

#include "render/retained_chunk.h"

namespace qx {

inline GLenum GlMode(Primitive p) {
  switch (p) {
    case Primitive::kTriangles:
      return GL_TRIANGLES;
    case Primitive::kLines:
      return GL_LINES;
    case Primitive::kLineStrip:
      return GL_LINE_STRIP;
    case Primitive::kTriangleFan:
      return GL_TRIANGLE_FAN;
    case Primitive::kQuadStrip:
      return GL_QUAD_STRIP;
    case Primitive::kPolygon:
      return GL_POLYGON;
  }
  return GL_TRIANGLES;
}

class RetainedGlState {
 public:
  explicit RetainedGlState(QOpenGLFunctions_2_1* gl) : gl_(gl) {}

  // Forgets what GL holds (others may have changed it since).
  void Reset() { s_ = {}; }

  void Unit(int u) {
    if (s_.unit == u) return;
    s_.unit = u;
    gl_->glActiveTexture(GLenum(GL_TEXTURE0 + u));
  }
  void Texture(int u, bool on, GLuint name) {
    if (s_.tex[u] != int(on)) {
      Unit(u);
      s_.tex[u] = on;
      if (on)
        glEnable(GL_TEXTURE_2D);
      else
        glDisable(GL_TEXTURE_2D);
    }
    if (on && s_.bound[u] != int64_t(name)) {
      Unit(u);
      s_.bound[u] = name;
      glBindTexture(GL_TEXTURE_2D, name);
    }
  }
  void TexturesOff() {
    Texture(1, false, 0);
    Texture(0, false, 0);
  }
  void Cull(bool on) {
    if (s_.cull == int(on)) return;
    s_.cull = on;
    if (on)
      glEnable(GL_CULL_FACE);
    else
      glDisable(GL_CULL_FACE);
  }
  void Lines(bool on) {
    if (s_.lines == int(on)) return;
    s_.lines = on;
    glPolygonMode(GL_FRONT_AND_BACK, on ? GL_LINE : GL_FILL);
  }
  void Width(float w) {
    if (s_.width == w) return;
    s_.width = w;
    glLineWidth(w);
  }
  void Depth(bool on) {
    if (s_.depth == int(on)) return;
    s_.depth = on;
    if (on)
      glEnable(GL_DEPTH_TEST);
    else
      glDisable(GL_DEPTH_TEST);
  }
  void ColorArray(bool on) {
    if (s_.colors == int(on)) return;
    s_.colors = on;
    if (on)
      glEnableClientState(GL_COLOR_ARRAY);
    else
      glDisableClientState(GL_COLOR_ARRAY);
  }

  // The vertex arrays point into `buffer` (0: client memory at `base`).
  void Buffer(GLuint buffer, const DrawVertex* base = nullptr) {
    if (buffer && s_.buffer == int64_t(buffer)) return;
    s_.buffer = buffer ? int64_t(buffer) : -1;
    gl_->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const char* b = reinterpret_cast<const char*>(base);
    constexpr GLsizei kStride = sizeof(DrawVertex);
    glVertexPointer(3, GL_FLOAT, kStride, b + offsetof(DrawVertex, pos));
    glColorPointer(4, GL_FLOAT, kStride, b + offsetof(DrawVertex, color));
    gl_->glClientActiveTexture(GL_TEXTURE0);
    glTexCoordPointer(2, GL_FLOAT, kStride, b + offsetof(DrawVertex, uv0));
    gl_->glClientActiveTexture(GL_TEXTURE1);
    glTexCoordPointer(2, GL_FLOAT, kStride, b + offsetof(DrawVertex, uv1));
  }
  void ForgetBuffer() { s_.buffer = -1; }

  void BeginArrays() {
    glEnableClientState(GL_VERTEX_ARRAY);
    s_.coords[0] = s_.coords[1] = -1;
  }
  // Texture coordinates are fetched only for the units that texture: the
  // fetch costs a software rasterizer as much as the vertex's transform.
  void CoordArrays(bool unit0, bool unit1) {
    const bool on[2] = {unit0, unit1};
    for (int u = 0; u < 2; ++u) {
      if (s_.coords[u] == int(on[u])) continue;
      s_.coords[u] = on[u];
      gl_->glClientActiveTexture(GLenum(GL_TEXTURE0 + u));
      if (on[u])
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      else
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
  }
  // Leaves GL as immediate-mode drawing expects it: no arrays, no buffer, unit 0.
  void EndArrays() {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    gl_->glClientActiveTexture(GL_TEXTURE1);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    gl_->glClientActiveTexture(GL_TEXTURE0);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, 0);
    Unit(0);
    s_ = {};
  }

 private:
  QOpenGLFunctions_2_1* gl_;
  struct {
    int unit = -1;
    int tex[2] = {-1, -1};
    int64_t bound[2] = {-1, -1};
    int cull = -1, lines = -1, depth = -1, colors = -1;
    int coords[2] = {-1, -1};
    float width = -1;
    int64_t buffer = -1;
  } s_;
};

}  // namespace qx

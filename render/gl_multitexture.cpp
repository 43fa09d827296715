#include "render/gl_multitexture.h"

#include <QOpenGLContext>

namespace qx {

namespace {

// Stand-ins for an implementation with a single texture unit: unit 0
// works as usual, unit 1 is never selected.
void APIENTRY SingleUnitActiveTexture(GLenum) {}
void APIENTRY SingleUnitTexCoord(GLenum unit, GLfloat s, GLfloat t) {
  if (unit == GL_TEXTURE0) glTexCoord2f(s, t);
}

}  // namespace

void GlMultitexture::Resolve() {
  ActiveTexture = &SingleUnitActiveTexture;
  MultiTexCoord2f = &SingleUnitTexCoord;
  two_units = false;
  QOpenGLContext* ctx = QOpenGLContext::currentContext();
  if (!ctx) return;
  // getProcAddress answers non-null for unknown names too, so the
  // extension or the version decides which names are real.
  const char* active = nullptr;
  const char* coord = nullptr;
  if (ctx->hasExtension("GL_ARB_multitexture")) {
    active = "glActiveTextureARB";
    coord = "glMultiTexCoord2fARB";
  } else if (ctx->format().version() >= qMakePair(1, 3)) {
    active = "glActiveTexture";
    coord = "glMultiTexCoord2f";
  } else {
    return;
  }
  auto a = reinterpret_cast<ActiveTextureFn>(ctx->getProcAddress(active));
  auto c = reinterpret_cast<MultiTexCoord2fFn>(ctx->getProcAddress(coord));
  if (!a || !c) return;
  GLint units = 1;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
  if (units < 2) return;
  ActiveTexture = a;
  MultiTexCoord2f = c;
  two_units = true;
}

}  // namespace qx

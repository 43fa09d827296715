#pragma once
// The two multitexture entry points. They are looked up at run time: the
// system GL library does not export the ARB names for linking.

#include <QtGui/qopengl.h>

namespace qx {

struct GlMultitexture {
  using ActiveTextureFn = void(APIENTRY*)(GLenum);
  using MultiTexCoord2fFn = void(APIENTRY*)(GLenum, GLfloat, GLfloat);

  ActiveTextureFn ActiveTexture = nullptr;
  MultiTexCoord2fFn MultiTexCoord2f = nullptr;
  bool two_units = false;

  // Needs a current context. Prefers the ARB names, takes the GL 1.3 core
  // names otherwise; without either, texture unit 1 is simply not used.
  void Resolve();
};

}  // namespace qx

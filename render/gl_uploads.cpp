#include "render/gl_uploads.h"

#include <GL/glu.h>
#include <QtGui/qopengl.h>

#include <QOpenGLContext>

namespace qx {

namespace {

uint32_t Upload(const uint8_t* rgb, int width, int height, GLint filter, bool clamp) {
  if (!QOpenGLContext::currentContext() || !rgb || width <= 0 || height <= 0) return 0;
  GLuint name = 0;
  glGenTextures(1, &name);
  if (name == 0) return 0;
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  if (clamp) {
    // To the edge: GL_CLAMP would blend the outermost texels with the black
    // border colour and darken every lightmapped triangle along its edges.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  // Rows are tightly packed, whatever their width.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb) != 0) {
    glDeleteTextures(1, &name);
    return 0;
  }
  return name;
}

}  // namespace

uint32_t UploadTexturePixels(const uint8_t* rgb, int width, int height) {
  return Upload(rgb, width, height, GL_NEAREST, false);
}

uint32_t UploadLightmapPixels(const uint8_t* rgb, int width, int height) {
  return Upload(rgb, width, height, GL_LINEAR, true);
}

bool ReplaceLightmapPixels(uint32_t name, const uint8_t* rgb, int width, int height) {
  if (!QOpenGLContext::currentContext() || name == 0 || !rgb || width <= 0 || height <= 0) return false;
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // Every level anew, as the upload made them.
  const bool ok = gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb) == 0;
  glBindTexture(GL_TEXTURE_2D, 0);
  return ok;
}

void DeleteTextureName(uint32_t name) {
  if (name == 0 || !QOpenGLContext::currentContext()) return;
  GLuint n = name;
  glDeleteTextures(1, &n);
}

}  // namespace qx

#include "render/frame_cache.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>

namespace qx {

namespace {

void ClearErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

// The internal format of an attachment of the bound draw framebuffer: of a
// renderbuffer or a 2D texture level; 0 when it is neither.
GLint AttachmentFormat(QOpenGLExtraFunctions* f, GLenum attachment) {
  GLint type = GL_NONE, name = 0;
  f->glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment,
                                           GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
  if (type != GL_RENDERBUFFER && type != GL_TEXTURE) return 0;
  f->glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment,
                                           GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
  GLint format = 0;
  if (type == GL_RENDERBUFFER) {
    GLint before = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &before);
    f->glBindRenderbuffer(GL_RENDERBUFFER, GLuint(name));
    f->glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT, &format);
    f->glBindRenderbuffer(GL_RENDERBUFFER, GLuint(before));
  } else {
    GLint level = 0, before = 0;
    f->glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment,
                                             GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL, &level);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &before);
    glBindTexture(GL_TEXTURE_2D, GLuint(name));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glBindTexture(GL_TEXTURE_2D, GLuint(before));
  }
  return format;
}

}  // namespace

FrameCache::Key FrameCache::CurrentTarget(int width, int height) {
  Key k;
  GLint target = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &target);
  k.target = uint32_t(target);
  k.width = width;
  k.height = height;
  glGetDoublev(GL_PROJECTION_MATRIX, k.projection);
  glGetDoublev(GL_MODELVIEW_MATRIX, k.modelview);
  return k;
}

uint32_t FrameCache::Buffers() const {
  return depth_wanted_ ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT;
}

bool FrameCache::Restore(const Key& key) {
  if (!usable_ || !valid_ || !(key == key_)) return false;
  gl_->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
  gl_->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, key.target);
  gl_->glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, Buffers(), GL_NEAREST);
  gl_->glBindFramebuffer(GL_FRAMEBUFFER, key.target);
  if (!depth_wanted_) glClear(GL_DEPTH_BUFFER_BIT);
  return true;
}

bool FrameCache::Allocate(const Key& key) {
  QOpenGLContext* ctx = QOpenGLContext::currentContext();
  if (!ctx) return false;
  // Blits and multisampled renderbuffers came with GL 3.0 (or the extension).
  if (ctx->format().version() < qMakePair(3, 0) && !ctx->hasExtension("GL_ARB_framebuffer_object"))
    return false;
  gl_ = ctx->extraFunctions();
  // The window system's own framebuffer does not tell its formats reliably.
  if (key.target == 0) return false;
  const GLint depth_format = depth_wanted_ ? AttachmentFormat(gl_, GL_DEPTH_ATTACHMENT) : 0;
  if (depth_wanted_ && depth_format == 0) return false;
  GLint colour_format = AttachmentFormat(gl_, GL_COLOR_ATTACHMENT0);
  if (colour_format == 0 || colour_format == GL_RGB || colour_format == GL_RGBA) colour_format = GL_RGBA8;
  GLint samples = 0;
  glGetIntegerv(GL_SAMPLES, &samples);
  if (fbo_ && width_ == key.width && height_ == key.height && samples_ == samples &&
      colour_format_ == colour_format && depth_format_ == depth_format)
    return true;
  Release();
  gl_ = ctx->extraFunctions();
  GLint before = 0;
  glGetIntegerv(GL_RENDERBUFFER_BINDING, &before);
  gl_->glGenFramebuffers(1, &fbo_);
  gl_->glGenRenderbuffers(1, &colour_);
  if (depth_wanted_) gl_->glGenRenderbuffers(1, &depth_);
  gl_->glBindRenderbuffer(GL_RENDERBUFFER, colour_);
  gl_->glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GLenum(colour_format), key.width,
                                        key.height);
  if (depth_wanted_) {
    gl_->glBindRenderbuffer(GL_RENDERBUFFER, depth_);
    gl_->glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GLenum(depth_format), key.width,
                                          key.height);
  }
  gl_->glBindRenderbuffer(GL_RENDERBUFFER, GLuint(before));
  gl_->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo_);
  gl_->glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
  if (depth_wanted_) {
    const bool stencil = depth_format == GL_DEPTH24_STENCIL8 || depth_format == GL_DEPTH32F_STENCIL8 ||
                         depth_format == GL_DEPTH_STENCIL;
    gl_->glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER,
                                   stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                   GL_RENDERBUFFER, depth_);
  }
  const bool complete = gl_->glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  gl_->glBindFramebuffer(GL_FRAMEBUFFER, key.target);
  width_ = key.width;
  height_ = key.height;
  samples_ = samples;
  colour_format_ = colour_format;
  depth_format_ = depth_format;
  return complete;
}

void FrameCache::Store(const Key& key) {
  valid_ = false;
  if (!usable_ || key.width <= 0 || key.height <= 0) return;
  ClearErrors();
  if (!Allocate(key)) {
    Release();
    usable_ = false;
    return;
  }
  gl_->glBindFramebuffer(GL_READ_FRAMEBUFFER, key.target);
  gl_->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo_);
  gl_->glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, Buffers(), GL_NEAREST);
  gl_->glBindFramebuffer(GL_FRAMEBUFFER, key.target);
  if (glGetError() != GL_NO_ERROR) {
    // Formats the blit would not copy: full frames from now on.
    Release();
    usable_ = false;
    return;
  }
  key_ = key;
  valid_ = true;
}

void FrameCache::Release() {
  valid_ = false;
  if (gl_ && QOpenGLContext::currentContext()) {
    if (fbo_) gl_->glDeleteFramebuffers(1, &fbo_);
    if (colour_) gl_->glDeleteRenderbuffers(1, &colour_);
    if (depth_) gl_->glDeleteRenderbuffers(1, &depth_);
  }
  fbo_ = colour_ = depth_ = 0;
  width_ = height_ = samples_ = 0;
  colour_format_ = depth_format_ = 0;
  usable_ = true;
}

}  // namespace qx

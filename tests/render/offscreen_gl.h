#pragma once
// A compatibility-profile context drawing into a framebuffer object, for
// render tests and benchmarks without a window, with both renderers.

#include <GL/glu.h>

#include <QColor>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <memory>

#include "render/gl_uploads.h"
#include "render/retained_renderer.h"
#include "render/scene_renderer.h"
#include "support/qt_app.h"

namespace qx::test {

class OffscreenGl {
 public:
  OffscreenGl(int w, int h) : w_(w), h_(h) {
    (void)app_;
    surface_.setFormat(ViewportPanel::RequestedFormat());
    surface_.create();
    context_.setFormat(ViewportPanel::RequestedFormat());
    if (!context_.create() || !context_.makeCurrent(&surface_)) return;
    fbo_ = std::make_unique<QOpenGLFramebufferObject>(w, h, QOpenGLFramebufferObject::Depth);
    if (!fbo_->isValid() || !fbo_->bind()) return;
    for (ViewportRenderer* r :
         {static_cast<ViewportRenderer*>(&renderer), static_cast<ViewportRenderer*>(&retained)}) {
      r->InitOpenGL();
      r->CreateSphereQuadric();
      r->SetupViewport(w, h);
    }
    ok_ = true;
  }
  ~OffscreenGl() {
    if (ok_ && context_.makeCurrent(&surface_)) {
      renderer.Release();
      retained.Release();
    }
    fbo_.reset();
    context_.doneCurrent();
  }
  bool ok() const { return ok_; }
  QImage Image() { return fbo_->toImage().convertToFormat(QImage::Format_RGB32); }
  // The colour of `img` (the frame just drawn) where the world point p falls,
  // by the matrices that frame left loaded.
  QColor PixelAt(const QImage& img, Vector p) const {
    GLdouble model[16], proj[16], x, y, z;
    GLint vp[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, vp);
    gluProject(p.x, p.y, p.z, model, proj, vp, &x, &y, &z);
    return QColor(img.pixel(int(x), h_ - 1 - int(y)));
  }
  int width() const { return w_; }
  int height() const { return h_; }

  SceneRenderer renderer;  // the immediate-mode reference
  RetainedRenderer retained;

 private:
  bool app_ = (EnsureApp(), true);  // before the surface below
  int w_, h_;
  QOffscreenSurface surface_;
  QOpenGLContext context_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
  bool ok_ = false;
};

// Textures and lightmaps made in the current context.
class GlUploads : public TextureUploader, public LightmapUploader {
 public:
  uint32_t Upload(const RgbImage& p) override { return UploadTexturePixels(p.rgb.data(), p.width, p.height); }
  uint32_t Upload(const Lightmap& m) override {
    return UploadLightmapPixels(m.rgb.data(), m.width, m.height);
  }
  void Release(uint32_t name) override { DeleteTextureName(name); }
};

}  // namespace qx::test

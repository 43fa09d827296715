#pragma once
// A compatibility-profile context drawing into a framebuffer object, for
// render tests and benchmarks without a window, with both renderers.

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <memory>

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

}  // namespace qx::test

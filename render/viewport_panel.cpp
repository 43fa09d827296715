#include "render/viewport_panel.h"

#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>

#include "render/gl_uploads.h"
#include "render/retained_renderer.h"
#include "render/scene_renderer.h"

namespace qx {

ViewportPanel::ViewportPanel(Editor& editor, QWidget* parent) : QOpenGLWidget(parent), editor_(editor) {
  setObjectName("ViewportPanel");
  setFormat(RequestedFormat());
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);                           // every move over the panel draws a frame, buttons or not
  setUpdateBehavior(QOpenGLWidget::PartialUpdate);  // a frame drawn by Redraw survives until shown
  setMinimumSize(64, 64);
  UseRenderer(RendererKind::kRetained);
}

ViewportPanel::~ViewportPanel() {
  ReleaseGL();
}

void ViewportPanel::UseRenderer(RendererKind kind) {
  if (renderer_ && kind == kind_) return;
  const bool was_ready = gl_ready_;
  if (was_ready && MakeCurrent()) renderer_->Release();
  std::function<uint32_t(int)> names = renderer_ ? renderer_->texture_name : nullptr;
  kind_ = kind;
  if (kind == RendererKind::kRetained) {
    auto retained = std::make_unique<RetainedRenderer>();
    // Tests let every frame check the buffers against the scene, to find a
    // change that no command announced; the product trusts the change sets.
    if (qEnvironmentVariableIsSet("QX_VERIFY_FRAMES")) retained->SetVerifyEachFrame(true, true);
    renderer_ = std::move(retained);
  } else {
    renderer_ = std::make_unique<SceneRenderer>();
  }
  renderer_->texture_name = std::move(names);
  if (was_ready && MakeCurrent()) {
    renderer_->InitOpenGL();
    renderer_->CreateSphereQuadric();
    SetupViewport();
  }
}

QSurfaceFormat ViewportPanel::RequestedFormat() {
  QSurfaceFormat f;
  f.setRenderableType(QSurfaceFormat::OpenGL);
  f.setVersion(2, 1);
  f.setProfile(QSurfaceFormat::CompatibilityProfile);
  f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  f.setRedBufferSize(5);
  f.setGreenBufferSize(5);
  f.setBlueBufferSize(5);
  f.setDepthBufferSize(24);
  return f;
}

bool ViewportPanel::OpenGLAvailable() {
  QOffscreenSurface surface;
  surface.setFormat(RequestedFormat());
  surface.create();
  if (!surface.isValid()) return false;
  QOpenGLContext context;
  context.setFormat(RequestedFormat());
  if (!context.create() || !context.makeCurrent(&surface)) return false;
  const bool compatible = context.format().profile() != QSurfaceFormat::CoreProfile;
  context.doneCurrent();
  return compatible;
}

void ViewportPanel::initializeGL() {
  context_created_ = true;
  // A context made anew (the widget moved to another window) needs its
  // state and quadric again.
  if (init_requested_) {
    gl_ready_ = false;
    renderer_->Release();
    InitOpenGL();
    CreateSphereQuadric();
  }
}

bool ViewportPanel::InitOpenGL() {
  init_requested_ = true;
  QOpenGLContext* ctx = context();
  const bool usable = context_created_ && isValid() && ctx &&
                      ctx->format().profile() != QSurfaceFormat::CoreProfile && MakeCurrent();
  if (!usable) {
    gl_ready_ = false;
    hide();
    return false;
  }
  renderer_->InitOpenGL();
  if (!renderer_->Ready() && kind_ == RendererKind::kRetained) {
    UseRenderer(RendererKind::kImmediate);
    renderer_->InitOpenGL();
  }
  gl_ready_ = true;
  SetupViewport();
  return true;
}

void ViewportPanel::CreateSphereQuadric() {
  if (!gl_ready_ || !MakeCurrent()) return;
  renderer_->CreateSphereQuadric();
}

void ViewportPanel::ReleaseGL() {
  if (!gl_ready_) return;
  if (MakeCurrent()) renderer_->Release();
  renderer_->Detach();
  gl_ready_ = false;
  doneCurrent();
}

bool ViewportPanel::MakeCurrent() {
  if (!context_created_ || !isValid()) return false;
  makeCurrent();
  return QOpenGLContext::currentContext() == context();
}

void ViewportPanel::SetupViewport() {
  if (!gl_ready_) return;
  const qreal ratio = devicePixelRatioF();
  renderer_->SetupViewport(qRound(width() * ratio), qRound(height() * ratio));
}

void ViewportPanel::resizeGL(int, int) {
  frame_ready_ = false;  // a new framebuffer: the next paint draws
  SetupViewport();
}

void ViewportPanel::Redraw() {
  // The frame is drawn now, so that what it computes (the camera's look-at
  // point, the wrapped angles) holds as soon as Redraw returns; the window
  // shows it with the next paint.
  if (!gl_ready_ || drawing_ || !MakeCurrent()) return;
  RenderNow();
  frame_ready_ = true;
  update();
}

void ViewportPanel::Finish() {
  if (gl_ready_ && MakeCurrent()) glFinish();
}

void ViewportPanel::RenderNow() {
  drawing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{drawing_};
  SetupViewport();
  renderer_->RenderFrame(editor_, Options());
}

void ViewportPanel::paintGL() {
  if (!gl_ready_) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return;
  }
  if (frame_ready_) {  // Redraw has just drawn it; the framebuffer keeps it
    frame_ready_ = false;
    return;
  }
  RenderNow();
}

uint32_t ViewportPanel::PickName(int x, int y) {
  if (!gl_ready_ || !MakeCurrent()) return 0;
  const qreal ratio = devicePixelRatioF();
  SetupViewport();
  return renderer_->PickName(editor_, Options(), qRound(x * ratio), qRound(y * ratio));
}

uint32_t ViewportPanel::UploadTexture(const uint8_t* rgb, int width, int height) {
  if (!gl_ready_ || !MakeCurrent()) return 0;
  renderer_->Multitexture().ActiveTexture(GL_TEXTURE0);
  return UploadTexturePixels(rgb, width, height);
}

uint32_t ViewportPanel::UploadLightmap(const uint8_t* rgb, int width, int height) {
  if (!gl_ready_ || !MakeCurrent()) return 0;
  return UploadLightmapPixels(rgb, width, height);
}

bool ViewportPanel::ReplaceLightmap(uint32_t name, const uint8_t* rgb, int width, int height) {
  if (!gl_ready_ || !MakeCurrent()) return false;
  return ReplaceLightmapPixels(name, rgb, width, height);
}

void ViewportPanel::DeleteTexture(uint32_t name) {
  if (!gl_ready_ || !MakeCurrent()) return;
  DeleteTextureName(name);
}

void ViewportPanel::mousePressEvent(QMouseEvent* event) {
  if (mouse_down) mouse_down(event);
}

void ViewportPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (mouse_up) mouse_up(event);
}

void ViewportPanel::mouseMoveEvent(QMouseEvent* event) {
  if (mouse_move) mouse_move(event);
}

}  // namespace qx

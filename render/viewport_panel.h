#pragma once
// The viewport: an OpenGL widget with a compatibility-profile context in
// which the scene is drawn from retained buffers (or, for reference, in
// immediate mode) and picked in selection mode. It owns no editing logic:
// mouse and wheel events go to the hooks the main window sets.

#include <QOpenGLWidget>
#include <functional>
#include <memory>

#include "render/viewport_renderer.h"

namespace qx {

class ViewportPanel : public QOpenGLWidget {
  Q_OBJECT
 public:
  explicit ViewportPanel(Editor& editor, QWidget* parent = nullptr);
  ~ViewportPanel() override;

  enum class RendererKind { kRetained, kImmediate };
  // Which renderer draws; chosen before InitOpenGL. Without the GL 2.1 entry
  // points the retained one gives way to the immediate one.
  void UseRenderer(RendererKind kind);
  RendererKind Kind() const { return kind_; }

  // Double buffered, depth of at least 16 bits, a 2.1 compatibility context.
  static QSurfaceFormat RequestedFormat();
  // Whether such a context can be made at all on this display.
  static bool OpenGLAvailable();

  // At start-up: makes the context usable for drawing. False (the panel
  // then stays hidden and every draw and pick does nothing) when no usable
  // context could be had.
  bool InitOpenGL();
  void CreateSphereQuadric();
  bool GLReady() const { return gl_ready_; }
  // At close: the quadric goes, then the context is released.
  void ReleaseGL();

  // Viewport and projection from the panel's size.
  void SetupViewport();
  // Draws a frame now (the window shows it with its next paint).
  void Redraw();
  // Waits until GL has finished what it was given (measurements).
  void Finish();
  bool DrawingInProgress() const { return drawing_; }

  // The name under the client pixel (x, y); 0 for nothing.
  uint32_t PickName(int x, int y);

  // Library textures and lightmaps into this context; 0 when nothing was made.
  uint32_t UploadTexture(const uint8_t* rgb, int width, int height);
  uint32_t UploadLightmap(const uint8_t* rgb, int width, int height);
  bool ReplaceLightmap(uint32_t name, const uint8_t* rgb, int width, int height);
  void DeleteTexture(uint32_t name);

  ViewportRenderer& Renderer() { return *renderer_; }

  // What the drawing shows; read at every frame.
  std::function<ViewOptions()> view_options;
  // Mouse hooks of the main window (positions in client pixels).
  std::function<void(QMouseEvent*)> mouse_down, mouse_up, mouse_move;

 protected:
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  ViewOptions Options() const { return view_options ? view_options() : ViewOptions{}; }
  bool MakeCurrent();
  void RenderNow();

  Editor& editor_;
  RendererKind kind_ = RendererKind::kRetained;
  std::unique_ptr<ViewportRenderer> renderer_;
  bool context_created_ = false;
  bool init_requested_ = false;
  bool gl_ready_ = false;
  bool drawing_ = false;
  bool frame_ready_ = false;
};

}  // namespace qx

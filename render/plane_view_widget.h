#pragma once
// One plan or elevation view ("Oben", "Vorne", "Seite"): an OpenGL widget in
// the window of the 3D viewport (so it shares that context's buffers and
// textures), drawing with an orthographic projection. The editing logic is
// headless (edit/plane_edit.h); this translates Qt's events and draws.

#include <QOpenGLWidget>
#include <functional>
#include <memory>

class QInputEvent;
class QPainter;

#include "render/plane_view_overlay.h"
#include "render/plane_view_scene.h"
#include "tools/plane_edit.h"
#include "tools/room_drawing.h"

namespace qx {

class PlaneViewWidget : public QOpenGLWidget {
  Q_OBJECT
 public:
  PlaneViewWidget(Editor& editor, PlaneKind kind, QWidget* parent = nullptr);
  ~PlaneViewWidget() override;

  PlaneKind Kind() const { return view_.Kind(); }
  PlaneView& View() { return view_; }
  const PlaneMouse& Mouse() const { return mouse_; }

  // Draws the scene's surfaces instead of the view's own merged outlines.
  void SetScene(PlaneViewScene* scene) { scene_ = scene; }
  const MergedOutlines& Outlines() const { return outlines_; }
  // "Auswahl zeigen".
  void FrameSelection();

  // What the drawing shows; read at every frame.
  std::function<ViewOptions()> view_options;
  // A right click: the context menu at a global position for a world point.
  std::function<void(const QPoint& global, const Vector& at)> context_menu;

  // "Raum zeichnen" (the plan view only): left clicks and drags draw a room's
  // outline until it closes (`room_closed` gets it) or Esc drops it. Middle
  // and right buttons keep panning and the context menu meanwhile.
  void StartRoomDrawing();
  const RoomDrawing& Drawing() const { return room_; }
  std::function<void(std::vector<PlanPoint>)> room_closed;

  // How long the last frame's GL work took, in milliseconds (benchmarks).
  double LastFrameMilliseconds() const { return last_frame_ms_; }
  // Draws a frame into the widget's framebuffer now and waits for the GL
  // work to finish; the window shows it with its next paint, as it shows the
  // 3D view's (ViewportPanel::Redraw), without drawing it again.
  void RenderNowForTiming();
  // Whether the last frame copied the kept picture of the still outlines;
  // turning it off draws every frame in full (tests compare the two).
  bool LastFrameReusedPicture() const { return kept_.reused; }
  void SetKeepPicture(bool on) { keep_picture_ = on; }

 protected:
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  ViewOptions Options() const { return view_options ? view_options() : ViewOptions{}; }
  void DrawFrame();
  void ReleasePicture();
  void DrawLabels(QPainter& p);
  void DrawRoomOutline(QPainter& p);
  PlanPoint RoomCornerAt(const QPointF& at, const QInputEvent* event) const;
  void FinishRoom(std::optional<std::vector<PlanPoint>> outline);
  bool HandleRoomKey(int key);
  void EndRoomDrawing();
  bool eventFilter(QObject* watched, QEvent* event) override;

  class Labels;
  Editor& editor_;
  Labels* labels_ = nullptr;
  PlaneView view_;
  PlaneMouse mouse_;
  MergedOutlines outlines_;
  PlaneViewScene* scene_ = nullptr;
  bool pointer_inside_ = false;
  QPointF pointer_;
  RoomDrawing room_;
  bool room_pressed_ = false, room_dragging_ = false;
  QPointF room_press_;
  double last_frame_ms_ = 0;
  PlaneStillPicture kept_;
  bool keep_picture_ = true;
  bool frame_ready_ = false;
};

}  // namespace qx

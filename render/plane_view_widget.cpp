#include "render/plane_view_widget.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "render/plane_view_overlay.h"
#include "render/viewport_panel.h"

namespace qx {

namespace {

Modifiers ModifiersOf(const QInputEvent* event) {
  return {event->modifiers().testFlag(Qt::ShiftModifier), event->modifiers().testFlag(Qt::ControlModifier)};
}

bool ButtonOf(Qt::MouseButton b, MouseButton* out) {
  switch (b) {
    case Qt::LeftButton:
      *out = MouseButton::kLeft;
      return true;
    case Qt::RightButton:
      *out = MouseButton::kRight;
      return true;
    case Qt::MiddleButton:
      *out = MouseButton::kOther;
      return true;
    default:
      return false;
  }
}

// The fixed-function state the drawing expects, whatever the scene's drawing left.
void ResetState() {
  QOpenGLFunctions* f = QOpenGLContext::currentContext()->functions();
  for (GLenum unit : {GL_TEXTURE1, GL_TEXTURE0}) {
    f->glActiveTexture(unit);
    glDisable(GL_TEXTURE_2D);
  }
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LINE_STIPPLE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

// Qt's event positions name pixels; the view's coordinates run through their centres.
QPointF PixelCentre(const QPointF& p) {
  return {std::floor(p.x()) + 0.5, std::floor(p.y()) + 0.5};
}

QString Coordinate(double value) {
  return QString::number(std::nearbyint(value), 'f', 0);
}

}  // namespace

// The view's name, its axes and the pointer's coordinates, drawn by the
// window over the GL picture: a QPainter on the GL widget itself would share
// the context's state with the fixed-function drawing.
class PlaneViewWidget::Labels : public QWidget {
 public:
  explicit Labels(PlaneViewWidget* view) : QWidget(view), view_(view) {
    setObjectName("PlaneLabels");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    view_->DrawLabels(p);
  }

 private:
  PlaneViewWidget* view_;
};

PlaneViewWidget::PlaneViewWidget(Editor& editor, PlaneKind kind, QWidget* parent)
    : QOpenGLWidget(parent), editor_(editor), view_(kind), mouse_(editor, view_) {
  setObjectName(QString("PlaneView") + PlaneName(kind));
  setFormat(ViewportPanel::RequestedFormat());
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(true);  // the pointer's coordinates follow it
  setMinimumSize(48, 48);
  labels_ = new Labels(this);
}

PlaneViewWidget::~PlaneViewWidget() = default;

void PlaneViewWidget::FrameSelection() {
  FrameSelectionInPlane(editor_, view_);
  update();
}

void PlaneViewWidget::initializeGL() {}

void PlaneViewWidget::resizeGL(int, int) {
  view_.SetSize(width(), height());
  labels_->setGeometry(rect());
}

void PlaneViewWidget::DrawFrame() {
  view_.SetSize(width(), height());
  ResetState();
  const qreal ratio = devicePixelRatioF();
  glViewport(0, 0, qRound(width() * ratio), qRound(height() * ratio));
  glClearColor(kPlaneBackground, kPlaneBackground, kPlaneBackground, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const ViewOptions o = Options();

  // Pixels for the grid, the scene's own projection for its outlines, pixels again on top.
  auto pixels = [&] {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, view_.Width(), view_.Height(), 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  };
  pixels();
  glLineWidth(1);
  if (o.ShowGrid) DrawPlaneGrid(view_, editor_.GridSize);
  double clip[16];
  view_.ClipMatrix(clip);
  (scene_ ? scene_ : &immediate_)->DrawOutlines(editor_, clip, o);
  ResetState();
  pixels();
  DrawPlaneOverlay(editor_, view_, o, mouse_.RubberBand());
}

void PlaneViewWidget::DrawLabels(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  QFont bold = p.font();
  bold.setBold(true);
  p.setFont(bold);
  p.setPen(QColor(235, 235, 235));
  p.drawText(QPoint(8, 8 + p.fontMetrics().ascent()), PlaneName(view_.Kind()));
  p.setFont(font());

  // The axes: an arrow for each toward its positive direction, with its letter.
  const PlaneAxes& a = view_.Axes();
  // Room below the corner when the vertical arrow points down ("Oben": +z is down).
  const QPointF o(18, a.v_sign > 0 ? height() - 18 : height() - 52);
  const QPointF h(a.h_sign * 28, 0), v(0, -a.v_sign * 28);
  const QColor colours[3] = {QColor(240, 90, 90), QColor(110, 220, 110), QColor(110, 150, 255)};
  for (auto [dir, axis] : {std::pair{h, a.h}, {v, a.v}}) {
    p.setPen(QPen(colours[axis], 2));
    const QPointF tip = o + dir;
    p.drawLine(o, tip);
    const QPointF unit = dir / 28.0, side(-unit.y(), unit.x());
    p.drawLine(tip, tip - unit * 6 + side * 4);
    p.drawLine(tip, tip - unit * 6 - side * 4);
    const QPointF label = tip + unit * 9 - QPointF(4, -5);
    p.drawText(label, QString(QChar(AxisLetter(axis))));
  }

  if (pointer_inside_) {
    const Vector w = view_.ToWorld(pointer_.x(), pointer_.y(), {});
    const QString text = QString("%1 %2  %3 %4")
                             .arg(AxisLetter(a.h))
                             .arg(Coordinate(AxisComponent(w, a.h)))
                             .arg(AxisLetter(a.v))
                             .arg(Coordinate(AxisComponent(w, a.v)));
    p.setPen(QColor(235, 235, 235));
    const QRect box(0, 0, width() - 8, height() - 6);
    p.drawText(box, Qt::AlignRight | Qt::AlignBottom, text);
  }
}

void PlaneViewWidget::paintGL() {
  QElapsedTimer timer;
  timer.start();
  DrawFrame();
  if (timing_) glFinish();
  last_frame_ms_ = timer.nsecsElapsed() / 1e6;
  labels_->update();
}

void PlaneViewWidget::RenderNowForTiming() {
  timing_ = true;
  repaint();
  timing_ = false;
}

void PlaneViewWidget::mousePressEvent(QMouseEvent* event) {
  MouseButton b;
  if (!ButtonOf(event->button(), &b)) return;
  const QPointF at = PixelCentre(event->position());
  mouse_.Down(b, ModifiersOf(event), at.x(), at.y(), Options());
  update();
}

void PlaneViewWidget::mouseMoveEvent(QMouseEvent* event) {
  pointer_inside_ = true;
  pointer_ = PixelCentre(event->position());
  mouse_.Move(ModifiersOf(event), pointer_.x(), pointer_.y(), Options());
  update();
}

void PlaneViewWidget::mouseReleaseEvent(QMouseEvent* event) {
  MouseButton b;
  if (!ButtonOf(event->button(), &b)) return;
  const QPointF at = PixelCentre(event->position());
  const bool menu = mouse_.Up(b, ModifiersOf(event), at.x(), at.y(), Options());
  update();
  if (menu && context_menu)
    context_menu(event->globalPosition().toPoint(), PlaneInsertPoint(editor_, view_, at.x(), at.y()));
}

void PlaneViewWidget::wheelEvent(QWheelEvent* event) {
  const QPointF at = PixelCentre(event->position());
  view_.Wheel(at.x(), at.y(), event->angleDelta().y());
  event->accept();
  update();
}

void PlaneViewWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && mouse_.Gesture() != PlaneGesture::kNone) {
    mouse_.Cancel();
    update();
    return;
  }
  QOpenGLWidget::keyPressEvent(event);
}

void PlaneViewWidget::leaveEvent(QEvent* event) {
  pointer_inside_ = false;
  update();
  QOpenGLWidget::leaveEvent(event);
}

}  // namespace qx

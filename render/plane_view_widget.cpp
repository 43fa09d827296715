#include "render/plane_view_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
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
    : QOpenGLWidget(parent), editor_(editor), view_(kind), mouse_(editor, view_), outlines_(editor) {
  setObjectName(QString("PlaneView") + PlaneName(kind));
  setFormat(ViewportPanel::RequestedFormat());
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(true);  // the pointer's coordinates follow it
  setMinimumSize(48, 48);
  // A frame drawn by RenderNowForTiming survives until the window shows it;
  // every frame covers all pixels anyway.
  setUpdateBehavior(QOpenGLWidget::PartialUpdate);
  labels_ = new Labels(this);
}

PlaneViewWidget::~PlaneViewWidget() {
  qApp->removeEventFilter(this);
  ReleasePicture();
}

// The kept picture's framebuffer belongs to this widget's context: it goes
// with it (the widget is destroyed, or moved to another window).
void PlaneViewWidget::ReleasePicture() {
  if (!context()) return;
  makeCurrent();
  kept_.picture.Release();
  doneCurrent();
}

void PlaneViewWidget::FrameSelection() {
  FrameSelectionInPlane(editor_, view_);
  update();
}

void PlaneViewWidget::initializeGL() {
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &PlaneViewWidget::ReleasePicture,
          Qt::UniqueConnection);
}

void PlaneViewWidget::resizeGL(int, int) {
  view_.SetSize(width(), height());
  labels_->setGeometry(rect());
}

void PlaneViewWidget::DrawFrame() {
  view_.SetSize(width(), height());
  const qreal ratio = devicePixelRatioF();
  // Another scene (benchmarks) is drawn whole.
  PlaneStillPicture* kept = keep_picture_ && !scene_ ? &kept_ : nullptr;
  if (!kept) kept_.reused = false;
  DrawPlaneFrame(editor_, view_, Options(), scene_ ? *scene_ : outlines_, mouse_.RubberBand(),
                 qRound(width() * ratio), qRound(height() * ratio), kept);
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

  DrawRoomOutline(p);

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
  if (frame_ready_) {  // RenderNowForTiming has just drawn it; the framebuffer keeps it
    frame_ready_ = false;
    return;
  }
  QElapsedTimer timer;
  timer.start();
  DrawFrame();
  last_frame_ms_ = timer.nsecsElapsed() / 1e6;
  labels_->update();
}

void PlaneViewWidget::RenderNowForTiming() {
  if (!isValid()) return;
  makeCurrent();
  QElapsedTimer timer;
  timer.start();
  DrawFrame();
  glFinish();
  last_frame_ms_ = timer.nsecsElapsed() / 1e6;
  frame_ready_ = true;
  update();
  labels_->update();
}

void PlaneViewWidget::mousePressEvent(QMouseEvent* event) {
  MouseButton b;
  if (!ButtonOf(event->button(), &b)) return;
  const QPointF at = PixelCentre(event->position());
  if (room_.Active() && b == MouseButton::kLeft) {
    room_pressed_ = true;
    room_dragging_ = false;
    room_press_ = at;
    return;
  }
  mouse_.Down(b, ModifiersOf(event), at.x(), at.y(), Options());
  update();
}

void PlaneViewWidget::mouseMoveEvent(QMouseEvent* event) {
  pointer_inside_ = true;
  pointer_ = PixelCentre(event->position());
  if (room_.Active()) {
    room_.SetPointer(RoomCornerAt(pointer_, event));
    if (room_pressed_ &&
        std::hypot(pointer_.x() - room_press_.x(), pointer_.y() - room_press_.y()) > kPlaneDragThreshold)
      room_dragging_ = true;
    if (room_pressed_) {
      update();
      return;
    }
  }
  mouse_.Move(ModifiersOf(event), pointer_.x(), pointer_.y(), Options());
  update();
}

void PlaneViewWidget::mouseReleaseEvent(QMouseEvent* event) {
  MouseButton b;
  if (!ButtonOf(event->button(), &b)) return;
  const QPointF at = PixelCentre(event->position());
  if (room_pressed_ && b == MouseButton::kLeft) {
    room_pressed_ = false;
    if (room_dragging_) {
      FinishRoom(room_.Rectangle(RoomCornerAt(room_press_, event), RoomCornerAt(at, event)));
    } else if (room_.AddCorner(RoomCornerAt(at, event)) == RoomDrawing::Click::kClosed) {
      FinishRoom(room_.TakeClosed());
    }
    room_dragging_ = false;
    update();
    return;
  }
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

void PlaneViewWidget::StartRoomDrawing() {
  mouse_.Cancel();
  room_.Start();
  room_pressed_ = room_dragging_ = false;
  setFocus(Qt::OtherFocusReason);
  setCursor(Qt::CrossCursor);
  qApp->removeEventFilter(this);
  qApp->installEventFilter(this);
  update();
}

PlanPoint PlaneViewWidget::RoomCornerAt(const QPointF& at, const QInputEvent* event) const {
  const Vector w = view_.ToWorld(at.x(), at.y(), {});
  return SnapRoomCorner(editor_, room_, {w.x, w.z}, ModifiersOf(event).ctrl,
                        kRoomCornerSnapPixels / view_.Scale());
}

void PlaneViewWidget::FinishRoom(std::optional<std::vector<PlanPoint>> outline) {
  if (!outline) return;
  EndRoomDrawing();
  if (room_closed) room_closed(std::move(*outline));
  update();
}

void PlaneViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (room_.Active() && event->button() == Qt::LeftButton) {
    // The double click's first click placed the corner; its second closes.
    room_pressed_ = false;
    FinishRoom(room_.Close());
    return;
  }
  QOpenGLWidget::mouseDoubleClickEvent(event);
}

void PlaneViewWidget::DrawRoomOutline(QPainter& p) {
  if (!room_.Active()) return;
  const auto pixel = [&](PlanPoint q) {
    const PixelPoint px = view_.ToPixel(VectorSet(q.x, 0, q.z));
    return QPointF(px.x, px.y);
  };
  for (const RoomDrawing::Line& l : room_.PreviewLines()) {
    p.setPen(QPen(l.rubber ? QColor(255, 220, 80) : QColor(255, 160, 40), 2,
                  l.rubber ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(pixel(l.a), pixel(l.b));
    if (l.rubber && room_.CurrentEdgeLength() > 0) {
      const QPointF mid = (pixel(l.a) + pixel(l.b)) / 2;
      p.setPen(QColor(255, 240, 160));
      p.drawText(mid + QPointF(6, -6), QString::number(room_.CurrentEdgeLength(), 'f', 0));
    }
  }
  p.setPen(QPen(QColor(255, 160, 40), 2));
  for (const PlanPoint& c : room_.Corners()) p.drawEllipse(pixel(c), 4, 4);
  if (room_pressed_ && room_dragging_) {
    p.setPen(QPen(QColor(255, 220, 80), 2, Qt::DashLine));
    p.drawRect(QRectF(room_press_, pointer_).normalized());
  }
}

bool PlaneViewWidget::HandleRoomKey(int key) {
  if (!room_.Active()) return false;
  switch (key) {
    case Qt::Key_Escape:
      room_.Cancel();
      room_pressed_ = false;
      EndRoomDrawing();
      update();
      return true;
    case Qt::Key_Backspace:
      room_.TakeBack();
      update();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      FinishRoom(room_.Close());
      return true;
    default:
      return false;
  }
}

// While a room is drawn its keys reach it wherever the focus is: the window
// hands the focus to the 3D view at every key.
bool PlaneViewWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* w = qobject_cast<QWidget*>(watched);
    // A field being typed in keeps its keys (Enter in "Raumhöhe" sets the height).
    const bool typing = w && (w->inherits("QLineEdit") || w->inherits("QAbstractSpinBox"));
    if (w && !typing && w->window() == window() && HandleRoomKey(static_cast<QKeyEvent*>(event)->key()))
      return true;
  }
  return QOpenGLWidget::eventFilter(watched, event);
}

void PlaneViewWidget::EndRoomDrawing() {
  qApp->removeEventFilter(this);
  unsetCursor();
}

void PlaneViewWidget::keyPressEvent(QKeyEvent* event) {
  if (HandleRoomKey(event->key())) return;
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

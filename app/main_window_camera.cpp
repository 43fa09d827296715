// The camera: keys, wheel and the right-button drag in the viewport, the
// buttons "Umschauen" and "Bewegen", and the dispatch of the editing keys.

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>
#include <QWheelEvent>

#include "app/main_window.h"
#include "render/viewport_panel.h"
#include "tools/camera.h"
#include "tools/camera_framing.h"

namespace qx {

namespace {

// Runs a menu item or tool button as a click would, if a command drives it.
void Click(QAction* a) {
  if (a && a->isEnabled()) a->trigger();
}

class WheelFilter : public QObject {
 public:
  explicit WheelFilter(TMain* main) : QObject(main), main_(main) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return false;
    auto* wheel = static_cast<QWheelEvent*>(event);
    // Some systems turn a wheel with Shift into a sideways one.
    const QPoint d = wheel->angleDelta();
    main_->FormMouseWheel(d.y() != 0 ? d.y() : d.x(), wheel->modifiers().testFlag(Qt::ShiftModifier));
    return true;
  }

 private:
  TMain* main_;
};

class ButtonPressFilter : public QObject {
 public:
  ButtonPressFilter(std::function<void()> on_press, QObject* parent)
      : QObject(parent), on_press_(std::move(on_press)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) on_press_();
    return false;  // the button still sees the press
  }

 private:
  std::function<void()> on_press_;
};

}  // namespace

void TMain::WireCamera() {
  viewport_->mouse_down = [this](QMouseEvent* e) { ViewportPanelMouseDown(e); };
  viewport_->mouse_up = [this](QMouseEvent* e) { ViewportPanelMouseUp(e); };
  viewport_->mouse_move = [this](QMouseEvent* e) { ViewportPanelMouseMove(e); };
  viewport_->installEventFilter(new WheelFilter(this));
  // Any mouse button pressed on "Umschauen" or "Bewegen" chooses its mode.
  look_button_->installEventFilter(new ButtonPressFilter([this] { LbSpeedButton3MouseDown(); }, this));
  move_button_->installEventFilter(new ButtonPressFilter([this] { LbSpeedButton4MouseDown(); }, this));
  connect(vertex_mode_, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });

  RegisterKey(Qt::Key_F2, false, [this] { Click(Action("Umbenennen1")); });
  RegisterKey(Qt::Key_Delete, false, [this] { Click(Action("Lschen1")); });
  RegisterKey(Qt::Key_F5, false, [this] { Click(Action("ToolButton11")); });
  RegisterKey(Qt::Key_F6, false, [this] { Click(Action("ToolButton12")); });
  RegisterKey(Qt::Key_F7, false, [this] { Click(Action("ToolButton13")); });

  Wire(Action("Auswahlzeigen1"), [this] {
    const int h = viewport_->height();
    FrameSelection(editor_, h > 0 ? double(viewport_->width()) / h : 4.0 / 3.0);
    FramePlaneViews();  // every 2D view too
  });
  Wire(Action("Startansicht1"), [this] { ResetCameraView(editor_); });
}

void TMain::FormKeyDown(QKeyEvent* event) {
  if (viewport_->DrawingInProgress()) return;  // dropped entirely, editing action included
  if (viewport_->isVisible()) viewport_->setFocus(Qt::OtherFocusReason);
  const int key = event->key();
  if (key == Qt::Key_Escape && gesture_.Active()) {
    // Esc during a drag: everything goes back to where the press found it.
    gesture_.Cancel();
    Redraw();
    return;
  }
  const bool camera_key_pressed = key == Qt::Key_W || key == Qt::Key_A || key == Qt::Key_S ||
                                  key == Qt::Key_D || key == Qt::Key_Q || key == Qt::Key_E;
  const char camera_key = camera_key_pressed ? static_cast<char>(key) : '\0';
  const bool fast = event->modifiers().testFlag(Qt::ShiftModifier);
  // Applies the view for every key; "Kamerageschwindigkeit" scales the step.
  MoveCameraByKey(editor_, camera_key, (fast ? kFastCameraFactor : 1.0) * prefs_.camera_speed);
  const bool keypad = event->modifiers().testFlag(Qt::KeypadModifier);
  auto it = keys_.find({key, keypad});
  if (it != keys_.end() && it->second.handler) {
    // A keypad key held down makes one step of its repeats.
    UndoStack::Step step(editor_.History, it->second.step_name, keypad ? "Taste " + std::to_string(key) : "");
    it->second.handler();
  }
  Redraw();
}

void TMain::FormMouseWheel(int delta, bool fast) {
  if (viewport_->DrawingInProgress()) return;
  MoveCameraByWheel(editor_, delta, (fast ? kFastCameraFactor : 1.0) * prefs_.camera_speed);
  Redraw();
}

// The buttons are counted by the editing hooks (ViewportMouseDown/Up), after
// BeginDrag has seen whether another button was already down.
void TMain::ViewportPanelMouseDown(QMouseEvent* event) {
  if (viewport_mouse_down) viewport_mouse_down(event);
}

void TMain::ViewportPanelMouseUp(QMouseEvent* event) {
  if (viewport_mouse_up) viewport_mouse_up(event);
}

void TMain::ViewportPanelMouseMove(QMouseEvent* event) {
  const int x = qRound(event->position().x());
  const int y = qRound(event->position().y());
  const int dx = pointer_.last_x - x;
  const int dy = pointer_.last_y - y;
  // With Ctrl the right drag scales texture coordinates (an editing hook) instead.
  if (pointer_.right_down && !event->modifiers().testFlag(Qt::ControlModifier))
    DragCamera(editor_, dx, dy, prefs_.invert_mouse);
  if (viewport_mouse_move) viewport_mouse_move(event, dx, dy);
  pointer_.last_x = x;
  pointer_.last_y = y;
  Redraw();
}

void TMain::LbSpeedButton3MouseDown() {
  editor_.CameraMode = CameraMode::kLook;
  SetCameraButtons(CameraMode::kLook);
}

void TMain::LbSpeedButton4MouseDown() {
  editor_.CameraMode = CameraMode::kMove;
  SetCameraButtons(CameraMode::kMove);
}

void TMain::CheckBox1Click() {
  editor_.VertexMode = vertex_mode_->isChecked();
  Redraw();
}

}  // namespace qx

// Hooks of the main window for selection, picking clicks, insert commands, transform tools, properties panel.
// Connect handlers here with Wire(Action("..."), ...) and the hooks of main_window.h.

#include <QAction>
#include <QCheckBox>
#include <QLayout>
#include <QMouseEvent>
#include <memory>

#include "app/main_window.h"
#include "commands/insert.h"
#include "commands/selection.h"
#include "commands/start_position.h"
#include "commands/texture_align.h"
#include "commands/transform.h"
#include "render/viewport_panel.h"
#include "tools/drag.h"
#include "ui/properties_panel.h"
#include "ui/up_down.h"

namespace qx {

namespace {

Modifiers ModifiersOf(const QMouseEvent* event) {
  return {event->modifiers().testFlag(Qt::ShiftModifier), event->modifiers().testFlag(Qt::ControlModifier)};
}

MouseButton ButtonOf(const QMouseEvent* event) {
  switch (event->button()) {
    case Qt::LeftButton:
      return MouseButton::kLeft;
    case Qt::RightButton:
      return MouseButton::kRight;
    default:
      return MouseButton::kOther;
  }
}

}  // namespace

void TMain::WireEditing() {
  // The properties notebook below the tree.
  auto* panel = new PropertiesPanel(editor_, panel_host_);
  panel_host_->layout()->addWidget(panel);
  properties_panel_ = panel;
  // The panel shows the fields of the node it shows as the commands change them.
  editor_.AddDocumentListener(panel);
  node_properties = [panel](TSector* node) { panel->ShowNode(node); };
  panel->focus_viewport = [this] { viewport_->setFocus(Qt::OtherFocusReason); };
  // Typed digits and letters belong to the edit, not to the camera keys.
  connect(panel, &PropertiesPanel::EditFocusChanged, this, [this](bool in_edit) { SetKeyPreview(!in_edit); });

  // Only a mouse click in the tree selects; keyboard moves leave the selection as it is.
  tree_selection_changed = [this](TSector*) { TreeClick(editor_); };
  Wire(Action("AlleuntergeordnetenPolygonemarkieren1"), [this] { MarkAllPolygons(editor_); });

  // "&Einfügen".
  Wire(Action("leererSektor1"), [this] { InsertSector(editor_); });
  Wire(Action("Viereck1"), [this] { InsertSquare(editor_); });
  Wire(Action("Lichtquelle1"), [this] { InsertLight(editor_); });
  Wire(Action("Portal1"), [this] { InsertPortal(editor_); });
  Wire(Action("Partikelsystem1"), [this] { InsertParticleSystem(editor_); });
  Wire(Action("Actor1"), [this] { InsertActor(editor_); });
  Wire(Action("Checkpoint1"), [this] { InsertCheckpoint(editor_); });
  Wire(Action("Startpositionsetzen1"), [this] { SetStartPosition(editor_); });

  // Axis lock and tool mode (F5-F7 click the axis buttons).
  Wire(Action("ToolButton11"), [this] { SetAxisLock(editor_, AxisLock::kX); });
  Wire(Action("ToolButton12"), [this] { SetAxisLock(editor_, AxisLock::kY); });
  Wire(Action("ToolButton13"), [this] { SetAxisLock(editor_, AxisLock::kZ); });
  Wire(Action("ToolButton15"), [this] { SetToolMode(editor_, ToolMode::kMove); });
  Wire(Action("ToolButton16"), [this] { SetToolMode(editor_, ToolMode::kRotate); });

  // Spinners of the bar below the viewport.
  if (auto* up_down = bar_->findChild<UpDown*>("UpDown1"))
    connect(up_down, &UpDown::Clicked, this, [this](bool up) { GridSpinner1(editor_, up); });
  if (auto* up_down = bar_->findChild<UpDown*>("UpDown2"))
    connect(up_down, &UpDown::Clicked, this, [this](bool up) { GridSpinner2(editor_, up); });
  if (auto* up_down = bar_->findChild<UpDown*>("UpDown3"))
    connect(up_down, &UpDown::Clicked, this, [this](bool up) { VertexSphereSpinner(editor_, up); });

  for (const char* name : {"Texturausrichten1", "Texturausrichten2"})
    Wire(Action(name), [this] { AlignSelectedTextures(editor_); });
  for (const char* name : {"Textureinpassen1", "Textureinpassen2"})
    Wire(Action(name), [this] { FitSelectedTextures(editor_); });
  if (auto* lock = bar_->findChild<QCheckBox*>("TexturFixieren"))
    connect(lock, &QCheckBox::clicked, this, [this](bool on) { SetTextureLock(editor_, on); });

  Wire(Action("Koordinatenkopieren1"), [this] { CopyCoordinates(editor_); });
  Wire(Action("Koordinateneinfgen1"), [this] { PasteCoordinates(editor_); });

  // The keypad scales and shifts the texture coordinates of the selected polygons.
  const struct {
    int key;
    TexCoord coordinate;
    TexMode mode;
    double value;
  } keypad[] = {
      {Qt::Key_8, TexCoord::kV, TexMode::kScale, 0.9},   {Qt::Key_2, TexCoord::kV, TexMode::kScale, 1.1},
      {Qt::Key_4, TexCoord::kU, TexMode::kScale, 0.9},   {Qt::Key_6, TexCoord::kU, TexMode::kScale, 1.1},
      {Qt::Key_7, TexCoord::kV, TexMode::kShift, 0.001}, {Qt::Key_3, TexCoord::kV, TexMode::kShift, -0.001},
      {Qt::Key_9, TexCoord::kU, TexMode::kShift, 0.001}, {Qt::Key_1, TexCoord::kU, TexMode::kShift, -0.001},
  };
  for (const auto& k : keypad)
    RegisterKey(
        k.key, true, [this, k] { AdjustTexCoords(editor_, k.coordinate, k.mode, k.value); },
        "Texturkoordinaten");

  // Viewport clicks and drags. The camera part of the events stays in main_window_camera.cpp.
  // A drag is one undo step from the press to the release.
  viewport_mouse_down = [this](QMouseEvent* event) {
    BeginDrag(gesture_, editor_, pointer_, ModifiersOf(event));
    ViewportMouseDown(pointer_, ButtonOf(event), ModifiersOf(event), MonotonicMilliseconds());
  };
  viewport_mouse_up = [this](QMouseEvent* event) {
    // After Esc the release ends the drag and is no click either.
    if (gesture_.Cancelled()) pointer_.press_timed = false;
    ViewportMouseUp(editor_, pointer_, ButtonOf(event), ModifiersOf(event), qRound(event->position().x()),
                    qRound(event->position().y()), MonotonicMilliseconds(),
                    [this](int x, int y) { return viewport_->PickName(x, y); });
    EndDrag(gesture_, pointer_);
  };
  viewport_mouse_move = [this](QMouseEvent* event, int dx, int dy) {
    if (!gesture_.Cancelled()) EditMouseMove(editor_, pointer_, ModifiersOf(event), dx, dy);
  };
}

void TMain::SetVertexMode(bool on) {
  vertex_mode_->setChecked(on);
}

}  // namespace qx

// "Raum zeichnen" and "Durchgang...": their menu items, the fields "Raumhöhe",
// "Kachelgröße" and "mit Licht" beside the grid controls, the doorway dialog,
// and the values all of them keep in the settings.

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <algorithm>
#include <string>

#include "app/main_window.h"
#include "app/room_fields.h"
#include "commands/room_commands.h"
#include "render/plane_view_widget.h"
#include "tools/room_drawing.h"

namespace qx {

namespace {

constexpr const char* kSettingRoomHeight = "QVX3_ROOM_HEIGHT";
constexpr const char* kSettingRoomTile = "QVX3_ROOM_TILE";
constexpr const char* kSettingRoomLight = "QVX3_ROOM_LIGHT";
constexpr const char* kSettingDoorWidth = "QVX3_DOOR_WIDTH";
constexpr const char* kSettingDoorHeight = "QVX3_DOOR_HEIGHT";

int ReadInt(SettingsStore* s, const char* name, int fallback) {
  if (!s) return fallback;
  try {
    return std::stoi(s->ReadString(name, std::to_string(fallback)));
  } catch (const std::exception&) {
    return fallback;
  }
}

void WriteInt(SettingsStore* s, const char* name, int value) {
  if (s) s->WriteString(name, std::to_string(value));
}

QSpinBox* NewField(QWidget* parent, const char* name, int max, int value) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setRange(0, max);
  box->setValue(value);
  box->setKeyboardTracking(false);
  return box;
}

}  // namespace

void TMain::WireRooms() {
  const int grid = editor_.GridSize;
  auto* row = qobject_cast<QHBoxLayout*>(bar_->layout());
  const int at = row ? row->indexOf(grid_label_) + 1 : 0;
  auto* height_label = new QLabel("Raumhöhe:", bar_);
  auto* height = NewField(bar_, "RoomHeight", 100000, kDefaultRoomHeightSteps * grid);
  height->setMinimum(1);
  auto* tile_label = new QLabel("Kachelgröße:", bar_);
  auto* tile = NewField(bar_, "TileSize", 100000, 0);
  tile->setSpecialValueText("ganz");  // 0: whole faces
  auto* light = new QCheckBox("mit Licht", bar_);
  light->setObjectName("RoomLight");
  light->setChecked(true);
  if (row) {
    int i = at;
    row->insertSpacing(i++, 16);
    for (QWidget* w : std::initializer_list<QWidget*>{height_label, height, tile_label, tile, light})
      row->insertWidget(i++, w);
  }
  connect(height, &QSpinBox::valueChanged, this,
          [this](int v) { WriteInt(settings_.get(), kSettingRoomHeight, v); });
  connect(tile, &QSpinBox::valueChanged, this,
          [this](int v) { WriteInt(settings_.get(), kSettingRoomTile, v); });
  connect(light, &QCheckBox::toggled, this, [this](bool on) {
    if (settings_) settings_->WriteBool(kSettingRoomLight, on);
  });

  QMenu* insert = menuBar()->findChild<QMenu*>("Einfgen2");
  QAction* draw = AddAction(insert, "Raumzeichnen1", "Raum zeichnen");
  const auto start = [this] {
    // The plan view must be there to draw in.
    if (!layout_.FourViews) {
      if (QAction* four = Action("VierAnsichten1")) four->setChecked(true);
      VierAnsichten1Click();
    }
    if (PlaneViewWidget* top = PlaneViewOf(PlaneKind::kTop)) top->StartRoomDrawing();
  };
  Wire(draw, start);
  if (plane_menu_) {
    plane_menu_->addSeparator();
    QAction* a = AddAction(plane_menu_, "PlaneRaumzeichnen", "Raum zeichnen");
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, start);
  }
  if (PlaneViewWidget* top = PlaneViewOf(PlaneKind::kTop)) {
    top->room_closed = [this, height, tile, light](std::vector<PlanPoint> outline) {
      const int texture = std::max(0, editor_.Textures.CurrentTexture());
      DrawRoom(editor_, RoomSpecForDrawing(editor_, std::move(outline), float(height->value()),
                                           float(tile->value()), uint16_t(texture), light->isChecked()));
    };
  }

  QMenu* edit = menuBar()->findChild<QMenu*>("Bearbeiten1");
  edit->addSeparator();
  const auto door = [this] { Durchgang1Click(); };
  Wire(AddAction(edit, "Durchgang1", "Durchgang..."), door);
  Wire(AddAction(popup_, "Durchgang2", "Durchgang..."), door);
}

void ReadRoomFields(SettingsStore* settings, QWidget* bar) {
  if (!settings || !bar) return;
  if (auto* height = bar->findChild<QSpinBox*>("RoomHeight"))
    height->setValue(ReadInt(settings, kSettingRoomHeight, height->value()));
  if (auto* tile = bar->findChild<QSpinBox*>("TileSize"))
    tile->setValue(ReadInt(settings, kSettingRoomTile, tile->value()));
  if (auto* light = bar->findChild<QCheckBox*>("RoomLight"))
    light->setChecked(settings->ReadBool(kSettingRoomLight, light->isChecked()));
}

void TMain::Durchgang1Click() {
  TSector* wall = editor_.TreeSelection;
  if (!wall || wall->NodeType != kPolygon) {
    editor_.ShowWarning(kDoorNeedsWall);
    return;
  }
  const int grid = editor_.GridSize;
  QDialog dialog(this);
  dialog.setObjectName("DurchgangForm");
  dialog.setWindowTitle("Durchgang");
  auto* form = new QFormLayout(&dialog);
  auto* width = new QDoubleSpinBox(&dialog);
  width->setObjectName("DoorWidth");
  width->setRange(1, 100000);
  width->setDecimals(0);
  width->setValue(ReadInt(settings_.get(), kSettingDoorWidth, kDefaultDoorWidthSteps * grid));
  auto* height = new QDoubleSpinBox(&dialog);
  height->setObjectName("DoorHeight");
  height->setRange(1, 100000);
  height->setDecimals(0);
  height->setValue(ReadInt(settings_.get(), kSettingDoorHeight, kDefaultDoorHeightSteps * grid));
  auto* offset = new QDoubleSpinBox(&dialog);
  offset->setObjectName("DoorOffset");
  offset->setRange(-1, 100000);
  offset->setDecimals(0);
  offset->setSpecialValueText("mittig");  // the minimum: centred on the wall
  offset->setValue(-1);
  form->addRow("Breite:", width);
  form->addRow("Höhe:", height);
  form->addRow("Abstand vom linken Rand:", offset);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return;
  WriteInt(settings_.get(), kSettingDoorWidth, int(width->value()));
  WriteInt(settings_.get(), kSettingDoorHeight, int(height->value()));
  DoorPlan plan{float(width->value()), float(height->value()), {}};
  if (offset->value() >= 0) plan.offset = float(offset->value());
  CutDoorway(editor_, plan);
}

}  // namespace qx

#include "ui/properties_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QVBoxLayout>

#include "commands/model_scale.h"
#include "commands/node_position.h"
#include "commands/texture_align.h"

namespace qx {

namespace {

constexpr const char* kTrackBarNames[3] = {"TrackBar1", "TrackBar2", "TrackBar3"};
constexpr const char* kColourEditNames[3] = {"Edit4", "Edit5", "Edit6"};
constexpr const char* kColourLabels[3] = {"R:", "G:", "B:"};

QVBoxLayout* LayoutOf(QWidget* page) {
  return static_cast<QVBoxLayout*>(page->layout());
}

}  // namespace

PropertiesPanel::PropertiesPanel(Editor& editor, QWidget* parent) : QTabWidget(parent), editor_(editor) {
  setObjectName("SmallInfo");
  // One page at a time is meaningful: the node decides it, not the user.
  tabBar()->hide();
  BuildPages();
  hide();  // until the first node is shown
  editor_.Tree.AddListener(this);
}

PropertiesPanel::~PropertiesPanel() {
  editor_.Tree.RemoveListener(this);
}

void PropertiesPanel::DocumentChanged(const ChangeSet& changes) {
  if (changes.replaced) {
    shown_ = nullptr;
    return;
  }
  if (shown_ && changes.nodes.count(const_cast<TSector*>(shown_))) ShowNode(shown_);
}

void PropertiesPanel::BeforeRemove(TSector* node) {
  if (shown_ && editor_.Tree.IsAncestorOrSelf(node, shown_)) ShowNothing();
}

void PropertiesPanel::BeforeReset() {
  ShowNothing();
}

void PropertiesPanel::ShowNothing() {
  // A removed node's fields must not stay editable: typed text would go nowhere.
  shown_ = nullptr;
  typed_.clear();
  for (QLabel* title : titles_)
    if (title) title->clear();
  setEnabled(false);
}

QWidget* PropertiesPanel::AddPage(int page) {
  auto* w = new QWidget;
  w->setObjectName(QStringLiteral("Page%1").arg(page));
  auto* layout = new QVBoxLayout(w);
  layout->setContentsMargins(6, 6, 6, 6);
  addTab(w, QString::fromUtf8(PageCaption(page)));
  return w;
}

QLabel* PropertiesPanel::AddTitle(QWidget* page, int page_index) {
  auto* label = new QLabel(page);
  label->setObjectName(PageTitleLabel(page_index));
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  LayoutOf(page)->addWidget(label);
  titles_[page_index] = label;
  return label;
}

QCheckBox* PropertiesPanel::AddCheckBox(QWidget* page, const FlagControl& c) {
  auto* box = new QCheckBox(QString::fromUtf8(c.caption), page);
  box->setObjectName(c.name);
  LayoutOf(page)->addWidget(box);
  controls_[c.name] = box;
  // clicked() comes from the user only, so filling the page never writes.
  connect(box, &QCheckBox::clicked, this, [this, name = std::string(c.name)](bool checked) {
    UndoStack::Step step(editor_.History, kPropertiesStepName);
    CheckBoxClick(editor_, name, checked);
  });
  return box;
}

QRadioButton* PropertiesPanel::AddRadioButton(QWidget* page, const ChoiceControl& c) {
  auto* button = new QRadioButton(QString::fromUtf8(c.caption), page);
  button->setObjectName(c.name);
  LayoutOf(page)->addWidget(button);
  controls_[c.name] = button;
  connect(button, &QRadioButton::clicked, this, [this, button, name = std::string(c.name)] {
    UndoStack::Step step(editor_.History, kPropertiesStepName);
    RadioButtonClick(editor_, name, button->isChecked());
    if (range_edit_ && (name == "RadioButton1" || name == "RadioButton2") && button->isChecked())
      range_edit_->setEnabled(name == "RadioButton1");
  });
  return button;
}

QLineEdit* PropertiesPanel::AddEdit(QWidget* page, const char* name, const char* label) {
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QString::fromUtf8(label), page));
  auto* edit = new QLineEdit(page);
  edit->setObjectName(name);
  row->addWidget(edit, 1);
  LayoutOf(page)->addLayout(row);
  controls_[name] = edit;
  edit->installEventFilter(this);
  connect(edit, &QLineEdit::textEdited, this, [this, edit] { typed_.insert(edit); });
  return edit;
}

void PropertiesPanel::AddPositionRow(QWidget* page, int page_index) {
  LayoutOf(page)->addWidget(new QLabel("Position", page));
  auto* row = new QHBoxLayout;
  static constexpr const char* kAxisLabels[3] = {"X:", "Y:", "Z:"};
  for (int axis = 0; axis < 3; ++axis) {
    row->addWidget(new QLabel(kAxisLabels[axis], page));
    auto* edit = new QLineEdit(page);
    edit->setObjectName(kPositionEdits[axis]);
    edit->setProperty("axis", axis);
    edit->setMinimumWidth(40);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { typed_.insert(edit); });
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] { NumberEditEnter(edit); });
    row->addWidget(edit, 1);
    position_edits_[page_index][axis] = edit;
  }
  LayoutOf(page)->addLayout(row);
}

void PropertiesPanel::AddColourRow(QWidget* page, int channel) {
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(kColourLabels[channel], page));
  auto* slider = new QSlider(Qt::Horizontal, page);
  slider->setObjectName(kTrackBarNames[channel]);
  slider->setRange(0, 255);
  row->addWidget(slider, 1);
  auto* edit = new QLineEdit(page);
  edit->setObjectName(kColourEditNames[channel]);
  edit->setMaximumWidth(48);
  // Only the red edit takes typed values; green and blue follow their track bars.
  edit->setReadOnly(channel != 0);
  edit->installEventFilter(this);
  connect(edit, &QLineEdit::textEdited, this, [this, edit] { typed_.insert(edit); });
  row->addWidget(edit);
  LayoutOf(page)->addLayout(row);
  track_bars_[channel] = slider;
  colour_edits_[channel] = edit;
  controls_[kTrackBarNames[channel]] = slider;
  controls_[kColourEditNames[channel]] = edit;
  connect(slider, &QSlider::valueChanged, this, [this, channel](int v) { TrackBarMoved(channel, v); });
  // From press to release the track bar's moves are one step.
  connect(slider, &QSlider::sliderPressed, this,
          [this] { editor_.History.BeginGesture(kPropertiesStepName); });
  connect(slider, &QSlider::sliderReleased, this, [this] { editor_.History.EndGesture(); });
}

void PropertiesPanel::BuildPages() {
  QWidget* pages[kPageCount];
  for (int i = 0; i < kPageCount; ++i) {
    pages[i] = AddPage(i);
    if (PageTitleLabel(i)) AddTitle(pages[i], i);
  }
  auto add_checks = [&](int page) {
    for (const FlagControl& c : CheckBoxes())
      if (c.page == page) AddCheckBox(pages[page], c);
  };
  auto add_radios = [&](int page, const char* label) {
    if (label) LayoutOf(pages[page])->addWidget(new QLabel(QString::fromUtf8(label), pages[page]));
    auto* group = new QButtonGroup(pages[page]);
    for (const ChoiceControl& c : RadioButtons())
      if (c.page == page) group->addButton(AddRadioButton(pages[page], c));
  };

  add_checks(1);  // Sektor
  add_checks(2);  // Polygon
  add_radios(2, "Beleuchtung");
  AddTextureFields(pages[2]);

  QWidget* light = pages[3];
  add_radios(3, nullptr);
  connect(AddEdit(light, "Edit8", "Helligkeit"), &QLineEdit::returnPressed, this,
          [this] { NumberEditEnter(static_cast<QLineEdit*>(controls_["Edit8"])); });
  range_edit_ = AddEdit(light, "Edit9", "Reichweite");
  connect(range_edit_, &QLineEdit::returnPressed, this, [this] { NumberEditEnter(range_edit_); });
  add_checks(3);
  for (int ch = 0; ch < 3; ++ch) AddColourRow(light, ch);
  connect(colour_edits_[0], &QLineEdit::returnPressed, this, [this] { ApplyEdit(colour_edits_[0]); });
  preview_ = new QFrame(light);
  preview_->setObjectName("Panel9");
  preview_->setFrameShape(QFrame::Box);
  preview_->setMinimumHeight(24);
  preview_->setAutoFillBackground(true);
  LayoutOf(light)->addWidget(preview_);

  add_checks(4);  // Portal
  auto* link_row = new QHBoxLayout;
  link_row->addWidget(new QLabel(QString::fromUtf8("Gelinkter Sektor:"), pages[4]));
  auto* link = new QLabel(pages[4]);
  link->setObjectName("Label15");
  controls_["Label15"] = link;
  link_row->addWidget(link, 1);
  LayoutOf(pages[4])->addLayout(link_row);

  QLineEdit* type_edit = AddEdit(pages[5], "Edit1", "Typ");
  connect(type_edit, &QLineEdit::returnPressed, this, [this, type_edit] { NumberEditEnter(type_edit); });
  AddEdit(pages[5], "Edit2", "Geschwindigkeit")->setEnabled(false);

  add_checks(6);  // Model
  add_radios(6, nullptr);
  scale_edit_ = AddEdit(pages[6], kScaleEdit, kScaleCommand);
  scale_edit_->setToolTip(QString::fromUtf8("Faktor für alle gewählten Modelle, um ihre Position (Enter)"));
  connect(scale_edit_, &QLineEdit::returnPressed, this, [this] { NumberEditEnter(scale_edit_); });

  for (auto [page, name] : {std::pair{7, "Edit3"}, std::pair{11, "Edit7"}}) {
    QLineEdit* edit = AddEdit(pages[page], name, "Typ");
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] { NumberEditEnter(edit); });
  }
  for (int i = 0; i < kPageCount; ++i) {
    const int type = NodeTypeOfPage(i);
    if (type >= 0 && HasPositionFields(static_cast<uint8_t>(type))) AddPositionRow(pages[i], i);
  }
  for (QWidget* p : pages) LayoutOf(p)->addStretch(1);
}

void PropertiesPanel::AddTextureFields(QWidget* page) {
  // Two fields a row, so that the page grows by little and the tree above keeps its room.
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Textur", page), 0, 0, 1, 4);
  auto add = [&](const char* name, const char* label, int row, int column) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(name);
    edit->setMinimumWidth(40);
    controls_[name] = edit;
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { typed_.insert(edit); });
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] { NumberEditEnter(edit); });
    grid->addWidget(new QLabel(QString::fromUtf8(label), page), row, column);
    grid->addWidget(edit, row, column + 1);
    return edit;
  };
  // U and V side by side: "Verschieben U" [ ] "V" [ ], "Skalieren U" [ ] "V" [ ].
  for (int i = 0; i < 5; ++i) {
    const bool v = i == 1 || i == 3;
    add(kTextureFieldNames[i], v ? "V" : kTextureFieldLabels[i], 1 + i / 2, v ? 2 : 0)
        ->setProperty("texture_field", i);
  }
  // The scale "Textur ausrichten" uses: the editor's, not the quad's.
  texture_scale_ = add(kTextureScaleName, kTextureScaleCaption, 3, 2);
  LayoutOf(page)->addLayout(grid);
}

bool PropertiesPanel::ApplyTextureEdit(QLineEdit* edit) {
  const std::string text = edit->text().toStdString();
  if (edit == texture_scale_) {
    const std::optional<float> v = ParseFloat(text);
    if (!v || !(*v > 0)) {
      if (editor_.prompts) editor_.prompts->ShowError("'" + text + "' ist kein gültiger Maßstab");
      return false;
    }
    SetTextureScale(editor_, *v);
    return true;
  }
  const auto field = static_cast<TextureField>(edit->property("texture_field").toInt());
  return TextureFieldEnter(editor_, field, text) == EnterResult::kFocusViewport;
}

void PropertiesPanel::ShowNode(const TSector* node) {
  if (!node) {
    ShowNothing();
    return;
  }
  shown_ = node;
  setEnabled(true);
  const PanelContents c = FillPanel(*node);
  typed_.clear();
  show();
  setCurrentIndex(c.page);
  if (titles_[c.page]) titles_[c.page]->setText(QString::fromStdString(c.title));
  for (const auto& [name, state] : c.controls) {
    auto it = controls_.find(name);
    if (it == controls_.end()) continue;
    QWidget* w = it->second;
    const QSignalBlocker block(w);
    w->setEnabled(state.enabled);
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
      // An exclusive group cannot show "none checked" (a light kind other than 0 or 1).
      QButtonGroup* group = radio->group();
      if (group) group->setExclusive(false);
      radio->setChecked(state.checked);
      if (group) group->setExclusive(true);
    } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
      box->setChecked(state.checked);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      edit->setText(QString::fromStdString(state.text));
    } else if (auto* slider = qobject_cast<QSlider*>(w)) {
      slider->setValue(state.position);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
      label->setText(QString::fromStdString(state.text));
    }
  }
  for (int axis = 0; axis < 3; ++axis) {
    QLineEdit* edit = position_edits_[c.page][axis];
    auto it = c.controls.find(kPositionEdits[axis]);
    if (edit && it != c.controls.end()) edit->setText(QString::fromStdString(it->second.text));
  }
  if (c.page == PageForNodeType(kLight)) UpdatePreview();
  if (texture_scale_) texture_scale_->setText(QString::number(double(editor_.TextureScale)));
  // The factor applies to the models as they are now: it starts at 1 each time.
  if (c.page == PageForNodeType(kModel)) scale_edit_->setText("1");
}

bool PropertiesPanel::ApplyEdit(QLineEdit* edit) {
  applying_ = true;  // a message box taking the focus must not apply the text again
  typed_.erase(edit);
  bool ok = true;
  const std::string text = edit->text().toStdString();
  if (edit == scale_edit_) {
    ok = ScaleEnter(editor_, text) == EnterResult::kFocusViewport;  // its own undo step
    if (!ok) typed_.insert(edit);
    applying_ = false;
    return ok;
  }
  UndoStack::Step step(editor_.History, kPropertiesStepName);
  if (edit == texture_scale_ || edit->property("texture_field").isValid()) {
    ok = ApplyTextureEdit(edit);
  } else if (edit == colour_edits_[0]) {
    RedEditEnter();
  } else if (edit->property("axis").isValid()) {
    ok = PositionEnter(editor_, currentIndex(), edit->property("axis").toInt(), text) ==
         EnterResult::kFocusViewport;
  } else {
    ok = EditEnter(editor_, edit->objectName().toStdString(), text) == EnterResult::kFocusViewport;
  }
  if (!ok) typed_.insert(edit);  // still not taken: leaving the field tries again
  applying_ = false;
  return ok;
}

void PropertiesPanel::NumberEditEnter(QLineEdit* edit) {
  if (ApplyEdit(edit)) {
    if (focus_viewport) focus_viewport();
  } else {
    edit->setFocus();
  }
}

void PropertiesPanel::RedEditEnter() {
  const RedEditResult r = Edit4Enter(colour_edits_[0]->text().toStdString(), track_bars_[0]->value());
  if (r.position) track_bars_[0]->setValue(*r.position);  // runs the track bar's own handling
  if (r.text) colour_edits_[0]->setText(QString::fromStdString(*r.text));
}

void PropertiesPanel::TrackBarMoved(int channel, int position) {
  colour_edits_[channel]->setText(QString::number(position));
  UpdatePreview();
  // Ticks in a row on one track bar (keys, wheel) are one step.
  UndoStack::Step step(editor_.History, kPropertiesStepName, std::string(kTrackBarNames[channel]));
  TrackBarChange(editor_, channel, position);
}

void PropertiesPanel::UpdatePreview() {
  const uint32_t value =
      ColorPreview(colour_edits_[0]->text().toStdString(), colour_edits_[1]->text().toStdString(),
                   colour_edits_[2]->text().toStdString());
  QPalette pal = preview_->palette();
  pal.setColor(QPalette::Window, QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF));
  preview_->setPalette(pal);
  preview_->setProperty("colorValue", value);
}

bool PropertiesPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    // Leaving a field takes its text as Enter would: a typed value is never dropped.
    if (edit && event->type() == QEvent::FocusOut && !applying_ && typed_.count(edit)) ApplyEdit(edit);
    if (edit) emit EditFocusChanged(event->type() == QEvent::FocusIn);
  }
  return QTabWidget::eventFilter(watched, event);
}

}  // namespace qx

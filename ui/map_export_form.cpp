#include "ui/map_export_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/up_down.h"

namespace qx {

namespace {
constexpr int kFallbackSize = 4;
constexpr int kSmallestSize = 4;
}  // namespace

TMapExportForm::TMapExportForm(QWidget* parent) : QDialog(parent) {
  setObjectName("MapExportForm");
  setWindowTitle("MapExport");
  setModal(true);

  label1_ = new QLabel("Lightmap X:", this);
  label1_->setObjectName("Label1");
  edit1_ = new QLineEdit("8", this);
  edit1_->setObjectName("Edit1");
  up_down1_ = new UpDown("UpDown1", this);
  label2_ = new QLabel("Lightmap Y:", this);
  label2_->setObjectName("Label2");
  edit2_ = new QLineEdit("8", this);
  edit2_->setObjectName("Edit2");
  up_down2_ = new UpDown("UpDown2", this);
  for (QLineEdit* e : {edit1_, edit2_}) {
    e->setValidator(new QIntValidator(1, kMaxLightmapSide, e));
    e->setFixedWidth(60);
    connect(e, &QLineEdit::textChanged, this, &TMapExportForm::InputChanged);
  }
  ok_ = new QPushButton("Ok", this);
  ok_->setObjectName("LbSpeedButton1");
  ok_->setDefault(true);
  cancel_ = new QPushButton("Abbrechen", this);
  cancel_->setObjectName("LbSpeedButton2");

  auto* grid = new QGridLayout(this);
  grid->addWidget(label1_, 0, 0);
  grid->addWidget(edit1_, 0, 1);
  grid->addWidget(up_down1_, 0, 2);
  grid->addWidget(label2_, 1, 0);
  grid->addWidget(edit2_, 1, 1);
  grid->addWidget(up_down2_, 1, 2);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  grid->addLayout(buttons, 2, 0, 1, 3);

  connect(up_down1_, &UpDown::Clicked, this, &TMapExportForm::UpDown1Click);
  connect(up_down2_, &UpDown::Clicked, this, &TMapExportForm::UpDown2Click);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  // Esc and the window's close button reject as well.
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(sizeHint());
}

int TMapExportForm::StepValue(int value, bool up) {
  if (up) return value > kMaxLightmapSide / 2 ? std::max(value, kMaxLightmapSide) : value * 2;
  const int half = value / 2;
  // The arrows never go below 4, nor raise a smaller typed value.
  return half <= 3 ? std::min(value, kSmallestSize) : half;
}

int TMapExportForm::ParseValue(const QString& text) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  return ok ? v : kFallbackSize;
}

void TMapExportForm::UpDown1Click(bool up) {
  edit1_->setText(QString::number(StepValue(ParseValue(edit1_->text()), up)));
}

void TMapExportForm::UpDown2Click(bool up) {
  edit2_->setText(QString::number(StepValue(ParseValue(edit2_->text()), up)));
}

LightmapSize TMapExportForm::Values() const {
  return {ParseValue(edit1_->text()), ParseValue(edit2_->text())};
}

void TMapExportForm::SetValues(LightmapSize size) {
  edit1_->setText(QString::number(size.width));
  edit2_->setText(QString::number(size.height));
}

void TMapExportForm::InputChanged() {
  // "Ok" takes only sizes the baker can make; Enter presses it.
  ok_->setEnabled(edit1_->hasAcceptableInput() && edit2_->hasAcceptableInput());
}

std::optional<LightmapSize> TMapExportForm::Ask() {
  const LightmapSize before = Values();
  edit1_->setFocus();
  edit1_->selectAll();
  if (exec() == QDialog::Accepted) return Values();
  SetValues(before);
  return std::nullopt;
}

}  // namespace qx

#include "ui/up_down.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace qx {

UpDown::UpDown(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (bool up : {true, false}) {
    auto* b = new QToolButton(this);
    b->setObjectName(name + (up ? "Up" : "Down"));
    b->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
    b->setFixedSize(16, 11);
    b->setAutoRepeat(true);
    connect(b, &QToolButton::clicked, this, [this, up] { emit Clicked(up); });
    layout->addWidget(b);
  }
}

}  // namespace qx

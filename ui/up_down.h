#pragma once
// A pair of small up/down arrow buttons without a number of their own; the
// label beside them shows the value they change.

#include <QWidget>

namespace qx {

class UpDown : public QWidget {
  Q_OBJECT
 public:
  explicit UpDown(const QString& name, QWidget* parent = nullptr);

 signals:
  void Clicked(bool up);
};

}  // namespace qx

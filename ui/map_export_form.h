#pragma once
// TMapExportForm: the lightmap-size dialog ("MapExport"). It is made once at
// start and lives until the program ends, so its values persist between
// computations. The sizes run through the powers of two from 4 up; the dialog
// has no cancel: however it is closed, the computation goes on.

#include <QDialog>

#include "lighting/lightmap.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

class UpDown;

class TMapExportForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMapExportForm(QWidget* parent = nullptr);

  // The value an up (doubled) or down (halved; 3 or less becomes 4) click
  // makes of `value`. Doubling stops at the largest size the baker takes.
  static int StepValue(int value, bool up);
  // The number in an edit, 4 when the text is not one.
  static int ParseValue(const QString& text);

  // Shows the dialog modally and returns the sizes it then holds.
  LightmapSize Ask();
  LightmapSize Values() const;
  void SetValues(LightmapSize size);

  void UpDown1Click(bool up);
  void UpDown2Click(bool up);

 private:
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QLineEdit* edit1_ = nullptr;
  QLineEdit* edit2_ = nullptr;
  UpDown* up_down1_ = nullptr;
  UpDown* up_down2_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace qx

#pragma once
// TMapExportForm: the lightmap-size dialog ("MapExport"). It is made once at
// start and lives until the program ends, so its values persist between
// computations. Sizes from 1 to 4096 are typed; the arrows double and halve
// them. "Ok" (or Enter) takes them; "Abbrechen", Esc and closing the window
// cancel the computation and bring back the values the dialog opened with.

#include <QDialog>
#include <optional>

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

  // The value an up (doubled) or down (halved; 3 or less becomes 4, but a
  // value below 4 stays) click makes of `value`. Doubling stops at the
  // largest size the baker takes.
  static int StepValue(int value, bool up);
  // The number in an edit, 4 when the text is not one.
  static int ParseValue(const QString& text);

  // Shows the dialog modally: the sizes taken with "Ok", nothing when cancelled.
  std::optional<LightmapSize> Ask();
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
  QPushButton* cancel_ = nullptr;

  void InputChanged();
};

}  // namespace qx

#pragma once
// "Datei" -> "Einstellungen...": the pages "Spiel", "Editor" and "Pfade".
// The dialog only edits a copy; the window writes it to the settings store
// and applies it after "OK".

#include <QDialog>
#include <array>

#include "session/play_test.h"

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace qx {

class SettingsDialog : public QDialog {
  Q_OBJECT
 public:
  enum Page { kGamePage = 0, kEditorPage = 1, kPathsPage = 2 };

  explicit SettingsDialog(const Preferences& values, QWidget* parent = nullptr);
  void ShowPage(Page page);
  Page CurrentPage() const;
  Preferences Values() const;

  // "OK": arguments whose quotes are not closed keep the dialog open on "Spiel".
  void accept() override;

 private:
  QWidget* BuildGamePage();
  QWidget* BuildEditorPage();
  QWidget* BuildPathsPage();
  // A line edit with a "..." button beside it that opens a chooser.
  QWidget* WithChooser(QLineEdit* edit, bool folder, const QString& title);

  Preferences values_;
  QTabWidget* pages_ = nullptr;
  QLineEdit* program_ = nullptr;
  QLineEdit* arguments_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QSpinBox* autosave_ = nullptr;
  QSpinBox* undo_ = nullptr;
  QDoubleSpinBox* speed_ = nullptr;
  QCheckBox* invert_ = nullptr;
  std::array<QLineEdit*, 5> paths_{};
};

}  // namespace qx

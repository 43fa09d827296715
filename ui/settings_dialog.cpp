#include "ui/settings_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace qx {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

SettingsDialog::SettingsDialog(const Preferences& values, QWidget* parent)
    : QDialog(parent), values_(values) {
  setObjectName("Einstellungen");
  setWindowTitle("Einstellungen");
  pages_ = new QTabWidget(this);
  pages_->setObjectName("EinstellungenSeiten");
  pages_->addTab(BuildGamePage(), "Spiel");
  pages_->addTab(BuildEditorPage(), "Editor");
  pages_->addTab(BuildPathsPage(), "Pfade");

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  ok->setObjectName("OK");
  ok->setDefault(true);
  buttons->addButton("Abbrechen", QDialogButtonBox::RejectRole)->setObjectName("Abbrechen");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons);
  resize(560, 340);
}

QWidget* SettingsDialog::WithChooser(QLineEdit* edit, bool folder, const QString& title) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(edit, 1);
  auto* choose = new QToolButton(row);
  choose->setText("...");
  choose->setObjectName(edit->objectName() + "Waehlen");
  choose->setToolTip(title);
  layout->addWidget(choose);
  connect(choose, &QToolButton::clicked, this, [this, edit, folder, title] {
    const QString start = edit->text();
    const QString chosen = folder ? QFileDialog::getExistingDirectory(this, title, start)
                                  : QFileDialog::getOpenFileName(this, title, start);
    if (!chosen.isEmpty()) edit->setText(chosen);
  });
  return row;
}

QWidget* SettingsDialog::BuildGamePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  program_ = new QLineEdit(Q(values_.game_program));
  program_->setObjectName("Spielprogramm");
  arguments_ = new QLineEdit(Q(values_.game_arguments));
  arguments_->setObjectName("Argumente");
  folder_ = new QLineEdit(Q(values_.game_folder));
  folder_->setObjectName("Arbeitsordner");
  folder_->setPlaceholderText("der Ordner des Programms");
  form->addRow("Programm:", WithChooser(program_, false, "Spielprogramm wählen"));
  form->addRow("Argumente:", arguments_);
  form->addRow("Arbeitsordner:", WithChooser(folder_, true, "Arbeitsordner wählen"));
  auto* help = new QLabel(
      "In den Argumenten stehen %MAP% für die Leveldatei, %X%, %Y% und %Z% für die Startposition, "
      "%HEADING% und %PITCH% für die Blickrichtung der Kamera in Grad (bei \"Testen\" 0), %% für ein "
      "Prozentzeichen. Leerzeichen trennen die Argumente; Anführungszeichen und \\ wie in einer Shell.");
  help->setWordWrap(true);
  form->addRow(help);
  return page;
}

QWidget* SettingsDialog::BuildEditorPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  autosave_ = new QSpinBox;
  autosave_->setObjectName("AutoSicherung");
  autosave_->setRange(0, kMaxAutoSaveMinutes);
  autosave_->setSuffix(" min");
  autosave_->setSpecialValueText("aus");
  autosave_->setValue(values_.autosave_minutes);
  undo_ = new QSpinBox;
  undo_->setObjectName("RueckgaengigSchritte");
  undo_->setRange(1, kMaxUndoSteps);
  undo_->setValue(values_.undo_steps);
  speed_ = new QDoubleSpinBox;
  speed_->setObjectName("Kamerageschwindigkeit");
  speed_->setRange(kMinCameraSpeed, kMaxCameraSpeed);
  speed_->setDecimals(1);
  speed_->setSingleStep(0.5);
  speed_->setValue(values_.camera_speed);
  invert_ = new QCheckBox("Maus umkehren");
  invert_->setObjectName("MausUmkehren");
  invert_->setToolTip("Beim Umschauen schaut die Kamera nach unten, wenn die Maus nach oben gezogen wird.");
  invert_->setChecked(values_.invert_mouse);
  form->addRow("Automatische Sicherung alle:", autosave_);
  form->addRow("Rückgängig-Schritte:", undo_);
  form->addRow("Kamerageschwindigkeit:", speed_);
  form->addRow(invert_);
  return page;
}

QWidget* SettingsDialog::BuildPathsPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  for (size_t i = 0; i < kPathSettings.size(); ++i) {
    auto* edit = new QLineEdit(Q(values_.paths[i]));
    edit->setObjectName(QString("Pfad%1").arg(i + 1));
    if (kPathSettings[i].is_file) {
      // The library open at shutdown becomes the one opened at the next start:
      // what is typed here would be overwritten, so it is shown only.
      edit->setReadOnly(true);
      edit->setToolTip(
          "Die Texturbibliothek, die beim Beenden geladen ist, wird beim nächsten Start geladen.");
      form->addRow(kPathSettings[i].label, edit);
    } else {
      form->addRow(kPathSettings[i].label, WithChooser(edit, true, "Ordner wählen"));
    }
    paths_[i] = edit;
  }
  return page;
}

void SettingsDialog::ShowPage(Page page) {
  pages_->setCurrentIndex(page);
}

SettingsDialog::Page SettingsDialog::CurrentPage() const {
  return static_cast<Page>(pages_->currentIndex());
}

Preferences SettingsDialog::Values() const {
  Preferences p = values_;
  p.game_program = program_->text().trimmed().toStdString();
  p.game_arguments = arguments_->text().toStdString();
  p.game_folder = folder_->text().trimmed().toStdString();
  p.autosave_minutes = autosave_->value();
  p.undo_steps = undo_->value();
  p.camera_speed = speed_->value();
  p.invert_mouse = invert_->isChecked();
  for (size_t i = 0; i < paths_.size(); ++i) p.paths[i] = paths_[i]->text().toStdString();
  return p;
}

void SettingsDialog::accept() {
  std::vector<std::string> words;
  std::string error;
  if (!SplitArguments(arguments_->text().toStdString(), words, error)) {
    ShowPage(kGamePage);
    QMessageBox::warning(this, "Einstellungen", Q(error));
    arguments_->setFocus();
    return;
  }
  QDialog::accept();
}

}  // namespace qx

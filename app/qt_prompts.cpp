#include "app/qt_prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace qx {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::filesystem::path ToPath(const QString& s) {
  return std::filesystem::path(s.toStdString());
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString& text = parts[i];
    const QString patterns = QString(parts[i + 1]).replace(';', ' ');
    if (text.contains('(') && text.contains(')'))
      out << text;
    else
      out << text + " (" + patterns + ")";
  }
  if (parts.size() % 2 == 1 && !parts.back().isEmpty()) out << parts.back();
  return out.join(";;");
}

void QtPrompts::ShowWarning(const std::string& text) {
  QMessageBox::warning(parent_, "Warnung", Q(text));
}

void QtPrompts::ShowInfo(const std::string& text) {
  QMessageBox::information(parent_, "Information", Q(text));
}

bool QtPrompts::Confirm(const std::string& text) {
  return QMessageBox::question(parent_, "Bestätigen", Q(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

Answer QtPrompts::AskYesNoCancel(const std::string& text) {
  QMessageBox box(QMessageBox::Question, "Bestätigen", Q(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  box.button(QMessageBox::Yes)->setText("Ja");
  box.button(QMessageBox::No)->setText("Nein");
  box.button(QMessageBox::Cancel)->setText("Abbrechen");
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);  // closing the box answers Abbrechen
  const int r = box.exec();
  if (r == QMessageBox::Yes) return Answer::kYes;
  if (r == QMessageBox::No) return Answer::kNo;
  return Answer::kCancel;
}

std::optional<std::string> QtPrompts::AskText(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

std::optional<std::filesystem::path> QtPrompts::ChooseOpenFile(const FileDialog& d) {
  const QString f =
      QFileDialog::getOpenFileName(parent_, Q(d.title), Q(d.initial_dir.string()), QtFileFilter(d.filter));
  if (f.isEmpty()) return std::nullopt;
  return ToPath(f);
}

std::optional<std::filesystem::path> QtPrompts::ChooseSaveFile(const FileDialog& d) {
  // No overwrite question: saving over a file is what "Speichern unter..." does.
  const QString f =
      QFileDialog::getSaveFileName(parent_, Q(d.title), Q(d.initial_dir.string()), QtFileFilter(d.filter),
                                   nullptr, QFileDialog::DontConfirmOverwrite);
  if (f.isEmpty()) return std::nullopt;
  return ToPath(f);
}

}  // namespace qx

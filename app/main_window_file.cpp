// The file menu: documents, texture libraries, "Beenden" and "Info...".

#include <QApplication>
#include <QMessageBox>

#include "app/main_window.h"
#include "commands/document_commands.h"
#include "commands/texture_commands.h"
#include "document/map_document_io.h"
#include "session/unsaved_changes.h"
#include "textures/texture_library_file.h"

namespace qx {

namespace {

// The hourglass while a file is read or written.
class Busy {
 public:
  Busy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Busy() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

QString TMain::InfoText() {
  return QString("Quarvex v1.0\r\nProgrammiert von Lina Korvald\r\nwww.korvald.example");
}

void TMain::WireFile() {
  Wire(Action("Neu1"), [this] { Neu1Click(); });
  Wire(Action("ToolButton1"), [this] { Neu1Click(); });
  Wire(Action("Laden1"), [this] { Laden1Click(); });
  Wire(Action("ToolButton2"), [this] { Laden1Click(); });
  Wire(Action("Speichern1"), [this] { Speichern1Click(); });
  Wire(Action("ToolButton3"), [this] { Speichern1Click(); });
  Wire(Action("Speichernunter1"), [this] { Speichernunter1Click(); });
  Wire(Action("ToolButton4"), [this] { Speichernunter1Click(); });
  Wire(Action("Bibliothek1"), [this] { Bibliothek1Click(); });
  Wire(Action("Bibliothekspeichern1"), [this] { Bibliothekspeichern1Click(); });
  Wire(Action("Bibliothekspeichernunter1"), [this] { Bibliothekspeichernunter1Click(); });
  // The sector files of the tree's context menu are documents too.
  Wire(Action("Speichernunter2"), [this] {
    Busy busy;
    SaveSelectedSector(editor_);
  });
  Wire(Action("SektorausDatei1"), [this] {
    Busy busy;
    ImportSectorFromFile(editor_);
  });
  Wire(Action("Beenden1"), [this] { Beenden1Click(); });
  Wire(Action("Info2"), [this] { Info2Click(); });
}

void TMain::Neu1Click() {
  NewDocumentCommand(editor_, recent_.get());
}

void TMain::Laden1Click() {
  Busy busy;
  OpenDocumentCommand(editor_, recent_.get());
}

void TMain::Speichern1Click() {
  Busy busy;
  SaveDocumentCommand(editor_, recent_.get());
}

void TMain::Speichernunter1Click() {
  Busy busy;
  SaveDocumentAsCommand(editor_, recent_.get());
}

void TMain::Bibliothek1Click() {
  Busy busy;
  LoadTextureLibraryCommand(editor_);
  Redraw();
}

void TMain::Bibliothekspeichern1Click() {
  Busy busy;
  SaveTextureLibraryCommand(editor_);
}

void TMain::Bibliothekspeichernunter1Click() {
  Busy busy;
  SaveTextureLibraryAsCommand(editor_);
}

void TMain::OpenDocumentFile(const std::filesystem::path& path) {
  Busy busy;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    editor_.ShowWarning(kFileNotFound);
    return;
  }
  std::string error;
  if (!LoadMapDocument(editor_, path, &error)) {
    editor_.ShowWarning(kInvalidFile);
    return;
  }
  editor_.DocumentFileName = std::filesystem::absolute(path, ec);
  if (ec) editor_.DocumentFileName = path;
  editor_.DocumentHasFile = true;
  editor_.UpdateCaption();
  if (recent_) recent_->Add(editor_.DocumentFileName);
  Redraw();
}

void TMain::OpenTextureLibraryFile(const std::filesystem::path& path) {
  Busy busy;
  UndoStack::Step step(editor_.History, "Bibliothek laden");
  std::string message;
  if (!LoadTextureLibrary(editor_.Textures, path, message)) editor_.ShowWarning(message);
  Redraw();
}

void TMain::Beenden1Click() {
  close();
}

void TMain::Info2Click() {
  QMessageBox::information(this, "Information", InfoText());
}

}  // namespace qx

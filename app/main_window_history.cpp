// Never losing work: "Rückgängig" and "Wiederholen", "Zuletzt geöffnet", the
// backup timer and the offer to open a backup at start. The question about
// unsaved changes sits in the commands of main_window_file.cpp and in closeEvent.
// Each command opens its undo step where it is invoked: menu items and tool
// buttons in TMain::Wire, keys in FormKeyDown, viewport drags from press to
// release (main_window_edit.cpp), the panel's controls and the texture
// browser's buttons in their widgets, drops on the tree in main_window_tree.cpp.

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "app/bake_runner.h"
#include "app/main_window.h"
#include "render/viewport_panel.h"
#include "session/unsaved_changes.h"

namespace qx {

void TMain::WireHistory() {
  QMenu* edit = menuBar()->findChild<QMenu*>("Bearbeiten1");
  QAction* first = edit ? edit->actions().value(0) : nullptr;
  QAction* undo = AddAction(nullptr, "Rckgngig1", "Rückgängig");
  undo->setShortcut(QKeySequence("Ctrl+Z"));
  // Ctrl+Y is "Koordinaten kopieren".
  QAction* redo = AddAction(nullptr, "Wiederholen1", "Wiederholen");
  redo->setShortcut(QKeySequence("Ctrl+Shift+Z"));
  if (edit) {
    edit->insertAction(first, undo);
    edit->insertAction(first, redo);
    edit->insertSeparator(first);
  }
  Wire(undo, [this] { editor_.History.Undo(); });
  Wire(redo, [this] { editor_.History.Redo(); });
  editor_.History.on_change = [this] { UpdateUndoActions(); };
  UpdateUndoActions();

  QMenu* file = menuBar()->findChild<QMenu*>("Datei1");
  recent_menu_ = new QMenu("Zuletzt geöffnet", this);
  recent_menu_->setObjectName("Zuletztgeffnet1");
  if (file) {
    QAction* quit = Action("Beenden1");
    file->insertMenu(quit, recent_menu_);
    file->insertSeparator(quit);
  }
  connect(recent_menu_, &QMenu::aboutToShow, this, &TMain::FillRecentMenu);
  FillRecentMenu();
}

void TMain::UpdateUndoActions() {
  const UndoStack& h = editor_.History;
  QAction* undo = Action("Rckgngig1");
  QAction* redo = Action("Wiederholen1");
  if (!undo || !redo) return;
  undo->setEnabled(h.CanUndo());
  redo->setEnabled(h.CanRedo());
  const QString undo_name = QString::fromStdString(h.UndoName());
  const QString redo_name = QString::fromStdString(h.RedoName());
  undo->setStatusTip(undo_name.isEmpty() ? "Rückgängig" : "Rückgängig: " + undo_name);
  redo->setStatusTip(redo_name.isEmpty() ? "Wiederholen" : "Wiederholen: " + redo_name);
}

void TMain::FillRecentMenu() {
  recent_menu_->clear();
  if (!recent_ || recent_->Files().empty()) {
    recent_menu_->addAction("(keine)")->setEnabled(false);
    return;
  }
  const std::vector<std::filesystem::path> files = recent_->Files();
  for (size_t i = 0; i < files.size(); ++i) {
    QAction* a = recent_menu_->addAction(QString::fromStdString(RecentFileLabel(i, files[i])));
    a->setObjectName(QString("Zuletzt%1").arg(i + 1));
    a->setStatusTip(QString::fromStdString(files[i].string()));
    a->setToolTip(a->statusTip());
    connect(a, &QAction::triggered, this, [this, file = files[i]] {
      UndoStack::Step step(editor_.History, "Laden");
      QApplication::setOverrideCursor(Qt::WaitCursor);
      OpenRecentDocument(editor_, *recent_, file);
      QApplication::restoreOverrideCursor();
    });
  }
}

std::filesystem::path TMain::BackupFolder() const {
  const QString settings_file =
      settings_file_.isEmpty() ? QSettings("Korvald", "Editor").fileName() : settings_file_;
  return std::filesystem::path(QFileInfo(settings_file).absolutePath().toStdString()) / "Editor-Backup";
}

void TMain::StartHistory() {
  if (autosaver_) return;
  recent_ = std::make_unique<RecentFiles>(settings_.get());
  FillRecentMenu();
  if (viewport_->GLReady()) {
    lightmap_uploader_ = std::make_unique<ViewportLightmapUploader>(*viewport_);
    editor_.History.SetLightmapUploader(lightmap_uploader_.get());
  }
  autosaver_ = std::make_unique<AutoSaver>(BackupFolder());
  autosave_timer_ = new QTimer(this);
  autosave_timer_->setObjectName("AutoSaveTimer");
  autosave_timer_->setInterval(kAutoSaveMinutes * 60 * 1000);
  connect(autosave_timer_, &QTimer::timeout, this, [this] {
    if (editor_.History.Busy()) return;  // not in the middle of a command; the next tick comes
    std::string error;
    if (!autosaver_->Tick(editor_, &error) && !error.empty())
      statusBar()->showMessage("Automatische Sicherung fehlgeschlagen: " + QString::fromStdString(error),
                               10000);
  });
  autosave_timer_->start();

  // A backup left by a run that did not end cleanly comes before any document
  // named on the command line: opening one of those would throw the work away.
  UndoStack::Step step(editor_.History, "Wiederherstellen");
  if (OfferRecovery(editor_, *autosaver_)) {
    startup_files_.erase(
        std::remove_if(startup_files_.begin(), startup_files_.end(),
                       [](const QString& f) { return f.endsWith(".qxm", Qt::CaseInsensitive); }),
        startup_files_.end());
  }
}

}  // namespace qx

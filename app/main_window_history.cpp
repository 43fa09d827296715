// Never losing work: "Rückgängig" and "Wiederholen", "Zuletzt geöffnet", the
// backup timer and the offer to open a backup at start. The question about
// unsaved changes sits in the commands of main_window_file.cpp and in closeEvent;
// every wired command is one undo step (TMain::Wire, FormKeyDown).

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "app/bake_runner.h"
#include "app/main_window.h"
#include "edit/unsaved_changes.h"
#include "render/viewport_panel.h"

namespace qx {

namespace {

bool Inside(const QObject* object, const QWidget* area) {
  for (auto* w = qobject_cast<const QWidget*>(object); w && area; w = w->parentWidget())
    if (w == area) return true;
  return false;
}

// Edits that are not menu commands (a drag in the viewport, a slider or check
// box of the properties panel, a drop in the tree) are recorded when the user
// lets go of the mouse or a key: all changes of one drag become one step.
class CommitFilter : public QObject {
 public:
  CommitFilter(TMain* main, std::function<void(QObject*)> commit)
      : QObject(main), main_(main), commit_(std::move(commit)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != main_) return false;  // dialogs belong to their command
    switch (event->type()) {
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) commit_(watched);
        break;
      case QEvent::KeyRelease:
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) commit_(watched);
        break;
      case QEvent::Drop:
        commit_(watched);
        break;
      default:
        break;
    }
    return false;
  }

 private:
  TMain* main_;
  std::function<void(QObject*)> commit_;
};

}  // namespace

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

  qApp->installEventFilter(new CommitFilter(this, [this](QObject* target) { ScheduleCommit(target); }));
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

void TMain::ScheduleCommit(QObject* target) {
  if (commit_pending_) return;
  std::string name;
  if (Inside(target, viewport_)) {
    const bool ctrl = QApplication::keyboardModifiers().testFlag(Qt::ControlModifier);
    name = ctrl ? "Texturkoordinaten" : editor_.ToolMode == ToolMode::kMove ? "Verschieben" : "Rotieren";
  } else if (Inside(target, panel_host_)) {
    name = "Eigenschaften";
  } else if (Inside(target, tree_)) {
    name = "Ziehen";
  }
  // After the event has been handled: the release or drop may itself change the scene.
  commit_pending_ = true;
  QTimer::singleShot(0, this, [this, name] {
    commit_pending_ = false;
    editor_.History.Commit(name);
  });
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

#include "app/play_test_runner.h"

#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>

#include "app/main_window.h"
#include "session/play_test.h"
#include "ui/settings_dialog.h"

namespace qx {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The program as the user named it, found the way a shell finds it: a name
// without a slash is looked up in PATH. Empty with `problem` set when it
// cannot be run.
QString ResolveProgram(const QString& program, std::string& problem) {
  if (!program.contains('/')) {
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty()) problem = "nicht im Suchpfad (PATH) gefunden";
    return found;
  }
  problem = ProgramProblem(program.toStdString());
  return problem.empty() ? program : QString();
}

}  // namespace

PlayTestRunner::PlayTestRunner(TMain& main) : QObject(&main), main_(main) {
  dock_ = new QDockWidget("Protokoll", &main);
  dock_->setObjectName("Protokoll");
  log_ = new QPlainTextEdit(dock_);
  log_->setObjectName("ProtokollText");
  log_->setReadOnly(true);
  log_->setMaximumBlockCount(kLogLines);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont mono("Monospace");
  mono.setStyleHint(QFont::TypeWriter);
  log_->setFont(mono);
  dock_->setWidget(log_);
  main.addDockWidget(Qt::BottomDockWidgetArea, dock_);
  dock_->hide();
}

PlayTestRunner::~PlayTestRunner() {
  // The games go before their level files do.
  for (QProcess* p : findChildren<QProcess*>()) {
    p->disconnect(this);
    p->kill();
    p->waitForFinished(2000);
  }
}

std::filesystem::path PlayTestRunner::TempRoot() const {
  return temp_ ? std::filesystem::path(temp_->path().toStdString()) : std::filesystem::path();
}

void PlayTestRunner::Append(const QString& line, bool show) {
  log_->appendPlainText(line);
  if (show && !dock_->isVisible()) dock_->show();
}

bool PlayTestRunner::Run(bool from_camera) {
  Editor& editor = main_.editor();
  if (!main_.Settings()) return false;
  Preferences prefs = main_.CurrentPreferences();
  if (prefs.game_program.empty()) {
    // Once: "Abbrechen", or "OK" without a program, ends it here.
    if (!main_.OpenSettings(SettingsDialog::kGamePage)) return false;
    prefs = main_.CurrentPreferences();
    if (prefs.game_program.empty()) {
      main_.statusBar()->showMessage("Kein Spielprogramm eingestellt.", 10000);
      return false;
    }
  }

  const PlayStart start = from_camera
                              ? CameraStart(editor.CameraPosition, editor.CameraHeading, editor.CameraPitch)
                              : DocumentStart(editor);
  if (!temp_) {
    temp_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/quarvex-test-XXXXXX");
    if (!temp_->isValid()) {
      const QString reason = temp_->errorString();
      temp_.reset();
      editor.ShowWarning("Der temporäre Ordner für \"Testen\" kann nicht angelegt werden: " +
                         reason.toStdString());
      return false;
    }
  }
  std::string error;
  const std::optional<std::filesystem::path> map_file = WritePlayTestLevel(editor, TempRoot(), start, error);
  if (!map_file) {
    editor.ShowWarning(std::string("Die Leveldatei konnte nicht gespeichert werden!\r\n") + error);
    return false;
  }
  LaunchPlan plan;
  if (!PlanLaunch(prefs, *map_file, start, plan, error)) {
    editor.ShowWarning(error);
    return false;
  }

  const QString name = Q(plan.program);
  std::string problem;
  const QString program = ResolveProgram(name, problem);
  // Without a folder of its own the game runs where it lies, as engines that
  // find their data beside them expect.
  if (problem.empty() && prefs.game_folder.empty())
    plan.working_folder = QFileInfo(program).absolutePath().toStdString();
  if (problem.empty() && !plan.working_folder.empty() && !std::filesystem::is_directory(plan.working_folder))
    problem = "der Arbeitsordner \"" + plan.working_folder.string() + "\" wurde nicht gefunden";
  if (!problem.empty()) {
    editor.ShowWarning("Das Spielprogramm \"" + plan.program + "\" kann nicht gestartet werden: " + problem +
                       ".");
    return false;
  }

  auto* process = new QProcess(this);
  process->setProgram(program);
  QStringList arguments;
  for (const std::string& a : plan.arguments) arguments << Q(a);
  process->setArguments(arguments);
  if (!plan.working_folder.empty()) process->setWorkingDirectory(Q(plan.working_folder.string()));
  // One stream in the order the game wrote it, as a terminal would show it.
  process->setProcessChannelMode(QProcess::MergedChannels);
  process->setStandardInputFile(QProcess::nullDevice());
  Watch(process, name);
  process->start();
  main_.statusBar()->showMessage("Spiel gestartet: " + QFileInfo(name).fileName(), 5000);
  return true;
}

void PlayTestRunner::Watch(QProcess* process, const QString& name) {
  auto pending = std::make_shared<QByteArray>();  // a line not yet ended
  auto take_lines = [this, process, pending] {
    pending->append(process->readAllStandardOutput());
    qsizetype end;
    while ((end = pending->indexOf('\n')) >= 0) {
      QByteArray line = pending->left(end);
      pending->remove(0, end + 1);
      if (line.endsWith('\r')) line.chop(1);
      Append(QString::fromLocal8Bit(line), true);
    }
  };
  connect(process, &QProcess::readyReadStandardOutput, this, take_lines);
  connect(process, &QProcess::started, this, [this] {
    ++running_;
    emit GameStarted();
  });
  connect(process, &QProcess::finished, this,
          [this, process, pending, take_lines, name](int code, QProcess::ExitStatus status) {
            take_lines();
            if (!pending->isEmpty()) Append(QString::fromLocal8Bit(*pending), true);
            pending->clear();
            const QString file = QFileInfo(name).fileName();
            // A game that ended badly shows the dock even when it printed nothing.
            if (status == QProcess::CrashExit)
              Append("--- " + file + " abgestürzt ---", true);
            else
              Append(QString("--- %1 beendet, Exit-Code %2 ---").arg(file).arg(code), code != 0);
            --running_;
            emit GameFinished(status == QProcess::CrashExit ? -1 : code);
            process->deleteLater();
          });
  connect(process, &QProcess::errorOccurred, this, [this, process, name](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;
    // The checks before the start passed, so the system refused it (an
    // interpreter that is missing, a file of the wrong kind): its own words follow.
    main_.editor().ShowWarning("Das Spielprogramm \"" + name.toStdString() +
                               "\" kann nicht gestartet werden: das System kann es nicht ausführen (" +
                               process->errorString().toStdString() + ").");
    process->deleteLater();
  });
}

}  // namespace qx

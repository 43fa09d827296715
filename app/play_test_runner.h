#pragma once
// "Testen" (F9) and "Ab Kamera testen" (Shift+F9) in the window: the level
// goes to the document's temporary .map, then the engine program runs on it
// as a child process that the window does not wait for. Another F9 while a
// game runs starts one more with the newer file; the one running goes on.
// What the games print comes into the dock "Protokoll", which stays hidden
// until there is something to read. Closing the editor ends its games.

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>

class QDockWidget;
class QPlainTextEdit;
class QProcess;

namespace qx {

class TMain;

inline constexpr int kLogLines = 1000;

class PlayTestRunner : public QObject {
  Q_OBJECT
 public:
  explicit PlayTestRunner(TMain& main);
  ~PlayTestRunner() override;

  // Writes the level and starts the engine; from_camera: the 3D camera's
  // position is the level's start. Without a program the settings open once
  // at "Spiel"; false when nothing was started.
  bool Run(bool from_camera);

  QDockWidget* LogDock() const { return dock_; }
  QPlainTextEdit* Log() const { return log_; }
  int RunningGames() const { return running_; }
  // Where the temporary level files lie (removed when the window goes).
  std::filesystem::path TempRoot() const;

 signals:
  void GameStarted();
  void GameFinished(int exit_code);

 private:
  void Append(const QString& line, bool show);
  void Watch(QProcess* process, const QString& name);

  TMain& main_;
  std::unique_ptr<QTemporaryDir> temp_;
  QDockWidget* dock_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  int running_ = 0;
};

}  // namespace qx

// "Einstellungen..." and "Testen": the settings dialog, what its values change
// in the running window, and the one-key test of the level in the game.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

#include "app/main_window.h"
#include "app/play_test_runner.h"
#include "app/qt_settings.h"
#include "document/undo.h"
#include "ui/image_list.h"
#include "ui/settings_dialog.h"

namespace qx {

void TMain::WirePlayTest() {
  play_test_ = new PlayTestRunner(*this);
  play_test_->setObjectName("PlayTestRunner");

  QAction* test = AddAction(nullptr, "Testen1", "Testen", kImagePlay);
  test->setShortcut(QKeySequence(Qt::Key_F9));
  test->setShortcutContext(Qt::WindowShortcut);
  QAction* from_camera = AddAction(nullptr, "AbKameratesten1", "Ab Kamera testen");
  from_camera->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F9));
  QAction* settings = AddAction(nullptr, "Einstellungen1", "Einstellungen...");
  if (QMenu* file = menuBar()->findChild<QMenu*>("Datei1")) {
    // After "Exportieren": writing the level and trying it belong together.
    QAction* before = Action("Beenden1");
    if (QMenu* export_menu = file->findChild<QMenu*>("Exportieren1")) {
      const QList<QAction*> all = file->actions();
      const qsizetype at = all.indexOf(export_menu->menuAction());
      if (at >= 0 && at + 1 < all.size()) before = all[at + 1];
    }
    file->insertAction(before, test);
    file->insertAction(before, from_camera);
    file->insertAction(before, settings);
  }
  addAction(test);  // the keys work also while the menu bar is hidden
  addAction(from_camera);

  // The tool button goes beside "Exportieren".
  QAction* button = AddAction(nullptr, "ToolButton28", "Testen (F9)", kImagePlay);
  button->setToolTip("Testen (F9)");
  button->setStatusTip("Testen (F9)");
  const QList<QAction*> tools = tool_bar_->actions();
  const qsizetype export_at = tools.indexOf(Action("ToolButton8"));
  tool_bar_->insertAction(export_at >= 0 && export_at + 1 < tools.size() ? tools[export_at + 1] : nullptr,
                          button);
  if (QWidget* w = tool_bar_->widgetForAction(button)) w->setObjectName("ToolButton28");

  Wire(test, [this] { play_test_->Run(false); });
  Wire(button, [this] { play_test_->Run(false); });
  Wire(from_camera, [this] { play_test_->Run(true); });
  Wire(settings, [this] { OpenSettings(SettingsDialog::kGamePage); });
}

Preferences TMain::CurrentPreferences() const {
  Preferences p = settings_ ? ReadPreferences(*settings_) : prefs_;
  // The library opened at the next start is the one loaded now.
  for (size_t i = 0; i < kPathSettings.size(); ++i)
    if (kPathSettings[i].is_file)
      p.paths[i] = editor_.Textures.HasFile ? editor_.Textures.FileName.string() : std::string();
  return p;
}

bool TMain::OpenSettings(int page) {
  if (!settings_) return false;
  SettingsDialog dialog(CurrentPreferences(), this);
  dialog.ShowPage(static_cast<SettingsDialog::Page>(page));
  if (dialog.exec() != QDialog::Accepted) return false;
  const Preferences p = dialog.Values();
  WritePreferences(*settings_, p);
  if (auto* qt = dynamic_cast<QtSettingsStore*>(settings_.get())) qt->Sync();
  ApplyPreferences(p);
  return true;
}

void TMain::ApplyPreferences(const Preferences& p) {
  prefs_ = p;
  if (autosave_timer_) {
    if (p.autosave_minutes > 0) {
      autosave_timer_->setInterval(p.autosave_minutes * 60 * 1000);
      autosave_timer_->start();
    } else {
      autosave_timer_->stop();
    }
  }
  editor_.History.SetLimits(static_cast<size_t>(p.undo_steps), kUndoMaxBytes);
}

}  // namespace qx

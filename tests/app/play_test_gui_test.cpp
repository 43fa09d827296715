// "Testen" with a stand-in engine: a shell script written here that records
// its arguments and working folder, keeps a copy of the level it was given,
// prints to both streams, waits until the test lets it go and ends with exit
// code 3.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <fstream>

#include "app/gui_actions.h"
#include "app/main_window.h"
#include "app/play_test_runner.h"
#include "commands/export_commands.h"
#include "commands/insert.h"
#include "lighting/level_reader.h"
#include "support/qt_app.h"
#include "support/scene_generator.h"
#include "support/test_support.h"
#include "ui/settings_dialog.h"

namespace qx {
namespace {

class PlayTestWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApp();
    engine = dir / "engine.sh";
    std::ofstream(engine)
        << "#!/bin/sh\n"
           "runs='"
        << (dir / "runs").string()
        << "'\n"
           "mkdir -p \"$runs\"\n"
           "i=$(ls \"$runs\" | wc -l)\n"
           "mkdir \"$runs/$i\"\n"
           "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$runs/$i/args\"\n"
           "pwd > \"$runs/$i/cwd\"\n"
           "cp \"$2\" \"$runs/$i/level.map\"\n"
           "seq 1 600 | sed 's/^/zeile /'\n"
           "echo 'Engine läuft'\n"
           "echo 'Warnung auf stderr' >&2\n"
           // Waits until the test lets it go (at most 20 s), so
           // "still running" depends on no clock.
           "n=0\n"
           "while [ ! -e \"$runs/../go\" ] && [ $n -lt 200 ]; do sleep 0.1; n=$((n+1)); done\n"
           "touch \"$runs/$i/done\"\n"
           "printf 'ohne Zeilenende'\n"
           "exit 3\n";
    std::filesystem::permissions(engine, std::filesystem::perms::owner_all);
    QSettings ini(IniFile(), QSettings::IniFormat);
    ini.setValue("QVX3/QVX3_GAME_ARGUMENTS", "-level \"%MAP%\" -pos %X%,%Y%,%Z% -view '%HEADING% %PITCH%'");
    ini.setValue("QVX3/QVX3_GAME_FOLDER", QString::fromStdString(dir.path().string()));
    ini.sync();
  }
  void TearDown() override {
    if (w) e().prompts = nullptr;
    w.reset();
  }
  QString IniFile() const { return QString::fromStdString((dir / "Editor.conf").string()); }
  void SetProgram(const std::string& program) {
    QSettings ini(IniFile(), QSettings::IniFormat);
    ini.setValue("QVX3/QVX3_GAME_PROGRAM", QString::fromStdString(program));
  }
  void Start() {
    w = std::make_unique<TMain>(IniFile());
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->StartupDone(); }, 10000));
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    e().prompts = &prompts;
  }
  Editor& e() { return w->editor(); }
  // Where the keys go: the 3D view, or the tree when the view has no OpenGL and is not in the window.
  QWidget* Keys() {
    return w->Viewport()->window() == w.get() ? static_cast<QWidget*>(w->Viewport()) : w->Tree();
  }
  PlayTestRunner& Runner() { return *w->PlayTest(); }
  // A lit square, baked, with its own start position.
  void LitSquare() {
    InsertSector(e());
    InsertSquare(e());
    e().CameraTarget = {0, 0, 40};
    InsertLight(e());
    ASSERT_EQ(ComputeLightmaps(e(), {8, 8}), BakeStatus::kDone);
    e().StartPosition = {10, 20, 30};
    e().ChangedStartPosition();
    e().History.Commit();
  }
  std::filesystem::path Run(int i) const { return dir / "runs" / std::to_string(i); }
  std::vector<std::string> Lines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  std::vector<uint8_t> Exported(const std::string& name) {
    std::string error;
    EXPECT_TRUE(WriteLevelFile(e(), dir / name, error)) << error;
    return test::ReadFileBytes(dir / name);
  }
  bool Finished(int i) { return std::filesystem::exists(Run(i) / "done"); }

  test::TempDir dir;
  std::filesystem::path engine;
  test::FakePrompts prompts;
  std::unique_ptr<TMain> w;
};

TEST_F(PlayTestWindowTest, F9AndShiftF9StartTheEngineOnTheLevelWithoutBlocking) {
  SetProgram(engine.string());
  Start();
  LitSquare();
  EXPECT_FALSE(Runner().LogDock()->isVisible()) << "hidden until something arrives";
  const bool modified = e().IsModified();

  QTest::keyClick(Keys(), Qt::Key_F9);
  // The key returned while the game still sleeps, and the window goes on working.
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(Run(0) / "level.map"); }, 10000));
  EXPECT_FALSE(Finished(0));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Runner().RunningGames() == 1; }, 5000));
  const Vector before = e().CameraPosition;
  QTest::keyClick(Keys(), Qt::Key_W);
  EXPECT_NE(e().CameraPosition.z, before.z) << "the window handles keys while the game runs";
  bool ticked = false;
  QTimer::singleShot(20, [&] { ticked = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticked; }, 500));
  EXPECT_FALSE(Finished(0));

  const std::filesystem::path map = PlayTestMapFile(Runner().TempRoot(), e());
  EXPECT_EQ(Lines(Run(0) / "args"),
            (std::vector<std::string>{"-level", map.string(), "-pos", "10,20,30", "-view", "0 0"}));
  EXPECT_EQ(Lines(Run(0) / "cwd"), std::vector<std::string>{dir.path().string()});
  EXPECT_EQ(test::ReadFileBytes(Run(0) / "level.map"), Exported("export.map"));
  EXPECT_EQ(e().IsModified(), modified) << "testing changes nothing in the document";

  // A second F9 while the game runs starts it again with the newer level.
  e().StartPosition = {-4, 5.5f, 6};
  e().ChangedStartPosition();
  QTest::keyClick(Keys(), Qt::Key_F9);
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(Run(1) / "level.map"); }, 10000));
  EXPECT_EQ(test::ReadFileBytes(Run(1) / "level.map"), Exported("export2.map"));
  EXPECT_EQ(Lines(Run(1) / "args").at(3), "-4,5.5,6");
  EXPECT_TRUE(QTest::qWaitFor([&] { return Runner().RunningGames() == 2; }, 5000)) << "both run";
  EXPECT_FALSE(Finished(0));
  test::WriteFileBytes(dir / "go", {});

  // Shift+F9: the camera is the start; the document keeps its own.
  e().CameraPosition = {100, 50.25f, -12};
  e().CameraHeading = -90;
  e().CameraPitch = -30;
  QTest::keyClick(Keys(), Qt::Key_F9, Qt::ShiftModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(Run(2) / "level.map"); }, 10000));
  EXPECT_EQ(Lines(Run(2) / "args"),
            (std::vector<std::string>{"-level", map.string(), "-pos", "100,50.25,-12", "-view", "270 -30"}));
  const Vector own = e().StartPosition;
  e().StartPosition = {100, 50.25f, -12};
  e().ChangedStartPosition();
  EXPECT_EQ(test::ReadFileBytes(Run(2) / "level.map"), Exported("camera.map"));
  e().StartPosition = own;
  e().ChangedStartPosition();
  LevelFile level;
  std::string error;
  ASSERT_TRUE(ReadLevelFile(test::ReadFileBytes(Run(2) / "level.map"), level, error)) << error;
  EXPECT_EQ(level.start.x, 100);
  EXPECT_EQ(level.lightmaps.size(), 2u) << "the lightmaps the document has";
  EXPECT_EQ(e().StartPosition.x, -4);

  // The output, both streams, in "Protokoll"; the last thousand lines; the exit code last.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Runner().RunningGames() == 0 && Finished(2); }, 15000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Runner().RunningGames() == 0; }, 5000));
  EXPECT_TRUE(Runner().LogDock()->isVisible());
  const QString log = Runner().Log()->toPlainText();
  EXPECT_TRUE(log.contains("Engine läuft\n")) << log.right(300).toStdString();
  EXPECT_TRUE(log.contains("Warnung auf stderr\n"));
  EXPECT_TRUE(log.contains("ohne Zeilenende\n--- engine.sh beendet, Exit-Code 3 ---"));
  EXPECT_EQ(Runner().Log()->document()->blockCount(), kLogLines);
  EXPECT_FALSE(log.startsWith("zeile 1\n")) << "three runs printed more than a thousand lines";
  EXPECT_TRUE(log.endsWith("--- engine.sh beendet, Exit-Code 3 ---"));
  test::SaveShot(w.get(), "play_test_log.png");
}

TEST_F(PlayTestWindowTest, WithoutAProgramTheSettingsOpenOnceAtSpiel) {
  Start();
  LitSquare();
  // "Abbrechen": nothing starts, and the dialog does not come back by itself.
  int shown = 0;
  test::WhenModal("Einstellungen", [&](QWidget* d) {
    ++shown;
    EXPECT_EQ(static_cast<SettingsDialog*>(d)->CurrentPage(), SettingsDialog::kGamePage);
    QTest::mouseClick(d->findChild<QPushButton*>("Abbrechen"), Qt::LeftButton);
  });
  QTest::keyClick(Keys(), Qt::Key_F9);
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "runs"));

  // "OK" with a program: it goes on and starts the game.
  test::WriteFileBytes(dir / "go", {});  // no need to hold it
  test::WhenModal("Einstellungen", [&](QWidget* d) {
    ++shown;
    auto* program = d->findChild<QLineEdit*>("Spielprogramm");
    program->clear();
    QTest::keyClicks(program, QString::fromStdString(engine.string()));
    test::SaveShot(d, "settings_game.png");
    QTest::mouseClick(d->findChild<QPushButton*>("OK"), Qt::LeftButton);
  });
  QTest::keyClick(Keys(), Qt::Key_F9);
  EXPECT_EQ(shown, 2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(Run(0) / "level.map"); }, 10000));
  EXPECT_EQ(
      QSettings(IniFile(), QSettings::IniFormat).value("QVX3/QVX3_GAME_PROGRAM").toString().toStdString(),
      engine.string());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Runner().RunningGames() == 0 && Finished(0); }, 15000));
}

TEST_F(PlayTestWindowTest, AProgramThatCannotStartIsNamedWithTheReason) {
  SetProgram((dir / "fehlt").string());
  Start();
  QTest::keyClick(Keys(), Qt::Key_F9);
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0], "Das Spielprogramm \"" + (dir / "fehlt").string() +
                                     "\" kann nicht gestartet werden: Datei nicht gefunden.");
  test::WriteFileBytes(dir / "text", {'x'});
  SetProgram((dir / "text").string());
  // The settings are read at each start, so what another dialog wrote counts.
  QTest::keyClick(Keys(), Qt::Key_F9);
  ASSERT_EQ(prompts.warnings.size(), 2u);
  EXPECT_NE(prompts.warnings[1].find("ist nicht ausführbar"), std::string::npos) << prompts.warnings[1];
  // Executable, but the system cannot run it: its interpreter is missing.
  std::ofstream(dir / "kaputt") << "#!/gibt/es/nicht\n";
  std::filesystem::permissions(dir / "kaputt", std::filesystem::perms::owner_all);
  SetProgram((dir / "kaputt").string());
  QTest::keyClick(Keys(), Qt::Key_F9);
  ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.warnings.size() == 3; }, 5000));
  EXPECT_EQ(
      prompts.warnings[2].rfind("Das Spielprogramm \"" + (dir / "kaputt").string() +
                                    "\" kann nicht gestartet werden: das System kann es nicht ausführen (",
                                0),
      0u)
      << prompts.warnings[2];
  EXPECT_EQ(Runner().RunningGames(), 0);
  EXPECT_FALSE(Runner().LogDock()->isVisible());
}

TEST_F(PlayTestWindowTest, EditorPageTakesEffect) {
  Start();
  test::WhenModal("Einstellungen", [&](QWidget* d) {
    d->findChild<QTabWidget*>()->setCurrentIndex(SettingsDialog::kEditorPage);
    d->findChild<QSpinBox*>("AutoSicherung")->setValue(0);
    d->findChild<QSpinBox*>("RueckgaengigSchritte")->setValue(3);
    d->findChild<QDoubleSpinBox*>("Kamerageschwindigkeit")->setValue(2.5);
    d->findChild<QCheckBox*>("MausUmkehren")->click();
    test::SaveShot(d, "settings_dialog.png");
    QTest::mouseClick(d->findChild<QPushButton*>("OK"), Qt::LeftButton);
  });
  w->Action("Einstellungen1")->trigger();
  const Preferences p = w->AppliedPreferences();
  EXPECT_EQ(p.autosave_minutes, 0);
  EXPECT_EQ(p.undo_steps, 3);
  EXPECT_EQ(p.camera_speed, 2.5);
  EXPECT_TRUE(p.invert_mouse);
  EXPECT_EQ(ReadPreferences(*w->Settings()), p) << "kept in the store";
  auto* timer = w->findChild<QTimer*>("AutoSaveTimer");
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->isActive()) << "0 minutes: no backups";

  // Undo keeps three steps.
  for (int i = 0; i < 5; ++i) w->Action("leererSektor1")->trigger();
  EXPECT_EQ(e().History.UndoCount(), 3u);
  // W moves 2.5 times the step.
  e().CameraPosition = {0, 0, 0};
  e().CameraHeading = 0;
  e().CameraPitch = 0;
  QTest::keyClick(Keys(), Qt::Key_W);
  EXPECT_NEAR(e().CameraPosition.z, 2.0 * 2.5, 1e-4);

  // A new window starts with what was kept.
  w.reset();
  Start();
  EXPECT_EQ(w->AppliedPreferences(), p);
  EXPECT_FALSE(w->findChild<QTimer*>("AutoSaveTimer")->isActive());
}

}  // namespace
}  // namespace qx

#pragma once
// "Testen" (F9) and "Ab Kamera testen" (Shift+F9): the level is written to a
// .map in a temporary folder of the document's and the game engine is started
// on it. Here is everything of that which needs no window: the settings of
// "Einstellungen..." and their names in the settings store, the engine's
// command line (placeholders and a shell's quoting, without a shell), the
// start-position override and where the temporary file lies. The window
// starts the process and shows its output.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/prompts.h"

namespace qx {

inline constexpr const char* kSettingGameProgram = "QVX3_GAME_PROGRAM";
inline constexpr const char* kSettingGameArguments = "QVX3_GAME_ARGUMENTS";
inline constexpr const char* kSettingGameFolder = "QVX3_GAME_FOLDER";
inline constexpr const char* kSettingAutoSaveMinutes = "QVX3_AUTOSAVE_MINUTES";
inline constexpr const char* kSettingUndoSteps = "QVX3_UNDO_STEPS";
inline constexpr const char* kSettingCameraSpeed = "QVX3_CAMERA_SPEED";
inline constexpr const char* kSettingInvertMouse = "QVX3_INVERT_MOUSE";

inline constexpr const char* kDefaultGameArguments = "%MAP%";
inline constexpr int kMaxAutoSaveMinutes = 1440;
inline constexpr int kMaxUndoSteps = 10000;
inline constexpr double kMinCameraSpeed = 0.1;
inline constexpr double kMaxCameraSpeed = 10.0;

// Everything the dialog "Einstellungen" shows. Values out of range or not
// numbers read as the default, so a damaged store never stops the editor.
struct Preferences {
  // "Spiel"
  std::string game_program;  // empty: not configured yet
  std::string game_arguments = kDefaultGameArguments;
  std::string game_folder;  // empty: the program's own folder
  // "Editor"
  int autosave_minutes = 3;  // 0: no backups
  int undo_steps = 100;
  double camera_speed = 1.0;  // times the key and wheel steps
  bool invert_mouse = false;  // dragging up looks down
  // "Pfade": the folders the file dialogs open in, and the library opened at
  // start, in the order of kPathSettings.
  std::array<std::string, 5> paths;

  bool operator==(const Preferences&) const = default;
};

struct PathSetting {
  const char* name;   // in the settings store
  const char* label;  // on the page "Pfade"
  bool is_file;
};
extern const std::array<PathSetting, 5> kPathSettings;

Preferences ReadPreferences(SettingsStore& settings);
void WritePreferences(SettingsStore& settings, const Preferences& p);

// Where the game starts and looks: %X%, %Y%, %Z%, %HEADING%, %PITCH%.
struct PlayStart {
  Vector position;
  float heading = 0;  // degrees, 0 .. 360
  float pitch = 0;    // degrees, -90 .. 90
};

// The document's start position (the level file has no direction for it), or
// the 3D camera's position and view.
PlayStart DocumentStart(const Document& doc);
PlayStart CameraStart(const Vector& position, float heading, float pitch);

// Splits `text` into arguments as a POSIX shell splits a command line, with
// nothing else of a shell: blanks separate; '...' keeps everything; "..."
// keeps everything but \" \\ \$ \` and a backslash-newline; a backslash
// outside quotes keeps the next character. "" is an empty argument. False
// with a German message when a quote is not closed.
bool SplitArguments(const std::string& text, std::vector<std::string>& out, std::string& error);

// Replaces %MAP%, %X%, %Y%, %Z%, %HEADING%, %PITCH% in one argument; %% gives
// a single %, any other %...% stays as written. Numbers are the shortest text
// that reads back as the same float, with a point.
std::string ExpandPlaceholders(const std::string& argument, const std::filesystem::path& map_file,
                               const PlayStart& start);

// A float as ExpandPlaceholders writes it.
std::string FormatNumber(float value);

// "X,Y,Z" exactly: three numbers, two commas, no blanks; finite only.
std::optional<Vector> ParseStartPosition(const std::string& text);

// The engine's command line: the program, its expanded arguments and the
// folder it runs in. False with a German message when the arguments do not
// split or no program is configured.
struct LaunchPlan {
  std::string program;
  std::vector<std::string> arguments;
  std::filesystem::path working_folder;
};
bool PlanLaunch(const Preferences& p, const std::filesystem::path& map_file, const PlayStart& start,
                LaunchPlan& plan, std::string& error);

// Why `program` (a path, already looked up in PATH) cannot be started, in
// German; empty when it looks startable.
std::string ProgramProblem(const std::filesystem::path& program);

// The temporary .map of a document below `temp_root`: one folder per
// document file (a hash of its full name), the file named as the document.
std::filesystem::path PlayTestMapFile(const std::filesystem::path& temp_root, const Document& doc);

// The level file as "Exportieren" writes it with the lightmaps the document
// has now, but with `start` as its start position; the document keeps its
// own. Writes through a temporary file.
bool WriteLevelFileWithStart(Document& doc, const std::filesystem::path& file, const Vector& start,
                             std::string& error);

// "Testen": the document's temporary .map (its folder made when missing) with
// `start`'s position. The file's name, or nothing with a German `error`.
std::optional<std::filesystem::path> WritePlayTestLevel(Document& doc, const std::filesystem::path& temp_root,
                                                        const PlayStart& start, std::string& error);

}  // namespace qx

#pragma once
// What commands need from the user interface. The Qt window implements these;
// tests use scripted fakes. Texts are UTF-8 here; file contents stay
// Windows-1252 (see scene/cp1252.h).

#include <filesystem>
#include <optional>
#include <string>

#include "document/modes.h"

namespace qx {

struct TSector;

struct FileDialog {
  std::string title;
  std::string filter;  // "Quarvex Maps|*.qxm", pairs separated by '|'
  std::filesystem::path initial_dir;
};

enum class Answer { kYes, kNo, kCancel };

class Prompts {
 public:
  virtual ~Prompts() = default;
  virtual void ShowWarning(const std::string& text) = 0;
  virtual void ShowInfo(const std::string& text) { ShowWarning(text); }
  virtual void ShowError(const std::string& text) { ShowWarning(text); }
  virtual bool Confirm(const std::string& text) = 0;  // Yes / No
  virtual Answer AskYesNoCancel(const std::string& text) {
    return Confirm(text) ? Answer::kYes : Answer::kNo;
  }
  virtual std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                             const std::string& initial) = 0;
  virtual std::optional<std::filesystem::path> ChooseOpenFile(const FileDialog& d) = 0;
  virtual std::optional<std::filesystem::path> ChooseSaveFile(const FileDialog& d) = 0;
};

// Per-user key-value store, group "QVX3". Booleans are the strings "0"/"1".
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::string ReadString(const std::string& name, const std::string& fallback) = 0;
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
  bool ReadBool(const std::string& name, bool fallback);
  void WriteBool(const std::string& name, bool value) { WriteString(name, value ? "1" : "0"); }
};

// Effects of commands on the window that are not dialogs. All optional.
class EditorView {
 public:
  virtual ~EditorView() = default;
  virtual void SetCaption(const std::string& /*text*/) {}
  virtual void SetGridLabel(const std::string& /*text*/) {}
  virtual void SetCameraButtons(CameraMode /*mode*/) {}
  virtual void SetToolButtons(AxisLock /*axis*/, ToolMode /*mode*/) {}
  virtual void SetStatusText(int /*panel*/, const std::string& /*text*/) {}
  virtual void SetVertexMode(bool /*on*/) {}  // the "Vertex Modus" check box
  virtual void Redraw() {}
};

}  // namespace qx

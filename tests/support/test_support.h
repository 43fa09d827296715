#pragma once
// Scripted stand-ins for the user interface and the settings store.

#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "document/prompts.h"

namespace qx::test {

class FakePrompts : public Prompts {
 public:
  std::vector<std::string> warnings, infos, confirmations;
  std::deque<bool> confirm_answers;  // default Yes when empty
  std::deque<Answer> yes_no_cancel_answers;
  std::deque<std::optional<std::string>> text_answers;
  std::deque<std::optional<std::filesystem::path>> open_answers, save_answers;
  std::vector<FileDialog> open_dialogs, save_dialogs;

  void ShowWarning(const std::string& text) override { warnings.push_back(text); }
  void ShowInfo(const std::string& text) override { infos.push_back(text); }
  bool Confirm(const std::string& text) override;
  Answer AskYesNoCancel(const std::string& text) override;
  std::optional<std::string> AskText(const std::string&, const std::string&, const std::string&) override;
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialog& d) override;
  std::optional<std::filesystem::path> ChooseSaveFile(const FileDialog& d) override;
};

class MemorySettings : public SettingsStore {
 public:
  std::map<std::string, std::string> values;
  std::string ReadString(const std::string& name, const std::string& fallback) override {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
  }
  void WriteString(const std::string& name, const std::string& value) override { values[name] = value; }
};

// A fresh empty folder below the system's temporary folder, removed at exit.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& p);
void WriteFileBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes);

// Writes a seed file for the fuzzer `target` when QX_SEED_DIR is set.
void WriteFuzzSeed(const std::string& target, const std::string& name, const std::vector<uint8_t>& bytes);

}  // namespace qx::test

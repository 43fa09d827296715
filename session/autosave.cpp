#include "session/autosave.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "commands/document_commands.h"
#include "document/map_document_io.h"
#include "scene/bytes.h"

namespace qx {

namespace {

constexpr const char* kPrefix = "autosave-";
constexpr size_t kStampDigits = 16;
constexpr const char* kNoteMagic = "QXBACKUP1";

int64_t SystemMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string StampName(int64_t stamp, const char* extension) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%0*lld%s", kPrefix, int(kStampDigits), static_cast<long long>(stamp),
                extension);
  return buf;
}

// The time stamp of a backup's file name, or nothing for any other file.
std::optional<int64_t> StampOf(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  const size_t prefix = std::char_traits<char>::length(kPrefix);
  if (file.extension() != ".qxm" || name.size() != prefix + kStampDigits + 4 || name.rfind(kPrefix, 0) != 0)
    return std::nullopt;
  int64_t stamp = 0;
  const char* first = name.data() + prefix;
  const auto [end, ec] = std::from_chars(first, first + kStampDigits, stamp);
  if (ec != std::errc() || end != first + kStampDigits || stamp < 0) return std::nullopt;
  return stamp;
}

std::filesystem::path NoteOf(const std::filesystem::path& backup) {
  std::filesystem::path note = backup;
  return note.replace_extension(".txt");
}

// The note beside a backup: a magic line, "1" or "0" for whether the document
// had a file, and the document's path.
void ReadNote(BackupInfo& info) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadWholeFile(NoteOf(info.file), bytes, error, 1 << 16)) return;
  const std::string text(bytes.begin(), bytes.end());
  const size_t first = text.find('\n');
  const size_t second = first == std::string::npos ? first : text.find('\n', first + 1);
  if (second == std::string::npos || text.compare(0, first, kNoteMagic) != 0) return;
  info.document_has_file = text.compare(first + 1, second - first - 1, "1") == 0;
  std::string path = text.substr(second + 1);
  if (!path.empty() && path.back() == '\n') path.pop_back();
  info.document = path;
}

void RemoveBackup(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::remove(file, ec);
  std::filesystem::remove(NoteOf(file), ec);
}

std::string FormatTime(int64_t ms) {
  const std::time_t t = static_cast<std::time_t>(ms / 1000);
  const std::tm* local = std::localtime(&t);
  if (!local) return "?";
  char buf[32];
  std::strftime(buf, sizeof buf, "%d.%m.%Y %H:%M", local);
  return buf;
}

}  // namespace

AutoSaver::AutoSaver(std::filesystem::path folder, size_t generations)
    : folder_(std::move(folder)), generations_(std::max<size_t>(generations, 1)) {}

bool AutoSaver::Tick(Editor& editor, std::string* error) {
  editor.History.Commit();  // changes made outside a command count too
  if (!editor.IsModified()) return false;
  if (saved_state_ == editor.History.StateId() && saved_name_ == editor.DocumentFileName) return false;

  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  // Names sort by time; a clock set back must not make the new backup look old.
  int64_t stamp = clock ? clock() : SystemMilliseconds();
  const std::vector<BackupInfo> existing = Backups();
  if (!existing.empty()) stamp = std::max(stamp, existing.front().time_ms + 1);
  const std::filesystem::path file = folder_ / StampName(stamp, ".qxm");

  const std::string note = std::string(kNoteMagic) + "\n" + (editor.DocumentHasFile ? "1" : "0") + "\n" +
                           editor.DocumentFileName.string() + "\n";
  std::string write_error;
  if (!WriteFileAtomic(NoteOf(file), std::vector<uint8_t>(note.begin(), note.end()), write_error) ||
      !SaveMapDocument(editor, file, &write_error)) {
    RemoveBackup(file);
    if (error) *error = write_error;
    return false;
  }
  saved_state_ = editor.History.StateId();
  saved_name_ = editor.DocumentFileName;
  Prune();
  return true;
}

std::vector<BackupInfo> AutoSaver::Backups() const {
  std::vector<BackupInfo> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::optional<int64_t> stamp = StampOf(it->path());
    if (!stamp) continue;
    BackupInfo info;
    info.file = it->path();
    info.time_ms = *stamp;
    ReadNote(info);
    found.push_back(std::move(info));
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.time_ms > b.time_ms; });
  return found;
}

std::optional<BackupInfo> AutoSaver::Newest() const {
  std::vector<BackupInfo> all = Backups();
  if (all.empty()) return std::nullopt;
  return all.front();
}

void AutoSaver::Prune() {
  const std::vector<BackupInfo> all = Backups();
  for (size_t i = generations_; i < all.size(); ++i) RemoveBackup(all[i].file);
}

void AutoSaver::RemoveAll() {
  for (const BackupInfo& b : Backups()) RemoveBackup(b.file);
  saved_state_ = 0;
}

bool RecoverBackup(Editor& editor, const BackupInfo& backup, std::string* error) {
  if (!LoadMapDocument(editor, backup.file, error)) return false;
  editor.DocumentHasFile = backup.document_has_file && !backup.document.empty();
  editor.DocumentFileName =
      backup.document.empty() ? editor.ProgramDirectory / kUntitledName : backup.document;
  editor.SetModified(true);
  editor.UpdateCaption();
  editor.Redraw();
  return true;
}

bool OfferRecovery(Editor& editor, const AutoSaver& saver) {
  const std::optional<BackupInfo> newest = saver.Newest();
  if (!newest || !editor.prompts) return false;
  const std::string name =
      newest->document.empty() ? std::string(kUntitledName) : newest->document.filename().string();
  std::string question = kRecoverQuestion;
  question.replace(question.find("%s"), 2, name);
  question.replace(question.find("%t"), 2, FormatTime(newest->time_ms));
  if (!editor.prompts->Confirm(question)) return false;
  std::string error;
  if (!RecoverBackup(editor, *newest, &error)) {
    editor.ShowWarning(kInvalidFile);
    return false;
  }
  return true;
}

}  // namespace qx

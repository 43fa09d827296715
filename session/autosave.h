#pragma once
// Backups of a document with unsaved changes, so that a crash costs at most a
// few minutes of work. The window's timer calls Tick every few minutes; each
// backup is a complete map document in the backup folder (next to the
// settings), with a small text file beside it naming the document it was
// taken from. A clean shutdown removes the backups, so a backup found at start
// was left by a run that did not end cleanly, and is offered.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "document/editor.h"

namespace qx {

inline constexpr int kAutoSaveMinutes = 3;
inline constexpr size_t kBackupGenerations = 3;
inline constexpr const char* kRecoverQuestion =
    "Quarvex wurde nicht ordnungsgemäß beendet.\r\nSoll die automatische Sicherung von \"%s\" vom %t "
    "geöffnet "
    "werden?";

struct BackupInfo {
  std::filesystem::path file;      // the backup itself, a map document
  std::filesystem::path document;  // the document it was taken from; empty when unknown
  bool document_has_file = false;  // that document had been saved or loaded under its name
  int64_t time_ms = 0;             // when it was written, milliseconds since 1970 (UTC)
};

class AutoSaver {
 public:
  explicit AutoSaver(std::filesystem::path folder, size_t generations = kBackupGenerations);
  const std::filesystem::path& Folder() const { return folder_; }

  // Writes a backup of the editor's scene when it has unsaved changes that no
  // backup holds yet, then removes all but the newest `generations` backups.
  // True when a backup was written; false otherwise, with `error` set when
  // writing failed (the document itself is never touched).
  bool Tick(Editor& editor, std::string* error = nullptr);
  // Every backup in the folder, newest first.
  std::vector<BackupInfo> Backups() const;
  std::optional<BackupInfo> Newest() const;
  // A clean shutdown: the user saved, or chose not to.
  void RemoveAll();

  // The clock, replaceable in tests: milliseconds since 1970 (UTC).
  int64_t (*clock)() = nullptr;

 private:
  void Prune();

  std::filesystem::path folder_;
  size_t generations_;
  uint64_t saved_state_ = 0;  // the history state the last backup holds
  std::filesystem::path saved_name_;
};

// Opens a backup in place of the scene. The document takes the name it had
// (untitled when it had none) and counts as changed, so "Speichern" writes it
// where the user expects. False with `error` set when the backup cannot be
// read; the scene stays as it was then.
bool RecoverBackup(Editor& editor, const BackupInfo& backup, std::string* error);

// At start: asks whether to open the newest backup left by an earlier run,
// and opens it on Yes. A damaged backup shows "Ungültige Datei!". True when
// one was opened.
bool OfferRecovery(Editor& editor, const AutoSaver& saver);

}  // namespace qx

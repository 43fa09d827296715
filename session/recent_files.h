#pragma once
// "Zuletzt geöffnet": the map documents opened or saved last, newest first,
// kept in the settings store as QVX3_RECENT_FILE1 .. QVX3_RECENT_FILE8 (an
// empty value marks an unused place).

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "document/prompts.h"

namespace qx {

inline constexpr size_t kRecentFileCount = 8;
inline constexpr const char* kRecentFileSetting = "QVX3_RECENT_FILE";

class RecentFiles {
 public:
  // Reads the list (none without a store); empty and repeated values are skipped.
  explicit RecentFiles(SettingsStore* settings);

  const std::vector<std::filesystem::path>& Files() const { return files_; }
  // To the front of the list; a file already listed moves there, the ninth
  // drops off. Written to the store at once, so a crash keeps it.
  void Add(const std::filesystem::path& file);
  void Remove(const std::filesystem::path& file);
  void Clear();

 private:
  void Write();

  SettingsStore* settings_;
  std::vector<std::filesystem::path> files_;
};

// Text of the menu entry for place `index` (0 for the newest): "&1 karte.qxm".
// An "&" in the file name is doubled so that it shows instead of marking a key.
std::string RecentFileLabel(size_t index, const std::filesystem::path& file);

}  // namespace qx

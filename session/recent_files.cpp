#include "session/recent_files.h"

#include <algorithm>

namespace qx {

namespace {

std::string SettingName(size_t place) {
  return kRecentFileSetting + std::to_string(place + 1);
}

// "a/./b.qxm" and "a/b.qxm" are one file.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  return a.lexically_normal() == b.lexically_normal();
}

}  // namespace

RecentFiles::RecentFiles(SettingsStore* settings) : settings_(settings) {
  if (!settings_) return;
  for (size_t i = 0; i < kRecentFileCount; ++i) {
    const std::string value = settings_->ReadString(SettingName(i), "");
    if (value.empty()) continue;
    const std::filesystem::path file(value);
    if (std::none_of(files_.begin(), files_.end(), [&](const auto& f) { return SameFile(f, file); }))
      files_.push_back(file);
  }
}

void RecentFiles::Add(const std::filesystem::path& file) {
  if (file.empty()) return;
  Remove(file);
  files_.insert(files_.begin(), file.lexically_normal());
  if (files_.size() > kRecentFileCount) files_.resize(kRecentFileCount);
  Write();
}

void RecentFiles::Remove(const std::filesystem::path& file) {
  const size_t before = files_.size();
  std::erase_if(files_, [&](const auto& f) { return SameFile(f, file); });
  if (files_.size() != before) Write();
}

void RecentFiles::Clear() {
  files_.clear();
  Write();
}

void RecentFiles::Write() {
  if (!settings_) return;
  for (size_t i = 0; i < kRecentFileCount; ++i)
    settings_->WriteString(SettingName(i), i < files_.size() ? files_[i].string() : std::string());
}

std::string RecentFileLabel(size_t index, const std::filesystem::path& file) {
  std::string label = "&" + std::to_string(index + 1) + " ";
  for (char c : file.filename().string()) {
    if (c == '&') label += '&';
    label += c;
  }
  return label;
}

}  // namespace qx

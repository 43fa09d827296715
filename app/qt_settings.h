#pragma once
// The per-user settings store on QSettings: organisation "Korvald",
// application "Editor", every value in the group "QVX3".

#include <QSettings>
#include <QString>
#include <memory>

#include "document/prompts.h"

namespace qx {

class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore();                                  // the user's own store
  explicit QtSettingsStore(const QString& ini_file);  // a given file (tests)
  std::string ReadString(const std::string& name, const std::string& fallback) override;
  void WriteString(const std::string& name, const std::string& value) override;
  void Sync();

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace qx

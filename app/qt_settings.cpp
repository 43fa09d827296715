#include "app/qt_settings.h"

namespace qx {

namespace {
QString Key(const std::string& name) {
  return "QVX3/" + QString::fromStdString(name);
}
}  // namespace

QtSettingsStore::QtSettingsStore() : settings_(std::make_unique<QSettings>("Korvald", "Editor")) {}

QtSettingsStore::QtSettingsStore(const QString& ini_file)
    : settings_(std::make_unique<QSettings>(ini_file, QSettings::IniFormat)) {}

std::string QtSettingsStore::ReadString(const std::string& name, const std::string& fallback) {
  const QVariant v = settings_->value(Key(name));
  if (!v.isValid()) return fallback;
  return v.toString().toStdString();
}

void QtSettingsStore::WriteString(const std::string& name, const std::string& value) {
  settings_->setValue(Key(name), QString::fromStdString(value));
}

void QtSettingsStore::Sync() {
  settings_->sync();
}

}  // namespace qx

// TMain's life cycle: the splash at the first show, InitMainWindow, FormClose.

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <filesystem>

#include "app/main_window.h"
#include "app/qt_settings.h"
#include "app/splash.h"
#include "render/viewport_panel.h"

namespace qx {

void TMain::FormShow() {
  TInit splash(this);
  splash.on_init = [this](TInit& s) { InitMainWindow(&s); };
  splash.exec();
  OpenStartupFiles();
}

void TMain::InitMainWindow(TInit* splash) {
  if (initialized_) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  struct RestoreCursor {
    ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
  } restore;  // also when a step fails

  if (splash) splash->SetStatus("Initialisiere OpenGL...");
  viewport_->InitOpenGL();  // without a context the editor goes on without a picture

  editor_.ProgramDirectory = std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());

  if (settings_file_.isEmpty())
    settings_ = std::make_unique<QtSettingsStore>();
  else
    settings_ = std::make_unique<QtSettingsStore>(settings_file_);
  editor_.settings = settings_.get();

  std::string library_file = settings_->ReadString(kSettingTexLibFile, "");
  ApplyViewOptions(ReadViewOptions(*settings_));

  editor_.Tree.Clear();
  std::error_code ec;
  if (!library_file.empty() && std::filesystem::is_regular_file(library_file, ec)) {
    if (splash) splash->SetStatus("Texturbibliothek laden...");
    if (load_texture_library) load_texture_library(library_file);
  } else {
    library_file.clear();  // forgotten: written empty at close
  }

  viewport_->CreateSphereQuadric();
  editor_.VertexMarkerRadius = 2.0f;
  editor_.NewScene();
  // No extra second of waiting: the splash closes as soon as the work is done.
  initialized_ = true;
}

void TMain::FormClose() {
  if (closed_) return;
  closed_ = true;
  if (settings_) {
    settings_->WriteString(kSettingTexLibFile, texture_library_file ? texture_library_file() : std::string());
    WriteViewOptions(*settings_, CurrentViewOptions());
    if (auto* qt = dynamic_cast<QtSettingsStore*>(settings_.get())) qt->Sync();
    editor_.settings = nullptr;
    settings_.reset();
  }
  viewport_->ReleaseGL();
}

void TMain::OpenStartupFiles() {
  // Libraries first, so a document opened with them finds its textures.
  for (const QString& f : startup_files_)
    if (f.endsWith(".tex", Qt::CaseInsensitive) && load_texture_library)
      load_texture_library(std::filesystem::path(f.toStdString()));
  for (const QString& f : startup_files_)
    if (f.endsWith(".qxm", Qt::CaseInsensitive) && open_document)
      open_document(std::filesystem::path(f.toStdString()));
  startup_files_.clear();
}

}  // namespace qx

// TMain's life cycle: the splash at the first show, InitMainWindow, FormClose.

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <filesystem>

#include "app/bake_runner.h"
#include "app/main_window.h"
#include "app/qt_settings.h"
#include "app/room_fields.h"
#include "commands/texture_align.h"
#include "commands/texture_commands.h"
#include "render/viewport_panel.h"
#include "render/viewport_texture_uploader.h"
#include "ui/splash.h"

namespace qx {

void TMain::FormShow() {
  TInit splash(this);
  splash.on_init = [this](TInit& s) { InitMainWindow(&s); };
  splash.exec();
  StartHistory();
  if (settings_) ApplyPreferences(ReadPreferences(*settings_));
  OpenStartupFiles();
  startup_done_ = true;
}

void TMain::InitMainWindow(TInit* splash) {
  if (initialized_) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  struct RestoreCursor {
    ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
  } restore;  // also when a step fails

  if (splash) splash->SetStatus("Initialisiere OpenGL...");
  // Without a context the editor goes on without a picture and without textures.
  if (viewport_->InitOpenGL()) {
    texture_uploader_ = std::make_unique<ViewportTextureUploader>(*viewport_);
    editor_.Textures.SetUploader(texture_uploader_.get());
  }

  editor_.ProgramDirectory = std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());

  if (settings_file_.isEmpty())
    settings_ = std::make_unique<QtSettingsStore>();
  else
    settings_ = std::make_unique<QtSettingsStore>(settings_file_);
  editor_.settings = settings_.get();
  ApplyViewOptions(ReadViewOptions(*settings_));
  ReadLayoutSettings();
  RestoreTextureSettings(editor_);
  if (auto* lock = bar_->findChild<QCheckBox*>("TexturFixieren")) lock->setChecked(editor_.TextureLock);
  ReadRoomFields(settings_.get(), bar_);
  ReadLiveLightSetting();

  editor_.Tree.Clear();
  const std::filesystem::path library_file = settings_->ReadString(kSettingTexLibFile, "");
  std::error_code ec;
  if (splash && !library_file.empty() && std::filesystem::is_regular_file(library_file, ec))
    splash->SetStatus("Texturbibliothek laden...");
  RestoreTextureLibrary(editor_);  // a library that is gone is forgotten

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
    RememberTextureLibrary(editor_);
    WriteViewOptions(*settings_, CurrentViewOptions());
    WriteLayoutSettings();
    if (auto* qt = dynamic_cast<QtSettingsStore*>(settings_.get())) qt->Sync();
    editor_.settings = nullptr;
    settings_.reset();
  }
  // The textures go while their context still exists.
  editor_.Textures.SetUploader(nullptr);
  texture_uploader_.reset();
  viewport_->ReleaseGL();
}

void TMain::OpenStartupFiles() {
  // Libraries first, so a document opened with them finds its textures.
  for (const QString& f : startup_files_)
    if (f.endsWith(".tex", Qt::CaseInsensitive)) OpenTextureLibraryFile(f.toStdString());
  for (const QString& f : startup_files_)
    if (f.endsWith(".qxm", Qt::CaseInsensitive)) OpenDocumentFile(f.toStdString());
  startup_files_.clear();
  if (startup_bake_ && viewport_->GLReady()) {
    std::string message;
    if (BakeWhole(*startup_bake_, &message) != BakeStatus::kDone) editor_.ShowWarning(message);
    // The document as opened, lit: nothing to undo, nothing to save.
    editor_.History.Clear();
    editor_.SetModified(false);
    editor_.Redraw();
  }
}

}  // namespace qx

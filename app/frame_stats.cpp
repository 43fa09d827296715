#include "app/frame_stats.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/bake_runner.h"
#include "app/main_window.h"
#include "edit/document_commands.h"
#include "edit/map_document_io.h"
#include "render/viewport_panel.h"
#include "textures/texture_library_file.h"

namespace qx {

namespace {

std::optional<LightmapSize> ParseSize(const QString& text) {
  const QStringList parts = text.toLower().split('x');
  if (parts.size() != 2) return std::nullopt;
  bool ok_w = false, ok_h = false;
  LightmapSize s{parts[0].toInt(&ok_w), parts[1].toInt(&ok_h)};
  if (!ok_w || !ok_h || s.width <= 0 || s.height <= 0) return std::nullopt;
  return s;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Complain(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

// Every file opens before the window does, so that a bad one ends the run
// with a message instead of a dialog nobody answers.
bool FilesOpen(const QStringList& files) {
  for (const QString& f : files) {
    const std::filesystem::path path = f.toStdString();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
      Complain(std::string(kFileNotFound) + " " + path.string());
      return false;
    }
    std::string message;
    if (f.endsWith(".qxm", Qt::CaseInsensitive)) {
      Editor scratch;
      if (!LoadMapDocument(scratch, path, &message)) {
        Complain(std::string(kInvalidFile) + " " + path.string() + ": " + message);
        return false;
      }
    } else if (f.endsWith(".tex", Qt::CaseInsensitive)) {
      TextureLibrary scratch;
      if (!LoadTextureLibrary(scratch, path, message)) {
        Complain(message + " " + path.string());
        return false;
      }
    } else {
      Complain("Unbekannter Dateityp: " + path.string());
      return false;
    }
  }
  return true;
}

}  // namespace

StartOptions ParseStartOptions(const QStringList& args) {
  StartOptions o;
  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == "--immediate") {
      o.immediate = true;
    } else if (a == "--frame-stats") {
      o.frame_stats = true;
    } else if (a == "--bake" || a == "--screenshot") {
      if (i + 1 >= args.size()) {
        o.error = a + " braucht einen Wert.";
        return o;
      }
      const QString value = args[++i];
      if (a == "--screenshot") {
        o.screenshot = value;
      } else if (!(o.bake = ParseSize(value))) {
        o.error = "Ungültige Lightmap-Größe: " + value + " (erwartet BxH, z.B. 4x4).";
        return o;
      }
    } else if (a.startsWith("--")) {
      o.error = "Unbekannte Option: " + a;
      return o;
    } else {
      o.files << a;
    }
  }
  if (!o.frame_stats && !o.screenshot.isEmpty()) o.error = "--screenshot gibt es nur mit --frame-stats.";
  return o;
}

int RunFrameStats(const StartOptions& options) {
  if (!FilesOpen(options.files)) return 1;
  // A settings store of its own: every view option as on a first start, and
  // the user's own settings stay untouched.
  QTemporaryDir settings_dir;
  TMain main(settings_dir.filePath("settings.ini"));
  ViewportPanel* viewport = main.Viewport();
  viewport->UseRenderer(options.immediate ? ViewportPanel::RendererKind::kImmediate
                                          : ViewportPanel::RendererKind::kRetained);
  viewport->setFixedSize(kFrameStatsWidth, kFrameStatsHeight);
  main.SetStartupFiles(options.files);
  main.show();
  while (!main.StartupDone()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  QApplication::processEvents();
  if (!viewport->GLReady()) {
    Complain("Kein OpenGL: es wird nichts gezeichnet.");
    return 1;
  }
  Editor& editor = main.editor();
  if (options.bake) {
    ViewportLightmapUploader uploader(*viewport);
    std::string message;
    if (ComputeLightmaps(editor, *options.bake, {}, &uploader, &message) != BakeStatus::kDone) {
      Complain("Lightmaps nicht berechnet: " + message);
      return 1;
    }
  }
  std::vector<double> frames, picks;
  QElapsedTimer timer;
  for (int i = 0; i < kFrameStatsFrames; ++i) {
    if (i > 0) editor.CameraHeading += 1;
    timer.start();
    editor.Redraw();
    viewport->Finish();
    frames.push_back(double(timer.nsecsElapsed()) / 1e6);
    if (i == 0 && !options.screenshot.isEmpty() && !viewport->grabFramebuffer().save(options.screenshot)) {
      Complain("Bild nicht gespeichert: " + options.screenshot.toStdString());
      return 1;
    }
  }
  for (int i = 0; i < kFrameStatsPicks; ++i) {
    timer.start();
    viewport->PickName(kFrameStatsWidth / 2, kFrameStatsHeight / 2);
    picks.push_back(double(timer.nsecsElapsed()) / 1e6);
  }
  std::printf("frame median %.2f ms, pick median %.2f ms\n", Median(frames), Median(picks));
  std::fflush(stdout);
  editor.prompts = nullptr;  // nothing to ask: the run changed no file
  main.FormClose();
  return 0;
}

}  // namespace qx

#include "app/bake_runner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/main_window.h"
#include "commands/export_commands.h"
#include "lighting/time_left.h"
#include "render/viewport_panel.h"
#include "session/bake_job.h"
#include "session/live_light.h"
#include "ui/map_export_form.h"

namespace qx {

uint32_t ViewportLightmapUploader::Upload(const Lightmap& lightmap) {
  const size_t need = size_t(std::max(lightmap.width, 0)) * size_t(std::max(lightmap.height, 0)) * 3;
  if (need == 0 || lightmap.rgb.size() < need) return 0;
  return viewport_.UploadLightmap(lightmap.rgb.data(), lightmap.width, lightmap.height);
}

bool ViewportLightmapUploader::Replace(uint32_t texture, const Lightmap& lightmap) {
  const size_t need = size_t(std::max(lightmap.width, 0)) * size_t(std::max(lightmap.height, 0)) * 3;
  if (need == 0 || lightmap.rgb.size() < need) return false;
  return viewport_.ReplaceLightmap(texture, lightmap.rgb.data(), lightmap.width, lightmap.height);
}

void ViewportLightmapUploader::Release(uint32_t texture) {
  viewport_.DeleteTexture(texture);
}

BakeRunner::BakeRunner(TMain& main) : QObject(&main), main_(main) {}

BakeRunner::~BakeRunner() = default;

BakeStatus BakeRunner::Run() {
  if (running_) return BakeStatus::kRefused;
  running_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{running_};
  Editor& editor = main_.editor();

  if (!main_.MapExportForm()) main_.SetMapExportForm(new TMapExportForm(&main_));
  const std::optional<LightmapSize> asked = main_.MapExportForm()->Ask();
  if (!asked) return BakeStatus::kCancelled;  // nothing baked, no undo step
  const LightmapSize size = *asked;

  // The job copies what it reads, so the window may draw the scene meanwhile.
  BakeJob job(editor, size);
  std::atomic<int> percent{0};
  std::atomic<bool> cancel{false}, done{false};
  BakeOptions options;
  options.progress = [&percent](int p) { percent = p; };
  options.cancel = &cancel;

  QApplication::setOverrideCursor(Qt::BusyCursor);
  editor.view->SetStatusText(1, "");
  QProgressDialog dialog(QString::fromStdString(LightmapProgressText(0)), "Abbrechen", 0, 100, &main_);
  dialog.setObjectName("BakeProgress");
  dialog.setWindowTitle("Lightmaps berechnen");
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setMinimumDuration(0);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  connect(&dialog, &QProgressDialog::canceled, [&cancel] { cancel = true; });
  progress_ = &dialog;
  dialog.show();

  QEventLoop loop;
  int shown = -1;
  std::string shown_label;
  QTimer poll;
  poll.setInterval(30);
  QElapsedTimer clock;
  clock.start();
  connect(&poll, &QTimer::timeout, [&] {
    const int p = percent;
    if (p != shown) {
      shown = p;
      const std::string text = LightmapProgressText(p);
      dialog.setValue(p);
      editor.view->SetStatusText(1, text);
      editor.view->SetCaption(text);
    }
    // The time left changes while the percentage stands still.
    const std::string left = TimeLeftText(clock.elapsed() / 1000.0, p / 100.0);
    const std::string label = LightmapProgressText(p) + (left.empty() ? "" : "\n" + left);
    if (label != shown_label) {
      shown_label = label;
      dialog.setLabelText(QString::fromStdString(label));
    }
    if (done) loop.quit();
  });
  std::thread worker([&] {
    job.Run(options);
    done = true;
  });
  poll.start();
  loop.exec();
  worker.join();
  poll.stop();
  progress_ = nullptr;
  dialog.hide();

  BakeStatus status = job.Status();
  if (status == BakeStatus::kDone) {
    ViewportLightmapUploader uploader(*main_.Viewport());
    // On the GUI thread, in the viewport's context; the previous textures go.
    if (!job.Apply(main_.Viewport()->GLReady() ? &uploader : nullptr))
      status = BakeStatus::kCancelled;
    else if (LiveLight* live = main_.LiveLighting())
      live->TakeBasis(job.Basis());
  }
  editor.view->SetStatusText(1, "");
  editor.UpdateCaption();
  QApplication::restoreOverrideCursor();
  if (status == BakeStatus::kRefused) editor.ShowWarning(job.Message());
  emit Finished(static_cast<int>(status));
  return status;
}

void BakeRunner::ToolButton9Click() {
  if (running_) return;
  Run();
  main_.editor().Redraw();
}

void BakeRunner::Leveldateimap1Click() {
  if (running_) return;
  ExportLevelCommand(main_.editor(), [this](Editor&) { return Run() == BakeStatus::kDone; });
  main_.editor().Redraw();
}

}  // namespace qx

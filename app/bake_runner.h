#pragma once
// "Lightmaps berechnen" in the window: the lightmap-size dialog, then the bake
// on a worker thread while the window stays responsive. A modal progress
// dialog ("Abbrechen") keeps every other command from starting meanwhile; the
// status bar and the caption show "Lightmaps: N%", the dialog also the time
// left ("noch etwa 12 s"). The finished lightmaps are
// uploaded on the GUI thread, replacing the textures of the previous bake.

#include <QObject>
#include <memory>

#include "lighting/lightmap.h"

class QProgressDialog;

namespace qx {

class TMain;
class ViewportPanel;

// Lightmaps become GL textures of the viewport's context.
class ViewportLightmapUploader : public LightmapUploader {
 public:
  explicit ViewportLightmapUploader(ViewportPanel& viewport) : viewport_(viewport) {}
  uint32_t Upload(const Lightmap& lightmap) override;
  void Release(uint32_t texture) override;
  bool Replace(uint32_t texture, const Lightmap& lightmap) override;

 private:
  ViewportPanel& viewport_;
};

class BakeRunner : public QObject {
  Q_OBJECT
 public:
  explicit BakeRunner(TMain& main);
  ~BakeRunner() override;

  // Asks for the size and bakes. kCancelled when the user cancelled (nothing
  // changed), kRefused when the size cannot be baked (a warning was shown) or a
  // bake is already running.
  BakeStatus Run();
  bool Running() const { return running_; }
  // The progress dialog while a bake runs (for tests), else null.
  QProgressDialog* ProgressDialog() const { return progress_; }

  // The tool button "Lightmaps berechnen" and the level export.
  void ToolButton9Click();
  void Leveldateimap1Click();

 signals:
  void Finished(int status);

 private:
  TMain& main_;
  bool running_ = false;
  QProgressDialog* progress_ = nullptr;
};

}  // namespace qx

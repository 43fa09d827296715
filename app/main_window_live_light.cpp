// "Licht live": the lighting follows every edit in the background, and the
// status bar says whether what is shown is current.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "app/bake_runner.h"
#include "app/main_window.h"
#include "render/viewport_panel.h"
#include "session/live_light.h"

namespace qx {

void TMain::WireLiveLight() {
  live_light_ = std::make_unique<LiveLight>(editor_, &editor_.History);
  // The worker finishes on its own thread; the result is taken on this one.
  live_light_->on_result = [this] {
    QMetaObject::invokeMethod(
        this, [this] { PollLiveLight(); }, Qt::QueuedConnection);
  };
  // During a drag the lighting starts once the mouse rests this long.
  auto* rest = new QTimer(this);
  rest->setObjectName("LichtRuhe");
  rest->setSingleShot(true);
  rest->setInterval(40);
  connect(rest, &QTimer::timeout, this, [this] { PollLiveLight(); });
  live_light_->schedule_later = [rest] { rest->start(); };
  light_status_ = new QLabel(statusBar());
  light_status_->setObjectName("LichtStatus");
  light_status_->setFrameShape(QFrame::StyledPanel);
  light_status_->setFrameShadow(QFrame::Sunken);
  statusBar()->addPermanentWidget(light_status_);
  if (QMenu* view = menuBar()->findChild<QMenu*>("Ansicht1")) {
    QAction* live = AddAction(view, "Lichtlive1", "Licht live");
    live->setCheckable(true);
    live->setChecked(true);  // until the settings are read (ReadLiveLightSetting)
    Wire(live, [this, live] {
      if (settings_) settings_->WriteBool(kSettingLiveLight, live->isChecked());
      live_light_->SetEnabled(live->isChecked());
      ShowLightStatus();
    });
  }
  ShowLightStatus();
}

void TMain::ReadLiveLightSetting() {
  QAction* live = Action("Lichtlive1");
  live->setChecked(settings_->ReadBool(kSettingLiveLight, true));
  live_light_->SetEnabled(live->isChecked());
  ShowLightStatus();
}

void TMain::ReleaseLiveLight() {
  live_light_.reset();  // joins its worker; it listens to the document no more
}

void TMain::PollLiveLight() {
  if (!live_light_) return;
  LightmapUploader* uploader = viewport_->GLReady() ? lightmap_uploader_.get() : nullptr;
  if (live_light_->Poll(uploader)) {
    ++live_light_applied_;
    Redraw();
  }
  // A command had a step open (its dialog is showing): again a little later.
  if (live_light_->ResultWaiting()) QTimer::singleShot(50, this, [this] { PollLiveLight(); });
  ShowLightStatus();
}

void TMain::ShowLightStatus() {
  light_status_due_ = false;
  if (!live_light_ || !light_status_) return;
  const QString text = QString::fromUtf8(LiveLight::StatusText(live_light_->CurrentState()));
  if (light_status_->text() != text) light_status_->setText(text);
}

void TMain::LightStatusDue() {
  // After the change set has reached every listener, the live lighting among them.
  if (light_status_due_) return;
  light_status_due_ = true;
  QMetaObject::invokeMethod(
      this, [this] { ShowLightStatus(); }, Qt::QueuedConnection);
}

BakeStatus TMain::BakeWhole(LightmapSize size, std::string* message) {
  LightmapUploader* uploader = viewport_->GLReady() ? lightmap_uploader_.get() : nullptr;
  std::unique_ptr<ViewportLightmapUploader> own;
  if (!uploader && viewport_->GLReady())
    uploader = (own = std::make_unique<ViewportLightmapUploader>(*viewport_)).get();
  const BakeStatus status = live_light_->BakeNow(size, uploader, message);
  ShowLightStatus();
  return status;
}

}  // namespace qx

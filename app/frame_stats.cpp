#include "app/frame_stats.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/bake_runner.h"
#include "app/main_window.h"
#include "commands/document_commands.h"
#include "commands/node_position.h"
#include "commands/selection.h"
#include "commands/selection_bounds.h"
#include "document/map_document_io.h"
#include "render/plane_view_widget.h"
#include "render/viewport_panel.h"
#include "session/live_light.h"
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

// The quads of the first sector that holds at least kDragStatsQuads of them,
// with its lights; else the first kDragStatsQuads quads of the level.
std::vector<TSector*> DragStatsNodes(const Editor& e) {
  std::vector<TSector*> found;
  e.Tree.Walk([&](TSector* n) {
    if (!found.empty() || n->NodeType != kSector) return;
    std::vector<TSector*> quads, lights;
    for (const auto& c : n->Children) {
      if (c->NodeType == kPolygon) quads.push_back(c.get());
      if (c->NodeType == kLight) lights.push_back(c.get());
    }
    if (quads.size() < kDragStatsQuads) return;
    found = quads;
    found.insert(found.end(), lights.begin(), lights.end());
  });
  if (!found.empty()) return found;
  e.Tree.Walk([&](TSector* n) {
    if (n->NodeType == kPolygon && found.size() < kDragStatsQuads) found.push_back(n);
  });
  return found;
}

void SendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

// The time from a mouse event to the finished frames of every shown view.
template <typename Finish>
double TimedEvent(QWidget* w, QPointF at, Finish finish) {
  QElapsedTimer timer;
  timer.start();
  SendMouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
  finish();
  return double(timer.nsecsElapsed()) / 1e6;
}

// Drags the selection in the 3D view and then in "Oben"; false when there is
// nothing to drag or no "Oben" view.
bool RunDragStats(TMain& main, int steps, double* drag_ms, double* plane_ms) {
  Editor& e = main.editor();
  ViewportPanel* viewport = main.Viewport();
  const std::vector<TSector*> nodes = DragStatsNodes(e);
  if (nodes.empty()) return false;
  ClearSelection(e);
  for (TSector* n : nodes) {
    AddToSelection(e, n);
    ComputeBounds(n);
  }
  SelectInTree(e, nodes.front());
  e.Redraw();
  auto finish_all = [&] {
    viewport->Finish();
    for (PlaneKind k : {PlaneKind::kTop, PlaneKind::kFront, PlaneKind::kSide})
      if (PlaneViewWidget* p = main.PlaneViewOf(k); p && p->isVisible()) p->RenderNowForTiming();
  };

  // 3D: 40 pixels an event makes every event a step (the step rule counts
  // |30 / dx| events); left and right by turns, so the nodes end where they began.
  std::vector<double> times;
  const QPointF centre(kFrameStatsWidth / 2.0, kFrameStatsHeight / 2.0);
  SendMouse(viewport, QEvent::MouseMove, centre, Qt::NoButton, Qt::NoButton);
  SendMouse(viewport, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
  for (int i = 0; i < steps; ++i)
    times.push_back(TimedEvent(viewport, centre + QPointF(i % 2 == 0 ? -40 : 0, 0), finish_all));
  SendMouse(viewport, QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
  *drag_ms = Median(times);

  // "Oben": the four views shown, the selection framed; the press on the
  // selection's centre finds one of its quads, each event moves by a grid step.
  if (!main.Action("VierAnsichten1")->isChecked()) main.Action("VierAnsichten1")->trigger();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  PlaneViewWidget* top = main.PlaneViewOf(PlaneKind::kTop);
  if (!top || !top->isVisible()) return false;
  top->FrameSelection();
  const Box box = SelectionBox(e);
  const Vector middle = VectorSet((double(box.min.x) + box.max.x) / 2, (double(box.min.y) + box.max.y) / 2,
                                  (double(box.min.z) + box.max.z) / 2);
  const PixelPoint press = top->View().ToPixel(middle);
  const PixelPoint next = top->View().ToPixel(VectorSet(middle.x + e.GridSize, middle.y, middle.z));
  const double step = std::max(4.0, std::fabs(next.x - press.x));
  const QPointF at(press.x, press.y);
  times.clear();
  SendMouse(top, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  // Past the threshold that turns a press into a drag.
  SendMouse(top, QEvent::MouseMove, at + QPointF(step / 2, 0), Qt::NoButton, Qt::LeftButton);
  for (int i = 0; i < steps; ++i)
    times.push_back(TimedEvent(top, at + QPointF(i % 2 == 0 ? step : 0, 0), finish_all));
  SendMouse(top, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  *plane_ms = Median(times);
  return true;
}

// Moves the first light with "Schatten" one grid step along +x, `steps`
// times, as the panel's "Position" field does, and times each from the change
// to the finished frame that shows the lighting the live update applied.
bool RunLiveLightStats(TMain& main, int steps, double* median, double* most) {
  Editor& editor = main.editor();
  TSector* light = nullptr;
  editor.Tree.Walk([&](TSector* n) {
    if (!light && n->NodeType == kLight && n->Shadow == 1) light = n;
  });
  LiveLight* live = main.LiveLighting();
  if (!light || !live) return false;
  live->SetEnabled(true);
  ClearSelection(editor);
  AddToSelection(editor, light);
  editor.Redraw();
  std::vector<double> times;
  QElapsedTimer timer;
  for (int i = 0; i < steps; ++i) {
    const uint64_t applied = main.LiveLightApplied();
    timer.start();
    SetSelectedCoordinate(editor, kLight, AxisLock::kX, ShownPosition(*light).x + float(editor.GridSize));
    editor.Redraw();
    // The update runs on its own thread; its result comes through the event loop.
    while (live->CurrentState() != LiveLight::State::kCurrent)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    main.Viewport()->Finish();
    times.push_back(double(timer.nsecsElapsed()) / 1e6);
    if (main.LiveLightApplied() == applied) return false;
  }
  *median = Median(times);
  *most = *std::max_element(times.begin(), times.end());
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
    } else if (a == "--drag-steps") {
      bool ok = false;
      o.drag_steps = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
      if (!ok || o.drag_steps <= 0) {
        o.error = "--drag-steps braucht eine positive Zahl.";
        return o;
      }
    } else if (a == "--live-light-steps") {
      bool ok = false;
      o.live_light_steps = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
      if (!ok || o.live_light_steps <= 0) {
        o.error = "--live-light-steps braucht eine positive Zahl.";
        return o;
      }
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
  if (!o.frame_stats && (!o.screenshot.isEmpty() || o.drag_steps > 0 || o.live_light_steps > 0))
    o.error = "--screenshot, --drag-steps und --live-light-steps gibt es nur mit --frame-stats.";
  else if (o.live_light_steps > 0 && !o.bake)
    o.error = "--live-light-steps braucht --bake.";
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
    std::string message;
    if (main.BakeWhole(*options.bake, &message) != BakeStatus::kDone) {
      Complain("Lightmaps nicht berechnet: " + message);
      return 1;
    }
  }
  std::vector<double> frames, picks;
  QElapsedTimer timer;
  const float heading = editor.CameraHeading;
  const bool shot_at_end = options.live_light_steps > 0;
  for (int i = 0; i < kFrameStatsFrames; ++i) {
    if (i > 0) editor.CameraHeading += 1;
    timer.start();
    editor.Redraw();
    viewport->Finish();
    frames.push_back(double(timer.nsecsElapsed()) / 1e6);
    if (i == 0 && !shot_at_end && !options.screenshot.isEmpty() &&
        !viewport->grabFramebuffer().save(options.screenshot)) {
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
  if (options.drag_steps > 0) {
    double drag = 0, plane = 0;
    if (!RunDragStats(main, options.drag_steps, &drag, &plane)) {
      Complain("Nichts zu ziehen: keine Polygone oder keine Ansicht \"Oben\".");
      return 1;
    }
    std::printf("drag step median %.2f ms, plane drag step median %.2f ms\n", drag, plane);
  }
  if (options.live_light_steps > 0) {
    double median = 0, most = 0;
    if (!RunLiveLightStats(main, options.live_light_steps, &median, &most)) {
      Complain("Keine Lichtquelle mit Schatten.");
      return 1;
    }
    std::printf("live light median %.2f ms, max %.2f ms\n", median, most);
    editor.CameraHeading = heading;
    editor.Redraw();
    viewport->Finish();
    const QImage live = viewport->grabFramebuffer();
    if (!options.screenshot.isEmpty() && !live.save(options.screenshot)) {
      Complain("Bild nicht gespeichert: " + options.screenshot.toStdString());
      return 1;
    }
    // The same scene baked whole must give the very same picture.
    const std::vector<Lightmap> kept = editor.LightmapList;
    main.BakeWhole(*options.bake);
    editor.Redraw();
    viewport->Finish();
    bool same = kept.size() == editor.LightmapList.size() && live == viewport->grabFramebuffer();
    for (size_t k = 0; same && k < kept.size(); ++k) same = kept[k].rgb == editor.LightmapList[k].rgb;
    if (!same) {
      Complain("Das Licht nach den Schritten weicht von einer ganzen Berechnung ab.");
      return 1;
    }
  }
  std::fflush(stdout);
  editor.prompts = nullptr;  // nothing to ask: the run changed no file
  main.FormClose();
  return 0;
}

}  // namespace qx

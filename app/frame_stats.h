#pragma once
// The command line of the editor, and its measuring mode for users reporting
// speed and for CI:
//   quarvex [--immediate] [--bake WxH] FILES...
//   quarvex --frame-stats [--immediate] [--bake WxH] [--screenshot FILE.png] [--drag-steps N] FILES...
// --immediate draws with the immediate-mode reference renderer. --bake alone
// bakes the opened document at W x H once it is open (documents keep no
// lightmaps: scripts/run.sh shows the demo lit that way). --frame-stats
// opens the window with the given .tex and .qxm files and an 800 x 600
// viewport, bakes at W x H when asked, draws 60 frames while the camera turns
// 1 degree per frame about the vertical axis, picks the viewport centre 20
// times, saves the first frame when asked and prints one line
// "frame median X ms, pick median Y ms". With --drag-steps it then selects the
// quads (and lights) of the first sector holding at least 100 quads (else the
// first 100 quads), drags them N steps along the locked axis with mouse events
// sent to the 3D view, then N steps in the "Oben" view with the four views
// shown, and prints "drag step median X ms, plane drag step median Y ms",
// each from the event to the finished frames of every shown view.
// With --live-light-steps N (needs --bake) it then moves the first light with
// "Schatten" N times by one grid step along +x, each time as the properties
// panel's "Position" field does, waits until the live lighting has been
// applied and drawn, and prints "live light median X ms, max Y ms" (from the
// change to the finished frame that shows the new lighting); --screenshot is
// then taken after the last step, with the camera as at the start. The run
// then bakes the scene whole and fails (exit code 1) unless the lightmaps and
// the picture are the same as the live lighting gave.

#include <QString>
#include <QStringList>
#include <optional>

#include "lighting/lightmap.h"

namespace qx {

struct StartOptions {
  bool immediate = false;
  bool frame_stats = false;
  std::optional<LightmapSize> bake;
  QString screenshot;
  int drag_steps = 0;
  int live_light_steps = 0;
  QStringList files;
  QString error;  // a German message when the command line makes no sense
};

// The arguments after the program name.
StartOptions ParseStartOptions(const QStringList& args);

// Runs the measuring mode; the exit code: 0, or 1 with a message on stderr
// when a file cannot be opened or the bake fails.
int RunFrameStats(const StartOptions& options);

inline constexpr int kFrameStatsWidth = 800, kFrameStatsHeight = 600;
inline constexpr int kFrameStatsFrames = 60, kFrameStatsPicks = 20;
inline constexpr size_t kDragStatsQuads = 100;

}  // namespace qx

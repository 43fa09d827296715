// Frame times of the plan and elevation views on the machine's OpenGL (Mesa
// llvmpipe under Xvfb here): from their merged lines as the window draws
// them, and for comparison from the 3D view's retained buffers in outline
// mode and in immediate mode. Run under an X server:
//   xvfb-run -a -s '-screen 0 1280x1024x24' build/bench/plane_view_gui_bench [quads...]
// (default 10000 50000). The level is bench_level.h's, the whole of it framed
// in a view of 440 x 360 pixels (a quarter of the window's view area); every
// view option on, as on a first start. Also: what a click and a rubber band
// over the whole view cost to resolve, building the merged lines, and one
// drag step of a room's 100 quads with the frame that shows it.
// Milliseconds, medians.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_help.h"
#include "bench_level.h"
#include "render/offscreen_gl.h"
#include "render/plane_view_overlay.h"
#include "tools/plane_edit.h"

using namespace qx;

namespace {

constexpr int kWidth = 440, kHeight = 360;

template <typename Fn>
double MedianMillis(int repeats, Fn fn) {
  std::vector<double> t;
  for (int i = 0; i < repeats; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

void Run(test::OffscreenGl& gl, int quads) {
  Editor e;
  bench::BuildBenchLevel(e, std::max(1, quads / 100));
  const ViewOptions o;
  MergedOutlines merged(e);
  ViewportOutlines buffers([&] { return static_cast<ViewportRenderer*>(&gl.retained); });
  ImmediateOutlines immediate;
  // Everything in view: the level's box.
  for (const auto& room : e.Tree.TopLevel()) e.SelectionList.push_back(room.get());
  Vector min, max;
  SelectionBox(e, &min, &max);
  e.SelectionList.clear();

  std::printf("%6d quads\n", quads);
  for (PlaneKind kind : {PlaneKind::kTop, PlaneKind::kFront, PlaneKind::kSide}) {
    PlaneView view(kind);
    view.SetSize(kWidth, kHeight);
    view.Frame(min, max, 8);
    auto frame = [&](PlaneViewScene& scene) {
      DrawPlaneFrame(e, view, o, scene, std::nullopt, kWidth, kHeight);
      glFinish();
    };
    frame(merged);  // builds the lines
    const double fast = MedianMillis(40, [&] { frame(merged); });
    const size_t lines = BuildPlaneLines(e.Tree, view.Axes(), o, {}).Count();
    const double build = MedianMillis(3, [&] { (void)BuildPlaneLines(e.Tree, view.Axes(), o, {}); });
    frame(buffers);  // builds what the buffers keep
    const double retained = MedianMillis(5, [&] { frame(buffers); });
    const double slow = MedianMillis(3, [&] { frame(immediate); });
    std::printf(
        "             | %-5s frame %5.2f (%zu lines, built in %5.1f) | retained outlines %6.1f | immediate "
        "%6.1f\n",
        PlaneName(kind), fast, lines, build, retained, slow);
  }

  PlaneView top(PlaneKind::kTop);
  top.SetSize(kWidth, kHeight);
  top.Frame(min, max, 8);
  const double click = MedianMillis(20, [&] { (void)NodesAt(e, top, o, kWidth / 2.0, kHeight / 2.0); });
  const double band = MedianMillis(10, [&] { (void)NodesInRect(e, top, o, {0, 0, kWidth, kHeight}); });

  // A drag step of the first room's quads, as the mouse makes it, with its frame.
  PlaneView front(PlaneKind::kFront);
  front.SetSize(kWidth, kHeight);
  front.Frame(min, max, 8);
  PlaneMouse mouse(e, front);
  TSector* room = e.Tree.First();
  for (const auto& n : room->Children)
    if (n->NodeType == kPolygon) e.SelectionList.push_back(n.get());
  e.TreeSelection = room;
  const PixelPoint at = front.ToPixel(room->Children.front()->Vertices[0].Position);
  mouse.Down(MouseButton::kLeft, {}, at.x, at.y, o);
  int step = 0;
  // As the window draws it, copying the kept picture of the still outlines, then without it.
  PlaneStillPicture kept;
  size_t reused = 0;
  auto drag_step = [&](PlaneStillPicture* picture) {
    ++step;
    // Ctrl: unsnapped, so that every step moves.
    mouse.Move({false, true}, at.x + 5 + (step % 2) * 3, at.y, o);
    DrawPlaneFrame(e, front, o, merged, std::nullopt, kWidth, kHeight, picture);
    glFinish();
    if (picture && picture->reused) ++reused;
  };
  const double drag = MedianMillis(30, [&] { drag_step(&kept); });
  const double drag_full = MedianMillis(30, [&] { drag_step(nullptr); });
  const size_t moving = merged.Cache().Moving().size();
  mouse.Up(MouseButton::kLeft, {false, true}, at.x, at.y, o);
  kept.picture.Release();
  std::printf(
      "             | click %.2f, band over the view %.2f, drag step with its frame %.2f (kept picture "
      "used %zu times), %.2f drawing all (%zu moving)\n",
      click, band, drag, reused, drag_full, moving);
  gl.retained.Detach();
}

}  // namespace

constexpr const char* kUsage =
    "Aufruf: plane_view_gui_bench [VIERECKE...]\n"
    "Misst Bildzeiten der Grund- und Aufrissansichten (Vorgabe 10000 50000 Vierecke);\n"
    "braucht einen X-Server (xvfb-run).\n";

int main(int argc, char** argv) {
  if (qx::bench::AnswerHelp(argc, argv, kUsage)) return 0;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 50000};
  test::OffscreenGl gl(kWidth, kHeight);
  if (!gl.ok()) {
    std::fprintf(stderr, "no OpenGL context (run under an X server)\n");
    return 1;
  }
  std::printf("renderer: %s, view %d x %d\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)), kWidth,
              kHeight);
  for (int quads : sizes) Run(gl, quads);
  return 0;
}

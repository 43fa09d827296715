// Frame and pick times of the viewport drawing on the machine's OpenGL
// (Mesa llvmpipe under Xvfb here), the retained renderer side by side with
// the immediate-mode reference. Run under an X server:
//   xvfb-run -a -s '-screen 0 1280x1024x24' build/bench/render_gui_bench [quads...]
// (default 10000 50000). The level is bench_level.h's: rooms of 100 textured
// quads with a light each, seen from a corner above the walls across the
// whole level, and standing in a room; every view option on, as on a first
// start. The camera turns
// 1 degree per frame as in `quarvex --frame-stats`; picks hit the centre.
// "baked" is after a 4 x 4 bake. "move" is one drag step of the 100 quads of
// one room, with the frame that shows it (the static part from the kept
// picture; "drawing all" without it). All times in milliseconds,
// medians; QX_BENCH_CPU=1 measures process CPU time instead of wall-clock time.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench_help.h"
#include "bench_level.h"
#include "commands/transform.h"
#include "render/gl_uploads.h"
#include "render/offscreen_gl.h"
#include "render/render_compare.h"
#include "tools/drag.h"

using namespace qx;

namespace {

constexpr int kWidth = 800, kHeight = 600;

double CpuMillis() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Median wall-clock time; with QX_BENCH_CPU set, the process's CPU time
// instead (steadier on a machine shared with other work).
template <typename Fn>
double MedianMillis(int repeats, Fn fn) {
  static const bool cpu = std::getenv("QX_BENCH_CPU") != nullptr;
  std::vector<double> t;
  for (int i = 0; i < repeats; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = CpuMillis();
    fn();
    t.push_back(
        cpu ? CpuMillis() - c0
            : std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

// One drag step of the 100 quads of the room nearest the camera (selected
// first), up or down by turns, announced as the drag announces it.
void MoveStep(Editor& e, int& direction) {
  static PointerState drag;
  if (e.SelectionList.empty()) {
    for (const auto& q : e.Tree.First()->Children)
      if (q->NodeType == kPolygon) e.SelectionList.push_back(q.get());
    e.ToolMode = ToolMode::kMove;
    e.AxisLock = AxisLock::kY;
  }
  drag.step_counter = 1000;  // the step is due
  DragStep(e, drag, direction);
  direction = -direction;
  e.PublishChanges();
}

struct Figures {
  double frame = 0, pick = 0;
  uint32_t picked = 0;
};

Figures Measure(ViewportRenderer& r, Editor& e, const ViewOptions& o, int frames) {
  Figures f;
  r.RenderFrame(e, o);  // builds what it keeps
  glFinish();
  f.frame = MedianMillis(frames, [&] {
    e.CameraHeading += 1;
    r.RenderFrame(e, o);
    glFinish();
  });
  e.CameraHeading -= float(frames);
  r.RenderFrame(e, o);
  f.pick = MedianMillis(frames <= 5 ? 3 : 20, [&] { f.picked = r.PickName(e, o, kWidth / 2, kHeight / 2); });
  return f;
}

void Run(test::OffscreenGl& gl, test::GlUploads& uploads, int quads) {
  Editor e;
  bench::BuildBenchLevel(e, std::max(1, quads / 100));
  e.Textures.SetUploader(&uploads);
  auto names = [&](int i) { return e.Textures.TextureGLName(i); };
  gl.renderer.texture_name = names;
  gl.retained.texture_name = names;
  const ViewOptions o;  // as on a first start: everything on, normals included
  const int slow = quads >= 50000 ? 3 : 7;

  const Figures immediate = Measure(gl.renderer, e, o, slow);
  const Figures retained = Measure(gl.retained, e, o, 60);
  const RetainedRenderer::FrameStats drawn = gl.retained.LastFrame();
  // Checking every chunk against the scene, as the window does until every
  // command announces its changes: only frames whose camera stands still check.
  gl.retained.SetVerifyEachFrame(true);
  auto still = [&] {
    gl.retained.RenderFrame(e, o);
    glFinish();
  };
  still();
  const double verified = MedianMillis(20, still);
  gl.retained.SetVerifyEachFrame(false);
  const double unverified = MedianMillis(20, still);

  ComputeLightmaps(e, LightmapSize{4, 4}, {}, &uploads);
  e.PublishChanges();
  // The pictures of both renderers from the first camera, after the bake
  // (with QX_RENDER_DIFF_DIR set, both and their difference are saved there).
  gl.renderer.RenderFrame(e, o);
  const QImage reference = gl.Image();
  gl.retained.RenderFrame(e, o);
  const QImage drawn_retained = gl.Image();
  const double differing = test::DifferingShare(reference, drawn_retained);
  test::SaveForLook("bench_" + std::to_string(quads), reference, drawn_retained);
  const Figures immediate_baked = Measure(gl.renderer, e, o, slow);
  const Figures retained_baked = Measure(gl.retained, e, o, 60);
  const int baked_calls = gl.retained.LastFrame().draw_calls;
  const int skipped = gl.retained.LastFrame().triangles_skipped;
  gl.retained.SetSkipBehindPlanes(false);
  const Figures retained_all = Measure(gl.retained, e, o, 60);
  gl.retained.SetSkipBehindPlanes(true);
  // Standing in a room in the middle of the level at eye height instead.
  const CameraState overview = e;
  bench::StandInLevel(e, std::max(1, quads / 100));
  const Figures immediate_inside = Measure(gl.renderer, e, o, slow);
  const Figures retained_inside = Measure(gl.retained, e, o, 60);
  static_cast<CameraState&>(e) = overview;

  int direction = 1;
  auto step = [&](ViewportRenderer& r) {
    MoveStep(e, direction);
    r.RenderFrame(e, o);
    glFinish();
  };
  step(gl.retained);  // the first step moves the quads into the dynamic buffer
  const double move = MedianMillis(30, [&] { step(gl.retained); });
  gl.retained.SetVerifyEachFrame(true);
  const double move_verified = MedianMillis(30, [&] { step(gl.retained); });
  gl.retained.SetVerifyEachFrame(false);
  gl.retained.SetFrameCacheEnabled(false);
  const double move_full = MedianMillis(30, [&] { step(gl.retained); });
  gl.retained.SetFrameCacheEnabled(true);
  const double move_immediate = MedianMillis(slow, [&] { step(gl.renderer); });

  std::printf(
      "%6d quads | immediate: frame %7.1f pick %6.2f, baked frame %7.1f pick %6.2f, move %7.1f\n"
      "             | retained:  frame %7.2f pick %6.2f, baked frame %7.2f pick %6.2f, move %6.2f "
      "(same ids: %s)\n"
      "             | retained, camera still: frame %6.2f, checking every chunk %6.2f, move %6.2f, "
      "move drawing all %6.2f\n"
      "             | draw calls %d (baked %d), cells drawn %d, culled %d; baked frame %.0fx faster\n"
      "             | baked, %d triangles behind their planes left out; sending them: frame %6.2f\n"
      "             | in a room, baked: immediate frame %7.1f, retained frame %6.2f pick %5.2f\n"
      "             | pixels differing from the reference after the bake: %.3f%%\n",
      quads, immediate.frame, immediate.pick, immediate_baked.frame, immediate_baked.pick, move_immediate,
      retained.frame, retained.pick, retained_baked.frame, retained_baked.pick, move,
      immediate.picked == retained.picked && immediate_baked.picked == retained_baked.picked ? "yes" : "NO",
      unverified, verified, move_verified, move_full, drawn.draw_calls, baked_calls, drawn.cells_drawn,
      drawn.cells_culled, immediate_baked.frame / retained_baked.frame, skipped, retained_all.frame,
      immediate_inside.frame, retained_inside.frame, retained_inside.pick, differing * 100);
  gl.retained.Detach();
  e.Textures.SetUploader(nullptr);
}

}  // namespace

// --profile N: only N frames of the retained renderer (baked), for a profiler.
void Profile(test::OffscreenGl& gl, test::GlUploads& uploads, int quads, int frames) {
  Editor e;
  bench::BuildBenchLevel(e, std::max(1, quads / 100));
  e.Textures.SetUploader(&uploads);
  gl.retained.texture_name = [&](int i) { return e.Textures.TextureGLName(i); };
  ComputeLightmaps(e, LightmapSize{4, 4}, {}, &uploads);
  const ViewOptions o;
  const Figures f = Measure(gl.retained, e, o, frames);
  const double move = MedianMillis(frames, [&, direction = 1]() mutable {
    MoveStep(e, direction);
    gl.retained.RenderFrame(e, o);
    glFinish();
  });
  std::printf("%d quads: retained frame %.2f pick %.2f move %.2f\n", quads, f.frame, f.pick, move);
  gl.retained.Detach();
  e.Textures.SetUploader(nullptr);
}

constexpr const char* kUsage =
    "Aufruf: render_gui_bench [--profile N] [VIERECKE...]\n"
    "Misst Bild- und Pickzeiten der 3D-Ansicht (Vorgabe 10000 50000 Vierecke);\n"
    "braucht einen X-Server (xvfb-run).\n";

int main(int argc, char** argv) {
  if (qx::bench::AnswerHelp(argc, argv, kUsage)) return 0;
  std::vector<int> sizes;
  int profile = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--profile" && i + 1 < argc)
      profile = std::atoi(argv[++i]);
    else
      sizes.push_back(std::atoi(argv[i]));
  }
  if (sizes.empty()) sizes = {10000, 50000};
  test::OffscreenGl gl(kWidth, kHeight);
  if (!gl.ok()) {
    std::fprintf(stderr, "no OpenGL context (run under an X server)\n");
    return 1;
  }
  std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  test::GlUploads uploads;
  for (int quads : sizes) {
    if (profile > 0)
      Profile(gl, uploads, quads, profile);
    else
      Run(gl, uploads, quads);
  }
  return 0;
}

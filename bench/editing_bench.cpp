// Times the editing commands that run on every mouse event or click over a big
// scene: resolving a pick, marking all polygons, one drag step (move and rotate)
// of the whole selection.
//   editing_bench [quads...]   (default 10000 50000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_help.h"
#include "bench_util.h"
#include "commands/insert.h"
#include "commands/selection.h"
#include "commands/transform.h"
#include "tools/drag.h"

using namespace qx;

namespace {

using bench::Millis;

void Run(int quads) {
  Editor e;
  PointerState drag;
  bench::BuildQuadSector(e, quads);
  // Eight hits whose later names are ordinary node ids: every one is checked
  // against all polygon vertices (the worst case of a click).
  std::vector<uint32_t> hits;
  for (uint32_t h = 0; h < 8; ++h) hits.insert(hits.end(), {1u, 1000 - h, 2000, 2 + h * 5});
  uint32_t picked = 0;
  const double pick = Millis(20, [&] { picked = ResolvePickHits(e.Tree, 8, hits); });
  const double mark = Millis(5, [&] { MarkAllPolygons(e); });
  drag.step_counter = 0;
  const double move = Millis(20, [&] { DragStep(e, drag, -100); });
  SetToolMode(e, ToolMode::kRotate);
  const double rotate = Millis(20, [&] { DragStep(e, drag, -100); });
  std::printf("%6d quads: pick %.3f ms (name %u), mark all %.3f ms, move step %.3f ms, rotate step %.3f ms\n",
              quads, pick, picked, mark, move, rotate);
}

}  // namespace

constexpr const char* kUsage =
    "Aufruf: editing_bench [VIERECKE...]\n"
    "Misst Auswahl, \"Alle Polygone markieren\" und Ziehschritte (Vorgabe 10000 50000 Vierecke).\n";

int main(int argc, char** argv) {
  if (qx::bench::AnswerHelp(argc, argv, kUsage)) return 0;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 50000};
  for (int n : sizes) Run(n);
}

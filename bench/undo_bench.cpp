// What the undo history costs on a big scene: the time one command spends in
// the history (the look before and after it), an undo, and the memory a step
// keeps, for a small change (renaming one node) and for a change of every
// node (moving the whole sector); undo and redo of the move, and undo of a
// rename.
//   undo_bench [quads...]   (default 10000 50000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_help.h"
#include "bench_util.h"
#include "commands/insert.h"
#include "commands/selection.h"
#include "commands/transform.h"
#include "document/editor.h"

using namespace qx;

namespace {

using bench::Millis;

void Run(int quads) {
  Editor e;
  bench::BuildQuadSector(e, quads);
  const double first = Millis(1, [&] { e.History.Commit(); });  // the first full copy
  const double base_mb = e.History.Bytes() / 1048576.0;

  int n = 0;
  const double empty = Millis(20, [&] { e.History.Run("nichts", [] {}); });
  const size_t before_rename = e.History.Bytes();
  const double rename = Millis(
      20, [&] { e.History.Run("Umbenennen", [&] { e.Tree.Rename(e.Tree.First(), std::to_string(++n)); }); });
  const double rename_kb = (e.History.Bytes() - before_rename) / 20.0 / 1024.0;
  const size_t before_move = e.History.Bytes();
  const double move =
      Millis(5, [&] { e.History.Run("Bewegen", [&] { MoveSubtree(e.Tree.First(), AxisLock::kX, 20); }); });
  const double move_mb = (e.History.Bytes() - before_move) / 5.0 / 1048576.0;
  const double undo = Millis(5, [&] { e.History.Undo(); });
  const double redo = Millis(5, [&] { e.History.Redo(); });
  for (int i = 0; i < 5; ++i)
    e.History.Run("Umbenennen", [&] { e.Tree.Rename(e.Tree.First(), std::to_string(++n)); });
  const double undo_rename = Millis(5, [&] { e.History.Undo(); });
  std::printf(
      "%6d quads: first look %.1f ms (%.1f MB); empty command %.2f ms; rename %.2f ms (+%.1f KB/step); "
      "move all %.1f ms (+%.1f MB/step); undo %.1f ms, redo %.1f ms; undo of a rename %.1f ms\n",
      quads, first, base_mb, empty, rename, rename_kb, move, move_mb, undo, redo, undo_rename);
}

}  // namespace

constexpr const char* kUsage =
    "Aufruf: undo_bench [VIERECKE...]\n"
    "Misst, was die Rückgängig-Liste kostet (Vorgabe 10000 50000 Vierecke).\n";

int main(int argc, char** argv) {
  if (qx::bench::AnswerHelp(argc, argv, kUsage)) return 0;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 50000};
  for (int n : sizes) Run(n);
}

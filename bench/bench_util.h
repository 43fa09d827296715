#pragma once
// Shared pieces of the editing benchmarks.

#include <chrono>

#include "commands/insert.h"
#include "commands/selection.h"
#include "document/editor.h"

namespace qx::bench {

// Average wall time of one call of fn, in milliseconds.
template <typename Fn>
double Millis(int repeats, Fn fn) {
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < repeats; ++i) fn();
  const auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(t1 - t0).count() / repeats;
}

// One sector holding `quads` squares on an 80-unit grid, inserted through the
// editor's own commands. Returns the sector.
inline TSector* BuildQuadSector(Editor& e, int quads) {
  e.NewScene();
  TSector* sector = InsertSector(e);
  for (int i = 0; i < quads; ++i) {
    e.CameraTarget = {float(i % 100) * 80, 0, float(i / 100) * 80};
    InsertSquare(e);
    SelectInTree(e, sector);
  }
  return sector;
}

}  // namespace qx::bench

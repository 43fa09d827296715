#pragma once
// "Duplizieren" (Ctrl+D): copies of the selection beside it.

#include <vector>

#include "document/editor.h"

namespace qx {

inline constexpr const char* kDuplicateCommand = "Duplizieren";

// How far the copies go: the selection's box size along the axis lock,
// rounded up to whole grid steps and at least one step, so that the copies
// stay on the grid and never lie on the originals.
float DuplicateOffset(const Editor& e);

// Copies every selected node (a node inside another selected one comes with
// it) with fresh ids as the sibling right after its original, moved by
// DuplicateOffset along the axis lock; a top-level sector gives a top-level
// sector. The copies become the selection. One undo step. Returns the copies.
std::vector<TSector*> DuplicateSelection(Editor& e);

}  // namespace qx

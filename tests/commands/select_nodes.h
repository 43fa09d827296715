#pragma once
// Puts nodes into the selection list as clicks would, with their bounds current.

#include <initializer_list>

#include "commands/selection.h"
#include "scene/bounds.h"

namespace qx::test {

inline void SelectNodes(Editor& e, std::initializer_list<TSector*> nodes) {
  ClearSelection(e);
  for (TSector* n : nodes) {
    e.SelectionList.push_back(n);
    n->Marked = 1;
    ComputeBounds(n);
  }
}

}  // namespace qx::test

#include "commands/duplicate.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "commands/properties.h"
#include "commands/selection.h"
#include "commands/selection_bounds.h"
#include "commands/transform.h"
#include "commands/tree_edit.h"

namespace qx {

namespace {

double AxisSize(const Vector& size, AxisLock axis) {
  return axis == AxisLock::kY ? size.y : axis == AxisLock::kZ ? size.z : size.x;
}

// The selected nodes that are not inside another selected one, each once, in list order.
std::vector<TSector*> TopmostSelected(const Editor& e) {
  const std::unordered_set<const TSector*> selected(e.SelectionList.begin(), e.SelectionList.end());
  std::unordered_set<const TSector*> seen;
  std::vector<TSector*> out;
  for (TSector* n : e.SelectionList) {
    bool inside = false;
    for (const TSector* p = n->Parent; p && !inside; p = p->Parent) inside = selected.count(p) > 0;
    if (!inside && seen.insert(n).second) out.push_back(n);
  }
  return out;
}

}  // namespace

float DuplicateOffset(const Editor& e) {
  const double grid = std::max(1, e.GridSize);
  const Box box = SelectionBox(e);
  const double size = box.empty ? 0.0 : AxisSize(box.Size(), e.AxisLock);
  const double steps = std::max(1.0, std::ceil(size / grid - 1e-6));
  return static_cast<float>(steps * grid);
}

std::vector<TSector*> DuplicateSelection(Editor& e) {
  UndoStack::Step step(e.History, kDuplicateCommand);
  const std::vector<TSector*> originals = TopmostSelected(e);
  if (originals.empty()) return {};
  const float offset = DuplicateOffset(e);
  std::vector<TSector*> copies;
  for (TSector* original : originals) {
    if (!e.Tree.Contains(original)) continue;
    // The node alone first, then everything below it into the copy.
    TSector* copy = CopySubtree(e, original->Parent, original, false, true);
    if (!copy) continue;
    if (!original->Children.empty()) CopySubtree(e, copy, original->Children.front().get(), false, false);
    TSector* after = e.Tree.NextSibling(original);
    if (after != copy) e.Tree.Move(copy, original->Parent, after);
    MoveSubtree(copy, e.AxisLock, offset);
    ComputeBounds(copy);
    e.ChangedSubtree(copy, kChangeGeometry);
    copies.push_back(copy);
  }
  ClearSelection(e);
  for (TSector* c : copies) AddToSelection(e, c);
  if (!copies.empty()) {
    SelectInTree(e, copies.front());
    ShowNodeProperties(e, copies.front());
  }
  e.Redraw();
  return copies;
}

}  // namespace qx

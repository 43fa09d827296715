#include "commands/tree_edit.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "commands/selection.h"
#include "commands/transform.h"
#include "scene/cp1252.h"
#include "scene/node_fields.h"

namespace qx {

namespace {

// Makes node the tree's current node and then the only selected one, as a
// click on it in the tree does.
void SelectOnly(Editor& e, TSector* node) {
  SelectInTree(e, node);
  TreeClick(e);
}

// Fills r from s as a pasted copy (scene/node_fields.h says what a copy
// takes); ids are left to the caller.
void CopyRecord(const TSector& s, TSector& r) {
  CopyFieldsForPaste(s, r);
  r.VertexCount = static_cast<int32_t>(r.Vertices.size());
  r.TriangleCount = static_cast<uint16_t>(r.Triangles.size());
  r.ImageIndex =
      s.NodeType == kSector && s.NoInsideTest == 1 ? kIconSectorNoInsideTest : DefaultIcon(s.NodeType);
}

// Where a pasted sector goes: next to the tree selection, in a sector.
TSector* SectorPasteDestination(TSector* anchor) {
  TSector* d = anchor->Parent ? anchor->Parent : anchor;
  if (d->NodeType != kSector) d = d->Parent;
  return d;
}

void PasteSector(Editor& e, TSector* source) {
  TSector* anchor = e.TreeSelection;
  // Without a current node the copy goes to the top level.
  TSector* dest = anchor ? SectorPasteDestination(anchor) : nullptr;
  // Copy a room, paste: the copy goes beside it (a top-level room's copy to
  // the top level) rather than into the room itself.
  if (dest == source) dest = source->Parent;
  // Deeper inside its own subtree the paste would copy the copy again.
  if (dest && e.Tree.IsAncestorOrSelf(source, dest)) {
    e.ShowWarning(kCopyIntoItselfMessage);
    return;
  }
  auto record = std::make_unique<TSector>();
  CopyRecord(*source, *record);
  record->Id = e.NextId();
  record->Marked = 0;  // not listed, so not marked: the selection has one truth
  TSector* copy = e.Tree.AddChild(dest, std::move(record));
  UpdateSectorIcon(e.Tree, copy);
  SelectInTree(e, copy);
  if (!source->Children.empty()) CopySubtree(e, copy, source->Children.front().get(), false, false);
}

}  // namespace

void CopySelection(Editor& e) {
  if (e.SelectionList.empty()) return;
  e.ClipboardList.assign(e.SelectionList.begin(), e.SelectionList.end());
  e.ClipboardFilled = true;
}

TSector* CopySubtree(Editor& e, TSector* dest, TSector* first, bool select, bool single) {
  if (!first) return nullptr;
  // Snapshot the sources before anything is added, so a destination inside the
  // source can never make the walk see its own copies.
  struct Item {
    TSector* source;
    int parent;  // index of the copied parent in `items`, -1: dest
  };
  std::vector<Item> items;
  {
    std::vector<Item> stack;
    std::vector<TSector*> roots;
    if (single) {
      roots.push_back(first);
    } else {
      const auto& sib = e.Tree.ChildrenOf(first->Parent);
      bool found = false;
      for (const auto& s : sib) {
        if (s.get() == first) found = true;
        if (found) roots.push_back(s.get());
      }
    }
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back({*it, -1});
    while (!stack.empty()) {
      Item item = stack.back();
      stack.pop_back();
      const int index = static_cast<int>(items.size());
      items.push_back(item);
      if (single && item.parent == -1) continue;  // a single node goes without its children
      const auto& children = item.source->Children;
      for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({it->get(), index});
    }
  }

  std::vector<TSector*> copies(items.size(), nullptr);
  TSector* last_top = nullptr;
  for (size_t i = 0; i < items.size(); ++i) {
    const TSector& s = *items[i].source;
    auto record = std::make_unique<TSector>();
    CopyRecord(s, *record);
    record->Id = e.NextId();
    for (TVertex& v : record->Vertices) v.Id = e.NextId();
    TSector* parent = items[i].parent < 0 ? dest : copies[items[i].parent];
    TSector* copy = e.Tree.AddChild(parent, std::move(record));
    copies[i] = copy;
    if (items[i].parent < 0) last_top = copy;
    if (select && HasVertices(copy->NodeType)) SelectInTree(e, copy);
  }
  return last_top;
}

void PasteClipboard(Editor& e) {
  if (!e.ClipboardFilled || e.ClipboardList.empty()) return;
  // The list may hold the same node twice; each entry is pasted in turn.
  const std::vector<TSector*> entries = e.ClipboardList;
  for (TSector* source : entries) {
    if (!e.Tree.Contains(source)) continue;  // never follow a node that is gone
    if (source->NodeType == kSector) {
      PasteSector(e, source);
    } else {
      TSector* dest = e.TreeSelection;
      if (dest && dest->NodeType != kSector) dest = dest->Parent;
      CopySubtree(e, dest, source, true, true);
    }
  }
  SetVertexMode(e, false);
}

void DeleteSelection(Editor& e) {
  if (e.SelectionList.empty()) return;
  if (!e.prompts || !e.prompts->Confirm(kConfirmDeleteMessage)) return;
  const std::vector<TSector*> doomed = e.SelectionList;
  for (TSector* n : doomed) {
    // An entry inside an earlier entry's subtree went with it; the tree prunes
    // the lists as it removes, so a released record is never touched here.
    if (std::find(e.SelectionList.begin(), e.SelectionList.end(), n) == e.SelectionList.end()) continue;
    e.Tree.Remove(n);
  }
  ClearSelection(e);
  // The picture must not keep showing what is gone.
  e.Redraw();
}

std::string SanitizeNodeName(std::string name) {
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return name;
}

void RenameTreeSelection(Editor& e) {
  TSector* node = e.TreeSelection;
  if (!node) return;
  if (e.prompts) {
    const auto text = e.prompts->AskText(kRenameCaption, kRenamePrompt, Cp1252ToUtf8(node->Name));
    if (text && e.Tree.Contains(node)) e.Tree.Rename(node, SanitizeNodeName(Utf8ToCp1252(*text)));
  }
  TreeClick(e);
  e.Redraw();
}

bool TreeDragDrop(Editor& e, TSector* target) {
  TSector* moved = e.TreeSelection;
  if (!target || !moved || !e.Tree.Contains(target) || !e.Tree.Contains(moved)) return false;
  // A drag that ends where it began is no request: a portal must not lead to itself.
  if (target == moved) return false;
  if (target->NodeType == kPortal) {
    target->LinkedSectorId = moved->Id;
    target->LinkedSector = moved;
    target->IsLinked = 1;
    e.Changed(target, kChangeOther);
    e.Tree.Rename(target, moved->Name);
    SelectInTree(e, target);
    TreeClick(e);
    return true;
  }
  if (target->NodeType == kSector) {
    if (target == moved->Parent && e.Tree.NextSibling(moved) == nullptr) return false;  // already there
    return e.Tree.Move(moved, target);
  }
  if (e.Tree.NextSibling(moved) == target) return false;  // already just before it
  return e.Tree.Move(moved, target->Parent, target);
}

bool TreeDropOnEmptyArea(Editor& e) {
  TSector* moved = e.TreeSelection;
  if (!moved || !e.Tree.Contains(moved) || !moved->Parent) return false;
  UndoStack::Step step(e.History, "Ziehen");
  if (!e.Tree.Move(moved, nullptr)) return false;
  SelectInTree(e, moved);
  e.Redraw();
  return true;
}

void SelectParentObject(Editor& e) {
  if (e.SelectionList.empty()) return;
  TSector* parent = e.SelectionList.back()->Parent;
  if (parent) SelectOnly(e, parent);
}

void SelectFirstChildObject(Editor& e) {
  if (e.SelectionList.empty()) return;
  TSector* last = e.SelectionList.back();
  if (!last->Children.empty()) SelectOnly(e, last->Children.front().get());
}

}  // namespace qx

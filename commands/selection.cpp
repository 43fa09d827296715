#include "commands/selection.h"

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "commands/properties.h"
#include "commands/start_position.h"

namespace qx {

namespace {

// Pre-order walk that stops as soon as visit returns true.
template <typename Visit>
TSector* FindInTree(const SceneTree& tree, Visit visit) {
  std::vector<TSector*> stack;
  const auto& top = tree.TopLevel();
  for (auto it = top.rbegin(); it != top.rend(); ++it) stack.push_back(it->get());
  while (!stack.empty()) {
    TSector* n = stack.back();
    stack.pop_back();
    if (visit(n)) return n;
    for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it) stack.push_back(it->get());
  }
  return nullptr;
}

int VertexIndexOf(const TSector* n, uint32_t id) {
  for (size_t i = 0; i < n->Vertices.size(); ++i)
    if (n->Vertices[i].Id == id) return static_cast<int>(i);
  return -1;
}

}  // namespace

PickTarget FindById(const SceneTree& tree, uint32_t id) {
  PickTarget result;
  if (id == kStartPositionPickName) {
    result.is_start = true;
    return result;
  }
  FindInTree(tree, [&](TSector* n) {
    if (n->Id == id && n->NodeType != kSector) {
      result.node = n;
      return true;
    }
    if (n->NodeType == kPolygon || n->NodeType == kPortal) {
      const int i = VertexIndexOf(n, id);
      if (i >= 0) {
        result = {n, true, i};
        return true;
      }
    }
    return false;
  });
  return result;
}

bool IsPolygonVertexId(const SceneTree& tree, uint32_t id) {
  return FindInTree(tree, [&](TSector* n) { return n->NodeType == kPolygon && VertexIndexOf(n, id) >= 0; }) !=
         nullptr;
}

uint32_t ResolvePickHits(int hit_count, std::span<const uint32_t> buffer,
                         const std::function<bool(uint32_t)>& is_polygon_vertex) {
  if (hit_count <= 0) return 0;
  bool have_candidate = false;
  uint32_t candidate_depth = 0, candidate_name = 0;
  size_t pos = 0;
  for (int hit = 0; hit < hit_count; ++hit) {
    if (buffer.size() - pos < 3) break;
    const size_t names = buffer[pos];
    const uint32_t min_depth = buffer[pos + 1];
    if (names > buffer.size() - pos - 3) break;
    // The pick pass keeps one name on the stack; a nameless record names nothing.
    const uint32_t name = names > 0 ? buffer[pos + 3 + names - 1] : 0;
    pos += 3 + names;
    if (!have_candidate) {
      have_candidate = true;
      candidate_depth = min_depth;
      candidate_name = name;
      continue;
    }
    if (is_polygon_vertex && is_polygon_vertex(name)) return name;
    if (min_depth < candidate_depth) {
      candidate_depth = min_depth;
      candidate_name = name;
    }
  }
  return candidate_name;
}

uint32_t ResolvePickHits(const SceneTree& tree, int hit_count, std::span<const uint32_t> buffer) {
  // One walk of the tree answers the vertex question for every name in the buffer.
  std::unordered_set<uint32_t> names;
  ResolvePickHits(hit_count, buffer, [&](uint32_t name) {
    names.insert(name);
    return false;
  });
  std::unordered_set<uint32_t> vertex_names;
  if (!names.empty()) {
    tree.Walk([&](TSector* n) {
      if (n->NodeType != kPolygon) return;
      for (const TVertex& v : n->Vertices)
        if (names.count(v.Id)) vertex_names.insert(v.Id);
    });
  }
  return ResolvePickHits(hit_count, buffer, [&](uint32_t name) { return vertex_names.count(name) > 0; });
}

TVertex* CurrentVertex(const Editor& e) {
  TSector* n = e.CurrentVertexNode;
  if (!n || e.CurrentVertexIndex < 0 || static_cast<size_t>(e.CurrentVertexIndex) >= n->Vertices.size())
    return nullptr;
  return &n->Vertices[e.CurrentVertexIndex];
}

void SelectInTree(Editor& e, TSector* node) {
  e.TreeSelection = node;
  e.ChangedSelection();
}

void ClearSelection(Editor& e) {
  for (TSector* n : e.SelectionList) n->Marked = 0;
  e.SelectionList.clear();
  e.StartSelected = false;
  e.ChangedSelection();
}

bool IsSelected(const Editor& e, const TSector* node) {
  return std::find(e.SelectionList.begin(), e.SelectionList.end(), node) != e.SelectionList.end();
}

void AddToSelection(Editor& e, TSector* node) {
  if (!IsSelected(e, node)) e.SelectionList.push_back(node);
  node->Marked = 1;
  e.ChangedSelection();
}

void RemoveFromSelection(Editor& e, TSector* node) {
  e.SelectionList.erase(std::remove(e.SelectionList.begin(), e.SelectionList.end(), node),
                        e.SelectionList.end());
  node->Marked = 0;
  e.ChangedSelection();
}

void TreeClick(Editor& e) {
  TSector* node = e.TreeSelection;
  if (!node) return;
  ClearSelection(e);
  AddToSelection(e, node);
  ComputeBounds(node);
  ShowNodeProperties(e, node);
  e.Redraw();
}

void ClickSelect(Editor& e, int x, int y, Modifiers m, const PickFunction& pick) {
  if (m.ctrl) return;
  const uint32_t name = pick ? pick(x, y) : 0;
  if (e.view) e.view->SetStatusText(0, std::to_string(name));
  const PickTarget target = name > 0 ? FindById(e.Tree, name) : PickTarget{};
  if (TSector* node = target.node) {
    if (!m.shift) ClearSelection(e);
    // Shift on a selected node takes it out (a corner click keeps its node in).
    const bool take_out = m.shift && IsSelected(e, node) && !target.is_vertex;
    if (take_out)
      RemoveFromSelection(e, node);
    else
      AddToSelection(e, node);
    SelectInTree(e, node);
    if (target.is_vertex) {
      if (!m.shift)
        for (TVertex& v : node->Vertices) v.Marked = 0;
      TVertex& v = node->Vertices[target.vertex_index];
      v.Marked = v.Marked ? 0 : 1;
      e.CurrentVertexNode = node;
      e.CurrentVertexIndex = target.vertex_index;
      node->Marked = 1;
    }
    // The transform tools turn about the bounds, so they must be current.
    ComputeBounds(node);
    // The panel shows what is selected: the node, or after taking it out the
    // newest entry left, or nothing.
    if (take_out)
      e.ShowProperties(e.SelectionList.empty() ? nullptr : e.SelectionList.back());
    else
      ShowNodeProperties(e, node);
  } else if (target.is_start) {
    SelectStartMarker(e, m.shift);
  }
  e.Redraw();
}

void MarkAllPolygons(Editor& e) {
  TSector* sector = e.TreeSelection;
  if (!sector) return;
  if (sector->NodeType != kSector) {
    // A node at the top level has no sector around it: there is nothing to mark.
    if (!sector->Parent) return;
    sector = sector->Parent;
    SelectInTree(e, sector);
  }
  ClearSelection(e);
  std::vector<TSector*> stack;
  for (auto it = sector->Children.rbegin(); it != sector->Children.rend(); ++it) stack.push_back(it->get());
  while (!stack.empty()) {
    TSector* n = stack.back();
    stack.pop_back();
    if (n->NodeType == kPolygon) {
      AddToSelection(e, n);
    } else if (n->NodeType == kSector) {
      for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it) stack.push_back(it->get());
    }
  }
  ComputeBounds(sector);
  if (!e.SelectionList.empty()) {
    SelectInTree(e, e.SelectionList.front());
    ShowNodeProperties(e, e.SelectionList.front());
  }
  e.Redraw();
}

}  // namespace qx

#pragma once
// Which nodes are selected: tree clicks, viewport clicks (the pick itself is
// done by the render layer and handed in), and "Alle Polygone markieren".
//
// The selection list grows as needed rather than stopping at 256 entries, so a
// big sector's polygons are all marked and all moved together.

#include <cstdint>
#include <functional>
#include <span>

#include "document/editor.h"

namespace qx {

struct Modifiers {
  bool shift = false;
  bool ctrl = false;
};

enum class MouseButton { kLeft, kRight, kOther };

// What a pick name stands for: a node, one vertex of a polygon or portal, or
// the start marker.
struct PickTarget {
  TSector* node = nullptr;
  bool is_vertex = false;
  int vertex_index = -1;
  bool is_start = false;
};

// Walks the tree in pre-order. Sectors are never found by id (they are picked in
// the tree), a polygon's or portal's vertex ids are; kStartPositionPickName
// (edit/start_position.h) is the start marker.
PickTarget FindById(const SceneTree& tree, uint32_t id);
// True if some polygon (not a portal) has a vertex with this id.
bool IsPolygonVertexId(const SceneTree& tree, uint32_t id);

// The GL select buffer holds this many values (8 hits of one name each).
inline constexpr size_t kSelectBufferSize = 32;

// Chooses the picked name from GL selection-mode hit records
// (name count, min depth, max depth, names...). hit_count is what leaving
// selection mode returned: 0 or negative (overflow) picks nothing. The nearest
// hit wins by unsigned minimum depth, ties keep the earlier one; a later hit that
// is a polygon vertex wins at once. Records reaching past the buffer are ignored.
uint32_t ResolvePickHits(int hit_count, std::span<const uint32_t> buffer,
                         const std::function<bool(uint32_t)>& is_polygon_vertex);
uint32_t ResolvePickHits(const SceneTree& tree, int hit_count, std::span<const uint32_t> buffer);

// Renders the pick pass at a viewport pixel and returns the chosen name, 0 for none.
using PickFunction = std::function<uint32_t(int x, int y)>;

// The vertex last clicked in vertex mode, or null when there is none (or its
// node lost that vertex since).
TVertex* CurrentVertex(const Editor& e);

// Makes node the tree's current node (no selection change by itself).
void SelectInTree(Editor& e, TSector* node);

// The selection has one truth: a node is listed at most once, and its Marked
// flag says whether it is. These keep that and announce the change.
void ClearSelection(Editor& e);
void AddToSelection(Editor& e, TSector* node);
void RemoveFromSelection(Editor& e, TSector* node);
bool IsSelected(const Editor& e, const TSector* node);
// The tree's current node becomes the only selected node; bounds, panel, redraw.
void TreeClick(Editor& e);
// A click in the viewport at (x, y).
void ClickSelect(Editor& e, int x, int y, Modifiers m, const PickFunction& pick);
// "Alle Polygone markieren": every polygon of the current node's sector and its
// sub-sectors, in tree order.
void MarkAllPolygons(Editor& e);

// Button state of the viewport, shared by clicks, drags and the camera.
}  // namespace qx

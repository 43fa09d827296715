#include "commands/flip_face.h"

#include <unordered_set>
#include <utility>

#include "scene/bounds.h"
#include "scene/polygon_data.h"

namespace qx {

void FlipFace(TSector* node) {
  if (!node) return;
  if (node->NodeType == kPolygon) {
    // The triangles (0, 1, 2) and (3, 2, 1) become (0, 2, 1) and (3, 1, 2):
    // the same area, run the other way round.
    if (node->Vertices.size() < 4) return;
    std::swap(node->Vertices[1], node->Vertices[2]);
  } else if (node->NodeType == kModel) {
    for (TTriangle& t : node->Triangles) std::swap(t.V1, t.V2);
  } else {
    return;
  }
  UpdatePolygonData(node);
  ComputeBounds(node);
}

void FlipSelectedFaces(Editor& e) {
  UndoStack::Step step(e.History, kFlipFaceCommand);
  bool changed = false;
  std::unordered_set<TSector*> done;  // a node listed twice turns once
  for (TSector* n : e.SelectionList) {
    if ((n->NodeType != kPolygon && n->NodeType != kModel) || !done.insert(n).second) continue;
    FlipFace(n);
    // The vertex last clicked keeps pointing at the same corner.
    if (n == e.CurrentVertexNode && n->NodeType == kPolygon &&
        (e.CurrentVertexIndex == 1 || e.CurrentVertexIndex == 2))
      e.CurrentVertexIndex = 3 - e.CurrentVertexIndex;
    // The corners change places with their ids: every kind of field moved.
    e.Changed(n, kChangeGeometry | kChangeAppearance | kChangeOther);
    changed = true;
  }
  if (changed) e.Redraw();
}

}  // namespace qx

#include "scene/polygon_data.h"

namespace qx {

namespace {
void SetTriangle(TSector* node, TTriangle& t, int a, int b, int c) {
  t.V0 = a;
  t.V1 = b;
  t.V2 = c;
  const Plane p =
      PlaneFromPoints(node->Vertices[a].Position, node->Vertices[b].Position, node->Vertices[c].Position);
  t.Normal = p.normal;
  t.Distance = p.distance;
}

bool IndexOk(const TSector* node, int32_t i) {
  return i >= 0 && static_cast<size_t>(i) < node->Vertices.size();
}
}  // namespace

void UpdatePolygonData(TSector* node) {
  if (!node) return;
  if (node->NodeType == kPolygon) {
    // A damaged node that lacks the quad's arrays is skipped, not read past.
    if (node->Kind != 0 || node->Vertices.size() < 4 || node->Triangles.size() < 2) return;
    SetTriangle(node, node->Triangles[0], 0, 1, 2);
    SetTriangle(node, node->Triangles[1], 3, 2, 1);
  } else if (node->NodeType == kModel) {
    const size_t n = std::min<size_t>(node->TriangleCount, node->Triangles.size());
    for (size_t i = 0; i < n; ++i) {
      TTriangle& t = node->Triangles[i];
      if (!IndexOk(node, t.V0) || !IndexOk(node, t.V1) || !IndexOk(node, t.V2)) continue;
      SetTriangle(node, t, t.V0, t.V1, t.V2);
    }
  }
}

}  // namespace qx

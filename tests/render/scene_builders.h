#pragma once
// Small scenes for render tests and benchmarks.

#include "lighting/polygon_data.h"
#include "scene/editor.h"

namespace qx::test {

// A square quad in the plane z = c.z, 2*half wide. `toward_plus_z`: its normal
// points to +z, so a camera on that side sees its front (counter-clockwise)
// face with culling on. Seen from the front, u = 1 is at the left edge and
// v = 1 at the top either way.
inline TSector* AddQuad(Editor& e, TSector* parent, Vector c, float half, bool toward_plus_z = true) {
  TSector* q = e.CreateNode(parent, kPolygon);
  q->Id = e.NextId();
  q->Visible = 1;
  q->ResizeVertices(4);
  q->ResizeTriangles(2);
  const float sx = toward_plus_z ? 1.0f : -1.0f;  // toward +z: the insert table's square
  const float xs[4] = {sx * half, -sx * half, sx * half, -sx * half};
  const float ys[4] = {half, half, -half, -half};
  const float u0 = toward_plus_z ? 0.0f : 1.0f;
  const float us[4] = {u0, 1 - u0, u0, 1 - u0}, vs[4] = {1, 1, 0, 0};
  for (int i = 0; i < 4; ++i) {
    TVertex& v = q->Vertices[i];
    v.Id = e.NextId();
    v.Position = {c.x + xs[i], c.y + ys[i], c.z};
    v.Color[0] = v.Color[1] = v.Color[2] = v.Color[3] = 1;
    v.TexCoord[0] = us[i];
    v.TexCoord[1] = vs[i];
  }
  UpdatePolygonData(q);
  ComputeBounds(q);
  return q;
}

inline TSector* AddPoint(Editor& e, TSector* parent, uint8_t type, Vector at) {
  TSector* n = e.CreateNode(parent, type);
  n->Id = e.NextId();
  n->Position = at;
  return n;
}

// A camera on the +z axis looking along -z, level.
inline void LookAlongMinusZ(Editor& e, float z = 100) {
  e.CameraPosition = {0, 0, z};
  e.CameraHeading = 180;
  e.CameraPitch = 0;
}

}  // namespace qx::test

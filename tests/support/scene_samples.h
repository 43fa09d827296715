#pragma once
// Scenes built node by node the way the insert commands build them, for the
// document and sector-file tests, fuzz seeds and benchmarks. Header-only so
// that benchmarks can use it without the test support library.

#include <string>

#include "document/editor.h"

namespace qx::test {

inline TSector* AddNode(Editor& e, TSector* parent, uint8_t type, const std::string& name = "") {
  TSector* n = e.CreateNode(parent, type);
  n->Id = e.NextId();
  if (!name.empty()) n->Name = name;
  return n;
}

inline TTriangle Corners(int32_t a, int32_t b, int32_t c) {
  TTriangle t;
  t.V0 = a;
  t.V1 = b;
  t.V2 = c;
  return t;
}

inline TSector* AddSector(Editor& e, TSector* parent = nullptr, const std::string& name = "") {
  TSector* s = AddNode(e, parent, kSector, name);
  s->Visible = 1;
  return s;
}

// The 60 x 60 square of the insert command, centred on c.
inline TSector* AddQuad(Editor& e, TSector* parent, Vector c, const std::string& name = "") {
  TSector* q = AddNode(e, parent, kPolygon, name);
  q->Visible = 1;
  q->ResizeVertices(4);
  q->ResizeTriangles(2);
  const float dx[4] = {30, -30, 30, -30}, dy[4] = {30, 30, -30, -30};
  const float u[4] = {1, 0, 1, 0}, v[4] = {1, 1, 0, 0};
  for (int i = 0; i < 4; ++i) {
    TVertex& vx = q->Vertices[i];
    vx.Position = {c.x + dx[i], c.y + dy[i], c.z};
    for (float& col : vx.Color) col = 1;
    vx.TexCoord[0] = u[i];
    vx.TexCoord[1] = v[i];
    vx.LightmapCoord[0] = 1 - u[i];
    vx.LightmapCoord[1] = 1 - v[i];
  }
  for (TVertex& vx : q->Vertices) vx.Id = e.NextId();
  q->Triangles[0] = Corners(0, 1, 2);
  q->Triangles[1] = Corners(3, 2, 1);
  return q;
}

// A quad with the given corners in the order of the square above (0 and 1 one
// edge, 2 and 3 the opposite one) and a square's texture coordinates.
inline TSector* AddQuadAt(Editor& e, TSector* parent, Vector p0, Vector p1, Vector p2, Vector p3) {
  TSector* q = AddQuad(e, parent, {});
  const Vector p[4] = {p0, p1, p2, p3};
  for (int i = 0; i < 4; ++i) q->Vertices[i].Position = p[i];
  return q;
}

// A wall on the line from (xa, za) to (xb, zb), from y0 up to y1, its front on
// the side from which the line runs left to right.
inline TSector* AddWall(Editor& e, TSector* parent, float xa, float za, float xb, float zb, float y0,
                        float y1) {
  return AddQuadAt(e, parent, {xb, y1, zb}, {xa, y1, za}, {xb, y0, zb}, {xa, y0, za});
}

inline TSector* AddPortal(Editor& e, TSector* parent, Vector c, TSector* linked = nullptr) {
  TSector* p = AddNode(e, parent, kPortal);
  p->ResizeVertices(4);
  const float dx[4] = {-20, 20, 20, -20}, dy[4] = {20, 20, -20, -20};
  for (int i = 0; i < 4; ++i) {
    p->Vertices[i].Position = {c.x + dx[i], c.y + dy[i], c.z};
    for (float& col : p->Vertices[i].Color) col = 1;
  }
  for (TVertex& vx : p->Vertices) vx.Id = e.NextId();
  if (linked) {
    p->LinkedSector = linked;
    p->LinkedSectorId = linked->Id;
    p->IsLinked = 1;
  }
  return p;
}

inline TSector* AddLight(Editor& e, TSector* parent, Vector at) {
  TSector* l = AddNode(e, parent, kLight);
  l->Position = at;
  l->Brightness = 30;
  l->Range = 30;
  l->Shadow = 1;
  l->Color[0] = l->Color[1] = l->Color[2] = 255;
  return l;
}

// A model of `vertices` vertices on a ring and `triangles` triangles over them.
inline TSector* AddModel(Editor& e, TSector* parent, Vector at, int vertices, int triangles) {
  TSector* m = AddNode(e, parent, kModel);
  m->Visible = 1;
  m->LightingMode = 1;
  m->Position = at;
  m->ResizeVertices(vertices);
  for (int i = 0; i < vertices; ++i) {
    TVertex& v = m->Vertices[i];
    v.Position = {at.x + float(i % 17), at.y + float(i % 5), at.z + float(i / 17)};
    v.Color[0] = v.Color[1] = v.Color[2] = v.Color[3] = 1;
    v.TexCoord[0] = float(i % 7) / 7.0f;
    v.TexCoord[1] = float(i % 3) / 3.0f;
    v.Id = e.NextId();
  }
  m->ResizeTriangles(triangles);
  for (int t = 0; t < triangles; ++t)
    m->Triangles[t] = Corners(t % vertices, (t + 1) % vertices, (t + 2) % vertices);
  return m;
}

inline TSector* AddPlaced(Editor& e, TSector* parent, uint8_t type, Vector at) {
  TSector* n = AddNode(e, parent, type);
  n->Position = at;
  return n;
}

}  // namespace qx::test

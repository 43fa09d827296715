#pragma once
// Closed rooms for the level check: floor, ceiling and walls, every face
// turned into the room, tiled or not, box-shaped or L-shaped, and two rooms
// joined by a doorway with a portal each way.

#include <vector>

#include "document/editor.h"
#include "scene/bounds.h"
#include "scene/polygon_data.h"

namespace qx::test {

// A quad from its corners in the editor's zig-zag order (v0, v1 on one edge,
// v2, v3 on the other).
inline TSector* AddCornerQuad(Editor& e, TSector* parent, Vector v0, Vector v1, Vector v2, Vector v3) {
  TSector* q = e.CreateNode(parent, kPolygon);
  q->Id = e.NextId();
  q->Visible = 1;
  q->ResizeVertices(4);
  q->ResizeTriangles(2);
  const Vector c[4] = {v0, v1, v2, v3};
  for (int i = 0; i < 4; ++i) {
    q->Vertices[size_t(i)].Id = e.NextId();
    q->Vertices[size_t(i)].Position = c[i];
  }
  UpdatePolygonData(q);
  return q;
}

// The rectangle o + a*u + b*v in nu x nv tiles, each facing `inside`.
inline void AddTiles(Editor& e, TSector* parent, Vector o, Vector u, Vector v, Vector inside, int nu = 1,
                     int nv = 1) {
  if (VectorDotD(VectorCross(u, v), VectorSubtract(inside, o)) < 0) {
    o = VectorAdd(o, u);
    u = VectorNegate(u);
  }
  auto at = [&](double a, double b) {
    return VectorSet(o.x + u.x * a + v.x * b, o.y + u.y * a + v.y * b, o.z + u.z * a + v.z * b);
  };
  for (int j = 0; j < nv; ++j)
    for (int i = 0; i < nu; ++i)
      AddCornerQuad(e, parent, at(double(i) / nu, double(j) / nv), at(double(i + 1) / nu, double(j) / nv),
                    at(double(i) / nu, double(j + 1) / nv), at(double(i + 1) / nu, double(j + 1) / nv));
}

inline TSector* AddRoomSector(Editor& e, const char* name, TSector* parent = nullptr) {
  TSector* s = e.CreateNode(parent, kSector);
  s->Id = e.NextId();
  s->Name = name;
  s->Visible = 1;
  return s;
}

// A box room [x0, x1] x [0, h] x [z0, z1] of `tiles` tiles per side, the walls in sub-sectors.
inline TSector* AddBoxRoom(Editor& e, const char* name, float x0, float x1, float z0, float z1, float h,
                           int tiles = 1) {
  TSector* room = AddRoomSector(e, name);
  const Vector inside{(x0 + x1) / 2, h / 2, (z0 + z1) / 2};
  AddTiles(e, AddRoomSector(e, "Boden", room), {x0, 0, z0}, {x1 - x0, 0, 0}, {0, 0, z1 - z0}, inside, tiles,
           tiles);
  AddTiles(e, AddRoomSector(e, "Decke", room), {x0, h, z0}, {x1 - x0, 0, 0}, {0, 0, z1 - z0}, inside, tiles,
           tiles);
  TSector* walls = AddRoomSector(e, "Wände", room);
  AddTiles(e, walls, {x0, 0, z0}, {x1 - x0, 0, 0}, {0, h, 0}, inside, tiles, 1);
  AddTiles(e, walls, {x0, 0, z1}, {x1 - x0, 0, 0}, {0, h, 0}, inside, tiles, 1);
  AddTiles(e, walls, {x0, 0, z0}, {0, 0, z1 - z0}, {0, h, 0}, inside, tiles, 1);
  AddTiles(e, walls, {x1, 0, z0}, {0, 0, z1 - z0}, {0, h, 0}, inside, tiles, 1);
  ComputeBounds(room);
  return room;
}

inline TSector* AddPointLight(Editor& e, TSector* parent, Vector at, float range = 100) {
  TSector* l = e.CreateNode(parent, kLight);
  l->Id = e.NextId();
  l->Position = at;
  l->Brightness = 30;
  l->Range = range;
  l->Shadow = 1;
  l->Color[0] = l->Color[1] = l->Color[2] = 255;
  return l;
}

inline TSector* AddPortalNode(Editor& e, TSector* parent, std::vector<Vector> corners,
                              TSector* to = nullptr) {
  TSector* p = e.CreateNode(parent, kPortal);
  p->Id = e.NextId();
  p->ResizeVertices(corners.size());
  for (size_t i = 0; i < corners.size(); ++i) {
    p->Vertices[i].Id = e.NextId();
    p->Vertices[i].Position = corners[i];
  }
  if (to) {
    p->LinkedSector = to;
    p->LinkedSectorId = to->Id;
    p->IsLinked = 1;
    p->Name = to->Name;
  }
  ComputeBounds(p);
  return p;
}

// An L-shaped room: [0, 200] x [0, 100] and [0, 100] x [100, 200] (x, z), 80 high.
inline TSector* AddLRoom(Editor& e) {
  TSector* room = AddRoomSector(e, "Winkel");
  const float h = 80;
  const float cells[3][2] = {{0, 0}, {100, 0}, {0, 100}};
  for (const auto& c : cells) {
    AddTiles(e, room, {c[0], 0, c[1]}, {100, 0, 0}, {0, 0, 100}, {c[0] + 50, h, c[1] + 50});
    AddTiles(e, room, {c[0], h, c[1]}, {100, 0, 0}, {0, 0, 100}, {c[0] + 50, 0, c[1] + 50});
  }
  // The walls round the L, each with a point inside next to it.
  struct Wall {
    Vector from, along, inside;
  };
  const Wall walls[] = {
      {{0, 0, 0}, {200, 0, 0}, {100, 40, 50}},     {{200, 0, 0}, {0, 0, 100}, {150, 40, 50}},
      {{100, 0, 100}, {100, 0, 0}, {150, 40, 50}}, {{100, 0, 100}, {0, 0, 100}, {50, 40, 150}},
      {{0, 0, 200}, {100, 0, 0}, {50, 40, 150}},   {{0, 0, 0}, {0, 0, 200}, {50, 40, 100}}};
  for (const Wall& w : walls) AddTiles(e, room, w.from, w.along, {0, h, 0}, w.inside, 2, 1);
  AddPointLight(e, room, {50, 40, 50});
  ComputeBounds(room);
  return room;
}

// Two box rooms side by side, "Links" [0, 200] and "Rechts" [200, 400] in x,
// with portals each way in the plane x = 200 (the wall there stays closed:
// the check reads the portals, not an opening). A light in each, the start
// position in the left one.
struct TwoRooms {
  TSector* left = nullptr;
  TSector* right = nullptr;
  TSector* there = nullptr;  // the left room's portal, to the right
  TSector* back = nullptr;   // the right room's portal, to the left
};

inline TwoRooms BuildTwoRooms(Editor& e, bool with_return = true) {
  e.NewScene();
  TwoRooms r;
  r.left = AddBoxRoom(e, "Links", 0, 200, 0, 200, 100, 2);
  r.right = AddBoxRoom(e, "Rechts", 200, 400, 0, 200, 100, 2);
  AddPointLight(e, r.left, {100, 50, 100});
  AddPointLight(e, r.right, {300, 50, 100});
  const std::vector<Vector> door = {{200, 80, 80}, {200, 80, 120}, {200, 0, 120}, {200, 0, 80}};
  r.there = AddPortalNode(e, r.left, door, r.right);
  if (with_return) r.back = AddPortalNode(e, r.right, {door[3], door[2], door[1], door[0]}, r.left);
  for (const auto& top : e.Tree.TopLevel()) ComputeBounds(top.get());
  e.RaiseIdCounterToTree();
  e.StartPosition = {100, 10, 100};
  e.ChangedStartPosition();
  return r;
}

}  // namespace qx::test

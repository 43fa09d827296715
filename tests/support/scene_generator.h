#pragma once
// Builds scenes for the lighting tests and the bake benchmark: quads in the
// editor's zig-zag vertex order, models, lights, and rooms full of them.

#include <cmath>
#include <cstdint>
#include <random>

#include "document/editor.h"

namespace qx::test {

// A quad centred at c spanning c +- a +- b; its normal points along a x b.
inline TSector* AddQuad(Editor& e, TSector* parent, Vector c, Vector a, Vector b) {
  TSector* q = e.CreateNode(parent, kPolygon);
  q->Id = e.NextId();
  q->Visible = 1;
  q->ResizeVertices(4);
  q->ResizeTriangles(2);
  const float sa[4] = {1, -1, 1, -1}, sb[4] = {1, 1, -1, -1};
  for (int i = 0; i < 4; ++i) {
    TVertex& v = q->Vertices[i];
    v.Id = e.NextId();
    v.Position = {c.x + sa[i] * a.x + sb[i] * b.x, c.y + sa[i] * a.y + sb[i] * b.y,
                  c.z + sa[i] * a.z + sb[i] * b.z};
    for (float& k : v.Color) k = 1;
    v.TexCoord[0] = sa[i] > 0 ? 1.0f : 0.0f;
    v.TexCoord[1] = sb[i] > 0 ? 1.0f : 0.0f;
  }
  return q;
}

inline TSector* AddLight(Editor& e, TSector* parent, Vector position, uint8_t kind, uint8_t shadow,
                         Vector color = {255, 255, 255}, float brightness = 30, float range = 30) {
  TSector* l = e.CreateNode(parent, kLight);
  l->Id = e.NextId();
  l->Position = position;
  l->Kind = kind;
  l->Shadow = shadow;
  l->Color[0] = color.x;
  l->Color[1] = color.y;
  l->Color[2] = color.z;
  l->Brightness = brightness;
  l->Range = range;
  return l;
}

// A model node with the given corner positions, three per triangle, sharing
// vertices where positions repeat.
inline TSector* AddModel(Editor& e, TSector* parent, const std::vector<Vector>& corners, uint8_t mode) {
  TSector* m = e.CreateNode(parent, kModel);
  m->Id = e.NextId();
  m->Visible = 1;
  m->LightingMode = mode;
  std::vector<Vector> unique;
  std::vector<int32_t> index;
  for (const Vector& p : corners) {
    size_t k = 0;
    while (k < unique.size() && !(unique[k] == p)) ++k;
    if (k == unique.size()) unique.push_back(p);
    index.push_back(static_cast<int32_t>(k));
  }
  m->ResizeVertices(unique.size());
  for (size_t k = 0; k < unique.size(); ++k) {
    m->Vertices[k].Id = e.NextId();
    m->Vertices[k].Position = unique[k];
    for (float& c : m->Vertices[k].Color) c = 1;
  }
  m->ResizeTriangles(corners.size() / 3);
  for (size_t t = 0; t < corners.size() / 3; ++t) {
    m->Triangles[t].V0 = index[3 * t];
    m->Triangles[t].V1 = index[3 * t + 1];
    m->Triangles[t].V2 = index[3 * t + 2];
  }
  return m;
}

// Small scenes that hit the awkward cases: coplanar neighbours, lights on
// planes and behind them, 45-degree walls, thin and zero-area triangles,
// hidden and non-shadowing nodes, every lighting mode and both light kinds.
inline void BuildRandomScene(Editor& e, uint32_t seed, int quads = 14, int lights = 5) {
  std::mt19937 rng(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto grid = [&](int lo, int hi) { return 10.0f * pick(lo, hi); };
  auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  TSector* room = e.CreateNode(nullptr, kSector);
  room->Id = e.NextId();
  room->Visible = 1;
  TSector* inner = e.CreateNode(room, kSector);
  inner->Id = e.NextId();
  inner->Visible = 1;
  for (int i = 0; i < quads; ++i) {
    TSector* parent = pick(0, 3) == 0 ? inner : room;
    const Vector c = {grid(-4, 4), grid(-2, 4), grid(-4, 4)};
    TSector* q = nullptr;
    switch (pick(0, 6)) {
      case 0:  // floor tile on the shared plane y = 0: coplanar neighbours
        q = AddQuad(e, parent, {grid(-3, 3) * 2, 0, grid(-3, 3) * 2}, {0, 0, 10}, {10, 0, 0});
        break;
      case 1:  // wall facing +z or -z
        q = AddQuad(e, parent, c, {real(5, 30), 0, 0}, {0, real(5, 30), 0});
        if (pick(0, 1)) q = AddQuad(e, parent, c, {0, real(5, 30), 0}, {real(5, 30), 0, 0});
        break;
      case 2:  // 45 degree wall: |n.x| == |n.z|
        q = AddQuad(e, parent, c, {20, 0, 20}, {0, 20, 0});
        break;
      case 3: {  // arbitrary orientation
        const Vector a = {real(-20, 20), real(-20, 20), real(-20, 20)};
        const Vector b = {real(-20, 20), real(-20, 20), real(-20, 20)};
        q = AddQuad(e, parent, c, a, b);
        break;
      }
      case 4:  // occluder hanging between floor and lights
        q = AddQuad(e, parent, {c.x, grid(1, 3), c.z}, {0, 0, real(3, 15)}, {real(3, 15), 0, 0});
        break;
      case 5:  // non-planar quad
        q = AddQuad(e, parent, c, {20, 0, 0}, {0, 20, 0});
        q->Vertices[3].Position.z += real(-10, 10);
        break;
      default: {  // model: a fan with a thin sliver and a zero-area triangle
        const Vector p = c;
        std::vector<Vector> corners = {p, {p.x + 20, p.y, p.z},         {p.x, p.y + 20, p.z},
                                       p, {p.x, p.y + 20, p.z},         {p.x - 20, p.y + 5, p.z + 10},
                                       p, {p.x + 40, p.y + 0.01f, p.z}, {p.x - 40, p.y, p.z},
                                       p, {p.x + 10, p.y, p.z},         {p.x + 20, p.y, p.z}};
        q = AddModel(e, parent, corners, pick(0, 3) == 0 ? 1 : 0);
        break;
      }
    }
    const int flags = pick(0, 9);
    if (flags == 0) q->Visible = 0;
    if (flags == 1) q->NoShadow = 1;
    if (flags == 2) q->LightingMode = 1;
    if (flags == 3) q->LightingMode = 2;
  }
  for (int i = 0; i < lights; ++i) {
    Vector p = {real(-50, 50), real(-10, 60), real(-50, 50)};
    switch (pick(0, 4)) {
      case 0:
        p.y = 0;
        break;  // on the floor plane
      case 1:
        p = {grid(-4, 4), grid(0, 5), grid(-4, 4)};
        break;  // on grid planes
      case 2:
        p.y = -real(1, 20);
        break;  // below the floor
      default:
        break;
    }
    const Vector color = {real(0, 255), real(0, 255), pick(0, 5) == 0 ? -real(0, 50) : real(0, 255)};
    AddLight(e, pick(0, 1) ? room : inner, p, pick(0, 3) == 0 ? 1 : 0, pick(0, 2) > 0, color, real(5, 80),
             real(5, 80));
  }
}

// The benchmark level: rooms of 60-unit tiles (floor, ceiling, four walls)
// with two pillars standing in each, laid out on a grid (72 quads a room), and
// `lights` lights spread over the rooms: every second one casts shadows,
// every fourth is directional.
inline void BuildRoomLevel(Editor& e, int rooms, int lights) {
  const float tile = 60, half = tile / 2;
  const int n = 4;              // tiles per side of a room
  const float side = n * tile;  // 240
  const int across = static_cast<int>(std::ceil(std::sqrt(double(rooms))));
  std::mt19937 rng(1234);
  auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  std::vector<TSector*> room_nodes;
  std::vector<Vector> origins;
  for (int r = 0; r < rooms; ++r) {
    TSector* room = e.CreateNode(nullptr, kSector);
    room->Id = e.NextId();
    room->Visible = 1;
    const float x0 = (r % across) * (side + 40), z0 = (r / across) * (side + 40);
    room_nodes.push_back(room);
    origins.push_back({x0, 0, z0});
    const float height = 2 * tile;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        const float cx = x0 + half + i * tile, cz = z0 + half + j * tile;
        AddQuad(e, room, {cx, 0, cz}, {0, 0, half}, {half, 0, 0});       // floor, facing up
        AddQuad(e, room, {cx, height, cz}, {half, 0, 0}, {0, 0, half});  // ceiling, facing down
      }
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < 2; ++k) {
        const float along = half + i * tile, y = half + k * tile;
        AddQuad(e, room, {x0 + along, y, z0}, {half, 0, 0}, {0, half, 0});         // faces +z
        AddQuad(e, room, {x0 + along, y, z0 + side}, {0, half, 0}, {half, 0, 0});  // faces -z
        AddQuad(e, room, {x0, y, z0 + along}, {0, half, 0}, {0, 0, half});         // faces +x
        AddQuad(e, room, {x0 + side, y, z0 + along}, {0, 0, half}, {0, half, 0});  // faces -x
      }
    for (int p = 0; p < 2; ++p) {  // pillars: four sides of 20 x 80
      const float px = x0 + real(50, side - 50), pz = z0 + real(50, side - 50), w = 10, h = 40;
      AddQuad(e, room, {px, h, pz + w}, {w, 0, 0}, {0, h, 0});
      AddQuad(e, room, {px, h, pz - w}, {0, h, 0}, {w, 0, 0});
      AddQuad(e, room, {px + w, h, pz}, {0, h, 0}, {0, 0, w});
      AddQuad(e, room, {px - w, h, pz}, {0, 0, w}, {0, h, 0});
    }
  }
  for (int l = 0; l < lights; ++l) {
    const int r = l % rooms;
    const Vector pos = {origins[r].x + real(30, side - 30), real(60, 100),
                        origins[r].z + real(30, side - 30)};
    AddLight(e, room_nodes[r], pos, l % 4 == 3 ? 1 : 0, l % 2, {real(100, 255), real(100, 255), 255}, 60, 60);
  }
}

}  // namespace qx::test

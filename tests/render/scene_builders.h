#pragma once
// Small scenes for render tests and benchmarks.

#include <cmath>
#include <random>
#include <utility>

#include "document/editor.h"
#include "scene/polygon_data.h"

namespace qx::test {

// A square quad in the plane z = c.z, 2*half wide. `toward_plus_z`: its front
// (the side its normal points to) is seen from +z, so a camera on that side
// sees it with culling on.
inline TSector* AddQuad(Editor& e, TSector* parent, Vector c, float half, bool toward_plus_z = true) {
  TSector* q = e.CreateNode(parent, kPolygon);
  q->Id = e.NextId();
  q->Visible = 1;
  q->ResizeVertices(4);
  q->ResizeTriangles(2);
  const float sx = toward_plus_z ? -1.0f : 1.0f;  // mirrors the insert table's square
  const float xs[4] = {sx * half, -sx * half, sx * half, -sx * half};
  const float ys[4] = {half, half, -half, -half};
  const float us[4] = {1, 0, 1, 0}, vs[4] = {1, 1, 0, 0};
  for (int i = 0; i < 4; ++i) {
    TVertex& v = q->Vertices[i];
    v.Id = e.NextId();
    v.Position = {c.x + xs[i], c.y + ys[i], c.z};
    v.Color[0] = v.Color[1] = v.Color[2] = v.Color[3] = 1;
    v.TexCoord[0] = us[i];
    v.TexCoord[1] = vs[i];
  }
  // Corners 1 and 2 change places: the same corners and texture coordinates,
  // run the other way round, so the normal points to the side named.
  std::swap(q->Vertices[1], q->Vertices[2]);
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

// Rooms of quads at random angles with textures, lights, portals, actors,
// checkpoints, a model and selected nodes with vertex spheres.
inline void BuildMixedScene(Editor& e, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> pos(-120, 120), angle(0, 6.28f);
  e.NewScene();
  e.CameraPosition = {10, 90, 220};
  e.CameraHeading = 185;
  e.CameraPitch = -40;
  e.StartPosition = {5, 0, -5};
  for (int r = 0; r < 4; ++r) {
    TSector* room = e.CreateNode(nullptr, kSector);
    room->Id = e.NextId();
    for (int i = 0; i < 25; ++i) {
      TSector* q = AddQuad(e, room, {pos(rng), pos(rng) / 3 + 30, pos(rng)}, 8 + float(i % 5) * 4, rng() % 2);
      // Turn it about y by a random angle so faces meet at all kinds of slopes.
      const float a = angle(rng);
      const Vector c = q->Vertices[0].Position;
      for (TVertex& v : q->Vertices) {
        const float dx = v.Position.x - c.x, dz = v.Position.z - c.z;
        v.Position.x = c.x + dx * std::cos(a) - dz * std::sin(a);
        v.Position.z = c.z + dx * std::sin(a) + dz * std::cos(a);
      }
      UpdatePolygonData(q);
      q->TextureIndex = static_cast<uint16_t>(rng() % 4);
      q->LightingMode = static_cast<uint8_t>(rng() % 3);
      q->Visible = rng() % 7 != 0;
      q->Marked = rng() % 9 == 0;
      for (TVertex& v : q->Vertices) {
        v.Color[0] = float(rng() % 256) / 255, v.Color[1] = float(rng() % 256) / 255, v.Color[2] = 0.5f;
        v.Marked = rng() % 2;
      }
      if (rng() % 3 == 0) {
        q->Triangles[0].LightmapTexture = 100;  // replaced by a real name below
        q->Triangles[1].LightmapTexture = 101;
      }
    }
    TSector* light = AddPoint(e, room, kLight, {pos(rng), 40, pos(rng)});
    light->Color[0] = 255, light->Color[1] = 200, light->Color[2] = 40;
    light->Marked = r == 1;
    TSector* actor = AddPoint(e, room, kActor, {pos(rng), 10, pos(rng)});
    actor->Heading = 40.0f * r;
    AddPoint(e, room, kParticleSystem, {pos(rng), 20, pos(rng)});
    TSector* cp = AddPoint(e, room, kCheckpoint, {pos(rng), 5, pos(rng)});
    cp->Marked = r == 2;
    TSector* portal = e.CreateNode(room, kPortal);
    portal->Id = e.NextId();
    portal->ResizeVertices(4);
    const Vector p{pos(rng), 20, pos(rng)};
    const Vector corners[4] = {{p.x - 15, p.y + 15, p.z},
                               {p.x + 15, p.y + 15, p.z},
                               {p.x + 15, p.y - 15, p.z},
                               {p.x - 15, p.y - 15, p.z}};
    for (int i = 0; i < 4; ++i)
      portal->Vertices[i].Position = corners[i], portal->Vertices[i].Id = e.NextId();
    portal->Marked = r % 2;
    ComputeBounds(room);
    room->Marked = r == 3;
  }
  TSector* model = e.CreateNode(e.Tree.First(), kModel);
  model->Id = e.NextId();
  model->ResizeVertices(30);
  for (int i = 0; i < 30; ++i)
    model->Vertices[i].Position = {30 * std::cos(i * 0.4f), float(i), 30 * std::sin(i * 0.4f)},
    model->Vertices[i].Id = e.NextId();
  model->ResizeTriangles(28);
  for (int t = 0; t < 28; ++t)
    model->Triangles[t].V0 = t, model->Triangles[t].V1 = t + 1, model->Triangles[t].V2 = t + 2;
  model->Marked = 1;
  ComputeBounds(model);
}

}  // namespace qx::test

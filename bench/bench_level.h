#pragma once
// The drawing benchmark's level: rooms of 100 textured quads (a floor of 8 x 8
// and four walls of 3 x 3, all facing into the room), one sector and one light
// each, on a grid; the camera at a corner above the walls, looking across.
// Built by make_bench_level into files and by render_gui_bench in process.

#include <cmath>

#include "cli/demo_level.h"
#include "document/editor.h"
#include "scene/bounds.h"
#include "scene/polygon_data.h"

namespace qx::bench {

inline constexpr float kRoomCell = 20;  // floor quads are this wide
inline constexpr int kRoomFloor = 8;    // floor quads along a side
inline constexpr float kRoomSide = kRoomCell * kRoomFloor;
inline constexpr float kRoomWallQuad = kRoomSide / 3;  // walls: 3 x 3 quads
inline constexpr float kRoomWallHeight = 60;

// A quad at o spanned by a and b; its normal points along b x a.
inline TSector* AddBenchQuad(Editor& e, TSector* room, Vector o, Vector a, Vector b, uint16_t texture) {
  TSector* q = e.CreateNode(room, kPolygon);
  q->Id = e.NextId();
  q->Visible = 1;
  q->LightingMode = 0;
  q->TextureIndex = texture;
  q->ResizeVertices(4);
  q->ResizeTriangles(2);
  const Vector corners[4] = {o, VectorAdd(o, b), VectorAdd(o, a), VectorAdd(VectorAdd(o, a), b)};
  for (int i = 0; i < 4; ++i) {
    TVertex& v = q->Vertices[size_t(i)];
    v.Id = e.NextId();
    v.Position = corners[i];
    for (float& c : v.Color) c = 1;
    v.TexCoord[0] = float(i >> 1);
    v.TexCoord[1] = float(i & 1);
  }
  UpdatePolygonData(q);
  return q;
}

inline void BuildBenchLevel(Editor& e, int rooms = 500, int columns = 25) {
  e.NewScene();
  e.Textures.ReplaceAll(DemoTextures());
  const float h = kRoomWallHeight / 3;
  for (int r = 0; r < rooms; ++r) {
    TSector* room = e.CreateNode(nullptr, kSector);
    room->Id = e.NextId();
    room->Name = "Raum " + std::to_string(r + 1);
    const float x0 = float(r % columns) * (kRoomSide + 40), z0 = float(r / columns) * (kRoomSide + 40);
    const uint16_t floor_texture = uint16_t(r % 5), wall_texture = uint16_t((r + 2) % 5);
    for (int i = 0; i < kRoomFloor; ++i)
      for (int j = 0; j < kRoomFloor; ++j)
        AddBenchQuad(e, room, {x0 + i * kRoomCell, 0, z0 + j * kRoomCell}, {kRoomCell, 0, 0},
                     {0, 0, kRoomCell}, floor_texture);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        const float along = i * kRoomWallQuad, up = j * h;
        const float x1 = x0 + kRoomSide, z1 = z0 + kRoomSide;
        AddBenchQuad(e, room, {x0 + along, up, z0}, {0, h, 0}, {kRoomWallQuad, 0, 0}, wall_texture);
        AddBenchQuad(e, room, {x0 + along, up, z1}, {kRoomWallQuad, 0, 0}, {0, h, 0}, wall_texture);
        AddBenchQuad(e, room, {x0, up, z0 + along}, {0, 0, kRoomWallQuad}, {0, h, 0}, wall_texture);
        AddBenchQuad(e, room, {x1, up, z0 + along}, {0, h, 0}, {0, 0, kRoomWallQuad}, wall_texture);
      }
    TSector* light = e.CreateNode(room, kLight);
    light->Id = e.NextId();
    light->Position = {x0 + kRoomSide / 2, 40, z0 + kRoomSide / 2};
    light->Color[0] = 255, light->Color[1] = 240, light->Color[2] = 200;
    light->Brightness = 100;
    light->Range = 100;
    light->Shadow = 0;
    ComputeBounds(room);
  }
  // Above the walls at the level's corner, looking across it diagonally.
  e.CameraPosition = {-120, 160, -120};
  e.CameraHeading = 45;
  e.CameraPitch = -25;
}

// In the room in the middle of the level, at eye height, looking along its row.
inline void StandInLevel(Editor& e, int rooms = 500, int columns = 25) {
  const int r = rooms / 2 + columns / 2;
  const float x0 = float(r % columns) * (kRoomSide + 40), z0 = float(r / columns) * (kRoomSide + 40);
  e.CameraPosition = {x0 + 20, 30, z0 + kRoomSide / 2};
  e.CameraHeading = 90;
  e.CameraPitch = -5;
}

}  // namespace qx::bench

#include "cli/demo_level.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "commands/room_commands.h"
#include "commands/texture_projection.h"
#include "scene/bounds.h"
#include "scene/bytes.h"
#include "scene/cp1252.h"
#include "scene/polygon_data.h"

namespace qx {

namespace {

constexpr int kTextureSize = 64;

// A deterministic hash noise in 0..1 (the textures look the same on every machine).
double Noise(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xffff) / 65535.0;
}

uint8_t Byte(double v) {
  return static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

RgbImage Paint(const std::function<void(int x, int y, double rgb[3])>& texel) {
  RgbImage img;
  img.width = img.height = kTextureSize;
  img.rgb.resize(static_cast<size_t>(kTextureSize) * kTextureSize * 3);
  for (int y = 0; y < kTextureSize; ++y)
    for (int x = 0; x < kTextureSize; ++x) {
      double c[3];
      texel(x, y, c);
      uint8_t* p = img.rgb.data() + (static_cast<size_t>(y) * kTextureSize + x) * 3;
      for (int i = 0; i < 3; ++i) p[i] = Byte(c[i]);
    }
  return img;
}

RgbImage Stone() {
  // Blocks of 32 x 16 texels in offset rows, grey-brown, with dark joints.
  return Paint([](int x, int y, double c[3]) {
    const int row = y / 16;
    const int xs = (x + (row % 2) * 16) % kTextureSize;
    const bool joint = y % 16 < 2 || xs % 32 < 2;
    const double block = Noise(static_cast<uint32_t>(xs / 32), static_cast<uint32_t>(row), 1) * 30;
    const double grain = Noise(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 2) * 24;
    const double base = joint ? 70 : 140 + block + grain;
    c[0] = base + 8, c[1] = base, c[2] = base - 12;
  });
}

RgbImage Wood() {
  // Planks along x with wavy grain.
  return Paint([](int x, int y, double c[3]) {
    const int plank = y / 16;
    const bool gap = y % 16 == 0;
    const double wave = std::sin((x + plank * 23) * 0.35 + std::sin(y * 0.9) * 1.5) * 14;
    const double tone = Noise(static_cast<uint32_t>(plank), 7, 3) * 30;
    const double base =
        gap ? 50 : 120 + wave + tone + Noise(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 4) * 10;
    c[0] = base + 40, c[1] = base * 0.75 + 10, c[2] = base * 0.45;
  });
}

RgbImage Tiles() {
  // Four tiles in two colours with light grout.
  return Paint([](int x, int y, double c[3]) {
    const bool grout = x % 32 < 2 || y % 32 < 2;
    const bool dark = ((x / 32) + (y / 32)) % 2 == 1;
    const double n = Noise(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 5) * 12;
    if (grout) {
      c[0] = c[1] = c[2] = 200;
    } else if (dark) {
      c[0] = 60 + n, c[1] = 80 + n, c[2] = 110 + n;
    } else {
      c[0] = 210 + n, c[1] = 205 + n, c[2] = 190 + n;
    }
  });
}

RgbImage Plaster() {
  return Paint([](int x, int y, double c[3]) {
    const double n = Noise(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 6) * 18 +
                     Noise(static_cast<uint32_t>(x / 4), static_cast<uint32_t>(y / 4), 7) * 22;
    c[0] = 205 + n, c[1] = 195 + n, c[2] = 175 + n;
  });
}

RgbImage Metal() {
  // Brushed plates with rivets.
  return Paint([](int x, int y, double c[3]) {
    const double brush = Noise(0, static_cast<uint32_t>(y), 8) * 25;
    const int cx = x % 32 - 4, cy = y % 32 - 4;
    const bool rivet = cx * cx + cy * cy <= 4;
    const bool seam = x % 32 == 31 || y % 32 == 31;
    const double base = rivet ? 210 : seam ? 60 : 120 + brush;
    c[0] = base, c[1] = base + 5, c[2] = base + 12;
  });
}

// Adds polygons and nodes to the editor with fresh ids and default records.
class Builder {
 public:
  explicit Builder(Editor& e) : e_(e) {}

  TSector* Part(TSector* parent, const char* name) {
    TSector* s = e_.CreateNode(parent, kSector);
    s->Id = e_.NextId();
    s->Name = Utf8ToCp1252(name);
    s->Visible = 1;
    return s;
  }

  // The rectangle origin + a*u + b*v (0 <= a, b <= 1) in tiles of about 40
  // units, textured in world-aligned coordinates, its front face (the one
  // its normal points to, which the baker lights) turned towards `inside`.
  void Rect(TSector* parent, const char* name, Vector origin, Vector u, Vector v, uint16_t texture,
            Vector inside) {
    const Vector n = VectorCross(u, v);
    if (VectorDotD(n, VectorSubtract(inside, origin)) < 0) {  // the normal must point to the viewer
      origin = VectorAdd(origin, u);
      u = VectorNegate(u);
    }
    const int nu = std::max(1, static_cast<int>(std::lround(VectorLengthD(u) / 40)));
    const int nv = std::max(1, static_cast<int>(std::lround(VectorLengthD(v) / 40)));
    auto at = [&](double a, double b) {
      return VectorSet(origin.x + u.x * a + v.x * b, origin.y + u.y * a + v.y * b,
                       origin.z + u.z * a + v.z * b);
    };
    for (int j = 0; j < nv; ++j)
      for (int i = 0; i < nu; ++i) {
        TSector* q = e_.CreateNode(parent, kPolygon);
        q->Id = e_.NextId();
        q->Name = Utf8ToCp1252(name);
        q->Visible = 1;
        q->LightingMode = 0;  // lightmapped, so that it casts and takes shadows
        q->TextureIndex = texture;
        q->ResizeVertices(4);
        q->ResizeTriangles(2);
        // v0, v1 on one edge, v2, v3 on the other: triangles (v0, v1, v2) and (v3, v2, v1).
        const int corner[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
        for (int k = 0; k < 4; ++k) {
          TVertex& vx = q->Vertices[k];
          vx.Id = e_.NextId();
          vx.Position = at(double(i + corner[k][0]) / nu, double(j + corner[k][1]) / nv);
          vx.Color[0] = vx.Color[1] = vx.Color[2] = vx.Color[3] = 1;
        }
        UpdatePolygonData(q);
        ProjectTextureCoordinates(*q);
      }
  }

  // An upright rectangle in the plane z = `z` from x = `a` to `b`, 0 to `height` up.
  void Wall(TSector* s, float z, float a, float b, float height, uint16_t texture, Vector inside) {
    Rect(s, "Wand", {a, 0, z}, {b - a, 0, 0}, {0, height, 0}, texture, inside);
  }

  TSector* Point(TSector* s, uint8_t type, Vector at) {
    TSector* n = e_.CreateNode(s, type);
    n->Id = e_.NextId();
    n->Position = at;
    return n;
  }

  TSector* Light(TSector* s, Vector at, float r, float g, float b, float brightness, float range) {
    TSector* l = Point(s, kLight, at);
    l->Color[0] = r, l->Color[1] = g, l->Color[2] = b;
    l->Brightness = brightness;
    l->Range = range;
    l->Shadow = 1;  // as a new light: only the faces turned towards it are lit
    return l;
  }

 private:
  Editor& e_;
};

}  // namespace

std::vector<TTexNode> DemoTextures() {
  const struct {
    const char* name;
    RgbImage (*paint)();
    int32_t id;
  } kTextures[] = {{"stein", Stone, 1001},
                   {"holz", Wood, 1002},
                   {"fliesen", Tiles, 1003},
                   {"putz", Plaster, 1004},
                   {"metall", Metal, 1005}};
  std::vector<TTexNode> out;
  for (const auto& t : kTextures) out.push_back(MakeTexNode(t.id, t.name, EncodeBmp24(t.paint())));
  return out;
}

namespace {

// The wall quad of `room` in the plane z = `z` whose lower edge spans x0..x1 at the floor.
TSector* WallTile(TSector* room, float z, float x0, float x1) {
  for (const auto& c : room->Children) {
    if (c->NodeType != kPolygon) continue;
    bool match = true;
    float lo = 1e9f, hi = -1e9f, low_y = 1e9f;
    for (const TVertex& v : c->Vertices) {
      match = match && v.Position.z == z;
      lo = std::min(lo, v.Position.x), hi = std::max(hi, v.Position.x), low_y = std::min(low_y, v.Position.y);
    }
    if (match && lo == x0 && hi == x1 && low_y == 0) return c.get();
  }
  return nullptr;
}

// A room of the plan drawn with the room command, renamed, with its floor and
// ceiling given textures of their own.
TSector* DemoRoom(Editor& e, const char* name, std::vector<PlanPoint> outline, uint16_t walls, uint16_t floor,
                  uint16_t ceiling) {
  RoomPlan plan;
  plan.outline = std::move(outline);
  plan.height = 120;
  plan.tile = 60;  // lightmap texels of one size everywhere; a door 40 x 60 fits a wall tile
  plan.texture = walls;
  TSector* room = BuildRoom(e, nullptr, plan, nullptr);
  e.Tree.Rename(room, Utf8ToCp1252(name));
  for (const auto& c : room->Children) {
    if (c->Name == kFloorName) c->TextureIndex = floor;
    if (c->Name == kCeilingName) c->TextureIndex = ceiling;
  }
  return room;
}

void Tint(TSector* room, float r, float g, float b) {
  for (const auto& c : room->Children)
    if (c->NodeType == kLight) c->Color[0] = r, c->Color[1] = g, c->Color[2] = b;
}

}  // namespace

void BuildDemoScene(Editor& e) {
  e.NewScene();
  Builder b(e);

  // Three rooms drawn as plans, 120 high, in tiles of 60: the hall with one
  // corner cut off, the corridor, the chamber.
  TSector* hall = DemoRoom(e, "Halle", {{-120, -120}, {120, -120}, {120, 60}, {60, 120}, {-120, 120}}, kStone,
                           kTiles, kPlaster);
  TSector* corridor =
      DemoRoom(e, "Gang", {{0, -300}, {60, -300}, {60, -120}, {0, -120}}, kPlaster, kWood, kWood);
  TSector* chamber =
      DemoRoom(e, "Kammer", {{-60, -480}, {120, -480}, {120, -300}, {-60, -300}}, kMetal, kStone, kPlaster);
  Tint(hall, 255, 236, 200);
  Tint(corridor, 170, 200, 255);

  // Doorways through the walls that stand back to back, with linked portals.
  const DoorPlan door{40, 60, 10.f};
  CutDoorwayIn(e, WallTile(hall, -120, 0, 60), door, 20, nullptr);
  CutDoorwayIn(e, WallTile(corridor, -300, 0, 60), door, 20, nullptr);

  // A raised platform in the chamber that casts a shadow.
  TSector* platform = b.Part(chamber, "Podest");
  b.Rect(platform, "Podest", {-20, 20, -460}, {80, 0, 0}, {0, 0, 60}, kMetal, {20, 100, -430});
  b.Wall(platform, -400, -20, 60, 20, kMetal, {20, 10, -300});

  b.Light(hall, {-90, 50, 90}, 255, 150, 60, 60, 80);
  b.Light(chamber, {-40, 40, -460}, 255, 60, 40, 50, 70);
  b.Point(chamber, kParticleSystem, {100, 20, -460});
  TSector* actor = b.Point(hall, kActor, {-60, 0, -40});
  actor->Heading = 45;
  b.Point(chamber, kCheckpoint, {30, 40, -330});

  for (const auto& top : e.Tree.TopLevel()) ComputeBounds(top.get());
  e.RaiseIdCounterToTree();
  e.StartPosition = {0, 10, 60};
  // Beside the level to the east and above it, looking down across all three rooms.
  e.CameraPosition = {370, 520, -180};
  e.CameraHeading = 270;
  e.CameraPitch = -90;
}

}  // namespace qx

#include "cli/demo_level.h"

#include <algorithm>
#include <cmath>
#include <functional>

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

  TSector* Sector(const char* name) {
    TSector* s = e_.CreateNode(nullptr, kSector);
    s->Id = e_.NextId();
    s->Name = Utf8ToCp1252(name);
    s->Visible = 1;
    return s;
  }

  // The rectangle origin + a*u + b*v (0 <= a, b <= 1) in tiles of about 40
  // units, each tile one quad with the whole texture, its front face (the one
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
        q->LightingMode = 1;  // vertex colours: they are stored in the document
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
          vx.TexCoord[0] = static_cast<float>(corner[k][0]);
          vx.TexCoord[1] = static_cast<float>(corner[k][1]);
        }
        UpdatePolygonData(q);
      }
  }

  // A wall in the plane z = z0 (u along x) or x = x0 (u along z), from `a` to
  // `b` along the wall and 0 to height up, with an optional door [d0, d1] x [0, door_h].
  void Wall(TSector* s, bool along_x, float fixed, float a, float b, float height, uint16_t texture,
            Vector inside, float d0 = 0, float d1 = 0, float door_h = 0) {
    auto piece = [&](float from, float to, float y0, float y1) {
      if (to <= from || y1 <= y0) return;
      const Vector o = along_x ? Vector{from, y0, fixed} : Vector{fixed, y0, from};
      const Vector u = along_x ? Vector{to - from, 0, 0} : Vector{0, 0, to - from};
      Rect(s, "Wand", o, u, {0, y1 - y0, 0}, texture, inside);
    };
    if (door_h <= 0) {
      piece(a, b, 0, height);
      return;
    }
    piece(a, d0, 0, height);
    piece(d1, b, 0, height);
    piece(d0, d1, door_h, height);
  }

  // A box room: floor, ceiling and four walls around [x0, x1] x [z0, z1], height h.
  // Each part of the room gets a sub-sector of its own, so the tree stays readable.
  void Room(TSector* room, float x0, float x1, float z0, float z1, float h, uint16_t floor, uint16_t walls,
            uint16_t ceiling, const std::function<void(int side, float& d0, float& d1, float& dh)>& doors) {
    const Vector inside{(x0 + x1) / 2, h / 2, (z0 + z1) / 2};
    Rect(Part(room, "Boden"), "Boden", {x0, 0, z0}, {x1 - x0, 0, 0}, {0, 0, z1 - z0}, floor,
         VectorSet(inside.x, h, inside.z));
    Rect(Part(room, "Decke"), "Decke", {x0, h, z0}, {x1 - x0, 0, 0}, {0, 0, z1 - z0}, ceiling,
         VectorSet(inside.x, 0, inside.z));
    TSector* s = Part(room, "Wände");
    const float fixed[4] = {z0, z1, x0, x1};
    for (int side = 0; side < 4; ++side) {
      float d0 = 0, d1 = 0, dh = 0;
      doors(side, d0, d1, dh);
      const bool along_x = side < 2;
      Wall(s, along_x, fixed[side], along_x ? x0 : z0, along_x ? x1 : z1, h, walls, inside, d0, d1, dh);
    }
  }

  TSector* Portal(TSector* s, Vector a, Vector b, Vector c, Vector d) {
    TSector* p = e_.CreateNode(s, kPortal);
    p->Id = e_.NextId();
    p->ResizeVertices(4);
    const Vector corners[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i) {
      p->Vertices[i].Id = e_.NextId();
      p->Vertices[i].Position = corners[i];
      p->Vertices[i].Color[0] = p->Vertices[i].Color[1] = p->Vertices[i].Color[2] = p->Vertices[i].Color[3] =
          1;
    }
    return p;
  }

  void Link(TSector* portal, TSector* to) {
    portal->LinkedSector = to;
    portal->LinkedSectorId = to->Id;
    portal->IsLinked = 1;
    portal->Name = to->Name;  // a linked portal carries its sector's name
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

void BuildDemoScene(Editor& e) {
  e.NewScene();
  Builder b(e);

  // The hall: 240 x 240, 120 high, a door to the north.
  TSector* hall = b.Sector("Halle");
  b.Room(hall, -120, 120, -120, 120, 120, kTiles, kStone, kPlaster,
         [](int side, float& d0, float& d1, float& dh) {
           if (side == 0) d0 = -20, d1 = 20, dh = 80;
         });
  // The corridor: 80 wide, from the hall to the chamber.
  TSector* corridor = b.Sector("Gang");
  b.Room(corridor, -40, 40, -280, -120, 80, kWood, kPlaster, kWood,
         [](int side, float& d0, float& d1, float& dh) {
           if (side < 2) d0 = -20, d1 = 20, dh = 80;
         });
  // The chamber: metal walls, a raised platform.
  TSector* chamber = b.Sector("Kammer");
  b.Room(chamber, -100, 100, -440, -280, 100, kStone, kMetal, kPlaster,
         [](int side, float& d0, float& d1, float& dh) {
           if (side == 1) d0 = -20, d1 = 20, dh = 80;
         });
  TSector* platform = b.Part(chamber, "Podest");
  b.Rect(platform, "Podest", {-40, 20, -420}, {80, 0, 0}, {0, 0, 60}, kMetal, {0, 100, -390});
  b.Wall(platform, true, -360, -40, 40, 20, kMetal, {0, 10, -300});

  // Portals in the two doorways, each way, corners in order round the opening.
  auto doorway = [&](TSector* from, TSector* to, float z) {
    b.Link(b.Portal(from, {-20, 80, z}, {20, 80, z}, {20, 0, z}, {-20, 0, z}), to);
  };
  doorway(hall, corridor, -120);
  doorway(corridor, hall, -120);
  doorway(corridor, chamber, -280);
  doorway(chamber, corridor, -280);

  b.Light(hall, {0, 100, 0}, 255, 236, 200, 160, 120);
  b.Light(hall, {90, 50, 90}, 255, 150, 60, 60, 80);
  b.Light(corridor, {0, 65, -200}, 170, 200, 255, 80, 90);
  b.Light(chamber, {0, 85, -360}, 255, 255, 255, 120, 100);
  b.Light(chamber, {-80, 40, -420}, 255, 60, 40, 50, 70);
  b.Point(chamber, kParticleSystem, {60, 20, -420});
  TSector* actor = b.Point(hall, kActor, {-60, 0, -40});
  actor->Heading = 45;
  b.Point(chamber, kCheckpoint, {0, 40, -390});

  for (const auto& top : e.Tree.TopLevel()) ComputeBounds(top.get());
  e.RaiseIdCounterToTree();
  e.StartPosition = {0, 10, 60};
  // Beside the level to the east and above it, looking west and down across all three rooms.
  e.CameraPosition = {370, 440, -160};
  e.CameraHeading = 270;
  e.CameraPitch = -90;
}

}  // namespace qx

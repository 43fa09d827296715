#include "commands/room_commands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "commands/selection.h"
#include "commands/texture_projection.h"
#include "scene/bounds.h"
#include "scene/polygon_data.h"

namespace qx {

namespace {

struct P3d {
  double x = 0, y = 0, z = 0;
};
P3d operator+(P3d a, P3d b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
P3d operator-(P3d a, P3d b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
P3d operator*(P3d a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
double Dot(P3d a, P3d b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
P3d Cross(P3d a, P3d b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(P3d a) {
  return std::sqrt(Dot(a, a));
}
P3d Unit(P3d a) {
  const double l = Length(a);
  return l > 0 ? a * (1 / l) : P3d{};
}
P3d FromVector(const Vector& v) {
  return {v.x, v.y, v.z};
}
Vector ToVector(P3d d) {
  return VectorSet(d.x, d.y, d.z);
}

// The normal of a polygon by Newell's sum: its length is twice the area.
P3d AreaNormal(const std::array<P3d, 4>& p) {
  P3d n;
  for (size_t i = 0; i < 4; ++i) {
    const P3d a = p[i], b = p[(i + 1) % 4];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
  }
  return n;
}

std::unique_ptr<TSector> NewRecord(Document& doc, uint8_t node_type, const char* name) {
  auto n = std::make_unique<TSector>();
  n->Id = doc.NextId();
  n->NodeType = node_type;
  n->Name = name ? name : DefaultName(node_type);
  n->ImageIndex = DefaultIcon(node_type);
  return n;
}

// A quad or portal record with the corners of `perimeter` in walking order,
// turned so that its front faces along `facing`. A quad keeps the zig-zag
// vertex order (triangles 0-1-2 and 3-2-1, perimeter 0, 1, 3, 2).
std::unique_ptr<TSector> NewFace(Document& doc, uint8_t node_type, const char* name,
                                 std::array<P3d, 4> perimeter, P3d facing) {
  if (Dot(AreaNormal(perimeter), facing) < 0) std::swap(perimeter[1], perimeter[3]);
  auto n = NewRecord(doc, node_type, name);
  n->ResizeVertices(4);
  static constexpr int kQuadSlot[4] = {0, 1, 3, 2};
  static constexpr float kCornerUv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 4; ++i) {
    TVertex& v = n->Vertices[node_type == kPolygon ? kQuadSlot[i] : i];
    v.Position = ToVector(perimeter[i]);
    for (float& c : v.Color) c = 1;
    v.LightmapCoord[0] = kCornerUv[i][0];
    v.LightmapCoord[1] = kCornerUv[i][1];
  }
  for (TVertex& v : n->Vertices) v.Id = doc.NextId();
  if (node_type == kPolygon) {
    n->Visible = 1;
    n->ResizeTriangles(2);
    UpdatePolygonData(n.get());
  }
  return n;
}

std::unique_ptr<TSector> NewRoomQuad(Document& doc, const char* name, const std::array<P3d, 4>& perimeter,
                                     P3d facing, uint16_t texture) {
  auto q = NewFace(doc, kPolygon, name, perimeter, facing);
  q->TextureIndex = texture;
  q->LightingMode = 0;  // lightmapped, so the room's light casts shadows
  ProjectTextureCoordinates(*q);
  return q;
}

double Extent(const std::vector<PlanPoint>& outline) {
  double e = 1;
  for (const PlanPoint& p : outline) e = std::max({e, std::abs(p.x), std::abs(p.z)});
  return e;
}

// Where along edge a-b (0..1) a tiled wall is cut: where the floor pieces have
// corners, so that floor and walls share their corners, and evenly within
// stretches longer than a tile. Untiled, a wall is one whole face.
std::vector<double> EdgeCuts(PlanPoint a, PlanPoint b, const std::vector<std::vector<PlanPoint>>& pieces,
                             double eps, double tile) {
  if (!(tile > 0)) return {0, 1};
  const double dx = b.x - a.x, dz = b.z - a.z, len = std::hypot(dx, dz);
  std::vector<double> t{0, 1};
  for (const auto& piece : pieces)
    for (const PlanPoint& p : piece) {
      const double along = ((p.x - a.x) * dx + (p.z - a.z) * dz) / len;
      const double off = ((p.x - a.x) * dz - (p.z - a.z) * dx) / len;
      if (std::abs(off) <= eps && along > eps && along < len - eps) t.push_back(along / len);
    }
  std::sort(t.begin(), t.end());
  std::vector<double> out{0};
  for (double v : t)
    if (v * len - out.back() * len > eps) {
      const int parts = std::max(1, int(std::ceil((v - out.back()) * len / tile - 1e-9)));
      const double from = out.back();
      for (int k = 1; k <= parts; ++k) out.push_back(from + (v - from) * k / parts);
    }
  out.back() = 1;
  return out;
}

}  // namespace

RoomLight ChooseRoomLight(const std::vector<PlanPoint>& outline, float floor_y, float height) {
  // The centre of area, or, when a concave plan leaves that outside, the
  // middle of the plan's largest piece.
  const double a2 = SignedArea2(outline);
  PlanPoint c;
  for (size_t i = 0, n = outline.size(); i < n; ++i) {
    const PlanPoint &p = outline[i], &q = outline[(i + 1) % n];
    const double w = p.x * q.z - q.x * p.z;
    c.x += (p.x + q.x) * w;
    c.z += (p.z + q.z) * w;
  }
  c.x /= 3 * a2;
  c.z /= 3 * a2;
  if (!InsideOutline(outline, c)) {
    double best = -1;
    for (const auto& piece : CutFloorPlan(outline, 0)) {
      const double area = std::abs(SignedArea2(piece));
      if (area <= best) continue;
      best = area;
      c = {0, 0};
      for (const PlanPoint& p : piece) c.x += p.x / 4, c.z += p.z / 4;
    }
  }
  const double half = 0.5 * height;
  double far = half;
  for (const PlanPoint& p : outline) far = std::max(far, std::hypot(p.x - c.x, p.z - c.z, half));
  // A point light gives Brightness * Range / d^2 of its colour on top of the
  // lightmap's start value 90, and the bytes stop at 255, so anything above
  // about 0.65 is white. Fixed defaults saturate a small room and barely
  // reach the walls of a large one; here the light is 0.5 at the geometric
  // mean of the nearest surface's distance (floor and ceiling, half the
  // height away) and the farthest corner's. The near side is then about
  // (far / near) / 2 and the far corner (near / far) / 2: a falloff that
  // shows across the room whatever its size, with white only close below
  // and above the light.
  const double k = 0.5 * half * far;
  RoomLight light;
  light.position = VectorSet(c.x, floor_y + half, c.z);
  light.range = float(far);
  light.brightness = float(k / far);
  return light;
}

TSector* BuildRoom(Document& doc, TSector* parent, const RoomPlan& plan, std::string* error) {
  const std::vector<PlanPoint> outline = TidyOutline(plan.outline);
  std::string refusal = CheckOutline(outline);
  if (refusal.empty() && !(plan.height > 0)) refusal = kRoomNoHeight;
  if (!refusal.empty()) {
    if (error) *error = refusal;
    return nullptr;
  }
  const double tile = plan.tile > 0 ? plan.tile : 0;
  const double eps = 1e-6 * Extent(outline);
  const auto pieces = CutFloorPlan(outline, tile);
  const double y0 = plan.floor_y, y1 = double(plan.floor_y) + plan.height;

  auto room = NewRecord(doc, kSector, kRoomSectorName);
  room->Visible = 1;
  TSector* sector = doc.Tree.AddChild(parent, std::move(room));
  UpdateSectorIcon(doc.Tree, sector);

  for (int level = 0; level < 2; ++level) {
    const double y = level == 0 ? y0 : y1;
    for (const auto& piece : pieces) {
      std::array<P3d, 4> p;
      for (int i = 0; i < 4; ++i) p[i] = {piece[i].x, y, piece[i].z};
      doc.Tree.AddChild(sector, NewRoomQuad(doc, level == 0 ? kFloorName : kCeilingName, p,
                                            {0, level == 0 ? 1.0 : -1.0, 0}, plan.texture));
    }
  }
  const double turn = SignedArea2(outline) > 0 ? 1 : -1;  // which side of each edge is inside
  const int rows = tile > 0 ? std::max(1, int(std::ceil(plan.height / tile - 1e-9))) : 1;
  for (size_t i = 0, n = outline.size(); i < n; ++i) {
    const PlanPoint a = outline[i], b = outline[(i + 1) % n];
    const P3d inward = Unit(P3d{-(b.z - a.z), 0, b.x - a.x} * turn);
    const std::vector<double> cuts = EdgeCuts(a, b, pieces, eps, tile);
    const auto at = [&](double t, double y) { return P3d{a.x + (b.x - a.x) * t, y, a.z + (b.z - a.z) * t}; };
    for (size_t c = 0; c + 1 < cuts.size(); ++c)
      for (int r = 0; r < rows; ++r) {
        const double ya = r == 0 ? y0 : y0 + (y1 - y0) * r / rows;
        const double yb = r + 1 == rows ? y1 : y0 + (y1 - y0) * (r + 1) / rows;
        doc.Tree.AddChild(
            sector, NewRoomQuad(doc, kWallName,
                                {at(cuts[c], ya), at(cuts[c + 1], ya), at(cuts[c + 1], yb), at(cuts[c], yb)},
                                inward, plan.texture));
      }
  }
  if (plan.light) {
    const RoomLight chosen = ChooseRoomLight(outline, plan.floor_y, plan.height);
    auto light = NewRecord(doc, kLight, nullptr);
    light->Kind = 0;
    light->Position = chosen.position;
    light->Brightness = chosen.brightness;
    light->Range = chosen.range;
    light->Color[0] = light->Color[1] = light->Color[2] = 255;
    light->Shadow = 1;
    doc.Tree.AddChild(sector, std::move(light));
  }
  ComputeBounds(sector);
  doc.ChangedSubtree(sector, kChangeGeometry | kChangeAppearance);
  return sector;
}

TSector* DrawRoom(Editor& e, const RoomPlan& plan) {
  UndoStack::Step step(e.History, kRoomStepName);
  // A room drawn within the selected sector's box belongs in it (a room in a
  // hall); one drawn beside it goes to the top level, so that rooms drawn one
  // after another stay side by side.
  TSector* parent = nullptr;
  if (TSector* s = e.TreeSelection; s && s->NodeType == kSector && !s->Children.empty()) {
    ComputeBounds(s);
    bool inside = true;
    for (const PlanPoint& p : plan.outline)
      inside = inside && p.x >= s->BoundsMin.x && p.x <= s->BoundsMax.x && p.z >= s->BoundsMin.z &&
               p.z <= s->BoundsMax.z;
    if (inside) parent = s;
  } else if (s && s->NodeType == kSector) {
    parent = s;  // an empty sector was made to be filled
  }
  std::string error;
  TSector* room = BuildRoom(e, parent, plan, &error);
  if (!room) {
    e.ShowWarning(error);
    return nullptr;
  }
  SelectInTree(e, room);
  TreeClick(e);
  e.Redraw();
  return room;
}

// ----- Doorways -----

namespace {

// An upright rectangular face seen from its front: u to the right, v upwards.
struct WallFrame {
  TSector* node = nullptr;
  P3d origin, u, n;
  double u0 = 0, u1 = 0, v0 = 0, v1 = 0;
  std::array<P3d, 4> tex;  // texture coordinates (u, v, 0) at (u0,v0), (u1,v0), (u1,v1), (u0,v1)

  P3d At(double u_, double v_) const {
    const P3d p = origin + u * u_;
    return {p.x, v_, p.z};
  }
  // Texture coordinates carried over from the whole face: it is a flat
  // rectangle, so the bilinear blend of its corners is its own mapping.
  P3d TexAt(double u_, double v_) const {
    const double s = (u_ - u0) / (u1 - u0), t = (v_ - v0) / (v1 - v0);
    return tex[0] * ((1 - s) * (1 - t)) + tex[1] * (s * (1 - t)) + tex[2] * (s * t) + tex[3] * ((1 - s) * t);
  }
};

std::optional<WallFrame> FrameOf(TSector* q) {
  if (!q || q->NodeType != kPolygon || q->Kind != 0 || q->Vertices.size() != 4) return std::nullopt;
  std::array<P3d, 4> p;
  static constexpr int kPerimeter[4] = {0, 1, 3, 2};
  for (int i = 0; i < 4; ++i) p[i] = FromVector(q->Vertices[kPerimeter[i]].Position);
  const P3d area = AreaNormal(p);
  const double size = Length(area);
  if (!(size > 0)) return std::nullopt;
  WallFrame f;
  f.node = q;
  f.n = area * (1 / size);
  if (std::abs(f.n.y) > 1e-4) return std::nullopt;
  f.n.y = 0;
  f.n = Unit(f.n);
  f.u = Unit(Cross({0, 1, 0}, f.n));
  f.origin = p[0];
  double scale = 1;
  for (const P3d& c : p) scale = std::max({scale, std::abs(c.x), std::abs(c.y), std::abs(c.z)});
  const double eps = 1e-5 * scale;
  f.u0 = f.u1 = 0;
  f.v0 = f.v1 = p[0].y;
  for (const P3d& c : p) {
    if (std::abs(Dot(c - f.origin, f.n)) > eps) return std::nullopt;
    const double cu = Dot(c - f.origin, f.u);
    f.u0 = std::min(f.u0, cu), f.u1 = std::max(f.u1, cu);
    f.v0 = std::min(f.v0, c.y), f.v1 = std::max(f.v1, c.y);
  }
  // A rectangle: every corner is one of the box's four.
  for (int i = 0; i < 4; ++i) {
    const P3d c = p[i];
    const double cu = Dot(c - f.origin, f.u);
    const bool left = std::abs(cu - f.u0) <= eps, right = std::abs(cu - f.u1) <= eps;
    const bool low = std::abs(c.y - f.v0) <= eps, high = std::abs(c.y - f.v1) <= eps;
    if ((!left && !right) || (!low && !high)) return std::nullopt;
    const TVertex& v = q->Vertices[kPerimeter[i]];
    f.tex[low ? (left ? 0 : 1) : (left ? 3 : 2)] = {v.TexCoord[0], v.TexCoord[1], 0};
  }
  if (f.u1 - f.u0 <= eps || f.v1 - f.v0 <= eps) return std::nullopt;
  return f;
}

struct Opening {
  double a, b, c, d;  // u from a to b, v from c to d, in the face's frame
};

// Replaces the face by quads around its part of an opening.
void CutAround(Document& doc, const WallFrame& f, const Opening& o) {
  TSector* wall = f.node;
  std::vector<std::array<double, 4>> rects;  // u0, u1, v0, v1
  const double eps = 1e-6 * std::max(1.0, f.u1 - f.u0);
  if (o.a - f.u0 > eps) rects.push_back({f.u0, o.a, f.v0, f.v1});
  if (f.u1 - o.b > eps) rects.push_back({o.b, f.u1, f.v0, f.v1});
  if (o.c - f.v0 > eps) rects.push_back({o.a, o.b, f.v0, o.c});
  if (f.v1 - o.d > eps) rects.push_back({o.a, o.b, o.d, f.v1});
  for (const auto& r : rects) {
    auto q = NewFace(doc, kPolygon, wall->Name.c_str(),
                     {f.At(r[0], r[2]), f.At(r[1], r[2]), f.At(r[1], r[3]), f.At(r[0], r[3])}, f.n);
    q->TextureIndex = wall->TextureIndex;
    q->NoCollision = wall->NoCollision;
    q->Visible = wall->Visible;
    q->NoShadow = wall->NoShadow;
    q->EnvMapping = wall->EnvMapping;
    q->ColorKey = wall->ColorKey;
    q->LightingMode = wall->LightingMode;
    for (TVertex& v : q->Vertices) {
      const P3d p = FromVector(v.Position);
      const P3d t = f.TexAt(Dot(p - f.origin, f.u), p.y);
      v.TexCoord[0] = float(t.x);
      v.TexCoord[1] = float(t.y);
    }
    doc.Tree.InsertBefore(wall, std::move(q));
  }
  doc.Tree.Remove(wall);
}

// One side of a doorway: the faces the opening goes through (tiles of one
// wall plane), each with its part of the opening in its own frame.
struct Side {
  std::vector<std::pair<WallFrame, Opening>> faces;
  double covered = 0;  // area of the opening they cover
};

// Adds `q` to the side when it is an upright rectangle whose plane lies within
// `reach` of the opening's (`front`'s frame, opening `o`), facing along
// `facing`, and overlapping the opening.
void TakeFace(Side& side, TSector* q, const WallFrame& front, const Opening& o, double facing, double reach) {
  const std::optional<WallFrame> f = FrameOf(q);
  if (!f || Dot(f->n, front.n) * facing < 0.9999) return;
  if (std::abs(Dot(f->origin - front.origin, front.n)) > reach) return;
  const double ua = Dot(front.At(o.a, 0) - f->origin, f->u), ub = Dot(front.At(o.b, 0) - f->origin, f->u);
  const Opening mine{std::max(std::min(ua, ub), f->u0), std::min(std::max(ua, ub), f->u1),
                     std::max(o.c, f->v0), std::min(o.d, f->v1)};
  const double eps = 1e-6 * std::max(1.0, o.b - o.a);
  if (mine.b - mine.a <= eps || mine.d - mine.c <= eps) return;
  side.faces.push_back({*f, mine});
  side.covered += (mine.b - mine.a) * (mine.d - mine.c);
}

TSector* NewPortal(Document& doc, const WallFrame& f, const Opening& o, TSector* before) {
  auto portal =
      NewFace(doc, kPortal, nullptr, {f.At(o.a, o.c), f.At(o.b, o.c), f.At(o.b, o.d), f.At(o.a, o.d)}, f.n);
  TSector* p = doc.Tree.InsertBefore(before, std::move(portal));
  ComputeBounds(p);
  return p;
}

void Link(Document& doc, TSector* portal, TSector* sector) {
  portal->LinkedSector = sector;
  portal->LinkedSectorId = sector->Id;
  portal->IsLinked = 1;
  doc.Tree.Rename(portal, sector->Name);
  doc.Changed(portal, kChangeOther);
}

}  // namespace

std::vector<TSector*> CutDoorwayIn(Document& doc, TSector* wall, const DoorPlan& plan, float reach,
                                   std::string* error) {
  const auto refuse = [&](const char* text) {
    if (error) *error = text;
    return std::vector<TSector*>{};
  };
  if (!wall || wall->NodeType != kPolygon || !doc.Tree.Contains(wall)) return refuse(kDoorNeedsWall);
  const std::optional<WallFrame> front = FrameOf(wall);
  if (!front) return refuse(kDoorWallNotUpright);
  const double len = front->u1 - front->u0;
  const double offset = plan.offset ? double(*plan.offset) : 0.5 * (len - plan.width);
  if (!(plan.width > 0) || !(plan.height > 0)) return refuse(kDoorDoesNotFit);
  const Opening here{front->u0 + offset, front->u0 + offset + plan.width, front->v0,
                     front->v0 + double(plan.height)};
  const double area = (here.b - here.a) * (here.d - here.c), eps = 1e-4;

  // The wall is the selected quad and the tiles of its sector in its plane
  // beside or above it; the opening must lie on them. Behind it: the faces of
  // other sectors back to back with it.
  Side own, behind;
  doc.Tree.Walk([&](TSector* q) {
    if (q->NodeType != kPolygon) return;
    if (q->Parent == wall->Parent)
      TakeFace(own, q, *front, here, 1, eps);
    else if (q->Parent)
      TakeFace(behind, q, *front, here, -1, reach + eps);
  });
  const double slack = 1e-6 * std::max(1.0, area);
  if (own.covered < area - slack) return refuse(kDoorDoesNotFit);
  if (!behind.faces.empty() && behind.covered < area - slack) return refuse(kDoorDoesNotFitBehind);

  TSector* own_sector = wall->Parent;
  std::vector<TSector*> portals{NewPortal(doc, *front, here, wall)};
  for (const auto& [f, o] : own.faces) CutAround(doc, f, o);
  if (!behind.faces.empty()) {
    const WallFrame& back = behind.faces.front().first;
    TSector* other_sector = back.node->Parent;
    const double ua = Dot(front->At(here.a, 0) - back.origin, back.u),
                 ub = Dot(front->At(here.b, 0) - back.origin, back.u);
    portals.push_back(NewPortal(doc, back, {std::min(ua, ub), std::max(ua, ub), here.c, here.d}, back.node));
    for (const auto& [f, o] : behind.faces) CutAround(doc, f, o);
    if (own_sector) Link(doc, portals[1], own_sector);
    Link(doc, portals[0], other_sector);
  }
  if (own_sector) ComputeBounds(own_sector);
  return portals;
}

std::vector<TSector*> CutDoorway(Editor& e, const DoorPlan& plan) {
  UndoStack::Step step(e.History, kDoorStepName);
  std::string error;
  const auto portals = CutDoorwayIn(e, e.TreeSelection, plan, float(e.GridSize), &error);
  if (portals.empty()) {
    e.ShowWarning(error);
    return {};
  }
  SelectInTree(e, portals[0]);
  TreeClick(e);
  e.Redraw();
  return portals;
}

}  // namespace qx

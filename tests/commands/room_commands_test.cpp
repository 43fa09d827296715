// Rooms drawn from floor plans and doorways cut between them, checked as
// geometry: closed, facing into the room, no degenerate quad, tiles that meet
// corner to corner, texture coordinates that run on across shared edges; and
// refusals that leave the scene as it was.

#include "commands/room_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "commands/selection.h"
#include "lighting/lightmap.h"
#include "scene/polygon_data.h"
#include "tests/commands/scene_dump.h"

namespace qx {
namespace {

using Plan = std::vector<PlanPoint>;

struct P3 {
  double x, y, z;
};
P3 Sub(P3 a, P3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double Dot(P3 a, P3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
P3 Cross(P3 a, P3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Len(P3 a) {
  return std::sqrt(Dot(a, a));
}
P3 Of(const Vector& v) {
  return {v.x, v.y, v.z};
}

// A quad's or portal's corners in walking order.
std::vector<P3> Perimeter(const TSector* n) {
  if (n->NodeType == kPolygon)
    return {Of(n->Vertices[0].Position), Of(n->Vertices[1].Position), Of(n->Vertices[3].Position),
            Of(n->Vertices[2].Position)};
  std::vector<P3> p;
  for (const TVertex& v : n->Vertices) p.push_back(Of(v.Position));
  return p;
}

std::vector<TSector*> Faces(const TSector* sector, bool with_portals = true) {
  std::vector<TSector*> out;
  for (const auto& c : sector->Children)
    if (c->NodeType == kPolygon || (with_portals && c->NodeType == kPortal)) out.push_back(c.get());
  return out;
}

// Every part of every edge of every face lies on an edge of another face.
void ExpectClosed(const TSector* sector) {
  const auto faces = Faces(sector);
  for (const TSector* f : faces) {
    const auto p = Perimeter(f);
    for (size_t i = 0; i < 4; ++i) {
      const P3 a = p[i], b = p[(i + 1) % 4], d = Sub(b, a);
      const double len = Len(d), eps = 1e-3;
      std::vector<std::pair<double, double>> cover;
      for (const TSector* g : faces) {
        if (g == f) continue;
        const auto q = Perimeter(g);
        for (size_t j = 0; j < 4; ++j) {
          const P3 c = q[j], e = q[(j + 1) % 4];
          if (Len(Cross(d, Sub(c, a))) / len > eps || Len(Cross(d, Sub(e, a))) / len > eps) continue;
          double t0 = Dot(Sub(c, a), d) / (len * len), t1 = Dot(Sub(e, a), d) / (len * len);
          if (t0 > t1) std::swap(t0, t1);
          cover.push_back({t0, t1});
        }
      }
      std::sort(cover.begin(), cover.end());
      double reached = 0;
      for (const auto& [t0, t1] : cover)
        if (t0 <= reached + eps / len) reached = std::max(reached, t1);
      EXPECT_GE(reached, 1 - eps / len) << f->Name << " " << f->Id << " edge " << i << " is open";
    }
  }
}

struct RoomCase {
  const char* name;
  Plan plan;
  double tile;
};

class RoomGeometry : public ::testing::TestWithParam<RoomCase> {
 protected:
  Editor e;
};

TEST_P(RoomGeometry, ClosedFacingInwardTiledAndSeamless) {
  const RoomCase& rc = GetParam();
  RoomPlan plan;
  plan.outline = rc.plan;
  plan.floor_y = 20;
  plan.height = 80;
  plan.tile = float(rc.tile);
  plan.texture = 3;
  std::string error;
  TSector* room = BuildRoom(e, nullptr, plan, &error);
  ASSERT_NE(room, nullptr) << error;
  EXPECT_EQ(room->Name, "Raum");
  ExpectClosed(room);

  double floor_area = 0, ceiling_area = 0;
  const double plan_area = std::abs(SignedArea2(rc.plan)) / 2;
  const auto faces = Faces(room);
  for (TSector* q : faces) {
    ASSERT_EQ(q->NodeType, kPolygon);
    EXPECT_EQ(q->TextureIndex, 3);
    EXPECT_EQ(q->LightingMode, 0);
    const auto p = Perimeter(q);
    // Four distinct corners, both triangles with an area, one plane.
    for (size_t i = 0; i < 4; ++i)
      for (size_t j = i + 1; j < 4; ++j) EXPECT_GT(Len(Sub(p[i], p[j])), 1e-3) << q->Id;
    UpdatePolygonData(q);
    const P3 n = Of(q->Triangles[0].Normal);
    EXPECT_NEAR(Dot(n, Of(q->Triangles[1].Normal)), 1, 1e-5);
    for (const TTriangle& t : q->Triangles) {
      const P3 a = Of(q->Vertices[t.V0].Position), b = Of(q->Vertices[t.V1].Position),
               c = Of(q->Vertices[t.V2].Position);
      EXPECT_GT(Len(Cross(Sub(b, a), Sub(c, a))), 1e-3) << q->Id;
    }
    // Facing into the room: a step from the centre along the normal stays inside.
    P3 m{0, 0, 0};
    for (const P3& c : p) m = {m.x + c.x / 4, m.y + c.y / 4, m.z + c.z / 4};
    const P3 in{m.x + n.x * 0.5, m.y + n.y * 0.5, m.z + n.z * 0.5};
    EXPECT_TRUE(InsideOutline(rc.plan, {in.x, in.z}) && in.y > 20 && in.y < 100)
        << q->Name << " " << q->Id << " faces out";
    // Tiles no larger than the tile size across each of their two directions.
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (const P3& c : p) {
      const double v[3] = {c.x, c.y, c.z};
      for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
    }
    if (rc.tile > 0) {
      if (q->Name == "Wand") {
        EXPECT_LE(hi[1] - lo[1], rc.tile + 1e-3);
        EXPECT_LE(std::hypot(hi[0] - lo[0], hi[2] - lo[2]), rc.tile * std::sqrt(2.0) + 1e-3);
      } else {
        EXPECT_LE(hi[0] - lo[0], rc.tile + 1e-3);
        EXPECT_LE(hi[2] - lo[2], rc.tile + 1e-3);
      }
    }
    const double area = Len(Cross(Sub(p[2], p[0]), Sub(p[3], p[1]))) / 2;
    if (q->Name == "Boden") floor_area += area;
    if (q->Name == "Decke") ceiling_area += area;
    // One texture repeat per 60 units, the same in every direction of the
    // face (slanted walls take a projection that stretches).
    const bool axis_aligned = std::abs(n.x) > 0.9999 || std::abs(n.y) > 0.9999 || std::abs(n.z) > 0.9999;
    for (size_t i = 1; i < 4 && axis_aligned; ++i) {
      const TVertex* a = nullptr;
      const TVertex* b = nullptr;
      for (const TVertex& v : q->Vertices) {
        if (Of(v.Position).x == p[0].x && Of(v.Position).y == p[0].y && Of(v.Position).z == p[0].z) a = &v;
        if (Of(v.Position).x == p[i].x && Of(v.Position).y == p[i].y && Of(v.Position).z == p[i].z) b = &v;
      }
      ASSERT_TRUE(a && b);
      EXPECT_NEAR(std::hypot(a->TexCoord[0] - b->TexCoord[0], a->TexCoord[1] - b->TexCoord[1]),
                  Len(Sub(p[0], p[i])) / 60, 1e-3);
    }
  }
  EXPECT_NEAR(floor_area, plan_area, 1e-3 * plan_area);
  EXPECT_NEAR(ceiling_area, plan_area, 1e-3 * plan_area);

  // Tiles of the floor meet corner to corner: no corner lies inside another
  // tile's edge, except on the outline, where the walls' edges cover it.
  for (TSector* a : faces)
    for (TSector* b : faces) {
      if (a == b || a->Name == "Wand" || a->Name != b->Name) continue;
      const auto pa = Perimeter(a), pb = Perimeter(b);
      for (const P3& c : pa)
        for (size_t i = 0; i < 4; ++i) {
          const P3 s = pb[i], t = pb[(i + 1) % 4], d = Sub(t, s);
          const double along = Dot(Sub(c, s), d) / Dot(d, d);
          if (Len(Cross(d, Sub(c, s))) / Len(d) > 1e-4 || along < 1e-6 || along > 1 - 1e-6) continue;
          bool on_outline = false;
          for (size_t k = 0; k < rc.plan.size(); ++k) {
            const PlanPoint u = rc.plan[k], w = rc.plan[(k + 1) % rc.plan.size()];
            on_outline = on_outline || std::abs((w.x - u.x) * (c.z - u.z) - (w.z - u.z) * (c.x - u.x)) <
                                           1e-4 * std::hypot(w.x - u.x, w.z - u.z);
          }
          EXPECT_TRUE(on_outline) << "T-junction in " << a->Name << " at " << c.x << "," << c.z;
        }
      // Texture coordinates agree wherever two faces of one plane share a corner.
      UpdatePolygonData(a);
      UpdatePolygonData(b);
      if (Dot(Of(a->Triangles[0].Normal), Of(b->Triangles[0].Normal)) < 0.9999) continue;
      for (const TVertex& va : a->Vertices)
        for (const TVertex& vb : b->Vertices)
          if (va.Position == vb.Position) {
            EXPECT_NEAR(va.TexCoord[0], vb.TexCoord[0], 1e-4);
            EXPECT_NEAR(va.TexCoord[1], vb.TexCoord[1], 1e-4);
          }
    }

  // The light, once, inside, half way up, with shadows.
  std::vector<TSector*> lights;
  for (const auto& c : room->Children)
    if (c->NodeType == kLight) lights.push_back(c.get());
  ASSERT_EQ(lights.size(), 1u);
  EXPECT_TRUE(InsideOutline(rc.plan, {lights[0]->Position.x, lights[0]->Position.z}));
  EXPECT_FLOAT_EQ(lights[0]->Position.y, 60);
  EXPECT_EQ(lights[0]->Shadow, 1);
}

const Plan kRect{{0, 0}, {200, 0}, {200, 120}, {0, 120}};
const Plan kL{{0, 0}, {160, 0}, {160, 60}, {60, 60}, {60, 160}, {0, 160}};  // the centre of area is outside
const Plan kU{{0, 0}, {180, 0}, {180, 140}, {120, 140}, {120, 60}, {60, 60}, {60, 140}, {0, 140}};
const Plan kArrow{{0, 0}, {100, 40}, {200, 0}, {160, 100}, {100, 180}, {40, 100}};  // slanted, concave
const Plan kTriangle{{0, 0}, {120, 20}, {30, 110}};
const Plan kClockwise{{0, 0}, {0, 100}, {100, 100}, {140, 50}, {100, 0}};

INSTANTIATE_TEST_SUITE_P(Outlines, RoomGeometry,
                         ::testing::Values(RoomCase{"rect", kRect, 0}, RoomCase{"rect_tiles", kRect, 40},
                                           RoomCase{"l_shape", kL, 0}, RoomCase{"l_tiles", kL, 30},
                                           RoomCase{"u_shape", kU, 0}, RoomCase{"u_tiles", kU, 50},
                                           RoomCase{"arrow", kArrow, 0}, RoomCase{"arrow_tiles", kArrow, 40},
                                           RoomCase{"triangle", kTriangle, 0},
                                           RoomCase{"triangle_tiles", kTriangle, 25},
                                           RoomCase{"clockwise", kClockwise, 20}),
                         [](const auto& info) { return std::string(info.param.name); });

// Every refusal, of rooms and doorways, leaves the scene exactly as it was.
struct Refusal {
  const char* name;
  std::function<void(Editor&)> run;
  const char* message;
  std::function<TSector*(Editor&)> wall = {};  // selected in the tree before
};

struct ShownWarnings : Prompts {
  std::vector<std::string> shown;
  void ShowWarning(const std::string& text) override { shown.push_back(text); }
  bool Confirm(const std::string&) override { return true; }
  std::optional<std::string> AskText(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialog&) override { return std::nullopt; }
  std::optional<std::filesystem::path> ChooseSaveFile(const FileDialog&) override { return std::nullopt; }
};

class Refusals : public ::testing::TestWithParam<Refusal> {};

TSector* WallAt(Editor& e, double x) {
  TSector* found = nullptr;
  e.Tree.Walk([&](TSector* n) {
    if (n->NodeType != kPolygon || n->Name != "Wand") return;
    bool all = true;
    for (const TVertex& v : n->Vertices) all = all && v.Position.x == float(x);
    if (all && !found) found = n;
  });
  return found;
}

void Room(Editor& e, Plan outline, float height = 80) {
  RoomPlan plan;
  plan.outline = std::move(outline);
  plan.height = height;
  DrawRoom(e, plan);
}

// A doorway refused in the wall that `wall` finds.
Refusal Door(const char* name, std::function<TSector*(Editor&)> wall, DoorPlan plan, const char* message) {
  return {name, [plan](Editor& e) { CutDoorway(e, plan); }, message, std::move(wall)};
}

TSector* WestWall(Editor& e) {
  return WallAt(e, 0);
}

TEST_P(Refusals, ChangeNothing) {
  Editor e;
  ShownWarnings prompts;
  e.prompts = &prompts;
  Room(e, kRect);
  RoomPlan floor_room;
  floor_room.outline = {{200, 0}, {300, 0}, {300, 100}, {200, 100}};
  DrawRoom(e, floor_room);
  if (GetParam().wall) SelectInTree(e, GetParam().wall(e));
  const std::string before = test::DumpScene(e);
  const uint32_t ids = e.IdCounter;
  const size_t steps = e.History.UndoCount();
  prompts.shown.clear();
  GetParam().run(e);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0], GetParam().message);
  EXPECT_EQ(test::DumpScene(e), before);
  EXPECT_EQ(e.IdCounter, ids);
  EXPECT_EQ(e.History.UndoCount(), steps);
}

INSTANTIATE_TEST_SUITE_P(
    RoomsAndDoors, Refusals,
    ::testing::Values(Refusal{"two_corners",
                              [](Editor& e) {
                                Room(e, {{0, 0}, {50, 0}, {0, 0}});
                              },
                              kRoomTooFewCorners},
                      Refusal{"bow_tie",
                              [](Editor& e) {
                                Room(e, {{0, 0}, {100, 100}, {100, 0}, {0, 100}});
                              },
                              kRoomCrossing},
                      Refusal{"touching_itself",
                              [](Editor& e) {
                                Room(e, {{0, 0}, {100, 0}, {100, 100}, {50, 0}, {0, 100}});
                              },
                              kRoomCrossing},
                      Refusal{"turning_back",
                              [](Editor& e) {
                                Room(e, {{0, 0}, {100, 0}, {50, 0}, {50, 80}});
                              },
                              kRoomCrossing},
                      Refusal{"flat",
                              [](Editor& e) {
                                Room(e, {{0, 0}, {50, 0}, {100, 0}});
                              },
                              kRoomNoArea},
                      Refusal{"no_height", [](Editor& e) { Room(e, kRect, 0); }, kRoomNoHeight},
                      Door("door_too_wide", WestWall, {130, 40, {}}, kDoorDoesNotFit),
                      Door("door_too_high", WestWall, {40, 90, {}}, kDoorDoesNotFit),
                      Door("door_past_the_end", WestWall, {40, 40, 90.f}, kDoorDoesNotFit),
                      Door("door_before_the_start", WestWall, {40, 40, -1.f}, kDoorDoesNotFit),
                      Door(
                          "door_in_a_floor",
                          [](Editor& e) {
                            TSector* floor = nullptr;
                            e.Tree.Walk([&](TSector* n) {
                              if (!floor && n->Name == "Boden") floor = n;
                            });
                            return floor;
                          },
                          {40, 40, {}}, kDoorWallNotUpright),
                      Door(
                          "door_in_a_sector", [](Editor& e) { return e.Tree.First(); }, {40, 40, {}},
                          kDoorNeedsWall),
                      // The wall behind ends at z = 100; the opening runs from 70 to 110.
                      Door(
                          "door_beyond_the_wall_behind", [](Editor& e) { return WallAt(e, 200); },
                          {40, 40, 70.f}, kDoorDoesNotFitBehind)),
    [](const auto& info) { return std::string(info.param.name); });

class Doorway : public ::testing::Test {
 protected:
  Editor e;
  TSector* a = nullptr;
  TSector* b = nullptr;
  void TwoRooms(double gap) {
    RoomPlan plan;
    plan.outline = {{0, 0}, {100, 0}, {100, 120}, {0, 120}};
    a = DrawRoom(e, plan);
    plan.outline = {{100 + gap, -40}, {220, -40}, {220, 160}, {100 + gap, 160}};
    b = DrawRoom(e, plan);
  }
};

TEST_F(Doorway, LinksBothWaysAndKeepsBothRoomsClosed) {
  TwoRooms(0);
  ASSERT_TRUE(a && b && a->Parent == nullptr && b->Parent == nullptr);
  const size_t steps = e.History.UndoCount();
  SelectInTree(e, WallAt(e, 100));
  const std::string before = test::DumpScene(e);
  const auto portals = CutDoorway(e, {40, 60, 10.f});
  ASSERT_EQ(portals.size(), 2u);
  EXPECT_EQ(portals[0]->Parent, a);
  EXPECT_EQ(portals[1]->Parent, b);
  EXPECT_EQ(portals[0]->LinkedSector, b);
  EXPECT_EQ(portals[0]->LinkedSectorId, b->Id);
  EXPECT_EQ(portals[1]->LinkedSector, a);
  EXPECT_EQ(portals[1]->IsLinked, 1);
  EXPECT_EQ(e.TreeSelection, portals[0]);
  // The opening: 10 from the wall's left end seen from inside room a (looking
  // along +x, left is -z... i.e. the end at z = 0), 40 wide, from the floor up 60.
  for (const TSector* p : portals)
    for (const TVertex& v : p->Vertices) {
      EXPECT_FLOAT_EQ(v.Position.x, 100);
      EXPECT_TRUE(v.Position.z == 10 || v.Position.z == 50) << v.Position.z;
      EXPECT_TRUE(v.Position.y == 0 || v.Position.y == 60) << v.Position.y;
    }
  ExpectClosed(a);
  ExpectClosed(b);
  // The cut walls still face into their rooms, textured as before (continuous).
  for (TSector* room : {a, b})
    for (TSector* q : Faces(room, false)) {
      UpdatePolygonData(q);
      bool on_cut_plane = true;
      for (const TVertex& v : q->Vertices) on_cut_plane = on_cut_plane && v.Position.x == 100;
      if (on_cut_plane) {
        EXPECT_FLOAT_EQ(q->Triangles[0].Normal.x, room == a ? -1 : 1);  // a lies at x < 100
      }
    }
  EXPECT_EQ(e.History.UndoName(), "Durchgang");
  EXPECT_EQ(e.History.UndoCount(), steps + 1);
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(test::DumpScene(e), before);
}

// In tiled rooms an opening larger than a tile goes through every tile of the
// wall plane it covers, on both sides, with one portal each.
TEST_F(Doorway, ThroughSeveralTilesOfTiledRooms) {
  RoomPlan plan;
  plan.tile = 40;
  plan.outline = {{0, 0}, {100, 0}, {100, 120}, {0, 120}};
  a = BuildRoom(e, nullptr, plan, nullptr);
  plan.outline = {{100, 0}, {180, 0}, {180, 120}, {100, 120}};
  b = BuildRoom(e, nullptr, plan, nullptr);
  TSector* tile = nullptr;  // a's tile on x = 100 from z 40 to 80, on the floor
  for (const auto& c : a->Children) {
    bool on = c->NodeType == kPolygon;
    for (const TVertex& v : c->Vertices)
      on = on && v.Position.x == 100 && v.Position.z >= 40 && v.Position.z <= 80;
    if (on && c->BoundsMin.y == 0) tile = c.get();
  }
  ASSERT_NE(tile, nullptr);
  const auto portals = CutDoorwayIn(e, tile, {60, 60, {}}, 20, nullptr);
  ASSERT_EQ(portals.size(), 2u);
  EXPECT_EQ(portals[0]->LinkedSector, b);
  EXPECT_EQ(portals[1]->LinkedSector, a);
  for (const TVertex& v : portals[1]->Vertices) {
    EXPECT_TRUE(v.Position.z == 30 || v.Position.z == 90) << v.Position.z;
    EXPECT_TRUE(v.Position.y == 0 || v.Position.y == 60) << v.Position.y;
  }
  ExpectClosed(a);
  ExpectClosed(b);
  EXPECT_TRUE(CutDoorwayIn(e, portals[0], {10, 10, {}}, 20, nullptr).empty()) << "a portal is no wall";
}

TEST_F(Doorway, FindsTheWallBehindWithinOneGridStepOnly) {
  TwoRooms(20);
  auto portals = CutDoorwayIn(e, WallAt(e, 100), {40, 60, {}}, 20, nullptr);
  ASSERT_EQ(portals.size(), 2u);
  EXPECT_EQ(portals[0]->LinkedSector, b);

  Editor far;
  RoomPlan plan;
  plan.outline = {{0, 0}, {100, 0}, {100, 120}, {0, 120}};
  BuildRoom(far, nullptr, plan, nullptr);
  plan.outline = {{121, 0}, {220, 0}, {220, 120}, {121, 120}};
  BuildRoom(far, nullptr, plan, nullptr);
  portals = CutDoorwayIn(far, WallAt(far, 100), {40, 60, {}}, 20, nullptr);
  ASSERT_EQ(portals.size(), 1u);
  EXPECT_EQ(portals[0]->IsLinked, 0);
  EXPECT_EQ(portals[0]->Name, "Portal");
  // Centred by default.
  for (const TVertex& v : portals[0]->Vertices) EXPECT_TRUE(v.Position.z == 40 || v.Position.z == 80);
}

TEST(RoomCommand, OneUndoStepSelectedAndNestedOnlyWithinTheSelectedSector) {
  Editor e;
  const std::string empty = test::DumpScene(e);
  RoomPlan hall;
  hall.outline = {{0, 0}, {400, 0}, {400, 400}, {0, 400}};
  TSector* h = DrawRoom(e, hall);
  ASSERT_TRUE(h);
  EXPECT_EQ(e.TreeSelection, h);
  EXPECT_EQ(e.SelectionList, std::vector<TSector*>{h});
  EXPECT_EQ(e.History.UndoName(), "Raum");
  RoomPlan inner;
  inner.outline = {{100, 100}, {200, 100}, {200, 200}};
  TSector* in = DrawRoom(e, inner);
  EXPECT_EQ(in->Parent, h);
  RoomPlan beside;
  beside.outline = {{400, 0}, {500, 0}, {500, 100}, {400, 100}};
  TSector* out = DrawRoom(e, beside);
  EXPECT_EQ(out->Parent, nullptr);
  EXPECT_EQ(e.History.UndoCount(), 3u);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(test::DumpScene(e), empty);
}

// The room's own light falls off across the room, small or large, instead of
// leaving it flat white or nearly dark: the floor, baked, spans a wide range
// of bytes, with white only near the light.
TEST(RoomLight, FallsOffVisiblyInSmallAndLargeRooms) {
  for (double size : {60.0, 200.0, 600.0}) {
    Document doc;
    RoomPlan plan;
    plan.outline = {{0, 0}, {size, 0}, {size, size}, {0, size}};
    plan.tile = float(size / 4);
    TSector* room = BuildRoom(doc, nullptr, plan, nullptr);
    ASSERT_TRUE(room);
    ASSERT_EQ(ComputeLightmaps(doc, {8, 8}), BakeStatus::kDone);
    int lo = 255, hi = 0;
    size_t white = 0, count = 0;
    for (const auto& c : room->Children) {
      if (c->Name != "Boden") continue;
      for (const TTriangle& t : c->Triangles)
        for (size_t i = 0; i < doc.LightmapList[t.LightmapIndex].rgb.size(); i += 3) {
          const int v = doc.LightmapList[t.LightmapIndex].rgb[i];
          lo = std::min(lo, v), hi = std::max(hi, v);
          white += v == 255;
          ++count;
        }
    }
    EXPECT_GE(lo, 96) << size;
    EXPECT_GT(hi - lo, 60) << size;
    EXPECT_LT(white, count / 2) << size;
  }
}

}  // namespace
}  // namespace qx

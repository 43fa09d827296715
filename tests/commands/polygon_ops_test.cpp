#include "commands/polygon_ops.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

struct CountingView : EditorView {
  int redraws = 0;
  void Redraw() override { ++redraws; }
};

struct Scene {
  Editor e;
  CountingView view;
  Scene() { e.view = &view; }
  // The square of "Quadrat" around (x, y, z) with its texture coordinates.
  TSector* Quad(TSector* parent, Vector c, float half = 40) {
    TSector* q = e.CreateNode(parent, kPolygon);
    q->ResizeVertices(4);
    const float sx[4] = {1, -1, 1, -1}, sy[4] = {1, 1, -1, -1};
    const float tu[4] = {1, 0, 1, 0}, tv[4] = {1, 1, 0, 0};
    for (int i = 0; i < 4; ++i) {
      q->Vertices[i].Position = {c.x + half * sx[i], c.y + half * sy[i], c.z};
      q->Vertices[i].TexCoord[0] = tu[i];
      q->Vertices[i].TexCoord[1] = tv[i];
    }
    ComputeBounds(q);
    return q;
  }
};

std::vector<float> TexCoords(const TSector* q) {
  std::vector<float> out;
  for (const TVertex& v : q->Vertices) out.insert(out.end(), {v.TexCoord[0], v.TexCoord[1]});
  return out;
}

TEST(TurnAbout, AxesAndExactQuarterTurns) {
  const Vector c{100, 0, 0};
  EXPECT_EQ(TurnAbout({140, 40, 0}, c, AxisLock::kZ, 90), (Vector{140, -40, 0}));
  EXPECT_EQ(TurnAbout({140, 40, 0}, c, AxisLock::kZ, 180), (Vector{60, -40, 0}));
  EXPECT_EQ(TurnAbout({140, 40, 0}, c, AxisLock::kZ, -90), (Vector{60, 40, 0}));
  EXPECT_EQ(TurnAbout({100, 10, 0}, c, AxisLock::kX, 90), (Vector{100, 0, 10}));
  EXPECT_EQ(TurnAbout({110, 0, 0}, c, AxisLock::kY, 90), (Vector{100, 0, -10}));
  EXPECT_EQ(TurnAbout({110, 5, 7}, c, static_cast<AxisLock>('Q'), 90), (Vector{110, 5, 7}));
  // Thirty-six turns of 10 degrees come back to the start, up to rounding.
  Vector p{137, -20, 3};
  for (int i = 0; i < 36; ++i) p = TurnAbout(p, c, AxisLock::kY, 10);
  EXPECT_NEAR(p.x, 137, 1e-3);
  EXPECT_NEAR(p.z, 3, 1e-3);
  EXPECT_EQ(p.y, -20);
}

TEST(TurnSelectedObjects, PolygonAboutItsStoredCentroid) {
  Scene s;
  TSector* q = s.Quad(nullptr, {100, 50, 0});
  s.e.SelectionList = {q};
  s.e.AxisLock = AxisLock::kZ;
  TurnSelectedObjects(s.e, 90);
  // The corner at (+40, +40) from the centre goes to (+40, -40).
  EXPECT_EQ(q->Vertices[0].Position, (Vector{140, 10, 0}));
  EXPECT_EQ(q->Vertices[3].Position, (Vector{60, 90, 0}));
  TurnSelectedObjects(s.e, 180);
  EXPECT_EQ(q->Vertices[0].Position, (Vector{60, 90, 0}));
  EXPECT_EQ(s.view.redraws, 2);

  // The stored centroid is used as it is, even when stale.
  q->Centroid = {0, 0, 0};
  TurnSelectedObjects(s.e, 180);
  EXPECT_EQ(q->Vertices[0].Position, (Vector{-60, -90, 0}));
}

TEST(TurnSelectedObjects, SectorTurnsAsOneBodyByTheCommandsAngle) {
  Scene s;
  s.e.AxisLock = AxisLock::kY;
  TSector* sector = s.e.CreateNode(nullptr, kSector);
  TSector* q = s.Quad(sector, {0, 0, 0}, 10);
  TSector* light = s.e.CreateNode(sector, kLight);
  light->Position = {30, 5, 0};
  TSector* actor = s.e.CreateNode(sector, kActor);
  actor->Position = {0, 0, 10};
  actor->Heading = 15;
  TSector* particles = s.e.CreateNode(sector, kParticleSystem);
  particles->Position = {-10, 0, 0};
  ComputeBounds(sector);
  ASSERT_EQ(sector->BoundsCenter, (Vector{}));
  s.e.SelectionList = {sector};
  TurnSelectedObjects(s.e, 180);
  EXPECT_EQ(q->Vertices[0].Position, (Vector{-10, 10, 0}));
  EXPECT_EQ(light->Position, (Vector{-30, 5, 0}));  // the same half turn as the walls
  EXPECT_EQ(actor->Position, (Vector{0, 0, -10}));
  EXPECT_EQ(actor->Heading, 195);
  EXPECT_EQ(particles->Position, (Vector{10, 0, 0}));

  s.e.AxisLock = AxisLock::kX;  // a heading has no meaning about X
  TurnSelectedObjects(s.e, 90);
  EXPECT_EQ(actor->Heading, 195);
}

TEST(TurnSelectedObjects, LeavesTurnOnlyInsideASector) {
  Scene s;
  TSector* light = s.e.CreateNode(nullptr, kLight);
  light->Position = {30, 5, 0};
  TSector* actor = s.e.CreateNode(nullptr, kActor);
  actor->Heading = 10;
  s.e.SelectionList = {light, actor};
  s.e.AxisLock = AxisLock::kY;
  TurnSelectedObjects(s.e, 90);
  EXPECT_EQ(light->Position, (Vector{30, 5, 0}));
  EXPECT_EQ(actor->Heading, 10);
  EXPECT_EQ(s.view.redraws, 1);
}

TEST(TexCoordOps, RotateAndMirrorTheSquaresCoordinates) {
  Scene s;
  TSector* q = s.Quad(nullptr, {});
  TSector* light = s.e.CreateNode(nullptr, kLight);
  s.e.SelectionList = {light, q};
  const std::vector<float> start = TexCoords(q);
  RotateSelectedTexCoords(s.e);
  EXPECT_EQ(TexCoords(q), (std::vector<float>{0, 1, 0, 0, 1, 1, 1, 0}));
  for (int i = 0; i < 3; ++i) RotateSelectedTexCoords(s.e);
  EXPECT_EQ(TexCoords(q), start);

  MirrorSelectedTexCoords(s.e);
  EXPECT_EQ(TexCoords(q), (std::vector<float>{0, 1, 1, 1, 0, 0, 1, 0}));
  MirrorSelectedTexCoords(s.e);
  EXPECT_EQ(TexCoords(q), start);
  EXPECT_EQ(s.view.redraws, 6);

  // Portals and models are not quads with texture corners.
  TSector* portal = s.e.CreateNode(nullptr, kPortal);
  portal->ResizeVertices(4);
  portal->Vertices[1].TexCoord[0] = 5;
  // A polygon from a file with fewer than four corners is left alone.
  TSector* short_poly = s.e.CreateNode(nullptr, kPolygon);
  short_poly->ResizeVertices(2);
  short_poly->Vertices[1].TexCoord[0] = 7;
  s.e.SelectionList = {portal, short_poly};
  RotateSelectedTexCoords(s.e);
  MirrorSelectedTexCoords(s.e);
  EXPECT_EQ(portal->Vertices[1].TexCoord[0], 5);
  EXPECT_EQ(short_poly->Vertices[1].TexCoord[0], 7);
}

TEST(TexCoordOps, FromBasisCoversTheWholeSceneOneRepeatPer60Units) {
  Scene s;
  TSector* sector = s.e.CreateNode(nullptr, kSector);
  TSector* sub = s.e.CreateNode(sector, kSector);
  TSector* q = s.Quad(sub, {7, 7, 7});
  TSector* top = s.Quad(nullptr, {}, 30);
  // A stretched quad: edge 0-1 is 120 long, the sides 30.
  TSector* wide = s.Quad(nullptr, {});
  for (TVertex& v : wide->Vertices) v.Position = {v.Position.x * 1.5f, v.Position.y * 0.375f, 0};
  TSector* short_poly = s.e.CreateNode(nullptr, kPolygon);
  short_poly->ResizeVertices(3);
  TexCoordsFromBasis(s.e);  // nothing selected
  const float f = static_cast<float>(80.0 / 60.0);
  EXPECT_EQ(TexCoords(q), (std::vector<float>{0, 0, 0, f, f, 0, f, f}));
  EXPECT_EQ(TexCoords(top), (std::vector<float>{0, 0, 0, 1, 1, 0, 1, 1}));
  EXPECT_EQ(TexCoords(wide), (std::vector<float>{0, 0, 0, 2, 0.5f, 0, 0.5f, 2}));
  EXPECT_EQ(TexCoords(short_poly), (std::vector<float>(6, 0.0f)));
}

}  // namespace
}  // namespace qx

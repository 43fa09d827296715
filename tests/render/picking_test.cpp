#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "commands/start_position.h"
#include "render/offscreen_gl.h"
#include "render/scene_builders.h"

namespace qx {
namespace {

using test::AddPoint;
using test::AddQuad;
using test::LookAlongMinusZ;

class PickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
    e.NewScene();
    LookAlongMinusZ(e);
    room = e.CreateNode(nullptr, kSector);
    room->Id = e.NextId();
  }

  // Picks at the pixel where a world point appears in the last frame.
  uint32_t PickAt(Vector p) {
    gl.renderer.RenderFrame(e, o);
    GLdouble model[16], proj[16];
    GLint vp[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, vp);
    double x, y, z;
    gluProject(p.x, p.y, p.z, model, proj, vp, &x, &y, &z);
    return gl.renderer.PickName(e, o, int(std::lround(x)), gl.height() - int(std::lround(y)));
  }

  test::OffscreenGl gl{320, 240};
  Editor e;
  ViewOptions o;
  TSector* room = nullptr;
};

TEST_F(PickTest, EmptySpaceAndGridGiveZeroTheStartMarkerItsName) {
  EXPECT_EQ(PickAt({30, 30, 0}), 0u);
  EXPECT_EQ(PickAt({60, 0, -200}), 0u);  // on the grid
  EXPECT_EQ(PickAt({0, 0, 0}), kStartPositionPickName);
}

TEST_F(PickTest, NearestOfOverlappingQuadsWins) {
  TSector* back = AddQuad(e, room, {0, 20, -40}, 20);
  TSector* front = AddQuad(e, room, {5, 20, 10}, 10);
  EXPECT_EQ(PickAt({5, 20, 10}), front->Id);
  EXPECT_EQ(PickAt({-15, 35, -40}), back->Id);
  // Culled faces are not hit: turn the front quad away from the camera.
  std::swap(front->Vertices[0].Position, front->Vertices[1].Position);
  std::swap(front->Vertices[2].Position, front->Vertices[3].Position);
  EXPECT_EQ(PickAt({5, 20, 10}), back->Id);
}

TEST_F(PickTest, PointNodesAndTheSectorBoxCarryTheirIds) {
  TSector* light = AddPoint(e, room, kLight, {-30, 20, 0});
  TSector* actor = AddPoint(e, room, kActor, {30, 20, 0});
  EXPECT_EQ(PickAt({-30, 20, 0}), light->Id);
  EXPECT_EQ(PickAt({30, 20, 0}), actor->Id);
  // A selected sector's box has no name of its own: a click on it finds the
  // name loaded last (the actor), never the sector.
  TSector* quad = AddQuad(e, room, {0, 20, -30}, 10);
  ComputeBounds(room);
  room->Marked = 1;
  const uint32_t on_box = PickAt(room->BoundsMin);
  EXPECT_NE(on_box, room->Id);
  (void)quad;
}

TEST_F(PickTest, VertexSphereWinsOverTheNearerPolygon) {
  TSector* quad = AddQuad(e, room, {0, 20, 0}, 20);
  TSector* cover = AddQuad(e, room, {0, 20, 30}, 40);  // nearer, hides the quad
  quad->Marked = 1;
  e.VertexMode = true;
  const Vector corner = quad->Vertices[2].Position;
  EXPECT_EQ(PickAt(corner), quad->Vertices[2].Id);
  // Without markers the spheres are neither drawn nor pickable.
  o.ShowMarkers = false;
  EXPECT_EQ(PickAt(corner), cover->Id);
}

TEST_F(PickTest, HiddenPortalsAndInvisiblePolygonsCannotBePicked) {
  TSector* portal = e.CreateNode(room, kPortal);
  portal->Id = e.NextId();
  portal->ResizeVertices(4);
  const Vector corners[4] = {{-40, 40, 0}, {-20, 40, 0}, {-20, 20, 0}, {-40, 20, 0}};
  for (int i = 0; i < 4; ++i) portal->Vertices[i].Position = corners[i];
  TSector* ghost = AddQuad(e, room, {30, 30, 0}, 10);
  ghost->Visible = 0;
  EXPECT_EQ(PickAt({-30, 30, 0}), portal->Id);
  EXPECT_EQ(PickAt({30, 30, 0}), ghost->Id);
  o.ShowPortals = false;
  o.ShowTransparent = false;
  EXPECT_EQ(PickAt({-30, 30, 0}), 0u);
  EXPECT_EQ(PickAt({30, 30, 0}), 0u);
}

TEST_F(PickTest, MoreThanEightHitsSelectNothing) {
  std::vector<TSector*> quads;
  for (int i = 0; i < 9; ++i) quads.push_back(AddQuad(e, room, {0, 20, -10.0f * i}, 40));
  EXPECT_EQ(PickAt({0, 20, 0}), 0u);
  quads.back()->Visible = 0;
  o.ShowTransparent = false;
  EXPECT_EQ(PickAt({0, 20, 0}), quads.front()->Id);  // eight: the nearest
}

}  // namespace
}  // namespace qx

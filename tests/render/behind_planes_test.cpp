// Surfaces whose plane the eye is behind are not sent to GL, since culling
// would drop them all: frames look exactly as when they are sent, from
// outside rooms, inside them, and with the eye on a plane or a hair behind it.

#include <gtest/gtest.h>

#include "render/offscreen_gl.h"
#include "render/render_compare.h"
#include "render/scene_builders.h"

namespace qx {
namespace {

using test::AddQuad;
using test::DifferingShare;

class BehindPlanesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
    gl.retained.SetFrameCacheEnabled(false);
  }
  void TearDown() override { gl.retained.Detach(); }

  // The frame with surfaces behind their planes left out, checked against
  // sending everything; returns how many triangles were left out.
  int CheckedFrame(const char* what) {
    gl.retained.SetSkipBehindPlanes(false);
    gl.retained.RenderFrame(e, o);
    const QImage all = gl.Image();
    EXPECT_EQ(gl.retained.LastFrame().triangles_skipped, 0) << what;
    gl.retained.SetSkipBehindPlanes(true);
    gl.retained.RenderFrame(e, o);
    const QImage skipped = gl.Image();
    test::SaveForLook(std::string("behind_") + what, all, skipped);
    EXPECT_EQ(DifferingShare(all, skipped), 0.0) << what;
    return gl.retained.LastFrame().triangles_skipped;
  }

  test::OffscreenGl gl{256, 192};
  Editor e;
  ViewOptions o;
};

TEST_F(BehindPlanesTest, MixedScenesFromManyCamerasLookTheSame) {
  int skipped = 0;
  for (uint32_t seed : {1u, 2u, 3u}) {
    test::BuildMixedScene(e, seed);
    e.PublishChanges();
    for (int turn = 0; turn < 8; ++turn) {
      e.CameraHeading = 45.0f * float(turn);
      e.CameraPitch = turn % 2 ? -40.0f : 10.0f;
      e.CameraPosition = {float(turn * 20 - 80), turn % 3 ? 90.0f : 25.0f, 100.0f - float(turn * 25)};
      skipped += CheckedFrame(("mixed_" + std::to_string(seed) + "_" + std::to_string(turn)).c_str());
    }
  }
  EXPECT_GT(skipped, 0) << "quads at random angles face away from some cameras";
  // Wireframe and no culling draw every face: nothing is left out.
  o.Wireframe = true;
  EXPECT_EQ(CheckedFrame("wireframe"), 0);
  o.Wireframe = false;
  o.CullFace = false;
  EXPECT_EQ(CheckedFrame("no_culling"), 0);
}

TEST_F(BehindPlanesTest, TheEyeOnAPlaneOrAHairBehindIt) {
  e.NewScene();
  TSector* room = e.CreateNode(nullptr, kSector);
  room->Id = e.NextId();
  // A wall of quads in z = 0 seen from +z, and a second wall turned away.
  for (int i = 0; i < 9; ++i) AddQuad(e, room, {float(i % 3) * 20 - 20, float(i / 3) * 20 - 20, 0}, 10);
  for (int i = 0; i < 3; ++i) AddQuad(e, room, {float(i) * 20 - 20, 0, -40}, 10, false);
  ComputeBounds(room);
  e.PublishChanges();
  test::LookAlongMinusZ(e, 80);
  EXPECT_EQ(CheckedFrame("front"), 6) << "the wall turned away";
  // Behind the first wall by a clear distance: it is left out too.
  e.CameraPosition.z = -5;
  EXPECT_GE(CheckedFrame("behind"), 18);
  // In its plane, and so close behind it that rounding decides: GL's culling
  // decides, the wall is sent.
  for (float z : {0.0f, -1e-6f, -1e-4f, 1e-4f}) {
    e.CameraPosition = {3, 2, z};
    e.CameraHeading = 90;  // along the wall
    CheckedFrame("grazing");
    EXPECT_LE(gl.retained.LastFrame().triangles_skipped, 6) << z;
  }
}

}  // namespace
}  // namespace qx

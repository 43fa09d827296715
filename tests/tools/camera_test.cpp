#include "tools/camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qx {
namespace {

TEST(Camera, NewSceneLooksAtTheGroundInFront) {
  Editor e;
  e.NewScene();
  const CameraLookAt v = ApplyCameraView(e);
  EXPECT_EQ(v.eye, (Vector{0, 80, 70}));
  // Exactly on the grid line x = 0 to float precision: a square inserted there snaps symmetrically.
  EXPECT_NEAR(e.CameraTarget.x, 0.0, 1e-12);
  EXPECT_EQ(e.CameraTarget.x + 30.0f, 30.0f);
  EXPECT_NEAR(e.CameraTarget.y, 36.7, 0.05);
  EXPECT_NEAR(e.CameraTarget.z, 20.0, 1e-4);
  EXPECT_EQ(v.center, e.CameraTarget);
  EXPECT_EQ(v.up, (Vector{0, 1, 0}));
  // The view goes down by atan(sin 60°), about 41 degrees.
  const Vector u = CameraViewDirection(e);
  EXPECT_NEAR(std::atan2(-u.y, std::hypot(u.x, u.z)) * 180 / kPi, 40.89, 0.01);
}

TEST(Camera, HeadingWrapsOncePerFrameAndPitchClamps) {
  Editor e;
  e.CameraHeading = 370;
  ApplyCameraView(e);
  EXPECT_FLOAT_EQ(e.CameraHeading, 10);
  e.CameraHeading = 730;
  ApplyCameraView(e);
  EXPECT_FLOAT_EQ(e.CameraHeading, 370);
  ApplyCameraView(e);
  EXPECT_FLOAT_EQ(e.CameraHeading, 10);
  e.CameraHeading = -30;
  ApplyCameraView(e);
  EXPECT_FLOAT_EQ(e.CameraHeading, 330);

  e.CameraPitch = 135;
  ApplyCameraView(e);
  EXPECT_FLOAT_EQ(e.CameraPitch, 90);
  // At the limit the view points 45 degrees up, never straight up.
  const Vector u = CameraViewDirection(e);
  EXPECT_NEAR(std::atan2(u.y, std::hypot(u.x, u.z)) * 180 / kPi, 45.0, 1e-3);
  e.CameraPitch = -200;
  ApplyCameraView(e);
  EXPECT_FLOAT_EQ(e.CameraPitch, -90);
}

TEST(Camera, DamagedAnglesDoNotPoisonTheView) {
  Editor e;
  e.CameraHeading = std::nanf("");
  e.CameraPitch = INFINITY;
  ApplyCameraView(e);
  EXPECT_TRUE(std::isfinite(e.CameraTarget.x) && std::isfinite(e.CameraTarget.y) &&
              std::isfinite(e.CameraTarget.z));
}

TEST(Camera, KeysMoveAlongAndAcrossTheView) {
  Editor e;
  e.NewScene();
  ApplyCameraView(e);
  const Vector u = CameraViewDirection(e);
  MoveCameraByKey(e, 'W');
  EXPECT_NEAR(e.CameraPosition.y, 80 + 2 * u.y, 1e-4);
  EXPECT_NEAR(e.CameraPosition.z, 70 + 2 * u.z, 1e-4);
  MoveCameraByKey(e, 'S');
  EXPECT_NEAR(e.CameraPosition.y, 80, 1e-4);
  EXPECT_NEAR(e.CameraPosition.z, 70, 1e-4);

  // Looking along -z: A goes to -x (left), D to +x; the step is the horizontal
  // part of the view only, so it is shorter than 2 when looking down.
  MoveCameraByKey(e, 'A');
  EXPECT_LT(e.CameraPosition.x, 0);
  EXPECT_GT(e.CameraPosition.x, -2);
  EXPECT_NEAR(e.CameraPosition.x, -2 * std::hypot(u.x, u.z), 1e-4);
  MoveCameraByKey(e, 'D');
  MoveCameraByKey(e, 'D');
  EXPECT_NEAR(e.CameraPosition.x, 2 * std::hypot(u.x, u.z), 1e-4);
  EXPECT_NEAR(e.CameraPosition.y, 80, 1e-4);

  const Vector before = e.CameraPosition;
  MoveCameraByKey(e, 'X');  // no action, but the view is applied
  EXPECT_EQ(e.CameraPosition, before);
}

TEST(Camera, WheelNotchMovesTwelveUnits) {
  Editor e;
  e.NewScene();
  MoveCameraByWheel(e, 120);
  const Vector d = VectorSubtract(e.CameraPosition, Vector{0, 80, 70});
  EXPECT_NEAR(VectorLengthD(d), 12.0, 1e-4);
  EXPECT_LT(d.z, 0);  // forward is -z in a new scene
  MoveCameraByWheel(e, -120);
  EXPECT_NEAR(e.CameraPosition.z, 70, 1e-4);
}

TEST(Camera, LookDragTurnsHalfADegreePerPixel) {
  Editor e;
  e.NewScene();
  DragCamera(e, 10, -4);
  EXPECT_FLOAT_EQ(e.CameraHeading, 185);
  EXPECT_FLOAT_EQ(e.CameraPitch, -62);
  DragCamera(e, 0, 0);  // holding still changes nothing
  EXPECT_FLOAT_EQ(e.CameraHeading, 185);
  e.CameraPitch = 89;
  DragCamera(e, 0, 10);
  EXPECT_FLOAT_EQ(e.CameraPitch, 94);  // clamped only by the next frame
  ApplyCameraView(e);
  EXPECT_FLOAT_EQ(e.CameraPitch, 90);
}

TEST(Camera, MoveDragStrafesThenGoesForward) {
  Editor e;
  e.NewScene();
  e.CameraMode = CameraMode::kMove;
  e.CameraPitch = 0;  // level view along -z
  ApplyCameraView(e);
  // Mouse to the right by 5: dx = -5; the camera goes right (+x, looking along -z).
  DragCamera(e, -5, 0);
  EXPECT_NEAR(e.CameraPosition.x, 5, 1e-4);
  EXPECT_NEAR(e.CameraPosition.y, 80, 1e-4);
  EXPECT_NEAR(e.CameraPosition.z, 70, 1e-4);
  // Mouse up by 3 (dy = 3): forward, towards the unchanged target.
  ApplyCameraView(e);
  const Vector target = e.CameraTarget;
  const double before = VectorLengthD(VectorSubtract(target, e.CameraPosition));
  DragCamera(e, 0, 3);
  EXPECT_NEAR(VectorLengthD(VectorSubtract(target, e.CameraPosition)), before - 3, 1e-3);
}

TEST(Camera, GridFollowsTheCameraByWholeCells) {
  GridLayout g = ComputeGrid({0, 80, 70}, 20, 500);
  EXPECT_EQ(g.count, 25);  // 51 lines each way
  EXPECT_FLOAT_EQ(g.center_x, 0);
  EXPECT_FLOAT_EQ(g.center_z, 80);  // 70 / 20 = 3.5 rounds to the even 4
  g = ComputeGrid({9.9f, 0, 50}, 20, 500);
  EXPECT_FLOAT_EQ(g.center_x, 0);   // less than half a cell: stays
  EXPECT_FLOAT_EQ(g.center_z, 40);  // 2.5 rounds to the even 2
  g = ComputeGrid({10.1f, 0, -30}, 20, 500);
  EXPECT_FLOAT_EQ(g.center_x, 20);   // crossed half a cell
  EXPECT_FLOAT_EQ(g.center_z, -40);  // -1.5 rounds to -2
  g = ComputeGrid({0, 0, 0}, 600, 500);
  EXPECT_EQ(g.count, 0);  // only the two lines through the centre
  EXPECT_EQ(ComputeGrid({0, 0, 0}, 0, 500).count, -1);
  EXPECT_EQ(ComputeGrid({0, 0, 0}, -5, 500).count, -1);
}

TEST(Camera, BoxOutsideClipVolumeIsConservative) {
  // Identity: the clip volume is the cube -1..1 (w = 1).
  double id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  EXPECT_FALSE(BoxOutsideClipVolume(id, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, 1));
  EXPECT_TRUE(BoxOutsideClipVolume(id, {1.5f, 0, 0}, {2, 1, 1}, 1));
  EXPECT_FALSE(BoxOutsideClipVolume(id, {1.5f, 0, 0}, {2, 1, 1}, 2));  // widened across
  EXPECT_TRUE(BoxOutsideClipVolume(id, {0, 0, 1.5f}, {0, 0, 2}, 2));   // depth is never widened
  EXPECT_FALSE(BoxOutsideClipVolume(id, {-5, -5, -5}, {5, 5, 5}, 1));  // straddles every plane
  EXPECT_FALSE(BoxOutsideClipVolume(id, {std::nanf(""), 0, 0}, {3, 3, 3}, 1));
  // A perspective: a box behind the eye (w < 0 for all corners) is outside.
  double persp[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, -1, 0, 0, -2, 0};
  EXPECT_TRUE(BoxOutsideClipVolume(persp, {-1, -1, 5}, {1, 1, 6}, 1));
  EXPECT_FALSE(BoxOutsideClipVolume(persp, {-1, -1, -6}, {1, 1, -5}, 1));
  EXPECT_TRUE(BoxOutsideClipVolume(persp, {20, -1, -6}, {21, 1, -5}, 1));  // beside the view
}

}  // namespace
}  // namespace qx

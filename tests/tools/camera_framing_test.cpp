#include "tools/camera_framing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "commands/insert.h"
#include "commands/selection.h"
#include "tests/commands/recording_view.h"
#include "tools/camera.h"

namespace qx {
namespace {

struct CameraFramingTest : ::testing::Test {
  Editor e;
  test::RecordingView view;
  CameraFramingTest() {
    view.Attach(e);
    e.NewScene();
    ApplyCameraView(e);
  }
};

// Distance of p from the line through the eye along the view.
double OffAxis(const Editor& e, const Vector& p) {
  Vector u = VectorSubtract(e.CameraTarget, e.CameraPosition);
  VectorNormalize(u);
  const Vector d = VectorSubtract(p, e.CameraPosition);
  return VectorLengthD(VectorCross(d, u));
}

TEST_F(CameraFramingTest, TheSelectionsBoxFillsTheViewStraightAhead) {
  InsertSector(e);
  e.CameraTarget = {200, 0, -300};
  TSector* q = InsertSquare(e);  // 80 x 80 in the plane z = -300, centre (200, 0)
  e.CameraHeading = 200;
  e.CameraPitch = -20;
  ASSERT_TRUE(FrameSelection(e, 1.0));
  EXPECT_EQ(e.CameraHeading, 200);
  EXPECT_EQ(e.CameraPitch, -20);
  const Vector centre{200, 0, -300};
  EXPECT_LT(OffAxis(e, centre), 1e-3);
  // The box's sphere (radius 40 * sqrt 2) touches the view's edges: 57 degrees across.
  const double distance = VectorLengthD(VectorSubtract(centre, e.CameraPosition));
  EXPECT_NEAR(distance, 40 * std::sqrt(2.0) / std::sin(28.5 * kPi / 180), 1e-3);
  // A wide view is limited by its height, a narrow one by its width.
  ASSERT_TRUE(FrameSelection(e, 0.5));
  const double narrow = VectorLengthD(VectorSubtract(centre, e.CameraPosition));
  EXPECT_GT(narrow, distance * 1.5);
  // Framed again from there: the same place.
  ASSERT_TRUE(FrameSelection(e, 1.0));
  EXPECT_NEAR(VectorLengthD(VectorSubtract(centre, e.CameraPosition)), distance, 1e-3);
  (void)q;
}

TEST_F(CameraFramingTest, NothingSelectedStaysAndASingleLightKeepsADistance) {
  const Vector eye = e.CameraPosition;
  EXPECT_FALSE(FrameSelection(e));
  EXPECT_EQ(e.CameraPosition, eye);
  InsertSector(e);
  e.CameraTarget = {0, 0, 0};
  InsertLight(e);
  ASSERT_TRUE(FrameSelection(e));
  EXPECT_NEAR(VectorLengthD(e.CameraPosition), kMinFrameDistance, 1e-3);
}

TEST_F(CameraFramingTest, StartViewIsTheNewSceneCamera) {
  e.CameraPosition = {1, 2, 3};
  e.CameraHeading = 12;
  e.CameraPitch = 40;
  ResetCameraView(e);
  EXPECT_EQ(e.CameraPosition, (Vector{0, 80, 70}));
  EXPECT_EQ(e.CameraHeading, 180);
  EXPECT_EQ(e.CameraPitch, -60);
  EXPECT_NEAR(e.CameraTarget.y, 36.7, 0.05);
}

TEST_F(CameraFramingTest, QAndEGoDownAndUpAndShiftIsFourTimesAsFast) {
  MoveCameraByKey(e, 'E');
  EXPECT_EQ(e.CameraPosition, (Vector{0, 82, 70}));
  MoveCameraByKey(e, 'Q', kFastCameraFactor);
  EXPECT_EQ(e.CameraPosition, (Vector{0, 74, 70}));
  const Vector before = e.CameraPosition;
  MoveCameraByKey(e, 'W');
  const double slow = VectorLengthD(VectorSubtract(e.CameraPosition, before));
  const Vector mid = e.CameraPosition;
  MoveCameraByKey(e, 'W', kFastCameraFactor);
  EXPECT_NEAR(VectorLengthD(VectorSubtract(e.CameraPosition, mid)), 4 * slow, 1e-4);
  const Vector w0 = e.CameraPosition;
  MoveCameraByWheel(e, 120, kFastCameraFactor);
  EXPECT_NEAR(VectorLengthD(VectorSubtract(e.CameraPosition, w0)), 48, 1e-3);
}

}  // namespace
}  // namespace qx

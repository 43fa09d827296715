// With "Cull Face" on, the side a triangle's normal points to is its front,
// in both renderers: a square inserted from the new-scene camera is drawn,
// and a model shows its outside.

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <QColor>
#include <array>

#include "commands/insert.h"
#include "commands/model_insert.h"
#include "models/test_md2.h"
#include "render/offscreen_gl.h"
#include "render/scene_builders.h"

namespace qx {
namespace {

class FacingTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
    renderer = GetParam() ? static_cast<ViewportRenderer*>(&gl.retained) : &gl.renderer;
    o.ShowGrid = false;
    o.ShowNormals = false;
  }
  void TearDown() override { gl.retained.Detach(); }

  QColor At(Vector p) {
    renderer->RenderFrame(e, o);
    return gl.PixelAt(gl.Image(), p);
  }

  test::OffscreenGl gl{256, 192};
  ViewportRenderer* renderer = nullptr;
  Editor e;
  ViewOptions o;
};

TEST_P(FacingTest, ASquareInsertedFromTheNewSceneCameraIsDrawn) {
  e.NewScene();
  renderer->RenderFrame(e, o);  // the look-at point the square goes to
  ASSERT_NE(InsertSector(e), nullptr);
  TSector* square = InsertSquare(e);
  ASSERT_NE(square, nullptr);
  ASSERT_TRUE(o.CullFace);
  const Vector centre = square->Centroid;
  EXPECT_NE(At(centre), QColor(128, 128, 128));
  EXPECT_EQ(At(centre), QColor(255, 255, 255));
  // Seen from behind, culled.
  e.CameraPosition = {e.CameraPosition.x, e.CameraPosition.y, -e.CameraPosition.z};
  e.CameraHeading = 0;
  EXPECT_EQ(At(centre), QColor(128, 128, 128));
  o.CullFace = false;
  EXPECT_EQ(At(centre), QColor(255, 255, 255));
}

// A cube as MD2 files store triangles: clockwise seen from outside.
test::Md2Spec CubeMd2() {
  test::Md2Spec s;
  s.tex_coords = {{0, 0}};
  test::Md2Frame f;
  f.scale[0] = f.scale[1] = f.scale[2] = 0.1f;
  f.translate[0] = f.translate[1] = f.translate[2] = -12.75f;
  for (int i = 0; i < 8; ++i)
    f.vertices.push_back({uint8_t(i & 1 ? 255 : 0), uint8_t(i & 2 ? 255 : 0), uint8_t(i & 4 ? 255 : 0)});
  s.frames = {f};
  // Each face counter-clockwise from outside, then written the other way round.
  const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                           {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (const auto& q : faces)
    for (const std::array<int, 3>& t :
         {std::array<int, 3>{q[0], q[1], q[2]}, std::array<int, 3>{q[0], q[2], q[3]}})
      s.triangles.push_back({int16_t(t[0]), int16_t(t[2]), int16_t(t[1]), 0, 0, 0});
  return s;
}

TEST_P(FacingTest, AModelShowsItsOutside) {
  e.NewScene();
  e.StartPosition = {200, 200, 200};  // its marker out of the way
  test::LookAlongMinusZ(e, 100);
  auto md2 = std::make_unique<TMD2>();
  const std::vector<uint8_t> bytes = test::MakeMd2(CubeMd2());
  ASSERT_TRUE(md2->LoadFromMemory(bytes.data(), bytes.size()));
  TSector* room = e.CreateNode(nullptr, kSector);
  TSector* cube = e.Tree.AddChild(room, BuildModelNode(e, std::move(md2), Vector{}));  // origin at 0
  // Corners nearer the camera red, the far ones blue (vertex lighting shows them).
  for (TVertex& v : cube->Vertices) {
    const bool near = v.Position.z > 0;
    v.Color[0] = near ? 1.0f : 0.0f, v.Color[1] = 0, v.Color[2] = near ? 0.0f : 1.0f, v.Color[3] = 1;
  }
  EXPECT_EQ(At({0, 0, 12.75f}), QColor(255, 0, 0));
  // From inside the cube, its faces are culled.
  test::LookAlongMinusZ(e, 5);
  EXPECT_EQ(At({0, 0, -12.75f}), QColor(128, 128, 128));
}

INSTANTIATE_TEST_SUITE_P(Renderers, FacingTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Retained" : "Immediate"; });

}  // namespace
}  // namespace qx

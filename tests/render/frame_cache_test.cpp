// Frames that copy the static part of the picture from the frame cache have
// exactly the pixels of frames drawn in full: through the steps of a drag
// behind and in front of kept geometry (so depth is kept too), and anything
// the kept picture depends on makes the next frame draw in full again.

#include <gtest/gtest.h>

#include "cli/demo_level.h"
#include "commands/transform.h"
#include "lighting/lightmap.h"
#include "render/gl_uploads.h"
#include "render/offscreen_gl.h"
#include "render/render_compare.h"
#include "render/scene_builders.h"
#include "tools/drag.h"

namespace qx {
namespace {

using test::AddPoint;
using test::AddQuad;
using test::DifferingShare;

class FrameCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
    e.NewScene();
    e.Textures.ReplaceAll(DemoTextures());
    e.Textures.SetUploader(&uploads);
    auto names = [this](int i) { return e.Textures.TextureGLName(i); };
    gl.retained.texture_name = names;
    test::LookAlongMinusZ(e, 150);
    e.CameraPosition.y = 30;  // the grid in view, seen from above
    // A textured wall of quads at z = 0 and, behind it, a quad to drag
    // through it, with a light.
    TSector* wall = e.CreateNode(nullptr, kSector);
    wall->Id = e.NextId();
    for (int i = 0; i < 16; ++i) {
      TSector* q = AddQuad(e, wall, {float(i % 4) * 22 - 33, float(i / 4) * 22 - 33, 0}, 10);
      q->TextureIndex = uint16_t(i % 3);
    }
    AddPoint(e, wall, kLight, {0, 0, 40});
    ComputeBounds(wall);
    TSector* room = e.CreateNode(nullptr, kSector);
    room->Id = e.NextId();
    mover = AddQuad(e, room, {-40, 0, -10}, 25);
    mover->TextureIndex = 3;
    ComputeBounds(room);
    e.PublishChanges();
  }
  void TearDown() override {
    gl.retained.Detach();
    e.Textures.SetUploader(nullptr);
  }

  // A frame as the viewport draws it, and whether it used the kept picture.
  QImage Frame(bool* reused = nullptr) {
    gl.retained.RenderFrame(e, o);
    if (reused) *reused = gl.retained.LastFrameReused();
    return gl.Image();
  }
  // The same frame drawn in full.
  QImage FullFrame() {
    gl.retained.SetFrameCacheEnabled(false);
    QImage img = Frame();
    gl.retained.SetFrameCacheEnabled(true);
    EXPECT_FALSE(gl.retained.LastFrameReused());
    return img;
  }
  // Two frames with the camera still: the second keeps the picture.
  void Settle() {
    Frame();
    Frame();
  }

  test::OffscreenGl gl{256, 192};
  test::GlUploads uploads;
  Editor e;
  PointerState drag;
  ViewOptions o;
  TSector* mover = nullptr;
};

TEST_F(FrameCacheTest, DragStepsReuseTheKeptPictureWithTheSamePixels) {
  Settle();
  mover->Marked = 1;
  e.SelectionList = {mover};
  e.ToolMode = ToolMode::kMove;
  e.AxisLock = AxisLock::kZ;
  bool reused = false;
  // Through the wall and out in front of it, then sideways across it.
  for (int step = 0; step < 8; ++step) {
    drag.step_counter = 1000;
    if (step == 5) e.AxisLock = AxisLock::kX;
    DragStep(e, drag, step < 5 ? 1 : -1);
    e.PublishChanges();
    const QImage cached = Frame(&reused);
    // The first step takes the quad out of its chunk: drawn in full, kept anew.
    EXPECT_EQ(reused, step > 0) << "step " << step;
    EXPECT_EQ(DifferingShare(FullFrame(), cached), 0.0) << "step " << step;
  }
  // Selecting something else draws only markers anew.
  mover->Marked = 0;
  TSector* other = e.Tree.First()->Children[3].get();
  other->Marked = 1;
  e.SelectionList = {other};
  const QImage selected = Frame(&reused);
  EXPECT_TRUE(reused);
  EXPECT_EQ(DifferingShare(FullFrame(), selected), 0.0);
}

TEST_F(FrameCacheTest, WhatThePictureDependsOnMakesTheNextFrameDrawInFull) {
  struct Case {
    const char* what;
    std::function<void()> change;
  };
  TSector* quad = e.Tree.First()->Children[5].get();
  const Case cases[] = {
      {"a texture assigned",
       [&] {
         quad->TextureIndex = 3;
         e.Changed(quad, kChangeAppearance);
         e.PublishChanges();
       }},
      // A released texture name comes back for the new pixels.
      {"a texture's picture replaced", [&] { e.Textures.Replace(0, DemoTextures()[4]); }},
      {"normals hidden", [&] { o.ShowNormals = false; }},
      {"grid size", [&] { e.GridSize *= 2; }},
      {"camera turned", [&] { e.CameraHeading += 1; }},
      {"lightmaps baked",
       [&] {
         ASSERT_EQ(ComputeLightmaps(e, LightmapSize{4, 4}, {}, &uploads), BakeStatus::kDone);
         e.PublishChanges();
       }},
      {"a node removed",
       [&] {
         e.Tree.Remove(e.Tree.First()->Children[0].get());
         e.PublishChanges();
       }},
  };
  for (const Case& c : cases) {
    Settle();
    const QImage before = Frame();
    ASSERT_TRUE(gl.retained.LastFrameReused()) << c.what;
    c.change();
    bool reused = true;
    const QImage after = Frame(&reused);
    EXPECT_FALSE(reused) << c.what;
    EXPECT_EQ(DifferingShare(FullFrame(), after), 0.0) << c.what;
    EXPECT_GT(DifferingShare(before, after), 0.0) << c.what << " shows";
  }
  // Wireframe frames pass line widths on in tree order: never split.
  o.Wireframe = true;
  Settle();
  bool reused = true;
  Frame(&reused);
  EXPECT_FALSE(reused);
}

}  // namespace
}  // namespace qx

// The speed-ups of the drawing (skipped redundant state changes, pick culling)
// must not change a single pixel or pick result.

#include <gtest/gtest.h>

#include <random>

#include "render/gl_uploads.h"
#include "render/offscreen_gl.h"
#include "render/scene_builders.h"
#include "scene/polygon_data.h"

namespace qx {
namespace {

using test::AddPoint;
using test::AddQuad;

// Rooms of quads at random angles with textures, lights, portals, actors,
// checkpoints, a model and selected nodes with vertex spheres.
void BuildMixedScene(Editor& e, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> pos(-120, 120), angle(0, 6.28f);
  e.NewScene();
  e.CameraPosition = {10, 90, 220};
  e.CameraHeading = 185;
  e.CameraPitch = -40;
  e.StartPosition = {5, 0, -5};
  for (int r = 0; r < 4; ++r) {
    TSector* room = e.CreateNode(nullptr, kSector);
    room->Id = e.NextId();
    for (int i = 0; i < 25; ++i) {
      TSector* q = AddQuad(e, room, {pos(rng), pos(rng) / 3 + 30, pos(rng)}, 8 + float(i % 5) * 4, rng() % 2);
      // Turn it about y by a random angle so faces meet at all kinds of slopes.
      const float a = angle(rng);
      const Vector c = q->Vertices[0].Position;
      for (TVertex& v : q->Vertices) {
        const float dx = v.Position.x - c.x, dz = v.Position.z - c.z;
        v.Position.x = c.x + dx * std::cos(a) - dz * std::sin(a);
        v.Position.z = c.z + dx * std::sin(a) + dz * std::cos(a);
      }
      UpdatePolygonData(q);
      q->TextureIndex = static_cast<uint16_t>(rng() % 4);
      q->LightingMode = static_cast<uint8_t>(rng() % 3);
      q->Visible = rng() % 7 != 0;
      q->Marked = rng() % 9 == 0;
      for (TVertex& v : q->Vertices) {
        v.Color[0] = float(rng() % 256) / 255, v.Color[1] = float(rng() % 256) / 255, v.Color[2] = 0.5f;
        v.Marked = rng() % 2;
      }
      if (rng() % 3 == 0) {
        q->Triangles[0].LightmapTexture = 100;  // replaced by a real name below
        q->Triangles[1].LightmapTexture = 101;
      }
    }
    TSector* light = AddPoint(e, room, kLight, {pos(rng), 40, pos(rng)});
    light->Color[0] = 255, light->Color[1] = 200, light->Color[2] = 40;
    light->Marked = r == 1;
    TSector* actor = AddPoint(e, room, kActor, {pos(rng), 10, pos(rng)});
    actor->Heading = 40.0f * r;
    AddPoint(e, room, kParticleSystem, {pos(rng), 20, pos(rng)});
    TSector* cp = AddPoint(e, room, kCheckpoint, {pos(rng), 5, pos(rng)});
    cp->Marked = r == 2;
    TSector* portal = e.CreateNode(room, kPortal);
    portal->Id = e.NextId();
    portal->ResizeVertices(4);
    const Vector p{pos(rng), 20, pos(rng)};
    const Vector corners[4] = {{p.x - 15, p.y + 15, p.z},
                               {p.x + 15, p.y + 15, p.z},
                               {p.x + 15, p.y - 15, p.z},
                               {p.x - 15, p.y - 15, p.z}};
    for (int i = 0; i < 4; ++i)
      portal->Vertices[i].Position = corners[i], portal->Vertices[i].Id = e.NextId();
    portal->Marked = r % 2;
    ComputeBounds(room);
    room->Marked = r == 3;
  }
  TSector* model = e.CreateNode(e.Tree.First(), kModel);
  model->Id = e.NextId();
  model->ResizeVertices(30);
  for (int i = 0; i < 30; ++i)
    model->Vertices[i].Position = {30 * std::cos(i * 0.4f), float(i), 30 * std::sin(i * 0.4f)},
    model->Vertices[i].Id = e.NextId();
  model->ResizeTriangles(28);
  for (int t = 0; t < 28; ++t)
    model->Triangles[t].V0 = t, model->Triangles[t].V1 = t + 1, model->Triangles[t].V2 = t + 2;
  model->Marked = 1;
  ComputeBounds(model);
}

class EquivalenceTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (!gl.ok()) GTEST_SKIP() << "no OpenGL context";
    std::vector<uint8_t> px(16 * 16 * 3);
    for (int t = 0; t < 4; ++t) {
      for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * (t + 5) % 256);
      textures.push_back(UploadTexturePixels(px.data(), 16, 16));
    }
    const uint8_t lm[4 * 3] = {250, 20, 20, 20, 250, 20, 20, 20, 250, 200, 200, 200};
    lightmap = UploadLightmapPixels(lm, 2, 2);
    gl.renderer.texture_name = [this](int i) { return i < 4 ? textures[size_t(i)] : 0u; };
    BuildMixedScene(e, 7);
    e.Tree.Walk([&](TSector* n) {
      for (TTriangle& t : n->Triangles)
        if (t.LightmapTexture) t.LightmapTexture = lightmap;
    });
    const int variant = GetParam();
    o.Wireframe = variant & 1;
    o.CullFace = !(variant & 2);
    o.ShowTransparent = !(variant & 4);
    o.ShowTextures = !(variant & 8);
    e.VertexMode = variant & 16;
  }
  test::OffscreenGl gl{256, 192};
  Editor e;
  ViewOptions o;
  std::vector<uint32_t> textures;
  uint32_t lightmap = 0;
};

TEST_P(EquivalenceTest, SkippedStateChangesLeaveThePictureAlone) {
  gl.renderer.SetStateCache(false);
  gl.renderer.RenderFrame(e, o);
  const QImage literal = gl.Image();
  gl.renderer.SetStateCache(true);
  gl.renderer.RenderFrame(e, o);
  const QImage cached = gl.Image();
  EXPECT_TRUE(literal == cached);
}

TEST_P(EquivalenceTest, PickCullingKeepsEveryPickResult) {
  gl.renderer.RenderFrame(e, o);
  int hits = 0;
  // Every 11th pixel: Mesa's selection mode keeps some memory for every vertex
  // it is given, and the picks without culling give it everything.
  // Vertex spheres are many vertices each: fewer picks there.
  const int step = e.VertexMode ? 29 : 11;
  for (int y = 1; y < gl.height(); y += step)
    for (int x = 1; x < gl.width(); x += step) {
      gl.renderer.SetPickCulling(false);
      const uint32_t full = gl.renderer.PickName(e, o, x, y);
      gl.renderer.SetPickCulling(true);
      const uint32_t culled = gl.renderer.PickName(e, o, x, y);
      ASSERT_EQ(full, culled) << "at " << x << "," << y << " full " << e.FindById(full)->Name << " culled "
                              << (culled ? e.FindById(culled)->Name : std::string("-"));
      hits += full != 0;
    }
  EXPECT_GT(hits, e.VertexMode ? 8 : 40);  // the scene covers much of the picture
}

INSTANTIATE_TEST_SUITE_P(ViewOptions, EquivalenceTest, ::testing::Values(0, 1, 2, 5, 8, 15, 16));

}  // namespace
}  // namespace qx

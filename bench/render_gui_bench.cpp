// Frame and pick times of the viewport drawing on the machine's OpenGL
// (Mesa llvmpipe under Xvfb here). Run under an X server:
//   xvfb-run -a -s '-screen 0 1280x1024x24' build/bench/render_gui_bench [quads...]
// (default 1000 10000 50000). Scenes: sectors of 100 floor quads with four
// library textures, one light per sector and five 500-triangle models; the
// "baked" figures give every triangle its own 8 x 8 lightmap, as after a bake.
// All times in milliseconds, medians; QX_BENCH_CPU=1 measures process CPU time
// instead of wall-clock time.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "render/gl_uploads.h"
#include "render/offscreen_gl.h"
#include "scene/polygon_data.h"

using namespace qx;

namespace {

constexpr int kWidth = 800, kHeight = 600;
constexpr float kSpacing = 25, kSize = 20;

TSector* AddFloorQuad(Editor& e, TSector* parent, float x, float z) {
  TSector* q = e.CreateNode(parent, kPolygon);
  q->Id = e.NextId();
  q->Visible = 1;
  q->ResizeVertices(4);
  q->ResizeTriangles(2);
  const float xs[4] = {x, x + kSize, x, x + kSize}, zs[4] = {z, z, z + kSize, z + kSize};
  for (int i = 0; i < 4; ++i) {
    TVertex& v = q->Vertices[i];
    v.Id = e.NextId();
    v.Position = {xs[i], -1, zs[i]};  // the face looks up: visible from above with culling on
    v.Color[0] = v.Color[1] = v.Color[2] = v.Color[3] = 1;
    v.TexCoord[0] = float(i & 1);
    v.TexCoord[1] = float(i >> 1);
    v.LightmapCoord[0] = float(i & 1);
    v.LightmapCoord[1] = float(i >> 1);
  }
  UpdatePolygonData(q);
  return q;
}

TSector* AddModel(Editor& e, TSector* parent, Vector at, int triangles) {
  TSector* m = e.CreateNode(parent, kModel);
  m->Id = e.NextId();
  m->Visible = 1;
  m->LightingMode = 1;
  m->Position = at;
  m->ResizeVertices(static_cast<size_t>(triangles) + 2);
  for (size_t i = 0; i < m->Vertices.size(); ++i) {
    TVertex& v = m->Vertices[i];
    v.Id = e.NextId();
    const float a = float(i) * 0.37f;
    v.Position = {at.x + 30 * std::cos(a), at.y + float(i % 40), at.z + 30 * std::sin(a)};
    v.Color[0] = 0.8f, v.Color[1] = 0.6f, v.Color[2] = 0.4f, v.Color[3] = 1;
  }
  m->ResizeTriangles(static_cast<size_t>(triangles));
  for (int t = 0; t < triangles; ++t) {
    m->Triangles[t].V0 = t;
    m->Triangles[t].V1 = t + 1;
    m->Triangles[t].V2 = t + 2;
  }
  UpdatePolygonData(m);
  return m;
}

void BuildScene(Editor& e, int quads) {
  e.NewScene();
  const int per_row = std::max(1, int(std::sqrt(double(quads))));
  TSector* sector = nullptr;
  for (int i = 0; i < quads; ++i) {
    if (i % 100 == 0) {
      sector = e.CreateNode(nullptr, kSector);
      sector->Id = e.NextId();
      sector->Visible = 1;
    }
    const float x = float(i % per_row) * kSpacing, z = float(i / per_row) * kSpacing;
    TSector* q = AddFloorQuad(e, sector, x, z);
    q->TextureIndex = static_cast<uint16_t>((i / 100) % 4);  // one texture per sector
    if (i % 100 == 50) {
      TSector* light = e.CreateNode(sector, kLight);
      light->Id = e.NextId();
      light->Position = {x, 30, z};
      light->Color[0] = light->Color[1] = light->Color[2] = 255;
    }
  }
  const float extent = per_row * kSpacing;
  for (int m = 0; m < 5; ++m) AddModel(e, sector, {extent * (m + 1) / 6, 0, extent / 2}, 500);
  // Above the middle of the far edge, looking 45 degrees down over the whole floor.
  e.CameraPosition = {extent / 2, extent * 0.9f, extent * 1.4f};
  e.CameraHeading = 180;
  e.CameraPitch = -90;
}

std::vector<uint32_t> GiveLightmaps(Editor& e) {
  std::vector<uint32_t> names;
  std::vector<uint8_t> texels(8 * 8 * 3);
  e.Tree.Walk([&](TSector* n) {
    if (n->NodeType != kPolygon) return;
    for (TTriangle& t : n->Triangles) {
      for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint8_t(90 + (names.size() + i) % 100);
      t.LightmapTexture = UploadLightmapPixels(texels.data(), 8, 8);
      names.push_back(t.LightmapTexture);
    }
  });
  return names;
}

double CpuMillis() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Median wall-clock time; with QX_BENCH_CPU set, the process's CPU time
// instead (steadier on a machine shared with other work).
template <typename Fn>
double MedianMillis(int repeats, Fn fn) {
  static const bool cpu = std::getenv("QX_BENCH_CPU") != nullptr;
  std::vector<double> t;
  for (int i = 0; i < repeats; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = CpuMillis();
    fn();
    t.push_back(
        cpu ? CpuMillis() - c0
            : std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

void Run(test::OffscreenGl& gl, int quads, int repeats) {
  Editor e;
  BuildScene(e, quads);
  ViewOptions o;  // as on a first start: everything on, normals included
  auto frame = [&] {
    gl.renderer.RenderFrame(e, o);
    glFinish();
  };
  uint32_t picked = 0, picked_full = 0;
  auto pick = [&] { picked = gl.renderer.PickName(e, o, kWidth / 2, kHeight / 2); };
  frame();  // warm up, and the view for the picks
  const double cached = MedianMillis(repeats, frame);
  gl.renderer.SetStateCache(false);
  const double literal = MedianMillis(repeats, frame);
  gl.renderer.SetStateCache(true);
  o.ShowNormals = false;
  const double no_normals = MedianMillis(repeats, frame);
  gl.renderer.SetStateCache(false);
  const double no_normals_literal = MedianMillis(repeats, frame);
  gl.renderer.SetStateCache(true);
  o.ShowNormals = true;
  frame();
  const double pick_ms = MedianMillis(repeats, pick);
  gl.renderer.SetPickCulling(false);
  // Few repeats: Mesa's selection mode keeps memory for every vertex it is given.
  const double pick_full =
      MedianMillis(3, [&] { picked_full = gl.renderer.PickName(e, o, kWidth / 2, kHeight / 2); });
  gl.renderer.SetPickCulling(true);
  const std::vector<uint32_t> lightmaps = GiveLightmaps(e);
  frame();
  const double baked = MedianMillis(repeats, frame);
  const double baked_pick = MedianMillis(repeats, pick);
  std::printf(
      "%6d quads | frame %7.2f (every state call %7.2f) | normals off %7.2f (every state call %7.2f) | "
      "pick %6.2f (without culling %7.2f, same id: %s) | baked frame %7.2f, pick %6.2f\n",
      quads, cached, literal, no_normals, no_normals_literal, pick_ms, pick_full,
      picked == picked_full ? "yes" : "NO", baked, baked_pick);
  for (uint32_t n : lightmaps) DeleteTextureName(n);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000, 50000};
  test::OffscreenGl gl(kWidth, kHeight);
  if (!gl.ok()) {
    std::fprintf(stderr, "no OpenGL context (run under an X server)\n");
    return 1;
  }
  std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  // Four library textures, 64 x 64.
  std::vector<uint32_t> textures;
  std::vector<uint8_t> pixels(64 * 64 * 3);
  for (int t = 0; t < 4; ++t) {
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t((i * (t + 3)) % 251);
    textures.push_back(UploadTexturePixels(pixels.data(), 64, 64));
  }
  gl.renderer.texture_name = [&](int i) { return i >= 0 && i < 4 ? textures[size_t(i)] : 0u; };
  for (int quads : sizes) Run(gl, quads, quads >= 50000 ? 5 : 15);
  return 0;
}

#pragma once
// Static lighting: lightmaps for every triangle of the lit polygons and models,
// and vertex colours. The computation reads the scene and produces a
// BakeResult; applying it writes the scene and hands each new lightmap to an
// uploader (the render layer makes GL textures; headless there is none).

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lighting/texel_lighting.h"
#include "scene/scene_tree.h"

namespace qx {

inline constexpr double kLumelStart = 90;     // every lightmap byte before any light
inline constexpr double kVertexStart = 64;    // every vertex colour channel before any light
inline constexpr double kVertexFactor = 0.7;  // scales a light's share of a vertex colour
inline constexpr double kChannelCeiling = 255;
inline constexpr int kMaxLightmapSide = 4096;

struct Lightmap {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes
};

// What a bake reads and writes: the tree and its lightmap list. The editor's
// document is one; tests and the command line may bake a bare one.
struct LitScene {
  LitScene() = default;
  LitScene(const LitScene&) = delete;
  LitScene& operator=(const LitScene&) = delete;
  virtual ~LitScene() = default;

  SceneTree Tree;
  std::vector<Lightmap> LightmapList;

  // Told after a bake wrote a new lightmap list and these nodes' lighting.
  virtual void LightingChanged(const std::vector<TSector*>& /*nodes*/) {}
  // Told after an update wrote new bytes into these lightmaps (the list and
  // every triangle's number staying) and new lighting into these nodes.
  virtual void LightmapBytesChanged(const std::vector<uint32_t>& /*lightmaps*/,
                                    const std::vector<TSector*>& /*nodes*/) {}
  // Told when collecting for a bake gave these nodes new triangle planes.
  virtual void PlanesChanged(const std::vector<TSector*>& /*nodes*/) {}
};

class ShadowSearch;

struct LightmapSize {
  int width = 8;
  int height = 8;
};

// Makes and releases the GL textures of lightmaps; implemented by the render layer.
class LightmapUploader {
 public:
  virtual ~LightmapUploader() = default;
  virtual uint32_t Upload(const Lightmap& lightmap) = 0;  // returns the texture name
  virtual void Release(uint32_t texture) = 0;
  // Puts new bytes of the same size into a texture made by Upload, keeping
  // its name; false when it cannot (the caller then releases and uploads).
  virtual bool Replace(uint32_t /*texture*/, const Lightmap& /*lightmap*/) { return false; }
};

struct BakeOptions {
  // Called with the finished share of the work in percent (0..100), only when
  // it grows. It may be called from any thread, but never twice at once.
  std::function<void(int percent)> progress;
  // Polled while the work runs; once set, the bake stops and changes nothing.
  const std::atomic<bool>* cancel = nullptr;
  // A shadow search built over the very lists the bake is given (with the
  // frame extent of their lit triangles), to be used instead of a new one.
  const ShadowSearch* search = nullptr;
};

enum class BakeStatus { kDone, kCancelled, kRefused };

// The outcome of one computation, not yet written into the scene.
struct BakeResult {
  static constexpr int32_t kNoNewLightmap = INT32_MIN;
  struct NodeOutput {
    TSector* node = nullptr;
    std::vector<float> lightmap_coords;   // u, v per vertex
    std::vector<float> colors;            // r, g, b per vertex
    std::vector<int32_t> lightmap_index;  // per triangle; kNoNewLightmap keeps the old value
    bool lightmapped = false;
    bool vertex_lit = false;
    // How far any vertex's channel sum may move before its colour could
    // change: above 0 only where every vertex of the node is at the ceiling.
    double colour_margin = 0;
  };
  BakeStatus status = BakeStatus::kDone;
  std::string message;  // why a bake was refused
  std::vector<Lightmap> lightmaps;
  std::vector<NodeOutput> nodes;
  uint64_t shadow_queries = 0;  // texel-light pairs that needed the shadow search
  TexelStats stats;             // how the texels were decided
  // Per lightmap: no texel's channel sum lies within this distance of a value
  // that rounds to another byte (see TexelLighter::Light); NaN for a lightmap
  // not computed (BakeLightmapsOf) and infinity for one without area.
  std::vector<double> lightmap_margins;
};

// The polygon and model nodes and the light nodes of the tree, each in tree
// order. Runs UpdatePolygonData on every polygon and model, as the lighting
// relies on fresh planes.
struct BakeLists {
  std::vector<TSector*> polygons;
  std::vector<TSector*> lights;
};
BakeLists CollectBakeLists(const SceneTree& tree);
// The same for a scene, which is told whose planes changed (PlanesChanged).
BakeLists CollectBakeLists(LitScene& scene);

// Why a size cannot be baked, or empty when it can.
std::string CheckLightmapSize(LightmapSize size, size_t lightmap_count);

// The fast computation: parallel over triangles, with a conservative spatial
// search for shadow casters. Gives the same bytes as the straightforward one.
BakeResult BakeLightmaps(const BakeLists& lists, LightmapSize size, const BakeOptions& options = {});

// The same computation for the chosen polygon and model nodes only (of
// lists.polygons): the lightmaps are numbered as in a whole bake, but only
// those of the chosen nodes are computed (the others stay empty), and
// `nodes` of the result holds only the chosen nodes. With the margins, a
// caller that moves lights can tell which lightmaps cannot have changed and
// bake only the others. Not for ApplyBakeResult, which takes a whole bake.
BakeResult BakeLightmapsOf(const BakeLists& lists, LightmapSize size,
                           const std::vector<const TSector*>& nodes, const BakeOptions& options = {});

// The texel frame of a triangle's lightmap as a bake maps it (area false
// for a triangle without one, or with corners outside the vertex list).
TexelFrame LightmapFrame(const TSector& node, size_t triangle);

// Writes a finished result into the scene: the lightmap list, each lit
// triangle's LightmapIndex and LightmapTexture, lightmap coordinates and vertex
// colours. The result names nodes by pointer: apply it to the scene it was
// baked from, unchanged since (the editor lets no command run during a bake).
void ApplyBakeResult(LitScene& scene, BakeResult&& result, LightmapUploader* uploader);

// Collect, bake and apply. On cancel or refusal the scene keeps its lightmaps.
BakeStatus ComputeLightmaps(LitScene& scene, LightmapSize size, const BakeOptions& options = {},
                            LightmapUploader* uploader = nullptr, std::string* message = nullptr);

// "Lightmaps: 50%"
std::string LightmapProgressText(int percent);

// An accumulated light channel: not-a-number and negative values give 0, values
// above 255 give 255. Vertex colours are this divided by 255.
inline double ClampChannel(double value) {
  if (!(value > 0)) return 0;  // also NaN
  if (value > kChannelCeiling) return kChannelCeiling;
  return value;
}
// A lightmap byte: the clamped channel rounded, halves to even.
inline uint8_t ChannelToByte(double value) {
  return static_cast<uint8_t>(std::nearbyint(ClampChannel(value)));
}

}  // namespace qx

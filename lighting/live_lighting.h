#pragma once
// Lighting that follows the edits: after a change, only the lightmaps and
// vertex colours whose bytes can change are computed again, and the result is
// exactly what a whole bake of the changed scene gives.
//
// A point light has no cut-off distance, so moving one changes every texel's
// sum a little. A bake leaves with each lightmap its margin: how far every
// texel's channel sums may move before one of its bytes could change
// (TexelLighter::Light). An edit moves a texel's sum by at most
//
//   - for every light added, removed or changed: its share before plus its
//     share after, each at most strength * largest channel / distance^2 over
//     the box of the lightmap's texels;
//   - for every shadow caster added, removed or changed: the shares of the
//     lights that it could hide from the texel, that is of the lights whose
//     segment to some texel could cross the caster's box before or after
//     (bounded group by group through the light tree).
//
// Where that bound stays below the margin the lightmap keeps its bytes and
// its margin shrinks by the bound; elsewhere the node is baked again (with
// the very baker a whole bake uses, which gives it a fresh margin). Vertex
// colours work alike with the node's colour margin; casters do not shade
// vertices. Anything the bounds cannot speak for (a directional light
// changed, another lightmap size, no basis yet) is a whole bake.
//
// All of it works on copies of the records (LightingInputs), so it may run on
// another thread while the scene is edited; the result names the live records
// and is applied on the scene's thread only if nothing changed meanwhile.

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "lighting/lightmap.h"

namespace qx {

// What a bake reads: copies of the polygon and model nodes and of the lights,
// each list in tree order, each copy with the live record it was taken from.
// Copies are immutable and may be shared between inputs taken one after
// another: a record that did not change keeps its copy.
struct LightingInputs {
  std::vector<std::shared_ptr<const TSector>> polygons, lights;
  std::vector<const TSector*> polygon_sources, light_sources;
};

// A copy of every field the bake reads, with planes made fresh.
std::shared_ptr<const TSector> CopyLightingInput(const TSector& node);
// Copies every polygon, model and light of the tree.
LightingInputs CaptureLightingInputs(const SceneTree& tree);

// What the lighting of a scene was computed from, with its margins.
struct LightingBasis {
  LightmapSize size;
  LightingInputs inputs;
  std::vector<int32_t> first;                // per polygon: its first lightmap, -1 when it has none
  std::vector<double> margins;               // per lightmap (see BakeResult::lightmap_margins)
  std::vector<double> colour_margins;        // per polygon (see BakeResult::NodeOutput::colour_margin)
  std::vector<std::array<double, 6>> boxes;  // per lightmap: lo and hi of its texel frame
  std::unordered_map<const TSector*, uint32_t> polygon_index, light_index;  // source -> index
  // The copy of the light the last update moved, and per lightmap 1 where
  // that light is proven to reach no texel (for the next move of it).
  const TSector* hidden_copy = nullptr;
  std::vector<uint8_t> hidden;
  std::vector<uint32_t> cover;  // per lightmap: the caster (+ 1) that hid all of it then, or 0
};

class ShadowSearch;
// What one update leaves to the next on the same thread: the shadow search
// over the casters, while they do not change.
struct LightingCache {
  LightingCache();
  ~LightingCache();
  std::unique_ptr<ShadowSearch> search;
  std::vector<std::shared_ptr<const TSector>> polygons, lights;  // the copies it was made of
};

struct LightingUpdate {
  BakeStatus status = BakeStatus::kDone;
  std::string message;  // why it was refused
  bool whole = false;   // everything was computed
  // The lighting after applying, and the basis for the next update.
  std::shared_ptr<const LightingBasis> basis;
  // Per lightmap of the new list: its index in the scene's list now, or -1
  // when it was computed (then in `lightmaps` at the same index).
  std::vector<int32_t> from_old;
  std::vector<Lightmap> lightmaps;
  std::vector<BakeResult::NodeOutput> nodes;  // the nodes computed anew, named by live record
  size_t computed = 0;                        // lightmaps computed
};

// The update from `basis` (null: none yet) to `inputs`. Reads only the
// copies; safe on any thread. With options.cancel set it stops, status kCancelled.
LightingUpdate UpdateLighting(const std::shared_ptr<const LightingBasis>& basis, const LightingInputs& inputs,
                              LightmapSize size, const BakeOptions& options = {},
                              LightingCache* cache = nullptr);

// On the scene's thread, with the scene as the inputs were taken (unchanged
// since): writes the lightmap list, the triangles' lightmap numbers and
// textures, lightmap coordinates and vertex colours, and tells the scene which
// nodes' lighting changed. Only what differs is written; a texture whose
// lightmap kept its bytes stays. Returns the number of nodes whose lighting changed.
size_t ApplyLightingUpdate(LitScene& scene, LightingUpdate&& update, LightmapUploader* uploader);

}  // namespace qx

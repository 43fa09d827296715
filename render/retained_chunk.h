#pragma once
// What the retained viewport keeps of a run of the scene tree: the vertices
// of everything its nodes draw, grouped into batches that share one GL state
// (texture, lightmap page, lighting), and per node the parts it drew, for
// picking and for the states a node inherits from the nodes drawn before it.
// A chunk is a run of nodes in tree order; its cells are the runs of nodes
// that belong to one sector, the unit of frustum culling. No OpenGL here: the
// renderer uploads the vertices and issues the draws.

#include <cstdint>
#include <functional>
#include <vector>

#include "render/lightmap_atlas.h"
#include "scene/node.h"

namespace qx {

struct DrawVertex {
  float pos[3];
  float color[4];
  float uv0[2];  // library texture, unit 0
  float uv1[2];  // lightmap, unit 1
};

// What a batch draws, in the order the batches of a chunk are drawn.
enum class Layer : uint8_t {
  kSurface,       // polygon and model triangles
  kNormals,       // red normal lines
  kSphereFans,    // the caps of light, particle system, actor and checkpoint spheres
  kSphereStrips,  // their stacks
  kCrosses,       // checkpoint crosses
  kPortals,       // one polygon each
};

enum class Primitive : uint8_t { kTriangles, kLines, kLineStrip, kTriangleFan, kQuadStrip, kPolygon };
Primitive PrimitiveOf(Layer layer);

// The lightmap a triangle shows: none, a tile of an atlas page, or a texture
// of its own (one the atlas does not hold).
struct LightmapSource {
  enum Kind : uint8_t { kNone, kPage, kTexture } kind = kNone;
  uint32_t index = 0;  // page number or GL texture name
  auto operator<=>(const LightmapSource&) const = default;
};

struct BatchKey {
  Layer layer = Layer::kSurface;
  bool hidden = false;       // from nodes with Visible 0: drawn only with "Unsichtbare einblenden"
  bool vertex_lit = false;   // LightingMode 1: vertex colours while lightmaps are shown
  bool lightmapped = false;  // the node's lightmap unit is on while lightmaps are shown
  uint16_t texture = 0;      // TextureIndex
  LightmapSource lightmap;
  auto operator<=>(const BatchKey&) const = default;
};

struct Batch {
  BatchKey key;
  // One primitive each (a cell's triangles or lines are one), in cell order.
  std::vector<int32_t> firsts;
  std::vector<int32_t> counts;
  // Per cell of the chunk: its primitives [prim_begin[c], prim_begin[c + 1]).
  std::vector<uint32_t> prim_begin;
  // Surfaces only, per primitive: the chunk's facing plane all its triangles
  // lie in, or -1. Within a cell, a surface batch's triangles are ordered by
  // plane, so a cell has one primitive a plane.
  std::vector<int32_t> planes;
};

// The plane of a group of triangles of one cell whose corners run the same
// way round (one unit normal, to float precision): when the eye is clearly
// behind it, culling would drop every one of them, so they need not be sent.
struct FacingPlane {
  double normal[3] = {0, 0, 0};  // the float-rounded unit normal of each triangle
  double lowest = 1e300;         // the least normal . corner over the group's corners
  Vector centre;                 // a sphere about the corners, for the rounding margin
  double radius = 0;
  // Whether every triangle of the group is back-facing seen from `eye`, with a
  // margin well beyond the rounding of the normals and of GL's own test.
  bool BehindFrom(const Vector& eye) const;
};

struct Box3 {
  Vector min{1e30f, 1e30f, 1e30f}, max{-1e30f, -1e30f, -1e30f};
  bool finite = true;  // false: a coordinate that is not a number, never culled
  void Add(const Vector& p);
  void Add(const Box3& b);
  bool Empty() const { return finite && min.x > max.x; }
};

// A piece of one node's drawing: vertices [first, first + count) of one batch.
struct NodePart {
  uint16_t batch;
  int32_t first, count;
};

struct ChunkEntry {
  TSector* node = nullptr;
  uint8_t type = 0;
  bool visible = true;   // Visible != 0 when built
  bool drawn = false;    // polygon with four corners: triangles (and maybe normals) drawn
  bool normals = false;  // sets the normal line width after its triangles (with "Normale einblenden")
  bool dynamic = false;  // drawn from the dynamic chunk instead
  uint32_t cell = 0;
  uint32_t part_begin = 0, part_end = 0;  // into Chunk::parts
  Box3 box;                               // everything the node draws
};

struct ChunkCell {
  Box3 box;
  uint32_t entry_begin = 0, entry_end = 0;
};

// Chooses a triangle's lightmap and maps its coordinates onto it.
struct LightmapPlacement {
  const AtlasLayout* layout = nullptr;
  const std::vector<Lightmap>* lightmaps = nullptr;
  LightmapSource SourceOf(const TTriangle& t) const;
  void Map(const TTriangle& t, const LightmapSource& source, const float in[2], float out[2]) const;
};

struct ChunkInput {
  LightmapPlacement lightmaps;
  Vector start_position;  // checkpoint crosses are drawn about it
  // Nodes drawn elsewhere (the dynamic chunk): kept as entries, without parts.
  std::function<bool(const TSector*)> is_dynamic;
};

struct Chunk {
  std::vector<TSector*> nodes;  // in tree order
  bool dirty = true;
  // The GL buffer the renderer keeps the vertices in, and whether they are
  // newer than what it holds.
  uint32_t buffer = 0;
  bool needs_upload = true;

  // Built from nodes.
  std::vector<DrawVertex> vertices;
  std::vector<Batch> batches;  // sorted by key
  std::vector<ChunkEntry> entries;
  std::vector<NodePart> parts;
  std::vector<ChunkCell> cells;
  std::vector<FacingPlane> planes;
  bool has_checkpoints = false;
  bool has_surfaces = false;                 // a polygon or model: they set the polygon mode
  std::vector<uint32_t> polygon_vertex_ids;  // sorted, of every polygon (drawn here or not)

  void Build(const ChunkInput& in);
};

// The sector a node's drawing belongs to for culling: its nearest sector ancestor (null at the top).
const TSector* OwningSector(const TSector* node);

}  // namespace qx

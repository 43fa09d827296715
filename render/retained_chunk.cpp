#include "render/retained_chunk.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_set>

#include "render/scene_geometry.h"
#include "render/sphere_mesh.h"
#include "scene/polygon_data.h"

namespace qx {

Primitive PrimitiveOf(Layer layer) {
  switch (layer) {
    case Layer::kSurface:
      return Primitive::kTriangles;
    case Layer::kNormals:
    case Layer::kCrosses:
      return Primitive::kLines;
    case Layer::kSphereFans:
      return Primitive::kTriangleFan;
    case Layer::kSphereStrips:
      return Primitive::kQuadStrip;
    case Layer::kPortals:
      return Primitive::kPolygon;
  }
  return Primitive::kTriangles;
}

void Box3::Add(const Vector& p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
    finite = false;
    return;
  }
  min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
  max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

void Box3::Add(const Box3& b) {
  if (!b.finite) finite = false;
  if (b.min.x > b.max.x) return;
  Add(b.min);
  Add(b.max);
}

const TSector* OwningSector(const TSector* node) {
  for (const TSector* p = node->Parent; p; p = p->Parent)
    if (p->NodeType == kSector) return p;
  return nullptr;
}

bool FacingPlane::BehindFrom(const Vector& eye) const {
  const double e[3] = {eye.x, eye.y, eye.z};
  if (!std::isfinite(e[0]) || !std::isfinite(e[1]) || !std::isfinite(e[2])) return false;
  const double side = normal[0] * e[0] + normal[1] * e[1] + normal[2] * e[2] - lowest;
  const double dx = e[0] - centre.x, dy = e[1] - centre.y, dz = e[2] - centre.z;
  const double reach = std::sqrt(dx * dx + dy * dy + dz * dz) + radius;
  return side < -(1e-4 * reach + 1e-9);
}

LightmapSource LightmapPlacement::SourceOf(const TTriangle& t) const {
  if (t.LightmapTexture == 0) return {};
  if (layout && lightmaps && HasTile(*layout, *lightmaps, t.LightmapIndex))
    return {LightmapSource::kPage, static_cast<uint32_t>(TileOf(*layout, size_t(t.LightmapIndex)).page)};
  return {LightmapSource::kTexture, t.LightmapTexture};
}

void LightmapPlacement::Map(const TTriangle& t, const LightmapSource& source, const float in[2],
                            float out[2]) const {
  if (source.kind != LightmapSource::kPage) {
    out[0] = in[0];
    out[1] = in[1];
    return;
  }
  MapToPage(*layout, TileOf(*layout, size_t(t.LightmapIndex)), in[0], in[1], &out[0], &out[1]);
}

namespace {

const SphereMesh& NodeSphere() {
  static const SphereMesh m = MakeSphereMesh(kNodeSphere.radius, kNodeSphere.slices, kNodeSphere.stacks);
  return m;
}
const SphereMesh& HeadingSphere() {
  static const SphereMesh m =
      MakeSphereMesh(kHeadingSphere.radius, kHeadingSphere.slices, kHeadingSphere.stacks);
  return m;
}

// Vertices and primitives of one batch while a chunk is built.
struct Pending {
  std::vector<DrawVertex> vertices;
  struct Prim {
    uint32_t entry;
    int32_t first, count;  // into vertices
    int32_t plane = -1;    // surfaces: the chunk's FacingPlane of the triangle
  };
  std::vector<Prim> prims;
};

class Builder {
 public:
  Builder(Chunk& c, const ChunkInput& in) : c_(c), in_(in) {}

  void Run() {
    c_.vertices.clear();
    c_.batches.clear();
    c_.entries.clear();
    c_.parts.clear();
    c_.cells.clear();
    c_.planes.clear();
    plane_index_.clear();
    plane_boxes_.clear();
    c_.has_checkpoints = false;
    c_.has_surfaces = false;
    c_.polygon_vertex_ids.clear();
    const TSector* owner = nullptr;
    for (size_t i = 0; i < c_.nodes.size(); ++i) {
      TSector* n = c_.nodes[i];
      // A sector heads the cell of what it holds.
      const TSector* o = n->NodeType == kSector ? n : OwningSector(n);
      if (c_.cells.empty() || o != owner) {
        if (!c_.cells.empty()) c_.cells.back().entry_end = static_cast<uint32_t>(i);
        c_.cells.push_back({});
        c_.cells.back().entry_begin = static_cast<uint32_t>(i);
        owner = o;
      }
      ChunkEntry e;
      e.node = n;
      e.type = n->NodeType;
      e.visible = n->Visible != 0;
      e.cell = static_cast<uint32_t>(c_.cells.size() - 1);
      e.dynamic = in_.is_dynamic && in_.is_dynamic(n);
      c_.entries.push_back(e);
      entry_ = static_cast<uint32_t>(i);
      Emit(c_.entries.back());
    }
    if (!c_.cells.empty()) c_.cells.back().entry_end = static_cast<uint32_t>(c_.nodes.size());
    Assemble();
    std::sort(c_.polygon_vertex_ids.begin(), c_.polygon_vertex_ids.end());
    c_.dirty = false;
    c_.needs_upload = true;
  }

 private:
  void Emit(ChunkEntry& e) {
    TSector* n = e.node;
    if (e.type == kPolygon || e.type == kModel) c_.has_surfaces = true;
    if (e.type == kCheckpoint) c_.has_checkpoints = true;
    switch (e.type) {
      case kPolygon:
        for (const TVertex& v : n->Vertices) c_.polygon_vertex_ids.push_back(v.Id);
        e.drawn = n->Vertices.size() >= 4;
        e.normals = e.drawn && n->Triangles.size() >= 2;
        if (!e.dynamic && e.drawn) Polygon(e);
        return;
      case kModel:
        e.drawn = true;
        e.normals = ModelTriangleCount(n) > 0;
        if (!e.dynamic) Model(e);
        return;
      case kLight: {
        float rgb[3];
        LightColor(n, rgb);
        if (!e.dynamic) Sphere(e, NodeSphere(), n->Position, rgb);
        return;
      }
      case kParticleSystem:
        if (!e.dynamic) Sphere(e, NodeSphere(), n->Position, kParticleColor);
        return;
      case kActor:
        if (!e.dynamic) Actor(e);
        return;
      case kCheckpoint:
        if (!e.dynamic) Checkpoint(e);
        return;
      case kPortal:
        if (!e.dynamic) Portal(e);
        return;
      default:
        return;
    }
  }

  Pending& Into(const BatchKey& key) { return pending_[key]; }

  void Put(Pending& p, const Vector& pos, const float* rgba, const float* uv0, const float* uv1) {
    DrawVertex v{};
    v.pos[0] = pos.x, v.pos[1] = pos.y, v.pos[2] = pos.z;
    for (int i = 0; i < 4; ++i) v.color[i] = rgba[i];
    if (uv0) v.uv0[0] = uv0[0], v.uv0[1] = uv0[1];
    if (uv1) v.uv1[0] = uv1[0], v.uv1[1] = uv1[1];
    p.vertices.push_back(v);
    c_.entries[entry_].box.Add(pos);
  }
  void PutColor(Pending& p, const Vector& pos, const float rgb[3]) {
    const float rgba[4] = {rgb[0], rgb[1], rgb[2], 1};
    Put(p, pos, rgba, nullptr, nullptr);
  }
  // Starts a primitive of the current entry in p; End closes it.
  void Begin(Pending& p) { p.prims.push_back({entry_, static_cast<int32_t>(p.vertices.size()), 0}); }
  void End(Pending& p) {
    p.prims.back().count = static_cast<int32_t>(p.vertices.size()) - p.prims.back().first;
  }

  BatchKey SurfaceKey(const TSector* n) const {
    BatchKey k;
    k.layer = Layer::kSurface;
    k.hidden = n->Visible == 0;
    k.vertex_lit = n->LightingMode == 1;
    k.lightmapped = UsesLightmap(n);
    k.texture = n->TextureIndex;
    return k;
  }

  void SurfaceTriangle(const TSector* n, BatchKey key, const TTriangle* t, const int corners[3]) {
    LightmapSource source;
    if (key.lightmapped && t) source = in_.lightmaps.SourceOf(*t);
    key.lightmap = source;
    Pending& p = Into(key);
    Begin(p);
    for (int k = 0; k < 3; ++k) {
      const TVertex& v = n->Vertices[size_t(corners[k])];
      float uv1[2] = {v.LightmapCoord[0], v.LightmapCoord[1]};
      if (t) in_.lightmaps.Map(*t, source, v.LightmapCoord, uv1);
      Put(p, v.Position, v.Color, v.TexCoord, uv1);
    }
    End(p);
    p.prims.back().plane =
        PlaneOf(n->Vertices[size_t(corners[0])].Position, n->Vertices[size_t(corners[1])].Position,
                n->Vertices[size_t(corners[2])].Position);
  }

  // The facing plane of the current cell for a triangle, by the way its
  // corners run round (as GL sees them); -1 for a triangle without area.
  int32_t PlaneOf(const Vector& a, const Vector& b, const Vector& c) {
    const double u[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
    const double v[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0) || !std::isfinite(length)) return -1;
    for (const Vector* p : {&a, &b, &c})
      if (!std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->z)) return -1;
    PlaneKey key;
    key.cell = c_.entries[entry_].cell;
    for (int i = 0; i < 3; ++i) key.n[i] = float(n[i] / length);
    auto [it, added] = plane_index_.try_emplace(key, int32_t(c_.planes.size()));
    if (added) {
      FacingPlane& f = c_.planes.emplace_back();
      for (int i = 0; i < 3; ++i) f.normal[i] = key.n[i];
      plane_boxes_.emplace_back();
    }
    FacingPlane& f = c_.planes[size_t(it->second)];
    for (const Vector* p : {&a, &b, &c})
      f.lowest = std::min(f.lowest, f.normal[0] * p->x + f.normal[1] * p->y + f.normal[2] * p->z);
    Box3& box = plane_boxes_[size_t(it->second)];
    box.Add(a);
    box.Add(b);
    box.Add(c);
    return it->second;
  }

  // The node's normal lines, each drawn once in its batch: neighbours that
  // share a corner and a normal give the same line, and a line drawn again
  // changes no pixel. (Picking draws every node's own lines.)
  void Normals(ChunkEntry& e, bool hidden) {
    ends_.clear();
    NormalLineEnds(e.node, &ends_);
    BatchKey k;
    k.layer = Layer::kNormals;
    k.hidden = hidden;
    Pending& p = Into(k);
    std::unordered_set<LineKey, LineKeyHash>& seen = lines_seen_[hidden];
    Begin(p);
    for (size_t i = 0; i + 1 < ends_.size(); i += 2) {
      if (!seen.insert(LineKey(ends_[i], ends_[i + 1])).second) {
        e.box.Add(ends_[i]);
        e.box.Add(ends_[i + 1]);
        continue;
      }
      PutColor(p, ends_[i], kNormalColor);
      PutColor(p, ends_[i + 1], kNormalColor);
    }
    End(p);
  }

  void Polygon(ChunkEntry& e) {
    TSector* n = e.node;
    UpdatePolygonData(n);  // the normals follow the corners, as in every frame of the immediate drawing
    const BatchKey key = SurfaceKey(n);
    static constexpr int kCorners[2][3] = {{0, 1, 2}, {3, 2, 1}};
    for (int t = 0; t < 2; ++t)
      SurfaceTriangle(n, key, e.normals ? &n->Triangles[size_t(t)] : nullptr, kCorners[t]);
    if (e.normals) Normals(e, key.hidden);
  }

  void Model(ChunkEntry& e) {
    TSector* n = e.node;
    UpdatePolygonData(n);
    const BatchKey key = SurfaceKey(n);
    const size_t count = ModelTriangleCount(n);
    for (size_t i = 0; i < count; ++i) {
      const TTriangle& t = n->Triangles[i];
      if (!ValidTriangle(n, t)) continue;
      const int corners[3] = {t.V0, t.V1, t.V2};
      SurfaceTriangle(n, key, &t, corners);
    }
    if (e.normals) Normals(e, key.hidden);
  }

  // A sphere of the mesh whose vertices are moved by `place`.
  template <typename Place>
  void PlacedSphere(const SphereMesh& m, const float rgb[3], Place place) {
    BatchKey fans, strips;
    fans.layer = Layer::kSphereFans;
    strips.layer = Layer::kSphereStrips;
    for (const SphereMesh::Strip& s : m.strips) {
      Pending& p = Into(s.mode == SphereMesh::kTriangleFan ? fans : strips);
      Begin(p);
      for (int i = s.first; i < s.first + s.count; ++i) PutColor(p, place(m.vertices[size_t(i)]), rgb);
      End(p);
    }
  }

  void Sphere(ChunkEntry&, const SphereMesh& m, const Vector& at, const float rgb[3]) {
    PlacedSphere(m, rgb, [&](const Vector& v) { return Vector{at.x + v.x, at.y + v.y, at.z + v.z}; });
  }

  void Actor(ChunkEntry& e) {
    const TSector* n = e.node;
    Sphere(e, NodeSphere(), n->Position, kActorColor);
    // Turned by the heading about the vertical axis, 4 units out along the turned x axis.
    const double a = double(n->Heading) * 3.14159265358979323846 / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    const Vector at = n->Position;
    PlacedSphere(HeadingSphere(), kHeadingColor, [&](const Vector& v) {
      const double x = double(v.x) + 4.0, y = v.y, z = v.z;
      return VectorSet(at.x + c * x + s * z, at.y + y, at.z - s * x + c * z);
    });
  }

  void Checkpoint(ChunkEntry& e) {
    const TSector* n = e.node;
    Sphere(e, NodeSphere(), n->Position, kCheckpointColor);
    BatchKey k;
    k.layer = Layer::kCrosses;
    Pending& p = Into(k);
    Begin(p);
    // About the start position, taken relative to the checkpoint.
    Vector ends[6];
    CrossEnds(in_.start_position, ends);
    const Vector& at = n->Position;
    for (const Vector& v : ends) PutColor(p, Vector{at.x + v.x, at.y + v.y, at.z + v.z}, kCheckpointColor);
    End(p);
  }

  void Portal(ChunkEntry& e) {
    const TSector* n = e.node;
    if (n->Vertices.size() < 3) return;  // no area: the polygon draws nothing
    BatchKey k;
    k.layer = Layer::kPortals;
    Pending& p = Into(k);
    Begin(p);
    for (const TVertex& v : n->Vertices) PutColor(p, v.Position, kPortalColor);
    End(p);
  }

  // Concatenates the batches in key order; a cell's triangles or lines become
  // one primitive of their batch.
  void Assemble() {
    const uint32_t cells = static_cast<uint32_t>(c_.cells.size());
    std::vector<std::vector<NodePart>> per_entry(c_.entries.size());
    for (auto& [key, p] : pending_) {
      const uint16_t index = static_cast<uint16_t>(c_.batches.size());
      Batch& b = c_.batches.emplace_back();
      b.key = key;
      const bool surface = key.layer == Layer::kSurface;
      // Surface triangles of a cell go plane by plane (in their order within
      // a plane); everything else keeps the order it was emitted in.
      if (surface) {
        std::stable_sort(p.prims.begin(), p.prims.end(), [&](const Pending::Prim& x, const Pending::Prim& y) {
          const uint32_t cx = c_.entries[x.entry].cell, cy = c_.entries[y.entry].cell;
          return cx != cy ? cx < cy : x.plane < y.plane;
        });
        for (Pending::Prim& prim : p.prims) {
          const int32_t at = static_cast<int32_t>(c_.vertices.size());
          c_.vertices.insert(c_.vertices.end(), p.vertices.begin() + prim.first,
                             p.vertices.begin() + prim.first + prim.count);
          prim.first = at;
        }
      } else {
        const int32_t base = static_cast<int32_t>(c_.vertices.size());
        c_.vertices.insert(c_.vertices.end(), p.vertices.begin(), p.vertices.end());
        for (Pending::Prim& prim : p.prims) prim.first += base;
      }
      const bool merge =
          PrimitiveOf(key.layer) == Primitive::kTriangles || PrimitiveOf(key.layer) == Primitive::kLines;
      b.prim_begin.assign(cells + 1, 0);
      uint32_t cell = 0;
      for (const Pending::Prim& prim : p.prims) {
        if (prim.count == 0) continue;
        const uint32_t prim_cell = c_.entries[prim.entry].cell;
        while (cell < prim_cell) b.prim_begin[++cell] = static_cast<uint32_t>(b.firsts.size());
        per_entry[prim.entry].push_back({index, prim.first, prim.count});
        if (merge && b.firsts.size() > b.prim_begin[cell] &&
            b.firsts.back() + b.counts.back() == prim.first && (!surface || b.planes.back() == prim.plane)) {
          b.counts.back() += prim.count;
          continue;
        }
        b.firsts.push_back(prim.first);
        b.counts.push_back(prim.count);
        if (surface) b.planes.push_back(prim.plane);
      }
      while (cell < cells) b.prim_begin[++cell] = static_cast<uint32_t>(b.firsts.size());
    }
    for (size_t i = 0; i < c_.planes.size(); ++i) {
      const Box3& box = plane_boxes_[i];
      FacingPlane& f = c_.planes[i];
      f.centre = {(box.min.x + box.max.x) / 2, (box.min.y + box.max.y) / 2, (box.min.z + box.max.z) / 2};
      const double dx = double(box.max.x) - box.min.x, dy = double(box.max.y) - box.min.y,
                   dz = double(box.max.z) - box.min.z;
      f.radius = std::sqrt(dx * dx + dy * dy + dz * dz) / 2 + 1;
    }
    for (size_t i = 0; i < c_.entries.size(); ++i) {
      ChunkEntry& e = c_.entries[i];
      e.part_begin = static_cast<uint32_t>(c_.parts.size());
      c_.parts.insert(c_.parts.end(), per_entry[i].begin(), per_entry[i].end());
      e.part_end = static_cast<uint32_t>(c_.parts.size());
      c_.cells[e.cell].box.Add(e.box);
    }
  }

  // A line by the exact bits of its ends.
  struct LineKey {
    uint32_t w[6];
    LineKey(const Vector& a, const Vector& b) {
      std::memcpy(w, &a, 12);
      std::memcpy(w + 3, &b, 12);
    }
    bool operator==(const LineKey& o) const { return std::memcmp(w, o.w, sizeof w) == 0; }
  };
  struct LineKeyHash {
    size_t operator()(const LineKey& k) const {
      uint64_t h = 1469598103934665603ull;
      for (uint32_t x : k.w) h = (h ^ x) * 1099511628211ull;
      return size_t(h);
    }
  };

  struct PlaneKey {
    uint32_t cell = 0;
    float n[3] = {0, 0, 0};
    bool operator<(const PlaneKey& o) const {
      if (cell != o.cell) return cell < o.cell;
      return std::memcmp(n, o.n, sizeof n) < 0;
    }
  };

  Chunk& c_;
  const ChunkInput& in_;
  std::map<PlaneKey, int32_t> plane_index_;
  std::vector<Box3> plane_boxes_;  // per plane, about its corners
  uint32_t entry_ = 0;
  std::map<BatchKey, Pending> pending_;
  std::vector<Vector> ends_;
  std::unordered_set<LineKey, LineKeyHash> lines_seen_[2];  // by hidden
};

}  // namespace

void Chunk::Build(const ChunkInput& in) {
  Builder(*this, in).Run();
}

}  // namespace qx

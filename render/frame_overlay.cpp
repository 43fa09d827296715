#include "render/frame_overlay.h"

#include "render/scene_geometry.h"
#include "render/sphere_mesh.h"

namespace qx {

InheritedGlState NodePassState::Visit(const ChunkEntry& e, bool marked, const ViewOptions& o) {
  InheritedGlState drawn = gl;
  switch (e.type) {
    case kPolygon:
    case kModel:
      gl.cull = o.CullFace;
      drawn = gl;
      if (!e.visible && !o.ShowTransparent) break;
      if (e.type == kPolygon && !e.drawn) break;
      if (o.ShowNormals && e.normals) gl.width = 2;
      break;
    case kLight:
    case kParticleSystem:
    case kActor:
      if (marked) gl.width = 2;  // the selection box
      break;
    case kCheckpoint:
      gl.width = 3;
      drawn = gl;
      if (marked) gl.width = 2;
      break;
    case kPortal:
      if (!o.ShowPortals) break;
      gl.cull = false;
      drawn = gl;
      break;
    default:
      break;
  }
  return drawn;
}

namespace {

class OverlayBuilder {
 public:
  OverlayBuilder(FrameOverlay& out, InheritedGlState& state) : out_(out), state_(state) {}

  void Lines(Primitive prim, const Vector* ends, int n, const float rgb[3], float width, bool depth) {
    state_.width = width;
    Command(prim, width, depth).firsts.push_back(static_cast<int32_t>(out_.vertices.size()));
    for (int i = 0; i < n; ++i) Put(ends[i], rgb);
    out_.commands.back().counts.push_back(n);
  }

  void Box(const Vector& a, const Vector& b, bool depth) {
    Vector ends[24];
    BoxEdges(a, b, ends);
    Lines(Primitive::kLines, ends, 24, kBoxColor, 2, depth);
  }

  void Sphere(const SphereMesh& m, const Vector& at, const float rgb[3], bool depth) {
    for (const SphereMesh::Strip& s : m.strips) {
      const Primitive prim =
          s.mode == SphereMesh::kTriangleFan ? Primitive::kTriangleFan : Primitive::kQuadStrip;
      FrameOverlay::Command& c = Command(prim, 0, depth);
      c.firsts.push_back(static_cast<int32_t>(out_.vertices.size()));
      c.counts.push_back(s.count);
      for (int i = s.first; i < s.first + s.count; ++i) {
        const Vector& v = m.vertices[size_t(i)];
        Put({at.x + v.x, at.y + v.y, at.z + v.z}, rgb);
      }
    }
  }

  void VertexSpheres(const TSector* n, const SphereMesh& m) {
    for (const TVertex& v : n->Vertices)
      Sphere(m, v.Position, v.Marked ? kMarkedVertexColor : kVertexColor, false);
  }

 private:
  // The command to append to: the last one when it draws alike. Spheres
  // (width 0) take the width and culling GL has at that point.
  FrameOverlay::Command& Command(Primitive prim, float width, bool depth) {
    const bool sphere = width == 0;
    const float w = sphere ? state_.width : width;
    const bool cull = sphere && state_.cull;
    if (!out_.commands.empty()) {
      FrameOverlay::Command& last = out_.commands.back();
      if (last.prim == prim && last.width == w && last.depth == depth && last.cull == cull) return last;
    }
    out_.commands.push_back({prim, w, depth, cull, {}, {}});
    return out_.commands.back();
  }

  void Put(const Vector& p, const float rgb[3]) {
    DrawVertex v{};
    v.pos[0] = p.x, v.pos[1] = p.y, v.pos[2] = p.z;
    v.color[0] = rgb[0], v.color[1] = rgb[1], v.color[2] = rgb[2], v.color[3] = 1;
    out_.vertices.push_back(v);
  }

  FrameOverlay& out_;
  InheritedGlState& state_;
};

const SphereMesh& VertexSphere(float radius) {
  static float made_for = -1;
  static SphereMesh mesh;
  if (made_for != radius) {
    mesh = MakeSphereMesh(radius, kVertexSphereSlices, kVertexSphereStacks);
    made_for = radius;
  }
  return mesh;
}

const SphereMesh& StartSphere() {
  static const SphereMesh m = MakeSphereMesh(kNodeSphere.radius, kNodeSphere.slices, kNodeSphere.stacks);
  return m;
}

// The entries of marked nodes in tree order: both passes below visit only
// them, and a level holds far more nodes than a selection.
std::vector<const ChunkEntry*> MarkedEntries(const RetainedScene& scene) {
  std::vector<const ChunkEntry*> marked;
  for (const auto& c : scene.Chunks())
    for (const ChunkEntry& entry : c->entries)
      if (entry.node->Marked) marked.push_back(&entry);
  return marked;
}

template <typename Visit>
void ForEachEntry(const std::vector<const ChunkEntry*>& entries, Visit visit) {
  for (const ChunkEntry* entry : entries) visit(*entry);
}

}  // namespace

FrameOverlay BuildFrameOverlay(const RetainedScene& scene, const Editor& e, const ViewOptions& o,
                               InheritedGlState* state) {
  FrameOverlay out;
  OverlayBuilder b(out, *state);
  // The selection boxes of the node pass come first, depth-tested. The line
  // width they leave is already part of the node pass's state.
  const InheritedGlState after_nodes = *state;
  const std::vector<const ChunkEntry*> marked = MarkedEntries(scene);
  ForEachEntry(marked, [&](const ChunkEntry& entry) {
    const TSector* n = entry.node;
    if (!n->Marked) return;
    if (entry.type == kLight || entry.type == kParticleSystem || entry.type == kActor ||
        entry.type == kCheckpoint) {
      Vector min, max;
      PointBoxCorners(n, &min, &max);
      b.Box(min, max, true);
    }
  });
  *state = after_nodes;
  // The start marker: sphere, box while selected, cross (whose width stays).
  b.Sphere(StartSphere(), e.StartPosition, kStartColor, true);
  if (e.StartSelected) {
    Vector min, max;
    PointBoxCorners(e.StartPosition, &min, &max);
    b.Box(min, max, true);
  }
  Vector cross[6];
  CrossEnds(e.StartPosition, cross);
  b.Lines(Primitive::kLines, cross, 6, kStartColor, 3, true);
  out.before_portals = out.commands.size();
  if (o.ShowMarkers) {
    const SphereMesh& spheres = VertexSphere(e.VertexMarkerRadius);
    ForEachEntry(marked, [&](const ChunkEntry& entry) {
      const TSector* n = entry.node;
      if (!n->Marked) return;
      switch (entry.type) {
        case kSector:
          b.Box(n->BoundsMin, n->BoundsMax, false);
          return;
        case kPolygon:
          if (n->Vertices.size() >= 4) {
            const Vector ring[5] = {n->Vertices[0].Position, n->Vertices[1].Position, n->Vertices[3].Position,
                                    n->Vertices[2].Position, n->Vertices[0].Position};
            b.Lines(Primitive::kLineStrip, ring, 5, kOutlineColor, 2, false);
          }
          if (e.VertexMode) b.VertexSpheres(n, spheres);
          return;
        case kModel:
          b.Box(n->BoundsMin, n->BoundsMax, false);
          if (e.VertexMode) b.VertexSpheres(n, spheres);
          return;
        case kPortal:
          if (!o.ShowPortals) return;
          if (n->Vertices.size() >= 4) {
            static constexpr int kEdges[4][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
            for (int i = 0; i < 4; ++i) {
              const Vector ends[2] = {n->Vertices[kEdges[i][0]].Position, n->Vertices[kEdges[i][1]].Position};
              b.Lines(Primitive::kLines, ends, 2, i % 2 == 0 ? kPortalEdgeColor : kOutlineColor, 2, false);
            }
          }
          if (e.VertexMode) b.VertexSpheres(n, spheres);
          return;
        default:
          return;
      }
    });
  }
  return out;
}

}  // namespace qx

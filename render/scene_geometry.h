#pragma once
// Geometry both viewport renderers draw the same way: where a normal line
// ends, which model corners are usable, the colours of the point nodes, the
// pick names a frame loads. No OpenGL here.

#include <cstdint>
#include <vector>

#include "scene/node.h"
#include "tools/view_options.h"

namespace qx {

// A normal line runs from a corner to corner + 10 x normal.
inline Vector NormalTip(const Vector& p, const Vector& normal) {
  return VectorSet(p.x + 10.0 * normal.x, p.y + 10.0 * normal.y, p.z + 10.0 * normal.z);
}

// A model corner outside the vertex array (a damaged file) drops its triangle.
inline bool ValidCorner(const TSector* n, int32_t i) {
  return i >= 0 && static_cast<size_t>(i) < n->Vertices.size();
}
inline bool ValidTriangle(const TSector* n, const TTriangle& t) {
  return ValidCorner(n, t.V0) && ValidCorner(n, t.V1) && ValidCorner(n, t.V2);
}

// The triangles a model draws: TriangleCount, as far as the array reaches.
inline size_t ModelTriangleCount(const TSector* n) {
  return n->TriangleCount < n->Triangles.size() ? n->TriangleCount : n->Triangles.size();
}

// The twelve edges of the axis-aligned box between two corners, as 24 line ends.
inline void BoxEdges(const Vector& a, const Vector& b, Vector out[24]) {
  const float x[2] = {a.x, b.x}, y[2] = {a.y, b.y}, z[2] = {a.z, b.z};
  int k = 0;
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) {
      out[k++] = {x[0], y[i], z[j]};  // along x
      out[k++] = {x[1], y[i], z[j]};
      out[k++] = {x[i], y[0], z[j]};  // along y
      out[k++] = {x[i], y[1], z[j]};
      out[k++] = {x[i], y[j], z[0]};  // along z
      out[k++] = {x[i], y[j], z[1]};
    }
}

// The cross of the start and checkpoint markers: three lines from -10 to +10
// along the axes through c, as 6 line ends.
inline void CrossEnds(const Vector& c, Vector out[6]) {
  out[0] = {c.x - 10, c.y, c.z};
  out[1] = {c.x + 10, c.y, c.z};
  out[2] = {c.x, c.y - 10, c.z};
  out[3] = {c.x, c.y + 10, c.z};
  out[4] = {c.x, c.y, c.z - 10};
  out[5] = {c.x, c.y, c.z + 10};
}

// The selection box of a light, particle system, actor, checkpoint or the
// start marker: the cube of edge 6 about its position.
inline void PointBoxCorners(const Vector& at, Vector* min, Vector* max) {
  *min = VectorSet(at.x - 3.0, at.y - 3.0, at.z - 3.0);
  *max = VectorSet(at.x + 3.0, at.y + 3.0, at.z + 3.0);
}
inline void PointBoxCorners(const TSector* n, Vector* min, Vector* max) {
  PointBoxCorners(n->Position, min, max);
}

// The normal lines of a polygon or model as pairs of ends, in drawing order:
// a polygon's from each corner of each triangle whose normal has a length
// (v0, v1, v2, then v3, v2, v1), a model's from every corner of every usable
// triangle. Callers check that the node draws normals at all.
inline void NormalLineEnds(const TSector* n, std::vector<Vector>* out) {
  auto add = [&](const Vector& at, const Vector& normal) {
    out->push_back(at);
    out->push_back(NormalTip(at, normal));
  };
  if (n->NodeType == kPolygon) {
    static constexpr int kCorners[2][3] = {{0, 1, 2}, {3, 2, 1}};
    for (int t = 0; t < 2; ++t) {
      const Vector& normal = n->Triangles[size_t(t)].Normal;
      if (!(VectorLengthD(normal) > 0)) continue;
      for (int c : kCorners[t]) add(n->Vertices[size_t(c)].Position, normal);
    }
    return;
  }
  const size_t count = ModelTriangleCount(n);
  for (size_t i = 0; i < count; ++i) {
    const TTriangle& t = n->Triangles[i];
    if (!ValidTriangle(n, t)) continue;
    for (int32_t c : {t.V0, t.V1, t.V2}) add(n->Vertices[size_t(c)].Position, t.Normal);
  }
}

// Unit 1 shows the lightmap of a polygon or model: the first triangle has one
// and the node is lit by lightmap.
inline bool UsesLightmap(const TSector* n) {
  return !n->Triangles.empty() && n->Triangles[0].LightmapTexture != 0 && n->LightingMode == 0;
}

// Red, green, blue of a light's sphere.
inline void LightColor(const TSector* n, float rgb[3]) {
  for (int i = 0; i < 3; ++i) rgb[i] = static_cast<float>(n->Color[i] / 255.0);
}

struct SphereSpec {
  float radius;
  int slices, stacks;
};
inline constexpr SphereSpec kNodeSphere{3, 10, 10};
inline constexpr SphereSpec kHeadingSphere{2.5f, 10, 10};
inline constexpr int kVertexSphereSlices = 30, kVertexSphereStacks = 10;

inline constexpr float kParticleColor[3] = {0.5f, 0, 0.5f};
inline constexpr float kActorColor[3] = {0, 1, 0};
inline constexpr float kHeadingColor[3] = {0, 0.5f, 0};
inline constexpr float kCheckpointColor[3] = {1, 1, 1};
inline constexpr float kPortalColor[3] = {0, 0, 0.8f};
inline constexpr float kPortalAlpha = 0.5f;  // filled portals blend half with what lies behind
inline constexpr float kStartColor[3] = {0, 0, 1};
inline constexpr float kNormalColor[3] = {1, 0, 0};
inline constexpr float kGridColor[3] = {0.8f, 0.8f, 0.8f};
inline constexpr float kBoxColor[3] = {1, 0, 0};
inline constexpr float kOutlineColor[3] = {0, 1, 0};
inline constexpr float kPortalEdgeColor[3] = {1, 1, 0};
inline constexpr float kMarkedVertexColor[3] = {1, 1, 0};
inline constexpr float kVertexColor[3] = {0, 1, 0};

// Whether the node pass loads a node's id as pick name (and draws it), by
// its type, Visible flag and whether it has the four corners of a quad.
inline bool LoadsName(uint8_t type, bool visible, bool quad, const ViewOptions& o) {
  return ShownByViewOptions(type, visible, o) && (type != kPolygon || quad);
}

}  // namespace qx

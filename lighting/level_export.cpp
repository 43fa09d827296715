#include "lighting/level_export.h"

#include <algorithm>
#include <cstring>

#include "scene/bounds.h"

namespace qx {

namespace {

size_t TriangleTotal(const TSector* node) {
  return std::min<size_t>(node->TriangleCount, node->Triangles.size());
}

// A corner index outside the vertex array (damaged data) reads as an all-zero vertex.
const TVertex& Corner(const TSector* node, int32_t index) {
  static const TVertex kNone{};
  return index >= 0 && static_cast<size_t>(index) < node->Vertices.size() ? node->Vertices[index] : kNone;
}

void WriteHead(ByteWriter& out, const TSector* node) {
  out.U32(node->Id);
  out.U8(node->NodeType);
}

void WriteSurfaceFlags(ByteWriter& out, const TSector* node) {
  out.U16(node->TextureIndex);
  out.U8(node->Visible);
  out.U8(node->NoCollision);
  out.U8(node->ColorKey);
  out.U8(node->EnvMapping);
  out.U8(node->LightingMode);
}

void WriteTriangleBody(ByteWriter& out, const TSector* node, const TTriangle& t) {
  WriteSurfaceFlags(out, node);
  out.I32(t.LightmapIndex);
  for (int32_t index : {t.V0, t.V1, t.V2}) {
    const TVertex& v = Corner(node, index);
    WriteVector(out, v.Position);
    for (float c : v.Color) out.U8(RoundToByte(double(c) * 255.0));
    out.F32(v.TexCoord[0]);
    out.F32(v.TexCoord[1]);
    out.F32(v.LightmapCoord[0]);
    out.F32(v.LightmapCoord[1]);
  }
}

// A model that is not lightmapped: four blocks, each over all triangles.
void WriteModelBlocks(ByteWriter& out, const TSector* node) {
  const size_t n = TriangleTotal(node);
  WriteSurfaceFlags(out, node);
  out.U16(static_cast<uint16_t>(n));
  const auto& tris = node->Triangles;
  for (size_t i = 0; i < n; ++i)
    for (int32_t k : {tris[i].V0, tris[i].V1, tris[i].V2}) WriteVector(out, Corner(node, k).Position);
  for (size_t i = 0; i < n; ++i)
    for (int32_t k : {tris[i].V0, tris[i].V1, tris[i].V2})
      for (float c : Corner(node, k).Color) out.F32(c);
  for (size_t i = 0; i < n; ++i)
    for (int32_t k : {tris[i].V0, tris[i].V1, tris[i].V2})
      for (float c : Corner(node, k).TexCoord) out.F32(c);
  for (size_t i = 0; i < n; ++i)
    for (int32_t k : {tris[i].V0, tris[i].V1, tris[i].V2})
      for (float c : Corner(node, k).LightmapCoord) out.F32(c);
}

bool PerTriangle(const TSector* node) {
  return node->NodeType == kPolygon || (node->NodeType == kModel && node->LightingMode == 0);
}

// The node's record; a per-triangle node writes one record per triangle with
// the bytes 0, 0 (no children, not last) between them.
void WriteRecord(ByteWriter& out, const TSector* node) {
  if (PerTriangle(node)) {
    const size_t n = TriangleTotal(node);
    for (size_t i = 0; i < n; ++i) {
      if (i > 0) {
        out.U8(0);
        out.U8(0);
      }
      WriteHead(out, node);
      WriteTriangleBody(out, node, node->Triangles[i]);
    }
    return;
  }
  WriteHead(out, node);
  switch (node->NodeType) {
    case kSector:
      WriteVector(out, node->BoundsMin);
      WriteVector(out, node->BoundsMax);
      out.U8(node->Visible);
      out.U8(node->NoInsideTest);
      out.U8(node->NoCollision);
      break;
    case kModel:
      WriteModelBlocks(out, node);
      break;
    case kLight:
      WriteVector(out, node->Position);
      for (float c : node->Color) out.U8(RoundToByte(c));
      out.F32(node->Brightness);
      break;
    case kPortal: {
      // The count is one byte; never write more positions than it announces.
      const size_t n = std::min<size_t>(node->Vertices.size(), 255);
      out.U8(node->NoFrustum);
      uint32_t linked = 0;
      if (node->IsLinked) linked = node->LinkedSector ? node->LinkedSector->Id : node->LinkedSectorId;
      out.U32(linked);
      out.U8(static_cast<uint8_t>(n));
      for (size_t i = 0; i < n; ++i) WriteVector(out, node->Vertices[i].Position);
      break;
    }
    case kParticleSystem:
      WriteVector(out, node->Position);
      out.U8(node->ParticleType);
      out.F32(node->ParticleSpeed);
      break;
    case kActor:
      WriteVector(out, node->Position);
      out.U8(node->ObjectType);
      out.F32(node->Heading);
      break;
    case kCheckpoint:
      WriteVector(out, node->Position);
      out.U8(node->ObjectType);
      break;
    default:
      break;
  }
}

size_t NextExportable(const std::vector<std::unique_ptr<TSector>>& list, size_t from) {
  while (from < list.size() && !IsExportable(list[from].get())) ++from;
  return from;
}

}  // namespace

bool IsExportable(const TSector* node) {
  return !(PerTriangle(node) && TriangleTotal(node) == 0);
}

size_t ExportNodes(const std::vector<std::unique_ptr<TSector>>& siblings, ByteWriter& out) {
  size_t written = 0;
  struct Level {
    const std::vector<std::unique_ptr<TSector>>* list;
    size_t current;  // the node whose children are being written
  };
  std::vector<Level> stack;
  const std::vector<std::unique_ptr<TSector>>* list = &siblings;
  size_t i = NextExportable(*list, 0);
  while (true) {
    if (i < list->size()) {
      const TSector* node = (*list)[i].get();
      WriteRecord(out, node);
      ++written;
      const size_t child = NextExportable(node->Children, 0);
      const bool has_children = child < node->Children.size();
      out.U8(has_children ? 1 : 0);
      if (has_children) {
        stack.push_back({list, i});
        list = &node->Children;
        i = child;
        continue;
      }
      i = NextExportable(*list, i + 1);
      out.U8(i < list->size() ? 0 : 1);
      continue;
    }
    // A sibling chain is done: its parent's is-last byte follows.
    if (stack.empty()) return written;
    list = stack.back().list;
    i = NextExportable(*list, stack.back().current + 1);
    stack.pop_back();
    out.U8(i < list->size() ? 0 : 1);
  }
}

std::vector<uint8_t> BuildLevelFile(SceneTree& tree, const std::vector<Lightmap>& lightmaps,
                                    const Vector& start) {
  for (const auto& top : tree.TopLevel()) ComputeBounds(top.get());
  ByteWriter out;
  out.Bytes(kLevelMagic, 4);
  out.I32(kLevelVersion);
  out.I32(0);
  // The node count is that of the tree; it differs only when nodes without a
  // possible record were left out, and then it must match what follows.
  const int32_t count = static_cast<int32_t>(ExportNodes(tree.TopLevel(), out));
  std::memcpy(out.Buffer().data() + 8, &count, 4);
  out.I32(static_cast<int32_t>(lightmaps.size()) - 1);
  for (const Lightmap& lm : lightmaps) {
    out.I32(lm.width);
    out.I32(lm.height);
    // Exactly the announced texels, whatever the buffer holds.
    const size_t bytes = size_t(std::max(lm.width, 0)) * size_t(std::max(lm.height, 0)) * 3;
    const size_t have = std::min(bytes, lm.rgb.size());
    out.Bytes(lm.rgb.data(), have);
    for (size_t k = have; k < bytes; ++k) out.U8(0);
  }
  WriteVector(out, start);
  return out.Take();
}

}  // namespace qx

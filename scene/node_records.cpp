#include "scene/node_records.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <unordered_map>

#include "scene/polygon_data.h"

namespace qx {

namespace {

constexpr uint8_t kOutlineMask = 0x80;
constexpr size_t kHeadSize = 4 + 4 + 1 + 1;
constexpr size_t kVertexSize = 36;        // polygon and model vertex
constexpr size_t kPortalVertexSize = 16;  // id and position
constexpr size_t kModelTriangleSize = 12;
constexpr size_t kMaxPortalVertices = 255;
constexpr size_t kMaxTriangles = std::numeric_limits<uint16_t>::max();

// The counts as written; arrays larger than their file field are cut, so the
// record always matches its own count.
size_t StoredVertexCount(const TSector& n) {
  if (n.NodeType == kPortal) return std::min(n.Vertices.size(), kMaxPortalVertices);
  return std::min<size_t>(n.Vertices.size(), std::numeric_limits<int32_t>::max());
}
size_t StoredTriangleCount(const TSector& n) {
  return std::min(n.Triangles.size(), kMaxTriangles);
}

Vector Relative(const Vector& p, const Vector* origin) {
  return origin ? VectorSubtract(p, *origin) : p;
}

void WriteSurface(ByteWriter& out, const TSector& n, const Vector* origin) {
  out.U16(n.TextureIndex);
  out.U8(n.NoCollision);
  out.U8(n.Visible);
  out.U8(n.ColorKey);
  out.U8(n.EnvMapping);
  out.U8(n.LightingMode);
  out.U8(n.NoShadow);
  const size_t count = StoredVertexCount(n);
  out.I32(static_cast<int32_t>(count));
  for (size_t i = 0; i < count; ++i) {
    const TVertex& v = n.Vertices[i];
    out.U32(v.Id);
    WriteVector(out, Relative(v.Position, origin));
    for (float c : v.Color) out.U8(RoundToByte(double(c) * 255.0));
    out.F32(v.TexCoord[0]);
    out.F32(v.TexCoord[1]);
    out.F32(v.LightmapCoord[0]);
    out.F32(v.LightmapCoord[1]);
  }
  out.U16(static_cast<uint16_t>(StoredTriangleCount(n)));
}

// Polygon and model: everything up to and including the triangle count.
void ReadSurface(ByteReader& in, TSector& n) {
  n.TextureIndex = in.U16();
  n.NoCollision = in.U8();
  n.Visible = in.U8();
  n.ColorKey = in.U8();
  n.EnvMapping = in.U8();
  n.LightingMode = in.U8();
  n.NoShadow = in.U8();
  const int32_t count = in.I32();
  if (count < 0) throw ReadError("negative Eckpunktanzahl");
  in.NeedItems(static_cast<uint64_t>(count), kVertexSize);
  n.ResizeVertices(static_cast<size_t>(count));
  for (TVertex& v : n.Vertices) {
    v.Id = in.U32();
    v.Position = ReadVector(in);
    for (float& c : v.Color) c = static_cast<float>(in.U8() / 255.0);
    v.TexCoord[0] = in.F32();
    v.TexCoord[1] = in.F32();
    v.LightmapCoord[0] = in.F32();
    v.LightmapCoord[1] = in.F32();
  }
  n.TriangleCount = in.U16();
}

void ReadPolygon(ByteReader& in, TSector& n) {
  ReadSurface(in, n);
  // Every command, the renderer and the exporter treat a polygon as the quad
  // with four corners and two triangles; anything else is a damaged record.
  if (n.Vertices.size() != 4 || n.TriangleCount != 2) throw ReadError("Polygon ist kein Viereck");
  n.ResizeTriangles(2);
  UpdatePolygonData(&n);
}

void ReadModel(ByteReader& in, TSector& n) {
  ReadSurface(in, n);
  in.NeedItems(n.TriangleCount, kModelTriangleSize);
  n.ResizeTriangles(n.TriangleCount);
  const auto corner_ok = [&](int32_t i) { return i >= 0 && static_cast<size_t>(i) < n.Vertices.size(); };
  for (TTriangle& t : n.Triangles) {
    t.V0 = in.I32();
    t.V1 = in.I32();
    t.V2 = in.I32();
    if (!corner_ok(t.V0) || !corner_ok(t.V1) || !corner_ok(t.V2))
      throw ReadError("Dreieck verweist auf einen fehlenden Eckpunkt");
  }
}

void ReadPortal(ByteReader& in, TSector& n) {
  n.NoFrustum = in.U8();
  n.LinkedSectorId = in.U32();
  const uint8_t count = in.U8();
  in.NeedItems(count, kPortalVertexSize);
  n.ResizeVertices(count);
  for (TVertex& v : n.Vertices) {
    v.Id = in.U32();
    v.Position = ReadVector(in);
  }
}

void ReadRecordBody(ByteReader& in, TSector& n) {
  switch (n.NodeType) {
    case kSector:
      n.Visible = in.U8();
      n.NoInsideTest = in.U8();
      n.NoCollision = in.U8();
      break;
    case kPolygon:
      ReadPolygon(in, n);
      break;
    case kModel:
      ReadModel(in, n);
      break;
    case kPortal:
      ReadPortal(in, n);
      break;
    case kLight:
      n.Position = ReadVector(in);
      n.Brightness = in.F32();
      n.Range = in.F32();
      n.Shadow = in.U8();
      in.Skip(3);
      for (float& c : n.Color) c = in.U8();
      break;
    case kParticleSystem:
      n.Position = ReadVector(in);
      n.ParticleType = in.U8();
      n.ParticleSpeed = in.F32();
      break;
    case kActor:
      n.Position = ReadVector(in);
      n.ObjectType = in.U8();
      n.Heading = in.F32();
      break;
    case kCheckpoint:
      n.Position = ReadVector(in);
      n.ObjectType = in.U8();
      break;
    default:
      throw ReadError("unbekannter Knotentyp " + std::to_string(n.NodeType));
  }
}

std::unique_ptr<TSector> ReadNodeRecord(ByteReader& in) {
  auto n = std::make_unique<TSector>();
  n->Id = in.U32();
  const int32_t name_length = in.I32();
  if (name_length > 0) n->Name = in.String(static_cast<size_t>(name_length));
  n->NodeType = in.U8();
  n->Kind = in.U8();
  ReadRecordBody(in, *n);
  n->ImageIndex = DefaultIcon(n->NodeType);
  if (n->NodeType == kSector && n->NoInsideTest == 1) n->ImageIndex = kIconSectorNoInsideTest;
  return n;
}

}  // namespace

void WriteOutlineBlock(ByteWriter& out, const std::string& text) {
  // T is a signed 32-bit field; a deeper outline could not be stored (nor read back).
  if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw std::length_error("Baumtext zu lang");
  out.I32(static_cast<int32_t>(text.size()));
  std::vector<uint8_t>& buf = out.Buffer();
  const size_t start = buf.size();
  buf.resize(start + text.size());
  for (size_t i = 0; i < text.size(); ++i) buf[start + i] = static_cast<uint8_t>(text[i]) ^ kOutlineMask;
}

std::vector<OutlineEntry> ReadOutlineBlock(ByteReader& in, size_t max_entries) {
  const int32_t length = in.I32();
  if (length < 0) throw ReadError("negative Länge des Baumtexts");
  const uint8_t* bytes = in.Bytes(static_cast<size_t>(length));
  std::string text(static_cast<size_t>(length), '\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(bytes[i] ^ kOutlineMask);
  std::vector<OutlineEntry> entries;
  std::string error;
  if (!ParseOutline(text, entries, &error, max_entries)) throw ReadError(error);
  return entries;
}

size_t NodeRecordSize(const TSector& n) {
  size_t size = kHeadSize + n.Name.size();
  switch (n.NodeType) {
    case kSector:
      return size + 3;
    case kPolygon:
      return size + 8 + 4 + StoredVertexCount(n) * kVertexSize + 2;
    case kModel:
      return size + 8 + 4 + StoredVertexCount(n) * kVertexSize + 2 +
             StoredTriangleCount(n) * kModelTriangleSize;
    case kPortal:
      return size + 1 + 4 + 1 + StoredVertexCount(n) * kPortalVertexSize;
    case kLight:
      return size + 12 + 4 + 4 + 4 + 3;
    case kParticleSystem:
      return size + 12 + 1 + 4;
    case kActor:
      return size + 12 + 1 + 4;
    case kCheckpoint:
      return size + 12 + 1;
    default:
      return size;
  }
}

void WriteNodeRecord(ByteWriter& out, const TSector& n, const Vector* origin) {
  out.U32(n.Id);
  out.I32(static_cast<int32_t>(n.Name.size()));
  out.Bytes(n.Name);
  out.U8(n.NodeType);
  out.U8(n.Kind);
  switch (n.NodeType) {
    case kSector:
      out.U8(n.Visible);
      out.U8(n.NoInsideTest);
      out.U8(n.NoCollision);
      break;
    case kPolygon:
      WriteSurface(out, n, origin);
      break;
    case kModel: {
      WriteSurface(out, n, origin);
      const size_t count = StoredTriangleCount(n);
      for (size_t i = 0; i < count; ++i) {
        out.I32(n.Triangles[i].V0);
        out.I32(n.Triangles[i].V1);
        out.I32(n.Triangles[i].V2);
      }
      break;
    }
    case kPortal: {
      out.U8(n.NoFrustum);
      out.U32(n.IsLinked == 1 && n.LinkedSector ? n.LinkedSector->Id : kNoLinkId);
      const size_t count = StoredVertexCount(n);
      out.U8(static_cast<uint8_t>(count));
      for (size_t i = 0; i < count; ++i) {
        out.U32(n.Vertices[i].Id);
        WriteVector(out, Relative(n.Vertices[i].Position, origin));
      }
      break;
    }
    case kLight:
      WriteVector(out, Relative(n.Position, origin));
      out.F32(n.Brightness);
      out.F32(n.Range);
      out.U8(n.Shadow);
      out.U8(0);
      out.U8(0);
      out.U8(0);
      for (float c : n.Color) out.U8(RoundToByte(c));
      break;
    case kParticleSystem:
      WriteVector(out, Relative(n.Position, origin));
      out.U8(n.ParticleType);
      out.F32(n.ParticleSpeed);
      break;
    case kActor:
      WriteVector(out, Relative(n.Position, origin));
      out.U8(n.ObjectType);
      out.F32(n.Heading);
      break;
    case kCheckpoint:
      WriteVector(out, Relative(n.Position, origin));
      out.U8(n.ObjectType);
      break;
    default:
      break;
  }
}

void WriteNodes(ByteWriter& out, const TSector* root, const Vector* origin) {
  if (!root) return;
  SceneTree::WalkSubtree(const_cast<TSector*>(root), [&](TSector* n) { WriteNodeRecord(out, *n, origin); });
}

void WriteNodes(ByteWriter& out, const SceneTree& tree) {
  for (const auto& top : tree.TopLevel()) WriteNodes(out, top.get());
}

void ReadNodes(ByteReader& in, const std::vector<OutlineEntry>& outline, SceneTree& tree) {
  // Every entry needs a record; refuse before building anything when the data cannot hold them.
  in.NeedItems(outline.size(), kMinRecordSize);
  std::vector<TSector*> parents;  // parents[level] = last node read at that level
  for (const OutlineEntry& entry : outline) {
    if (entry.level > parents.size()) throw ReadError("Ebenenfolge im Baumtext verletzt");
    parents.resize(entry.level);
    TSector* parent = entry.level == 0 ? nullptr : parents.back();
    parents.push_back(tree.AddChild(parent, ReadNodeRecord(in)));
  }
}

void ResolvePortalLinks(SceneTree& tree) {
  std::unordered_map<uint32_t, TSector*> by_id;
  std::vector<TSector*> portals;
  tree.Walk([&](TSector* n) {
    by_id[n->Id] = n;  // a later node with the same id wins
    if (n->NodeType == kPortal) portals.push_back(n);
  });
  for (TSector* p : portals) {
    const auto it = p->LinkedSectorId == kNoLinkId ? by_id.end() : by_id.find(p->LinkedSectorId);
    p->LinkedSector = it == by_id.end() ? nullptr : it->second;
    p->IsLinked = it == by_id.end() ? 0 : 1;
  }
}

}  // namespace qx

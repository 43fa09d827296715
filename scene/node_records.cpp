#include "scene/node_records.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <type_traits>
#include <unordered_map>

#include "scene/polygon_data.h"

namespace qx {

namespace {

constexpr uint8_t kOutlineMask = 0x80;

// The counts as written; arrays larger than their file field are cut, so the
// record always matches its own count.
template <class Count, class T>
size_t StoredCount(const std::vector<T>& items) {
  return std::min<size_t>(items.size(), std::numeric_limits<Count>::max());
}
size_t StoredTriangleCount(const TSector& n) {
  return StoredCount<uint16_t>(n.Triangles);
}

// The record layouts, described once: Layout names every stored field in
// file order, and the writer, the reader and the size count below walk it.
// An array's items are described by a callable taking (io, item).

constexpr auto kSurfaceVertex = [](auto& io, auto& v) {
  io.Field(v.Id);
  io.Position(v.Position);
  for (auto& c : v.Color) io.UnitColor(c);
  io.Field(v.TexCoord[0]);
  io.Field(v.TexCoord[1]);
  io.Field(v.LightmapCoord[0]);
  io.Field(v.LightmapCoord[1]);
};

constexpr auto kPortalVertex = [](auto& io, auto& v) {
  io.Field(v.Id);
  io.Position(v.Position);
};

constexpr auto kModelTriangle = [](auto& io, auto& t) {
  io.Field(t.V0);
  io.Field(t.V1);
  io.Field(t.V2);
};

// Polygon and model: everything up to and including the triangle count.
template <class Io, class Node>
void SurfaceLayout(Io& io, Node& n) {
  io.Field(n.TextureIndex);
  io.Field(n.NoCollision);
  io.Field(n.Visible);
  io.Field(n.ColorKey);
  io.Field(n.EnvMapping);
  io.Field(n.LightingMode);
  io.Field(n.NoShadow);
  io.template Vertices<int32_t>(n, kSurfaceVertex);
  io.TriangleCount(n);  // a polygon's triangles are not stored, only their count
}

template <class Io, class Node>
void Layout(Io& io, Node& n) {
  io.Field(n.Id);
  io.Name(n.Name);
  io.Field(n.NodeType);
  io.Field(n.Kind);
  switch (n.NodeType) {
    case kSector:
      io.Field(n.Visible);
      io.Field(n.NoInsideTest);
      io.Field(n.NoCollision);
      break;
    case kPolygon:
      SurfaceLayout(io, n);
      break;
    case kModel:
      SurfaceLayout(io, n);
      io.Triangles(n, kModelTriangle);
      break;
    case kPortal:
      io.Field(n.NoFrustum);
      io.LinkId(n);
      io.template Vertices<uint8_t>(n, kPortalVertex);
      break;
    case kLight:
      io.Position(n.Position);
      io.Field(n.Brightness);
      io.Field(n.Range);
      io.Field(n.Shadow);
      io.Pad(3);  // the flag is the first byte of a 4-byte field
      for (auto& c : n.Color) io.ByteColor(c);
      break;
    case kParticleSystem:
      io.Position(n.Position);
      io.Field(n.ParticleType);
      io.Field(n.ParticleSpeed);
      break;
    case kActor:
      io.Position(n.Position);
      io.Field(n.ObjectType);
      io.Field(n.Heading);
      break;
    case kCheckpoint:
      io.Position(n.Position);
      io.Field(n.ObjectType);
      break;
    default:
      io.UnknownType(n.NodeType);
      break;
  }
}

template <class T>
constexpr bool kStoredScalar =
    std::is_same_v<T, uint8_t> || std::is_same_v<T, uint16_t> || std::is_same_v<T, uint32_t> ||
    std::is_same_v<T, int32_t> || std::is_same_v<T, float>;

class Sizer {
 public:
  template <class T>
  void Field(const T&) {
    static_assert(kStoredScalar<T>);
    size += sizeof(T);
  }
  void Name(const std::string& s) { size += 4 + s.size(); }
  void Position(const Vector&) { size += 12; }
  void UnitColor(float) { size += 1; }
  void ByteColor(float) { size += 1; }
  void Pad(size_t n) { size += n; }
  void LinkId(const TSector&) { size += 4; }
  template <class Count, class Item>
  void Vertices(const TSector& n, Item item) {
    size += sizeof(Count) + StoredCount<Count>(n.Vertices) * ItemSize<TVertex>(item);
  }
  void TriangleCount(const TSector&) { size += 2; }
  template <class Item>
  void Triangles(const TSector& n, Item item) {
    size += StoredTriangleCount(n) * ItemSize<TTriangle>(item);
  }
  void UnknownType(uint8_t) {}

  template <class Element, class Item>
  static size_t ItemSize(Item item) {
    Sizer s;
    const Element e{};
    item(s, e);
    return s.size;
  }

  size_t size = 0;
};

class Writer {
 public:
  Writer(ByteWriter& out, const Vector* origin) : out_(out), origin_(origin) {}

  template <class T>
  void Field(T v) {
    static_assert(kStoredScalar<T>);
    if constexpr (std::is_same_v<T, uint8_t>)
      out_.U8(v);
    else if constexpr (std::is_same_v<T, uint16_t>)
      out_.U16(v);
    else if constexpr (std::is_same_v<T, uint32_t>)
      out_.U32(v);
    else if constexpr (std::is_same_v<T, int32_t>)
      out_.I32(v);
    else
      out_.F32(v);
  }
  void Name(const std::string& s) {
    out_.I32(static_cast<int32_t>(s.size()));
    out_.Bytes(s);
  }
  // With an origin every stored position is written relative to it.
  void Position(const Vector& p) { WriteVector(out_, origin_ ? VectorSubtract(p, *origin_) : p); }
  void UnitColor(float c) { out_.U8(RoundToByte(double(c) * 255.0)); }  // vertex colours are 0 to 1
  void ByteColor(float c) { out_.U8(RoundToByte(c)); }                  // light colours 0 to 255
  void Pad(size_t n) {
    for (size_t i = 0; i < n; ++i) out_.U8(0);
  }
  void LinkId(const TSector& n) {
    out_.U32(n.IsLinked == 1 && n.LinkedSector ? n.LinkedSector->Id : kNoLinkId);
  }
  template <class Count, class Item>
  void Vertices(const TSector& n, Item item) {
    const size_t count = StoredCount<Count>(n.Vertices);
    Field(static_cast<Count>(count));
    for (size_t i = 0; i < count; ++i) item(*this, n.Vertices[i]);
  }
  void TriangleCount(const TSector& n) { out_.U16(static_cast<uint16_t>(StoredTriangleCount(n))); }
  template <class Item>
  void Triangles(const TSector& n, Item item) {
    const size_t count = StoredTriangleCount(n);
    for (size_t i = 0; i < count; ++i) item(*this, n.Triangles[i]);
  }
  void UnknownType(uint8_t) {}

 private:
  ByteWriter& out_;
  const Vector* origin_;
};

class Reader {
 public:
  explicit Reader(ByteReader& in) : in_(in) {}

  template <class T>
  void Field(T& v) {
    static_assert(kStoredScalar<T>);
    if constexpr (std::is_same_v<T, uint8_t>)
      v = in_.U8();
    else if constexpr (std::is_same_v<T, uint16_t>)
      v = in_.U16();
    else if constexpr (std::is_same_v<T, uint32_t>)
      v = in_.U32();
    else if constexpr (std::is_same_v<T, int32_t>)
      v = in_.I32();
    else
      v = in_.F32();
  }
  void Name(std::string& s) {
    const int32_t length = in_.I32();
    if (length > 0) s = in_.String(static_cast<size_t>(length));
  }
  void Position(Vector& p) { p = ReadVector(in_); }
  void UnitColor(float& c) { c = static_cast<float>(in_.U8() / 255.0); }
  void ByteColor(float& c) { c = in_.U8(); }
  void Pad(size_t n) { in_.Skip(n); }
  void LinkId(TSector& n) { n.LinkedSectorId = in_.U32(); }
  template <class Count, class Item>
  void Vertices(TSector& n, Item item) {
    Count count;
    Field(count);
    if constexpr (std::is_signed_v<Count>)
      if (count < 0) throw ReadError("negative Eckpunktanzahl");
    // Refuse a count the data cannot hold before allocating for it.
    in_.NeedItems(static_cast<uint64_t>(count), Sizer::ItemSize<TVertex>(item));
    n.ResizeVertices(static_cast<size_t>(count));
    for (TVertex& v : n.Vertices) item(*this, v);
  }
  void TriangleCount(TSector& n) { n.TriangleCount = in_.U16(); }
  template <class Item>
  void Triangles(TSector& n, Item item) {
    in_.NeedItems(n.TriangleCount, Sizer::ItemSize<TTriangle>(item));
    n.ResizeTriangles(n.TriangleCount);
    for (TTriangle& t : n.Triangles) item(*this, t);
  }
  void UnknownType(uint8_t type) { throw ReadError("unbekannter Knotentyp " + std::to_string(type)); }

 private:
  ByteReader& in_;
};

// What the file leaves out but a record read from it must have, and what no
// record may be.
void CompleteReadRecord(TSector& n) {
  if (n.NodeType == kPolygon) {
    // Every command, the renderer and the exporter treat a polygon as the quad
    // with four corners and two triangles; anything else is a damaged record.
    if (n.Vertices.size() != 4 || n.TriangleCount != 2) throw ReadError("Polygon ist kein Viereck");
    n.ResizeTriangles(2);
    UpdatePolygonData(&n);
  } else if (n.NodeType == kModel) {
    const auto corner_ok = [&](int32_t i) { return i >= 0 && static_cast<size_t>(i) < n.Vertices.size(); };
    for (const TTriangle& t : n.Triangles)
      if (!corner_ok(t.V0) || !corner_ok(t.V1) || !corner_ok(t.V2))
        throw ReadError("Dreieck verweist auf einen fehlenden Eckpunkt");
  }
  n.ImageIndex = DefaultIcon(n.NodeType);
  if (n.NodeType == kSector && n.NoInsideTest == 1) n.ImageIndex = kIconSectorNoInsideTest;
}

std::unique_ptr<TSector> ReadNodeRecord(ByteReader& in) {
  auto n = std::make_unique<TSector>();
  Reader reader(in);
  Layout(reader, *n);
  CompleteReadRecord(*n);
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
  Sizer sizer;
  Layout(sizer, n);
  return sizer.size;
}

void WriteNodeRecord(ByteWriter& out, const TSector& n, const Vector* origin) {
  Writer writer(out, origin);
  Layout(writer, n);
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

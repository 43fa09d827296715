#include "lighting/level_reader.h"

#include "lighting/level_export.h"
#include "scene/bytes.h"

namespace qx {

namespace {

struct Refused {
  std::string message;
};

bool ReadFlag(ByteReader& r, const char* what) {
  const size_t at = r.Position();
  const uint8_t b = r.U8();
  if (b > 1)
    throw Refused{"Ungültiges " + std::string(what) + "-Byte " + std::to_string(b) + " bei Byte " +
                  std::to_string(at)};
  return b == 1;
}

void ReadSurfaceFlags(ByteReader& r, LevelRecord& rec) {
  rec.texture = r.U16();
  rec.visible = r.U8();
  rec.no_collision = r.U8();
  rec.color_key = r.U8();
  rec.env_mapping = r.U8();
  rec.lighting_mode = r.U8();
}

void ReadTriangleBody(ByteReader& r, LevelRecord& rec) {
  rec.per_triangle = true;
  ReadSurfaceFlags(r, rec);
  rec.lightmap_index = r.I32();
  for (LevelCorner& c : rec.corners) {
    c.position = ReadVector(r);
    for (uint8_t& b : c.color) b = r.U8();
    c.tex[0] = r.F32();
    c.tex[1] = r.F32();
    c.lightmap[0] = r.F32();
    c.lightmap[1] = r.F32();
  }
}

void ReadFloats(ByteReader& r, std::vector<float>& out, size_t n) {
  out.resize(n);
  for (float& f : out) f = r.F32();
}

void ReadModelBlocks(ByteReader& r, LevelRecord& rec) {
  ReadSurfaceFlags(r, rec);
  rec.triangle_count = r.U16();
  const size_t n = rec.triangle_count;
  r.NeedItems(n, 132);
  rec.positions.resize(3 * n);
  for (Vector& v : rec.positions) v = ReadVector(r);
  ReadFloats(r, rec.colors, 12 * n);
  ReadFloats(r, rec.tex, 6 * n);
  ReadFloats(r, rec.lightmap, 6 * n);
}

LevelRecord ReadRecord(ByteReader& r, int depth) {
  LevelRecord rec;
  rec.depth = depth;
  rec.offset = r.Position();
  rec.id = r.U32();
  rec.type = r.U8();
  switch (rec.type) {
    case kSector:
      rec.bounds_min = ReadVector(r);
      rec.bounds_max = ReadVector(r);
      rec.visible = r.U8();
      rec.no_inside_test = r.U8();
      rec.no_collision = r.U8();
      break;
    case kPolygon:
      ReadTriangleBody(r, rec);
      break;
    case kModel: {
      // Both layouts start with the same flags; the lighting mode tells them apart.
      const size_t body = r.Position();
      r.Skip(6);
      const uint8_t mode = r.U8();
      r.Seek(body);
      if (mode == 0)
        ReadTriangleBody(r, rec);
      else
        ReadModelBlocks(r, rec);
      break;
    }
    case kLight:
      rec.position = ReadVector(r);
      for (uint8_t& b : rec.light_color) b = r.U8();
      rec.brightness = r.F32();
      break;
    case kPortal: {
      rec.no_frustum = r.U8();
      rec.linked_id = r.U32();
      const uint8_t n = r.U8();
      rec.positions.resize(n);
      for (Vector& v : rec.positions) v = ReadVector(r);
      break;
    }
    case kParticleSystem:
    case kActor:
      rec.position = ReadVector(r);
      rec.object_type = r.U8();
      rec.value = r.F32();
      break;
    case kCheckpoint:
      rec.position = ReadVector(r);
      rec.object_type = r.U8();
      break;
    default:
      break;  // written with an empty body
  }
  return rec;
}

void ReadStream(ByteReader& r, LevelFile& out) {
  std::vector<size_t> open;  // records whose children are being read
  while (true) {
    const size_t index = out.records.size();
    out.records.push_back(ReadRecord(r, static_cast<int>(open.size())));
    out.max_depth = std::max(out.max_depth, static_cast<int>(open.size()));
    if ((out.records[index].has_children = ReadFlag(r, "Hat-Kinder"))) {
      open.push_back(index);
      continue;
    }
    bool last = out.records[index].is_last = ReadFlag(r, "Letzter");
    while (last) {
      if (open.empty()) return;
      const size_t parent = open.back();
      open.pop_back();
      last = out.records[parent].is_last = ReadFlag(r, "Letzter");
    }
  }
}

}  // namespace

bool ReadLevelFile(const std::vector<uint8_t>& bytes, LevelFile& out, std::string& error) {
  LevelFile file;
  ByteReader r(bytes);
  try {
    if (r.Remaining() < 4 || r.String(4) != kLevelMagic)
      throw Refused{"Keine Leveldatei (Kennung \"MAP1\" fehlt)"};
    const int32_t version = r.I32();
    if (version != kLevelVersion) throw Refused{"Unbekannte Version " + std::to_string(version)};
    file.node_count = r.I32();
    if (file.node_count < 0) throw Refused{"Ungültige Knotenzahl " + std::to_string(file.node_count)};
    if (file.node_count > 0) ReadStream(r, file);
    const size_t at = r.Position();
    const int32_t high = r.I32();
    if (high < -1)
      throw Refused{"Ungültige Lightmap-Anzahl " + std::to_string(high) + " bei Byte " + std::to_string(at)};
    r.NeedItems(uint64_t(high) + 1, 8);
    file.lightmaps.resize(size_t(high) + 1);
    for (Lightmap& lm : file.lightmaps) {
      const size_t lm_at = r.Position();
      lm.width = r.I32();
      lm.height = r.I32();
      if (lm.width <= 0 || lm.height <= 0)
        throw Refused{"Ungültige Lightmap-Größe " + std::to_string(lm.width) + " x " +
                      std::to_string(lm.height) + " bei Byte " + std::to_string(lm_at)};
      r.NeedItems(uint64_t(lm.width) * uint64_t(lm.height), 3);
      const size_t n = size_t(lm.width) * size_t(lm.height) * 3;
      const uint8_t* p = r.Bytes(n);
      lm.rgb.assign(p, p + n);
    }
    file.start = ReadVector(r);
    if (r.Remaining() != 0)
      throw Refused{std::to_string(r.Remaining()) + " überzählige Bytes nach der Startposition"};
  } catch (const ReadError&) {
    error = "Unerwartetes Dateiende bei Byte " + std::to_string(r.Position());
    return false;
  } catch (const Refused& refused) {
    error = refused.message;
    return false;
  }
  out = std::move(file);
  return true;
}

const char* NodeTypeName(uint8_t type) {
  switch (type) {
    case kSector:
      return "Sektor";
    case kPolygon:
      return "Polygon";
    case kLight:
      return "Licht";
    case kPortal:
      return "Portal";
    case kParticleSystem:
      return "Partikelsystem";
    case kModel:
      return "Model";
    case kActor:
      return "Actor";
    case kCheckpoint:
      return "Checkpoint";
    default:
      return "unbekannt";
  }
}

}  // namespace qx

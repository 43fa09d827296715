#include "scene/sectorfile.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "scene/bounds.h"
#include "scene/map_document.h"
#include "scene/node_records.h"

namespace qx {

namespace {

void Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
}

bool HasStoredPosition(uint8_t type) {
  return type == kLight || type == kParticleSystem || type == kActor || type == kCheckpoint;
}

}  // namespace

std::vector<uint8_t> WriteSectorFile(TSector* sector) {
  ComputeBounds(sector);
  const Vector centre = sector->BoundsCenter;
  std::string outline;
  WriteOutline(outline, sector);
  size_t records = 0;
  SceneTree::WalkSubtree(sector, [&](TSector* n) { records += NodeRecordSize(*n); });

  ByteWriter out;
  out.Reserve(12 + outline.size() + records);
  out.Bytes(kSectorMagic, sizeof kSectorMagic);
  out.I32(kSectorVersion);
  WriteOutlineBlock(out, outline);
  WriteNodes(out, sector, &centre);
  return out.Take();
}

bool SaveSectorFile(TSector* sector, const std::filesystem::path& path, std::string* error) {
  if (!sector || sector->NodeType != kSector) {
    Fail(error, "kein Sektor");
    return false;
  }
  return SaveProducedFile([&] { return WriteSectorFile(sector); }, path, error);
}

bool ReadSectorFile(const uint8_t* data, size_t size, SceneTree& staging, std::string* error) {
  try {
    ByteReader in(data, size);
    if (size < sizeof kSectorMagic ||
        std::memcmp(in.Bytes(sizeof kSectorMagic), kSectorMagic, sizeof kSectorMagic) != 0) {
      Fail(error, "keine Sektordatei (Kennung \"SEC1\" fehlt)");
      return false;
    }
    const int32_t version = in.I32();
    if (version != kSectorVersion) {
      Fail(error, "unbekannte Version " + std::to_string(version));
      return false;
    }
    const std::vector<OutlineEntry> outline = ReadOutlineBlock(in, in.Remaining() / kMinRecordSize);
    if (outline.empty()) throw ReadError("die Datei enthält keinen Sektor");
    for (size_t i = 1; i < outline.size(); ++i)
      if (outline[i].level == 0) throw ReadError("die Datei enthält mehr als einen Sektor");
    ReadNodes(in, outline, staging);
    if (in.Remaining() != 0) throw ReadError("mehr Datensätze als Einträge im Baumtext");
    if (staging.First()->NodeType != kSector) throw ReadError("die Datei enthält keinen Sektor");
  } catch (const ReadError& e) {
    Fail(error, e.what());
    staging.Clear();
    return false;
  } catch (const std::bad_alloc&) {
    Fail(error, "nicht genug Speicher");
    staging.Clear();
    return false;
  }
  return true;
}

void ShiftSubtree(TSector* root, const Vector& offset) {
  if (!root) return;
  SceneTree::WalkSubtree(root, [&](TSector* n) {
    if (HasVertices(n->NodeType)) {
      for (TVertex& v : n->Vertices) v.Position = VectorAdd(v.Position, offset);
    } else if (HasStoredPosition(n->NodeType)) {
      n->Position = VectorAdd(n->Position, offset);
    }
  });
}

}  // namespace qx

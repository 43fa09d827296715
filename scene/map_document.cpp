#include "scene/map_document.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "scene/bounds.h"
#include "scene/node_records.h"

namespace qx {

namespace {

constexpr size_t kCameraBlockSize = 32;

void Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

std::vector<uint8_t> WriteMapDocument(const SceneTree& tree, const MapView& view) {
  std::string outline;
  WriteOutline(outline, tree);
  size_t records = 0;
  tree.Walk([&](TSector* n) { records += NodeRecordSize(*n); });

  ByteWriter out;
  out.Reserve(12 + outline.size() + records + kCameraBlockSize);
  out.Bytes(kMapMagic, sizeof kMapMagic);
  out.I32(kMapVersion);
  WriteOutlineBlock(out, outline);
  WriteNodes(out, tree);
  WriteVector(out, view.camera_position);
  out.F32(view.camera_heading);
  out.F32(view.camera_pitch);
  WriteVector(out, view.start_position);
  return out.Take();
}

bool ReadMapDocument(const uint8_t* data, size_t size, MapDocument& doc, std::string* error) {
  try {
    ByteReader in(data, size);
    if (size < sizeof kMapMagic ||
        std::memcmp(in.Bytes(sizeof kMapMagic), kMapMagic, sizeof kMapMagic) != 0) {
      Fail(error, "keine Quarvex-Karte (Kennung \"QXM1\" fehlt)");
      return false;
    }
    const int32_t version = in.I32();
    if (version != kMapVersion) {
      Fail(error, "unbekannte Version " + std::to_string(version));
      return false;
    }
    // The records sit between the outline and the 32-byte camera block.
    const size_t most_records = in.Remaining() / kMinRecordSize;
    const std::vector<OutlineEntry> outline = ReadOutlineBlock(in, most_records);
    if (in.Remaining() < kCameraBlockSize) throw ReadError("unerwartetes Dateiende");
    ByteReader records(in.Data() + in.Position(), in.Remaining() - kCameraBlockSize);
    ReadNodes(records, outline, doc.tree);
    if (records.Remaining() != 0) throw ReadError("mehr Datensätze als Einträge im Baumtext");
    in.Skip(records.Position());
    doc.camera_position = ReadVector(in);
    doc.camera_heading = in.F32();
    doc.camera_pitch = in.F32();
    doc.start_position = ReadVector(in);
  } catch (const ReadError& e) {
    Fail(error, e.what());
    doc.tree.Clear();
    return false;
  } catch (const std::bad_alloc&) {
    Fail(error, "nicht genug Speicher");
    doc.tree.Clear();
    return false;
  }
  ResolvePortalLinks(doc.tree);
  for (const auto& top : doc.tree.TopLevel()) ComputeBounds(top.get());
  return true;
}

bool SaveProducedFile(const std::function<std::vector<uint8_t>()>& produce, const std::filesystem::path& path,
                      std::string* error) {
  std::vector<uint8_t> bytes;
  try {
    bytes = produce();
  } catch (const std::bad_alloc&) {
    Fail(error, "nicht genug Speicher");
    return false;
  } catch (const std::length_error&) {
    Fail(error, "zu tief verschachtelt zum Speichern");
    return false;
  }
  if (bytes.size() > kMaxFileSize) {
    Fail(error, "zu groß zum Speichern");  // it could not be loaded again
    return false;
  }
  std::string write_error;
  if (!WriteFileAtomic(path, bytes, write_error)) {
    Fail(error, "Datei kann nicht geschrieben werden: " + write_error);
    return false;
  }
  return true;
}

}  // namespace qx

#include "cli/info_dump.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

#include "commands/sector_import.h"
#include "document/map_document_io.h"
#include "lighting/level_reader.h"
#include "models/md2.h"
#include "models/model_import.h"
#include "scene/cp1252.h"
#include "textures/texture_library_file.h"

namespace qx::cli {

namespace {

void Add(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Add(std::string& out, const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  out += buffer;
}

std::string Point(const Vector& v) {
  char b[128];
  std::snprintf(b, sizeof b, "(%g, %g, %g)", v.x, v.y, v.z);
  return b;
}

// The box around the vertices of the model's first frame.
void AddFirstFrameBox(std::string& out, const TMD2& model) {
  if (model.FrameCount() == 0 || model.VertexCount() == 0) return;
  Vector lo = model.FramePosition(0, 0), hi = lo;
  for (int v = 1; v < model.VertexCount(); ++v) {
    const Vector p = model.FramePosition(0, v);
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  Add(out, "Box des ersten Frames: %s - %s\n", Point(lo).c_str(), Point(hi).c_str());
}

int32_t HeaderInt(const std::vector<uint8_t>& bytes, size_t at) {
  int32_t v = 0;
  if (bytes.size() >= at + 4) std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

const char* LightingName(uint8_t mode) {
  switch (mode) {
    case 0:
      return "Lightmap";
    case 1:
      return "Vertex";
    case 2:
      return "keine";
    default:
      return "unbekannt";
  }
}

std::string Flags(const TSector* n) {
  std::string f;
  auto flag = [&](bool on, const char* name) {
    if (on) f += std::string(", ") + name;
  };
  const bool surface = n->NodeType == kSector || n->NodeType == kPolygon || n->NodeType == kModel;
  flag(surface && n->Visible == 0, "unsichtbar");
  flag(surface && n->NoCollision != 0, "kein Kollisionstest");
  flag(n->NodeType == kSector && n->NoInsideTest != 0, "kein Insidetest");
  flag(n->NodeType != kSector && surface && n->NoShadow != 0, "kein Schatten");
  flag(n->NodeType != kSector && surface && n->EnvMapping != 0, "Env. Mapping");
  flag(n->NodeType != kSector && surface && n->ColorKey != 0, "Color Key");
  flag(n->NodeType == kPortal && n->NoFrustum != 0, "Frustum nicht berechnen");
  return f;
}

void NodeLine(std::string& out, const TSector* n, int depth) {
  Add(out, "%*s%s #%u \"%s\"", 2 + 2 * depth, "", NodeTypeName(n->NodeType), n->Id,
      Cp1252ToUtf8(n->Name).c_str());
  switch (n->NodeType) {
    case kPolygon:
    case kModel:
      Add(out, ": %zu Vertices, %zu Dreiecke, Textur %u, Beleuchtung %s", n->Vertices.size(),
          n->Triangles.size(), n->TextureIndex, LightingName(n->LightingMode));
      break;
    case kLight:
      Add(out, ": %s bei %s, Farbe (%g, %g, %g), Helligkeit %g, Reichweite %g, Schatten %s",
          n->Kind == 1 ? "gerichtetes Licht" : "Punktlicht", Point(n->Position).c_str(), n->Color[0],
          n->Color[1], n->Color[2], n->Brightness, n->Range, n->Shadow ? "ja" : "nein");
      break;
    case kPortal:
      Add(out, ": %zu Vertices, ", n->Vertices.size());
      if (n->IsLinked)
        Add(out, "verbunden mit #%u", n->LinkedSector ? n->LinkedSector->Id : n->LinkedSectorId);
      else
        Add(out, "nicht verbunden");
      break;
    case kParticleSystem:
      Add(out, ": bei %s, Typ %u, Geschwindigkeit %g", Point(n->Position).c_str(), n->ParticleType,
          n->ParticleSpeed);
      break;
    case kActor:
      Add(out, ": bei %s, Typ %u, Richtung %g", Point(n->Position).c_str(), n->ObjectType, n->Heading);
      break;
    case kCheckpoint:
      Add(out, ": bei %s, Typ %u", Point(n->Position).c_str(), n->ObjectType);
      break;
    default:
      break;
  }
  out += Flags(n) + "\n";
}

// Counts by type, then the tree, one line per node, indented by depth.
void DumpTree(const SceneTree& tree, std::string& out) {
  std::map<uint8_t, size_t> by_type;
  size_t vertices = 0, triangles = 0;
  tree.Walk([&](TSector* n) {
    ++by_type[n->NodeType];
    vertices += n->Vertices.size();
    triangles += n->Triangles.size();
  });
  Add(out, "Knoten: %zu", tree.Count());
  for (const auto& [type, count] : by_type) Add(out, ", %s %zu", NodeTypeName(type), count);
  Add(out, "\nVertices: %zu, Dreiecke: %zu\nBaum:\n", vertices, triangles);
  std::vector<std::pair<const TSector*, int>> stack;
  for (auto it = tree.TopLevel().rbegin(); it != tree.TopLevel().rend(); ++it)
    stack.push_back({it->get(), 0});
  while (!stack.empty()) {
    const auto [n, depth] = stack.back();
    stack.pop_back();
    NodeLine(out, n, depth);
    for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it)
      stack.push_back({it->get(), depth + 1});
  }
}

}  // namespace

bool DumpDocument(const std::vector<uint8_t>& bytes, std::string& out, std::string& error) {
  MapDocument doc;
  if (!ReadMapDocument(bytes.data(), bytes.size(), doc, &error)) return false;
  Add(out, "Map-Dokument QXM1, Version %d, %zu Bytes, Baumtext %d Bytes\n", HeaderInt(bytes, 4), bytes.size(),
      HeaderInt(bytes, 8));
  Add(out, "Kamera: Position %s, Richtung %g, Neigung %g\n", Point(doc.camera_position).c_str(),
      doc.camera_heading, doc.camera_pitch);
  Add(out, "Startposition: %s\n", Point(doc.start_position).c_str());
  DumpTree(doc.tree, out);
  return true;
}

bool DumpSectorFile(const std::vector<uint8_t>& bytes, std::string& out, std::string& error) {
  SceneTree staging;
  if (!ReadSectorFile(bytes.data(), bytes.size(), staging, &error)) return false;
  Add(out, "Sektordatei SEC1, Version %d, %zu Bytes, Baumtext %d Bytes (Positionen relativ zur Boxmitte)\n",
      HeaderInt(bytes, 4), bytes.size(), HeaderInt(bytes, 8));
  DumpTree(staging, out);
  return true;
}

bool DumpTextureLibrary(const std::vector<uint8_t>& bytes, std::string& out, std::string& error) {
  const std::optional<std::vector<TTexNode>> entries = ReadTextureLibraryBytes(bytes.data(), bytes.size());
  if (!entries) {
    error = kInvalidFileMessage;
    return false;
  }
  Add(out, "Texturbibliothek TLIB, %zu Bytes, %zu Texturen\n", bytes.size(), entries->size());
  for (size_t i = 0; i < entries->size(); ++i) {
    const TTexNode& t = (*entries)[i];
    Add(out, "  %zu: \"%s\", Bitmap %zu Bytes, TexId %d", i, Cp1252ToUtf8(t.TexName).c_str(),
        t.Bitmap().size(), t.TexId);
    if (t.Info())
      Add(out, ", %d x %d, %u Bit%s\n", t.Info()->width, t.Info()->height, t.Info()->bits_per_pixel,
          t.HasPixels() ? "" : ", keine Textur");
    else
      Add(out, ", kein lesbares Bitmap\n");
  }
  return true;
}

bool DumpLevelFile(const std::vector<uint8_t>& bytes, std::string& out, std::string& error) {
  LevelFile f;
  if (!ReadLevelFile(bytes, f, error)) return false;
  Add(out, "Leveldatei MAP1, Version %d, %zu Bytes\n", HeaderInt(bytes, 4), bytes.size());
  Add(out, "Knoten laut Kopf: %d, Datensätze: %zu, größte Tiefe: %d\n", f.node_count, f.records.size(),
      f.max_depth);
  Add(out, "Lightmaps: %zu", f.lightmaps.size());
  if (!f.lightmaps.empty()) Add(out, " (%d x %d)", f.lightmaps[0].width, f.lightmaps[0].height);
  Add(out, "\nStartposition: %s\nDatensätze:\n", Point(f.start).c_str());
  for (const LevelRecord& r : f.records) {
    Add(out, "%*s%s #%u", 2 + 2 * r.depth, "", NodeTypeName(r.type), r.id);
    switch (r.type) {
      case kSector:
        Add(out, ": Box %s - %s%s%s", Point(r.bounds_min).c_str(), Point(r.bounds_max).c_str(),
            r.visible ? "" : ", unsichtbar", r.no_inside_test ? ", kein Insidetest" : "");
        break;
      case kPolygon:
      case kModel:
        if (r.per_triangle)
          Add(out, " Dreieck: Textur %u, Beleuchtung %s, Lightmap %d", r.texture,
              LightingName(r.lighting_mode), r.lightmap_index);
        else
          Add(out, ": %u Dreiecke, Textur %u, Beleuchtung %s", r.triangle_count, r.texture,
              LightingName(r.lighting_mode));
        break;
      case kLight:
        Add(out, ": bei %s, Farbe (%u, %u, %u), Helligkeit %g", Point(r.position).c_str(), r.light_color[0],
            r.light_color[1], r.light_color[2], r.brightness);
        break;
      case kPortal:
        Add(out, ": %zu Vertices, ", r.positions.size());
        if (r.linked_id != 0)
          Add(out, "verbunden mit #%u", r.linked_id);
        else
          Add(out, "nicht verbunden");
        break;
      case kParticleSystem:
        Add(out, ": bei %s, Typ %u, Geschwindigkeit %g", Point(r.position).c_str(), r.object_type, r.value);
        break;
      case kActor:
        Add(out, ": bei %s, Typ %u, Richtung %g", Point(r.position).c_str(), r.object_type, r.value);
        break;
      case kCheckpoint:
        Add(out, ": bei %s, Typ %u", Point(r.position).c_str(), r.object_type);
        break;
      default:
        Add(out, " (Typ %u)", r.type);
        break;
    }
    out += "\n";
  }
  return true;
}

bool DumpModel(const std::vector<uint8_t>& bytes, std::string& out, std::string& error) {
  TMD2 model;
  if (!model.LoadFromMemory(bytes.data(), bytes.size())) {
    error = model.Error();
    return false;
  }
  const auto& h = model.Header();
  Add(out, "MD2-Modell IDP2, Version %d, %zu Bytes\n", h[kMD2Version], bytes.size());
  Add(out, "Skin: %d x %d, Skins: %d\n", h[kMD2SkinWidth], h[kMD2SkinHeight], h[kMD2NumSkins]);
  Add(out, "Vertices je Frame: %d, Texturkoordinaten: %d, Dreiecke: %d\n", model.VertexCount(),
      model.TexCoordCount(), model.TriangleCount());
  Add(out, "Frames: %d zu je %d Bytes (der Editor nutzt den ersten)\n", model.FrameCount(),
      model.FrameSize());
  AddFirstFrameBox(out, model);
  return true;
}

bool DumpImportedModel(const std::filesystem::path& path, size_t size, std::string& out, std::string& error) {
  std::unique_ptr<TMD2> model = ImportModelFile(path, error);
  if (!model) {
    for (char& c : error)
      if (c == '\n') c = ' ';
    return false;
  }
  std::string format = path.extension().string().substr(1);
  for (char& c : format) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  Add(out, "Modell (%s), %zu Bytes\n", format.c_str(), size);
  Add(out, "Als Modell-Knoten: %d Vertices, %d Dreiecke\n", model->VertexCount(), model->TriangleCount());
  AddFirstFrameBox(out, *model);
  return true;
}

}  // namespace qx::cli

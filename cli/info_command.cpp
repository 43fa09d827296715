// quarvex-cli info: a readable dump of any Quarvex file, chosen by its magic
// (or, for a file without a known one, by its extension).

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli.h"
#include "cli/info_dump.h"
#include "models/model_import.h"
#include "scene/bytes.h"

namespace qx::cli {

const char* const kInfoHelp =
    "Aufruf: quarvex-cli info DATEI\n"
    "\n"
    "Gibt eine Datei lesbar aus: Kopf, Baum mit Typen und Ids, Anzahlen.\n"
    "Erkannt werden Map-Dokumente (.qxm), Sektordateien (.sec), Texturbibliotheken (.tex),\n"
    "Leveldateien (.map) und MD2-Modelle (.md2), am Dateianfang oder sonst an der Endung;\n"
    "für Modelle (.obj, .gltf, .glb, .fbx, .3ds, .ply, .dae) die Anzahl der Vertices\n"
    "und Dreiecke, die ein eingefügter Modell-Knoten bekäme.\n"
    "Eine beschädigte Datei wird mit einer Meldung abgelehnt.\n"
    "\n"
    "Exit-Status: 0 gelesen, 1 nicht lesbar oder beschädigt, 2 falscher Aufruf.\n";

namespace {

enum class Format { kUnknown, kDocument, kSector, kTextures, kLevel, kModel, kImportedModel };

Format ByMagic(const std::vector<uint8_t>& b) {
  if (b.size() < 4) return Format::kUnknown;
  const std::string magic(b.begin(), b.begin() + 4);
  if (magic == "QXM1") return Format::kDocument;
  if (magic == "SEC1") return Format::kSector;
  if (magic == "TLIB") return Format::kTextures;
  if (magic == "MAP1") return Format::kLevel;
  if (magic == "IDP2") return Format::kModel;
  return Format::kUnknown;
}

Format ByExtension(const std::filesystem::path& p) {
  std::string ext = p.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".qxm") return Format::kDocument;
  if (ext == ".sec") return Format::kSector;
  if (ext == ".tex") return Format::kTextures;
  if (ext == ".map") return Format::kLevel;
  if (ext == ".md2") return Format::kModel;
  if (HasImportExtension(p)) return Format::kImportedModel;
  return Format::kUnknown;
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
  if (args.size() != 1 || (!args[0].empty() && args[0][0] == '-'))
    return Fail(std::string("info braucht genau eine DATEI\n") + kInfoHelp, kUsage);
  const std::filesystem::path path = args[0];
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadWholeFile(path, bytes, error)) return Fail(path.string() + ": nicht lesbar (" + error + ")");
  Format format = ByMagic(bytes);
  if (format == Format::kUnknown) format = ByExtension(path);
  bool ok = false;
  std::string out;
  switch (format) {
    case Format::kDocument:
      ok = DumpDocument(bytes, out, error);
      break;
    case Format::kSector:
      ok = DumpSectorFile(bytes, out, error);
      break;
    case Format::kTextures:
      ok = DumpTextureLibrary(bytes, out, error);
      break;
    case Format::kLevel:
      ok = DumpLevelFile(bytes, out, error);
      break;
    case Format::kModel:
      ok = DumpModel(bytes, out, error);
      break;
    case Format::kImportedModel:
      ok = DumpImportedModel(path, bytes.size(), out, error);
      break;
    case Format::kUnknown:
      error = "unbekanntes Dateiformat";
      break;
  }
  if (!ok) return Fail(path.string() + ": " + error);
  std::fputs(out.c_str(), stdout);
  return kOk;
}

}  // namespace qx::cli

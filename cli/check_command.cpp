// quarvex-cli check: the findings of "Level prüfen" for a map document.

#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "commands/level_check.h"
#include "textures/texture_library_file.h"

namespace qx::cli {

const char* const kCheckHelp =
    "Aufruf: quarvex-cli check LEVEL.qxm [--tex LIB.tex] [--json]\n"
    "\n"
    "Prüft das Map-Dokument LEVEL.qxm wie \"Level prüfen\" im Editor und gibt die Befunde aus,\n"
    "Fehler zuerst, einen je Zeile (\"Fehler: ...\" oder \"Warnung: ...\").\n"
    "\n"
    "  --tex LIB.tex   auch die Texturnummern gegen diese Bibliothek prüfen\n"
    "  --json          als JSON: eine Liste von Objekten mit severity, code, text und nodes (Ids)\n"
    "\n"
    "Exit-Status: 0 kein Fehler (Warnungen erlaubt), 1 mindestens ein Fehler oder die Datei ist\n"
    "nicht lesbar, 2 falscher Aufruf.\n";

namespace {

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (const char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;  // UTF-8 passes as it is
        }
    }
  }
  return out + "\"";
}

}  // namespace

int RunCheck(const std::vector<std::string>& args) {
  std::string level, tex;
  bool json = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      json = true;
    } else if (a == "--tex" && i + 1 < args.size()) {
      tex = args[++i];
    } else if (a.rfind("--tex=", 0) == 0 && a.size() > 6) {
      tex = a.substr(6);
    } else if (!a.empty() && a[0] != '-' && level.empty()) {
      level = a;
    } else {
      return Fail("check: unbekanntes Argument \"" + a + "\"\n\n" + kCheckHelp, kUsage);
    }
  }
  if (level.empty()) return Fail(std::string("check braucht ein Map-Dokument\n\n") + kCheckHelp, kUsage);

  Editor editor;
  if (!LoadDocument(editor, level)) return kFailed;
  CheckOptions options;
  if (!tex.empty()) {
    TextureLibrary library;
    std::string message;
    if (!LoadTextureLibrary(library, tex, message)) return Fail(tex + ": " + message);
    options.texture_count = library.Count();
  }
  // A map document holds no lightmaps, so none can be out of date.
  const std::vector<Finding> findings = CheckLevel(editor.Tree, editor.StartPosition, options);

  bool error = false;
  std::string out;
  if (json) out += "[";
  for (size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    error = error || f.severity == Severity::kError;
    if (!json) {
      out += std::string(SeverityText(f.severity)) + ": " + f.text + "\n";
      continue;
    }
    out += i ? ",\n " : "\n ";
    out += "{\"severity\": " + JsonString(SeverityText(f.severity)) + ", \"code\": " + JsonString(f.code) +
           ", \"text\": " + JsonString(f.text) + ", \"nodes\": [";
    for (size_t k = 0; k < f.ids.size(); ++k) out += (k ? ", " : "") + std::to_string(f.ids[k]);
    out += "]}";
  }
  if (json) out += findings.empty() ? "]\n" : "\n]\n";
  std::fputs(out.c_str(), stdout);
  return error ? kFailed : kOk;
}

}  // namespace qx::cli

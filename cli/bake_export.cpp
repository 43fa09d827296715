// quarvex-cli export and bake, and what they share.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "cli/cli.h"
#include "commands/export_commands.h"
#include "document/map_document_io.h"
#include "lighting/level_export.h"
#include "lighting/lightmap_png.h"
#include "lighting/time_left.h"
#include "scene/bytes.h"
#include "session/play_test.h"

namespace qx::cli {

const char* const kExportHelp =
    "Aufruf: quarvex-cli export LEVEL.qxm OUT.map [--lightmaps BxH | --no-lightmaps] [--start X,Y,Z]\n"
    "\n"
    "Liest das Map-Dokument LEVEL.qxm und schreibt die Leveldatei OUT.map für die Engine.\n"
    "\n"
    "  --lightmaps BxH   vorher Lightmaps der Größe B x H berechnen (1 bis 4096, z. B. 16x16)\n"
    "  --no-lightmaps    keine Lightmaps (Voreinstellung, wie \"Nein\" im Editor)\n"
    "  --start X,Y,Z     diese Startposition in OUT.map statt der des Dokuments (z. B. 0,80,70.5),\n"
    "                    wie \"Ab Kamera testen\" im Editor; LEVEL.qxm bleibt unverändert\n"
    "\n"
    "Eine vorhandene OUT.map wird erst ersetzt, wenn die neue vollständig geschrieben ist.\n"
    "Exit-Status: 0 geschrieben, 1 Fehler beim Lesen, Berechnen oder Schreiben, 2 falscher Aufruf.\n";

const char* const kBakeHelp =
    "Aufruf: quarvex-cli bake LEVEL.qxm --lightmaps BxH [--png ORDNER]\n"
    "\n"
    "Berechnet die Lightmaps des Map-Dokuments LEVEL.qxm und gibt eine Zusammenfassung aus.\n"
    "\n"
    "  --lightmaps BxH   Größe jeder Lightmap (1 bis 4096, z. B. 16x16)\n"
    "  --png ORDNER      jede Lightmap als ORDNER/lightmap_NNNN.png ablegen (Zeile 0 oben);\n"
    "                    der Ordner wird angelegt, falls nötig\n"
    "\n"
    "Exit-Status: 0 fertig, 1 Fehler, 2 falscher Aufruf.\n";

std::string ProgressLine(int percent, double elapsed_seconds) {
  const int filled = std::clamp(percent, 0, 100) * 30 / 100;
  std::string line =
      LightmapProgressText(percent) + " [" + std::string(filled, '#') + std::string(30 - filled, ' ') + "]";
  const std::string left = percent < 100 ? TimeLeftText(elapsed_seconds, percent / 100.0) : "";
  // Padded, so that a shorter text covers a longer one drawn before.
  return line + " " + left + std::string(left.size() < 18 ? 18 - left.size() : 0, ' ');
}

int Fail(const std::string& message, int status) {
  std::fprintf(stderr, "quarvex-cli: %s\n", message.c_str());
  return status;
}

std::optional<LightmapSize> ParseLightmapSize(const std::string& text) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return std::nullopt;
  auto number = [](const std::string& s) -> int {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::atoi(s.c_str());
  };
  const LightmapSize size{number(text.substr(0, x)), number(text.substr(x + 1))};
  if (size.width < 1 || size.height < 1 || size.width > kMaxLightmapSide || size.height > kMaxLightmapSide)
    return std::nullopt;
  return size;
}

bool LoadDocument(Editor& editor, const std::filesystem::path& path) {
  std::string error;
  if (LoadMapDocument(editor, path, &error)) return true;
  Fail(path.string() + ": " + error);
  return false;
}

namespace {

// "Lightmaps: 42% [############                  ] noch etwa 12 s" on a
// terminal, redrawn in place.
class ProgressBar {
 public:
  ProgressBar() : shown_(::isatty(STDERR_FILENO) == 1), start_(std::chrono::steady_clock::now()) {}
  ~ProgressBar() {
    if (drawn_) std::fputc('\n', stderr);
  }
  void Show(int percent) {
    if (!shown_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(stderr, "\r%s", ProgressLine(percent, elapsed).c_str());
    std::fflush(stderr);
    drawn_ = true;
  }

 private:
  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::mutex mutex_;
};

struct Options {
  std::vector<std::string> positional;
  std::optional<LightmapSize> size;
  bool no_lightmaps = false;
  std::optional<std::filesystem::path> png;
  std::optional<Vector> start;
};

// Reads the arguments; returns an error text for a wrong command line.
std::string ParseOptions(const std::vector<std::string>& args, bool allow_png, bool allow_start, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i], value;
    const size_t eq = a.find('=');
    if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = a.substr(eq + 1);
      a = a.substr(0, eq);
    } else if ((a == "--lightmaps" || a == "--png" || a == "--start") && i + 1 < args.size()) {
      value = args[++i];
    }
    if (a == "--lightmaps") {
      o.size = ParseLightmapSize(value);
      if (!o.size) return "ungültige Lightmap-Größe \"" + value + "\" (erwartet z. B. 16x16, 1 bis 4096)";
    } else if (a == "--no-lightmaps") {
      o.no_lightmaps = true;
    } else if (a == "--png" && allow_png) {
      if (value.empty()) return "--png braucht einen Ordner";
      o.png = value;
    } else if (a == "--start" && allow_start) {
      o.start = ParseStartPosition(value);
      if (!o.start)
        return "ungültige Startposition \"" + value + "\" für --start (erwartet X,Y,Z, z. B. 0,80,70.5)";
    } else if (a.size() > 1 && a[0] == '-') {
      return "unbekannte Option \"" + args[i] + "\"";
    } else {
      o.positional.push_back(a);
    }
  }
  return {};
}

}  // namespace

bool BakeWithProgress(Editor& editor, LightmapSize size, uint64_t* shadow_queries) {
  ProgressBar bar;
  BakeOptions options;
  options.progress = [&](int percent) { bar.Show(percent); };
  const BakeLists lists = CollectBakeLists(editor.Tree);
  BakeResult result = BakeLightmaps(lists, size, options);
  if (result.status != BakeStatus::kDone) {
    Fail(result.message);
    return false;
  }
  if (shadow_queries) *shadow_queries = result.shadow_queries;
  ApplyBakeResult(editor, std::move(result), nullptr);
  return true;
}

int RunExport(const std::vector<std::string>& args) {
  Options o;
  const std::string wrong = ParseOptions(args, false, true, o);
  if (!wrong.empty()) return Fail(wrong + "\n" + kExportHelp, kUsage);
  if (o.positional.size() != 2)
    return Fail(std::string("export braucht LEVEL.qxm und OUT.map\n") + kExportHelp, kUsage);
  if (o.size && o.no_lightmaps) return Fail("--lightmaps und --no-lightmaps schließen sich aus", kUsage);
  const std::filesystem::path out = o.positional[1];

  Editor editor;
  if (!LoadDocument(editor, o.positional[0])) return kFailed;
  if (o.size) {
    if (!BakeWithProgress(editor, *o.size)) return kFailed;
  } else {
    editor.LightmapList.clear();
  }
  std::string error;
  if (!WriteLevelFileWithStart(editor, out, o.start.value_or(editor.StartPosition), error))
    return Fail(out.string() + ": " + kLevelWriteFailed + " (" + error + ")");
  std::printf("%s: %ju Bytes, %zu Knoten, %zu Lightmaps\n", out.string().c_str(),
              static_cast<uintmax_t>(std::filesystem::file_size(out)), editor.Tree.Count(),
              editor.LightmapList.size());
  return kOk;
}

int RunBake(const std::vector<std::string>& args) {
  Options o;
  const std::string wrong = ParseOptions(args, true, false, o);
  if (!wrong.empty()) return Fail(wrong + "\n" + kBakeHelp, kUsage);
  if (o.positional.size() != 1)
    return Fail(std::string("bake braucht genau ein LEVEL.qxm\n") + kBakeHelp, kUsage);
  if (!o.size || o.no_lightmaps)
    return Fail(std::string("bake braucht --lightmaps BxH\n") + kBakeHelp, kUsage);

  Editor editor;
  if (!LoadDocument(editor, o.positional[0])) return kFailed;
  const auto start = std::chrono::steady_clock::now();
  uint64_t queries = 0;
  if (!BakeWithProgress(editor, *o.size, &queries)) return kFailed;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  if (o.png) {
    std::error_code ec;
    std::filesystem::create_directories(*o.png, ec);
    if (ec)
      return Fail(o.png->string() + ": Ordner kann nicht angelegt werden (" + SystemErrorText(ec.value()) +
                  ")");
    for (size_t i = 0; i < editor.LightmapList.size(); ++i) {
      const Lightmap& lm = editor.LightmapList[i];
      char name[48];
      std::snprintf(name, sizeof name, "lightmap_%04zu.png", i);
      std::string error;
      const std::filesystem::path file = *o.png / name;
      if (!WriteFileAtomic(file, EncodePng(lm.width, lm.height, lm.rgb), error))
        return Fail(file.string() + ": kann nicht geschrieben werden (" + error + ")");
    }
  }
  const double per_second = seconds > 0 ? editor.LightmapList.size() / seconds : 0;
  std::printf("%zu Lightmaps (%d x %d), %llu Schattenstrahlen, %.2f s, %.0f Lightmaps/s%s%s\n",
              editor.LightmapList.size(), o.size->width, o.size->height,
              static_cast<unsigned long long>(queries), seconds, per_second, o.png ? ", PNG in " : "",
              o.png ? o.png->string().c_str() : "");
  return kOk;
}

}  // namespace qx::cli

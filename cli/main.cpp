// quarvex-cli: bake lightmaps, export level files and dump any Quarvex file
// without the editor window.

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace {

const char* const kUsageText =
    "Aufruf: quarvex-cli BEFEHL [ARGUMENTE]\n"
    "\n"
    "Befehle:\n"
    "  export LEVEL.qxm OUT.map [--lightmaps BxH | --no-lightmaps] [--start X,Y,Z]\n"
    "                       Leveldatei aus einem Map-Dokument schreiben\n"
    "  bake LEVEL.qxm --lightmaps BxH [--png ORDNER]\n"
    "                       Lightmaps berechnen und als PNG-Bilder ablegen\n"
    "  info DATEI           .qxm, .sec, .tex, .map oder ein Modell lesbar ausgeben\n"
    "  demo ORDNER          das Demo-Level und seine Texturbibliothek schreiben\n"
    "  texlib LIB.tex add BILD... | remove NUMMER | list\n"
    "                       eine Texturbibliothek bearbeiten oder auflisten\n"
    "  check LEVEL.qxm [--tex LIB.tex] [--json]\n"
    "                       das Level prüfen und die Befunde ausgeben\n"
    "  room LEVEL.qxm --outline X,Z X,Z X,Z ... [--floor Y] [--height H] [--tile T]\n"
    "       [--texture NUMMER] [--no-light] [--into SEKTOR_ID]\n"
    "                       einen Raum aus einem Grundriss einfügen\n"
    "  door LEVEL.qxm --wall VIERECK_ID [--width B] [--height H] [--offset U]\n"
    "                       einen Durchgang mit verbundenen Portalen schneiden\n"
    "\n"
    "quarvex-cli BEFEHL --help zeigt die Hilfe eines Befehls.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsageText, stderr);
    return qx::cli::kUsage;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsageText, stdout);
    return qx::cli::kOk;
  }
  struct Entry {
    const char* name;
    int (*run)(const std::vector<std::string>&);
    const char* help;
  };
  const Entry entries[] = {
      {"export", qx::cli::RunExport, qx::cli::kExportHelp}, {"bake", qx::cli::RunBake, qx::cli::kBakeHelp},
      {"info", qx::cli::RunInfo, qx::cli::kInfoHelp},       {"demo", qx::cli::RunDemo, qx::cli::kDemoHelp},
      {"texlib", qx::cli::RunTexlib, qx::cli::kTexlibHelp}, {"check", qx::cli::RunCheck, qx::cli::kCheckHelp},
      {"room", qx::cli::RunRoom, qx::cli::kRoomHelp},       {"door", qx::cli::RunDoor, qx::cli::kDoorHelp}};
  for (const Entry& e : entries) {
    if (command != e.name) continue;
    for (const std::string& a : args)
      if (a == "--help" || a == "-h") {
        std::fputs(e.help, stdout);
        return qx::cli::kOk;
      }
    try {
      return e.run(args);
    } catch (const std::bad_alloc&) {
      return qx::cli::Fail("nicht genug Speicher");  // what() would only say "std::bad_alloc"
    } catch (const std::exception& ex) {
      return qx::cli::Fail(ex.what());
    }
  }
  std::fprintf(stderr, "quarvex-cli: unbekannter Befehl \"%s\"\n\n%s", command.c_str(), kUsageText);
  return qx::cli::kUsage;
}

// quarvex-cli room and door: a room from a floor plan, a doorway cut into a
// wall, saved back into the document.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "cli/cli.h"
#include "commands/room_commands.h"
#include "document/map_document_io.h"

namespace qx::cli {

const char* const kRoomHelp =
    "Aufruf: quarvex-cli room LEVEL.qxm --outline X,Z X,Z X,Z ... [--floor Y] [--height H]\n"
    "                         [--tile T] [--texture NUMMER] [--no-light] [--into SEKTOR_ID]\n"
    "\n"
    "Fügt einen Raum mit dem Grundriss aus den Ecken X,Z ein: Boden in der Höhe Y\n"
    "(0), Decke H darüber (80), eine Wand je Kante, alle zum Raum hin gewandt, in\n"
    "Kacheln von höchstens T (0: ganze Flächen), mit der Textur NUMMER (0) und einem\n"
    "Licht in der Mitte (außer mit --no-light). Der neue Sektor kommt in den Sektor\n"
    "SEKTOR_ID oder auf die oberste Ebene. Gibt die Nummer des neuen Sektors aus.\n"
    "Fehlt LEVEL.qxm, wird ein neues Dokument angelegt.\n";

const char* const kDoorHelp =
    "Aufruf: quarvex-cli door LEVEL.qxm --wall VIERECK_ID [--width B] [--height H] [--offset U]\n"
    "\n"
    "Schneidet einen Durchgang B breit (40) und H hoch (80) in die Wand VIERECK_ID,\n"
    "U vom linken Wandende (von vorn gesehen; sonst mittig), und in jede Wand eines\n"
    "anderen Sektors, die innerhalb eines Gitterschritts (20) Rücken an Rücken\n"
    "dahinter steht. Jede Öffnung bekommt ein Portal, verbunden mit dem Sektor auf\n"
    "der anderen Seite. Gibt die Nummern der Portale aus, eine je Zeile.\n";

namespace {

bool ParseDouble(const std::string& text, double* out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *out);
  return ec == std::errc() && ptr == end && std::isfinite(*out);
}

bool ParseId(const std::string& text, uint32_t* out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *out);
  return ec == std::errc() && ptr == end;
}

// The document at `path`, or a new scene when there is no file yet.
bool OpenOrCreate(Editor& editor, const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    editor.NewScene();
    return true;
  }
  return LoadDocument(editor, path);
}

int Save(Editor& editor, const std::filesystem::path& path) {
  std::string error;
  if (!SaveMapDocument(editor, path, &error)) return Fail(path.string() + ": " + error);
  return kOk;
}

// "--name VALUE" as a number; false with the usage message printed.
bool TakeNumber(const std::vector<std::string>& args, size_t& i, double* out, const char* help, int* status) {
  if (i + 1 >= args.size() || !ParseDouble(args[i + 1], out)) {
    *status = Fail(args[i] + " braucht eine Zahl\n\n" + help, kUsage);
    return false;
  }
  ++i;
  return true;
}

}  // namespace

int RunRoom(const std::vector<std::string>& args) {
  if (args.empty()) return Fail(std::string("room braucht ein Dokument\n\n") + kRoomHelp, kUsage);
  const std::filesystem::path path = args[0];
  RoomPlan plan;
  plan.height = float(kDefaultRoomHeightSteps * ToolState{}.GridSize);
  uint32_t into = 0;
  bool has_into = false;
  int status = kOk;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    double v = 0;
    if (a == "--outline") {
      while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
        const std::string& corner = args[++i];
        const size_t comma = corner.find(',');
        double x = 0, z = 0;
        if (comma == std::string::npos || !ParseDouble(corner.substr(0, comma), &x) ||
            !ParseDouble(corner.substr(comma + 1), &z))
          return Fail("Ecke \"" + corner + "\" ist nicht X,Z\n\n" + kRoomHelp, kUsage);
        plan.outline.push_back({x, z});
      }
    } else if (a == "--floor") {
      if (!TakeNumber(args, i, &v, kRoomHelp, &status)) return status;
      plan.floor_y = float(v);
    } else if (a == "--height") {
      if (!TakeNumber(args, i, &v, kRoomHelp, &status)) return status;
      plan.height = float(v);
    } else if (a == "--tile") {
      if (!TakeNumber(args, i, &v, kRoomHelp, &status)) return status;
      if (v < 0) return Fail("--tile darf nicht negativ sein\n\n" + std::string(kRoomHelp), kUsage);
      plan.tile = float(v);
    } else if (a == "--texture") {
      uint32_t t = 0;
      if (i + 1 >= args.size() || !ParseId(args[i + 1], &t) || t > 0xFFFF)
        return Fail("--texture braucht eine Nummer von 0 bis 65535\n\n" + std::string(kRoomHelp), kUsage);
      plan.texture = uint16_t(t);
      ++i;
    } else if (a == "--no-light") {
      plan.light = false;
    } else if (a == "--into") {
      if (i + 1 >= args.size() || !ParseId(args[i + 1], &into))
        return Fail("--into braucht eine Sektornummer\n\n" + std::string(kRoomHelp), kUsage);
      has_into = true;
      ++i;
    } else {
      return Fail("unbekannte Angabe \"" + a + "\"\n\n" + kRoomHelp, kUsage);
    }
  }
  if (plan.outline.empty()) return Fail(std::string("room braucht --outline\n\n") + kRoomHelp, kUsage);

  Editor editor;
  if (!OpenOrCreate(editor, path)) return kFailed;
  TSector* parent = nullptr;
  if (has_into) {
    parent = editor.FindById(into);
    if (!parent || parent->NodeType != kSector)
      return Fail("Kein Sektor mit der Nummer " + std::to_string(into) + "!");
  }
  std::string error;
  TSector* room = BuildRoom(editor, parent, plan, &error);
  if (!room) return Fail(error);
  const uint32_t id = room->Id;
  if (const int saved = Save(editor, path); saved != kOk) return saved;
  std::printf("%u\n", id);
  return kOk;
}

int RunDoor(const std::vector<std::string>& args) {
  if (args.empty()) return Fail(std::string("door braucht ein Dokument\n\n") + kDoorHelp, kUsage);
  const std::filesystem::path path = args[0];
  const int grid = ToolState{}.GridSize;
  DoorPlan plan{float(kDefaultDoorWidthSteps * grid), float(kDefaultDoorHeightSteps * grid), {}};
  uint32_t wall_id = 0;
  bool has_wall = false;
  int status = kOk;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    double v = 0;
    if (a == "--wall") {
      if (i + 1 >= args.size() || !ParseId(args[i + 1], &wall_id))
        return Fail("--wall braucht die Nummer eines Vierecks\n\n" + std::string(kDoorHelp), kUsage);
      has_wall = true;
      ++i;
    } else if (a == "--width" || a == "--height" || a == "--offset") {
      if (!TakeNumber(args, i, &v, kDoorHelp, &status)) return status;
      (a == "--width" ? plan.width : a == "--height" ? plan.height : plan.offset.emplace()) = float(v);
    } else {
      return Fail("unbekannte Angabe \"" + a + "\"\n\n" + kDoorHelp, kUsage);
    }
  }
  if (!has_wall) return Fail(std::string("door braucht --wall\n\n") + kDoorHelp, kUsage);

  Editor editor;
  if (!OpenOrCreate(editor, path)) return kFailed;
  std::string error;
  const auto portals = CutDoorwayIn(editor, editor.FindById(wall_id), plan, float(grid), &error);
  if (portals.empty()) return Fail(error);
  std::vector<uint32_t> ids;
  for (const TSector* p : portals) ids.push_back(p->Id);
  if (const int saved = Save(editor, path); saved != kOk) return saved;
  for (uint32_t id : ids) std::printf("%u\n", id);
  return kOk;
}

}  // namespace qx::cli

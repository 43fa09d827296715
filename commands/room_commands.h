#pragma once
// Whole rooms from a floor plan ("Raum") and two-way doorways cut into walls
// ("Durchgang"). The builders take the document alone and refuse before they
// change anything; the Editor faces add the undo step, the parent rule, the
// selection and the warning box.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "commands/room_outline.h"
#include "document/editor.h"

namespace qx {

inline constexpr const char* kRoomStepName = "Raum";
inline constexpr const char* kDoorStepName = "Durchgang";
inline constexpr const char* kRoomSectorName = "Raum";
inline constexpr const char* kFloorName = "Boden";
inline constexpr const char* kCeilingName = "Decke";
inline constexpr const char* kWallName = "Wand";

inline constexpr const char* kRoomNoHeight = "Die Raumhöhe muss größer als 0 sein!";
inline constexpr const char* kDoorNeedsWall = "Sie müssen eine Wand auswählen!";
inline constexpr const char* kDoorWallNotUpright = "Die Wand muss ein aufrechtes Rechteck sein!";
inline constexpr const char* kDoorDoesNotFit = "Der Durchgang passt nicht in die Wand!";
inline constexpr const char* kDoorDoesNotFitBehind = "Der Durchgang passt nicht in die Wand dahinter!";

// Room height and tile size in grid steps when nothing else was chosen.
inline constexpr int kDefaultRoomHeightSteps = 4;
inline constexpr int kDefaultDoorWidthSteps = 2;
inline constexpr int kDefaultDoorHeightSteps = 4;

struct RoomPlan {
  std::vector<PlanPoint> outline;  // x/z corners in order, either direction
  float floor_y = 0;
  float height = 80;
  float tile = 0;  // 0: whole faces
  uint16_t texture = 0;
  bool light = true;
};

// The room's light: at the plan's centre, half way up.
struct RoomLight {
  Vector position;
  float brightness = 0, range = 0;
};
RoomLight ChooseRoomLight(const std::vector<PlanPoint>& outline, float floor_y, float height);

// A new sector "Raum", last child of `parent` (null: top level), holding a
// floor and a ceiling cut along the plan, one wall per outline edge, all
// facing into the room and meeting edge to edge, tiled by `tile`, textured in
// world-aligned coordinates, lightmapped, and the light. Null with `error`
// set, and nothing changed, when the outline or height is refused.
TSector* BuildRoom(Document& doc, TSector* parent, const RoomPlan& plan, std::string* error);

// "Raum": inside the selected sector when the plan lies within its box, else
// at the top level; one undo step; the new sector is selected and shown. A
// refusal shows the warning and changes nothing.
TSector* DrawRoom(Editor& e, const RoomPlan& plan);

struct DoorPlan {
  float width = 40, height = 80;
  std::optional<float> offset;  // along the wall from its left end seen from the front; default centred
};

// Cuts the opening (from the floor of `wall`, an upright rectangular quad, at
// `offset` along it) out of the wall: that quad and the tiles of its sector in
// its plane that the opening reaches. The same opening is cut out of every quad
// of another sector standing back to back with it within `reach`, a portal goes
// into each side's opening, and each is linked to the sector on the other
// side. Returns the portals, the wall's own first; empty with `error` set, and
// nothing changed, when refused (the wall's faces or those behind do not
// cover the opening).
std::vector<TSector*> CutDoorwayIn(Document& doc, TSector* wall, const DoorPlan& plan, float reach,
                                   std::string* error);

// "Durchgang": on the tree's current quad, one undo step, reach one grid step;
// selects the new portal on the wall's side.
std::vector<TSector*> CutDoorway(Editor& e, const DoorPlan& plan);

}  // namespace qx

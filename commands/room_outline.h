#pragma once
// A room's floor plan: an outline of corners in x/z, checked and cut into
// pieces that the quad record can hold. Pure geometry, no scene.
//
// The plan is cut into vertical slabs at every corner's x, at every tile line
// and wherever an edge crosses a horizontal cut line (a corner's z or a tile
// line). Inside a slab no edge ends or crosses a cut line, so the room's part
// of each slab is a set of trapezoids with two upright sides, and the cut
// lines split those into smaller ones. Cut that way, two pieces that touch
// share the whole side (no corner of one lies inside the other's side), so
// lightmapped tiles meet without cracks. A piece that narrows to a point is a
// triangle; it gets a fourth corner halfway along its side on the outline,
// where no other piece of the plan touches it.

#include <string>
#include <vector>

namespace qx {

struct PlanPoint {
  double x = 0, z = 0;
  bool operator==(const PlanPoint&) const = default;
};

inline constexpr const char* kRoomTooFewCorners = "Ein Raum braucht mindestens drei Ecken!";
inline constexpr const char* kRoomCrossing = "Der Umriss darf sich nicht selbst kreuzen!";
inline constexpr const char* kRoomNoArea = "Der Umriss hat keine Fläche!";

// The outline without corners that repeat the one before them (a closing
// corner equal to the first one included).
std::vector<PlanPoint> TidyOutline(const std::vector<PlanPoint>& outline);

// Empty when `outline` (already tidied) is a simple polygon of three or more
// corners with an area; else the German refusal. Concave outlines are fine.
std::string CheckOutline(const std::vector<PlanPoint>& outline);

// Twice the signed area: positive when the corners run counter-clockwise with
// x to the right and z upwards.
double SignedArea2(const std::vector<PlanPoint>& outline);

// The floor plan cut into pieces of four distinct corners each, counter-
// clockwise (x right, z up), none with zero area. `tile` > 0 keeps every piece
// within one tile-sized cell of a world-aligned grid. The outline must pass
// CheckOutline.
std::vector<std::vector<PlanPoint>> CutFloorPlan(const std::vector<PlanPoint>& outline, double tile);

// Whether p lies inside the outline (even-odd rule; points on an edge may go
// either way).
bool InsideOutline(const std::vector<PlanPoint>& outline, PlanPoint p);

}  // namespace qx

#pragma once
// The fixes of "Level prüfen": each turns one finding's fault into what the
// designer most likely meant, and changes nothing else. The fixes act on the
// document; the commands at the end wrap them into undo steps.

#include <string>
#include <vector>

#include "commands/level_check.h"
#include "lighting/lightmap.h"

namespace qx {

class Editor;

inline constexpr const char* kFixCommand = "Beheben";
inline constexpr const char* kFixAllCommand = "Alle beheben";

// Links the portal to the sector behind it (PortalLinkTarget); false when there is none.
bool LinkPortalToSectorBehind(Document& doc, TSector* portal);
// Adds to the portal's linked sector a copy of the portal with its corners in
// reverse order, linked back to the portal's own sector. Returns the copy.
TSector* AddReturnPortal(Document& doc, TSector* portal);
// Removes the node (a degenerate quad) with its subtree.
bool RemoveNode(Document& doc, TSector* node);
// Turns the quad round ("Fläche umdrehen").
bool TurnQuad(Document& doc, TSector* quad);
// Moves the light out of the wall: kCheckLightClear in front of the quad's plane.
bool MoveLightOutOfWall(Document& doc, TSector* light, const TSector* wall);
// The start position goes to the centre of the box of the first sector that has one.
bool MoveStartToFirstSector(Document& doc);

// Applies the finding's fix to the document; the nodes are found again by id
// (a finding may be older than the last change). False when the fix has
// nothing to do or cannot be made. A finding of kind kBakeAgain is baked with
// `size`.
bool ApplyFix(Document& doc, const Finding& finding, LightmapSize size = {});

// The finding's nodes as they are now (found by id; null for one that is gone).
std::vector<TSector*> FindingNodes(const SceneTree& tree, const Finding& finding);
// Selects the finding's nodes (the start marker for a finding about the start
// position), the first one the tree's current node. False when nothing was selected.
bool SelectFinding(Editor& e, const Finding& finding);

// "Beheben": one finding's fix as one undo step.
bool FixFinding(Editor& e, const Finding& finding, LightmapSize size = {});
// "Alle beheben": the fix of every finding with this code, as one undo step.
// Returns how many were fixed.
int FixAllOfKind(Editor& e, const std::vector<Finding>& findings, const std::string& code,
                 LightmapSize size = {});

}  // namespace qx

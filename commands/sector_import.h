#pragma once
// Bringing a sector file into the open document: placement, snapping and
// fresh ids.

#include <filesystem>
#include <string>

#include "document/editor.h"
#include "scene/sectorfile.h"

namespace qx {

// Where an imported sector's box centre goes: the look-at point moved once
// more by the eye-to-target vector, CameraTarget + (CameraTarget - CameraPosition).
Vector SectorImportPlacement(const Editor& editor);

// Gives root and every node below it, in tree order, a fresh id from
// editor.NextId(), each node's vertices (polygons, portals, models) theirs
// right after it, in vertex order.
void RenumberSubtree(Editor& editor, TSector* root);

// Imports a sector file as the last top-level node of the editor's tree:
// placed around SectorImportPlacement, polygon and portal vertices snapped to
// the grid, all ids fresh. Portals keep links that lead to nodes inside the
// imported sector (renumbered with them); a link to anything outside it
// cannot be trusted (the ids belong to the map it came from), so such a portal
// stays unlinked. The camera does not move. Returns the new sector, or null
// with `error` set and the editor untouched.
TSector* ImportSectorFromBytes(Editor& editor, const uint8_t* data, size_t size, std::string* error);
TSector* ImportSectorFile(Editor& editor, const std::filesystem::path& path, std::string* error);

}  // namespace qx

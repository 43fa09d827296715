#pragma once
// Editing the scene as a tree: copy and paste (sectors deeply), delete, rename,
// drag and drop (which also links portals) and stepping the selection to the
// parent or the first child. The window's handlers only translate their event
// and call these.

#include <string>

#include "document/editor.h"

namespace qx {

inline constexpr const char* kCopyIntoItselfMessage =
    "Sie können nicht einen Sektor in sich selbst kopieren!";
inline constexpr const char* kConfirmDeleteMessage = "Wircklich löschen?";
inline constexpr const char* kRenameCaption = "Neuer Name";
inline constexpr const char* kRenamePrompt = "Geben Sie hier ein neuer Name ein:";

// "Kopieren": the clipboard takes the references of the selection list. The
// clipboard holds references, so a paste copies the nodes as they are then.
void CopySelection(Editor& e);

// "Einfügen": pastes every clipboard entry at the tree selection. A sector is
// copied deeply next to the tree selection; it is refused with
// kCopyIntoItselfMessage when the destination lies inside the sector itself.
void PasteClipboard(Editor& e);

// Deep copy of `first` (and, unless `single`, its following siblings) as the
// last children of `dest` (null: top level). Ids come from NextId in walk order:
// a node, its vertices, then its children. Copied portals are unlinked, copied
// triangles have no lightmap, copied models no loader. With `select`, every
// copied polygon, portal or model becomes the tree selection in turn.
// Returns the last top-level copy made.
TSector* CopySubtree(Editor& e, TSector* dest, TSector* first, bool select, bool single);

// "Löschen": after "Wircklich löschen?" removes every listed node with its subtree.
void DeleteSelection(Editor& e);

// "Umbenennen...": asks for a new name for the tree selection.
void RenameTreeSelection(Editor& e);

// Drop of the tree selection on `target`: a portal is linked to the dragged
// node; onto a sector the dragged node moves in as its last child; onto any
// other node it moves just before it. Never into its own subtree. Returns
// whether the scene changed.
bool TreeDragDrop(Editor& e, TSector* target);

// A drop of the tree selection on the empty area below the last row: the
// dragged node moves to the end of the top level. Returns whether it moved.
bool TreeDropOnEmptyArea(Editor& e);

// "Übergeordnetes Objekt markieren" / "Untergeordnetes Objekt markieren".
void SelectParentObject(Editor& e);
void SelectFirstChildObject(Editor& e);

// Names end up as one line of the document's tree outline; control characters
// (TAB, CR, LF...) would break that line into levels and entries, so they
// become spaces.
std::string SanitizeNodeName(std::string name);

}  // namespace qx

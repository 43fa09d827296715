#pragma once
// The tree outline: the scene tree's structure as text, one line per node in
// pre-order, each line a TAB per nesting level, the node's name, then CR LF.
// Documents and sector files store it (with every byte's top bit flipped) in
// front of the node records; the records carry the full names, so the outline
// only has to give the nesting.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scene/scene_tree.h"

namespace qx {

// The text a name gets on its outline line. Ordinary names stay as they are.
// A line break inside a name becomes a space and leading spaces and TABs are
// dropped, because on reading both would change the nesting; the node record
// still holds the whole name.
std::string OutlineLineText(const std::string& name);

// Appends the outline of every top-level node of `tree` with its subtree.
void WriteOutline(std::string& out, const SceneTree& tree);
// Appends the outline of one subtree; `root` is at level 0.
void WriteOutline(std::string& out, const TSector* root);

struct OutlineEntry {
  uint32_t level = 0;   // 0 for a top-level node
  uint32_t offset = 0;  // the line's name: text bytes [offset, offset + length)
  uint32_t length = 0;
};

// Parses outline text. A line's level is the number of its leading TAB and
// space characters, which are not part of the name. Lines end in CR LF; a lone
// LF or CR and the end of the text also end a line. A line may be at most one
// level deeper than the line before (the first line must be at level 0);
// otherwise returns false with `error` set to
// "Ungültige Ebene (<level>) für Eintrag "<name>"" (UTF-8).
// Text longer than 4 GiB and more than `max_entries` lines (the most the
// records behind the outline can hold) are refused as well.
bool ParseOutline(std::string_view text, std::vector<OutlineEntry>& entries, std::string* error,
                  size_t max_entries = SIZE_MAX);

}  // namespace qx

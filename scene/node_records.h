#pragma once
// The binary node records shared by map documents and sector files: one
// record per node, in tree order (pre-order), little-endian and unpadded.
// Common head: Id (u32), name length (i32), name bytes (Windows-1252),
// NodeType (u8), Kind (u8); then the fields of the node's type.

#include <cstdint>
#include <string>
#include <vector>

#include "scene/bytes.h"
#include "scene/outline.h"
#include "scene/scene_tree.h"

namespace qx {

// The fewest bytes any record takes (a sector's); used to refuse counts that
// cannot fit the data before anything is allocated for them.
inline constexpr uint64_t kMinRecordSize = 13;

// The largest document or sector file written or read: what ReadWholeFile
// accepts by default.
inline constexpr uint64_t kMaxFileSize = uint64_t(1) << 31;

// The id a portal writes when it is not linked.
inline constexpr uint32_t kNoLinkId = 0xFFFFFFFFu;

// The outline block in front of the records: T (i32) and T bytes of outline
// text with every byte's top bit flipped. Throws std::length_error for text
// beyond the 2 GiB that T can give (a tree nested tens of thousands deep).
void WriteOutlineBlock(ByteWriter& out, const std::string& text);
// Reads the outline block, flips the bytes back and parses them, allowing at
// most `max_entries` entries. Throws ReadError on failure.
std::vector<OutlineEntry> ReadOutlineBlock(ByteReader& in, size_t max_entries);

// Bytes WriteNodeRecord writes for one node.
size_t NodeRecordSize(const TSector& node);

// Writes one record. With `origin`, every stored position (vertices of
// polygons, portals and models; the position of lights, particle systems,
// actors and checkpoints) is written relative to it.
void WriteNodeRecord(ByteWriter& out, const TSector& node, const Vector* origin = nullptr);

// Writes the records of `root` and everything below it, in pre-order.
void WriteNodes(ByteWriter& out, const TSector* root, const Vector* origin = nullptr);
// Writes the records of the whole tree, in pre-order.
void WriteNodes(ByteWriter& out, const SceneTree& tree);

// Reads one record per outline entry and builds the nodes into `tree` with the
// outline's nesting (level-0 entries become top-level nodes, appended after
// any already there). Every node gets the icon of its type; polygons get their
// triangles and planes. Throws ReadError on a damaged record: a file that ends
// early, a count larger than the data left, an unknown node type, a quad
// without its four corners and two triangles, a model triangle corner outside
// the model's vertices. On a throw `tree` may hold part of the nodes; callers
// build into a tree of their own and discard it.
void ReadNodes(ByteReader& in, const std::vector<OutlineEntry>& outline, SceneTree& tree);

// Links every portal whose LinkedSectorId names a node of `tree` (the last
// such node in tree order); others stay unlinked.
void ResolvePortalLinks(SceneTree& tree);

}  // namespace qx

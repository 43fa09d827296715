#pragma once
// A lossless copy of everything in the editor that a command may change: the
// tree in pre-order (every record field, each node's parent and the node its
// portal leads to), the id counter, the start position, the lightmaps and the
// selection (as positions in the tree). The undo history is a list of these.
//
// Copies of records are immutable and shared: a state taken with an earlier
// one as its base reuses every record that is still identical, so a state
// costs a small entry per node plus the records the last command changed.
// Every copy carries the identity of its node, so a state put back into the
// editor finds the live records of its nodes and changes only what differs.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "scene/vector.h"

namespace qx {

class Editor;
struct Lightmap;
struct TSector;

// The bytes held by all copies of records and lightmaps that are alive; each
// copy adds itself on creation and takes itself off when released.
// It also hands out the node identities.
struct StateMemory {
  size_t bytes = 0;
  uint64_t keys = 0;
};

// The live records whose fields a new state found changed against its base,
// with the OR of the Change bits of the differing fields (and of a link).
struct RecordChanges {
  std::vector<const TSector*> records;
  std::vector<uint8_t> kinds;
};

bool SameLightmap(const Lightmap& a, const Lightmap& b);

class SceneState {
 public:
  ~SceneState();
  SceneState(const SceneState&) = delete;
  SceneState& operator=(const SceneState&) = delete;

  // Copies the editor as it is now. With `base` (an earlier state of the same
  // editor) records equal to base's are shared rather than copied, and
  // `changed` tells whether the scene differs from base in anything a document
  // or the lightmaps hold: selection, marks, bounds and GL texture names alone
  // are no change. `changes` receives the live records whose fields (or link)
  // differ from base. Throws std::bad_alloc when memory runs out.
  // The texture library is kept too (its pictures shared with the live one):
  // `changed` covers it, `document_changed` only what the map document holds.
  static std::unique_ptr<SceneState> Capture(const Editor& editor, const SceneState* base,
                                             StateMemory* memory, bool* changed = nullptr,
                                             RecordChanges* changes = nullptr,
                                             bool* document_changed = nullptr);

  // Puts this state into the editor in place. `live` is the state last taken
  // of the editor, unchanged since: each node the two share keeps its live
  // record, which takes this state's fields only where they differ (announced
  // to the document with their Change bits); nodes this state lacks are
  // removed, those it adds inserted and moved ones moved, all through the tree
  // so that its views keep their rows. Without `live` every live record is
  // replaced. Lightmaps, start position and selection follow. The id counter
  // becomes the larger of the editor's and the state's, so an id handed out
  // later never repeats one that any state holds. Clipboard entries are found
  // again by id. Afterwards this state is the base for sharing. Throws
  // std::bad_alloc before the editor is touched when memory runs out.
  void Restore(Editor& editor, const SceneState* live = nullptr);

  // Whether both select the same nodes in the same order.
  bool SameSelection(const SceneState& other) const;
  size_t NodeCount() const { return nodes_.size(); }
  // Every triangle's GL lightmap texture name that is not 0, with the lightmap
  // of this state it was made from (null when its index is outside the list).
  void ForEachLightmapTexture(const std::function<void(uint32_t name, const Lightmap* lightmap)>& fn) const;
  uint32_t IdCounter() const { return id_counter_; }
  // Bytes of this state's own tables; the shared records are in StateMemory.
  size_t TableBytes() const;
  // Forgets the live records this state was taken from or restored to; only
  // the newest state is a base for sharing.
  void DropSources();

  struct Record;
  struct LightmapCopy;
  struct LibraryCopy;

 private:
  SceneState() = default;
  // Index of the entry taken from `node`, or -1; `hint` is where it is likely.
  int32_t IndexOfSource(const TSector* node, size_t hint) const;

  struct Entry {
    int32_t parent = -1;  // index of the parent entry, -1 at the top level
    int32_t link = -1;    // entry a portal's LinkedSector points to, -1 none
    std::shared_ptr<const Record> record;
  };

  std::vector<Entry> nodes_;
  std::shared_ptr<const LightmapCopy> lightmaps_;  // null when there are none
  std::shared_ptr<const LibraryCopy> library_;
  uint32_t id_counter_ = 0;
  Vector start_position_;
  std::vector<int32_t> selection_;  // SelectionList in order
  int32_t tree_selection_ = -1;
  int32_t vertex_node_ = -1;
  int32_t vertex_index_ = -1;

  std::vector<const TSector*> sources_;  // live record of each entry, while this is the newest state
  mutable std::unordered_map<const TSector*, int32_t> source_index_;
};

}  // namespace qx

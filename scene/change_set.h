#pragma once
// What a command changed in the document, announced to the views when the
// command's step ends (or at once, for the steps of a drag). Structure
// (insert, remove, move, rename) travels through TreeListener; this says which
// records' fields changed and how, so that a view rebuilds only what it shows
// of them.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "scene/node.h"

namespace qx {

enum Change : uint8_t {
  kChangeGeometry = 1,    // vertices, positions, triangles, bounds, heading
  kChangeAppearance = 2,  // texture, lighting mode, colours, visibility, lightmap coordinates
  kChangeOther = 4,       // any other field (names travel as structure, and as this)
};

struct ChangeSet {
  // Changed records and an OR of their Change bits. A record removed later in
  // the same step is dropped from the set before it is announced.
  std::unordered_map<TSector*, uint8_t> nodes;
  bool lightmaps = false;  // the lightmap list was replaced (a bake, undo of one)
  // Lightmaps whose bytes alone changed, the list and every number staying.
  std::vector<uint32_t> lightmap_bytes;
  bool structure = false;  // nodes were inserted, removed or moved
  bool replaced = false;   // a new or loaded document: everything is new
  bool start_position = false;
  // The selection list, the tree's current node or the start marker's mark changed.
  bool selection = false;
  // The properties panel is to show `shown` from now on; null shows nothing.
  bool show_properties = false;
  TSector* shown = nullptr;
  // Published while a drag is under way (its nodes keep changing step after
  // step), and once when it ended or was taken back.
  bool in_gesture = false;
  bool gesture_ended = false;

  bool Empty() const {
    return nodes.empty() && !lightmaps && lightmap_bytes.empty() && !structure && !replaced &&
           !start_position && !selection && !show_properties && !gesture_ended;
  }
  void Add(TSector* node, uint8_t how) { nodes[node] |= how; }
  void Merge(const ChangeSet& other) {
    for (const auto& [n, how] : other.nodes) nodes[n] |= how;
    lightmaps |= other.lightmaps;
    lightmap_bytes.insert(lightmap_bytes.end(), other.lightmap_bytes.begin(), other.lightmap_bytes.end());
    structure |= other.structure;
    replaced |= other.replaced;
    start_position |= other.start_position;
    selection |= other.selection;
    gesture_ended |= other.gesture_ended;
    if (other.show_properties) {
      show_properties = true;
      shown = other.shown;
    }
  }
};

class DocumentListener {
 public:
  virtual ~DocumentListener() = default;
  virtual void DocumentChanged(const ChangeSet& changes) = 0;
};

}  // namespace qx

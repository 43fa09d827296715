#include "document/document.h"

#include <algorithm>

namespace qx {

Document::Document() {
  Tree.AddListener(&watch_);
}

Document::~Document() {
  Tree.RemoveListener(&watch_);
}

void Document::AddDocumentListener(DocumentListener* l) {
  if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void Document::RemoveDocumentListener(DocumentListener* l) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), l), listeners_.end());
}

void Document::Changed(TSector* node, uint8_t how) {
  if (node) pending_.Add(node, how);
}

void Document::ChangedSubtree(TSector* root, uint8_t how) {
  if (root) SceneTree::WalkSubtree(root, [&](TSector* n) { pending_.Add(n, how); });
}

void Document::ChangedLightmaps() {
  pending_.lightmaps = true;
}

void Document::ChangedStartPosition() {
  pending_.start_position = true;
}

void Document::Replaced() {
  pending_ = ChangeSet{};
  pending_.replaced = true;
}

void Document::LightingChanged(const std::vector<TSector*>& nodes) {
  pending_.lightmaps = true;
  for (TSector* n : nodes) pending_.Add(n, kChangeAppearance);
}

void Document::LightmapBytesChanged(const std::vector<uint32_t>& lightmaps,
                                    const std::vector<TSector*>& nodes) {
  pending_.lightmap_bytes.insert(pending_.lightmap_bytes.end(), lightmaps.begin(), lightmaps.end());
  for (TSector* n : nodes) pending_.Add(n, kChangeAppearance);
}

void Document::PlanesChanged(const std::vector<TSector*>& nodes) {
  for (TSector* n : nodes) pending_.Add(n, kChangeGeometry);
}

void Document::PublishChanges() {
  if (publishing_ || pending_.Empty()) return;
  // A listener may announce again (a redraw recomputing bounds): that goes
  // out with the next publication, not into this one.
  publishing_ = true;
  ChangeSet changes = std::move(pending_);
  changes.in_gesture = gesture_open_;
  pending_ = ChangeSet{};
  for (DocumentListener* l : std::vector<DocumentListener*>(listeners_)) l->DocumentChanged(changes);
  publishing_ = false;
}

void Document::StructureWatch::BeforeRemove(TSector* node) {
  doc_.pending_.structure = true;
  SceneTree::WalkSubtree(node, [&](TSector* n) {
    doc_.pending_.nodes.erase(n);
    // A removed record is never shown: the panel empties instead.
    if (doc_.pending_.shown == n) {
      doc_.pending_.shown = nullptr;
      doc_.pending_.show_properties = true;
    }
  });
}

void Document::StructureWatch::AfterReset() {
  // Every record is new: nothing announced before means anything now.
  doc_.pending_ = ChangeSet{};
  doc_.pending_.replaced = true;
}

}  // namespace qx

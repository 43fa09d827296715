#pragma once
// The document: what is saved and what undo takes back. The tree with its
// lightmaps, the id counter, the start position, the texture library, the
// file name and the modified flag. Selection, camera and tool state live
// beside it in the editor.
//
// The document says what changed. Structure travels through the tree's
// TreeListener; commands announce the fields they changed with Changed(),
// the announcements are collected and handed to every DocumentListener when
// the command's step ends (PublishChanges), so a view rebuilds only what it
// shows of the changed records.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "lighting/lightmap.h"
#include "scene/change_set.h"
#include "textures/texture_library.h"

namespace qx {

class Document : public LitScene {
 public:
  Document();
  ~Document() override;

  uint32_t IdCounter = 0;
  uint32_t NextId() { return ++IdCounter; }
  Vector StartPosition;
  TextureLibrary Textures;
  std::filesystem::path DocumentFileName;
  bool DocumentHasFile = false;

  // The map document differs from its file.
  bool IsModified() const { return modified_; }
  // The document or the texture library (saved to a file of its own) does:
  // "*" in the caption, and the question before either would be lost.
  bool HasUnsavedChanges() const { return modified_ || Textures.IsModified(); }

  void AddDocumentListener(DocumentListener* l);
  void RemoveDocumentListener(DocumentListener* l);

  // Announcements, collected until PublishChanges.
  void Changed(TSector* node, uint8_t how);
  void ChangedSubtree(TSector* root, uint8_t how);  // root and every node below it
  void ChangedLightmaps();
  void ChangedStartPosition();
  void Replaced();  // a new or loaded document
  // The selection changed (list, marks, the tree's current node, the start marker).
  void ChangedSelection() { pending_.selection = true; }
  // The panel is to show this node's properties (null: none).
  void ShowProperties(TSector* node) {
    pending_.show_properties = true;
    pending_.shown = node;
  }
  // A drag is under way: its steps are published as they come, marked as
  // such, and its end is announced, so views can treat moving nodes apart.
  void SetGestureOpen(bool open) {
    if (gesture_open_ && !open) pending_.gesture_ended = true;
    gesture_open_ = open;
  }
  // Hands what was collected to the listeners; nothing when nothing was.
  void PublishChanges();
  const ChangeSet& PendingChanges() const { return pending_; }

  void LightingChanged(const std::vector<TSector*>& nodes) override;
  void PlanesChanged(const std::vector<TSector*>& nodes) override;
  void LightmapBytesChanged(const std::vector<uint32_t>& lightmaps,
                            const std::vector<TSector*>& nodes) override;

 protected:
  bool modified_ = false;

 private:
  // Structure changes mark the set, and removed records leave it.
  class StructureWatch : public TreeListener {
   public:
    explicit StructureWatch(Document& d) : doc_(d) {}
    void AfterInsert(TSector*) override { doc_.pending_.structure = true; }
    void BeforeRemove(TSector* node) override;
    void AfterMove(TSector*) override { doc_.pending_.structure = true; }
    // A new name or icon: the tree follows it as structure, a panel showing
    // the record must show the new name.
    void NodeChanged(TSector* node) override {
      doc_.pending_.structure = true;
      doc_.pending_.Add(node, kChangeOther);
    }
    void LinkForgotten(TSector* portal) override { doc_.pending_.Add(portal, kChangeOther); }
    void AfterReset() override;

   private:
    Document& doc_;
  };

  StructureWatch watch_{*this};
  ChangeSet pending_;
  std::vector<DocumentListener*> listeners_;
  bool publishing_ = false;
  bool gesture_open_ = false;
};

}  // namespace qx

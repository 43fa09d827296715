#pragma once
// The chunks of the retained viewport and how they follow the document: the
// tree's structure notifications move nodes between chunks, the document's
// change sets mark the chunks of the changed nodes for rebuilding, and nodes
// that keep moving step after step (a drag) are drawn from a small dynamic
// chunk of their own, so that a step rebuilds only them. Selection changes
// nothing here: markers are drawn from the live flags every frame. No OpenGL.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "document/editor.h"
#include "render/retained_chunk.h"
#include "scene/change_set.h"

namespace qx {

class RetainedScene : private TreeListener, private DocumentListener {
 public:
  // Nodes per chunk when the tree is cut into chunks; a chunk that grows to
  // twice this by insertions is split.
  static constexpr size_t kChunkNodes = 2048;
  // Moving nodes beyond this many are rebuilt in their chunks instead.
  static constexpr size_t kMaxDynamicNodes = 4096;

  RetainedScene() = default;
  ~RetainedScene() override;
  RetainedScene(const RetainedScene&) = delete;
  RetainedScene& operator=(const RetainedScene&) = delete;

  // Follows the editor's tree and document (null: none); lets go by itself
  // when the tree goes.
  void Attach(Editor* editor);
  Editor* Attached() const { return editor_; }

  void DocumentChanged(const ChangeSet& changes) override;
  // Every chunk and the atlas are made anew.
  void InvalidateAll();
  // Every chunk is built anew (the atlas layout changed).
  void MarkAllDirty();
  // A test aid: compares what every chunk was built from with the scene at
  // each update and rebuilds what differs, counting each such change that no
  // change set announced (UnannouncedChanges). Never on in the product.
  // `count_in_process`: what it finds also counts in UnannouncedChangesInProcess
  // (the window's frames in the GUI tests; not tests that leave changes
  // unannounced on purpose).
  void SetVerifyEachUpdate(bool on, bool count_in_process = false) {
    verify_ = on;
    count_in_process_ = on && count_in_process;
    if (!on) snapshots_.clear();
  }

  // Builds the dirty chunks; the atlas must be made anew before when
  // LightmapsChanged. `check`: verify now (when verifying at all).
  void Update(const LightmapPlacement& lightmaps, bool check = true);
  // Whether the lightmap list changed since ForgetLightmapsChanged (by a
  // change set, or found when verifying and `check`, which counts as an
  // unannounced change).
  bool LightmapsChanged(bool check = true);
  void ForgetLightmapsChanged();
  // Lightmaps announced with new bytes (same list, same numbers) since the last call.
  std::vector<uint32_t> TakePatchedLightmaps() { return std::move(patched_lightmaps_); }

  const std::vector<std::unique_ptr<Chunk>>& Chunks() const { return chunks_; }
  Chunk& Dynamic() { return dynamic_; }
  const Chunk& Dynamic() const { return dynamic_; }
  // The entry of a dynamic node in the dynamic chunk, or null.
  const ChunkEntry* DynamicEntry(const TSector* node) const;
  bool IsDynamic(const TSector* node) const { return dynamic_set_.count(node) != 0; }

  // GL buffer names of chunks that are gone, for the renderer to delete.
  std::vector<uint32_t> TakeRetiredBuffers();

  // Counters since the last ResetCounters (benchmarks and tests).
  struct Counters {
    size_t chunks_built = 0, nodes_built = 0, dynamic_builds = 0, full_rebuilds = 0;
  };
  const Counters& Stats() const { return counters_; }
  // Changes the verifying found that no change set had announced.
  size_t UnannouncedChanges() const { return unannounced_; }
  // The same over every scene of the process (tests check it after each run).
  static size_t UnannouncedChangesInProcess();
  void ResetCounters() { counters_ = {}; }

  // Whether the chunks hold exactly the tree's nodes in tree order (tests).
  bool MatchesTree() const;

 private:
  void BeforeInsert(TSector*, int) override {}
  void AfterInsert(TSector* node) override { Insert(node); }
  void BeforeRemove(TSector* node) override { Remove(node); }
  void BeforeMove(TSector* node, TSector*, int) override { Remove(node); }
  void AfterMove(TSector* node) override { Insert(node); }
  void BeforeReset() override { Clear(); }
  void AfterReset() override { Rebuild(); }
  void TreeGone() override {
    Clear();
    editor_ = nullptr;
  }

  void Clear();
  void Rebuild();
  void Insert(TSector* node);
  void Remove(TSector* node);
  void Split(size_t chunk_index);
  size_t IndexOf(const Chunk* c) const;
  void MarkDirty(const TSector* node);
  void SetDynamic(std::unordered_set<const TSector*> nodes);
  void TakeSnapshot(const Chunk& c);
  bool MatchesSnapshot(const Chunk& c) const;
  uint64_t LightmapFingerprint() const;

  Editor* editor_ = nullptr;
  std::vector<std::unique_ptr<Chunk>> chunks_;
  std::unordered_map<const TSector*, Chunk*> where_;
  std::unordered_set<const TSector*> dynamic_set_;
  Chunk dynamic_;
  bool dynamic_dirty_ = false;
  std::unordered_map<const TSector*, uint32_t> dynamic_index_;
  std::vector<uint32_t> retired_;
  std::unordered_map<const Chunk*, std::vector<uint8_t>> snapshots_;  // while verifying
  bool verify_ = false;
  size_t unannounced_ = 0;
  bool count_in_process_ = false;
  bool lightmaps_changed_ = true;
  std::vector<uint32_t> patched_lightmaps_;
  uint64_t lightmap_print_ = 0;
  Vector start_position_;
  Counters counters_;
};

}  // namespace qx

#include "render/retained_scene.h"

#include <algorithm>
#include <cstring>

namespace qx {

namespace {

// The nodes of a subtree in tree order.
std::vector<TSector*> SubtreeOf(TSector* node) {
  std::vector<TSector*> out;
  SceneTree::WalkSubtree(node, [&](TSector* n) { out.push_back(n); });
  return out;
}

// The node just before `node` in tree order, or null for the very first.
TSector* Predecessor(const SceneTree& tree, TSector* node) {
  TSector* prev = tree.PrevSibling(node);
  if (!prev) return node->Parent;
  while (!prev->Children.empty()) prev = prev->Children.back().get();
  return prev;
}

struct Hasher {
  uint64_t h = 1469598103934665603ull;
  void Word(uint64_t w) {
    h ^= w + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    h *= 1099511628211ull;
  }
};

}  // namespace

RetainedScene::~RetainedScene() {
  Attach(nullptr);
}

namespace {
size_t unannounced_in_process = 0;
}  // namespace

size_t RetainedScene::UnannouncedChangesInProcess() {
  return unannounced_in_process;
}

void RetainedScene::Attach(Editor* editor) {
  if (editor == editor_) return;
  if (editor_) {
    editor_->Tree.RemoveListener(this);
    editor_->RemoveDocumentListener(this);
  }
  Clear();
  editor_ = editor;
  if (!editor_) return;
  editor_->Tree.AddListener(this);
  editor_->AddDocumentListener(this);
  Rebuild();
}

void RetainedScene::Clear() {
  for (auto& c : chunks_)
    if (c->buffer) retired_.push_back(c->buffer);
  chunks_.clear();
  where_.clear();
  snapshots_.clear();
  dynamic_set_.clear();
  dynamic_index_.clear();
  dynamic_.nodes.clear();
  dynamic_.dirty = true;
  dynamic_dirty_ = true;
}

void RetainedScene::Rebuild() {
  Clear();
  lightmaps_changed_ = true;
  if (!editor_) return;
  start_position_ = editor_->StartPosition;
  ++counters_.full_rebuilds;
  // Cut at sectors once a chunk is half full, so that rooms stay together.
  Chunk* c = nullptr;
  editor_->Tree.Walk([&](TSector* n) {
    if (!c || c->nodes.size() >= kChunkNodes ||
        (n->NodeType == kSector && c->nodes.size() >= kChunkNodes / 2)) {
      chunks_.push_back(std::make_unique<Chunk>());
      c = chunks_.back().get();
    }
    c->nodes.push_back(n);
    where_[n] = c;
  });
}

void RetainedScene::InvalidateAll() {
  MarkAllDirty();
  lightmaps_changed_ = true;
}

void RetainedScene::MarkAllDirty() {
  for (auto& c : chunks_) c->dirty = true;
  dynamic_dirty_ = true;
}

size_t RetainedScene::IndexOf(const Chunk* c) const {
  for (size_t i = 0; i < chunks_.size(); ++i)
    if (chunks_[i].get() == c) return i;
  return chunks_.size();
}

void RetainedScene::Insert(TSector* node) {
  if (!editor_) return;
  const std::vector<TSector*> nodes = SubtreeOf(node);
  TSector* pred = Predecessor(editor_->Tree, node);
  Chunk* c = nullptr;
  size_t at = 0;
  if (!pred) {
    if (chunks_.empty()) chunks_.push_back(std::make_unique<Chunk>());
    c = chunks_.front().get();
  } else {
    auto it = where_.find(pred);
    if (it == where_.end()) return Rebuild();  // out of step: start afresh
    c = it->second;
    at = size_t(std::find(c->nodes.begin(), c->nodes.end(), pred) - c->nodes.begin()) + 1;
  }
  c->nodes.insert(c->nodes.begin() + std::ptrdiff_t(at), nodes.begin(), nodes.end());
  for (TSector* n : nodes) where_[n] = c;
  c->dirty = true;
  if (c->nodes.size() > 2 * kChunkNodes) Split(IndexOf(c));
}

void RetainedScene::Remove(TSector* node) {
  if (!editor_) return;
  const std::vector<TSector*> nodes = SubtreeOf(node);
  const std::unordered_set<const TSector*> gone(nodes.begin(), nodes.end());
  std::unordered_set<Chunk*> touched;
  for (TSector* n : nodes) {
    auto it = where_.find(n);
    if (it == where_.end()) continue;
    touched.insert(it->second);
    where_.erase(it);
    if (dynamic_set_.erase(n)) dynamic_dirty_ = true;
  }
  std::erase_if(dynamic_.nodes, [&](const TSector* n) { return gone.count(n) != 0; });
  for (Chunk* c : touched) {
    std::erase_if(c->nodes, [&](const TSector* n) { return gone.count(n) != 0; });
    c->dirty = true;
  }
  for (size_t i = chunks_.size(); i-- > 0;) {
    if (!chunks_[i]->nodes.empty()) continue;
    if (chunks_[i]->buffer) retired_.push_back(chunks_[i]->buffer);
    snapshots_.erase(chunks_[i].get());
    chunks_.erase(chunks_.begin() + std::ptrdiff_t(i));
  }
}

void RetainedScene::Split(size_t index) {
  if (index >= chunks_.size()) return;
  Chunk& c = *chunks_[index];
  const size_t mid = c.nodes.size() / 2;
  // A sector near the middle is the better cut: its room stays in one piece.
  size_t cut = mid;
  for (size_t d = 0; d < kChunkNodes / 2; ++d) {
    if (mid + d < c.nodes.size() && c.nodes[mid + d]->NodeType == kSector) {
      cut = mid + d;
      break;
    }
    if (d <= mid && c.nodes[mid - d]->NodeType == kSector && mid - d > 0) {
      cut = mid - d;
      break;
    }
  }
  auto next = std::make_unique<Chunk>();
  next->nodes.assign(c.nodes.begin() + std::ptrdiff_t(cut), c.nodes.end());
  c.nodes.resize(cut);
  c.dirty = true;
  for (TSector* n : next->nodes) where_[n] = next.get();
  chunks_.insert(chunks_.begin() + std::ptrdiff_t(index) + 1, std::move(next));
}

void RetainedScene::MarkDirty(const TSector* node) {
  auto it = where_.find(node);
  if (it != where_.end()) it->second->dirty = true;
  if (dynamic_set_.count(node)) dynamic_dirty_ = true;
}

void RetainedScene::SetDynamic(std::unordered_set<const TSector*> nodes) {
  // Nodes that stop moving go back into their chunks; new ones leave theirs.
  for (const TSector* n : dynamic_set_)
    if (!nodes.count(n)) MarkDirty(n);
  for (const TSector* n : nodes)
    if (!dynamic_set_.count(n)) MarkDirty(n);
  dynamic_set_ = std::move(nodes);
  dynamic_dirty_ = true;
  // In tree order, as their chunks hold them; the steps of a drag keep it.
  dynamic_.nodes.clear();
  if (!dynamic_set_.empty())
    for (auto& c : chunks_)
      for (TSector* n : c->nodes)
        if (dynamic_set_.count(n)) dynamic_.nodes.push_back(n);
}

void RetainedScene::DocumentChanged(const ChangeSet& changes) {
  if (!editor_) return;
  if (changes.replaced) return Rebuild();
  if (changes.lightmaps) InvalidateAll();
  patched_lightmaps_.insert(patched_lightmaps_.end(), changes.lightmap_bytes.begin(),
                            changes.lightmap_bytes.end());
  if (changes.start_position) {
    // Checkpoints are drawn relative to the start.
    start_position_ = editor_->StartPosition;
    for (auto& c : chunks_)
      if (c->has_checkpoints) c->dirty = true;
    dynamic_dirty_ = true;
  }
  std::unordered_set<const TSector*> moved;
  bool other = false;
  for (const auto& [node, how] : changes.nodes) {
    if (!where_.count(node)) continue;  // not (or no longer) in the tree
    if (how == kChangeGeometry) {
      // A sector moves with what it holds.
      SceneTree::WalkSubtree(node, [&](TSector* n) {
        if (n->NodeType != kSector) moved.insert(n);
      });
    } else {
      other = true;
      SceneTree::WalkSubtree(node, [&](TSector* n) { MarkDirty(n); });
    }
  }
  if (moved.empty()) return;
  if (!other && moved == dynamic_set_) {
    dynamic_dirty_ = true;
  } else if (moved.size() <= kMaxDynamicNodes) {
    SetDynamic(std::move(moved));
  } else {
    for (const TSector* n : moved) MarkDirty(n);
  }
}

const ChunkEntry* RetainedScene::DynamicEntry(const TSector* node) const {
  auto it = dynamic_index_.find(node);
  return it == dynamic_index_.end() ? nullptr : &dynamic_.entries[it->second];
}

bool RetainedScene::LightmapsChanged(bool check) {
  if (lightmaps_changed_) return true;
  if (!verify_ || !check || !editor_ || LightmapFingerprint() == lightmap_print_) return false;
  // A new lightmap list nobody announced: the product would draw the old atlas.
  ++unannounced_;
  if (count_in_process_) ++unannounced_in_process;
  return true;
}

void RetainedScene::ForgetLightmapsChanged() {
  lightmaps_changed_ = false;
  lightmap_print_ = LightmapFingerprint();
}

uint64_t RetainedScene::LightmapFingerprint() const {
  if (!editor_) return 0;
  Hasher h;
  h.Word(editor_->LightmapList.size());
  for (const Lightmap& m : editor_->LightmapList) {
    h.Word(reinterpret_cast<uintptr_t>(m.rgb.data()));
    h.Word(uint64_t(m.width) << 32 | uint32_t(m.height));
  }
  return h.h;
}

namespace {

// What a chunk was built from, as blocks of bytes: per node its place, the
// fields drawn from it, its vertex and triangle arrays whole. A vertex's
// selection mark is part of its bytes, so marking vertices rebuilds the
// chunk: rare, and never wrong.
template <typename Sink>
void RecordChunk(const Chunk& c, const std::unordered_set<const TSector*>& dynamic, Sink& sink) {
  struct Header {
    const TSector* node;
    const TSector* parent;
    uint32_t id;
    uint8_t type, visible, lighting, pad = 0;
    uint16_t texture, triangle_count;
    Vector position;
    float color[3];
    float heading;
    size_t vertices, triangles;
  };
  for (const TSector* n : c.nodes) {
    Header h{};
    h.node = n;
    // Moving nodes are drawn from the dynamic chunk, built anew at every
    // update while verifying; their own chunk leaves them out.
    if (!dynamic.empty() && dynamic.count(n)) {
      if (!sink(&h, sizeof h)) return;
      continue;
    }
    h.parent = n->Parent;
    h.id = n->Id;
    h.type = n->NodeType, h.visible = n->Visible, h.lighting = n->LightingMode;
    h.texture = n->TextureIndex, h.triangle_count = n->TriangleCount;
    h.position = n->Position;
    std::copy_n(n->Color, 3, h.color);
    h.heading = n->Heading;
    h.vertices = n->Vertices.size(), h.triangles = n->Triangles.size();
    if (!sink(&h, sizeof h) || !sink(n->Vertices.data(), n->Vertices.size() * sizeof(TVertex)) ||
        !sink(n->Triangles.data(), n->Triangles.size() * sizeof(TTriangle)))
      return;
  }
}

}  // namespace

void RetainedScene::TakeSnapshot(const Chunk& c) {
  std::vector<uint8_t>& out = snapshots_[&c];
  out.clear();
  auto append = [&](const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    out.insert(out.end(), b, b + n);
    return true;
  };
  RecordChunk(c, dynamic_set_, append);
}

bool RetainedScene::MatchesSnapshot(const Chunk& c) const {
  auto it = snapshots_.find(&c);
  if (it == snapshots_.end()) return false;
  const std::vector<uint8_t>& snap = it->second;
  size_t at = 0;
  bool same = true;
  auto compare = [&](const void* p, size_t n) {
    same = at + n <= snap.size() && std::memcmp(snap.data() + at, p, n) == 0;
    at += n;
    return same;
  };
  RecordChunk(c, dynamic_set_, compare);
  return same && at == snap.size();
}

void RetainedScene::Update(const LightmapPlacement& lightmaps, bool check) {
  if (!editor_) return;
  if (verify_ && check) {
    if (!(start_position_ == editor_->StartPosition)) {
      ++unannounced_;
      if (count_in_process_) ++unannounced_in_process;
      start_position_ = editor_->StartPosition;
      for (auto& c : chunks_)
        if (c->has_checkpoints) c->dirty = true;
      dynamic_dirty_ = true;
    }
    for (auto& c : chunks_)
      if (!c->dirty && !MatchesSnapshot(*c)) {
        // A change nobody announced: the product would show a stale picture.
        ++unannounced_;
        if (count_in_process_) ++unannounced_in_process;
        c->dirty = true;
      }
  }
  ChunkInput in;
  in.lightmaps = lightmaps;
  in.start_position = start_position_;
  in.is_dynamic = [this](const TSector* n) { return !dynamic_set_.empty() && dynamic_set_.count(n) != 0; };
  for (auto& c : chunks_) {
    if (!c->dirty) continue;
    c->Build(in);
    ++counters_.chunks_built;
    counters_.nodes_built += c->nodes.size();
    if (verify_) TakeSnapshot(*c);
  }
  if (verify_ && check && !dynamic_set_.empty()) dynamic_dirty_ = true;
  if (!dynamic_dirty_) return;
  dynamic_dirty_ = false;
  in.is_dynamic = nullptr;
  dynamic_.Build(in);
  ++counters_.dynamic_builds;
  dynamic_index_.clear();
  for (size_t i = 0; i < dynamic_.entries.size(); ++i) dynamic_index_[dynamic_.entries[i].node] = uint32_t(i);
}

std::vector<uint32_t> RetainedScene::TakeRetiredBuffers() {
  std::vector<uint32_t> out;
  out.swap(retired_);
  return out;
}

bool RetainedScene::MatchesTree() const {
  if (!editor_) return chunks_.empty();
  std::vector<TSector*> flat;
  for (const auto& c : chunks_) {
    if (c->nodes.empty()) return false;
    flat.insert(flat.end(), c->nodes.begin(), c->nodes.end());
  }
  if (flat != editor_->Tree.InOrder()) return false;
  for (const TSector* n : flat) {
    auto it = where_.find(n);
    if (it == where_.end()) return false;
  }
  return where_.size() == flat.size();
}

}  // namespace qx

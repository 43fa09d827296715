#include "document/scene_state.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "document/editor.h"
#include "models/md2.h"
#include "scene/node_fields.h"

namespace qx {

struct SceneState::Record {
  TSector fields;  // every field a snapshot keeps (scene/node_fields.h)
  std::shared_ptr<const TMD2> loader;
  // The node's identity across states: a record made for a node that the
  // base state knew keeps the key of the base's record.
  uint64_t key = 0;
  size_t bytes = 0;
  StateMemory* memory = nullptr;
  ~Record() {
    if (memory) memory->bytes -= bytes;
  }
};

struct SceneState::LightmapCopy {
  std::vector<Lightmap> list;
  size_t bytes = 0;
  StateMemory* memory = nullptr;
  ~LightmapCopy() {
    if (memory) memory->bytes -= bytes;
  }
};

struct SceneState::LibraryCopy {
  TextureLibraryState state;
  size_t bytes = 0;
  StateMemory* memory = nullptr;
  ~LibraryCopy() {
    if (memory) memory->bytes -= bytes;
  }
};

namespace {

// A copy of the library shares every picture. A picture is charged to the
// first copy that holds one its base did not, which keeps the count close
// to the memory that removed and replaced pictures keep alive.
std::shared_ptr<const SceneState::LibraryCopy> CopyLibrary(const TextureLibrary& library,
                                                           const SceneState::LibraryCopy* base,
                                                           StateMemory* memory) {
  auto copy = std::make_shared<SceneState::LibraryCopy>();
  copy->state = library.State();
  std::unordered_map<const TexturePicture*, int> known;
  if (base)
    for (const TTexNode& e : base->state.entries) known.emplace(e.Picture.get(), 0);
  copy->bytes = sizeof(SceneState::LibraryCopy);
  for (const TTexNode& e : copy->state.entries) {
    copy->bytes += sizeof(TTexNode) + e.TexName.capacity() + e.SourcePath.native().capacity();
    if (e.Picture && known.emplace(e.Picture.get(), 0).second)
      copy->bytes += e.Picture->Bitmap.capacity() + e.Picture->Pixels.rgb.capacity();
  }
  copy->memory = memory;
  memory->bytes += copy->bytes;
  return copy;
}

struct LoaderCopy {
  TMD2 md2;
  size_t bytes = 0;
  StateMemory* memory = nullptr;
  ~LoaderCopy() {
    if (memory) memory->bytes -= bytes;
  }
};

template <typename T>
bool SameItems(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool SameLoader(const TMD2& a, const TMD2& b) {
  if (&a == &b) return true;
  if (a.Loaded() != b.Loaded() || a.Header() != b.Header() || a.VertexCount() != b.VertexCount() ||
      a.FrameCount() != b.FrameCount() || a.TexCoordCount() != b.TexCoordCount() ||
      a.FrameSize() != b.FrameSize() || a.Error() != b.Error())
    return false;
  if (!SameItems(a.FramePositions(), b.FramePositions()) || !SameItems(a.TexCoords(), b.TexCoords()))
    return false;
  const auto& ta = a.Triangles();
  const auto& tb = b.Triangles();
  if (ta.size() != tb.size()) return false;
  for (size_t i = 0; i < ta.size(); ++i)
    for (int k = 0; k < 3; ++k)
      if (ta[i].Vertex[k] != tb[i].Vertex[k] || ta[i].TexCoord[k] != tb[i].TexCoord[k]) return false;
  return true;
}

size_t LoaderBytes(const TMD2& m) {
  return sizeof(LoaderCopy) + m.FramePositions().size() * sizeof(float) +
         m.TexCoords().size() * sizeof(float) + m.Triangles().size() * sizeof(MD2Triangle) +
         m.Error().capacity();
}

// Whether the live node's loader matches the copy (both absent counts).
bool SameLoaderAs(const TSector& live, const std::shared_ptr<const TMD2>& copy) {
  if (!live.ModelLoader || !copy) return !live.ModelLoader && !copy;
  return SameLoader(*live.ModelLoader, *copy);
}

std::shared_ptr<const TMD2> CopyLoader(const TMD2& md2, StateMemory* memory) {
  auto copy = std::make_shared<LoaderCopy>();
  copy->md2 = md2;
  copy->bytes = LoaderBytes(md2);
  copy->memory = memory;
  memory->bytes += copy->bytes;
  // Aliasing pointer: the copy lives as long as anyone holds its TMD2.
  return std::shared_ptr<const TMD2>(copy, &copy->md2);
}

std::shared_ptr<const SceneState::Record> MakeRecord(const TSector& node, const SceneState::Record* similar,
                                                     StateMemory* memory) {
  auto r = std::make_shared<SceneState::Record>();
  CopyFields(node, r->fields);
  r->key = similar ? similar->key : ++memory->keys;
  if (node.ModelLoader) {
    // A moved or recoloured model keeps its loader: share that copy too.
    if (similar && SameLoaderAs(node, similar->loader))
      r->loader = similar->loader;
    else
      r->loader = CopyLoader(*node.ModelLoader, memory);
  }
  r->bytes = sizeof(SceneState::Record) + r->fields.Name.capacity() +
             r->fields.Vertices.capacity() * sizeof(TVertex) +
             r->fields.Triangles.capacity() * sizeof(TTriangle);
  r->memory = memory;
  memory->bytes += r->bytes;
  return r;
}

}  // namespace

bool SameLightmap(const Lightmap& a, const Lightmap& b) {
  return a.width == b.width && a.height == b.height && SameItems(a.rgb, b.rgb);
}

namespace {

bool SameLightmaps(const std::vector<Lightmap>& a, const std::vector<Lightmap>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!SameLightmap(a[i], b[i])) return false;
  return true;
}

}  // namespace

SceneState::~SceneState() = default;

int32_t SceneState::IndexOfSource(const TSector* node, size_t hint) const {
  if (hint < sources_.size() && sources_[hint] == node) return static_cast<int32_t>(hint);
  if (source_index_.empty() && !sources_.empty()) {
    source_index_.reserve(sources_.size());
    for (size_t i = 0; i < sources_.size(); ++i) source_index_.emplace(sources_[i], static_cast<int32_t>(i));
  }
  auto it = source_index_.find(node);
  return it == source_index_.end() ? -1 : it->second;
}

std::unique_ptr<SceneState> SceneState::Capture(const Editor& editor, const SceneState* base,
                                                StateMemory* memory, bool* changed, RecordChanges* changes,
                                                bool* document_changed) {
  std::unique_ptr<SceneState> s(new SceneState());
  if (base) {
    s->nodes_.reserve(base->nodes_.size());
    s->sources_.reserve(base->nodes_.size());
  }
  if (changes) *changes = {};

  // Pre-order with parent indices; an explicit stack, since trees may nest deep.
  std::vector<std::pair<const TSector*, int32_t>> stack;
  const auto& top = editor.Tree.TopLevel();
  for (auto it = top.rbegin(); it != top.rend(); ++it) stack.push_back({it->get(), -1});
  bool any_link = false;
  while (!stack.empty()) {
    const auto [node, parent] = stack.back();
    stack.pop_back();
    const auto index = static_cast<int32_t>(s->nodes_.size());
    s->nodes_.push_back({parent, -1, nullptr});
    s->sources_.push_back(node);
    any_link = any_link || node->LinkedSector;
    for (auto it = node->Children.rbegin(); it != node->Children.rend(); ++it)
      stack.push_back({it->get(), index});
  }

  // Positions of the nodes that others refer to: links and the selection.
  std::unordered_map<const TSector*, int32_t> wanted;
  auto want = [&](const TSector* n) {
    if (n) wanted.emplace(n, -1);
  };
  for (const TSector* n : editor.SelectionList) want(n);
  want(editor.TreeSelection);
  want(editor.CurrentVertexNode);
  if (any_link)
    for (const TSector* n : s->sources_) want(n->LinkedSector);
  if (!wanted.empty()) {
    for (size_t i = 0; i < s->sources_.size(); ++i) {
      auto it = wanted.find(s->sources_[i]);
      if (it != wanted.end() && it->second < 0) it->second = static_cast<int32_t>(i);
    }
  }
  auto position = [&](const TSector* n) -> int32_t {
    if (!n) return -1;
    auto it = wanted.find(n);
    return it == wanted.end() ? -1 : it->second;
  };
  if (any_link)
    for (size_t i = 0; i < s->nodes_.size(); ++i) s->nodes_[i].link = position(s->sources_[i]->LinkedSector);
  for (const TSector* n : editor.SelectionList)
    if (const int32_t p = position(n); p >= 0) s->selection_.push_back(p);
  s->tree_selection_ = position(editor.TreeSelection);
  s->vertex_node_ = position(editor.CurrentVertexNode);
  s->vertex_index_ = s->vertex_node_ >= 0 ? editor.CurrentVertexIndex : -1;

  // Records: shared with the base wherever nothing about them changed.
  for (size_t i = 0; i < s->nodes_.size(); ++i) {
    const TSector& node = *s->sources_[i];
    const Record* similar = nullptr;
    uint8_t how = 0;
    if (base) {
      const int32_t j = base->IndexOfSource(&node, i);
      if (j >= 0) {
        const auto& candidate = base->nodes_[j].record;
        const int32_t old_link = base->nodes_[j].link;
        const int32_t new_link = s->nodes_[i].link;
        if (old_link >= 0 || new_link >= 0) {
          const TSector* was = old_link >= 0 ? base->sources_[old_link] : nullptr;
          if (was != (new_link >= 0 ? s->sources_[new_link] : nullptr))
            how |= FieldChange<&TSector::LinkedSector>();
        }
        if (SameFields(node, candidate->fields, FieldScope::kWhole) &&
            SameLoaderAs(node, candidate->loader)) {
          s->nodes_[i].record = candidate;
        } else {
          similar = candidate.get();
          how |= ChangeKindBetween(candidate->fields, node);
          if (!SameLoaderAs(node, candidate->loader)) how |= FieldChange<&TSector::ModelLoader>();
        }
        if (how && changes) {
          changes->records.push_back(&node);
          changes->kinds.push_back(how);
        }
        if (!similar) continue;
      }
    }
    s->nodes_[i].record = MakeRecord(node, similar, memory);
  }

  if (!editor.LightmapList.empty()) {
    if (base && base->lightmaps_ && SameLightmaps(base->lightmaps_->list, editor.LightmapList)) {
      s->lightmaps_ = base->lightmaps_;
    } else {
      auto copy = std::make_shared<LightmapCopy>();
      copy->list = editor.LightmapList;
      copy->bytes = sizeof(LightmapCopy);
      for (const Lightmap& l : copy->list) copy->bytes += sizeof(Lightmap) + l.rgb.capacity();
      copy->memory = memory;
      memory->bytes += copy->bytes;
      s->lightmaps_ = std::move(copy);
    }
  }
  s->id_counter_ = editor.IdCounter;
  s->start_position_ = editor.StartPosition;
  // A new copy also for another selected entry, which undo brings back too
  // (a selection alone is no change, as in the tree).
  if (base && base->library_ && base->library_->state.content == editor.Textures.ContentId() &&
      base->library_->state.current == editor.Textures.CurrentTexture())
    s->library_ = base->library_;
  else
    s->library_ = CopyLibrary(editor.Textures, base ? base->library_.get() : nullptr, memory);

  if (changed || document_changed) {
    bool differs = !base || base->nodes_.size() != s->nodes_.size() || base->lightmaps_ != s->lightmaps_ ||
                   !SameBits(base->start_position_, s->start_position_);
    for (size_t i = 0; !differs && i < s->nodes_.size(); ++i) {
      const Entry& a = s->nodes_[i];
      const Entry& b = base->nodes_[i];
      differs =
          a.parent != b.parent || a.link != b.link ||
          (a.record != b.record && !SameFields(a.record->fields, b.record->fields, FieldScope::kDocument));
    }
    if (document_changed) *document_changed = differs;
    if (changed)
      *changed =
          differs || !base || !base->library_ || base->library_->state.content != s->library_->state.content;
  }
  return s;
}

namespace {

// A live record made from a state's record; the loader only when asked for.
std::unique_ptr<TSector> LiveCopy(const SceneState::Record& r, bool with_loader) {
  auto node = std::make_unique<TSector>();
  CopyFields(r.fields, *node);
  if (with_loader && r.loader) node->ModelLoader = std::make_shared<TMD2>(*r.loader);
  return node;
}

}  // namespace

void SceneState::Restore(Editor& editor, const SceneState* live) {
  // A state that no longer knows its live records cannot say which to keep.
  if (live && live->sources_.size() != live->nodes_.size()) live = nullptr;
  const size_t n = nodes_.size();
  const size_t m = live ? live->nodes_.size() : 0;
  auto live_node = [&](int32_t j) { return const_cast<TSector*>(live->sources_[size_t(j)]); };

  // Everything that can fail is built before the editor is touched.
  // Each entry keeps the live record of its node, found by key (mostly at its own position).
  std::vector<int32_t> match(n, -1);
  std::vector<char> kept(m, 0);
  if (live) {
    std::unordered_map<uint64_t, int32_t> by_key;
    for (size_t i = 0; i < n; ++i) {
      const uint64_t key = nodes_[i].record->key;
      int32_t j = -1;
      if (i < m && live->nodes_[i].record->key == key) {
        j = static_cast<int32_t>(i);
      } else {
        if (by_key.empty()) {
          by_key.reserve(m);
          for (size_t k = 0; k < m; ++k) by_key.emplace(live->nodes_[k].record->key, static_cast<int32_t>(k));
        }
        const auto it = by_key.find(key);
        if (it != by_key.end()) j = it->second;
      }
      if (j >= 0 && !kept[size_t(j)]) {
        match[i] = j;
        kept[size_t(j)] = 1;
      }
    }
  }
  // New records; and the kept records whose fields differ, with room made in
  // them for what they take, so that copying it cannot fail later.
  std::vector<std::unique_ptr<TSector>> fresh(n);
  std::vector<char> overwrite(n, 0);
  std::vector<uint8_t> how(n, 0);
  std::vector<std::pair<size_t, std::shared_ptr<TMD2>>> loaders;
  std::vector<TSector*> made(n, nullptr);
  for (size_t i = 0; i < n; ++i) {
    const Record& r = *nodes_[i].record;
    if (match[i] < 0) {
      fresh[i] = LiveCopy(r, true);
      made[i] = fresh[i].get();
      continue;
    }
    TSector* node = made[i] = live_node(match[i]);
    // The live state mirrors the tree: a record it shares is the live one's fields.
    if (live->nodes_[size_t(match[i])].record == nodes_[i].record) continue;
    const bool same_loader = SameLoaderAs(*node, r.loader);
    if (!same_loader) loaders.push_back({i, r.loader ? std::make_shared<TMD2>(*r.loader) : nullptr});
    if (same_loader && SameFields(*node, r.fields, FieldScope::kWhole)) continue;
    how[i] = ChangeKindBetween(*node, r.fields) | (same_loader ? 0 : FieldChange<&TSector::ModelLoader>());
    overwrite[i] = 1;
    ReserveFields(r.fields, *node);
  }
  // Live records the state lacks. Those holding no kept record go first, so
  // that kept siblings need not shift past them; the others once what they
  // hold has moved out.
  std::vector<char> holds_kept(m, 0);
  for (size_t j = m; j-- > 0;) {
    const int32_t p = live->nodes_[j].parent;
    if (p >= 0 && (kept[j] || holds_kept[j])) holds_kept[size_t(p)] = 1;
  }
  const bool lightmaps_differ =
      !(live && live->lightmaps_ == lightmaps_) &&
      !SameLightmaps(editor.LightmapList, lightmaps_ ? lightmaps_->list : std::vector<Lightmap>());
  std::vector<Lightmap> lightmaps;
  if (lightmaps_differ && lightmaps_) lightmaps = lightmaps_->list;
  std::vector<TSector*> selection;
  selection.reserve(selection_.size());
  for (int32_t p : selection_) selection.push_back(made[size_t(p)]);
  std::vector<uint32_t> clipboard_ids;
  for (const TSector* node : editor.ClipboardList) clipboard_ids.push_back(node->Id);
  const bool clipboard_filled = editor.ClipboardFilled;
  std::vector<int32_t> rows(n + 1, 0);  // the next child row of each entry; the last: top level
  std::unordered_map<uint32_t, TSector*> by_id;
  if (!clipboard_ids.empty()) {
    by_id.reserve(n);
    for (size_t i = 0; i < n; ++i)
      by_id.emplace(nodes_[i].record->fields.Id, made[i]);  // the first in tree order wins
  }

  // Then the live tree changes in place, through the tree, so that its views
  // follow row by row.
  SceneTree& tree = editor.Tree;
  if (!live)
    while (!tree.Empty()) tree.Remove(tree.TopLevel().back().get());
  for (size_t j = 0; j < m; ++j) {
    const int32_t p = live->nodes_[j].parent;
    if (!kept[j] && !holds_kept[j] && (p < 0 || kept[size_t(p)] || holds_kept[size_t(p)]))
      tree.Remove(live_node(int32_t(j)));
  }
  // In pre-order every parent is in place before its children.
  for (size_t i = 0; i < n; ++i) {
    const int32_t p = nodes_[i].parent;
    TSector* parent = p >= 0 ? made[size_t(p)] : nullptr;
    const size_t row = size_t(rows[p >= 0 ? size_t(p) : n]++);
    const auto& siblings = tree.ChildrenOf(parent);
    TSector* at = row < siblings.size() ? siblings[row].get() : nullptr;
    if (match[i] >= 0) {
      if (at != made[i]) tree.Move(made[i], parent, at);
    } else if (at) {
      tree.InsertBefore(at, std::move(fresh[i]));
    } else {
      tree.AddChild(parent, std::move(fresh[i]));
    }
  }
  for (size_t j = 0; j < m; ++j) {
    const int32_t p = live->nodes_[j].parent;
    if (!kept[j] && holds_kept[j] && (p < 0 || kept[size_t(p)])) tree.Remove(live_node(int32_t(j)));
  }
  for (size_t i = 0; i < n; ++i) {
    if (!overwrite[i]) continue;
    TSector* node = made[i];
    const TSector& fields = nodes_[i].record->fields;
    const bool relabel = !SameLabel(*node, fields);
    CopyFields(fields, *node);
    if (relabel) tree.NotifyChanged(node);
    if (how[i]) editor.Changed(node, how[i]);
  }
  for (auto& [i, loader] : loaders) made[i]->ModelLoader = std::move(loader);
  // Links last: removing a node unlinks the portals that led to it.
  for (size_t i = 0; i < n; ++i) {
    const Entry& e = nodes_[i];
    TSector* node = made[i];
    TSector* target = e.link >= 0 ? made[size_t(e.link)] : nullptr;
    if (match[i] >= 0) {
      const int32_t was = live->nodes_[size_t(match[i])].link;
      const int32_t now = e.link < 0 ? -1 : match[size_t(e.link)] >= 0 ? match[size_t(e.link)] : -2;
      if (was != now) editor.Changed(node, FieldChange<&TSector::LinkedSector>());
    }
    node->LinkedSector = target;
    node->IsLinked = e.record->fields.IsLinked;
  }
  if (lightmaps_differ) {
    editor.LightmapList = std::move(lightmaps);
    editor.ChangedLightmaps();
  }
  if (!SameBits(editor.StartPosition, start_position_)) {
    editor.StartPosition = start_position_;
    editor.ChangedStartPosition();
  }
  if (library_ && (library_->state.content != editor.Textures.ContentId() ||
                   library_->state.current != editor.Textures.CurrentTexture())) {
    // The views look texture names up by index when they draw.
    editor.Textures.Restore(library_->state);
  }
  editor.IdCounter = std::max(editor.IdCounter, id_counter_);
  editor.SelectionList = std::move(selection);
  editor.TreeSelection = tree_selection_ >= 0 ? made[size_t(tree_selection_)] : nullptr;
  editor.CurrentVertexNode = vertex_node_ >= 0 ? made[size_t(vertex_node_)] : nullptr;
  editor.CurrentVertexIndex = vertex_node_ >= 0 ? vertex_index_ : -1;
  editor.ClipboardList.clear();
  for (uint32_t id : clipboard_ids) {
    auto it = by_id.find(id);
    if (it != by_id.end()) editor.ClipboardList.push_back(it->second);
  }
  editor.ClipboardFilled = clipboard_filled && !editor.ClipboardList.empty();

  sources_.assign(made.begin(), made.end());
  source_index_.clear();
}

void SceneState::ForEachLightmapTexture(
    const std::function<void(uint32_t name, const Lightmap* lightmap)>& fn) const {
  for (const Entry& e : nodes_) {
    for (const TTriangle& t : e.record->fields.Triangles) {
      if (t.LightmapTexture == 0) continue;
      const bool inside =
          lightmaps_ && t.LightmapIndex >= 0 && size_t(t.LightmapIndex) < lightmaps_->list.size();
      fn(t.LightmapTexture, inside ? &lightmaps_->list[size_t(t.LightmapIndex)] : nullptr);
    }
  }
}

bool SceneState::SameSelection(const SceneState& other) const {
  return selection_ == other.selection_ && tree_selection_ == other.tree_selection_ &&
         vertex_node_ == other.vertex_node_ && vertex_index_ == other.vertex_index_;
}

size_t SceneState::TableBytes() const {
  return sizeof(SceneState) + nodes_.capacity() * sizeof(Entry) + selection_.capacity() * sizeof(int32_t) +
         sources_.capacity() * sizeof(const TSector*) +
         source_index_.size() * (sizeof(std::pair<const TSector*, int32_t>) + 2 * sizeof(void*));
}

void SceneState::DropSources() {
  std::vector<const TSector*>().swap(sources_);
  std::unordered_map<const TSector*, int32_t>().swap(source_index_);
}

}  // namespace qx

#include "edit/scene_state.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "edit/editor.h"
#include "models/md2.h"

namespace qx {

// A field added to these records must also be copied and compared below;
// these checks fail the build until it is.
static_assert(sizeof(TVertex) == 52, "copy and compare the new TVertex field in SameVertex");
static_assert(sizeof(TTriangle) == 36, "copy and compare the new TTriangle field in SameTriangle");
static_assert(sizeof(TSector) == 288, "copy and compare the new TSector field in CopyFields and SameFields");

struct SceneState::Record {
  TSector fields;  // every field but the tree links, LinkedSector and ModelLoader
  std::shared_ptr<const TMD2> loader;
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

namespace {

struct LoaderCopy {
  TMD2 md2;
  size_t bytes = 0;
  StateMemory* memory = nullptr;
  ~LoaderCopy() {
    if (memory) memory->bytes -= bytes;
  }
};

// Floats are compared by their bits: a copy must give back -0, NaN payloads
// and all, and NaN must count as equal to itself.
bool Same(float a, float b) {
  return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}
bool Same(const Vector& a, const Vector& b) {
  return Same(a.x, b.x) && Same(a.y, b.y) && Same(a.z, b.z);
}
template <size_t N>
bool Same(const float (&a)[N], const float (&b)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (!Same(a[i], b[i])) return false;
  return true;
}

// `whole`: also what is no change to the document (marks, derived data).
bool SameVertex(const TVertex& a, const TVertex& b, bool whole) {
  return a.Id == b.Id && Same(a.Position, b.Position) && Same(a.Color, b.Color) &&
         Same(a.TexCoord, b.TexCoord) && Same(a.LightmapCoord, b.LightmapCoord) &&
         (!whole || a.Marked == b.Marked);
}

bool SameTriangle(const TTriangle& a, const TTriangle& b, bool whole) {
  // The lightmap texture is a name the graphics context gave, not document content.
  return a.V0 == b.V0 && a.V1 == b.V1 && a.V2 == b.V2 && Same(a.Normal, b.Normal) &&
         Same(a.Distance, b.Distance) && a.LightmapIndex == b.LightmapIndex &&
         (!whole || a.LightmapTexture == b.LightmapTexture);
}

bool SameFields(const TSector& a, const TSector& b, bool whole) {
  if (a.Id != b.Id || a.Name != b.Name || a.NodeType != b.NodeType || a.Kind != b.Kind ||
      a.VertexCount != b.VertexCount || a.TextureIndex != b.TextureIndex || a.NoCollision != b.NoCollision ||
      a.Visible != b.Visible || a.NoInsideTest != b.NoInsideTest || a.NoFrustum != b.NoFrustum ||
      a.NoShadow != b.NoShadow || a.EnvMapping != b.EnvMapping || a.ColorKey != b.ColorKey ||
      a.LightingMode != b.LightingMode || a.ObjectType != b.ObjectType || !Same(a.Heading, b.Heading) ||
      a.TriangleCount != b.TriangleCount || !Same(a.Position, b.Position) ||
      !Same(a.Brightness, b.Brightness) || !Same(a.Range, b.Range) || a.Shadow != b.Shadow ||
      !Same(a.Color, b.Color) || a.IsLinked != b.IsLinked || a.LinkedSectorId != b.LinkedSectorId ||
      a.ParticleType != b.ParticleType || !Same(a.ParticleSpeed, b.ParticleSpeed) ||
      a.ImageIndex != b.ImageIndex)
    return false;
  if (whole && (a.Marked != b.Marked || !Same(a.Centroid, b.Centroid) || !Same(a.BoundsMin, b.BoundsMin) ||
                !Same(a.BoundsMax, b.BoundsMax) || !Same(a.BoundsCenter, b.BoundsCenter)))
    return false;
  if (a.Vertices.size() != b.Vertices.size() || a.Triangles.size() != b.Triangles.size()) return false;
  for (size_t i = 0; i < a.Vertices.size(); ++i)
    if (!SameVertex(a.Vertices[i], b.Vertices[i], whole)) return false;
  for (size_t i = 0; i < a.Triangles.size(); ++i)
    if (!SameTriangle(a.Triangles[i], b.Triangles[i], whole)) return false;
  return true;
}

void CopyFields(const TSector& s, TSector& r) {
  r.Id = s.Id;
  r.Name = s.Name;
  r.NodeType = s.NodeType;
  r.Kind = s.Kind;
  r.VertexCount = s.VertexCount;
  r.Vertices = s.Vertices;
  r.Centroid = s.Centroid;
  r.BoundsMin = s.BoundsMin;
  r.BoundsMax = s.BoundsMax;
  r.BoundsCenter = s.BoundsCenter;
  r.TextureIndex = s.TextureIndex;
  r.NoCollision = s.NoCollision;
  r.Visible = s.Visible;
  r.NoInsideTest = s.NoInsideTest;
  r.NoFrustum = s.NoFrustum;
  r.NoShadow = s.NoShadow;
  r.EnvMapping = s.EnvMapping;
  r.ColorKey = s.ColorKey;
  r.LightingMode = s.LightingMode;
  r.ObjectType = s.ObjectType;
  r.Heading = s.Heading;
  r.TriangleCount = s.TriangleCount;
  r.Triangles = s.Triangles;
  r.Marked = s.Marked;
  r.Position = s.Position;
  r.Brightness = s.Brightness;
  r.Range = s.Range;
  r.Shadow = s.Shadow;
  std::copy(std::begin(s.Color), std::end(s.Color), std::begin(r.Color));
  r.IsLinked = s.IsLinked;
  r.LinkedSectorId = s.LinkedSectorId;
  r.ParticleType = s.ParticleType;
  r.ParticleSpeed = s.ParticleSpeed;
  r.ImageIndex = s.ImageIndex;
}

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
                                                StateMemory* memory, bool* changed) {
  std::unique_ptr<SceneState> s(new SceneState());
  if (base) {
    s->nodes_.reserve(base->nodes_.size());
    s->sources_.reserve(base->nodes_.size());
  }

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
    if (base) {
      const int32_t j = base->IndexOfSource(&node, i);
      if (j >= 0) {
        const auto& candidate = base->nodes_[j].record;
        if (SameFields(node, candidate->fields, true) && SameLoaderAs(node, candidate->loader)) {
          s->nodes_[i].record = candidate;
          continue;
        }
        similar = candidate.get();
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

  if (changed) {
    bool differs = !base || base->nodes_.size() != s->nodes_.size() || base->lightmaps_ != s->lightmaps_ ||
                   !Same(base->start_position_, s->start_position_);
    for (size_t i = 0; !differs && i < s->nodes_.size(); ++i) {
      const Entry& a = s->nodes_[i];
      const Entry& b = base->nodes_[i];
      differs = a.parent != b.parent || a.link != b.link ||
                (a.record != b.record && !SameFields(a.record->fields, b.record->fields, false));
    }
    *changed = differs;
  }
  return s;
}

void SceneState::Restore(Editor& editor) {
  // Everything that can fail is built before the editor is touched.
  SceneTree staging;
  std::vector<TSector*> made(nodes_.size(), nullptr);
  for (size_t i = 0; i < nodes_.size(); ++i) {
    const Entry& e = nodes_[i];
    auto node = std::make_unique<TSector>();
    CopyFields(e.record->fields, *node);
    if (e.record->loader) node->ModelLoader = std::make_unique<TMD2>(*e.record->loader);
    made[i] = staging.AddChild(e.parent >= 0 ? made[e.parent] : nullptr, std::move(node));
  }
  for (size_t i = 0; i < nodes_.size(); ++i)
    if (nodes_[i].link >= 0) made[i]->LinkedSector = made[nodes_[i].link];
  std::vector<Lightmap> lightmaps;
  if (lightmaps_) lightmaps = lightmaps_->list;
  std::vector<TSector*> selection;
  selection.reserve(selection_.size());
  for (int32_t p : selection_) selection.push_back(made[p]);
  std::vector<uint32_t> clipboard_ids;
  for (const TSector* n : editor.ClipboardList) clipboard_ids.push_back(n->Id);
  const bool clipboard_filled = editor.ClipboardFilled;
  std::unordered_map<uint32_t, TSector*> by_id;
  if (!clipboard_ids.empty())
    for (TSector* n : made) by_id.emplace(n->Id, n);  // the first in tree order wins

  editor.Tree.ReplaceWith(staging);  // the editor empties its lists here
  editor.IdCounter = std::max(editor.IdCounter, id_counter_);
  editor.LightmapList = std::move(lightmaps);
  editor.StartPosition = start_position_;
  editor.SelectionList = std::move(selection);
  editor.TreeSelection = tree_selection_ >= 0 ? made[tree_selection_] : nullptr;
  editor.CurrentVertexNode = vertex_node_ >= 0 ? made[vertex_node_] : nullptr;
  editor.CurrentVertexIndex = vertex_node_ >= 0 ? vertex_index_ : -1;
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

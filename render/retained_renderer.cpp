#include "render/retained_renderer.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <unordered_map>

#include "render/frame_overlay.h"
#include "render/light_reach.h"
#include "render/retained_gl.h"
#include "render/scene_geometry.h"

namespace qx {

namespace {

// Beyond this the atlas would take more memory than it saves draw calls:
// the lightmaps then keep their own textures.
constexpr size_t kAtlasBytes = size_t(256) << 20;
// Cells are culled against the view widened a little: wide lines reach a
// pixel or two beyond the end points GL clips.
constexpr double kCullWiden = 1.02;

bool Same(const GridLayout& a, const GridLayout& b) {
  return a.center_x == b.center_x && a.center_z == b.center_z && a.size == b.size && a.extent == b.extent &&
         a.count == b.count;
}

bool LayerShown(const BatchKey& k, const ViewOptions& o) {
  switch (k.layer) {
    case Layer::kSurface:
      return !k.hidden || o.ShowTransparent;
    case Layer::kNormals:
      return o.ShowNormals && (!k.hidden || o.ShowTransparent);
    case Layer::kPortals:
      return o.ShowPortals;
    default:
      return true;
  }
}

// Layers whose lines (as outlines) take the width GL has when their node is drawn.
bool InheritsWidth(Layer l) {
  return l == Layer::kSurface || l == Layer::kSphereFans || l == Layer::kSphereStrips || l == Layer::kPortals;
}

}  // namespace

RetainedRenderer::RetainedRenderer() = default;

RetainedRenderer::~RetainedRenderer() {
  scene_.Attach(nullptr);
}

void RetainedRenderer::InitOpenGL() {
  reference_.InitOpenGL();
  gl_ = nullptr;
  QOpenGLContext* ctx = QOpenGLContext::currentContext();
  if (!ctx || ctx->format().version() < qMakePair(2, 1) || !reference_.Multitexture().two_units) return;
  auto* f = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(ctx);
  if (!f || !f->initializeOpenGLFunctions()) return;
  gl_ = f;
  state_ = std::make_unique<RetainedGlState>(gl_);
  scene_.InvalidateAll();
}

void RetainedRenderer::CreateSphereQuadric() {
  reference_.CreateSphereQuadric();
}

void RetainedRenderer::Release() {
  if (gl_) ReleaseBuffers();
  frame_cache_.Release();
  reference_.Release();
  gl_ = nullptr;
  state_.reset();
}

void RetainedRenderer::ReleaseBuffers() {
  std::vector<GLuint> buffers;
  for (const auto& c : scene_.Chunks())
    if (c->buffer) buffers.push_back(c->buffer);
  if (scene_.Dynamic().buffer) buffers.push_back(scene_.Dynamic().buffer);
  for (uint32_t b : scene_.TakeRetiredBuffers()) buffers.push_back(b);
  for (uint32_t b : {grid_buffer_, overlay_buffer_, sphere_buffer_})
    if (b) buffers.push_back(b);
  if (!buffers.empty()) gl_->glDeleteBuffers(GLsizei(buffers.size()), buffers.data());
  for (const auto& c : scene_.Chunks()) c->buffer = 0, c->needs_upload = true;
  scene_.Dynamic().buffer = 0;
  scene_.Dynamic().needs_upload = true;
  grid_buffer_ = overlay_buffer_ = sphere_buffer_ = 0;
  grid_layout_ = {};
  if (!atlas_pages_.empty()) glDeleteTextures(GLsizei(atlas_pages_.size()), atlas_pages_.data());
  atlas_pages_.clear();
  atlas_ = {};
  scene_.InvalidateAll();
  ++static_revision_;
}

void RetainedRenderer::SetupViewport(int w, int h) {
  if (w < 0 || h <= 0) return;  // a collapsed panel has no aspect ratio
  width_ = w;
  height_ = h;
  reference_.SetupViewport(w, h);
}

// ---- buffers ----

void RetainedRenderer::UpdateAtlas(Editor& e) {
  if (!atlas_pages_.empty()) glDeleteTextures(GLsizei(atlas_pages_.size()), atlas_pages_.data());
  atlas_pages_.clear();
  GLint max_side = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_side);
  atlas_ = PlanAtlasFor(e.LightmapList, std::min(atlas_side_, int(max_side)));
  size_t bytes = 0;
  for (int p = 0; p < atlas_.pages; ++p)
    bytes += size_t(atlas_.PageWidth()) * size_t(atlas_.PageHeight(p)) * 3;
  if (bytes > kAtlasBytes) atlas_ = {};
  gl_->glActiveTexture(GL_TEXTURE0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int p = 0; p < atlas_.pages; ++p) {
    const std::vector<uint8_t> texels = BuildAtlasPage(atlas_, p, e.LightmapList);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // As the lightmaps' own textures filter: linearly, from the first level.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, atlas_.PageWidth(), atlas_.PageHeight(p), 0, GL_RGB,
                 GL_UNSIGNED_BYTE, texels.data());
    atlas_pages_.push_back(name);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

void RetainedRenderer::PatchAtlas(Editor& e, const std::vector<uint32_t>& lightmaps) {
  gl_->glActiveTexture(GL_TEXTURE0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (uint32_t index : lightmaps) {
    const std::vector<uint8_t> texels = BuildAtlasTile(atlas_, e.LightmapList, index);
    const AtlasTile tile = TileOf(atlas_, index);
    if (texels.empty() || tile.page < 0 || size_t(tile.page) >= atlas_pages_.size()) continue;
    glBindTexture(GL_TEXTURE_2D, atlas_pages_[size_t(tile.page)]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, tile.x - 1, tile.y - 1, atlas_.tile_width + 2, atlas_.tile_height + 2,
                    GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  ++static_revision_;  // the kept picture shows the old texels
}

void RetainedRenderer::Upload(Chunk& c) {
  if (!c.buffer) gl_->glGenBuffers(1, &c.buffer);
  gl_->glBindBuffer(GL_ARRAY_BUFFER, c.buffer);
  const GLenum usage = &c == &scene_.Dynamic() ? GL_STREAM_DRAW : GL_STATIC_DRAW;
  gl_->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(c.vertices.size() * sizeof(DrawVertex)), c.vertices.data(),
                    usage);
  c.needs_upload = false;
  std::vector<DrawVertex>().swap(c.vertices);  // the buffer holds them now
}

void RetainedRenderer::Prepare(Editor& e, bool check) {
  scene_.Attach(&e);
  if (scene_.LightmapsChanged(check)) {
    ++static_revision_;
    UpdateAtlas(e);
    scene_.MarkAllDirty();
    scene_.ForgetLightmapsChanged();
    scene_.TakePatchedLightmaps();  // the atlas is new
  }
  const std::vector<uint32_t> patched = scene_.TakePatchedLightmaps();
  if (!patched.empty() && !atlas_.Empty()) PatchAtlas(e, patched);
  LightmapPlacement placement;
  if (!atlas_.Empty()) placement.layout = &atlas_;
  placement.lightmaps = &e.LightmapList;
  scene_.Update(placement, check);
  for (const auto& c : scene_.Chunks())
    if (c->needs_upload) {
      Upload(*c);
      ++static_revision_;
    }
  if (scene_.Dynamic().needs_upload) Upload(scene_.Dynamic());
  const std::vector<uint32_t> retired = scene_.TakeRetiredBuffers();
  if (!retired.empty() || scene_.Chunks().size() != static_chunks_) ++static_revision_;
  static_chunks_ = scene_.Chunks().size();
  if (!retired.empty()) gl_->glDeleteBuffers(GLsizei(retired.size()), retired.data());
  gl_->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// ---- drawing ----

void RetainedRenderer::MultiDraw(Primitive p, const int32_t* firsts, const int32_t* counts, size_t n) {
  if (n == 0) return;
  ++stats_.draw_calls;
  if (n == 1)
    glDrawArrays(GlMode(p), firsts[0], counts[0]);
  else
    gl_->glMultiDrawArrays(GlMode(p), firsts, counts, GLsizei(n));
}

void RetainedRenderer::ApplyBatchState(const BatchKey& k, const ViewOptions& o, SectorDrawMode mode) {
  RetainedGlState& s = *state_;
  if (k.layer != Layer::kSurface) s.CoordArrays(false, false);
  switch (k.layer) {
    case Layer::kSurface: {
      s.Cull(o.CullFace);
      const bool outline = mode == SectorDrawMode::kOutline;
      s.Lines(outline || o.Wireframe);
      const bool textured = !outline && o.ShowTextures;
      s.Texture(0, textured, textured && texture_name ? texture_name(k.texture) : 0);
      const bool lightmap =
          !outline && o.ShowLightmaps && k.lightmapped && k.lightmap.kind != LightmapSource::kNone;
      GLuint lm = 0;
      if (lightmap)
        lm = k.lightmap.kind == LightmapSource::kPage
                 ? (k.lightmap.index < atlas_pages_.size() ? atlas_pages_[k.lightmap.index] : 0)
                 : k.lightmap.index;
      s.Texture(1, lightmap, lm);
      s.CoordArrays(textured, lightmap);
      if ((k.vertex_lit && o.ShowLightmaps) || outline) {
        s.ColorArray(true);
      } else {
        s.ColorArray(false);
        glColor4f(1, 1, 1, 1);
      }
      return;
    }
    case Layer::kNormals:
      s.TexturesOff();
      s.ColorArray(false);
      glColor3fv(kNormalColor);
      s.Width(2);
      return;
    case Layer::kSphereFans:
    case Layer::kSphereStrips:
      s.TexturesOff();
      s.ColorArray(true);
      s.Lines(lines_mode_);
      s.Cull(o.CullFace);  // filled, a sphere looks the same with or without
      return;
    case Layer::kCrosses:
      s.TexturesOff();
      s.ColorArray(false);
      glColor3fv(kCheckpointColor);
      s.Width(3);
      return;
    case Layer::kPortals:
      s.TexturesOff();
      s.Cull(false);
      s.ColorArray(false);
      glColor4f(kPortalColor[0], kPortalColor[1], kPortalColor[2], blending_portals_ ? kPortalAlpha : 1.0f);
      s.Lines(lines_mode_);
      return;
  }
}

void RetainedRenderer::DrawChunk(const Chunk& c, const ViewOptions& o, const std::vector<uint8_t>& visible,
                                 const std::vector<InheritedGlState>* inherited, SectorDrawMode mode,
                                 Layers layers) {
  if (c.batches.empty()) return;
  state_->Buffer(c.buffer);
  // With outlines, a node's lines keep the width (and a sphere the culling)
  // GL has when the node comes in tree order: such batches are drawn in
  // groups of equal state.
  struct Group {
    InheritedGlState gl;
    std::vector<int32_t> firsts, counts;
  };
  std::vector<std::vector<Group>> groups;
  if (inherited) {
    groups.resize(c.batches.size());
    for (size_t i = 0; i < c.entries.size(); ++i) {
      const ChunkEntry& e = c.entries[i];
      if (!visible[e.cell]) continue;
      for (uint32_t p = e.part_begin; p < e.part_end; ++p) {
        const NodePart& part = c.parts[p];
        if (!InheritsWidth(c.batches[part.batch].key.layer)) continue;
        const InheritedGlState gl = (*inherited)[i];
        std::vector<Group>& list = groups[part.batch];
        Group* g = nullptr;
        for (Group& candidate : list)
          if (candidate.gl.width == gl.width && candidate.gl.cull == gl.cull) g = &candidate;
        if (!g) g = &list.emplace_back(Group{gl, {}, {}});
        g->firsts.push_back(part.first);
        g->counts.push_back(part.count);
      }
    }
  }
  for (size_t b = 0; b < c.batches.size(); ++b) {
    const Batch& batch = c.batches[b];
    if (!LayerShown(batch.key, o)) continue;
    const bool portal = batch.key.layer == Layer::kPortals;
    if ((layers == Layers::kAllButPortals && portal) || (layers == Layers::kPortals && !portal)) continue;
    ApplyBatchState(batch.key, o, mode);
    const Primitive prim = PrimitiveOf(batch.key.layer);
    if (inherited && InheritsWidth(batch.key.layer)) {
      const bool sphere = batch.key.layer == Layer::kSphereFans || batch.key.layer == Layer::kSphereStrips;
      for (const Group& g : groups[b]) {
        state_->Width(g.gl.width);
        if (sphere) state_->Cull(g.gl.cull);
        MultiDraw(prim, g.firsts.data(), g.counts.data(), g.firsts.size());
      }
      continue;
    }
    // Surfaces of planes the eye is behind would all be culled: not sent.
    const bool skip = skip_behind_ && batch.key.layer == Layer::kSurface && !batch.planes.empty();
    if (skip && behind_chunk_ != &c) {
      behind_.resize(c.planes.size());
      for (size_t i = 0; i < c.planes.size(); ++i) behind_[i] = c.planes[i].BehindFrom(eye_);
      behind_chunk_ = &c;
    }
    // Runs of visible cells, each one multi-draw.
    const size_t cells = c.cells.size();
    for (size_t cell = 0; cell < cells;) {
      if (!visible[cell]) {
        ++cell;
        continue;
      }
      size_t end = cell;
      while (end < cells && visible[end]) ++end;
      const uint32_t p0 = batch.prim_begin[cell], p1 = batch.prim_begin[end];
      if (skip) {
        firsts_.clear();
        counts_.clear();
        for (uint32_t i = p0; i < p1; ++i) {
          const int32_t plane = batch.planes[i];
          if (plane >= 0 && behind_[size_t(plane)]) {
            stats_.triangles_skipped += batch.counts[i] / 3;
            continue;
          }
          if (!firsts_.empty() && firsts_.back() + counts_.back() == batch.firsts[i]) {
            counts_.back() += batch.counts[i];
          } else {
            firsts_.push_back(batch.firsts[i]);
            counts_.push_back(batch.counts[i]);
          }
        }
        MultiDraw(prim, firsts_.data(), counts_.data(), firsts_.size());
      } else {
        MultiDraw(prim, batch.firsts.data() + p0, batch.counts.data() + p0, p1 - p0);
      }
      cell = end;
    }
  }
}

bool RetainedRenderer::InheritsPassState(const ViewOptions& o, SectorDrawMode mode) {
  bool surfaces = scene_.Dynamic().has_surfaces;
  for (const auto& c : scene_.Chunks()) surfaces = surfaces || c->has_surfaces;
  if (surfaces) lines_mode_ = o.Wireframe;  // polygons and models set it; the rest inherits
  return lines_mode_ || mode == SectorDrawMode::kOutline;
}

uint64_t RetainedRenderer::StaticContentKey(const Editor& e, const ViewOptions& o) const {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
  mix(static_revision_);
  mix(e.Textures.Revision());
  const bool options[] = {o.CullFace,    o.ShowGrid,    o.ShowPortals,     o.ShowLightmaps, o.ShowTextures,
                          o.ShowNormals, o.ShowMarkers, o.ShowTransparent, o.Wireframe};
  for (bool b : options) mix(b);
  uint64_t bits = 0;
  static_assert(sizeof(double) == sizeof(uint64_t));
  for (double d : {double(e.GridSize), double(e.GridExtent)}) {
    std::memcpy(&bits, &d, sizeof bits);
    mix(bits);
  }
  return h;
}

InheritedGlState RetainedRenderer::DrawScene(const double clip[16], const ViewOptions& o, SectorDrawMode mode,
                                             ScenePart part, Layers layers) {
  const auto& chunks = scene_.Chunks();
  const Chunk& dynamic = scene_.Dynamic();
  const bool inherit = InheritsPassState(o, mode);
  skip_behind_ = skip_behind_enabled_ && eye_known_ && mode == SectorDrawMode::kAsViewport && !inherit &&
                 o.CullFace && !o.Wireframe;
  behind_chunk_ = nullptr;
  auto cells_visible = [&](const Chunk& c, std::vector<uint8_t>& out) {
    out.assign(c.cells.size(), 0);
    for (size_t i = 0; i < c.cells.size(); ++i) {
      const Box3& b = c.cells[i].box;
      if (b.Empty()) continue;  // draws nothing
      const bool shown = !b.finite || !BoxOutsideClipVolume(clip, b.min, b.max, kCullWiden);
      out[i] = shown;
      ++(shown ? stats_.cells_drawn : stats_.cells_culled);
    }
  };
  visible_.resize(chunks.size() + 1);
  inherited_.resize(chunks.size() + 1);
  NodePassState pass;
  pass.gl = {1, cull_on_};
  std::unordered_map<const TSector*, InheritedGlState> dynamic_state;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const Chunk& c = *chunks[i];
    cells_visible(c, visible_[i]);
    if (!inherit) continue;
    std::vector<InheritedGlState>& states = inherited_[i];
    states.resize(c.entries.size());
    for (size_t k = 0; k < c.entries.size(); ++k) {
      const ChunkEntry& entry = c.entries[k];
      const bool point = entry.type == kLight || entry.type == kParticleSystem || entry.type == kActor ||
                         entry.type == kCheckpoint;
      states[k] = pass.Visit(entry, point && entry.node->Marked, o);
      if (entry.dynamic) dynamic_state[entry.node] = states[k];
    }
  }
  if (part != ScenePart::kDynamic)
    for (size_t i = 0; i < chunks.size(); ++i)
      DrawChunk(*chunks[i], o, visible_[i], inherit ? &inherited_[i] : nullptr, mode, layers);
  if (part != ScenePart::kStatic && !dynamic.entries.empty()) {
    std::vector<uint8_t>& shown = visible_.back();
    cells_visible(dynamic, shown);
    std::vector<InheritedGlState>& states = inherited_.back();
    states.assign(dynamic.entries.size(), {});
    if (inherit)
      for (size_t k = 0; k < dynamic.entries.size(); ++k) states[k] = dynamic_state[dynamic.entries[k].node];
    DrawChunk(dynamic, o, shown, inherit ? &states : nullptr, mode, layers);
  }
  stats_.chunks = int(chunks.size());
  return pass.gl;
}

void RetainedRenderer::DrawPortals(const ViewOptions& o) {
  const auto& chunks = scene_.Chunks();
  BeginPortalBlend();
  blending_portals_ = true;
  for (size_t i = 0; i < chunks.size(); ++i)
    DrawChunk(*chunks[i], o, visible_[i], nullptr, SectorDrawMode::kAsViewport, Layers::kPortals);
  const Chunk& dynamic = scene_.Dynamic();
  if (!dynamic.entries.empty())
    DrawChunk(dynamic, o, visible_.back(), nullptr, SectorDrawMode::kAsViewport, Layers::kPortals);
  blending_portals_ = false;
  EndPortalBlend();
}

void RetainedRenderer::DrawGrid(const Editor& e) {
  const GridLayout g = ComputeGrid(e.CameraPosition, e.GridSize, e.GridExtent);
  if (g.count < 0) return;
  if (!grid_buffer_ || !Same(g, grid_layout_)) {
    std::vector<DrawVertex> v;
    v.reserve(size_t(g.count * 2 + 1) * 4);
    auto put = [&](float x, float z) { v.push_back(DrawVertex{{x, 0, z}, {}, {}, {}}); };
    for (int k = -g.count; k <= g.count; ++k) {
      const float along = static_cast<float>(double(k) * g.size);
      const float z = static_cast<float>(double(g.center_z) + along);
      const float x = static_cast<float>(double(g.center_x) + along);
      put(g.center_x - g.extent, z);
      put(g.center_x + g.extent, z);
      put(x, g.center_z - g.extent);
      put(x, g.center_z + g.extent);
    }
    if (!grid_buffer_) gl_->glGenBuffers(1, &grid_buffer_);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, grid_buffer_);
    gl_->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(v.size() * sizeof(DrawVertex)), v.data(), GL_STATIC_DRAW);
    state_->ForgetBuffer();
    grid_layout_ = g;
    grid_vertices_ = int(v.size());
  }
  state_->Buffer(grid_buffer_);
  state_->CoordArrays(false, false);
  state_->TexturesOff();
  state_->ColorArray(false);
  glColor3fv(kGridColor);
  state_->Width(1);
  const int32_t first = 0;
  BeginGridDepth();
  MultiDraw(Primitive::kLines, &first, &grid_vertices_, 1);
  EndGridDepth();
}

void RetainedRenderer::UploadOverlay(const FrameOverlay& overlay) {
  if (overlay.vertices.empty()) return;
  if (!overlay_buffer_) gl_->glGenBuffers(1, &overlay_buffer_);
  gl_->glBindBuffer(GL_ARRAY_BUFFER, overlay_buffer_);
  gl_->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(overlay.vertices.size() * sizeof(DrawVertex)),
                    overlay.vertices.data(), GL_STREAM_DRAW);
  state_->ForgetBuffer();
}

void RetainedRenderer::DrawOverlay(const FrameOverlay& overlay, size_t begin, size_t end) {
  if (overlay.vertices.empty() || begin >= end) return;
  state_->Buffer(overlay_buffer_);
  state_->CoordArrays(false, false);
  state_->TexturesOff();
  state_->ColorArray(true);
  for (size_t i = begin; i < end; ++i) {
    const FrameOverlay::Command& c = overlay.commands[i];
    state_->Depth(c.depth);
    state_->Width(c.width);
    if (c.prim == Primitive::kTriangleFan || c.prim == Primitive::kQuadStrip) {
      state_->Cull(c.cull);
      state_->Lines(lines_mode_);
    }
    MultiDraw(c.prim, c.firsts.data(), c.counts.data(), c.firsts.size());
  }
  state_->Depth(true);
}

// A selected point light's reach: a few circles in immediate mode, drawn
// after the buffers since they are few and follow the selection alone.
void RetainedRenderer::DrawLightReaches(const Editor& e, const ViewOptions& o) {
  if (!o.ShowMarkers) return;
  glDisable(GL_TEXTURE_2D);
  glLineWidth(1);
  for (const TSector* n : e.SelectionList)
    if (n->NodeType == kLight && n->Marked) DrawLightReach(*n);
  state_->Reset();
}

void RetainedRenderer::RenderFrame(Editor& e, const ViewOptions& o) {
  if (!gl_) return;
  stats_ = {};
  const CameraLookAt view = ApplyCameraView(e);
  const bool still = view.eye == last_view_.eye && view.center == last_view_.center;
  last_view_ = view;
  Prepare(e, still);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  LoadCameraView(last_view_);
  eye_ = last_view_.eye;
  eye_known_ = true;
  state_->Reset();
  state_->BeginArrays();
  glFrontFace(GL_CCW);
  state_->Depth(true);
  double clip[16];
  CurrentClipMatrix(clip);
  // Filled portals are blended over everything opaque, start marker included,
  // so they are never part of the kept picture; as lines they are drawn with the rest.
  const bool blend_portals = !o.Wireframe;
  const Layers layers = blend_portals ? Layers::kAllButPortals : Layers::kAll;
  // Keeping costs a copy, so only frames whose camera stands still keep
  // their static part (a turning camera would never use it). Wireframe
  // frames pass line widths from node to node in tree order, so only filled
  // frames split into a kept static part and the moving rest.
  const bool keep =
      still && cache_enabled_ && frame_cache_.Usable() && !InheritsPassState(o, SectorDrawMode::kAsViewport);
  FrameCache::Key key;
  if (keep) {
    key = FrameCache::CurrentTarget(width_, height_);
    key.content = StaticContentKey(e, o);
  }
  reused_ = keep && frame_cache_.Restore(key);
  InheritedGlState after_nodes;
  if (!reused_) {
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (o.ShowGrid) DrawGrid(e);
    after_nodes =
        DrawScene(clip, o, SectorDrawMode::kAsViewport, keep ? ScenePart::kStatic : ScenePart::kAll, layers);
    if (keep) frame_cache_.Store(key);
  }
  if (keep) after_nodes = DrawScene(clip, o, SectorDrawMode::kAsViewport, ScenePart::kDynamic, layers);
  if (!o.Wireframe) after_nodes = {};  // filled, neither shows
  const FrameOverlay overlay = BuildFrameOverlay(scene_, e, o, &after_nodes);
  UploadOverlay(overlay);
  DrawOverlay(overlay, 0, overlay.before_portals);
  if (blend_portals && o.ShowPortals) DrawPortals(o);
  DrawOverlay(overlay, overlay.before_portals, overlay.commands.size());
  cull_on_ = after_nodes.cull;
  state_->EndArrays();
  DrawLightReaches(e, o);
  glFlush();
}

void RetainedRenderer::DrawSectors(Editor& e, const double clip[16], SectorDrawMode mode,
                                   const ViewOptions& o) {
  if (!gl_) return;
  stats_ = {};
  eye_known_ = false;  // another view's projection
  Prepare(e, true);
  state_->Reset();
  state_->BeginArrays();
  glFrontFace(GL_CCW);
  state_->Depth(true);
  DrawScene(clip, o, mode);
  state_->EndArrays();
}

}  // namespace qx

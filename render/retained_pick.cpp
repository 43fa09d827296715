// Picking of the retained renderer: GL selection mode over the buffers. The
// nodes are visited in tree order as the immediate-mode pick visits them,
// with the line widths and culling they inherit there, but only those whose
// drawing reaches the picked pixel are drawn; the others only load their
// names when a later nameless marker needs it. The marker pass is the
// reference's own: markers are few.

#include <QOpenGLFunctions_2_1>
#include <algorithm>
#include <span>

#include "commands/selection.h"
#include "render/retained_gl.h"
#include "render/retained_renderer.h"
#include "render/scene_geometry.h"
#include "render/sphere_mesh.h"

namespace qx {

namespace {

// The node and heading spheres, at the origin, one after the other in the sphere buffer.
struct PickSpheres {
  SphereMesh node = MakeSphereMesh(kNodeSphere.radius, kNodeSphere.slices, kNodeSphere.stacks);
  SphereMesh heading = MakeSphereMesh(kHeadingSphere.radius, kHeadingSphere.slices, kHeadingSphere.stacks);
};
const PickSpheres& Spheres() {
  static const PickSpheres s;
  return s;
}

// Wide lines count as hits a pixel or two beside their centre line: the
// pick square is widened well beyond its two pixels before boxes are culled.
constexpr double kPickWiden = 5.0;

bool Outside(const double clip[16], const Box3& b) {
  if (!b.finite) return false;
  return b.Empty() || BoxOutsideClipVolume(clip, b.min, b.max, kPickWiden);
}

}  // namespace

bool RetainedRenderer::IsPolygonVertex(uint32_t id) const {
  for (const auto& c : scene_.Chunks())
    if (std::binary_search(c->polygon_vertex_ids.begin(), c->polygon_vertex_ids.end(), id)) return true;
  return false;
}

void RetainedRenderer::PickSphere(int mesh) {
  const PickSpheres& s = Spheres();
  const SphereMesh& m = mesh == 0 ? s.node : s.heading;
  const int32_t base = mesh == 0 ? 0 : int32_t(s.node.vertices.size());
  state_->Buffer(sphere_buffer_);
  for (const SphereMesh::Strip& strip : m.strips)
    glDrawArrays(strip.mode == SphereMesh::kTriangleFan ? GL_TRIANGLE_FAN : GL_QUAD_STRIP, base + strip.first,
                 strip.count);
}

void RetainedRenderer::PickNode(const ChunkEntry& entry, const Chunk& owner, const ViewOptions& o,
                                InheritedGlState gl) {
  const TSector* n = entry.node;
  glLoadName(n->Id);
  state_->Width(gl.width);
  auto parts = [&] {
    state_->Buffer(owner.buffer);
    for (uint32_t p = entry.part_begin; p < entry.part_end; ++p) {
      const NodePart& part = owner.parts[p];
      const Layer layer = owner.batches[part.batch].key.layer;
      if (layer != Layer::kNormals) glDrawArrays(GlMode(PrimitiveOf(layer)), part.first, part.count);
    }
  };
  // Lines from client memory: normals (the buffers hold each line once, not
  // once for each node), boxes and crosses.
  std::vector<DrawVertex> client;
  auto lines = [&](const Vector* ends, size_t count) {
    client.assign(count, DrawVertex{});
    for (size_t i = 0; i < count; ++i)
      client[i].pos[0] = ends[i].x, client[i].pos[1] = ends[i].y, client[i].pos[2] = ends[i].z;
    state_->Buffer(0, client.data());
    glDrawArrays(GL_LINES, 0, GLsizei(count));
    state_->ForgetBuffer();
  };
  auto selection_box = [&] {
    if (!n->Marked) return;
    state_->Width(2);
    Vector min, max, ends[24];
    PointBoxCorners(n, &min, &max);
    BoxEdges(min, max, ends);
    lines(ends, 24);
  };
  switch (entry.type) {
    case kPolygon:
    case kModel:
      state_->Cull(o.CullFace);
      state_->Lines(o.Wireframe);
      parts();
      if (o.ShowNormals && entry.normals) {
        state_->Width(2);
        std::vector<Vector> ends;
        NormalLineEnds(n, &ends);
        lines(ends.data(), ends.size());
      }
      return;
    case kPortal:
      state_->Cull(false);
      state_->Lines(lines_mode_);
      parts();
      return;
    default:
      break;
  }
  // The point nodes as the immediate drawing places them: by the model-view matrix.
  state_->Cull(gl.cull);
  state_->Lines(lines_mode_);
  glPushMatrix();
  glTranslatef(n->Position.x, n->Position.y, n->Position.z);
  PickSphere(0);
  if (entry.type == kActor) {
    glRotatef(n->Heading, 0, 1, 0);
    glTranslatef(4, 0, 0);
    PickSphere(1);
  } else if (entry.type == kCheckpoint) {
    Vector ends[6];
    CrossEnds(scene_.Attached()->StartPosition, ends);
    lines(ends, 6);
  }
  glPopMatrix();
  selection_box();
}

uint32_t RetainedRenderer::PickName(Editor& e, const ViewOptions& o, int x, int y) {
  if (!gl_ || width_ <= 0 || height_ <= 0) return 0;
  Prepare(e, false);
  if (!sphere_buffer_) {
    std::vector<DrawVertex> v;
    for (const SphereMesh* m : {&Spheres().node, &Spheres().heading})
      for (const Vector& p : m->vertices) v.push_back(DrawVertex{{p.x, p.y, p.z}, {}, {}, {}});
    gl_->glGenBuffers(1, &sphere_buffer_);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, sphere_buffer_);
    gl_->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(v.size() * sizeof(DrawVertex)), v.data(), GL_STATIC_DRAW);
  }
  state_->Reset();
  glEnableClientState(GL_VERTEX_ARRAY);
  // Room for one record more than the rules allow, so that a ninth hit shows
  // as too many even where the driver does not report a full buffer as overflow.
  constexpr size_t kSize = kSelectBufferSize + 4;
  GLuint buffer[kSize] = {};
  PickPass pass(buffer, kSize, x, y, width_, height_, last_view_);
  glInitNames();
  glPushName(0);
  // The immediate pick starts with what the last frame left: the start
  // marker's cross width and the culling of the last polygon or portal.
  NodePassState node_pass;
  node_pass.gl = {3, cull_on_};
  uint32_t pending = 0;  // a name loaded by a node that is not drawn
  bool has_pending = false;
  const Chunk& dynamic = scene_.Dynamic();
  for (const auto& c : scene_.Chunks()) {
    std::vector<uint8_t> near(c->cells.size());
    for (size_t i = 0; i < c->cells.size(); ++i) near[i] = !Outside(pass.Clip(), c->cells[i].box);
    for (const ChunkEntry& entry : c->entries) {
      const bool point = entry.type == kLight || entry.type == kParticleSystem || entry.type == kActor ||
                         entry.type == kCheckpoint;
      const InheritedGlState gl = node_pass.Visit(entry, point && entry.node->Marked, o);
      if (!LoadsName(entry.type, entry.visible, entry.drawn, o)) continue;
      const ChunkEntry* drawn = &entry;
      const Chunk* owner = c.get();
      if (entry.dynamic) {
        drawn = scene_.DynamicEntry(entry.node);
        owner = &dynamic;
      }
      if (!drawn || (!entry.dynamic && !near[entry.cell]) || Outside(pass.Clip(), drawn->box)) {
        pending = entry.node->Id;
        has_pending = true;
        continue;
      }
      PickNode(*drawn, *owner, o, gl);
      has_pending = false;
    }
  }
  // The marker pass: its boxes and outlines carry the name loaded last.
  if (has_pending) glLoadName(pending);
  state_->Width(node_pass.gl.width);
  state_->Cull(node_pass.gl.cull);
  state_->Lines(lines_mode_);
  glDisableClientState(GL_VERTEX_ARRAY);
  gl_->glBindBuffer(GL_ARRAY_BUFFER, 0);
  reference_.DrawMarkerPass(e, o, true);
  const GLint hits = pass.End();
  state_->Reset();
  if (hits > kPickMaxHits) return 0;
  return ResolvePickHits(hits, std::span<const uint32_t>(buffer, kSelectBufferSize),
                         [this](uint32_t id) { return IsPolygonVertex(id); });
}

}  // namespace qx

#include "lighting/live_lighting.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "lighting/light_falloff.h"
#include "lighting/light_tree.h"
#include "lighting/shadow_proof.h"
#include "lighting/shadow_search.h"
#include "scene/node_fields.h"
#include "scene/polygon_data.h"

namespace qx {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The bounds below are worked out in double from float data; the baker's own
// sums round too. A bound is raised by this much before it is held against a
// margin, which dwarfs both (the shares are below 1e6 wherever a bound is
// finite and used, so rounding stays below 1e-9 of them).
double Padded(double bound) {
  return bound * (1 + 1e-6) + 1e-7;
}

size_t TriangleTotal(const TSector& node) {
  return std::min<size_t>(node.TriangleCount, node.Triangles.size());
}

// The bake's numbering: every visible node lit by lightmap gives each of its
// triangles a lightmap, in tree order.
std::vector<int32_t> FirstLightmaps(const LightingInputs& in, size_t* total) {
  std::vector<int32_t> first(in.polygons.size(), -1);
  size_t next = 0;
  for (size_t i = 0; i < in.polygons.size(); ++i) {
    const TSector& p = *in.polygons[i];
    if (p.Visible == 0 || p.LightingMode != 0) continue;
    first[i] = static_cast<int32_t>(next);
    next += TriangleTotal(p);
  }
  *total = next;
  return first;
}

bool VertexLit(const TSector& p) {
  return p.Visible != 0 && (p.LightingMode == 0 || p.LightingMode == 1);
}

struct Box {
  double lo[3] = {kInfinity, kInfinity, kInfinity};
  double hi[3] = {-kInfinity, -kInfinity, -kInfinity};
  void Add(const Vector& v) {
    const double c[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], c[k]);
      hi[k] = std::max(hi[k], c[k]);
    }
  }
  bool Valid() const {
    for (int k = 0; k < 3; ++k)
      if (!(lo[k] <= hi[k]) || !std::isfinite(lo[k]) || !std::isfinite(hi[k])) return false;
    return true;
  }
  // Grown by a little more than the shadow test's roundings can reach: its
  // hit point lies on the segment from the light to the texel up to float
  // error, and the triangle test accepts points a hair outside.
  void Grow() {
    for (int k = 0; k < 3; ++k) {
      const double pad = 0.01 + 1e-4 * std::max(std::fabs(lo[k]), std::fabs(hi[k]));
      lo[k] -= pad;
      hi[k] += pad;
    }
  }
};

bool Overlap(const Box& a, const Box& b) {
  for (int k = 0; k < 3; ++k)
    if (a.hi[k] < b.lo[k] || b.hi[k] < a.lo[k]) return false;
  return true;
}

std::array<double, 6> FrameBox(const TSector& node, size_t triangle) {
  const TexelFrame f = LightmapFrame(node, triangle);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (!f.area) return {nan, nan, nan, nan, nan, nan};
  Box b;
  b.Add(f.o);
  b.Add(VectorAdd(f.o, f.e1));
  b.Add(VectorAdd(f.o, f.e2));
  b.Add(VectorAdd(VectorAdd(f.o, f.e1), f.e2));
  return {b.lo[0], b.lo[1], b.lo[2], b.hi[0], b.hi[1], b.hi[2]};
}

Box ToBox(const std::array<double, 6>& a) {
  Box b;
  std::copy_n(a.data(), 3, b.lo);
  std::copy_n(a.data() + 3, 3, b.hi);
  return b;
}

// The most a point light adds to one channel anywhere in the box (infinity
// when the box reaches the light or the numbers are not usable). Its share at
// distance d is |Brightness / (d^2 / Range)| * colour, d at least the box's
// distance; a directional light adds its colour everywhere.
double ShareBound(const TSector& light, const Box& box, double factor = 1) {
  const double peak = LightColourPeak(light);
  if (light.Kind == 1) return std::isfinite(peak) ? factor * peak : kInfinity;
  if (!box.Valid()) return kInfinity;
  const double p[3] = {light.Position.x, light.Position.y, light.Position.z};
  double d2 = 0;
  for (int k = 0; k < 3; ++k) {
    const double gap = std::max({0.0, box.lo[k] - p[k], p[k] - box.hi[k]});
    d2 += gap * gap;
  }
  const double strength = std::fabs(double(light.Brightness) * double(light.Range)) * peak;
  if (strength == 0) return 0;
  // The distance the baker sees is a float of the distance to a point in
  // the box: take off a relative 1e-6 for that.
  d2 *= 1 - 1e-5;
  if (!(d2 > 1e-18) || !std::isfinite(strength)) return kInfinity;
  const double bound = factor * strength / d2;
  return std::isfinite(bound) ? bound : kInfinity;
}

bool SameVector(const Vector& a, const Vector& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameLight(const TSector& a, const TSector& b) {
  return a.Kind == b.Kind && SameVector(a.Position, b.Position) &&
         std::memcmp(&a.Brightness, &b.Brightness, sizeof a.Brightness) == 0 &&
         std::memcmp(&a.Range, &b.Range, sizeof a.Range) == 0 && a.Shadow == b.Shadow &&
         std::memcmp(a.Color, b.Color, sizeof a.Color) == 0;
}

// Everything of a polygon the bake reads: its own lightmaps and colours, and
// whether and where it casts shadows.
bool SamePolygon(const TSector& a, const TSector& b) {
  if (a.Id != b.Id || a.NodeType != b.NodeType || a.Visible != b.Visible ||
      a.LightingMode != b.LightingMode || a.NoShadow != b.NoShadow || a.TriangleCount != b.TriangleCount ||
      a.Vertices.size() != b.Vertices.size() || a.Triangles.size() != b.Triangles.size())
    return false;
  for (size_t v = 0; v < a.Vertices.size(); ++v)
    if (!SameVector(a.Vertices[v].Position, b.Vertices[v].Position)) return false;
  for (size_t t = 0; t < a.Triangles.size(); ++t) {
    const TTriangle &x = a.Triangles[t], &y = b.Triangles[t];
    if (x.V0 != y.V0 || x.V1 != y.V1 || x.V2 != y.V2 || !SameVector(x.Normal, y.Normal) ||
        std::memcmp(&x.Distance, &y.Distance, sizeof x.Distance) != 0)
      return false;
  }
  return true;
}

bool CastsShadow(const TSector& p) {
  return p.Visible != 0 && p.NoShadow != 1;
}

// The box of the triangles that may cast shadows.
Box CasterBox(const TSector& p) {
  Box b;
  for (size_t t = 0; t < TriangleTotal(p); ++t) {
    const TTriangle& tri = p.Triangles[t];
    for (int32_t v : {tri.V0, tri.V1, tri.V2})
      if (v >= 0 && size_t(v) < p.Vertices.size()) b.Add(p.Vertices[size_t(v)].Position);
  }
  return b;
}

Box VertexBox(const TSector& p) {
  Box b;
  for (const TVertex& v : p.Vertices) b.Add(v.Position);
  return b;
}

BakeLists ListsOf(const LightingInputs& in) {
  BakeLists lists;
  lists.polygons.reserve(in.polygons.size());
  lists.lights.reserve(in.lights.size());
  // The baker takes mutable pointers but only reads through them.
  for (const auto& p : in.polygons) lists.polygons.push_back(const_cast<TSector*>(p.get()));
  for (const auto& l : in.lights) lists.lights.push_back(const_cast<TSector*>(l.get()));
  return lists;
}

// What the baker's shadow search takes as the bound of every texel point:
// the largest |o| + |e1| + |e2| per coordinate over the lit triangles' frames.
double FrameExtent(const LightingInputs& in, const std::vector<int32_t>& first) {
  double extent = 0;
  for (size_t i = 0; i < in.polygons.size(); ++i) {
    if (first[i] < 0) continue;
    for (size_t t = 0; t < TriangleTotal(*in.polygons[i]); ++t) {
      const TexelFrame f = LightmapFrame(*in.polygons[i], t);
      if (!f.area) continue;
      const float o[3] = {f.o.x, f.o.y, f.o.z}, a[3] = {f.e1.x, f.e1.y, f.e1.z},
                  b[3] = {f.e2.x, f.e2.y, f.e2.z};
      for (int k = 0; k < 3; ++k)
        extent =
            std::max(extent, std::fabs(double(o[k])) + std::fabs(double(a[k])) + std::fabs(double(b[k])));
    }
  }
  return extent;
}

std::shared_ptr<LightingBasis> NewBasis(const LightingInputs& in, LightmapSize size) {
  auto basis = std::make_shared<LightingBasis>();
  basis->size = size;
  basis->inputs = in;
  basis->polygon_index.reserve(in.polygons.size());
  for (size_t i = 0; i < in.polygon_sources.size(); ++i)
    basis->polygon_index.emplace(in.polygon_sources[i], i);
  for (size_t i = 0; i < in.light_sources.size(); ++i) basis->light_index.emplace(in.light_sources[i], i);
  size_t total = 0;
  basis->first = FirstLightmaps(in, &total);
  basis->margins.assign(total, 0);
  basis->boxes.resize(total);
  basis->colour_margins.assign(in.polygons.size(), 0);
  return basis;
}

// Puts the computed nodes' outputs under their live records and takes their
// colour margins and lightmap boxes into the basis.
void TakeNodes(BakeResult& result, const LightingInputs& in, LightingBasis& basis, LightingUpdate& update) {
  std::unordered_map<const TSector*, size_t> index;
  index.reserve(in.polygons.size());
  for (size_t i = 0; i < in.polygons.size(); ++i) index.emplace(in.polygons[i].get(), i);
  std::vector<size_t> where(result.nodes.size());
  for (size_t n = 0; n < result.nodes.size(); ++n) where[n] = index.at(result.nodes[n].node);
  tbb::parallel_for(tbb::blocked_range<size_t>(0, result.nodes.size(), 16), [&](const auto& r) {
    for (size_t n = r.begin(); n != r.end(); ++n) {
      const size_t i = where[n];
      basis.colour_margins[i] = result.nodes[n].colour_margin;
      if (basis.first[i] < 0) continue;
      for (size_t t = 0; t < TriangleTotal(*in.polygons[i]); ++t)
        basis.boxes[size_t(basis.first[i]) + t] = FrameBox(*in.polygons[i], t);
    }
  });
  for (size_t n = 0; n < result.nodes.size(); ++n)
    result.nodes[n].node = const_cast<TSector*>(in.polygon_sources[where[n]]);
  update.nodes = std::move(result.nodes);
}

LightingUpdate Whole(const LightingInputs& in, LightmapSize size, const BakeOptions& options) {
  LightingUpdate update;
  update.whole = true;
  const BakeLists lists = ListsOf(in);
  BakeResult result = BakeLightmaps(lists, size, options);
  update.status = result.status;
  update.message = result.message;
  if (result.status != BakeStatus::kDone) return update;
  std::shared_ptr<LightingBasis> basis = NewBasis(in, size);
  basis->margins = result.lightmap_margins;
  TakeNodes(result, in, *basis, update);
  update.from_old.assign(result.lightmaps.size(), -1);
  update.lightmaps = std::move(result.lightmaps);
  update.computed = update.lightmaps.size();
  update.basis = std::move(basis);
  return update;
}

// A light before and after an edit; null where it was added or removed.
struct LightChange {
  const TSector* before = nullptr;
  const TSector* after = nullptr;
};

bool SameLightButPosition(const TSector& a, const TSector& b) {
  return a.Kind == b.Kind && std::memcmp(&a.Brightness, &b.Brightness, sizeof a.Brightness) == 0 &&
         std::memcmp(&a.Range, &b.Range, sizeof a.Range) == 0 && a.Shadow == b.Shadow &&
         std::memcmp(a.Color, b.Color, sizeof a.Color) == 0;
}

// The most a point light without shadow changes one channel anywhere in the
// box when it moves from a to b and nothing else changes: its share
// s / |x - p|^2 changes along the way by at most 2 s / |x - p|^3 per unit, so
// by at most 2 s |b - a| / d^3 with d the box's distance to the path.
double MoveBound(const TSector& a, const TSector& b, const Box& box) {
  Box path;
  path.Add(a.Position);
  path.Add(b.Position);
  if (!path.Valid() || !box.Valid()) return kInfinity;
  double d2 = 0, len2 = 0;
  for (int k = 0; k < 3; ++k) {
    const double gap = std::max({0.0, box.lo[k] - path.hi[k], path.lo[k] - box.hi[k]});
    d2 += gap * gap;
    const double step = path.hi[k] - path.lo[k];
    len2 += step * step;
  }
  const double strength = std::fabs(double(a.Brightness) * double(a.Range)) * LightColourPeak(a);
  if (strength == 0) return 0;
  d2 *= 1 - 1e-5;
  if (!(d2 > 1e-18) || !std::isfinite(strength)) return kInfinity;
  const double bound = 2 * strength * std::sqrt(len2) / (d2 * std::sqrt(d2));
  return std::isfinite(bound) ? bound : kInfinity;
}

// The light lies behind the triangle's plane at every texel centre, by far
// more than the rounding of the per-texel facing test (the sign of
// n . (L - M) in float, M within a few float roundings of the frame), so a
// light with shadow skips every texel.
bool Behind(const TSector& light, const Vector& normal, const TexelFrame& f) {
  const TexelBlock b = WholeLightmap(f.o, f.e1, f.e2, 1, 1);
  const D3 l = ToD3(light.Position), n = ToD3(normal);
  const double l_max = std::max({std::fabs(l[0]), std::fabs(l[1]), std::fabs(l[2])});
  const double n1 = std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]);
  if (!std::isfinite(l_max) || !std::isfinite(n1) || !std::isfinite(b.extent)) return false;
  const double slack = 1e-5 * n1 * (l_max + b.extent) + 1e-20;
  for (int cy : {0, 1})
    for (int cx : {0, 1})
      if (!(Dot(n, Sub(l, b.At(cx, cy))) < -slack)) return false;
  return true;
}

// Every texel is shadowed from light `index` of the search by some caster,
// proven block by block (quartering down to single texels, a bounded number
// of blocks) with the casters the segment to the block's middle passes through.
bool Hidden(const ShadowSearch& search, uint32_t index, const TSector& l, uint32_t owner, const TexelFrame& f,
            LightmapSize size, uint32_t* cover) {
  *cover = 0;
  std::vector<std::pair<double, uint32_t>> hits;
  std::vector<TexelBlock> todo{WholeLightmap(f.o, f.e1, f.e2, size.width, size.height)};
  int budget = 64;  // blocks looked at before giving up
  while (!todo.empty()) {
    const TexelBlock b = todo.back();
    todo.pop_back();
    if (--budget < 0) return false;
    search.CastersOnSegment(index, b.At(0.5 * (b.x0 + b.x1), 0.5 * (b.y0 + b.y1)), owner, 4, hits);
    bool covered = false;
    for (const auto& hit : hits)
      if (ProveBlock(search.Proof(hit.second), l.Position, b, true) == BlockVerdict::kCovers) {
        covered = true;
        if (todo.empty() && b.x0 == 0 && b.y0 == 0 && b.x1 == size.width && b.y1 == size.height)
          *cover = hit.second + 1;
        break;
      }
    if (covered) continue;
    const int w = b.x1 - b.x0, h = b.y1 - b.y0;
    if (w <= 1 && h <= 1) return false;
    const int xm = b.x0 + std::max(1, w / 2), ym = b.y0 + std::max(1, h / 2);
    for (int part = 0; part < 4; ++part) {
      TexelBlock q = b;
      if (part & 1) {
        q.x0 = xm;
      } else {
        q.x1 = xm;
      }
      if (part & 2) {
        q.y0 = ym;
      } else {
        q.y1 = ym;
      }
      if (q.x0 < q.x1 && q.y0 < q.y1) todo.push_back(q);
    }
  }
  return true;
}

// One caster (+ 1; 0: none) hides the whole lightmap from the light: a
// caster of another node, as the shadow test asks.
bool Covers(const ShadowSearch& search, uint32_t caster, const TSector& l, uint32_t owner,
            const TexelFrame& f, LightmapSize size) {
  if (caster == 0 || caster > search.CasterCount() || search.CasterAt(caster - 1).owner == owner)
    return false;
  const TexelBlock whole = WholeLightmap(f.o, f.e1, f.e2, size.width, size.height);
  return ProveBlock(search.Proof(caster - 1), l.Position, whole, true) == BlockVerdict::kCovers;
}

// Per lightmap of the given numbering: 1 where light `index` of the search
// (with the numbers of `light`) is proven skipped at every texel. Only the
// nodes `want` names are looked at; a quad's two triangles mostly share
// their frame and so their answer.
// `cover` holds per lightmap the caster (+ 1) that hid all of it last time,
// tried first (it mostly still does after a small move), and takes the new ones.
std::vector<uint8_t> ProveSkipped(const ShadowSearch& search, uint32_t index, const TSector& light,
                                  const LightingInputs& in, const std::vector<int32_t>& first, size_t total,
                                  const std::vector<uint8_t>& want, LightmapSize size,
                                  std::vector<uint32_t>& cover) {
  std::vector<uint8_t> skipped(total, 0);
  cover.resize(total, 0);
  if (light.Shadow != 1 || light.Kind != 0) return skipped;
  tbb::parallel_for(tbb::blocked_range<size_t>(0, in.polygons.size(), 4), [&](const auto& r) {
    for (size_t i = r.begin(); i != r.end(); ++i) {
      if (first[i] < 0 || !want[i]) continue;
      const TSector& p = *in.polygons[i];
      TexelFrame last;
      Vector last_normal;
      bool last_skipped = false;
      for (size_t t = 0; t < TriangleTotal(p); ++t) {
        const TexelFrame f = LightmapFrame(p, t);
        if (!f.area) continue;
        bool hit;
        if (last.area && SameVector(f.o, last.o) && SameVector(f.e1, last.e1) && SameVector(f.e2, last.e2) &&
            SameVector(p.Triangles[t].Normal, last_normal))
          hit = last_skipped;
        else
          hit = Behind(light, p.Triangles[t].Normal, f) ||
                Covers(search, cover[size_t(first[i]) + t], light, p.Id, f, size) ||
                Hidden(search, index, light, p.Id, f, size, &cover[size_t(first[i]) + t]);
        skipped[size_t(first[i]) + t] = hit;
        last = f, last_normal = p.Triangles[t].Normal, last_skipped = hit;
      }
    }
  });
  return skipped;
}

// The baker's shadow search over the inputs, kept from update to update
// while the polygons stay the same; lights that changed take their new
// numbers in place. Null without a cache.
const ShadowSearch* Search(LightingCache* cache, const LightingInputs& in, const BakeLists& lists,
                           const std::vector<int32_t>& first) {
  if (!cache) return nullptr;
  bool fits = cache->search && cache->polygons == in.polygons && cache->lights.size() == in.lights.size();
  for (size_t i = 0; fits && i < in.lights.size(); ++i)
    if (cache->lights[i] != in.lights[i] && !cache->search->UpdateLight(i, *in.lights[i])) fits = false;
  if (!fits) {
    cache->search = std::make_unique<ShadowSearch>(lists.polygons, lists.lights, FrameExtent(in, first));
    cache->polygons = in.polygons;
  }
  cache->lights = in.lights;
  return cache->search.get();
}

// What an edit changed, as the bounds need it.
struct EditBounds {
  std::vector<LightChange> lights;
  std::vector<Box> casters;         // boxes of shadow casters before and after a change
  const LightTree* tree = nullptr;  // the lights after the edit, grouped
  const std::vector<TSector*>* light_list = nullptr;
  // For a single light that changed: per lightmap (old numbering for the
  // light before, new for after), 1 where it is proven skipped at every
  // texel. A light skipped at every texel, before and after, adds nothing
  // either time: those sums do not change by a single bit.
  const std::vector<uint8_t>* hidden_before = nullptr;
  const std::vector<uint8_t>* hidden_after = nullptr;

  // How far a texel's channel sum in `box` may move; the lightmap had number
  // `was` and has number `now`.
  double Texel(size_t was, size_t now, const Box& box, double budget) const {
    double delta = 0;
    for (const LightChange& c : lights) {
      if (c.before && c.after && c.before->Shadow == 0 && c.before->Kind == 0 &&
          SameLightButPosition(*c.before, *c.after)) {
        delta += MoveBound(*c.before, *c.after, box);
        continue;
      }
      if (c.before && !(hidden_before && (*hidden_before)[was])) delta += ShareBound(*c.before, box);
      if (c.after && !(hidden_after && (*hidden_after)[now])) delta += ShareBound(*c.after, box);
      if (!(delta < budget)) return delta;
    }
    if (casters.empty()) return delta;
    return delta + Hidden(box, budget - delta);
  }

  double Vertex(const Box& box) const {
    double delta = 0;
    for (const LightChange& c : lights) {
      if (c.before) delta += ShareBound(*c.before, box, kVertexFactor);
      if (c.after) delta += ShareBound(*c.after, box, kVertexFactor);
    }
    return delta;
  }

  // The lights a changed caster might hide from some texel of the box: those
  // whose position and the box span a box that meets a caster's box. A group
  // counts with its whole share while that is small against what is left;
  // lights that are not grouped count one by one.
  double Hidden(const Box& box, double budget) const {
    auto meets = [&](const double* lo, const double* hi) {
      Box span = box;
      for (int k = 0; k < 3; ++k) {
        span.lo[k] = std::min(span.lo[k], lo[k]);
        span.hi[k] = std::max(span.hi[k], hi[k]);
      }
      for (const Box& c : casters)
        if (Overlap(span, c)) return true;
      return false;
    };
    double sum = 0;
    for (uint32_t i : tree->Singles()) {
      const TSector& l = *(*light_list)[i];
      if (l.Shadow != 1) continue;
      const double p[3] = {l.Position.x, l.Position.y, l.Position.z};
      if (meets(p, p)) sum += ShareBound(l, box);
    }
    if (tree->Root() < 0) return sum;
    std::vector<int32_t> stack{tree->Root()};
    while (!stack.empty() && sum < budget) {
      const int32_t g = stack.back();
      stack.pop_back();
      const LightTree::Node& n = tree->At(g);
      if (!meets(n.box_lo, n.box_hi)) continue;
      const ShareBounds b = tree->Bounds(g, box.lo, box.hi, false);
      const double most = std::max({b.most[0], b.most[1], b.most[2]});
      if (b.usable && (tree->IsLeaf(g) || most < (budget - sum) / 16)) {
        sum += Padded(most);
        continue;
      }
      if (tree->IsLeaf(g)) return kInfinity;
      stack.push_back(n.child[0]);
      stack.push_back(n.child[1]);
    }
    return sum;
  }
};

}  // namespace

LightingCache::LightingCache() = default;
LightingCache::~LightingCache() = default;

std::shared_ptr<const TSector> CopyLightingInput(const TSector& node) {
  auto c = std::make_shared<TSector>();
  CopyFields(node, *c);
  if (c->NodeType == kPolygon || c->NodeType == kModel) UpdatePolygonData(c.get());
  return c;
}

LightingInputs CaptureLightingInputs(const SceneTree& tree) {
  LightingInputs in;
  tree.Walk([&](TSector* n) {
    if (n->NodeType == kPolygon || n->NodeType == kModel) {
      in.polygons.push_back(CopyLightingInput(*n));
      in.polygon_sources.push_back(n);
    } else if (n->NodeType == kLight) {
      in.lights.push_back(CopyLightingInput(*n));
      in.light_sources.push_back(n);
    }
  });
  return in;
}

LightingUpdate UpdateLighting(const std::shared_ptr<const LightingBasis>& old, const LightingInputs& in,
                              LightmapSize size, const BakeOptions& options, LightingCache* cache) {
  if (!old || old->size.width != size.width || old->size.height != size.height)
    return Whole(in, size, options);

  // Which lights changed: each version that differs counts, before and after.
  EditBounds edit;
  std::vector<uint8_t> light_seen(old->inputs.lights.size(), 0);
  bool whole = false;
  auto changed_light = [&](const TSector* before, const TSector* after) {
    edit.lights.push_back({before, after});
    if ((before && before->Kind == 1) || (after && after->Kind == 1)) whole = true;  // no falloff
  };
  for (size_t i = 0; i < in.lights.size(); ++i) {
    auto it = old->light_index.find(in.light_sources[i]);
    if (it == old->light_index.end()) {
      changed_light(nullptr, in.lights[i].get());
      continue;
    }
    light_seen[it->second] = 1;
    const TSector& before = *old->inputs.lights[it->second];
    // A light that moved in the list changes the order of the sums: it counts as changed.
    if (in.lights[i].get() == &before && it->second == i) continue;
    if (it->second == i && SameLight(before, *in.lights[i])) continue;
    changed_light(&before, in.lights[i].get());
  }
  for (size_t j = 0; j < light_seen.size(); ++j)
    if (!light_seen[j]) changed_light(old->inputs.lights[j].get(), nullptr);

  // Which polygons changed: they are computed anew, and they shade others.
  std::vector<int32_t> old_of(in.polygons.size(), -1);
  std::vector<uint8_t> polygon_seen(old->inputs.polygons.size(), 0), redo(in.polygons.size(), 0);
  for (size_t i = 0; i < in.polygons.size(); ++i) {
    auto it = old->polygon_index.find(in.polygon_sources[i]);
    const TSector& now = *in.polygons[i];
    if (it == old->polygon_index.end()) {
      redo[i] = 1;
      if (CastsShadow(now)) edit.casters.push_back(CasterBox(now));
      continue;
    }
    polygon_seen[it->second] = 1;
    old_of[i] = static_cast<int32_t>(it->second);
    const TSector& before = *old->inputs.polygons[it->second];
    if (in.polygons[i].get() == &before || SamePolygon(before, now)) continue;
    redo[i] = 1;
    if (CastsShadow(before)) edit.casters.push_back(CasterBox(before));
    if (CastsShadow(now)) edit.casters.push_back(CasterBox(now));
  }
  for (size_t j = 0; j < polygon_seen.size(); ++j)
    if (!polygon_seen[j]) {
      if (CastsShadow(*old->inputs.polygons[j])) edit.casters.push_back(CasterBox(*old->inputs.polygons[j]));
    }
  for (Box& c : edit.casters) c.Grow();
  const bool redo_any = std::find(redo.begin(), redo.end(), 1) != redo.end();
  if (whole) return Whole(in, size, options);

  std::shared_ptr<LightingBasis> basis = NewBasis(in, size);
  LightingUpdate update;
  update.from_old.assign(basis->margins.size(), -1);
  const bool moved = !edit.lights.empty() || !edit.casters.empty();

  const BakeLists lists = ListsOf(in);
  const LightTree tree(lists.lights, lists.lights.size() <= kMaxGroupedLights);
  edit.tree = &tree;
  edit.light_list = &lists.lights;
  // A light with shadow that changed alone may be proven skipped where it was
  // and where it is, over the casters as they are (the edit left them).
  const ShadowSearch* search = nullptr;
  std::vector<uint8_t> hidden_before, hidden_after;
  const LightChange* single = edit.lights.size() == 1 && edit.casters.empty() && !redo_any &&
                                      edit.lights[0].before && edit.lights[0].after
                                  ? &edit.lights[0]
                                  : nullptr;
  if (single && cache && (single->before->Shadow == 1 || single->after->Shadow == 1)) {
    search = Search(cache, in, lists, basis->first);
    const uint32_t at = static_cast<uint32_t>(
        std::find(lists.lights.begin(), lists.lights.end(), single->after) - lists.lights.begin());
    std::vector<uint8_t> kept(in.polygons.size()), kept_before(old->inputs.polygons.size(), 0);
    for (size_t i = 0; i < in.polygons.size(); ++i) {
      kept[i] = !redo[i];
      if (!redo[i]) kept_before[size_t(old_of[i])] = 1;
    }
    std::vector<uint32_t> cover_before = old->cover;
    if (old->hidden_copy == single->before) {
      hidden_before = old->hidden;
    } else if (cache->search->UpdateLight(at, *single->before)) {
      hidden_before = ProveSkipped(*search, at, *single->before, old->inputs, old->first, old->margins.size(),
                                   kept_before, size, cover_before);
      cache->search->UpdateLight(at, *single->after);
    }
    if (hidden_before.size() == old->margins.size()) {
      // The casters that hid a kept lightmap before, under its new number.
      basis->cover.assign(basis->margins.size(), 0);
      for (size_t i = 0; i < in.polygons.size(); ++i) {
        if (redo[i] || basis->first[i] < 0) continue;
        const size_t from = size_t(old->first[size_t(old_of[i])]), to = size_t(basis->first[i]);
        for (size_t t = 0; t < TriangleTotal(*in.polygons[i]); ++t)
          if (from + t < cover_before.size()) basis->cover[to + t] = cover_before[from + t];
      }
      hidden_after = ProveSkipped(*search, at, *single->after, in, basis->first, basis->margins.size(), kept,
                                  size, basis->cover);
      edit.hidden_before = &hidden_before;
      edit.hidden_after = &hidden_after;
    }
  }
  // Every node kept: do its lightmaps and colours stay within their margins?
  tbb::parallel_for(tbb::blocked_range<size_t>(0, in.polygons.size(), 8), [&](const auto& r) {
    for (size_t i = r.begin(); i != r.end(); ++i) {
      if (redo[i]) continue;
      const TSector& p = *in.polygons[i];
      const size_t j = size_t(old_of[i]);
      if (VertexLit(p)) {
        double cm = old->colour_margins[j];
        if (!edit.lights.empty()) {
          const double delta = Padded(edit.Vertex(VertexBox(p)));
          cm = delta < cm ? cm - delta : -1;
        } else if (std::isnan(cm)) {
          cm = -1;
        }
        if (cm < 0) {
          redo[i] = 1;
          continue;
        }
        basis->colour_margins[i] = cm;
      }
      if (basis->first[i] < 0) continue;
      const size_t from = size_t(old->first[j]), to = size_t(basis->first[i]);
      for (size_t t = 0; t < TriangleTotal(p) && !redo[i]; ++t) {
        const double margin = old->margins[from + t];
        const double delta =
            moved ? Padded(edit.Texel(from + t, to + t, ToBox(old->boxes[from + t]), margin)) : 0;
        if (moved ? !(delta < margin) : std::isnan(margin)) {
          redo[i] = 1;
          break;
        }
        basis->margins[to + t] = margin - delta;
        basis->boxes[to + t] = old->boxes[from + t];
        update.from_old[to + t] = static_cast<int32_t>(from + t);
      }
    }
  });
  if (options.cancel && options.cancel->load()) {
    update.status = BakeStatus::kCancelled;
    return update;
  }

  std::vector<const TSector*> chosen;
  size_t lightmaps = 0;
  for (size_t i = 0; i < in.polygons.size(); ++i) {
    if (!redo[i] || !VertexLit(*in.polygons[i])) continue;
    chosen.push_back(in.polygons[i].get());
    if (basis->first[i] >= 0) lightmaps += TriangleTotal(*in.polygons[i]);
  }
  // Past a point the bake of everything is no slower and gives fresh margins throughout.
  if (lightmaps * 4 > basis->margins.size() * 3 && lightmaps > 64) return Whole(in, size, options);

  BakeOptions with_search = options;
  with_search.search =
      search ? search
             : (edit.casters.empty() && !redo_any ? Search(cache, in, lists, basis->first) : nullptr);
  BakeResult result = BakeLightmapsOf(lists, size, chosen, with_search);
  update.status = result.status;
  update.message = result.message;
  if (result.status != BakeStatus::kDone) return update;
  for (size_t i = 0; i < in.polygons.size(); ++i) {
    if (!redo[i] || basis->first[i] < 0) continue;
    for (size_t t = 0; t < TriangleTotal(*in.polygons[i]); ++t) {
      const size_t k = size_t(basis->first[i]) + t;
      update.from_old[k] = -1;
      basis->margins[k] = result.lightmap_margins[k];
    }
  }
  if (edit.hidden_after) {
    // Proofs for the light as it is now, kept for the next move of it; the
    // lightmaps computed anew were not looked at.
    for (size_t k = 0; k < hidden_after.size(); ++k)
      if (update.from_old[k] < 0) hidden_after[k] = 0;
    basis->hidden_copy = single->after;
    basis->hidden = std::move(hidden_after);
  }
  update.lightmaps = std::move(result.lightmaps);
  update.computed = lightmaps;
  TakeNodes(result, in, *basis, update);
  update.basis = std::move(basis);
  return update;
}

size_t ApplyLightingUpdate(LitScene& scene, LightingUpdate&& update, LightmapUploader* uploader) {
  std::vector<Lightmap>& list = scene.LightmapList;
  const LightingBasis& basis = *update.basis;
  // The bake read fresh planes; the scene gets them too, as with a whole bake.
  std::vector<TSector*> replanned;
  for (size_t i = 0; i < basis.inputs.polygons.size(); ++i) {
    TSector* live = const_cast<TSector*>(basis.inputs.polygon_sources[i]);
    if (SamePolygon(*live, *basis.inputs.polygons[i])) continue;
    UpdatePolygonData(live);
    replanned.push_back(live);
  }
  if (!replanned.empty()) scene.PlanesChanged(replanned);
  const size_t total = update.from_old.size();
  std::unordered_set<TSector*> touched;

  // The new list. Numbers that stay and lightmaps that come out the same
  // keep everything, bytes and textures; numbers that move take the list
  // apart, which the views then take as a new list.
  bool in_place = list.size() == total;
  for (size_t k = 0; k < total && in_place; ++k)
    if (update.from_old[k] >= 0 && size_t(update.from_old[k]) != k) in_place = false;
  std::vector<uint8_t> fresh(total, 0);  // 1: new bytes
  std::vector<uint32_t> changed_bytes;
  bool resized = false;
  if (in_place) {
    for (size_t k = 0; k < total; ++k) {
      if (update.from_old[k] >= 0) continue;
      Lightmap& was = list[k];
      Lightmap& now = update.lightmaps[k];
      if (was.width == now.width && was.height == now.height && was.rgb == now.rgb) continue;
      fresh[k] = 1;
      changed_bytes.push_back(static_cast<uint32_t>(k));
      // Into the same buffer where it fits, so that views holding on to it see the bytes.
      if (was.rgb.size() == now.rgb.size() && was.width == now.width && was.height == now.height) {
        std::copy(now.rgb.begin(), now.rgb.end(), was.rgb.begin());
      } else {
        was = std::move(now);
        resized = true;  // another size: views take the list as new
      }
    }
  } else {
    std::vector<Lightmap> next(total);
    for (size_t k = 0; k < total; ++k) {
      if (update.from_old[k] >= 0) {
        next[k] = std::move(list[size_t(update.from_old[k])]);
      } else {
        next[k] = std::move(update.lightmaps[k]);
        fresh[k] = 1;
      }
    }
    list = std::move(next);
    // Nodes kept whole move to new numbers with their textures.
    for (size_t i = 0; i < basis.inputs.polygons.size(); ++i) {
      if (basis.first[i] < 0) continue;
      TSector* node = const_cast<TSector*>(basis.inputs.polygon_sources[i]);
      for (size_t t = 0; t < TriangleTotal(*basis.inputs.polygons[i]) && t < node->Triangles.size(); ++t) {
        const int32_t k = basis.first[i] + static_cast<int32_t>(t);
        if (update.from_old[size_t(k)] < 0 || node->Triangles[t].LightmapIndex == k) continue;
        node->Triangles[t].LightmapIndex = k;
        touched.insert(node);
      }
    }
  }

  for (BakeResult::NodeOutput& out : update.nodes) {
    TSector* node = out.node;
    for (size_t v = 0; v < node->Vertices.size(); ++v) {
      TVertex& vertex = node->Vertices[v];
      if (out.lightmapped &&
          std::memcmp(vertex.LightmapCoord, &out.lightmap_coords[2 * v], 2 * sizeof(float))) {
        std::copy_n(&out.lightmap_coords[2 * v], 2, vertex.LightmapCoord);
        touched.insert(node);
      }
      if (out.vertex_lit && std::memcmp(vertex.Color, &out.colors[3 * v], 3 * sizeof(float))) {
        std::copy_n(&out.colors[3 * v], 3, vertex.Color);
        touched.insert(node);
      }
    }
    for (size_t t = 0; t < out.lightmap_index.size() && t < node->Triangles.size(); ++t) {
      const int32_t k = out.lightmap_index[t];
      if (k == BakeResult::kNoNewLightmap) continue;
      TTriangle& tri = node->Triangles[t];
      const bool moved = tri.LightmapIndex != k;
      tri.LightmapIndex = k;
      if (moved) touched.insert(node);
      // The triangle's texture shows its lightmap: made anew where the bytes
      // or the number changed, in place where the uploader can.
      if (!uploader) {
        if (tri.LightmapTexture != 0) touched.insert(node);
        tri.LightmapTexture = 0;
        continue;
      }
      if (!moved && !fresh[size_t(k)] && tri.LightmapTexture != 0) continue;
      if (tri.LightmapTexture != 0 && uploader->Replace(tri.LightmapTexture, list[size_t(k)])) continue;
      if (tri.LightmapTexture != 0) uploader->Release(tri.LightmapTexture);
      tri.LightmapTexture = uploader->Upload(list[size_t(k)]);
      touched.insert(node);
    }
  }
  std::vector<TSector*> nodes(touched.begin(), touched.end());
  if (!in_place || resized) {
    scene.LightingChanged(nodes);
  } else if (!nodes.empty() || !changed_bytes.empty()) {
    scene.LightmapBytesChanged(changed_bytes, nodes);
  }
  return touched.size() + changed_bytes.size();
}

}  // namespace qx

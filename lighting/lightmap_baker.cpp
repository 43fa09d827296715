#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <unordered_set>

#include "lighting/light_falloff.h"
#include "lighting/light_tree.h"
#include "lighting/lightmap.h"
#include "lighting/shadow_search.h"
#include "lighting/texel_lighting.h"
#include "scene/polygon_data.h"

namespace qx {

namespace {

size_t TriangleTotal(const TSector* node) {
  return std::min<size_t>(node->TriangleCount, node->Triangles.size());
}

bool HasCorners(const TSector* node, const TTriangle& t) {
  const size_t n = node->Vertices.size();
  return t.V0 >= 0 && t.V1 >= 0 && t.V2 >= 0 && size_t(t.V0) < n && size_t(t.V1) < n && size_t(t.V2) < n;
}

bool Finite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The axis the triangle is projected along: the strictly largest normal
// component; a tie goes to the first tied axis in x, y, z order; -1 for a
// normal that is not a number.
int ProjectionAxis(const Vector& n) {
  const float c[3] = {std::fabs(n.x), std::fabs(n.y), std::fabs(n.z)};
  for (int k = 0; k < 3; ++k)
    if (c[k] > c[(k + 1) % 3] && c[k] > c[(k + 2) % 3]) return k;
  if (!std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[2])) return -1;
  const float m = std::max({c[0], c[1], c[2]});
  return c[0] == m ? 0 : c[1] == m ? 1 : 2;
}

// Maps a triangle onto its lightmap: writes the corners' lightmap coordinates
// (u, v pairs in `coords`, indexed by vertex) and returns the texel frame.
TexelFrame MapTriangle(const TSector* node, const TTriangle& t, std::vector<float>& coords) {
  TexelFrame f;
  const Vector& n = t.Normal;
  const int axis = ProjectionAxis(n);
  const int32_t index[3] = {t.V0, t.V1, t.V2};
  const bool repeated = t.V0 == t.V1 || t.V1 == t.V2 || t.V0 == t.V2;
  // Projected coordinates: drop the axis coordinate.
  const int iu = axis == 0 ? 1 : 0, iv = axis == 2 ? 1 : 2;
  float u[3] = {0, 0, 0}, v[3] = {0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    const Vector& p = node->Vertices[index[k]].Position;
    const float c[3] = {p.x, p.y, p.z};
    u[k] = c[iu];
    v[k] = c[iv];
  }
  const float u_min = std::min({u[0], u[1], u[2]}), u_max = std::max({u[0], u[1], u[2]});
  const float v_min = std::min({v[0], v[1], v[2]}), v_max = std::max({v[0], v[1], v[2]});
  const double du = double(u_max) - u_min, dv = double(v_max) - v_min;
  f.area = axis >= 0 && !repeated && du > 0 && dv > 0 && std::isfinite(du) && std::isfinite(dv);
  if (f.area) {
    const double d = t.Distance;
    auto lift = [&](float pu, float pv) {
      switch (axis) {
        case 0:
          return VectorSet((d - double(n.y) * pu - double(n.z) * pv) / n.x, pu, pv);
        case 1:
          return VectorSet(pu, (d - double(n.x) * pu - double(n.z) * pv) / n.y, pv);
        default:
          return VectorSet(pu, pv, (d - double(n.x) * pu - double(n.y) * pv) / n.z);
      }
    };
    f.o = lift(u_min, v_min);
    f.e1 = VectorSubtract(lift(u_max, v_min), f.o);
    f.e2 = VectorSubtract(lift(u_min, v_max), f.o);
    f.area = Finite(f.o) && Finite(f.e1) && Finite(f.e2);
  }
  for (int k = 0; k < 3; ++k) {
    float* uv = &coords[2 * size_t(index[k])];
    uv[0] = f.area ? static_cast<float>((double(u[k]) - u_min) / du) : 0.0f;
    uv[1] = f.area ? static_cast<float>((double(v[k]) - v_min) / dv) : 0.0f;
  }
  return f;
}

struct LitTriangle {
  const TSector* node;
  const TTriangle* triangle;
  TexelFrame frame;
  int32_t lightmap;
  int32_t twin = -1;  // an earlier lightmap with the same bytes, or -1
};

bool SameBits(const Vector& a, const Vector& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// A lightmap's bytes depend on nothing but its node, its triangle's normal
// and its texel frame; the two triangles of a flat quad mostly share all
// three. The normal only enters through the signs of dot products, so a zero
// of the other sign (the second triangle of a floor tile has -0 in x) does
// not count; the frame has to match to the bit.
bool SameLightmap(const LitTriangle& a, const LitTriangle& b) {
  return a.node == b.node && a.frame.area && b.frame.area && a.triangle->Normal == b.triangle->Normal &&
         SameBits(a.frame.o, b.frame.o) && SameBits(a.frame.e1, b.frame.e1) &&
         SameBits(a.frame.e2, b.frame.e2);
}

class Baker {
 public:
  Baker(const BakeLists& lists, LightmapSize size, const BakeOptions& options,
        const std::unordered_set<const TSector*>* only = nullptr)
      : lists_(lists),
        size_(size),
        options_(options),
        only_(only),
        tree_(lists.lights, lists.lights.size() <= kMaxGroupedLights) {}

  BakeResult Run() {
    BakeResult result;
    Plan(result);
    result.message = CheckLightmapSize(size_, lit_.size());
    if (!result.message.empty()) {
      result.status = BakeStatus::kRefused;
      result.nodes.clear();
      return result;
    }
    const size_t bytes = size_t(size_.width) * size_.height * 3;
    result.lightmaps.assign(lit_.size(), Lightmap{size_.width, size_.height, {}});
    double extent = 0;
    for (const LitTriangle& lt : lit_) {
      if (!lt.frame.area) continue;
      for (int k = 0; k < 3; ++k) {
        const float o[3] = {lt.frame.o.x, lt.frame.o.y, lt.frame.o.z};
        const float a[3] = {lt.frame.e1.x, lt.frame.e1.y, lt.frame.e1.z};
        const float b[3] = {lt.frame.e2.x, lt.frame.e2.y, lt.frame.e2.z};
        extent =
            std::max(extent, std::fabs(double(o[k])) + std::fabs(double(a[k])) + std::fabs(double(b[k])));
      }
    }
    std::optional<ShadowSearch> built;
    if (!options_.search) built.emplace(lists_.polygons, lists_.lights, extent);
    const ShadowSearch& search = options_.search ? *options_.search : *built;

    std::vector<size_t> own;  // the lightmaps that are computed; the others are copies
    for (size_t i = 0; i < lit_.size(); ++i)
      if (lit_[i].twin < 0 && Chosen(lit_[i].node)) own.push_back(i);
    result.lightmap_margins.assign(lit_.size(), std::numeric_limits<double>::quiet_NaN());
    const std::vector<std::vector<int32_t>> starts = StartCuts(own);
    std::atomic<size_t> done{0};
    tbb::enumerable_thread_specific<TexelLighter> lighters(lists_.lights, tree_, search, size_.width,
                                                           size_.height);
    tbb::parallel_for(tbb::blocked_range<size_t>(0, own.size(), 1), [&](const tbb::blocked_range<size_t>& r) {
      TexelLighter& lighter = lighters.local();
      for (size_t k = r.begin(); k != r.end(); ++k) {
        if (Cancelled()) return;
        const size_t i = own[k];
        Lightmap& lm = result.lightmaps[i];
        lm.rgb.assign(bytes, uint8_t(kLumelStart));
        const LitTriangle& lt = lit_[i];
        result.lightmap_margins[i] =
            lt.frame.area ? lighter.Light(lt.node, lt.triangle->Normal, lt.frame, lm.rgb.data(),
                                          starts[i / kChunk].empty() ? nullptr : &starts[i / kChunk])
                          : std::numeric_limits<double>::infinity();
        Report(++done * 100 / own.size());
      }
    });
    for (const LitTriangle& lt : lit_)
      if (lt.twin >= 0 && Chosen(lt.node)) {
        result.lightmaps[lt.lightmap].rgb = result.lightmaps[lt.twin].rgb;
        result.lightmap_margins[lt.lightmap] = result.lightmap_margins[lt.twin];
      }
    if (only_)
      result.nodes.erase(std::remove_if(result.nodes.begin(), result.nodes.end(),
                                        [&](const BakeResult::NodeOutput& o) { return !Chosen(o.node); }),
                         result.nodes.end());
    tbb::parallel_for(tbb::blocked_range<size_t>(0, result.nodes.size(), 1),
                      [&](const tbb::blocked_range<size_t>& r) {
                        for (size_t i = r.begin(); i != r.end(); ++i)
                          if (!Cancelled() && Chosen(result.nodes[i].node)) VertexColours(result.nodes[i]);
                      });
    if (Cancelled()) return BakeResult{BakeStatus::kCancelled, {}, {}, {}, 0, {}, {}};
    Report(100);
    for (const TexelLighter& lighter : lighters) result.stats.Add(lighter.Stats());
    result.shadow_queries = result.stats.shadow_queries;
    return result;
  }

 private:
  // In processing order: which nodes are lit, every lit triangle's lightmap
  // number, frame and lightmap coordinates. Shared vertices take the
  // coordinates of the last triangle that maps them, so this runs in order.
  void Plan(BakeResult& result) {
    for (TSector* node : lists_.polygons) {
      if (node->Visible == 0 || (node->LightingMode != 0 && node->LightingMode != 1)) continue;
      BakeResult::NodeOutput out;
      out.node = node;
      out.lightmapped = node->LightingMode == 0;
      out.vertex_lit = true;
      out.lightmap_coords.resize(2 * node->Vertices.size());
      out.colors.resize(3 * node->Vertices.size());
      for (size_t v = 0; v < node->Vertices.size(); ++v) {
        const TVertex& vertex = node->Vertices[v];
        std::copy_n(vertex.LightmapCoord, 2, &out.lightmap_coords[2 * v]);
        std::copy_n(vertex.Color, 3, &out.colors[3 * v]);
      }
      out.lightmap_index.assign(node->Triangles.size(), BakeResult::kNoNewLightmap);
      if (out.lightmapped) {
        for (size_t t = 0; t < TriangleTotal(node); ++t) {
          const TTriangle& tri = node->Triangles[t];
          LitTriangle lt{node, &tri, {}, static_cast<int32_t>(lit_.size())};
          if (HasCorners(node, tri)) lt.frame = MapTriangle(node, tri, out.lightmap_coords);
          if (!lit_.empty() && SameLightmap(lit_.back(), lt))
            lt.twin = lit_.back().twin >= 0 ? lit_.back().twin : lit_.back().lightmap;
          out.lightmap_index[t] = lt.lightmap;
          lit_.push_back(lt);
        }
      }
      result.nodes.push_back(std::move(out));
    }
  }

  // Neighbouring triangles (in processing order) mostly open the same groups
  // of lights: each chunk of them starts from one cut for the box around
  // them all. Chunks count every lit triangle, computed or not, so that a
  // lightmap starts from the same cut in a bake of some nodes as in a whole
  // bake (its margin depends on the cut; its bytes do not).
  static constexpr size_t kChunk = 32;
  static constexpr size_t kStartEntries = 64;
  std::vector<std::vector<int32_t>> StartCuts(const std::vector<size_t>& own) const {
    std::vector<std::vector<int32_t>> starts((lit_.size() + kChunk - 1) / kChunk);
    std::vector<uint8_t> needed(starts.size(), 0);
    for (size_t i : own) needed[i / kChunk] = 1;
    tbb::parallel_for(tbb::blocked_range<size_t>(0, starts.size()), [&](const tbb::blocked_range<size_t>& r) {
      for (size_t c = r.begin(); c != r.end(); ++c) {
        if (!needed[c]) continue;
        double lo[3], hi[3];
        for (int k = 0; k < 3; ++k) lo[k] = std::numeric_limits<double>::infinity(), hi[k] = -lo[k];
        for (size_t i = c * kChunk; i < std::min(lit_.size(), (c + 1) * kChunk); ++i) {
          const TexelFrame& f = lit_[i].frame;
          if (!f.area) continue;
          const double o[3] = {f.o.x, f.o.y, f.o.z}, a[3] = {f.e1.x, f.e1.y, f.e1.z},
                       b[3] = {f.e2.x, f.e2.y, f.e2.z};
          for (int k = 0; k < 3; ++k)
            for (double p : {o[k], o[k] + a[k], o[k] + b[k], o[k] + a[k] + b[k]})
              lo[k] = std::min(lo[k], p), hi[k] = std::max(hi[k], p);
        }
        if (lo[0] <= hi[0] && std::isfinite(lo[0] + lo[1] + lo[2] + hi[0] + hi[1] + hi[2]))
          tree_.StartCut(lo, hi, kStartEntries, starts[c]);
      }
    });
    return starts;
  }

  // Every corner of every triangle in order; a shared vertex keeps the colour
  // its last triangle gives it, so only that one is computed.
  void VertexColours(BakeResult::NodeOutput& out) const {
    const TSector* node = out.node;
    std::vector<int32_t> cut;
    out.colour_margin = std::numeric_limits<double>::infinity();
    std::vector<size_t> last(node->Vertices.size(), SIZE_MAX);
    for (size_t t = 0; t < TriangleTotal(node); ++t) {
      const TTriangle& tri = node->Triangles[t];
      if (HasCorners(node, tri))
        for (int32_t index : {tri.V0, tri.V1, tri.V2}) last[size_t(index)] = t;
    }
    for (size_t t = 0; t < TriangleTotal(node); ++t) {
      const TTriangle& tri = node->Triangles[t];
      if (!HasCorners(node, tri)) continue;
      for (int32_t index : {tri.V0, tri.V1, tri.V2}) {
        if (last[size_t(index)] != t) continue;
        const Vector& p = node->Vertices[index].Position;
        const double ceiling = CeilingMargin(p, cut);
        if (ceiling >= 0) {
          for (int k = 0; k < 3; ++k) out.colors[3 * size_t(index) + k] = 1.0f;
          out.colour_margin = std::min(out.colour_margin, ceiling);
          continue;
        }
        out.colour_margin = 0;
        double acc[3] = {kVertexStart, kVertexStart, kVertexStart};
        for (const TSector* light : lists_.lights) {
          double intensity = 1;
          if (light->Kind != 1) {
            Vector dir = VectorSubtract(light->Position, p);
            const float dist = VectorLength(dir);
            if (dist == 0) continue;
            if (light->Shadow == 1) {  // only a shadowing light leaves the back side dark
              VectorNormalize(dir);
              if (VectorDot(tri.Normal, dir) <= 0) continue;
            }
            intensity = PointLightIntensity(light->Brightness, light->Range, dist);
          }
          for (int k = 0; k < 3; ++k) {
            const double add = intensity * light->Color[k] * kVertexFactor;
            if (!std::isnan(add)) acc[k] += add;
          }
        }
        for (int k = 0; k < 3; ++k)
          out.colors[3 * size_t(index) + k] = static_cast<float>(ClampChannel(acc[k]) / kChannelCeiling);
      }
    }
  }

  // A vertex colour is white when every channel's sum reaches the ceiling,
  // whatever the exact shares. With no light summed one by one, every share
  // s_i of the plain computation is at least 0 (or not a number, which it
  // skips), so its double sum in light order is at least
  // (64 + sum s_i) (1 - 1.2e-10) for up to a million lights, and sum s_i is at
  // least the groups' least up to the relative slack of their bounds (see
  // TexelLighter::Solve). Opens the groups whose least could grow most, a
  // few dozen at most; returns how far the lower bound lies above the
  // ceiling, or -1 when it does not reach it.
  double CeilingMargin(const Vector& p, std::vector<int32_t>& cut) const {
    if (tree_.Root() < 0 || !tree_.Singles().empty()) return -1;
    const double point[3] = {p.x, p.y, p.z};
    cut.assign(1, tree_.Root());
    for (int opened = 0;; ++opened) {
      double least[3] = {0, 0, 0}, best_gain = 0;
      size_t best = SIZE_MAX;
      for (size_t i = 0; i < cut.size(); ++i) {
        const ShareBounds b = tree_.Bounds(cut[i], point, point, true);
        if (!b.usable) {
          if (tree_.IsLeaf(cut[i])) continue;
          best = i, best_gain = std::numeric_limits<double>::infinity();
          continue;
        }
        for (int k = 0; k < 3; ++k) least[k] += b.least[k];
        if (!tree_.IsLeaf(cut[i]) && b.least_spread > best_gain) best = i, best_gain = b.least_spread;
      }
      double margin = std::numeric_limits<double>::infinity();
      for (int k = 0; k < 3; ++k)
        margin = std::min(margin, (kVertexStart + least[k] * (1 - 1e-6)) * (1 - 1e-9) - kChannelCeiling);
      if (margin >= 0) return margin;
      if (best == SIZE_MAX || opened >= 48) return -1;
      const LightTree::Node& n = tree_.At(cut[best]);
      cut[best] = n.child[0];
      cut.push_back(n.child[1]);
    }
  }

  bool Chosen(const TSector* node) const { return !only_ || only_->count(node) != 0; }

  bool Cancelled() const { return options_.cancel && options_.cancel->load(std::memory_order_relaxed); }

  void Report(size_t percent) {
    if (!options_.progress) return;
    std::lock_guard<std::mutex> lock(progress_mutex_);
    if (static_cast<int>(percent) <= reported_) return;
    reported_ = static_cast<int>(percent);
    options_.progress(reported_);
  }

  const BakeLists& lists_;
  LightmapSize size_;
  const BakeOptions& options_;
  const std::unordered_set<const TSector*>* only_;
  const LightTree tree_;
  std::vector<LitTriangle> lit_;
  std::mutex progress_mutex_;
  int reported_ = -1;
};

}  // namespace

namespace {

bool SamePlanes(const std::vector<TTriangle>& a, const std::vector<TTriangle>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!(a[i].Normal == b[i].Normal) || std::memcmp(&a[i].Distance, &b[i].Distance, sizeof(float)) != 0)
      return false;
  return true;
}

// The planes follow the vertices as they are now; `replanned`, when given,
// receives every node whose planes this changed.
BakeLists Collect(const SceneTree& tree, std::vector<TSector*>* replanned) {
  BakeLists lists;
  std::vector<TTriangle> before;
  tree.Walk([&](TSector* n) {
    if (n->NodeType == kPolygon || n->NodeType == kModel) {
      if (replanned) before = n->Triangles;
      UpdatePolygonData(n);
      if (replanned && !SamePlanes(before, n->Triangles)) replanned->push_back(n);
      lists.polygons.push_back(n);
    } else if (n->NodeType == kLight) {
      lists.lights.push_back(n);
    }
  });
  return lists;
}

}  // namespace

BakeLists CollectBakeLists(const SceneTree& tree) {
  return Collect(tree, nullptr);
}

BakeLists CollectBakeLists(LitScene& scene) {
  std::vector<TSector*> replanned;
  BakeLists lists = Collect(scene.Tree, &replanned);
  if (!replanned.empty()) scene.PlanesChanged(replanned);
  return lists;
}

std::string CheckLightmapSize(LightmapSize size, size_t lightmap_count) {
  if (size.width < 1 || size.height < 1 || size.width > kMaxLightmapSide || size.height > kMaxLightmapSide)
    return "Ungültige Lightmap-Größe " + std::to_string(size.width) + " x " + std::to_string(size.height) +
           " (erlaubt: 1 bis " + std::to_string(kMaxLightmapSide) + ")!";
  const double total = double(size.width) * size.height * 3 * double(lightmap_count);
  if (total > double(uint64_t(1) << 32)) return "Die Lightmaps wären zu groß für den Speicher!";
  return {};
}

BakeResult BakeLightmaps(const BakeLists& lists, LightmapSize size, const BakeOptions& options) {
  return Baker(lists, size, options).Run();
}

BakeResult BakeLightmapsOf(const BakeLists& lists, LightmapSize size,
                           const std::vector<const TSector*>& nodes, const BakeOptions& options) {
  const std::unordered_set<const TSector*> only(nodes.begin(), nodes.end());
  return Baker(lists, size, options, &only).Run();
}

TexelFrame LightmapFrame(const TSector& node, size_t triangle) {
  if (triangle >= node.Triangles.size() || !HasCorners(&node, node.Triangles[triangle])) return {};
  std::vector<float> coords(2 * node.Vertices.size());
  return MapTriangle(&node, node.Triangles[triangle], coords);
}

void ApplyBakeResult(LitScene& scene, BakeResult&& result, LightmapUploader* uploader) {
  scene.LightmapList = std::move(result.lightmaps);
  std::vector<TSector*> lit;
  lit.reserve(result.nodes.size());
  for (BakeResult::NodeOutput& out : result.nodes) {
    TSector* node = out.node;
    lit.push_back(node);
    for (size_t v = 0; v < node->Vertices.size(); ++v) {
      TVertex& vertex = node->Vertices[v];
      if (out.lightmapped) std::copy_n(&out.lightmap_coords[2 * v], 2, vertex.LightmapCoord);
      if (out.vertex_lit) std::copy_n(&out.colors[3 * v], 3, vertex.Color);
    }
    for (size_t t = 0; t < out.lightmap_index.size() && t < node->Triangles.size(); ++t) {
      if (out.lightmap_index[t] == BakeResult::kNoNewLightmap) continue;
      TTriangle& tri = node->Triangles[t];
      tri.LightmapIndex = out.lightmap_index[t];
      if (uploader) {
        if (tri.LightmapTexture != 0) uploader->Release(tri.LightmapTexture);
        tri.LightmapTexture = uploader->Upload(scene.LightmapList[size_t(tri.LightmapIndex)]);
      } else {
        tri.LightmapTexture = 0;
      }
    }
  }
  scene.LightingChanged(lit);
}

BakeStatus ComputeLightmaps(LitScene& scene, LightmapSize size, const BakeOptions& options,
                            LightmapUploader* uploader, std::string* message) {
  const BakeLists lists = CollectBakeLists(scene);
  BakeResult result = BakeLightmaps(lists, size, options);
  if (message) *message = result.message;
  if (result.status != BakeStatus::kDone) return result.status;
  ApplyBakeResult(scene, std::move(result), uploader);
  return BakeStatus::kDone;
}

std::string LightmapProgressText(int percent) {
  return "Lightmaps: " + std::to_string(percent) + "%";
}

}  // namespace qx

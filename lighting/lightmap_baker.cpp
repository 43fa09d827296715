#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "lighting/lightmap.h"
#include "lighting/shadow_search.h"
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

Vector Scaled(Vector v, double s) {
  return VectorScale(v, s);
}

// Where a triangle's texels lie: the texel with lightmap coordinates (s, r)
// is at o + e1 * s + e2 * r. `area` is false for a triangle without area (or
// without usable numbers), whose lightmap keeps its start value.
struct TexelFrame {
  Vector o, e1, e2;
  bool area = false;
};

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
};

class Baker {
 public:
  Baker(const BakeLists& lists, LightmapSize size, const BakeOptions& options)
      : lists_(lists), size_(size), options_(options) {}

  BakeResult Run() {
    BakeResult result;
    Plan(result);
    // only_adding_from_[i]: no light from i on has a negative colour channel.
    only_adding_from_.assign(lists_.lights.size() + 1, true);
    for (size_t i = lists_.lights.size(); i-- > 0;) {
      const float* c = lists_.lights[i]->Color;
      only_adding_from_[i] = only_adding_from_[i + 1] && !(c[0] < 0) && !(c[1] < 0) && !(c[2] < 0);
    }
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
    const ShadowSearch search(lists_.polygons, lists_.lights, extent);

    std::atomic<size_t> done{0};
    std::atomic<uint64_t> queries{0};
    tbb::parallel_for(tbb::blocked_range<size_t>(0, lit_.size(), 1),
                      [&](const tbb::blocked_range<size_t>& r) {
                        for (size_t i = r.begin(); i != r.end(); ++i) {
                          if (Cancelled()) return;
                          Lightmap& lm = result.lightmaps[i];
                          lm.rgb.assign(bytes, uint8_t(kLumelStart));
                          if (lit_[i].frame.area) queries += LightTexels(lit_[i], search, lm.rgb);
                          Report(++done * 100 / lit_.size());
                        }
                      });
    tbb::parallel_for(tbb::blocked_range<size_t>(0, result.nodes.size(), 1),
                      [&](const tbb::blocked_range<size_t>& r) {
                        for (size_t i = r.begin(); i != r.end(); ++i)
                          if (!Cancelled()) VertexColours(result.nodes[i]);
                      });
    if (Cancelled()) return BakeResult{BakeStatus::kCancelled, {}, {}, {}, 0};
    Report(100);
    result.shadow_queries = queries;
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
          out.lightmap_index[t] = lt.lightmap;
          lit_.push_back(lt);
        }
      }
      result.nodes.push_back(std::move(out));
    }
  }

  // Lights every texel of one triangle; returns the number of shadow searches.
  uint64_t LightTexels(const LitTriangle& lt, const ShadowSearch& search, std::vector<uint8_t>& rgb) const {
    const int w = size_.width, h = size_.height;
    const TexelFrame& f = lt.frame;
    const Vector n = lt.triangle->Normal;
    const std::vector<TSector*>& lights = lists_.lights;

    // Texel corners are shared by up to four texels; each is the same sum wherever it is used.
    std::vector<Vector> grid(size_t(w + 1) * (h + 1));
    for (int cy = 0; cy <= h; ++cy)
      for (int cx = 0; cx <= w; ++cx)
        grid[size_t(cy) * (w + 1) + cx] =
            VectorAdd(VectorAdd(f.o, Scaled(f.e2, double(cy) / h)), Scaled(f.e1, double(cx) / w));

    std::vector<std::vector<ShadowCandidate>> candidates(lights.size());
    std::vector<bool> searched(lights.size(), false);
    std::vector<size_t> hint(lights.size(), 0);
    uint64_t queries = 0;
    size_t pos = 0;
    for (int y = 0; y < h; ++y) {
      if (Cancelled()) return queries;
      for (int x = 0; x < w; ++x, pos += 3) {
        const Vector m = VectorAdd(VectorAdd(f.o, Scaled(f.e2, (y + 0.5) / h)), Scaled(f.e1, (x + 0.5) / w));
        const Vector* row0 = &grid[size_t(y) * (w + 1) + x];
        const Vector* row1 = row0 + (w + 1);
        const Vector corners[4] = {row0[0], row0[1], row1[0], row1[1]};
        double acc[3] = {kLumelStart, kLumelStart, kLumelStart};
        for (size_t li = 0; li < lights.size(); ++li) {
          // Once every channel is at the ceiling and no later light can take
          // light away, the texel is white whatever those lights do.
          if (acc[0] >= kChannelCeiling && acc[1] >= kChannelCeiling && acc[2] >= kChannelCeiling &&
              only_adding_from_[li])
            break;
          const TSector* light = lights[li];
          Vector dir = VectorSubtract(light->Position, m);
          const float dist = VectorLength(dir);
          if (dist == 0) continue;
          VectorNormalize(dir);
          const bool behind = VectorDot(n, dir) <= 0;
          double intensity = 1;
          if (light->Kind == 1) {
            if (behind) continue;
          } else {
            if (behind && light->Shadow == 1) continue;
            intensity = std::fabs(double(light->Brightness) / (double(dist) * dist / double(light->Range)));
          }
          if (light->Shadow == 1) {
            if (!searched[li]) {
              search.Candidates(li, lt.node->Id, f.o, f.e1, f.e2, candidates[li]);
              searched[li] = true;
            }
            ++queries;
            if (ShadowSearch::Shadowed(candidates[li], light->Position, VectorNegate(dir), corners, hint[li]))
              continue;
          }
          for (int k = 0; k < 3; ++k) {
            const double add = intensity * light->Color[k];
            if (!std::isnan(add)) acc[k] += add;
          }
        }
        for (int k = 0; k < 3; ++k) rgb[pos + k] = ChannelToByte(acc[k]);
      }
    }
    return queries;
  }

  // Every corner of every triangle in order; a shared vertex keeps the colour
  // its last triangle gives it.
  void VertexColours(BakeResult::NodeOutput& out) const {
    const TSector* node = out.node;
    for (size_t t = 0; t < TriangleTotal(node); ++t) {
      const TTriangle& tri = node->Triangles[t];
      if (!HasCorners(node, tri)) continue;
      for (int32_t index : {tri.V0, tri.V1, tri.V2}) {
        const Vector& p = node->Vertices[index].Position;
        double acc[3] = {kVertexStart, kVertexStart, kVertexStart};
        for (const TSector* light : lists_.lights) {
          double intensity = 1;
          if (light->Kind != 1) {
            Vector dir = VectorSubtract(light->Position, p);
            const float dist = VectorLength(dir);
            if (dist == 0) continue;
            VectorNormalize(dir);
            if (VectorDot(tri.Normal, dir) <= 0 && light->Shadow == 1) continue;
            intensity = std::fabs(double(light->Brightness) / (double(dist) * dist / double(light->Range)));
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
  std::vector<LitTriangle> lit_;
  std::vector<bool> only_adding_from_;
  std::mutex progress_mutex_;
  int reported_ = -1;
};

}  // namespace

BakeLists CollectBakeLists(const SceneTree& tree) {
  BakeLists lists;
  tree.Walk([&](TSector* n) {
    if (n->NodeType == kPolygon || n->NodeType == kModel) {
      UpdatePolygonData(n);
      lists.polygons.push_back(n);
    } else if (n->NodeType == kLight) {
      lists.lights.push_back(n);
    }
  });
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
  const BakeLists lists = CollectBakeLists(scene.Tree);
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

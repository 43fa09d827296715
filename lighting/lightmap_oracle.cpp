#include "lighting/lightmap_oracle.h"

#include <algorithm>
#include <cmath>

#include "lighting/shadow_proof.h"
#include "scene/polygon_data.h"

namespace qx {

namespace {

enum class Axis { kNone, kX, kY, kZ };

size_t TriangleTotal(const TSector* node) {
  return std::min<size_t>(node->TriangleCount, node->Triangles.size());
}

bool CornersValid(const TSector* node, const TTriangle& t) {
  const auto ok = [&](int32_t i) { return i >= 0 && static_cast<size_t>(i) < node->Vertices.size(); };
  return ok(t.V0) && ok(t.V1) && ok(t.V2);
}

Axis ChooseAxis(const Vector& n) {
  const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  if (ax > ay && ax > az) return Axis::kX;
  if (ay > ax && ay > az) return Axis::kY;
  if (az > ax && az > ay) return Axis::kZ;
  // A tie between the largest components: the first of them in x, y, z order.
  if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(az)) return Axis::kNone;
  const float m = std::max({ax, ay, az});
  if (ax == m) return Axis::kX;
  if (ay == m) return Axis::kY;
  return Axis::kZ;
}

void Project(Axis axis, const Vector& p, float& u, float& v) {
  switch (axis) {
    case Axis::kX:
      u = p.y, v = p.z;
      break;
    case Axis::kY:
      u = p.x, v = p.z;
      break;
    default:
      u = p.x, v = p.y;
      break;
  }
}

// The point of the plane n.p = d whose projected coordinates are (u, v).
Vector Lift(Axis axis, const Vector& n, float d, float u, float v) {
  switch (axis) {
    case Axis::kX:
      return VectorSet((double(d) - double(n.y) * u - double(n.z) * v) / n.x, u, v);
    case Axis::kY:
      return VectorSet(u, (double(d) - double(n.x) * u - double(n.z) * v) / n.y, v);
    default:
      return VectorSet(u, v, (double(d) - double(n.x) * u - double(n.y) * v) / n.z);
  }
}

bool Finite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

Vector Scaled(Vector v, double s) {
  return VectorScale(v, s);
}

class Oracle {
 public:
  Oracle(LitScene& editor, LightmapSize size, const std::function<void(int)>& progress)
      : editor_(editor), size_(size), progress_(progress) {}

  void Run() {
    editor_.LightmapList.clear();
    editor_.Tree.Walk([&](TSector* n) {
      if (n->NodeType == kPolygon || n->NodeType == kModel) {
        polygons_.push_back(n);
        UpdatePolygonData(n);
      } else if (n->NodeType == kLight) {
        lights_.push_back(n);
      }
    });
    for (size_t i = 0; i < polygons_.size(); ++i) {
      TSector* p = polygons_[i];
      if (p->Visible == 0 || p->LightingMode == 2) continue;
      percent_ = static_cast<int>((i + 1) * 100 / polygons_.size());
      if (p->LightingMode == 0)
        for (size_t t = 0; t < TriangleTotal(p); ++t) LightmapTriangle(p, p->Triangles[t]);
      if (p->LightingMode == 0 || p->LightingMode == 1)
        for (size_t t = 0; t < TriangleTotal(p); ++t) VertexColours(p, p->Triangles[t]);
    }
  }

 private:
  void LightmapTriangle(TSector* p, TTriangle& t) {
    const int w = size_.width, h = size_.height;
    editor_.LightmapList.push_back(
        Lightmap{w, h, std::vector<uint8_t>(size_t(w) * h * 3, uint8_t(kLumelStart))});
    t.LightmapIndex = static_cast<int32_t>(editor_.LightmapList.size() - 1);
    t.LightmapTexture = 0;
    if (!CornersValid(p, t)) return;  // nothing to map onto: the lightmap keeps its start value

    const Vector n = t.Normal;
    const float d = t.Distance;
    TVertex* corner[3] = {&p->Vertices[t.V0], &p->Vertices[t.V1], &p->Vertices[t.V2]};
    const Axis axis = ChooseAxis(n);
    bool degenerate = axis == Axis::kNone || t.V0 == t.V1 || t.V1 == t.V2 || t.V0 == t.V2;

    float u_min = 0, u_max = 0, v_min = 0, v_max = 0;
    if (!degenerate) {
      for (TVertex* c : corner) Project(axis, c->Position, c->LightmapCoord[0], c->LightmapCoord[1]);
      u_min =
          std::min({corner[0]->LightmapCoord[0], corner[1]->LightmapCoord[0], corner[2]->LightmapCoord[0]});
      u_max =
          std::max({corner[0]->LightmapCoord[0], corner[1]->LightmapCoord[0], corner[2]->LightmapCoord[0]});
      v_min =
          std::min({corner[0]->LightmapCoord[1], corner[1]->LightmapCoord[1], corner[2]->LightmapCoord[1]});
      v_max =
          std::max({corner[0]->LightmapCoord[1], corner[1]->LightmapCoord[1], corner[2]->LightmapCoord[1]});
      const double du = double(u_max) - u_min, dv = double(v_max) - v_min;
      degenerate = !(du > 0) || !(dv > 0) || !std::isfinite(du) || !std::isfinite(dv);
    }
    Vector o, e1, e2;
    if (!degenerate) {
      o = Lift(axis, n, d, u_min, v_min);
      e1 = VectorSubtract(Lift(axis, n, d, u_max, v_min), o);
      e2 = VectorSubtract(Lift(axis, n, d, u_min, v_max), o);
      degenerate = !Finite(o) || !Finite(e1) || !Finite(e2);
    }
    if (degenerate) {
      // No area to light: finite coordinates and the start value, never NaN.
      for (TVertex* c : corner) c->LightmapCoord[0] = c->LightmapCoord[1] = 0;
      return;
    }
    for (TVertex* c : corner) {
      c->LightmapCoord[0] =
          static_cast<float>((double(c->LightmapCoord[0]) - u_min) / (double(u_max) - u_min));
      c->LightmapCoord[1] =
          static_cast<float>((double(c->LightmapCoord[1]) - v_min) / (double(v_max) - v_min));
    }

    std::vector<uint8_t>& data = editor_.LightmapList[t.LightmapIndex].rgb;
    size_t pos = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x, pos += 3) {
        ReportProgress();
        const Vector m = VectorAdd(VectorAdd(o, Scaled(e2, (y + 0.5) / h)), Scaled(e1, (x + 0.5) / w));
        auto at = [&](int cx, int cy) {
          return VectorAdd(VectorAdd(o, Scaled(e2, double(cy) / h)), Scaled(e1, double(cx) / w));
        };
        const Vector corners[4] = {at(x, y), at(x + 1, y), at(x, y + 1), at(x + 1, y + 1)};
        double rgb[3] = {double(data[pos]), double(data[pos + 1]), double(data[pos + 2])};
        for (TSector* light : lights_) {
          Vector dir = VectorSubtract(light->Position, m);
          const float dist = VectorLength(dir);
          VectorNormalize(dir);
          if (dist == 0) continue;
          double intensity = 1;
          const bool behind = VectorDot(n, dir) <= 0;
          if (light->Kind != 1) {
            if (behind && light->Shadow == 1) continue;
            intensity = std::fabs(double(light->Brightness) / (double(dist) * dist / double(light->Range)));
          } else if (behind) {
            continue;
          }
          if (light->Shadow == 1 && Shadowed(p, light, VectorNegate(dir), corners)) continue;
          for (int k = 0; k < 3; ++k) {
            const double add = intensity * light->Color[k];
            if (!std::isnan(add)) rgb[k] += add;
          }
        }
        for (int k = 0; k < 3; ++k) data[pos + k] = ChannelToByte(rgb[k]);
      }
    }
  }

  // Is the texel with these corners hidden from the light by a triangle of another node?
  bool Shadowed(const TSector* p, const TSector* light, const Vector& u, const Vector (&corners)[4]) {
    const Vector& l = light->Position;
    for (TSector* candidate : polygons_) {
      if (candidate->Visible == 0 || candidate->Id == p->Id || candidate->NoShadow == 1) continue;
      bool shadowed = false;
      for (size_t i = 0; i < TriangleTotal(candidate); ++i) {
        const TTriangle& t = candidate->Triangles[i];
        if (!CornersValid(candidate, t)) continue;
        const Vector& q = candidate->Vertices[t.V0].Position;
        const float side_light = ClassifyPoint(l, q, t.Normal);
        bool same_side = false;
        for (const Vector& c : corners) {
          const float side_corner = ClassifyPoint(c, q, t.Normal);
          if (side_light != 0 && side_corner == side_light) same_side = true;
        }
        if (same_side) continue;
        if (TexelInCasterPlane(q, t.Normal, corners)) continue;
        const float along = RayPlaneIntersect(l, u, q, t.Normal);
        const Vector hit = VectorAdd(l, Scaled(u, along));
        if (PointInTriangle(hit, q, candidate->Vertices[t.V1].Position, candidate->Vertices[t.V2].Position))
          shadowed = true;
      }
      if (shadowed) return true;
    }
    return false;
  }

  void VertexColours(TSector* p, const TTriangle& t) {
    if (!CornersValid(p, t)) return;
    for (int32_t index : {t.V0, t.V1, t.V2}) {
      TVertex& vertex = p->Vertices[index];
      double rgb[3] = {kVertexStart, kVertexStart, kVertexStart};
      for (TSector* light : lights_) {
        double intensity = 1;
        if (light->Kind != 1) {
          Vector dir = VectorSubtract(light->Position, vertex.Position);
          const float dist = VectorLength(dir);
          VectorNormalize(dir);
          if (dist == 0) continue;
          if (VectorDot(t.Normal, dir) <= 0 && light->Shadow == 1) continue;
          intensity = std::fabs(double(light->Brightness) / (double(dist) * dist / double(light->Range)));
        }
        for (int k = 0; k < 3; ++k) {
          const double add = intensity * light->Color[k] * kVertexFactor;
          if (!std::isnan(add)) rgb[k] += add;
        }
      }
      for (int k = 0; k < 3; ++k)
        vertex.Color[k] = static_cast<float>(ClampChannel(rgb[k]) / kChannelCeiling);
    }
  }

  void ReportProgress() {
    if (percent_ == reported_) return;
    reported_ = percent_;
    if (progress_) progress_(percent_);
  }

  LitScene& editor_;
  LightmapSize size_;
  const std::function<void(int)>& progress_;
  std::vector<TSector*> polygons_, lights_;
  int percent_ = 0, reported_ = -1;
};

}  // namespace

void ComputeLightmapsOracle(LitScene& editor, LightmapSize size, const std::function<void(int)>& progress) {
  Oracle(editor, size, progress).Run();
}

}  // namespace qx

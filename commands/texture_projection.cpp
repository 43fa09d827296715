#include "commands/texture_projection.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qx {

// cos and sin of an angle in degrees; exact for whole quarter turns, so that
// turning by 90 keeps coordinates on whole repeats.
std::array<double, 2> CosSinDegrees(double degrees) {
  double a = std::fmod(degrees, 360.0);
  if (a < 0) a += 360.0;
  if (a == 0.0) return {1.0, 0.0};
  if (a == 90.0) return {0.0, 1.0};
  if (a == 180.0) return {-1.0, 0.0};
  if (a == 270.0) return {0.0, -1.0};
  const double r = a * kPi / 180.0;
  return {std::cos(r), std::sin(r)};
}

namespace {

// Below this share of the normal's length a component counts as zero, so that
// a wall built on the grid but rounded in its last bits keeps a = x + z.
constexpr double kAxisTolerance = 1e-4;

std::array<double, 2> Apply(const TextureProjection& p, const std::array<double, 2>& ab) {
  const auto [c, s] = CosSinDegrees(p.RotationDegrees);
  const double a = ab[0] * c + ab[1] * s;
  const double b = -ab[0] * s + ab[1] * c;
  return {a / double(p.ScaleU) + p.OffsetU, b / double(p.ScaleV) + p.OffsetV};
}

void SetTexCoord(TVertex& v, const std::array<double, 2>& uv) {
  v.TexCoord[0] = static_cast<float>(uv[0]);
  v.TexCoord[1] = static_cast<float>(uv[1]);
}

Vector Add(const Vector& a, const Vector& b) {
  return VectorSet(double(a.x) + b.x, double(a.y) + b.y, double(a.z) + b.z);
}

bool IsQuad(const TSector& n) {
  return n.NodeType == kPolygon && n.Vertices.size() >= 4;
}

}  // namespace

std::array<double, 2> TexturePlaneCoordinates(const Vector& normal, const Vector& p) {
  const double len = VectorLengthD(normal);
  const double nx = len > 0 ? normal.x / len : 0, ny = len > 0 ? normal.y / len : 1,
               nz = len > 0 ? normal.z / len : 0;
  const double ax = std::fabs(nx), ay = std::fabs(ny), az = std::fabs(nz);
  if (ay >= ax && ay >= az) return {double(p.x), -double(p.z)};
  // x and z of the same sign: x + z would stand still along the wall.
  const bool diagonal = ax > kAxisTolerance && az > kAxisTolerance && (nx > 0) == (nz > 0);
  const double k = diagonal ? -1.0 : 1.0;
  if (az >= ax) return {double(p.x) + k * p.z, double(p.y)};
  return {double(p.z) + k * p.x, double(p.y)};
}

Vector QuadNormal(const std::array<Vector, 4>& c) {
  const Vector n1 = VectorCross(VectorSubtract(c[1], c[0]), VectorSubtract(c[2], c[0]));
  const Vector n2 = VectorCross(VectorSubtract(c[2], c[3]), VectorSubtract(c[1], c[3]));
  return Add(n1, n2);
}

std::array<Vector, 4> QuadCorners(const TSector& quad) {
  std::array<Vector, 4> c{};
  for (size_t i = 0; i < 4 && i < quad.Vertices.size(); ++i) c[i] = quad.Vertices[i].Position;
  return c;
}

void ProjectTextureCoordinates(TSector& quad, const TextureProjection& projection) {
  if (IsQuad(quad)) {
    const Vector n = QuadNormal(QuadCorners(quad));
    for (size_t i = 0; i < 4; ++i) {
      TVertex& v = quad.Vertices[i];
      SetTexCoord(v, Apply(projection, TexturePlaneCoordinates(n, v.Position)));
    }
    return;
  }
  if (quad.NodeType != kModel) return;
  // A model's vertices are shared by its triangles: each takes the plane of
  // the triangles around it, weighted by their areas (the cross products).
  std::vector<Vector> normals(quad.Vertices.size());
  const int count = static_cast<int>(quad.Vertices.size());
  for (const TTriangle& t : quad.Triangles) {
    if (t.V0 < 0 || t.V1 < 0 || t.V2 < 0 || t.V0 >= count || t.V1 >= count || t.V2 >= count) continue;
    const Vector& p0 = quad.Vertices[size_t(t.V0)].Position;
    const Vector n = VectorCross(VectorSubtract(quad.Vertices[size_t(t.V1)].Position, p0),
                                 VectorSubtract(quad.Vertices[size_t(t.V2)].Position, p0));
    for (int32_t i : {t.V0, t.V1, t.V2}) normals[size_t(i)] = Add(normals[size_t(i)], n);
  }
  for (size_t i = 0; i < quad.Vertices.size(); ++i) {
    TVertex& v = quad.Vertices[i];
    SetTexCoord(v, Apply(projection, TexturePlaneCoordinates(normals[i], v.Position)));
  }
}

std::optional<TextureProjection> ReadTextureProjection(const std::array<Vector, 4>& corners,
                                                       const std::array<std::array<float, 2>, 4>& tex) {
  const Vector n = QuadNormal(corners);
  std::array<std::array<double, 2>, 4> ab;
  for (size_t i = 0; i < 4; ++i) ab[i] = TexturePlaneCoordinates(n, corners[i]);
  // (u, v) = M (a, b) + t, solved on the triangle 0-1-2.
  const double e00 = ab[1][0] - ab[0][0], e01 = ab[2][0] - ab[0][0];
  const double e10 = ab[1][1] - ab[0][1], e11 = ab[2][1] - ab[0][1];
  const double det = e00 * e11 - e01 * e10;
  const double size = std::max({std::fabs(e00), std::fabs(e01), std::fabs(e10), std::fabs(e11)});
  if (!(size > 0) || !(std::fabs(det) > 1e-6 * size * size)) return std::nullopt;
  double m[2][2];
  for (int r = 0; r < 2; ++r) {
    const double d1 = double(tex[1][r]) - tex[0][r], d2 = double(tex[2][r]) - tex[0][r];
    // M = D E^-1 with E = [e00 e01; e10 e11].
    m[r][0] = (d1 * e11 - d2 * e10) / det;
    m[r][1] = (-d1 * e01 + d2 * e00) / det;
  }
  const double len0 = std::hypot(m[0][0], m[0][1]), len1 = std::hypot(m[1][0], m[1][1]);
  if (!(len0 > 0) || !(len1 > 0) || !std::isfinite(len0) || !std::isfinite(len1)) return std::nullopt;
  // Rows (cos, sin) / ScaleU and (-sin, cos) / ScaleV: perpendicular.
  if (std::fabs(m[0][0] * m[1][0] + m[0][1] * m[1][1]) > 1e-3 * len0 * len1) return std::nullopt;
  const double angle = std::atan2(m[0][1], m[0][0]);
  const double c = std::cos(angle), s = std::sin(angle);
  const double inv_v = -m[1][0] * s + m[1][1] * c;
  TextureProjection p;
  p.ScaleU = static_cast<float>(1.0 / len0);
  p.ScaleV = static_cast<float>(1.0 / inv_v);
  double degrees = angle * 180.0 / kPi;
  if (degrees <= -180.0) degrees += 360.0;
  // Whole degrees come back whole, so that the panel and quarter turns stay exact.
  if (std::fabs(degrees - std::round(degrees)) < 1e-4) degrees = std::round(degrees);
  p.RotationDegrees = static_cast<float>(degrees);
  // The offsets so that corner 0 comes out exactly as it is.
  p.OffsetU = 0;
  p.OffsetV = 0;
  const auto at0 = Apply(p, ab[0]);
  p.OffsetU = static_cast<float>(double(tex[0][0]) - at0[0]);
  p.OffsetV = static_cast<float>(double(tex[0][1]) - at0[1]);
  // Every corner, the fourth included, must be where the projection puts it.
  for (size_t i = 0; i < 4; ++i) {
    const auto uv = Apply(p, ab[i]);
    for (int k = 0; k < 2; ++k) {
      const double tol = 1e-3 + 1e-5 * std::fabs(uv[size_t(k)]);
      if (!(std::fabs(uv[size_t(k)] - tex[i][size_t(k)]) <= tol)) return std::nullopt;
    }
  }
  return p;
}

std::optional<TextureProjection> ReadTextureProjection(const TSector& quad) {
  if (!IsQuad(quad)) return std::nullopt;
  std::array<std::array<float, 2>, 4> tex;
  for (size_t i = 0; i < 4; ++i) tex[i] = {quad.Vertices[i].TexCoord[0], quad.Vertices[i].TexCoord[1]};
  return ReadTextureProjection(QuadCorners(quad), tex);
}

bool ReprojectMovedQuad(TSector& quad, const std::array<Vector, 4>& old_corners) {
  if (!IsQuad(quad)) return false;
  std::array<std::array<float, 2>, 4> tex;
  for (size_t i = 0; i < 4; ++i) tex[i] = {quad.Vertices[i].TexCoord[0], quad.Vertices[i].TexCoord[1]};
  const auto p = ReadTextureProjection(old_corners, tex);
  if (!p) return false;
  ProjectTextureCoordinates(quad, *p);
  return true;
}

}  // namespace qx

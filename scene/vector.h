#pragma once
// Vector and plane helpers. They run in the innermost loops of the lightmap
// baker, so they are inline, allocate nothing and check nothing: every formula
// is evaluated in double precision and rounded to float only where it is stored.

#include <cmath>

namespace qx {

struct Vector {
  float x = 0, y = 0, z = 0;
  friend bool operator==(const Vector&, const Vector&) = default;
};

struct Plane {
  Vector normal;
  float distance = 0;
};

inline constexpr double kPi = 3.14159265358979323846;

inline Vector VectorSet(double x, double y, double z) {
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

inline Vector VectorAdd(const Vector& a, const Vector& b) {
  return VectorSet(double(a.x) + b.x, double(a.y) + b.y, double(a.z) + b.z);
}

inline Vector VectorSubtract(const Vector& a, const Vector& b) {
  return VectorSet(double(a.x) - b.x, double(a.y) - b.y, double(a.z) - b.z);
}

// In place: v is scaled and the new v is returned.
inline Vector VectorScale(Vector& v, double s) {
  v = VectorSet(v.x * s, v.y * s, v.z * s);
  return v;
}

inline double VectorLengthD(const Vector& v) {
  return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

inline float VectorLength(const Vector& v) {
  return static_cast<float>(VectorLengthD(v));
}

// In place. A zero vector becomes NaN in every component, as the division
// by a zero length gives; callers that must not see NaN check for themselves.
inline Vector VectorNormalize(Vector& v) {
  const double len = VectorLengthD(v);
  v = VectorSet(v.x / len, v.y / len, v.z / len);
  return v;
}

inline Vector VectorCross(const Vector& a, const Vector& b) {
  return VectorSet(double(a.y) * b.z - double(a.z) * b.y, double(a.z) * b.x - double(a.x) * b.z,
                   double(a.x) * b.y - double(a.y) * b.x);
}

inline double VectorDotD(const Vector& a, const Vector& b) {
  return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

inline float VectorDot(const Vector& a, const Vector& b) {
  return static_cast<float>(VectorDotD(a, b));
}

inline Vector VectorNegate(const Vector& v) {
  return {-v.x, -v.y, -v.z};
}

inline float DegToRad(double degrees) {
  return static_cast<float>(degrees * kPi / 180.0);
}

// Turns p about c around the 'X', 'Y' or 'Z' axis by the angle whose cosine
// and sine are given; any other axis leaves p as it is.
inline Vector RotateAboutAxis(const Vector& p, const Vector& c, char axis, double cs, double sn) {
  const double dx = double(p.x) - c.x, dy = double(p.y) - c.y, dz = double(p.z) - c.z;
  double rx = dx, ry = dy, rz = dz;
  switch (axis) {
    case 'X':
      ry = dy * cs - dz * sn;
      rz = dy * sn + dz * cs;
      break;
    case 'Y':
      rx = dx * cs + dz * sn;
      rz = dz * cs - dx * sn;
      break;
    case 'Z':
      rx = dx * cs + dy * sn;
      ry = dy * cs - dx * sn;
      break;
    default:
      return p;
  }
  return VectorSet(c.x + rx, c.y + ry, c.z + rz);
}

// One correction each way, never a loop: 730 becomes 370.
inline void WrapAngle(float& angle) {
  if (angle > 360.0f) angle = static_cast<float>(double(angle) - 360.0);
  if (!(angle >= 0.0f)) angle = static_cast<float>(double(angle) + 360.0);
}

// The normal points to the side from which p1, p2, p3 run counter-clockwise.
inline Plane PlaneFromPoints(const Vector& p1, const Vector& p2, const Vector& p3) {
  Vector n = VectorCross(VectorSubtract(p3, p1), VectorSubtract(p3, p2));
  VectorNormalize(n);
  return {n, VectorDot(p1, n)};
}

// Ray o + t*r against the plane through q with normal n. Returns -1 for a ray
// parallel to the plane; -1 is also a real parameter behind the origin.
inline float RayPlaneIntersect(const Vector& o, const Vector& r, const Vector& q, const Vector& n) {
  const double den = VectorDotD(n, r);
  if (den == 0.0) return -1.0f;
  return static_cast<float>(-((VectorDotD(n, o) - VectorDotD(n, q)) / den));
}

// +1 on the side the normal points to, -1 behind, 0 exactly on the plane.
inline float ClassifyPoint(const Vector& p, const Vector& q, const Vector& n) {
  const double s = VectorDotD(VectorSubtract(q, p), n);
  if (s < 0) return 1.0f;
  if (s > 0) return -1.0f;
  return 0.0f;
}

// Angle-sum test: inside, the corners are seen under angles adding up to 2*pi.
inline bool PointInTriangle(const Vector& p, const Vector& a, const Vector& b, const Vector& c) {
  Vector ua = VectorSubtract(a, p), ub = VectorSubtract(b, p), uc = VectorSubtract(c, p);
  VectorNormalize(ua);
  VectorNormalize(ub);
  VectorNormalize(uc);
  auto angle = [](const Vector& u, const Vector& v) {
    float cosine = VectorDot(u, v);
    if (!(cosine >= -1.0f)) cosine = -1.0f;  // also catches NaN
    if (cosine > 1.0f) cosine = 1.0f;
    return std::acos(double(cosine));
  };
  float sum = 0.0f;
  sum = static_cast<float>(sum + angle(ua, ub));
  sum = static_cast<float>(sum + angle(ub, uc));
  sum = static_cast<float>(sum + angle(uc, ua));
  return std::fabs(double(sum) - 2.0 * kPi) <= 0.001;
}

}  // namespace qx

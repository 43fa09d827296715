#include "render/sphere_mesh.h"

#include <cmath>

namespace qx {

namespace {
constexpr int kMaxSteps = 239;  // the quadric's own limit on slices and stacks
constexpr double kPiD = 3.14159265358979323846;
}  // namespace

SphereMesh MakeSphereMesh(double radius, int slices, int stacks) {
  SphereMesh m;
  if (slices >= kMaxSteps + 1) slices = kMaxSteps;
  if (stacks >= kMaxSteps + 1) stacks = kMaxSteps;
  if (slices < 2 || stacks < 1 || !(radius >= 0)) return m;
  // Rings about the z axis, from +z (stack 0) to -z; the values are rounded to
  // single precision before they are multiplied, as the quadric does.
  std::vector<float> sin_a(size_t(slices) + 1), cos_a(size_t(slices) + 1);
  for (int i = 0; i < slices; ++i) {
    const float angle = static_cast<float>(2 * kPiD * i / slices);
    sin_a[size_t(i)] = static_cast<float>(std::sin(angle));
    cos_a[size_t(i)] = static_cast<float>(std::cos(angle));
  }
  sin_a[size_t(slices)] = sin_a[0];
  cos_a[size_t(slices)] = cos_a[0];
  std::vector<float> sin_b(size_t(stacks) + 1), cos_b(size_t(stacks) + 1);
  for (int j = 0; j <= stacks; ++j) {
    const float angle = static_cast<float>(kPiD * j / stacks);
    sin_b[size_t(j)] = static_cast<float>(radius * std::sin(angle));
    cos_b[size_t(j)] = static_cast<float>(radius * std::cos(angle));
  }
  sin_b[0] = 0;  // the poles are points
  sin_b[size_t(stacks)] = 0;

  auto ring = [&](int j, int i) {
    return Vector{sin_b[size_t(j)] * sin_a[size_t(i)], sin_b[size_t(j)] * cos_a[size_t(i)], cos_b[size_t(j)]};
  };
  auto begin = [&](SphereMesh::Mode mode) {
    m.strips.push_back({mode, static_cast<int>(m.vertices.size()), 0});
  };
  auto end = [&] { m.strips.back().count = static_cast<int>(m.vertices.size()) - m.strips.back().first; };

  // The caps are fans round the poles, the stacks between them quad strips.
  const float r = static_cast<float>(radius);
  begin(SphereMesh::kTriangleFan);
  m.vertices.push_back({0, 0, r});
  for (int i = slices; i >= 0; --i) m.vertices.push_back(ring(1, i));
  end();
  begin(SphereMesh::kTriangleFan);
  m.vertices.push_back({0, 0, -r});
  for (int i = 0; i <= slices; ++i) m.vertices.push_back(ring(stacks - 1, i));
  end();
  for (int j = 1; j < stacks - 1; ++j) {
    begin(SphereMesh::kQuadStrip);
    for (int i = 0; i <= slices; ++i) {
      m.vertices.push_back(ring(j + 1, i));
      m.vertices.push_back(ring(j, i));
    }
    end();
  }
  return m;
}

}  // namespace qx

#pragma once
// The sphere the viewport draws with its quadric (flat normals, faces
// outside, no texture coordinates, filled), as vertex lists: the same
// corners in the same primitives, so that a sphere drawn from a buffer covers
// the pixels the quadric's own drawing covers. No OpenGL here.

#include <vector>

#include "scene/vector.h"

namespace qx {

struct SphereMesh {
  enum Mode { kTriangleFan, kQuadStrip };
  struct Strip {
    Mode mode;
    int first, count;  // into vertices
  };
  std::vector<Vector> vertices;  // relative to the centre
  std::vector<Strip> strips;     // in drawing order: the two caps, then the stacks
};

// Empty for fewer than 2 slices, no stack or a negative radius (the quadric
// draws nothing then either).
SphereMesh MakeSphereMesh(double radius, int slices, int stacks);

}  // namespace qx

#pragma once
// World-aligned texture coordinates: a surface takes its texture coordinates
// from the world positions of its corners, projected onto the axis plane
// closest to its own plane. Because the projection of a wall is one function of
// the world position, any two surfaces that share a point (coplanar
// neighbours, walls meeting at a corner) give it the same coordinates and
// their patterns continue each other without a seam.
//
// Plane coordinates (a, b) in world units, chosen by the largest component of
// the surface normal:
//   floor and ceiling (y):  a = x,      b = -z   (upright as seen from the
//                                                 default camera, which looks
//                                                 towards -z)
//   walls facing z:         a = x + z,  b = y
//   walls facing x:         a = z + x,  b = y
// v grows with y, as on a new square (its top corners have v 1), and the
// textures are uploaded bottom row first, so walls read upright.
//
// Walls: a pure axis projection (a = x on a wall facing z, a = z on one facing
// x) meets at a corner (x0, z0) with u = x0 on one side and u = z0 on the
// other, which agree modulo whole repeats only when x0 = +-z0 modulo the
// scale, so most corners would show a seam. Adding the wall's own constant
// coordinate (z on a wall facing z, x on a wall facing x) makes a = x + z on
// every axis-aligned wall: the same value on both sides of every corner, and
// still exactly one world unit of a per world unit along each wall. The price
// is the one any fixed projection pays: u runs along +x on walls facing z
// and along +z on walls facing x whatever side they face, so seen from the
// front the texture reads mirrored on walls facing -z and +x. Going round a
// room, u cannot both keep its direction and meet itself at the last corner
// unless the perimeter is a whole number of repeats, so continuity wins.
// Diagonal walls whose normal has x and z of the same sign would see x + z
// stand still along them; they take x - z (facing z) or z - x (facing x)
// instead, which stretches like the pure projection does, the other way round.

#include <array>
#include <optional>

#include "scene/node.h"

namespace qx {

// What the corners of a surface get: plane coordinates (a, b) are turned by
// RotationDegrees (counter-clockwise in the (a, b) plane), divided by the
// scales (world units per repeat) and shifted by the offsets (in repeats):
//   u = ( a cos r + b sin r) / ScaleU + OffsetU
//   v = (-a sin r + b cos r) / ScaleV + OffsetV
// The turn comes first so that unequal scales stretch along the texture's own
// axes instead of shearing it, and the offsets shift along those axes too.
// Scales must not be zero.
struct TextureProjection {
  float OffsetU = 0, OffsetV = 0, ScaleU = 60, ScaleV = 60, RotationDegrees = 0;
};

// Plane coordinates (a, b) of a world point on a surface with the given
// normal (any length, either side; a zero normal counts as a floor).
std::array<double, 2> TexturePlaneCoordinates(const Vector& normal, const Vector& p);

// A quad's normal from both of its triangles (0-1-2 and 3-2-1), not normalised.
Vector QuadNormal(const std::array<Vector, 4>& corners);
std::array<Vector, 4> QuadCorners(const TSector& quad);

// Sets the texture coordinates of a quad's four corners from their world
// positions. A model gets the same per vertex, each on the axis plane closest
// to the summed normals of the triangles that use it. Other nodes: nothing.
void ProjectTextureCoordinates(TSector& quad, const TextureProjection& projection = {});

// The projection whose result the quad's texture coordinates are, recovered
// from three corners and checked on the fourth; nullopt when they are no such
// projection (fitted, mirrored on one axis only, sheared, degenerate) or the
// node is no quad. A texture mirrored in u reads as a half turn with ScaleV
// negative. The angle lies in (-180, 180].
std::optional<TextureProjection> ReadTextureProjection(const TSector& quad);
// The same for texture coordinates that sat on other corner positions.
std::optional<TextureProjection> ReadTextureProjection(const std::array<Vector, 4>& corners,
                                                       const std::array<std::array<float, 2>, 4>& tex);

// After the quad's corners moved from old_corners: when its texture coordinates
// were a projection there, they become the same projection of the corners now,
// so the texture stays fixed to the world. Otherwise they stay as they are
// (they travel with the quad). Returns whether they were set.
bool ReprojectMovedQuad(TSector& quad, const std::array<Vector, 4>& old_corners);

// cos and sin of an angle in degrees; exact for whole quarter turns, so that
// turning by 90 keeps coordinates on whole repeats.
std::array<double, 2> CosSinDegrees(double degrees);

}  // namespace qx

#pragma once
// How much of a light reaches a point: one formula for the texels of the
// lightmaps, for the vertex colours and for the reach the viewport shows.

#include <cmath>

#include "scene/node.h"

namespace qx {

// A point light's intensity at distance `dist`: Brightness * Range / dist^2,
// 1 at sqrt(Brightness * Range). There is no cut-off distance. Evaluated as
// |Brightness / (dist^2 / Range)| in double, the bytes of the lightmaps depend
// on exactly this order of operations.
inline double PointLightIntensity(float brightness, float range, float dist) {
  return std::fabs(double(brightness) / (double(dist) * dist / double(range)));
}

// The largest share one light can add to a colour channel at intensity 1:
// the largest colour channel in absolute value (0..255).
double LightColourPeak(const TSector& light);

// The distance from a point light beyond which it adds less than one step
// (1/255 of full white) to every channel of a lightmap texel: its intensity
// times its largest channel falls below 1 there, and just inside it does not.
// 0 for a light that adds nothing; infinity for a light without falloff
// (directional) or without usable numbers.
float LightReachDistance(const TSector& light);

}  // namespace qx

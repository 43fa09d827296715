#include "lighting/light_falloff.h"

#include <algorithm>
#include <limits>

namespace qx {

double LightColourPeak(const TSector& light) {
  return std::max({std::fabs(double(light.Color[0])), std::fabs(double(light.Color[1])),
                   std::fabs(double(light.Color[2]))});
}

float LightReachDistance(const TSector& light) {
  constexpr float kInfinite = std::numeric_limits<float>::infinity();
  if (light.Kind == 1) return kInfinite;
  const double peak = LightColourPeak(light);
  const double strength = std::fabs(double(light.Brightness) * double(light.Range)) * peak;
  if (!std::isfinite(strength)) return kInfinite;
  if (!(strength > 0)) return 0;
  // Still visible: the share at this distance is at least one step.
  auto visible = [&](float dist) {
    return PointLightIntensity(light.Brightness, light.Range, dist) * peak >= 1.0;
  };
  // Solved on paper, then settled on the float where the formula itself changes its mind.
  float reach = static_cast<float>(std::sqrt(strength));
  if (!std::isfinite(reach)) return kInfinite;
  if (reach == 0) reach = std::numeric_limits<float>::denorm_min();
  for (int i = 0; i < 64 && visible(reach); ++i) reach = std::nextafter(reach, kInfinite);
  for (int i = 0; i < 64; ++i) {
    const float inside = std::nextafter(reach, 0.0f);
    if (inside <= 0 || visible(inside)) break;
    reach = inside;
  }
  return reach;
}

}  // namespace qx

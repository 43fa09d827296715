// A light's falloff, and the reach shown around a selected point light.
#include "lighting/light_falloff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qx {
namespace {

// A light node with these settings (nodes are not copied).
struct Light {
  Light(float brightness, float range, Vector color, uint8_t kind = 0) {
    node.NodeType = kLight;
    node.Kind = kind;
    node.Brightness = brightness;
    node.Range = range;
    node.Color[0] = color.x, node.Color[1] = color.y, node.Color[2] = color.z;
  }
  TSector node;
};

float Reach(const Light& l) {
  return LightReachDistance(l.node);
}

// What one light adds to its largest channel at a distance: the share a texel gets.
double Share(const TSector& l, float dist) {
  return PointLightIntensity(l.Brightness, l.Range, dist) * LightColourPeak(l);
}

TEST(LightFalloff, BrightnessTimesRangeOverDistanceSquared) {
  EXPECT_DOUBLE_EQ(PointLightIntensity(30, 30, 30), 1);
  EXPECT_DOUBLE_EQ(PointLightIntensity(30, 30, 60), 0.25);
  EXPECT_DOUBLE_EQ(PointLightIntensity(-30, 30, 60), 0.25) << "its size, whatever the signs";
  EXPECT_DOUBLE_EQ(PointLightIntensity(30, -30, 60), 0.25);
  EXPECT_TRUE(std::isinf(PointLightIntensity(30, 30, 0)));
}

TEST(LightReach, WhereTheShareFallsBelowOneStep) {
  const Light lights[] = {{30, 30, {255, 255, 255}},
                          {60, 60, {100, 255, 180}},
                          {5, 80, {10, 0, 3}},
                          {1e4f, 0.5f, {-200, 40, 3}},
                          {0.01f, 0.02f, {255, 0, 0}}};
  for (const Light& light : lights) {
    const TSector& l = light.node;
    const float reach = LightReachDistance(l);
    ASSERT_TRUE(std::isfinite(reach) && reach > 0) << l.Brightness;
    EXPECT_LT(Share(l, reach), 1.0) << "at the reach a texel changes by less than a step";
    EXPECT_GE(Share(l, std::nextafter(reach, 0.0f)), 1.0) << "just inside it does not";
  }
  // White 30/30: sqrt(30 * 30 * 255).
  EXPECT_NEAR(Reach(Light(30, 30, {255, 255, 255})), 479.06, 0.01);
}

TEST(LightReach, LightsWithoutAReach) {
  EXPECT_EQ(Reach(Light(30, 30, {0, 0, 0})), 0.0f) << "adds nothing";
  EXPECT_EQ(Reach(Light(0, 30, {255, 255, 255})), 0.0f);
  EXPECT_EQ(Reach(Light(30, 30, {255, 255, 255}, 1)), std::numeric_limits<float>::infinity())
      << "directional: no falloff";
  EXPECT_EQ(Reach(Light(NAN, 30, {255, 255, 255})), std::numeric_limits<float>::infinity());
  EXPECT_EQ(Reach(Light(3e38f, 3e38f, {255, 255, 255})), std::numeric_limits<float>::infinity());
}

}  // namespace
}  // namespace qx

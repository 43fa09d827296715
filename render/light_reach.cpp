#include "render/light_reach.h"

#include <QtGui/qopengl.h>

#include <algorithm>
#include <cmath>

#include "lighting/light_falloff.h"

namespace qx {

namespace {
constexpr int kSegments = 72;  // per circle: smooth at any size the viewport shows
}  // namespace

void DrawLightReach(const TSector& light) {
  if (light.NodeType != kLight || light.Kind != 0) return;
  const float reach = LightReachDistance(light);
  if (!(reach > 0) || !std::isfinite(reach)) return;
  auto channel = [&](int k) { return static_cast<float>(std::clamp(light.Color[k] / 255.0, 0.0, 1.0)); };
  glColor3f(channel(0), channel(1), channel(2));
  const Vector& c = light.Position;
  for (int plane = 0; plane < 3; ++plane) {
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < kSegments; ++i) {
      const double a = 2 * kPi * i / kSegments;
      const float u = static_cast<float>(reach * std::cos(a)), v = static_cast<float>(reach * std::sin(a));
      switch (plane) {
        case 0:
          glVertex3f(c.x + u, c.y + v, c.z);
          break;
        case 1:
          glVertex3f(c.x + u, c.y, c.z + v);
          break;
        default:
          glVertex3f(c.x, c.y + u, c.z + v);
          break;
      }
    }
    glEnd();
  }
}

}  // namespace qx

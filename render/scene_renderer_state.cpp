// The reference renderer's GL state with a shadow copy: a change that
// changes nothing is not sent, and texture calls select their unit only when
// they act on it.

#include "render/scene_renderer.h"

namespace qx {

void SceneRenderer::ResetStateCache() {
  s_ = {};
}

void SceneRenderer::ActiveUnit(int unit) {
  s_.unit = unit;
  if (!cache_enabled_) SelectGlUnit();
}

// The unit a texture call is about to act on becomes GL's active unit only
// now: a unit selected and left again without such a call costs nothing.
bool SceneRenderer::SelectGlUnit() {
  if (selecting_) return false;  // texturing has no part in what a pick hits
  const int unit = s_.unit < 0 ? 0 : s_.unit;
  if (unit == 1 && !mt_.two_units) return false;
  if (!cache_enabled_ || s_.gl_unit != unit) {
    s_.gl_unit = unit;
    mt_.ActiveTexture(GL_TEXTURE0 + unit);
  }
  return true;
}

void SceneRenderer::Texturing(bool on) {
  const int unit = s_.unit < 0 ? 0 : s_.unit;
  if (selecting_ || (cache_enabled_ && s_.tex[unit] == int(on))) return;
  if (!SelectGlUnit()) return;
  s_.tex[unit] = on;
  if (on)
    glEnable(GL_TEXTURE_2D);
  else
    glDisable(GL_TEXTURE_2D);
}

void SceneRenderer::BindTexture(uint32_t name) {
  const int unit = s_.unit < 0 ? 0 : s_.unit;
  if (selecting_ || (cache_enabled_ && s_.bound[unit] == int64_t(name))) return;
  if (!SelectGlUnit()) return;
  s_.bound[unit] = name;
  glBindTexture(GL_TEXTURE_2D, name);
}

void SceneRenderer::TexturingOffBothUnits() {
  ActiveUnit(1);
  Texturing(false);
  ActiveUnit(0);
  Texturing(false);
}

void SceneRenderer::Culling(bool on) {
  if (cache_enabled_ && s_.cull == int(on)) return;
  s_.cull = on;
  if (on)
    glEnable(GL_CULL_FACE);
  else
    glDisable(GL_CULL_FACE);
}

// Counter-clockwise faces are the front: that is the side a triangle's normal
// (PlaneFromPoints) points to, the side the baker lights.
void SceneRenderer::FrontFaceCCW() {
  if (cache_enabled_ && s_.front_ccw == 1) return;
  s_.front_ccw = 1;
  glFrontFace(GL_CCW);
}

void SceneRenderer::PolygonMode(bool lines) {
  if (cache_enabled_ && s_.lines == int(lines)) return;
  s_.lines = lines;
  glPolygonMode(GL_FRONT_AND_BACK, lines ? GL_LINE : GL_FILL);
}

void SceneRenderer::LineWidth(float w) {
  if (cache_enabled_ && s_.line_width == w) return;
  s_.line_width = w;
  glLineWidth(w);
}

void SceneRenderer::LoadName(uint32_t name) {
  // The name stack only matters while picking; outside selection mode the
  // driver ignores it but still ends its batch of vertices at every call.
  if (selecting_) glLoadName(name);
}

void SceneRenderer::DepthTest(bool on) {
  if (cache_enabled_ && s_.depth == int(on)) return;
  s_.depth = on;
  if (on)
    glEnable(GL_DEPTH_TEST);
  else
    glDisable(GL_DEPTH_TEST);
}

}  // namespace qx

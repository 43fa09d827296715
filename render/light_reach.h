#pragma once
// A point light's reach in the viewport: a wire sphere of three great
// circles around it, at the distance where its share of a texel falls below
// one step (LightReachDistance). Immediate mode; needs a current context and
// leaves texturing to the caller.

#include "scene/node.h"

namespace qx {

// Draws nothing for a light of another kind or without a finite reach.
void DrawLightReach(const TSector& light);

}  // namespace qx

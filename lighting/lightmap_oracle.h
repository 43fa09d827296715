#pragma once
// The lighting computation done the plain way: one texel after the other,
// every light, and for a shadowing light every triangle of every other node.
// It is slow and kept as the reference the fast baker is checked against, so
// it follows the rules step by step and shares no code with the baker beyond
// the vector helpers and the channel clamp.

#include <functional>

#include "lighting/lightmap.h"

namespace qx {

// Writes straight into the scene like the fast path's ComputeLightmaps with no
// uploader (LightmapTexture becomes 0). `progress` gets (i + 1) * 100 / n for
// the i-th of n polygon-list nodes whenever that number changes.
void ComputeLightmapsOracle(LitScene& editor, LightmapSize size,
                            const std::function<void(int)>& progress = {});

}  // namespace qx

#pragma once

#include "scene/node.h"

namespace qx {

// Recomputes a quad's triangle corners and every triangle's plane from the
// vertex positions. Leaves every other field as it is.
void UpdatePolygonData(TSector* node);

}  // namespace qx

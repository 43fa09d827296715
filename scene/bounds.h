#pragma once
// The bounding boxes and centroids every node type derives from its
// vertices (polygons, portals, models) or from its children (sectors).

#include "scene/node.h"

namespace qx {

// Fills Centroid and the bounds of node; recursively for a sector.
void ComputeBounds(TSector* node);

}  // namespace qx

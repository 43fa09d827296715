#pragma once
// Checks that a scene's lighting is what a whole bake of it gives.

#include <gtest/gtest.h>

#include <string>

#include "lighting/lightmap.h"

namespace qx::test {

// The scene holds exactly what a whole bake of it gives.
inline void ExpectWholeBake(LitScene& e, LightmapSize size, const std::string& where) {
  BakeResult whole = BakeLightmaps(CollectBakeLists(e.Tree), size);
  ASSERT_EQ(whole.lightmaps.size(), e.LightmapList.size()) << where;
  for (size_t k = 0; k < whole.lightmaps.size(); ++k)
    ASSERT_EQ(whole.lightmaps[k].rgb, e.LightmapList[k].rgb) << where << " lightmap " << k;
  for (const BakeResult::NodeOutput& out : whole.nodes) {
    const TSector* n = out.node;
    for (size_t t = 0; t < out.lightmap_index.size(); ++t) {
      if (out.lightmap_index[t] != BakeResult::kNoNewLightmap) {
        ASSERT_EQ(out.lightmap_index[t], n->Triangles[t].LightmapIndex) << where;
      }
    }
    for (size_t v = 0; v < n->Vertices.size(); ++v) {
      if (out.lightmapped) {
        ASSERT_EQ(out.lightmap_coords[2 * v], n->Vertices[v].LightmapCoord[0]) << where;
        ASSERT_EQ(out.lightmap_coords[2 * v + 1], n->Vertices[v].LightmapCoord[1]) << where;
      }
      for (int k = 0; k < 3; ++k) ASSERT_EQ(out.colors[3 * v + k], n->Vertices[v].Color[k]) << where;
    }
  }
}

}  // namespace qx::test

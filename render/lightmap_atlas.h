#pragma once
// Lightmaps packed for display: every lightmap of one bake has the same size,
// so a page is a grid of tiles, each tile the lightmap with a border of one
// texel copied from its edge. Sampled with linear filtering inside the tile's
// lightmap, a page then gives what the lightmap's own texture clamped to its
// edge gives. The level file and the lightmap list stay one lightmap per
// triangle; this is only how the viewport uploads them. No OpenGL here.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lighting/lightmap.h"

namespace qx {

struct AtlasLayout {
  int tile_width = 0, tile_height = 0;  // the lightmap's size; a tile is 2 texels larger each way
  int columns = 0, rows = 0;            // tiles across and down a full page
  size_t count = 0;                     // tiles in all
  int pages = 0;

  bool Empty() const { return count == 0; }
  size_t TilesPerPage() const { return size_t(columns) * size_t(rows); }
  int PageWidth() const { return columns * (tile_width + 2); }
  // The last page has only the rows it needs.
  int PageHeight(int page) const;
};

// Tiles of w x h lightmaps on pages no wider or taller than max_side texels.
// Empty when a bordered tile does not fit on such a page, or for no lightmaps.
AtlasLayout PlanAtlas(int w, int h, size_t count, int max_side);

struct AtlasTile {
  int page = -1;
  int x = 0, y = 0;  // the lightmap's first texel (inside the border) on the page
};
AtlasTile TileOf(const AtlasLayout& layout, size_t index);

// A lightmap coordinate (s, t), 0..1 across the lightmap, as a page
// coordinate. Values outside 0..1 are clamped first, as the lightmap's
// own texture clamps them, so that no coordinate reaches a neighbour tile.
void MapToPage(const AtlasLayout& layout, const AtlasTile& tile, float s, float t, float* ps, float* pt);

// The RGB bytes of one page, rows first as the lightmaps keep theirs. A
// lightmap of another size or with too few bytes leaves its tile black.
std::vector<uint8_t> BuildAtlasPage(const AtlasLayout& layout, int page,
                                    const std::vector<Lightmap>& lightmaps);

// The bordered tile of lightmap `index` alone: (w + 2) x (h + 2) texels, to
// go to (tile.x - 1, tile.y - 1) of its page. Empty without a tile.
std::vector<uint8_t> BuildAtlasTile(const AtlasLayout& layout, const std::vector<Lightmap>& lightmaps,
                                    size_t index);

// The layout for a lightmap list: the size of its first lightmap.
AtlasLayout PlanAtlasFor(const std::vector<Lightmap>& lightmaps, int max_side);
// Whether lightmap `index` of the list has a tile in the layout.
bool HasTile(const AtlasLayout& layout, const std::vector<Lightmap>& lightmaps, int32_t index);

}  // namespace qx

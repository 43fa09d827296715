#include "render/lightmap_atlas.h"

#include <algorithm>
#include <cstring>

namespace qx {

namespace {

// Every texel of the bordered tile copies the nearest texel of the lightmap;
// `to` is the tile's corner, `stride` the texels of a row there.
void CopyTile(const uint8_t* src, int w, int h, uint8_t* to, size_t stride) {
  for (int y = -1; y <= h; ++y) {
    const int sy = std::clamp(y, 0, h - 1);
    uint8_t* row = to + size_t(y + 1) * stride * 3;
    const uint8_t* src_row = src + size_t(sy) * size_t(w) * 3;
    std::memcpy(row, src_row, 3);
    std::memcpy(row + 3, src_row, size_t(w) * 3);
    std::memcpy(row + 3 + size_t(w) * 3, src_row + size_t(w - 1) * 3, 3);
  }
}

}  // namespace

int AtlasLayout::PageHeight(int page) const {
  if (page < 0 || page >= pages) return 0;
  const size_t per_page = TilesPerPage();
  const size_t on_page = std::min(per_page, count - size_t(page) * per_page);
  const size_t used_rows = (on_page + size_t(columns) - 1) / size_t(columns);
  return static_cast<int>(used_rows) * (tile_height + 2);
}

AtlasLayout PlanAtlas(int w, int h, size_t count, int max_side) {
  AtlasLayout l;
  if (w <= 0 || h <= 0 || count == 0 || max_side <= 2) return l;
  if (w > max_side - 2 || h > max_side - 2) return l;
  const int columns = max_side / (w + 2);
  const int rows = max_side / (h + 2);
  l.tile_width = w;
  l.tile_height = h;
  // A list that fits on one page gets a page only as wide as it needs.
  l.columns = static_cast<int>(std::min<size_t>(size_t(columns), count));
  const size_t per_page = size_t(l.columns) * size_t(rows);
  l.rows = rows;
  l.count = count;
  l.pages = static_cast<int>((count + per_page - 1) / per_page);
  return l;
}

AtlasTile TileOf(const AtlasLayout& layout, size_t index) {
  AtlasTile t;
  if (index >= layout.count) return t;
  const size_t per_page = layout.TilesPerPage();
  t.page = static_cast<int>(index / per_page);
  const size_t in_page = index % per_page;
  t.x = static_cast<int>(in_page % size_t(layout.columns)) * (layout.tile_width + 2) + 1;
  t.y = static_cast<int>(in_page / size_t(layout.columns)) * (layout.tile_height + 2) + 1;
  return t;
}

void MapToPage(const AtlasLayout& layout, const AtlasTile& tile, float s, float t, float* ps, float* pt) {
  const double cs = std::clamp<double>(s, 0.0, 1.0), ct = std::clamp<double>(t, 0.0, 1.0);
  const double w = layout.PageWidth(), h = layout.PageHeight(tile.page);
  *ps = static_cast<float>((tile.x + cs * layout.tile_width) / w);
  *pt = static_cast<float>((tile.y + ct * layout.tile_height) / h);
}

std::vector<uint8_t> BuildAtlasPage(const AtlasLayout& layout, int page,
                                    const std::vector<Lightmap>& lightmaps) {
  const int pw = layout.PageWidth(), ph = layout.PageHeight(page);
  std::vector<uint8_t> out(size_t(pw) * size_t(ph) * 3, 0);
  if (ph == 0) return out;
  const int w = layout.tile_width, h = layout.tile_height;
  const size_t first = size_t(page) * layout.TilesPerPage();
  const size_t last = std::min(layout.count, first + layout.TilesPerPage());
  for (size_t i = first; i < last && i < lightmaps.size(); ++i) {
    if (!HasTile(layout, lightmaps, static_cast<int32_t>(i))) continue;
    const AtlasTile tile = TileOf(layout, i);
    CopyTile(lightmaps[i].rgb.data(), w, h,
             out.data() + (size_t(tile.y - 1) * size_t(pw) + size_t(tile.x - 1)) * 3, size_t(pw));
  }
  return out;
}

std::vector<uint8_t> BuildAtlasTile(const AtlasLayout& layout, const std::vector<Lightmap>& lightmaps,
                                    size_t index) {
  if (!HasTile(layout, lightmaps, static_cast<int32_t>(index))) return {};
  const int w = layout.tile_width, h = layout.tile_height;
  std::vector<uint8_t> out(size_t(w + 2) * size_t(h + 2) * 3);
  CopyTile(lightmaps[index].rgb.data(), w, h, out.data(), size_t(w + 2));
  return out;
}

AtlasLayout PlanAtlasFor(const std::vector<Lightmap>& lightmaps, int max_side) {
  if (lightmaps.empty()) return {};
  return PlanAtlas(lightmaps.front().width, lightmaps.front().height, lightmaps.size(), max_side);
}

bool HasTile(const AtlasLayout& layout, const std::vector<Lightmap>& lightmaps, int32_t index) {
  if (index < 0 || size_t(index) >= lightmaps.size() || size_t(index) >= layout.count) return false;
  const Lightmap& m = lightmaps[size_t(index)];
  return m.width == layout.tile_width && m.height == layout.tile_height &&
         m.rgb.size() >= size_t(m.width) * size_t(m.height) * 3;
}

}  // namespace qx

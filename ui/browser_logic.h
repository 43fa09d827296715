#pragma once
// What the texture browser computes without a widget: where each thumbnail and
// its name go in the grid (two per row), which entry a click hits, where the
// selected texture goes in the current-texture box, and "Zuweisen".

#include <cstddef>
#include <string>
#include <vector>

#include "textures/texture_library.h"

namespace qx {

struct BrowserRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const BrowserRect&, const BrowserRect&) = default;
};

struct BrowserPoint {
  int x = 0, y = 0;
  friend bool operator==(const BrowserPoint&, const BrowserPoint&) = default;
};

inline constexpr int kThumbnailRowHeight = 89;  // 64 for the picture, 25 for the name
inline constexpr int kThumbnailTop = 10;
inline constexpr int kThumbnailSize = 64;
inline constexpr int kThumbnailNameOffset = 65;
inline constexpr int kThumbnailCharWidth = 6;

// Height of the thumbnail box for `count` entries.
int TexBoxHeight(int count);
int ThumbnailRowTop(int index);
int ThumbnailCenterX(int index, int box_width);
// The picture of entry `index` scaled into its 64 x 64 cell, keeping its shape:
// a wide picture is top-aligned at full width, a tall one centred at full height.
BrowserRect ThumbnailRect(int index, int box_width, int bitmap_width, int bitmap_height);
BrowserPoint ThumbnailNamePos(int index, int box_width, size_t name_length);
// The entry under (x, y) in the thumbnail box, or -1 for none.
int TextureAt(int x, int y, int box_width, int count);

// The picture rectangle in the current-texture box (box_width x box_height).
BrowserRect CurrentTextureRect(int box_width, int box_height, int bitmap_width, int bitmap_height);
// "64 x 32".
std::string TextureSizeText(int bitmap_width, int bitmap_height);

// The entries the grid shows, in library order: those whose name contains
// `search` (UTF-8, as typed in "Suchen"), ignoring letter case; every entry
// for an empty search. Grid position p shows the entry Visible[p].
std::vector<int> VisibleTextures(const TextureLibrary& library, const std::string& search);

}  // namespace qx

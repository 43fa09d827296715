#include "ui/browser_logic.h"

#include <algorithm>
#include <cmath>

#include "scene/cp1252.h"

namespace qx {

namespace {

// Nearest integer, halves to the even neighbour.
int RoundHalfEven(double v) {
  return static_cast<int>(std::nearbyint(v));
}

// Lower case of a Windows-1252 byte: ASCII, the Latin-1 letters (but the
// multiplication sign) and the three pairs Windows-1252 adds (Š, Œ, Ž).
char LowerCp1252(char c) {
  const auto b = static_cast<unsigned char>(c);
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) return static_cast<char>(b + 0x20);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<char>(b + 0x10);
  if (b == 0x9F) return static_cast<char>(0xFF);  // Ÿ
  return c;
}

std::string LowerCp1252(std::string s) {
  for (char& c : s) c = LowerCp1252(c);
  return s;
}

}  // namespace

std::vector<int> VisibleTextures(const TextureLibrary& library, const std::string& search) {
  const std::string needle = LowerCp1252(Utf8ToCp1252(search));
  std::vector<int> visible;
  visible.reserve(static_cast<size_t>(library.Count()));
  for (int i = 0; i < library.Count(); ++i)
    if (needle.empty() || LowerCp1252(library.Entry(i)->TexName).find(needle) != std::string::npos)
      visible.push_back(i);
  return visible;
}

int TexBoxHeight(int count) {
  return std::max(0, (count + 1) / 2) * kThumbnailRowHeight;
}

int ThumbnailRowTop(int index) {
  return kThumbnailTop + kThumbnailRowHeight * (index / 2);
}

int ThumbnailCenterX(int index, int box_width) {
  return box_width / 4 + (box_width / 2) * (index % 2);
}

BrowserRect ThumbnailRect(int index, int box_width, int bitmap_width, int bitmap_height) {
  const int top = ThumbnailRowTop(index);
  const int centre = ThumbnailCenterX(index, box_width);
  // A picture without size (a damaged bitmap) gets an empty rectangle instead
  // of a division by zero.
  if (bitmap_width <= 0 || bitmap_height <= 0) return {centre, top, centre, top};
  if (bitmap_height < bitmap_width) {
    const int h = RoundHalfEven(double(bitmap_height) * kThumbnailSize / bitmap_width);
    return {centre - kThumbnailSize / 2, top, centre + kThumbnailSize / 2, top + h};
  }
  const int s = RoundHalfEven(double(bitmap_width) * kThumbnailSize / bitmap_height);
  const int left = centre - s / 2;
  return {left, top, left + s, top + kThumbnailSize};
}

BrowserPoint ThumbnailNamePos(int index, int box_width, size_t name_length) {
  const int width = kThumbnailCharWidth * static_cast<int>(std::min<size_t>(name_length, 1u << 20));
  return {ThumbnailCenterX(index, box_width) - width / 2, ThumbnailRowTop(index) + kThumbnailNameOffset};
}

int TextureAt(int x, int y, int box_width, int count) {
  const int column_width = box_width / 2;
  if (column_width <= 0 || x < 0 || y < 0) return -1;
  // With an odd width the last pixel column would count as a third column and
  // hit an entry of the next row; it belongs to the right-hand column.
  const int column = std::min(x / column_width, 1);
  const int row = std::max(0, y - kThumbnailTop) / kThumbnailRowHeight;
  const long long index = column + 2LL * row;
  return index < count ? static_cast<int>(index) : -1;
}

BrowserRect CurrentTextureRect(int box_width, int box_height, int bitmap_width, int bitmap_height) {
  if (bitmap_width <= 0 || bitmap_height <= 0) return {};
  if (bitmap_height < bitmap_width) {
    const int s = RoundHalfEven(double(bitmap_height) * box_width / bitmap_width);
    const int top = box_height / 2 - s / 2;
    return {5, top + 5, box_width - 5, top + s - 5};
  }
  const int s = RoundHalfEven(double(bitmap_width) * box_height / bitmap_height);
  const int left = box_width / 2 - s / 2;
  return {left + 5, 5, left + s - 5, box_height - 5};
}

std::string TextureSizeText(int bitmap_width, int bitmap_height) {
  return std::to_string(bitmap_width) + " x " + std::to_string(bitmap_height);
}

}  // namespace qx

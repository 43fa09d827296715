// TGA and bitmaps of every depth, read here: both formats are simple enough
// that a reader of our own, which knows exactly which bytes it may touch, is
// safer than a general decoder. Every read goes through a bounds check; a
// file that ends before its pixels do is refused.
#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "textures/image_decoders.h"
#include "textures/image_import.h"

namespace qx::decoders {

Result CheckSize(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) return Result::kInvalid;
  if (width > kMaxImageSide || height > kMaxImageSide) return Result::kTooLarge;
  return Result::kOk;
}

void Allocate(RgbImage& image, int width, int height) {
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
}

namespace {

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Scales an n-bit channel value to 8 bits, rounding; 0 and the full value stay
// 0 and 255.
uint8_t Widen(uint32_t value, int bits) {
  if (bits <= 0) return 0;
  if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
  const uint32_t full = (1u << bits) - 1;
  return static_cast<uint8_t>((value * 255 + full / 2) / full);
}

// A cursor over the file that refuses, rather than reads, past its end.
struct Cursor {
  const uint8_t* data;
  size_t size;
  size_t pos;
  const uint8_t* Take(size_t n) {
    if (n > size - pos) return nullptr;
    const uint8_t* p = data + pos;
    pos += n;
    return p;
  }
};

// ---------------------------------------------------------------- TGA

// Image types: 1 colour-mapped, 2 true colour, 3 grey; 9, 10, 11 the same run-length encoded.
struct TgaHeader {
  uint8_t id_length, map_type, type;
  uint16_t map_first, map_length;
  uint8_t map_bits;
  uint16_t width, height;
  uint8_t bits, descriptor;
};

bool TrueColourBits(int bits) {
  return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// A TGA has no magic: a header that names only known types and depths is taken for one.
std::optional<TgaHeader> ReadTgaHeader(const uint8_t* d, size_t size) {
  if (size < 18) return std::nullopt;
  TgaHeader h{d[0], d[1], d[2], Le16(d + 3), Le16(d + 5), d[7], Le16(d + 12), Le16(d + 14), d[16], d[17]};
  const int base = h.type & 7;
  if ((h.type & ~8) < 1 || (h.type & ~8) > 3 || h.map_type > 1) return std::nullopt;
  if (h.map_type == 1 && !TrueColourBits(h.map_bits)) return std::nullopt;
  if (base == 1 && (h.map_type != 1 || (h.bits != 8 && h.bits != 16))) return std::nullopt;
  if (base == 2 && !TrueColourBits(h.bits)) return std::nullopt;
  if (base == 3 && h.bits != 8 && h.bits != 16) return std::nullopt;  // grey, or grey and alpha
  return h;
}

// One stored pixel (or colour-map entry) of `bits` bits to RGB.
void TgaColour(const uint8_t* p, int bits, uint8_t* rgb) {
  if (bits == 15 || bits == 16) {
    const uint16_t v = Le16(p);  // a rrrrr ggggg bbbbb
    rgb[0] = Widen(v >> 10 & 31, 5);
    rgb[1] = Widen(v >> 5 & 31, 5);
    rgb[2] = Widen(v & 31, 5);
  } else {
    rgb[0] = p[2];
    rgb[1] = p[1];
    rgb[2] = p[0];
  }
}

}  // namespace

Result DecodeTga(const uint8_t* data, size_t size, RgbImage& image) {
  const std::optional<TgaHeader> h = ReadTgaHeader(data, size);
  if (!h) return Result::kInvalid;
  if (const Result r = CheckSize(h->width, h->height); r != Result::kOk) return r;
  const int base = h->type & 7;
  const bool rle = h->type & 8;
  Cursor in{data, size, 18};
  if (!in.Take(h->id_length)) return Result::kInvalid;
  // The colour map, as RGB; indices count from map_first.
  std::vector<uint8_t> map;
  if (h->map_type == 1) {
    const size_t entry = (h->map_bits + 7u) / 8;
    const uint8_t* stored = in.Take(size_t(h->map_length) * entry);
    if (!stored) return Result::kInvalid;
    map.resize(size_t(h->map_length) * 3);
    for (size_t i = 0; i < h->map_length; ++i) TgaColour(stored + i * entry, h->map_bits, &map[i * 3]);
  }
  const size_t pixel_bytes = (h->bits + 7u) / 8;
  // One stored pixel to RGB; false for an index outside the colour map.
  auto colour = [&](const uint8_t* p, uint8_t* rgb) {
    if (base == 1) {
      const uint32_t index = h->bits == 8 ? p[0] : Le16(p);
      if (index < h->map_first || index - h->map_first >= h->map_length) return false;
      std::memcpy(rgb, &map[size_t(index - h->map_first) * 3], 3);
    } else if (base == 3) {
      rgb[0] = rgb[1] = rgb[2] = p[0];  // a second byte is alpha
    } else {
      TgaColour(p, h->bits, rgb);
    }
    return true;
  };

  RgbImage out;
  Allocate(out, h->width, h->height);
  const bool top_down = h->descriptor & 0x20, right_to_left = h->descriptor & 0x10;
  const size_t total = size_t(h->width) * h->height;
  // Pixel n of the file, in stored order, goes to its place in the picture.
  auto place = [&](size_t n) {
    const size_t file_row = n / h->width, file_col = n % h->width;
    const size_t row_from_bottom = top_down ? h->height - 1 - file_row : file_row;
    const size_t col = right_to_left ? h->width - 1 - file_col : file_col;
    return out.rgb.data() + (row_from_bottom * h->width + col) * 3;
  };
  size_t n = 0;
  while (n < total) {
    size_t count = 1;
    bool run = false;
    if (rle) {
      const uint8_t* packet = in.Take(1);
      if (!packet) return Result::kInvalid;
      count = (packet[0] & 0x7F) + 1u;
      run = packet[0] & 0x80;
    } else {
      count = total;
    }
    // A packet may run past the end of a row, not past the end of the picture.
    count = std::min(count, total - n);
    if (run) {
      const uint8_t* p = in.Take(pixel_bytes);
      uint8_t rgb[3];
      if (!p || !colour(p, rgb)) return Result::kInvalid;
      for (size_t i = 0; i < count; ++i) std::memcpy(place(n + i), rgb, 3);
    } else {
      const uint8_t* p = in.Take(count * pixel_bytes);
      if (!p) return Result::kInvalid;
      for (size_t i = 0; i < count; ++i)
        if (!colour(p + i * pixel_bytes, place(n + i))) return Result::kInvalid;
    }
    n += count;
  }
  image = std::move(out);
  return Result::kOk;
}

// ---------------------------------------------------------------- BMP

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

struct Mask {
  int shift = 0, bits = 0;
  // False for a mask whose bits are not one contiguous run.
  bool Set(uint32_t mask) {
    if (mask == 0) return true;
    shift = std::countr_zero(mask);
    bits = std::popcount(mask);
    return (mask >> shift) == (bits == 32 ? ~0u : (1u << bits) - 1);
  }
  uint8_t Of(uint32_t pixel) const {
    return bits == 0 ? 0 : Widen((pixel >> shift) & (bits == 32 ? ~0u : (1u << bits) - 1), bits);
  }
};

// Run-length encoded rows (8 or 4 bits an index) to one index per pixel,
// bottom row first. Pixels the file skips keep index 0.
bool DecodeBmpRle(Cursor in, int bits, int width, int height, std::vector<uint8_t>& index) {
  index.assign(size_t(width) * size_t(height), 0);
  int x = 0, y = 0;
  auto put = [&](uint8_t v) {
    if (x < width && y < height) index[size_t(y) * size_t(width) + size_t(x)] = v;
    ++x;
  };
  for (;;) {
    const uint8_t* pair = in.Take(2);
    if (!pair) return false;  // ended without its end-of-bitmap mark: cut short
    if (pair[0] > 0) {        // a run of pair[0] pixels
      for (int i = 0; i < pair[0]; ++i)
        put(bits == 8 ? pair[1] : static_cast<uint8_t>(i % 2 ? pair[1] & 15 : pair[1] >> 4));
      continue;
    }
    if (pair[1] == 0) {  // end of line
      x = 0;
      ++y;
    } else if (pair[1] == 1) {  // end of bitmap
      return true;
    } else if (pair[1] == 2) {  // move right and up
      const uint8_t* d = in.Take(2);
      if (!d) return false;
      x += d[0];
      y += d[1];
    } else {  // pair[1] pixels as stored, padded to a 16-bit boundary
      const int count = pair[1];
      const size_t bytes = bits == 8 ? size_t(count) : (size_t(count) + 1) / 2;
      const uint8_t* p = in.Take((bytes + 1) & ~size_t(1));
      if (!p) return false;
      for (int i = 0; i < count; ++i)
        put(bits == 8 ? p[i] : static_cast<uint8_t>(i % 2 ? p[i / 2] & 15 : p[i / 2] >> 4));
    }
    if (y > height) return false;  // beyond the top: damaged
  }
}

}  // namespace

Result DecodeBmp(const uint8_t* data, size_t size, RgbImage& image) {
  const std::optional<BmpInfo> info = ReadBmpInfo(data, size);
  if (!info) return Result::kInvalid;
  if (const Result r = CheckSize(info->width, info->height); r != Result::kOk) return r;
  const int w = info->width, h = info->height, bits = info->bits_per_pixel;
  const uint32_t compression = info->compression;
  const bool rle = compression == kBiRle8 || compression == kBiRle4;
  const bool masked = compression == kBiBitfields || compression == kBiAlphaBitfields;
  if (!(compression == kBiRgb || (compression == kBiRle8 && bits == 8) ||
        (compression == kBiRle4 && bits == 4) || (masked && (bits == 16 || bits == 32))))
    return Result::kInvalid;
  if (rle && info->top_down) return Result::kInvalid;  // run-length bitmaps are stored bottom-up

  // The palette follows the headers: 3 bytes an entry after the OS/2 core
  // header, 4 after any other; its length is the header's count, else 2^bits.
  std::vector<uint8_t> palette;  // RGB
  const size_t header_end = 14 + size_t(info->header_size);
  if (bits <= 8) {
    const size_t entry = info->header_size == 12 ? 3 : 4;
    uint32_t count = info->header_size >= 36 ? Le32(data + 14 + 32) : 0;
    if (count == 0 || count > (1u << bits)) count = 1u << bits;
    // A palette cut short by the pixels is as long as the room before them.
    const size_t room = (info->pixel_offset - header_end) / entry;
    count = static_cast<uint32_t>(std::min<size_t>(count, room));
    palette.resize(size_t(count) * 3);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* p = data + header_end + i * entry;
      palette[i * 3] = p[2];
      palette[i * 3 + 1] = p[1];
      palette[i * 3 + 2] = p[0];
    }
  }
  // Colour masks for 16 and 32 bits: by default 5-5-5 and 8-8-8; for bit
  // fields they follow the 40-byte header (or are part of a longer one).
  Mask red, green, blue;
  if (bits == 16 || bits == 32) {
    uint32_t m[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32) m[0] = 0xFF0000, m[1] = 0xFF00, m[2] = 0xFF;
    if (masked) {
      if (size < 14 + 40 + 12 || info->pixel_offset < 14 + 40 + 12) return Result::kInvalid;
      for (int i = 0; i < 3; ++i) m[i] = Le32(data + 14 + 40 + 4 * i);
    }
    if (!red.Set(m[0]) || !green.Set(m[1]) || !blue.Set(m[2])) return Result::kInvalid;
  }

  RgbImage out;
  Allocate(out, w, h);
  auto from_palette = [&](uint32_t index, uint8_t* rgb) {
    if (size_t(index) * 3 + 3 <= palette.size()) std::memcpy(rgb, &palette[size_t(index) * 3], 3);
    // An index past the palette stays black.
  };
  Cursor pixels{data, size, info->pixel_offset};
  if (rle) {
    std::vector<uint8_t> index;
    if (!DecodeBmpRle(pixels, bits, w, h, index)) return Result::kInvalid;
    for (size_t i = 0; i < index.size(); ++i) from_palette(index[i], &out.rgb[i * 3]);
    image = std::move(out);
    return Result::kOk;
  }
  // Rows padded to 4 bytes; the padding of the last row may be missing.
  const size_t row_bytes = (size_t(w) * bits + 7) / 8, stride = (row_bytes + 3) & ~size_t(3);
  const size_t available = size - info->pixel_offset;
  if (size_t(h - 1) > available / stride || size_t(h - 1) * stride + row_bytes > available)
    return Result::kInvalid;
  for (int file_row = 0; file_row < h; ++file_row) {
    const uint8_t* src = data + info->pixel_offset + size_t(file_row) * stride;
    const int out_row = info->top_down ? h - 1 - file_row : file_row;
    uint8_t* dst = out.rgb.data() + size_t(out_row) * size_t(w) * 3;
    for (int x = 0; x < w; ++x, dst += 3) {
      switch (bits) {
        case 1:
        case 4:
        case 8: {
          const size_t bit = size_t(x) * bits;
          const uint32_t index = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
          from_palette(index, dst);
          break;
        }
        case 24:
          dst[0] = src[x * 3 + 2];
          dst[1] = src[x * 3 + 1];
          dst[2] = src[x * 3];
          break;
        default: {
          const uint32_t v = bits == 16 ? Le16(src + x * 2) : Le32(src + x * 4);
          dst[0] = red.Of(v);
          dst[1] = green.Of(v);
          dst[2] = blue.Of(v);
        }
      }
    }
  }
  image = std::move(out);
  return Result::kOk;
}

}  // namespace qx::decoders

#include "textures/bmp.h"

#include <cstring>

#include "scene/bytes.h"

namespace qx {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // OS/2 1.x: 16-bit width and height
constexpr uint32_t kInfoHeaderSize = 40;

uint16_t U16At(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
uint32_t U32At(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
int32_t I32At(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

bool KnownDepth(uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

std::optional<BmpInfo> ReadBmpInfo(const uint8_t* data, size_t size) {
  if (!data || size < kFileHeaderSize + 4) return std::nullopt;
  if (data[0] != 'B' || data[1] != 'M') return std::nullopt;
  BmpInfo info;
  info.pixel_offset = U32At(data + 10);
  info.header_size = U32At(data + kFileHeaderSize);
  const uint32_t hs = info.header_size;
  if (hs != kCoreHeaderSize && hs < kInfoHeaderSize) return std::nullopt;
  if (hs > size - kFileHeaderSize) return std::nullopt;
  const uint8_t* h = data + kFileHeaderSize;
  int64_t height;
  if (hs == kCoreHeaderSize) {
    info.width = U16At(h + 4);
    height = U16At(h + 6);
    info.bits_per_pixel = U16At(h + 10);
    info.compression = 0;
  } else {
    info.width = I32At(h + 4);
    height = I32At(h + 8);
    info.bits_per_pixel = U16At(h + 14);
    info.compression = U32At(h + 16);
  }
  if (info.width <= 0 || height == 0) return std::nullopt;
  info.top_down = height < 0;
  height = height < 0 ? -height : height;  // 64-bit: the most negative height cannot overflow
  if (height > INT32_MAX) return std::nullopt;
  info.height = static_cast<int32_t>(height);
  if (!KnownDepth(info.bits_per_pixel)) return std::nullopt;
  // The pixels follow the headers (and any palette); an offset into the headers is a damaged file.
  if (info.pixel_offset < kFileHeaderSize + hs || info.pixel_offset > size) return std::nullopt;
  return info;
}

std::optional<RgbImage> DecodeBmp24(const uint8_t* data, size_t size) {
  const std::optional<BmpInfo> info = ReadBmpInfo(data, size);
  if (!info || info->bits_per_pixel != 24 || info->compression != 0) return std::nullopt;
  const uint64_t w = static_cast<uint64_t>(info->width);
  const uint64_t h = static_cast<uint64_t>(info->height);
  const uint64_t row_bytes = w * 3;
  // Every file row is padded to a multiple of 4 bytes; the padding of the very
  // last row may be missing without harm.
  const uint64_t stride = (row_bytes + 3) & ~uint64_t(3);
  const uint64_t available = size - info->pixel_offset;
  if ((h - 1) > available / stride || (h - 1) * stride + row_bytes > available) return std::nullopt;

  RgbImage image;
  image.width = info->width;
  image.height = info->height;
  image.rgb.resize(static_cast<size_t>(row_bytes * h));
  const uint8_t* pixels = data + info->pixel_offset;
  for (uint64_t file_row = 0; file_row < h; ++file_row) {
    // Output rows go bottom first; a top-down file stores its top row first.
    const uint64_t out_row = info->top_down ? h - 1 - file_row : file_row;
    const uint8_t* src = pixels + file_row * stride;
    uint8_t* dst = image.rgb.data() + out_row * row_bytes;
    for (uint64_t x = 0; x < w; ++x) {
      dst[0] = src[2];  // stored as blue, green, red
      dst[1] = src[1];
      dst[2] = src[0];
      src += 3;
      dst += 3;
    }
  }
  return image;
}

std::vector<uint8_t> EncodeBmp24(const RgbImage& image) {
  const auto w = static_cast<uint32_t>(image.width), h = static_cast<uint32_t>(image.height);
  const uint32_t stride = (w * 3 + 3) & ~uint32_t(3);
  const uint32_t offset = kFileHeaderSize + kInfoHeaderSize;
  ByteWriter out;
  out.Reserve(offset + size_t(stride) * h);
  out.U8('B');
  out.U8('M');
  out.U32(offset + stride * h);
  out.U32(0);  // two reserved 16-bit fields
  out.U32(offset);
  out.U32(kInfoHeaderSize);
  out.I32(image.width);
  out.I32(image.height);  // positive: bottom row first
  out.U16(1);             // planes
  out.U16(24);
  out.U32(0);  // uncompressed
  out.U32(stride * h);
  out.I32(2835);  // 72 dpi in pixels per metre
  out.I32(2835);
  out.U32(0);  // no palette
  out.U32(0);
  std::vector<uint8_t> row(stride, 0);
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* src = image.rgb.data() + size_t(y) * w * 3;
    for (uint32_t x = 0; x < w; ++x, src += 3) {
      row[x * 3] = src[2];
      row[x * 3 + 1] = src[1];
      row[x * 3 + 2] = src[0];
    }
    out.Bytes(row.data(), row.size());
  }
  return out.Take();
}

}  // namespace qx

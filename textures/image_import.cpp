#include "textures/image_import.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "scene/bytes.h"
#include "scene/cp1252.h"
#include "textures/texture_library_file.h"

// The one place stb_image is compiled, limited to the formats offered; files
// are always in memory.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_TGA
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

namespace qx {

const char* const kImageFilter =
    "Bilder (*.png *.jpg *.jpeg *.tga *.gif *.bmp)|*.png;*.jpg;*.jpeg;*.tga;*.gif;*.bmp|"
    "PNG (*.png)|*.png|JPEG (*.jpg *.jpeg)|*.jpg;*.jpeg|Targa (*.tga)|*.tga|GIF (*.gif)|*.gif|"
    "Bitmaps (*.bmp)|*.bmp";

namespace {

// stb_image fills a read past the end with zeros and carries on, so a cut-off
// JPEG, GIF or TGA would decode to a picture with a grey or black tail. Fed
// through these callbacks, any attempt to read beyond the last byte is noticed
// and the picture refused. (Skips past the end are no reads: a BMP may lack
// the padding of its last row.)
struct MemoryStream {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  bool read_past_end = false;
};

int StreamRead(void* user, char* out, int wanted) {
  auto* s = static_cast<MemoryStream*>(user);
  const size_t n = std::min(s->size - s->pos, static_cast<size_t>(std::max(wanted, 0)));
  if (n == 0) {
    s->read_past_end = true;
    return 0;
  }
  std::memcpy(out, s->data + s->pos, n);
  s->pos += n;
  return static_cast<int>(n);
}

void StreamSkip(void* user, int n) {
  auto* s = static_cast<MemoryStream*>(user);
  if (n < 0)
    s->pos -= std::min(s->pos, static_cast<size_t>(-static_cast<int64_t>(n)));
  else
    s->pos += std::min(s->size - s->pos, static_cast<size_t>(n));
}

int StreamEof(void* user) {
  const auto* s = static_cast<const MemoryStream*>(user);
  return s->pos >= s->size;
}

constexpr stbi_io_callbacks kStreamCallbacks = {StreamRead, StreamSkip, StreamEof};

struct StbiFree {
  void operator()(stbi_uc* p) const { stbi_image_free(p); }
};

// stb_image 2.27 (Debian 12) builds a JPEG Huffman table from up to
// 16 x 255 code lengths into room for 256 and writes past it when a file
// declares more. The marker segments are walked here as the decoder walks
// them, and a file with such a table never reaches it.
bool JpegTablesFit(const uint8_t* data, size_t size) {
  // The decoder skips fill bytes before the start marker too, so anything
  // that starts with 0xFF is walked.
  if (size < 2 || data[0] != 0xFF) return true;  // no JPEG
  auto be16 = [&](size_t at) { return static_cast<size_t>(data[at] << 8 | data[at + 1]); };
  size_t pos = 0;
  while (pos + 1 < size) {
    if (data[pos] != 0xFF) {  // entropy-coded data between segments
      ++pos;
      continue;
    }
    const uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {
      pos += 2;  // a stuffed byte, or a marker without a segment
      continue;
    }
    if (marker == 0xD9 || pos + 4 > size) break;
    const size_t length = be16(pos + 2);
    if (marker == 0xC4) {
      // Tables follow one another until the segment's length is used up;
      // the decoder reads each table whole, whatever the length says.
      int64_t left = static_cast<int64_t>(length) - 2;
      size_t at = pos + 4;
      // A cut-off table still counts: the decoder reads zeros past the end
      // but keeps the counts it did read.
      while (left > 0 && at < size) {
        size_t n = 0;
        for (size_t i = 1; i <= 16 && at + i < size; ++i) n += data[at + i];
        if (n > 256) return false;
        at += 17 + n;
        left -= static_cast<int64_t>(17 + n);
      }
    }
    pos += 2 + length;
  }
  return true;
}

bool IsKeptBitmap(const uint8_t* data, size_t size) {
  return DecodeBmp24(data, size).has_value();
}

}  // namespace

std::optional<RgbImage> DecodeImage(const uint8_t* data, size_t size, std::string& message) {
  message = kInvalidFileMessage;
  if (!data || size == 0 || size > static_cast<size_t>(INT_MAX) || !JpegTablesFit(data, size))
    return std::nullopt;
  int w = 0, h = 0, channels = 0;
  // The header alone first: a huge picture is refused before any memory is taken for it.
  if (!stbi_info_from_memory(data, static_cast<int>(size), &w, &h, &channels) || w <= 0 || h <= 0)
    return std::nullopt;
  if (w > kMaxImageSide || h > kMaxImageSide) {
    message = kImageTooLargeMessage;
    return std::nullopt;
  }
  MemoryStream stream{data, size};
  int dw = 0, dh = 0;
  std::unique_ptr<stbi_uc, StbiFree> pixels(
      stbi_load_from_callbacks(&kStreamCallbacks, &stream, &dw, &dh, &channels, 3));
  if (!pixels || stream.read_past_end || dw != w || dh != h) return std::nullopt;

  RgbImage image;
  image.width = w;
  image.height = h;
  const size_t row = static_cast<size_t>(w) * 3;
  image.rgb.resize(row * static_cast<size_t>(h));
  // stb_image gives the top row first; RgbImage keeps the bottom row first.
  for (int y = 0; y < h; ++y)
    std::memcpy(image.rgb.data() + static_cast<size_t>(h - 1 - y) * row,
                pixels.get() + static_cast<size_t>(y) * row, row);
  message.clear();
  return image;
}

std::optional<std::vector<uint8_t>> ImageToBmp24(const uint8_t* data, size_t size, std::string& message) {
  // A bitmap the engine already reads keeps every byte, headers and padding included.
  if (IsKeptBitmap(data, size)) {
    const std::optional<BmpInfo> info = ReadBmpInfo(data, size);
    if (info->width > kMaxImageSide || info->height > kMaxImageSide) {
      message = kImageTooLargeMessage;
      return std::nullopt;
    }
    message.clear();
    return std::vector<uint8_t>(data, data + size);
  }
  std::optional<RgbImage> image = DecodeImage(data, size, message);
  if (!image) return std::nullopt;
  return EncodeBmp24(*image);
}

std::optional<TTexNode> ReadTextureFile(const std::filesystem::path& path, std::string& message) {
  std::error_code ec;
  const uintmax_t file_size = std::filesystem::file_size(path, ec);
  if (!ec && file_size > kMaxImageFileSize) {
    message = kInvalidFileMessage;  // no picture of at most 4096 x 4096 pixels is this large
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadWholeFile(path, bytes, error, kMaxImageFileSize)) {
    message = std::string(kReadFailedMessage) + "\n" + error;
    return std::nullopt;
  }
  std::optional<std::vector<uint8_t>> bitmap = ImageToBmp24(bytes.data(), bytes.size(), message);
  if (!bitmap) return std::nullopt;
  TTexNode node = MakeTexNode(0, TextureNameFromPath(path), std::move(*bitmap));
  node.SourcePath = path;
  return node;
}

std::string TextureNameFromPath(const std::filesystem::path& path) {
  return Utf8ToCp1252(path.stem().string());
}

}  // namespace qx

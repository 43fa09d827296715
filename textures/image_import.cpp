#include "textures/image_import.h"

#include <cstring>

#include "scene/bytes.h"
#include "scene/cp1252.h"
#include "textures/image_decoders.h"
#include "textures/texture_library_file.h"

namespace qx {

const char* const kImageFilter =
    "Bilder (*.png *.jpg *.jpeg *.tga *.gif *.bmp)|*.png;*.jpg;*.jpeg;*.tga;*.gif;*.bmp|"
    "PNG (*.png)|*.png|JPEG (*.jpg *.jpeg)|*.jpg;*.jpeg|Targa (*.tga)|*.tga|GIF (*.gif)|*.gif|"
    "Bitmaps (*.bmp)|*.bmp";

namespace {

bool IsKeptBitmap(const uint8_t* data, size_t size) {
  return DecodeBmp24(data, size).has_value();
}

}  // namespace

std::optional<RgbImage> DecodeImage(const uint8_t* data, size_t size, std::string& message) {
  message = kInvalidFileMessage;
  if (!data || size < 4) return std::nullopt;
  // The format by its magic; a TGA has none and is tried last.
  using decoders::Result;
  Result (*decode)(const uint8_t*, size_t, RgbImage&) = decoders::DecodeTga;
  static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G'};
  if (std::memcmp(data, kPng, 4) == 0)
    decode = decoders::DecodePng;
  else if (data[0] == 0xFF && data[1] == 0xD8)
    decode = decoders::DecodeJpeg;
  else if (std::memcmp(data, "GIF8", 4) == 0)
    decode = decoders::DecodeGif;
  else if (data[0] == 'B' && data[1] == 'M')
    decode = decoders::DecodeBmp;
  RgbImage image;
  const Result result = decode(data, size, image);
  if (result == Result::kTooLarge) message = kImageTooLargeMessage;
  if (result != Result::kOk) return std::nullopt;
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

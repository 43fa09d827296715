#pragma once
// Pictures in the formats artists keep (PNG, JPEG, TGA, GIF, BMP of any depth)
// become the one kind of bitmap the library stores and the engine reads: an
// uncompressed 24-bit BMP. Decoding runs in the core, without Qt or OpenGL:
// PNG, JPEG and GIF through libpng, libjpeg-turbo and giflib, TGA and BMP by
// readers of our own (image_decoders.h).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "textures/bmp.h"
#include "textures/texture_library.h"

namespace qx {

// Neither side of an added picture may be longer.
inline constexpr int kMaxImageSide = 4096;
// A picture file larger than this is refused before it is read.
inline constexpr uint64_t kMaxImageFileSize = uint64_t(256) << 20;

inline constexpr const char* kImageTooLargeMessage =
    "Ungültige Datei!\nDas Bild ist größer als 4096 x 4096 Pixel.";

// "Bilder (*.png *.jpg ...)|*.png;*.jpg;...": the file dialogs' filter.
extern const char* const kImageFilter;

// Decodes a picture file's bytes to RGB (alpha dropped, 16-bit samples cut to
// their high byte, the first frame of a GIF). nullopt with `message` set when
// the bytes are no picture of a known format, are damaged or cut short, or a
// side is longer than kMaxImageSide (checked before anything is decoded).
std::optional<RgbImage> DecodeImage(const uint8_t* data, size_t size, std::string& message);

// The bitmap file the library stores for a picture file: an uncompressed
// 24-bit BMP is kept byte for byte, any other picture is decoded and written
// as one.
std::optional<std::vector<uint8_t>> ImageToBmp24(const uint8_t* data, size_t size, std::string& message);

// Reads a picture file into a library entry (TexId 0) named after the file,
// with its SourcePath set. nullopt with `message` set when it cannot be used.
std::optional<TTexNode> ReadTextureFile(const std::filesystem::path& path, std::string& message);

// The name a texture gets from its file: the file name without folder and
// without its extension, in Windows-1252.
std::string TextureNameFromPath(const std::filesystem::path& path);

}  // namespace qx

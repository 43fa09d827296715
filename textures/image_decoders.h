#pragma once
// The decoders behind DecodeImage, one per format. PNG, JPEG and GIF go
// through the system's libpng, libjpeg-turbo and giflib; TGA and BMP of every
// depth are read here. Each checks the picture's size from its header before
// it takes memory for the pixels, and refuses a file that is damaged or cut
// short instead of filling the gap.

#include <cstddef>
#include <cstdint>

#include "textures/bmp.h"

namespace qx::decoders {

enum class Result { kOk, kInvalid, kTooLarge };

// Each fills `image` (bottom row first, RGB) only when it returns kOk.
Result DecodePng(const uint8_t* data, size_t size, RgbImage& image);
Result DecodeJpeg(const uint8_t* data, size_t size, RgbImage& image);
Result DecodeGif(const uint8_t* data, size_t size, RgbImage& image);
Result DecodeTga(const uint8_t* data, size_t size, RgbImage& image);
// Any bitmap: 1, 4, 8 bits with a palette (uncompressed or run-length
// encoded), 16 and 32 bits (default layout or bit masks), 24 bits.
Result DecodeBmp(const uint8_t* data, size_t size, RgbImage& image);

// Whether a picture of this size may be decoded at all (each side at most
// kMaxImageSide); kInvalid for an empty one.
Result CheckSize(int64_t width, int64_t height);

// Sizes `image` for width x height pixels, black.
void Allocate(RgbImage& image, int width, int height);

}  // namespace qx::decoders

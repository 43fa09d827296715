#pragma once
// A lightmap as a PNG picture, for looking at baked lighting outside the
// editor. The picture is 8-bit RGB, uncompressed (stored deflate blocks):
// lightmaps are small, and this needs no compression library. Row 0 of the
// lightmap (v near 0) is the top row of the picture.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qx {

// The bytes of a PNG file for width x height RGB texels, row after row.
// Width and height must be positive and `rgb` must hold width * height * 3 bytes.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

// CRC-32 as PNG chunks use it (ISO-HDLC polynomial).
uint32_t PngCrc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace qx

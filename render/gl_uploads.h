#pragma once
// Texture uploads into the viewport's context. Each needs that context
// current (the viewport's MakeCurrent does it).

#include <cstdint>

namespace qx {

// A library texture: tightly packed RGB rows, first row first, on unit 0,
// nearest-neighbour filtering, all mipmap levels. 0 when nothing was made.
uint32_t UploadTexturePixels(const uint8_t* rgb, int width, int height);

// A baked lightmap: linear filtering, clamped at the edges, all mipmap levels.
uint32_t UploadLightmapPixels(const uint8_t* rgb, int width, int height);

// New bytes of the same size for a lightmap texture made by
// UploadLightmapPixels; false when there is no context or name.
bool ReplaceLightmapPixels(uint32_t name, const uint8_t* rgb, int width, int height);

void DeleteTextureName(uint32_t name);

}  // namespace qx

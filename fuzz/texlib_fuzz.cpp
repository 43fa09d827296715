// Feeds arbitrary bytes to the texture library reader; whatever it accepts
// must write back to exactly the bytes it was read from (up to any trailing
// bytes, which the reader ignores).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "textures/texture_library_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto entries = qx::ReadTextureLibraryBytes(data, size);
  if (!entries) return 0;
  const auto bytes = qx::WriteTextureLibraryBytes(*entries);
  if (!bytes || bytes->size() > size || !std::equal(bytes->begin(), bytes->end(), data)) std::abort();
  return 0;
}

// Feeds arbitrary bytes to the level-file reader: it must refuse or accept,
// never crash, hang or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lighting/level_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  qx::LevelFile file;
  std::string error;
  if (qx::ReadLevelFile(bytes, file, error)) {
    size_t records = file.records.size();
    (void)records;
  }
  return 0;
}

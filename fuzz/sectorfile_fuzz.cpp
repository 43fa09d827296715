// Feeds arbitrary bytes to the sector file reader and imports what it accepts
// into a scene: the import must add exactly the file's nodes, and the imported
// sector must save to a file that imports again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "commands/sector_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qx::SceneTree staging;
  std::string error;
  if (!qx::ReadSectorFile(data, size, staging, &error)) {
    if (error.empty() || !staging.Empty()) std::abort();
    return 0;
  }
  const size_t count = staging.Count();
  qx::Editor editor;
  qx::TSector* sector = qx::ImportSectorFromBytes(editor, data, size, &error);
  if (!sector || editor.Tree.Count() != count || editor.Tree.First() != sector) std::abort();
  const std::vector<uint8_t> saved = qx::WriteSectorFile(sector);
  qx::Editor again;
  if (!qx::ImportSectorFromBytes(again, saved.data(), saved.size(), &error)) std::abort();
  if (again.Tree.Count() != count) std::abort();
  return 0;
}

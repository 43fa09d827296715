// Feeds arbitrary bytes to the map document reader. Whatever it accepts must
// save and load again, and the second save must give the first save's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "document/map_document_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qx::MapDocument doc;
  std::string error;
  if (!qx::ReadMapDocument(data, size, doc, &error)) {
    if (error.empty() || !doc.tree.Empty()) std::abort();
    return 0;
  }
  qx::Editor editor;
  qx::ApplyMapDocument(editor, doc);
  const std::vector<uint8_t> saved = qx::WriteMapDocument(editor);
  qx::Editor again;
  if (!qx::LoadMapDocumentFromBytes(again, saved.data(), saved.size(), &error)) std::abort();
  if (qx::WriteMapDocument(again) != saved) std::abort();
  return 0;
}

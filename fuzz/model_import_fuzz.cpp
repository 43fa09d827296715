// Feeds arbitrary bytes to the model import (assimp reading from memory): the
// first byte picks the format, the rest is the file. Whatever is accepted must
// keep the import limits and build a model node whose every index is in range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "model_node_check.h"
#include "models/model_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kFormats[] = {"obj", "gltf", "glb", "fbx", "3ds", "ply", "dae"};
  if (size < 1) return 0;
  const std::string extension = kFormats[data[0] % 7];
  std::string message;
  // Far under libFuzzer's own limit of ten seconds (an input of at most 64 KiB parses in
  // milliseconds): a hang of the parser is refused, not reported, and costs little time.
  std::unique_ptr<qx::TMD2> model = qx::ImportModelFromMemory(data + 1, size - 1, extension, message, 2000);
  if (!model) {
    if (message.rfind("Ungültige Datei!", 0) != 0) std::abort();
    return 0;
  }
  if (model->VertexCount() > qx::kFrameMaxVertices || model->TriangleCount() > qx::kMD2MaxTriangles)
    std::abort();
  for (float f : model->FramePositions())
    if (!std::isfinite(f)) std::abort();
  qx::fuzz::CheckModelNode(std::move(model));
  return 0;
}

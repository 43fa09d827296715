#pragma once
// Models in the formats artists export (OBJ, glTF/GLB, FBX, 3DS, PLY,
// Collada), read with assimp into the single-frame form of an MD2 model, so
// that a model node is built from them exactly as from an MD2 file.
//
// Every mesh of the file goes into the one model, in the file's order; faces
// are triangulated (k corners give k - 2 triangles), the first texture
// coordinate set is kept per vertex, and positions stay as the file stores
// them (node transforms are not applied, as with MD2). Vertices equal in
// position and texture coordinates are joined. The limits are what a model
// node and the level file hold: 65535 triangles (the node's 16-bit count)
// and three vertices for each (kFrameMaxVertices); MD2's own limit of 2048
// vertices belongs to that format's frame layout and does not apply here.
//
// assimp runs in a child process (child_process.h); only plain numbers come
// back, and they are checked again here before a model is made of them.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "models/md2.h"

namespace qx {

// A model file larger than this is refused before it is read.
inline constexpr uint64_t kMaxModelFileSize = uint64_t(256) << 20;

static_assert(kFrameMaxVertices == 196605 && kMD2MaxTriangles == 65535, "the messages name the limits");
inline constexpr const char* kTooManyVerticesMessage =
    "Ungültige Datei!\nDas Modell hat mehr als 196605 Vertices.";
inline constexpr const char* kTooManyTrianglesMessage =
    "Ungültige Datei!\nDas Modell hat mehr als 65535 Dreiecke.";

// The diffuse texture a model's first textured material names: the name as
// the file gives it, and when the file carries the picture itself, its bytes
// (a picture file such as PNG) or its pixels (RGB, top row first).
struct ModelTexture {
  std::string name;
  std::vector<uint8_t> embedded_file;
  int32_t width = 0, height = 0;
  std::vector<uint8_t> embedded_rgb;

  bool Named() const { return !name.empty() || Embedded(); }
  bool Embedded() const { return !embedded_file.empty() || !embedded_rgb.empty(); }
};

// An embedded picture larger than this is left out (the model is still read).
inline constexpr size_t kMaxEmbeddedTextureBytes = size_t(48) << 20;

// Whether the file name ends in one of the imported formats' extensions
// (.obj, .gltf, .glb, .fbx, .3ds, .ply, .dae), in any letter case.
bool HasImportExtension(const std::filesystem::path& path);

// Reads a model file (files it names, such as a glTF's buffers, are found
// beside it). Null with `message` set when the file is no valid model of a
// known format, has no triangle, or breaks a limit.
// With `texture`, it receives the diffuse texture the model names (empty
// when it names none).
std::unique_ptr<TMD2> ImportModelFile(const std::filesystem::path& path, std::string& message,
                                      ModelTexture* texture = nullptr);

// The same from bytes in memory; `extension` ("obj", "glb", ...) tells the
// format. Nothing outside the buffer is opened, whatever the bytes name. A
// parser caught in a loop is given up after `timeout_ms` (0: a time that
// grows with the size, as for files).
std::unique_ptr<TMD2> ImportModelFromMemory(const uint8_t* data, size_t size, const std::string& extension,
                                            std::string& message, int timeout_ms = 0,
                                            ModelTexture* texture = nullptr);

}  // namespace qx

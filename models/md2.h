#pragma once
// Loader of Quake 2 MD2 model files. A model node keeps the loader it was
// inserted with; everything the editor uses is copied into the node's own
// vertex and triangle arrays (only the first frame is used).
//
// The file is validated before anything is decoded: counts and offsets must
// lie inside the file, a frame must hold its vertices, every triangle corner
// must name an existing vertex and texture coordinate. A refused file leaves
// the loader as it was.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scene/vector.h"

namespace qx {

inline constexpr int kMD2HeaderSize = 68;       // 17 signed 32-bit fields
inline constexpr int kMD2MaxVertices = 2048;    // per frame, the format's limit
inline constexpr int kMD2MaxTriangles = 65535;  // what a node's 16-bit TriangleCount holds
inline constexpr int kMD2FrameHeaderSize = 40;  // scale, translate, 16-byte name
// A single frame made elsewhere (an imported mesh) is bound by the node's
// 16-bit triangle count only: every triangle may have corners of its own.
inline constexpr int kFrameMaxVertices = 3 * kMD2MaxTriangles;

// The header fields by position.
enum MD2Field : int {
  kMD2Ident,
  kMD2Version,
  kMD2SkinWidth,
  kMD2SkinHeight,
  kMD2FrameSize,
  kMD2NumSkins,
  kMD2NumVertices,
  kMD2NumTexCoords,
  kMD2NumTriangles,
  kMD2NumGlCommands,
  kMD2NumFrames,
  kMD2OffsetSkins,
  kMD2OffsetTexCoords,
  kMD2OffsetTriangles,
  kMD2OffsetFrames,
  kMD2OffsetGlCommands,
  kMD2OffsetEnd,
};

// One triangle: three vertex indices, then three texture-coordinate indices.
// An MD2 file stores them as signed 16 bits; they are held wider, since an
// imported mesh may have more vertices than 16 bits can name.
struct MD2Triangle {
  int32_t Vertex[3] = {0, 0, 0};
  int32_t TexCoord[3] = {0, 0, 0};
};

class TMD2 {
 public:
  // Reads and decodes the file; false (with Error() set to the text to show)
  // when it cannot be read or is no valid MD2 file.
  bool LoadFromFile(const std::filesystem::path& path);
  bool LoadFromMemory(const uint8_t* data, size_t size);
  // Takes a single-frame model made elsewhere (an imported mesh), under the
  // rules: at most kFrameMaxVertices vertices and kMD2MaxTriangles
  // triangles, finite numbers, every corner naming an existing vertex and
  // texture coordinate. `positions` holds x, y, z per vertex, `tex_coords` u, v
  // per entry. False (Error() set, the loader unchanged) when a rule is broken.
  bool LoadFrame(std::vector<float> positions, std::vector<float> tex_coords,
                 std::vector<MD2Triangle> triangles);

  bool Loaded() const { return loaded_; }
  const std::string& Error() const { return error_; }

  const std::array<int32_t, 17>& Header() const { return header_; }
  int VertexCount() const { return vertex_count_; }
  int FrameCount() const { return frame_count_; }
  int TexCoordCount() const { return tex_coord_count_; }
  int TriangleCount() const { return static_cast<int>(triangles_.size()); }
  int FrameSize() const { return frame_size_; }

  // Position of a vertex in a frame: the stored byte times the frame's scale
  // plus its translation, per axis, with the file's own axes.
  Vector FramePosition(int frame, int vertex) const;
  // x, y, z of every vertex of every frame, frame by frame.
  const std::vector<float>& FramePositions() const { return positions_; }
  // u = s / skin width, v = -t / skin height, two floats per entry.
  const std::vector<float>& TexCoords() const { return tex_coords_; }
  const std::vector<MD2Triangle>& Triangles() const { return triangles_; }

 private:
  std::array<int32_t, 17> header_{};
  int vertex_count_ = 0, frame_count_ = 0, tex_coord_count_ = 0, frame_size_ = 0;
  std::vector<float> positions_;
  std::vector<float> tex_coords_;
  std::vector<MD2Triangle> triangles_;
  bool loaded_ = false;
  std::string error_;
};

}  // namespace qx

#include "models/md2.h"

#include <cmath>

#include "scene/bytes.h"

namespace qx {

namespace {

constexpr const char* kInvalid = "Ungültige Datei!";
constexpr const char* kUnreadable = "Die Datei konnte nicht gelesen werden!";
constexpr uint64_t kTexCoordSize = 4;  // s, t as signed 16-bit
constexpr uint64_t kTriangleSize = 12;
constexpr uint64_t kFrameVertexSize = 4;  // x, y, z bytes and a normal index

// Whether `count` records of `item` bytes starting at `offset` lie inside a
// file of `size` bytes. Nothing is needed of an empty section, wherever it points.
bool SectionFits(int64_t offset, int64_t count, uint64_t item, uint64_t size) {
  if (count == 0) return true;
  if (offset < 0 || count < 0) return false;
  const uint64_t o = static_cast<uint64_t>(offset);
  return o <= size && static_cast<uint64_t>(count) <= (size - o) / item;
}

}  // namespace

bool TMD2::LoadFromFile(const std::filesystem::path& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadWholeFile(path, bytes, error)) {
    error_ = std::string(kUnreadable) + "\n" + error;
    return false;
  }
  return LoadFromMemory(bytes.data(), bytes.size());
}

bool TMD2::LoadFromMemory(const uint8_t* data, size_t size) {
  if (!data || size < static_cast<size_t>(kMD2HeaderSize)) {
    error_ = kInvalid;
    return false;
  }
  ByteReader r(data, size);
  std::array<int32_t, 17> header;
  for (int32_t& field : header) field = r.I32();

  const int32_t skin_w = header[kMD2SkinWidth], skin_h = header[kMD2SkinHeight];
  const int32_t frame_size = header[kMD2FrameSize];
  const int32_t vertices = header[kMD2NumVertices], tex_coords = header[kMD2NumTexCoords];
  const int32_t triangles = header[kMD2NumTriangles], frames = header[kMD2NumFrames];
  const int32_t ofs_st = header[kMD2OffsetTexCoords], ofs_tris = header[kMD2OffsetTriangles];
  const int32_t ofs_frames = header[kMD2OffsetFrames];

  bool valid = vertices >= 0 && vertices <= kMD2MaxVertices && tex_coords >= 0 && triangles >= 0 &&
               triangles <= kMD2MaxTriangles && frames >= 1 &&
               frame_size >= kMD2FrameHeaderSize + int64_t(kFrameVertexSize) * vertices;
  // Texture coordinates are divided by the skin size.
  valid = valid && (tex_coords == 0 || (skin_w > 0 && skin_h > 0));
  valid = valid && SectionFits(ofs_st, tex_coords, kTexCoordSize, size) &&
          SectionFits(ofs_tris, triangles, kTriangleSize, size);
  // Every frame starts inside the file and the last one holds its vertices;
  // the padding a frame size may add after the last frame need not be there.
  const uint64_t last_frame = kMD2FrameHeaderSize + kFrameVertexSize * uint64_t(vertices > 0 ? vertices : 0);
  valid = valid && ofs_frames >= 0 && uint64_t(ofs_frames) <= size &&
          size - uint64_t(ofs_frames) >= last_frame &&
          uint64_t(frames - 1) <= (size - uint64_t(ofs_frames) - last_frame) / uint64_t(frame_size);
  if (!valid) {
    error_ = kInvalid;
    return false;
  }

  std::vector<float> positions(size_t(frames) * size_t(vertices) * 3);
  for (int f = 0; f < frames; ++f) {
    r.Seek(size_t(ofs_frames) + size_t(f) * size_t(frame_size));
    float scale[3], translate[3];
    for (float& s : scale) s = r.F32();
    for (float& t : translate) t = r.F32();
    for (int i = 0; i < 3; ++i)
      if (!std::isfinite(scale[i]) || !std::isfinite(translate[i])) {
        error_ = kInvalid;  // would put infinities into the scene and every file made of it
        return false;
      }
    r.Skip(16);  // frame name
    float* out = positions.data() + size_t(f) * size_t(vertices) * 3;
    for (int v = 0; v < vertices; ++v) {
      const uint8_t* b = r.Bytes(kFrameVertexSize);
      // Exact in double, then rounded once to float.
      for (int axis = 0; axis < 3; ++axis)
        *out++ = static_cast<float>(double(b[axis]) * double(scale[axis]) + double(translate[axis]));
    }
  }

  std::vector<float> uv(size_t(tex_coords) * 2);
  if (tex_coords > 0) r.Seek(size_t(ofs_st));
  for (int i = 0; i < tex_coords; ++i) {
    const auto s = static_cast<int16_t>(r.U16());
    const auto t = static_cast<int16_t>(r.U16());
    uv[size_t(i) * 2] = float(s) / float(skin_w);
    uv[size_t(i) * 2 + 1] = float(-t) / float(skin_h);
  }

  std::vector<MD2Triangle> tris(static_cast<size_t>(triangles));
  if (triangles > 0) r.Seek(size_t(ofs_tris));
  for (MD2Triangle& tri : tris) {
    for (int32_t& v : tri.Vertex) v = static_cast<int16_t>(r.U16());
    for (int32_t& t : tri.TexCoord) t = static_cast<int16_t>(r.U16());
    for (int k = 0; k < 3; ++k)
      if (tri.Vertex[k] < 0 || tri.Vertex[k] >= vertices || tri.TexCoord[k] < 0 ||
          tri.TexCoord[k] >= tex_coords) {
        error_ = kInvalid;
        return false;
      }
  }

  header_ = header;
  vertex_count_ = vertices;
  frame_count_ = frames;
  tex_coord_count_ = tex_coords;
  frame_size_ = frame_size;
  positions_ = std::move(positions);
  tex_coords_ = std::move(uv);
  triangles_ = std::move(tris);
  loaded_ = true;
  error_.clear();
  return true;
}

bool TMD2::LoadFrame(std::vector<float> positions, std::vector<float> tex_coords,
                     std::vector<MD2Triangle> triangles) {
  const size_t vertices = positions.size() / 3, coords = tex_coords.size() / 2;
  bool valid = positions.size() % 3 == 0 && tex_coords.size() % 2 == 0 &&
               vertices <= size_t(kFrameMaxVertices) && coords <= size_t(kFrameMaxVertices) &&
               triangles.size() <= size_t(kMD2MaxTriangles);
  for (size_t i = 0; valid && i < positions.size(); ++i) valid = std::isfinite(positions[i]);
  for (size_t i = 0; valid && i < tex_coords.size(); ++i) valid = std::isfinite(tex_coords[i]);
  for (size_t i = 0; valid && i < triangles.size(); ++i)
    for (int k = 0; k < 3; ++k)
      valid = valid && triangles[i].Vertex[k] >= 0 && size_t(triangles[i].Vertex[k]) < vertices &&
              triangles[i].TexCoord[k] >= 0 && size_t(triangles[i].TexCoord[k]) < coords;
  if (!valid) {
    error_ = kInvalid;
    return false;
  }
  vertex_count_ = static_cast<int>(vertices);
  frame_count_ = 1;
  tex_coord_count_ = static_cast<int>(coords);
  frame_size_ = 0;  // no file frame behind it
  header_ = {};
  header_[kMD2NumVertices] = vertex_count_;
  header_[kMD2NumTexCoords] = tex_coord_count_;
  header_[kMD2NumTriangles] = static_cast<int32_t>(triangles.size());
  header_[kMD2NumFrames] = 1;
  positions_ = std::move(positions);
  tex_coords_ = std::move(tex_coords);
  triangles_ = std::move(triangles);
  loaded_ = true;
  error_.clear();
  return true;
}

Vector TMD2::FramePosition(int frame, int vertex) const {
  const size_t at = (size_t(frame) * size_t(vertex_count_) + size_t(vertex)) * 3;
  return {positions_[at], positions_[at + 1], positions_[at + 2]};
}

}  // namespace qx

#pragma once
// MD2 files built byte by byte for the tests: header, texture coordinates,
// triangles, then the frames, so that the frames end the file.

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "models/md2.h"

namespace qx::test {

struct Md2Frame {
  float scale[3] = {1, 1, 1};
  float translate[3] = {0, 0, 0};
  std::vector<std::array<uint8_t, 3>> vertices;
};

struct Md2Spec {
  int32_t skin_width = 256, skin_height = 256;
  std::vector<std::array<int16_t, 2>> tex_coords;  // s, t
  std::vector<std::array<int16_t, 6>> triangles;   // vertex a, b, c, then texture coordinate a, b, c
  std::vector<Md2Frame> frames;
  int32_t frame_padding = 0;  // extra bytes after each frame's vertices (not after the last one)
};

inline void Md2Put(std::vector<uint8_t>& b, const void* p, size_t n) {
  const auto* c = static_cast<const uint8_t*>(p);
  b.insert(b.end(), c, c + n);
}

inline std::vector<uint8_t> MakeMd2(const Md2Spec& s) {
  const int32_t vertices = s.frames.empty() ? 0 : static_cast<int32_t>(s.frames[0].vertices.size());
  const int32_t frame_size = kMD2FrameHeaderSize + 4 * vertices + s.frame_padding;
  const int32_t ofs_st = kMD2HeaderSize;
  const int32_t ofs_tris = ofs_st + 4 * static_cast<int32_t>(s.tex_coords.size());
  const int32_t ofs_frames = ofs_tris + 12 * static_cast<int32_t>(s.triangles.size());
  const int32_t frames = static_cast<int32_t>(s.frames.size());
  const int32_t end = ofs_frames + frame_size * frames - (frames > 0 ? s.frame_padding : 0);
  int32_t header[17] = {0x32504449,  // "IDP2"
                        8,
                        s.skin_width,
                        s.skin_height,
                        frame_size,
                        0,
                        vertices,
                        static_cast<int32_t>(s.tex_coords.size()),
                        static_cast<int32_t>(s.triangles.size()),
                        0,
                        frames,
                        end,
                        ofs_st,
                        ofs_tris,
                        ofs_frames,
                        end,
                        end};
  std::vector<uint8_t> b;
  Md2Put(b, header, sizeof header);
  for (const auto& st : s.tex_coords) Md2Put(b, st.data(), 4);
  for (const auto& t : s.triangles) Md2Put(b, t.data(), 12);
  for (size_t f = 0; f < s.frames.size(); ++f) {
    const Md2Frame& fr = s.frames[f];
    Md2Put(b, fr.scale, 12);
    Md2Put(b, fr.translate, 12);
    char name[16] = "frame";
    Md2Put(b, name, 16);
    for (const auto& v : fr.vertices) {
      Md2Put(b, v.data(), 3);
      b.push_back(7);  // normal index, unused
    }
    if (f + 1 < s.frames.size()) b.insert(b.end(), static_cast<size_t>(s.frame_padding), 0xCC);
  }
  return b;
}

inline void SetMd2Field(std::vector<uint8_t>& b, int field, int32_t value) {
  std::memcpy(b.data() + 4 * field, &value, 4);
}

inline int32_t Md2Field(const std::vector<uint8_t>& b, int field) {
  int32_t v;
  std::memcpy(&v, b.data() + 4 * field, 4);
  return v;
}

// Two frames of four vertices, six texture coordinates (more than vertices),
// two triangles sharing the edge 1-2.
inline Md2Spec SampleMd2() {
  Md2Spec s;
  s.skin_width = 128;
  s.skin_height = 256;
  s.tex_coords = {{0, 0}, {128, 0}, {0, 64}, {128, 256}, {64, 128}, {32, -32}};
  s.triangles = {{0, 1, 2, 0, 1, 2}, {2, 1, 3, 4, 5, 3}};
  Md2Frame f0;
  f0.scale[0] = 0.5f;
  f0.scale[1] = 2.0f;
  f0.scale[2] = 0.25f;
  f0.translate[0] = -10;
  f0.translate[1] = 3;
  f0.translate[2] = 100;
  f0.vertices = {{0, 0, 0}, {255, 1, 2}, {10, 20, 30}, {1, 128, 200}};
  Md2Frame f1 = f0;
  f1.translate[0] = 1000;
  f1.vertices = {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}, {6, 6, 6}};
  s.frames = {f0, f1};
  s.frame_padding = 8;
  return s;
}

}  // namespace qx::test

#pragma once
// Model files of the formats read through assimp, written as text (OBJ, PLY,
// glTF with an embedded buffer) or bytes (GLB) for the tests.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qx::test {

inline std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

// A quad (counter-clockwise seen from +z) and a pentagon beside it, both with
// texture coordinates.
inline const char* const kQuadAndPentagonObj =
    "# quad and pentagon\n"
    "v 0 0 0\nv 10 0 0\nv 10 10 0\nv 0 10 0\n"
    "v 20 0 0\nv 30 0 0\nv 32 8 0\nv 25 14 0\nv 18 8 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 0.5 0.25\n"
    "f 1/1 2/2 3/3 4/4\n"
    "f 5/5 6/5 7/5 8/5 9/5\n";

// Two objects, one triangle each: two meshes in one file.
inline const char* const kTwoObjectsObj =
    "o first\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
    "o second\nv 5 5 5\nv 6 5 5\nv 5 6 5\nv 6 6 5\nf 4 5 7 6\n";

inline const char* const kQuadPly =
    "ply\nformat ascii 1.0\n"
    "element vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
    "property float s\nproperty float t\n"
    "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
    "0 0 0 0 0\n2 0 0 1 0\n2 2 0 1 1\n0 2 0 0 1\n"
    "4 0 1 2 3\n";

// One triangle more than a model node holds, all on three vertices.
inline std::string TooManyTrianglesObj() {
  std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  for (int i = 0; i <= 65535; ++i) obj += "f 1 2 3\n";
  return obj;
}

inline std::string Base64(const std::vector<uint8_t>& data) {
  static const char* const kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < data.size(); i += 3) {
    const uint32_t n = uint32_t(data[i]) << 16 | (i + 1 < data.size() ? uint32_t(data[i + 1]) << 8 : 0) |
                       (i + 2 < data.size() ? data[i + 2] : 0);
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += i + 1 < data.size() ? kAlphabet[(n >> 6) & 63] : '=';
    out += i + 2 < data.size() ? kAlphabet[n & 63] : '=';
  }
  return out;
}

inline void PutFloats(std::vector<uint8_t>& b, std::initializer_list<float> values) {
  for (float f : values) {
    uint8_t raw[4];
    std::memcpy(raw, &f, 4);
    b.insert(b.end(), raw, raw + 4);
  }
}

// The buffer of the two-mesh glTF model: mesh 0 is a triangle with two
// texture coordinate sets, mesh 1 a triangle without any.
inline std::vector<uint8_t> TwoMeshBuffer() {
  std::vector<uint8_t> b;
  PutFloats(b, {0, 0, 0, 1, 0, 0, 0, 1, 0});                // 0: positions of mesh 0
  PutFloats(b, {0.25f, 0.5f, 0.75f, 0.5f, 0.25f, 0.125f});  // 36: TEXCOORD_0
  PutFloats(b, {9, 9, 9, 9, 9, 9});                         // 60: TEXCOORD_1
  b.insert(b.end(), {0, 0, 1, 0, 2, 0, 0, 0});              // 84: indices 0 1 2, padded
  PutFloats(b, {5, 5, 5, 6, 5, 5, 5, 6, 5});                // 92: positions of mesh 1
  return b;                                                 // 128 bytes
}

// The glTF document; `uri` is the buffer's (empty for a GLB's own chunk).
inline std::string TwoMeshGltf(const std::string& uri) {
  std::string buffer = "{\"byteLength\":128";
  if (!uri.empty()) buffer += ",\"uri\":\"" + uri + "\"";
  buffer += "}";
  return "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0,1]}],"
         "\"nodes\":[{\"mesh\":0,\"translation\":[100,0,0]},{\"mesh\":1,\"scale\":[2,2,2]}],"
         "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,\"TEXCOORD_0\":1,\"TEXCOORD_1\":2},"
         "\"indices\":3}]},{\"primitives\":[{\"attributes\":{\"POSITION\":4},\"indices\":3}]}],"
         "\"buffers\":[" +
         buffer +
         "],"
         "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":36},"
         "{\"buffer\":0,\"byteOffset\":36,\"byteLength\":24},{\"buffer\":0,\"byteOffset\":60,\"byteLength\":"
         "24},"
         "{\"buffer\":0,\"byteOffset\":84,\"byteLength\":6},{\"buffer\":0,\"byteOffset\":92,\"byteLength\":"
         "36}],"
         "\"accessors\":["
         "{\"bufferView\":0,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\",\"min\":[0,0,0],\"max\":[1,"
         "1,0]},"
         "{\"bufferView\":1,\"componentType\":5126,\"count\":3,\"type\":\"VEC2\"},"
         "{\"bufferView\":2,\"componentType\":5126,\"count\":3,\"type\":\"VEC2\"},"
         "{\"bufferView\":3,\"componentType\":5123,\"count\":3,\"type\":\"SCALAR\"},"
         "{\"bufferView\":4,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\",\"min\":[5,5,5],\"max\":[6,"
         "6,5]}]}";
}

inline std::string TwoMeshGltfEmbedded() {
  return TwoMeshGltf("data:application/octet-stream;base64," + Base64(TwoMeshBuffer()));
}

inline void PutU32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The same model as one binary glTF file.
inline std::vector<uint8_t> TwoMeshGlb() {
  std::string json = TwoMeshGltf("");
  while (json.size() % 4 != 0) json += ' ';
  const std::vector<uint8_t> bin = TwoMeshBuffer();
  std::vector<uint8_t> glb = {'g', 'l', 'T', 'F'};
  PutU32(glb, 2);
  PutU32(glb, static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
  PutU32(glb, static_cast<uint32_t>(json.size()));
  PutU32(glb, 0x4E4F534A);  // "JSON"
  glb.insert(glb.end(), json.begin(), json.end());
  PutU32(glb, static_cast<uint32_t>(bin.size()));
  PutU32(glb, 0x004E4942);  // "BIN\0"
  glb.insert(glb.end(), bin.begin(), bin.end());
  return glb;
}

}  // namespace qx::test

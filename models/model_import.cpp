#include "models/model_import.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/MemoryIOWrapper.h>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <assimp/Importer.hpp>
#include <cctype>
#include <cstdio>
#include <functional>
#include <string_view>
#include <system_error>
#include <vector>

#include "models/child_process.h"
#include "scene/bytes.h"

namespace qx {

namespace {

constexpr const char* kInvalid = "Ungültige Datei!";
// A parser still busy after this is caught in a loop: twenty seconds (a
// model at the limits takes well under one, on a busy machine a few), and
// half a second more per MiB of file.
int ImportTimeoutMs(uint64_t file_size) {
  return 20000 + static_cast<int>(file_size >> 20) * 500;
}
// The largest message a child can send within the vertex and triangle limits,
// and an embedded texture.
constexpr size_t kMaxMeshBytes = (size_t(1) << 24) + kMaxEmbeddedTextureBytes + 1024;

constexpr std::array<std::string_view, 7> kExtensions = {".obj", ".gltf", ".glb", ".fbx",
                                                         ".3ds", ".ply",  ".dae"};

// What a model node keeps of a vertex is its position and one pair of
// texture coordinates: everything else is dropped before vertices are
// joined, so that corners differing only in a normal become one vertex.
// (assimp's flags name the sets up to 6 only; a seventh set is rare enough.)
constexpr unsigned kDroppedComponents =
    aiComponent_NORMALS | aiComponent_TANGENTS_AND_BITANGENTS | aiComponent_COLORS | aiComponent_BONEWEIGHTS |
    aiComponent_ANIMATIONS | aiComponent_LIGHTS | aiComponent_CAMERAS | aiComponent_TEXCOORDSn(1) |
    aiComponent_TEXCOORDSn(2) | aiComponent_TEXCOORDSn(3) | aiComponent_TEXCOORDSn(4) |
    aiComponent_TEXCOORDSn(5) | aiComponent_TEXCOORDSn(6);

// No aiProcess_PreTransformVertices: positions stay as stored, like an MD2
// model's. No aiProcess_FindDegenerates either: no triangle is dropped.
constexpr unsigned kSteps = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                            aiProcess_RemoveComponent | aiProcess_ValidateDataStructure;

void Configure(Assimp::Importer& importer) {
  importer.SetPropertyInteger(AI_CONFIG_PP_RVC_FLAGS, kDroppedComponents);
}

// Files named by a model (a glTF's buffers, an OBJ's materials) are read only
// when they are plain files: a device or a pipe named there would hang or
// stream without end.
class PlainFileSystem : public Assimp::DefaultIOSystem {
 public:
  Assimp::IOStream* Open(const char* file, const char* mode) override {
    std::error_code ec;
    if (!file || std::string_view(mode).find_first_of("wa+") != std::string_view::npos ||
        !std::filesystem::is_regular_file(file, ec))
      return nullptr;
    return DefaultIOSystem::Open(file, mode);
  }
};

// What the child process reports about the scene assimp read.
enum MeshStatus : uint8_t { kMeshesOk, kMeshesInvalid, kMeshesTooManyVertices, kMeshesTooManyTriangles };

enum TextureKind : uint8_t { kNoTexture, kNamedTexture, kEmbeddedFile, kEmbeddedTexels };

void PutName(ByteWriter& out, const std::string& name) {
  out.U32(static_cast<uint32_t>(name.size()));
  out.Bytes(name);
}

std::string TakeName(ByteReader& in) {
  const uint32_t size = in.U32();
  in.NeedItems(size, 1);
  return in.String(size);
}

std::vector<uint8_t> TakeBytes(ByteReader& in, size_t size) {
  const uint8_t* p = in.Bytes(size);
  return std::vector<uint8_t>(p, p + size);
}

// Child side, after the meshes: the diffuse (or glTF base colour) texture of
// the first mesh whose material has one: its name, and the picture when the
// file carries it.
void SerializeTexture(const aiScene* scene, ByteWriter& out) {
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const unsigned index = scene->mMeshes[m]->mMaterialIndex;
    if (!scene->mMaterials || index >= scene->mNumMaterials || !scene->mMaterials[index]) continue;
    const aiMaterial* material = scene->mMaterials[index];
    aiString path;
    if (material->GetTexture(aiTextureType_DIFFUSE, 0, &path) != AI_SUCCESS &&
        material->GetTexture(aiTextureType_BASE_COLOR, 0, &path) != AI_SUCCESS)
      continue;
    const std::string name(path.C_Str(), path.length);
    if (name.empty()) continue;
    const aiTexture* embedded = scene->GetEmbeddedTexture(path.C_Str());
    const uint64_t texels = embedded ? uint64_t(embedded->mWidth) * embedded->mHeight : 0;
    if (embedded && embedded->pcData && embedded->mHeight == 0 && embedded->mWidth > 0 &&
        embedded->mWidth <= kMaxEmbeddedTextureBytes) {
      out.U8(kEmbeddedFile);
      PutName(out, name);
      out.U32(embedded->mWidth);  // the size of the compressed picture in bytes
      out.Bytes(embedded->pcData, embedded->mWidth);
    } else if (embedded && embedded->pcData && embedded->mHeight > 0 && texels > 0 &&
               texels * 3 <= kMaxEmbeddedTextureBytes) {
      out.U8(kEmbeddedTexels);
      PutName(out, name);
      out.U32(embedded->mWidth);
      out.U32(embedded->mHeight);
      for (uint64_t i = 0; i < texels; ++i) {
        const aiTexel& t = embedded->pcData[i];
        out.U8(t.r);
        out.U8(t.g);
        out.U8(t.b);
      }
    } else {
      out.U8(kNamedTexture);
      PutName(out, name);
    }
    return;
  }
  out.U8(kNoTexture);
}

void ReadTexture(ByteReader& in, ModelTexture& texture) {
  texture = {};
  if (in.Remaining() == 0) return;
  const uint8_t kind = in.U8();
  if (kind == kNoTexture) return;
  texture.name = TakeName(in);
  if (kind == kEmbeddedFile) {
    const uint32_t size = in.U32();
    in.NeedItems(size, 1);
    texture.embedded_file = TakeBytes(in, size);
  } else if (kind == kEmbeddedTexels) {
    const uint32_t width = in.U32(), height = in.U32();
    if (width == 0 || height == 0 || uint64_t(width) * height * 3 > kMaxEmbeddedTextureBytes) return;
    in.NeedItems(size_t(width) * height, 3);
    texture.width = static_cast<int32_t>(width);
    texture.height = static_cast<int32_t>(height);
    texture.embedded_rgb = TakeBytes(in, size_t(width) * height * 3);
  }
}

// Child side: the meshes as plain numbers. Per mesh its vertex count, whether
// it has texture coordinates, x y z (and u v) per vertex, then its faces of
// three or more corners, each as its corner count and indices. The counts
// are capped here so that the message stays small; the parent checks again.
std::vector<uint8_t> SerializeScene(const aiScene* scene) {
  ByteWriter out;
  if (!scene || !scene->mMeshes) {
    out.U8(kMeshesInvalid);
    return out.Take();
  }
  uint64_t vertex_count = 0, triangle_count = 0;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    if (!mesh || (mesh->mNumVertices > 0 && !mesh->mVertices) || (mesh->mNumFaces > 0 && !mesh->mFaces)) {
      out.U8(kMeshesInvalid);
      return out.Take();
    }
    vertex_count += mesh->mNumVertices;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f)
      if (mesh->mFaces[f].mNumIndices >= 3) triangle_count += mesh->mFaces[f].mNumIndices - 2;
  }
  if (vertex_count > uint64_t(kFrameMaxVertices) || triangle_count > uint64_t(kMD2MaxTriangles)) {
    out.U8(vertex_count > uint64_t(kFrameMaxVertices) ? kMeshesTooManyVertices : kMeshesTooManyTriangles);
    return out.Take();
  }
  out.U8(kMeshesOk);
  out.U32(scene->mNumMeshes);
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    const aiVector3D* uv = mesh->mTextureCoords[0];
    out.U32(mesh->mNumVertices);
    out.U8(uv ? 1 : 0);
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
      out.F32(mesh->mVertices[v].x);
      out.F32(mesh->mVertices[v].y);
      out.F32(mesh->mVertices[v].z);
      if (uv) {
        out.F32(uv[v].x);
        out.F32(uv[v].y);
      }
    }
    uint32_t faces = 0;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f)
      faces += mesh->mFaces[f].mNumIndices >= 3 && mesh->mFaces[f].mIndices;
    out.U32(faces);
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices < 3 || !face.mIndices) continue;  // points and lines
      out.U32(face.mNumIndices);
      for (unsigned k = 0; k < face.mNumIndices; ++k) out.U32(face.mIndices[k]);
    }
  }
  SerializeTexture(scene, out);
  return out.Take();
}

// Parent side: merges every mesh into one single-frame model. Triangles are
// stored in MD2 order (a, c, b): MD2 files wind their faces clockwise, these
// formats counter-clockwise, and the node builder turns MD2 order round.
std::unique_ptr<TMD2> ModelFromMeshes(const std::vector<uint8_t>& bytes, std::string& message,
                                      ModelTexture* texture) {
  message = kInvalid;
  ModelTexture found;
  std::vector<float> positions, uv;
  std::vector<MD2Triangle> triangles;
  try {
    ByteReader in(bytes);
    const uint8_t status = in.U8();
    if (status == kMeshesTooManyVertices) message = kTooManyVerticesMessage;
    if (status == kMeshesTooManyTriangles) message = kTooManyTrianglesMessage;
    if (status != kMeshesOk) return nullptr;
    const uint32_t meshes = in.U32();
    for (uint32_t m = 0; m < meshes; ++m) {
      const uint32_t count = in.U32();
      const bool has_uv = in.U8() != 0;
      if (positions.size() / 3 + count > size_t(kFrameMaxVertices)) {
        message = kTooManyVerticesMessage;
        return nullptr;
      }
      in.NeedItems(count, has_uv ? 20 : 12);
      const size_t base = positions.size() / 3;
      for (uint32_t v = 0; v < count; ++v) {
        for (int axis = 0; axis < 3; ++axis) positions.push_back(in.F32());
        const float u = has_uv ? in.F32() : 0.0f;
        const float w = has_uv ? in.F32() : 0.0f;
        uv.insert(uv.end(), {u, w});
      }
      const uint32_t faces = in.U32();
      for (uint32_t f = 0; f < faces; ++f) {
        const uint32_t corners = in.U32();
        if (corners < 3) return nullptr;
        in.NeedItems(corners, 4);
        if (triangles.size() + corners - 2 > size_t(kMD2MaxTriangles)) {
          message = kTooManyTrianglesMessage;
          return nullptr;
        }
        std::vector<uint32_t> index(corners);
        for (uint32_t& i : index) {
          i = in.U32();
          if (i >= count) return nullptr;
        }
        // Triangulation has left three corners; a larger face becomes a fan.
        for (uint32_t k = 1; k + 1 < corners; ++k) {
          const auto a = static_cast<int32_t>(base + index[0]);
          const auto b = static_cast<int32_t>(base + index[k]);
          const auto c = static_cast<int32_t>(base + index[k + 1]);
          MD2Triangle t;
          t.Vertex[0] = t.TexCoord[0] = a;
          t.Vertex[1] = t.TexCoord[1] = c;
          t.Vertex[2] = t.TexCoord[2] = b;
          triangles.push_back(t);
        }
      }
    }
    // A texture that cannot be read back costs the model nothing.
    try {
      ReadTexture(in, found);
    } catch (const ReadError&) {
      found = {};
    }
  } catch (const ReadError&) {
    return nullptr;
  }
  if (triangles.empty()) return nullptr;  // points and lines make no model
  auto model = std::make_unique<TMD2>();
  if (!model->LoadFrame(std::move(positions), std::move(uv), std::move(triangles))) {
    message = model->Error();  // a coordinate that is no finite number
    return nullptr;
  }
  message.clear();
  if (texture) *texture = std::move(found);
  return model;
}

// A PLY header must end within its first 64 KiB: assimp's reader would look
// for the end until the child is killed, so such a file is refused at once.
bool HeaderNeverEnds(const std::string& extension, const uint8_t* data, size_t size) {
  std::string ext = extension;
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext != "ply") return false;
  const std::string_view head(reinterpret_cast<const char*>(data), std::min<size_t>(size, 1 << 16));
  return head.find("end_header") == std::string_view::npos;
}

// Parsing and post-processing run in a child process: the importers and
// steps of Debian's assimp stop the whole process on a failed internal
// assertion, and a damaged file must not take the editor with it.
std::unique_ptr<TMD2> ImportIsolated(const std::function<const aiScene*(Assimp::Importer&)>& read,
                                     int timeout_ms, std::string& message, ModelTexture* texture) {
  std::vector<uint8_t> meshes;
  const bool done = RunInChildProcess(
      [&read] {
        Assimp::Importer importer;
        Configure(importer);
        return SerializeScene(read(importer));
      },
      meshes, timeout_ms, kMaxMeshBytes);
  if (!done) {
    message = kInvalid;
    return nullptr;
  }
  return ModelFromMeshes(meshes, message, texture);
}

}  // namespace

bool HasImportExtension(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (std::string_view known : kExtensions)
    if (ext == known) return true;
  return false;
}

std::unique_ptr<TMD2> ImportModelFile(const std::filesystem::path& path, std::string& message,
                                      ModelTexture* texture) {
  message = kInvalid;
  if (texture) *texture = {};
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size == 0 || size > kMaxModelFileSize) return nullptr;
  std::vector<uint8_t> head(1 << 16);
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    head.resize(std::fread(head.data(), 1, head.size(), f));
    std::fclose(f);
  }
  std::string extension = path.extension().string();
  if (!extension.empty()) extension.erase(0, 1);  // the dot
  if (HeaderNeverEnds(extension, head.data(), head.size())) return nullptr;
  const std::string name = path.string();
  return ImportIsolated(
      [&name](Assimp::Importer& importer) {
        importer.SetIOHandler(new PlainFileSystem);  // the importer owns it
        return importer.ReadFile(name, kSteps);
      },
      ImportTimeoutMs(size), message, texture);
}

std::unique_ptr<TMD2> ImportModelFromMemory(const uint8_t* data, size_t size, const std::string& extension,
                                            std::string& message, int timeout_ms, ModelTexture* texture) {
  message = kInvalid;
  if (texture) *texture = {};
  if (!data || size == 0 || size > kMaxModelFileSize || HeaderNeverEnds(extension, data, size))
    return nullptr;
  const std::string name = std::string(AI_MEMORYIO_MAGIC_FILENAME) + "." + extension;
  return ImportIsolated(
      [&](Assimp::Importer& importer) {
        // Without a file system behind it, any other file the model names is missing.
        importer.SetIOHandler(new Assimp::MemoryIOSystem(data, size, nullptr));
        return importer.ReadFile(name, kSteps);
      },
      timeout_ms > 0 ? timeout_ms : ImportTimeoutMs(size), message, texture);
}

}  // namespace qx

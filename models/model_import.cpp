#include "models/model_import.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/MemoryIOWrapper.h>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <array>
#include <assimp/Importer.hpp>
#include <cctype>
#include <string_view>
#include <system_error>
#include <vector>

namespace qx {

namespace {

constexpr const char* kInvalid = "Ungültige Datei!";

constexpr std::array<std::string_view, 7> kExtensions = {".obj", ".gltf", ".glb", ".fbx",
                                                         ".3ds", ".ply",  ".dae"};

// What a model node keeps of a vertex is its position and one pair of
// texture coordinates: everything else is dropped before vertices are
// joined, so that corners differing only in a normal become one vertex.
// (assimp's flags name the sets up to 6 only; a seventh set is rare enough.)
constexpr unsigned kDroppedComponents =
    aiComponent_NORMALS | aiComponent_TANGENTS_AND_BITANGENTS | aiComponent_COLORS | aiComponent_BONEWEIGHTS |
    aiComponent_ANIMATIONS | aiComponent_TEXTURES | aiComponent_LIGHTS | aiComponent_CAMERAS |
    aiComponent_TEXCOORDSn(1) | aiComponent_TEXCOORDSn(2) | aiComponent_TEXCOORDSn(3) |
    aiComponent_TEXCOORDSn(4) | aiComponent_TEXCOORDSn(5) | aiComponent_TEXCOORDSn(6);

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

// Merges every mesh of the scene into one single-frame model. Triangles are
// stored in MD2 order (a, c, b): MD2 files wind their faces clockwise, these
// formats counter-clockwise, and the node builder turns MD2 order round.
std::unique_ptr<TMD2> FromScene(const aiScene* scene, std::string& message) {
  message = kInvalid;
  if (!scene || !scene->mMeshes) return nullptr;
  uint64_t vertex_count = 0, triangle_count = 0;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    if (!mesh || (mesh->mNumVertices > 0 && !mesh->mVertices) || (mesh->mNumFaces > 0 && !mesh->mFaces))
      return nullptr;
    vertex_count += mesh->mNumVertices;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f)
      if (mesh->mFaces[f].mNumIndices >= 3) triangle_count += mesh->mFaces[f].mNumIndices - 2;
  }
  // Counted before anything is allocated for them.
  if (vertex_count > uint64_t(kMD2MaxVertices)) {
    message = kTooManyVerticesMessage;
    return nullptr;
  }
  if (triangle_count > uint64_t(kMD2MaxTriangles)) {
    message = kTooManyTrianglesMessage;
    return nullptr;
  }
  if (triangle_count == 0) return nullptr;  // points and lines make no model

  std::vector<float> positions, uv;
  std::vector<MD2Triangle> triangles;
  positions.reserve(size_t(vertex_count) * 3);
  uv.reserve(size_t(vertex_count) * 2);
  triangles.reserve(size_t(triangle_count));
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    const auto base = static_cast<int16_t>(positions.size() / 3);
    const aiVector3D* coords = mesh->mTextureCoords[0];
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
      const aiVector3D& p = mesh->mVertices[v];
      positions.insert(positions.end(), {p.x, p.y, p.z});
      uv.insert(uv.end(), {coords ? coords[v].x : 0.0f, coords ? coords[v].y : 0.0f});
    }
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices < 3) continue;
      if (!face.mIndices) return nullptr;
      for (unsigned k = 0; k < face.mNumIndices; ++k)
        if (face.mIndices[k] >= mesh->mNumVertices) return nullptr;
      // Triangulation has left three corners; a larger face would be a fan.
      for (unsigned k = 1; k + 1 < face.mNumIndices; ++k) {
        const auto a = static_cast<int16_t>(base + face.mIndices[0]);
        const auto b = static_cast<int16_t>(base + face.mIndices[k]);
        const auto c = static_cast<int16_t>(base + face.mIndices[k + 1]);
        MD2Triangle t;
        t.Vertex[0] = t.TexCoord[0] = a;
        t.Vertex[1] = t.TexCoord[1] = c;
        t.Vertex[2] = t.TexCoord[2] = b;
        triangles.push_back(t);
      }
    }
  }
  auto model = std::make_unique<TMD2>();
  if (!model->LoadFrame(std::move(positions), std::move(uv), std::move(triangles))) {
    message = model->Error();  // a coordinate that is no finite number
    return nullptr;
  }
  message.clear();
  return model;
}

}  // namespace

bool HasImportExtension(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (std::string_view known : kExtensions)
    if (ext == known) return true;
  return false;
}

std::unique_ptr<TMD2> ImportModelFile(const std::filesystem::path& path, std::string& message) {
  message = kInvalid;
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size == 0 || size > kMaxModelFileSize) return nullptr;
  try {
    Assimp::Importer importer;
    Configure(importer);
    importer.SetIOHandler(new PlainFileSystem);  // the importer owns it
    return FromScene(importer.ReadFile(path.string(), kSteps), message);
  } catch (const std::exception&) {
    message = kInvalid;  // out of memory inside the importer
    return nullptr;
  }
}

std::unique_ptr<TMD2> ImportModelFromMemory(const uint8_t* data, size_t size, const std::string& extension,
                                            std::string& message) {
  message = kInvalid;
  if (!data || size == 0 || size > kMaxModelFileSize) return nullptr;
  try {
    Assimp::Importer importer;
    Configure(importer);
    // Without a file system behind it, any other file the model names is missing.
    importer.SetIOHandler(new Assimp::MemoryIOSystem(data, size, nullptr));
    const std::string name = std::string(AI_MEMORYIO_MAGIC_FILENAME) + "." + extension;
    return FromScene(importer.ReadFile(name, kSteps), message);
  } catch (const std::exception&) {
    message = kInvalid;
    return nullptr;
  }
}

}  // namespace qx

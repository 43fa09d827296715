#include "models/model_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "commands/model_insert.h"
#include "models/test_models.h"
#include "support/test_support.h"

namespace qx {
namespace {

std::unique_ptr<TMD2> Import(const std::string& text, const std::string& extension,
                             std::string* message = nullptr) {
  std::string m;
  auto model =
      ImportModelFromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size(), extension, m);
  if (message) *message = m;
  return model;
}

std::unique_ptr<TMD2> Import(const std::vector<uint8_t>& bytes, const std::string& extension) {
  std::string m;
  return ImportModelFromMemory(bytes.data(), bytes.size(), extension, m);
}

// The node's vertex at a position, or null.
const TVertex* VertexAt(const TSector& node, Vector p) {
  for (const TVertex& v : node.Vertices)
    if (v.Position == p) return &v;
  return nullptr;
}

Vector Normal(const TSector& node, const TTriangle& t) {
  const Vector a = node.Vertices[t.V0].Position, b = node.Vertices[t.V1].Position,
               c = node.Vertices[t.V2].Position;
  const Vector u{b.x - a.x, b.y - a.y, b.z - a.z}, w{c.x - a.x, c.y - a.y, c.z - a.z};
  return {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
}

TEST(ModelImport, FacesOfKCornersGiveKMinusTwoTrianglesFacingTheFilesFront) {
  Editor e;
  auto model = Import(test::kQuadAndPentagonObj, "obj");
  ASSERT_TRUE(model);
  EXPECT_EQ(model->FrameCount(), 1);
  EXPECT_EQ(model->TriangleCount(), 2 + 3);
  EXPECT_EQ(model->VertexCount(), 9) << "corners sharing position and texture coordinates are one vertex";
  auto node = BuildModelNode(e, std::move(model));
  ASSERT_EQ(node->TriangleCount, 5);
  ASSERT_EQ(node->Vertices.size(), 9u);
  for (const TTriangle& t : node->Triangles) {
    // Counter-clockwise from +z in the file: the node's normal points to +z too,
    // the side an MD2 model's triangles face after the builder turns them.
    const Vector n = Normal(*node, t);
    EXPECT_GT(n.z, 0) << t.V0 << " " << t.V1 << " " << t.V2;
    EXPECT_EQ(n.x, 0);
    EXPECT_EQ(n.y, 0);
  }
  // Positions as stored, texture coordinates of their corners.
  const TVertex* corner = VertexAt(*node, {10, 10, 0});
  ASSERT_TRUE(corner);
  EXPECT_EQ(corner->TexCoord[0], 1);
  EXPECT_EQ(corner->TexCoord[1], 1);
  const TVertex* tip = VertexAt(*node, {25, 14, 0});
  ASSERT_TRUE(tip);
  EXPECT_EQ(tip->TexCoord[0], 0.5f);
  EXPECT_EQ(tip->TexCoord[1], 0.25f);
  for (const TVertex& v : node->Vertices) {
    for (float c : v.Color) EXPECT_EQ(c, 1.0f);
    EXPECT_EQ(v.LightmapCoord[0], 0);
  }
  EXPECT_EQ(node->NodeType, kModel);
  EXPECT_EQ(node->LightingMode, 1);
}

TEST(ModelImport, EveryMeshIsMergedIntoOneModel) {
  Editor e;
  auto obj = Import(test::kTwoObjectsObj, "obj");
  ASSERT_TRUE(obj);
  EXPECT_EQ(obj->VertexCount(), 3 + 4);
  EXPECT_EQ(obj->TriangleCount(), 1 + 2);
  auto node = BuildModelNode(e, std::move(obj));
  EXPECT_TRUE(VertexAt(*node, {0, 1, 0}));
  EXPECT_TRUE(VertexAt(*node, {6, 6, 5}));
  for (const TTriangle& t : node->Triangles) EXPECT_GT(Normal(*node, t).z, 0);
  // The second mesh's triangles name the second mesh's vertices.
  int second = 0;
  for (const TTriangle& t : node->Triangles)
    if (node->Vertices[t.V0].Position.z == 5 && node->Vertices[t.V1].Position.z == 5 &&
        node->Vertices[t.V2].Position.z == 5)
      ++second;
  EXPECT_EQ(second, 2);

  auto ply = Import(test::kQuadPly, "ply");
  ASSERT_TRUE(ply);
  EXPECT_EQ(ply->VertexCount(), 4);
  EXPECT_EQ(ply->TriangleCount(), 2);
  auto quad = BuildModelNode(e, std::move(ply));
  const TVertex* far = VertexAt(*quad, {2, 2, 0});
  ASSERT_TRUE(far);
  EXPECT_EQ(far->TexCoord[0], 1);
  EXPECT_EQ(far->TexCoord[1], 1);
}

TEST(ModelImport, GltfTakesTheFirstTextureSetAndIgnoresNodeTransforms) {
  Editor e;
  for (const auto& [name, bytes, ext] : {std::tuple{"gltf", test::Bytes(test::TwoMeshGltfEmbedded()), "gltf"},
                                         std::tuple{"glb", test::TwoMeshGlb(), "glb"}}) {
    SCOPED_TRACE(name);
    auto model = Import(bytes, ext);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->VertexCount(), 6);
    EXPECT_EQ(model->TriangleCount(), 2);
    auto node = BuildModelNode(e, std::move(model));
    // Not moved by the node's translation of 100 nor the other's scale of 2.
    const TVertex* a = VertexAt(*node, {1, 0, 0});
    ASSERT_TRUE(a);
    ASSERT_TRUE(VertexAt(*node, {6, 5, 5}));
    // TEXCOORD_0 (0.75, 0.5), with v turned to count from the bottom as the
    // editor's textures do (glTF counts from the top).
    EXPECT_EQ(a->TexCoord[0], 0.75f);
    EXPECT_EQ(a->TexCoord[1], 0.5f);
    const TVertex* top = VertexAt(*node, {0, 1, 0});
    ASSERT_TRUE(top);
    EXPECT_EQ(top->TexCoord[0], 0.25f);
    EXPECT_EQ(top->TexCoord[1], 1 - 0.125f);
    const TVertex* untextured = VertexAt(*node, {5, 6, 5});
    ASSERT_TRUE(untextured);
    EXPECT_EQ(untextured->TexCoord[0], 0);
    EXPECT_EQ(untextured->TexCoord[1], 0);
  }
}

// An OBJ grid of cols x rows unit squares (each two triangles, as a quad
// face), and `extra` more triangles on its first three vertices.
std::string GridObj(int cols, int rows, int extra = 0) {
  std::string obj;
  for (int y = 0; y <= rows; ++y)
    for (int x = 0; x <= cols; ++x) obj += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
  auto at = [&](int x, int y) { return std::to_string(y * (cols + 1) + x + 1); };
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < cols; ++x)
      obj += "f " + at(x, y) + " " + at(x + 1, y) + " " + at(x + 1, y + 1) + " " + at(x, y + 1) + "\n";
  for (int i = 0; i < extra; ++i) obj += "f 1 2 " + at(0, 1) + "\n";
  return obj;
}

// Not MD2's 2048 vertices: what the node holds, 65535 triangles and three
// vertices each.
TEST(ModelImport, LimitsAreTheNodesNotMd2s) {
  std::string message;
  // 181 x 181 squares: 65522 triangles on 33124 vertices (more than a
  // 16-bit signed index names), and 13 more triangles: exactly the limit.
  auto most = Import(GridObj(181, 181, 13), "obj", &message);
  ASSERT_TRUE(most) << message;
  EXPECT_EQ(most->TriangleCount(), 65535);
  EXPECT_EQ(most->VertexCount(), 182 * 182);
  // Every grid triangle spans one unit square: no index was cut short.
  Editor e;
  auto node = BuildModelNode(e, std::move(most));
  ASSERT_EQ(node->Triangles.size(), 65535u);
  for (const TTriangle& t : node->Triangles) {
    const Vector a = node->Vertices[t.V0].Position, b = node->Vertices[t.V1].Position,
                 c = node->Vertices[t.V2].Position;
    ASSERT_LE(std::max({std::abs(a.x - b.x), std::abs(a.x - c.x), std::abs(a.y - b.y), std::abs(a.y - c.y)}),
              1.0f);
    ASSERT_GT(Normal(*node, t).z, 0) << "the file's front faces the viewer";
  }
  EXPECT_FALSE(Import(GridObj(181, 181, 14), "obj", &message));
  EXPECT_EQ(message, kTooManyTrianglesMessage);

  // Points add vertices without triangles: one triangle and 196606 vertices is too many.
  std::string points = "v 0 0 -1\nv 1 0 -1\nv 0 1 -1\nf 1 2 3\n";
  for (int i = 0; i < kFrameMaxVertices - 2; ++i) points += "v " + std::to_string(i) + " 0 0\n";
  for (int i = 0; i < kFrameMaxVertices - 2; i += 1000) {
    points += "p";
    for (int k = i; k < std::min(i + 1000, kFrameMaxVertices - 2); ++k) points += " " + std::to_string(k + 4);
    points += "\n";
  }
  EXPECT_FALSE(Import(points, "obj", &message));
  EXPECT_EQ(message, kTooManyVerticesMessage);

  EXPECT_FALSE(Import("v 1e39 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "obj", &message));
  EXPECT_EQ(message, "Ungültige Datei!");
}

TEST(ModelImport, DamagedFilesAreRefused) {
  std::string message;
  for (const char* ext : {"obj", "gltf", "glb", "fbx", "3ds", "ply", "dae"}) {
    EXPECT_FALSE(Import(std::string("\x01\x02garbage \xff\xfe nothing here\n"), ext, &message)) << ext;
    EXPECT_EQ(message, "Ungültige Datei!") << ext;
  }
  // Points and lines alone make no model.
  EXPECT_FALSE(Import("v 0 0 0\nv 1 0 0\nl 1 2\n", "obj", &message));
  EXPECT_EQ(message, "Ungültige Datei!");
  // Corners naming vertices that do not exist.
  EXPECT_FALSE(Import(
      std::string(test::kQuadPly).replace(std::string(test::kQuadPly).rfind("4 0 1 2 3"), 9, "4 0 1 2 9"),
      "ply", &message));
  const std::vector<uint8_t> glb = test::TwoMeshGlb();
  for (size_t n : {size_t(0), size_t(11), size_t(20), glb.size() / 2, glb.size() - 1})
    EXPECT_FALSE(Import(std::vector<uint8_t>(glb.begin(), glb.begin() + n), "glb")) << "cut at " << n;
  const std::string ply = test::kQuadPly;
  EXPECT_FALSE(Import(ply.substr(0, ply.size() - 12), "ply"));
}

TEST(ModelImport, FilesBesideAModelAreReadOnlyFromDisk) {
  // From memory nothing else is opened: a glTF naming its buffer file is refused.
  const std::string gltf = test::TwoMeshGltf("two.bin");
  EXPECT_FALSE(Import(gltf, "gltf"));

  test::TempDir dir;
  test::WriteFileBytes(dir / "two.gltf", test::Bytes(gltf));
  std::string message;
  EXPECT_FALSE(ImportModelFile(dir / "two.gltf", message)) << "its buffer is missing";
  EXPECT_EQ(message, "Ungültige Datei!");
  test::WriteFileBytes(dir / "two.bin", test::TwoMeshBuffer());
  auto model = ImportModelFile(dir / "two.gltf", message);
  ASSERT_TRUE(model) << message;
  EXPECT_EQ(model->TriangleCount(), 2);
  EXPECT_FALSE(ImportModelFile(dir / "missing.obj", message));
  EXPECT_EQ(message, "Ungültige Datei!");
}

TEST(ModelImport, ExtensionsInAnyCase) {
  for (const char* name : {"a.obj", "b.GLTF", "c.Glb", "d.fbx", "e.3DS", "f.ply", "g.dae"})
    EXPECT_TRUE(HasImportExtension(name)) << name;
  for (const char* name : {"a.md2", "b.obj.bak", "obj", "c.stl", ""})
    EXPECT_FALSE(HasImportExtension(name)) << name;
}

TEST(ModelImport, WritesFuzzSeeds) {
  // The fuzz target takes the format from the first byte: obj 0, gltf 1, glb 2, ..., ply 5.
  auto seed = [](uint8_t format, std::vector<uint8_t> bytes) {
    bytes.insert(bytes.begin(), format);
    return bytes;
  };
  test::WriteFuzzSeed("model_import", "quad_pentagon.obj", seed(0, test::Bytes(test::kQuadAndPentagonObj)));
  test::WriteFuzzSeed("model_import", "two_objects.obj", seed(0, test::Bytes(test::kTwoObjectsObj)));
  test::WriteFuzzSeed("model_import", "two_meshes.gltf", seed(1, test::Bytes(test::TwoMeshGltfEmbedded())));
  test::WriteFuzzSeed("model_import", "two_meshes.glb", seed(2, test::TwoMeshGlb()));
  test::WriteFuzzSeed("model_import", "quad.ply", seed(5, test::Bytes(test::kQuadPly)));
}

}  // namespace
}  // namespace qx

// A model where the designer looks: its origin at the snapped look-at point,
// scaled about it, and wearing the texture its file names.

#include <gtest/gtest.h>

#include "commands/model_insert.h"
#include "commands/model_scale.h"
#include "commands/model_texture.h"
#include "commands/transform.h"
#include "models/test_md2.h"
#include "models/test_models.h"
#include "support/test_support.h"
#include "textures/test_images.h"

namespace qx {
namespace {

struct ModelPlacement : ::testing::Test {
  test::TempDir dir;
  test::FakePrompts prompts;
  Editor e{dir.path()};
  TSector* sector = nullptr;

  ModelPlacement() {
    e.prompts = &prompts;
    e.NewScene();
    sector = e.CreateNode(nullptr, kSector);
    e.TreeSelection = sector;
  }
  TSector* Insert(const std::filesystem::path& file, Vector at) {
    prompts.open_answers.push_back(file);
    TSector* m = nullptr;
    e.History.Run("Model", [&] { m = InsertModel(e, at); });
    return m;
  }
};

TEST_F(ModelPlacement, TheOriginLandsOnTheSnappedLookAtPointAndTravelsWithTheModel) {
  const std::vector<uint8_t> md2 = test::MakeMd2(test::SampleMd2());
  test::WriteFileBytes(dir / "ship.md2", md2);
  TMD2 file;
  ASSERT_TRUE(file.LoadFromMemory(md2.data(), md2.size()));
  TSector* m = Insert(dir / "ship.md2", {25, 31, -10});
  ASSERT_NE(m, nullptr);
  const Vector at{20, 40, 0};  // 1.25, 1.55 and -0.5 grid steps, halves to even
  EXPECT_EQ(m->Position, at);
  for (int i = 0; i < file.VertexCount(); ++i)
    EXPECT_EQ(m->Vertices[size_t(i)].Position, VectorAdd(file.FramePosition(0, i), at)) << i;

  MoveSubtree(m, AxisLock::kY, 20);
  EXPECT_EQ(m->Position, (Vector{20, 60, 0})) << "the origin goes with the vertices";
}

TEST_F(ModelPlacement, ScaleIsUniformAboutPositionAndOneStep) {
  test::WriteFileBytes(dir / "platte.obj", test::Bytes(test::kQuadAndPentagonObj));
  TSector* m = Insert(dir / "platte.obj", {40, 0, 0});
  ASSERT_NE(m, nullptr);
  TSector* quad = nullptr;
  e.History.Run("Knoten", [&] {
    quad = e.CreateNode(sector, kPolygon);
    quad->ResizeVertices(1);
    quad->Vertices[0].Position = {1, 2, 3};
  });
  std::vector<Vector> before;
  for (const TVertex& v : m->Vertices) before.push_back(v.Position);
  e.SelectionList = {m, quad, m};
  const size_t steps = e.History.UndoCount();

  EXPECT_EQ(ScaleEnter(e, "2,5"), EnterResult::kFocusViewport);
  EXPECT_EQ(e.History.UndoCount(), steps + 1);
  EXPECT_EQ(e.History.UndoName(), "Skalierung");
  for (size_t i = 0; i < before.size(); ++i) {
    const Vector& p = m->Position;
    EXPECT_EQ(m->Vertices[i].Position,
              VectorSet(p.x + 2.5 * (before[i].x - p.x), p.y + 2.5 * (before[i].y - p.y),
                        p.z + 2.5 * (before[i].z - p.z)))
        << "scaled once, though listed twice";
  }
  EXPECT_EQ(m->BoundsMax, (Vector{40 + 2.5f * 32, 2.5f * 14, 0})) << "the box follows";
  EXPECT_EQ(quad->Vertices[0].Position, (Vector{1, 2, 3})) << "other node types stay";

  // Refused input changes nothing and leaves no step.
  for (const char* text : {"zwei", "0", "-1"})
    EXPECT_EQ(ScaleEnter(e, text), EnterResult::kStayInEdit) << text;
  EXPECT_EQ(prompts.warnings, (std::vector<std::string>{"'zwei' ist kein gültiger Gleitkommawert",
                                                        kScaleNotPositive, kScaleNotPositive}));
  EXPECT_EQ(e.History.UndoCount(), steps + 1);
  ASSERT_TRUE(e.History.Undo());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(m->Vertices[i].Position, before[i]);
}

// A one-triangle glTF whose material's base colour is `image` (a glTF image object).
std::string TexturedGltf(const std::string& image) {
  std::vector<uint8_t> b;
  test::PutFloats(b, {0, 0, 0, 1, 0, 0, 0, 1, 0});
  test::PutFloats(b, {0, 0, 1, 0, 0, 1});
  return "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],"
         "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,\"TEXCOORD_0\":1},\"material\":0}]}],"
         "\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}],"
         "\"textures\":[{\"source\":0}],\"images\":[" +
         image +
         "],"
         "\"buffers\":[{\"byteLength\":60,\"uri\":\"data:application/octet-stream;base64," +
         test::Base64(b) +
         "\"}],"
         "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":36},"
         "{\"buffer\":0,\"byteOffset\":36,\"byteLength\":24}],"
         "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\","
         "\"min\":[0,0,0],\"max\":[1,1,0]},{\"bufferView\":1,\"componentType\":5126,\"count\":3,\"type\":"
         "\"VEC2\"}]}";
}

TEST_F(ModelPlacement, AForeignModelsDiffuseTextureJoinsTheLibrary) {
  const std::vector<uint8_t> png = test::MakeRgbPng(4, 2);
  e.Textures.Add(MakeTexNode(1, "schon da", test::MakeBmp(2, 2)));

  // Named by an OBJ's material, with a Windows path: found by its name beside the model.
  test::WriteFileBytes(dir / "kiste.obj", test::Bytes(std::string("mtllib kiste.mtl\nusemtl holz\n") +
                                                      test::kQuadAndPentagonObj));
  test::WriteFileBytes(dir / "kiste.mtl", test::Bytes("newmtl holz\nmap_Kd C:\\Texturen\\holz.png\n"));
  test::WriteFileBytes(dir / "holz.png", png);
  TSector* box = Insert(dir / "kiste.obj", {});
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(e.Textures.Count(), 2);
  EXPECT_EQ(box->TextureIndex, 1);
  EXPECT_EQ(e.Textures.Entry(1)->TexName, "holz");
  EXPECT_EQ(e.Textures.Entry(1)->Width(), 4);
  // The same picture again is the same entry.
  EXPECT_EQ(Insert(dir / "kiste.obj", {})->TextureIndex, 1);
  EXPECT_EQ(e.Textures.Count(), 2);

  // Carried inside the file.
  test::WriteFileBytes(dir / "eingebettet.gltf",
                       test::Bytes(TexturedGltf("{\"uri\":\"data:image/png;base64," +
                                                test::Base64(test::MakeRgbPng(3, 5)) + "\"}")));
  TSector* embedded = Insert(dir / "eingebettet.gltf", {});
  ASSERT_NE(embedded, nullptr);
  ASSERT_EQ(e.Textures.Count(), 3);
  EXPECT_EQ(embedded->TextureIndex, 2);
  EXPECT_EQ(e.Textures.Entry(2)->Height(), 5);
  EXPECT_TRUE(e.Textures.Entry(2)->HasPixels());

  // Named but missing: the model comes without, the library stays.
  test::WriteFileBytes(dir / "fehlt.gltf", test::Bytes(TexturedGltf("{\"uri\":\"fehlt.png\"}")));
  TSector* missing = Insert(dir / "fehlt.gltf", {});
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->TextureIndex, 0);
  EXPECT_EQ(e.Textures.Count(), 3);

  // Undoing the insert takes the texture back out too.
  e.History.Undo();
  e.History.Undo();
  EXPECT_EQ(e.Textures.Count(), 2);
}

}  // namespace
}  // namespace qx

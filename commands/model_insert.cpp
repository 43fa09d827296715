#include "commands/model_insert.h"

#include <cctype>
#include <system_error>

#include "commands/grid_snap.h"
#include "commands/insert.h"
#include "commands/model_texture.h"
#include "commands/selection.h"

namespace qx {

bool HasModelExtension(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext == ".MD2";
}

std::unique_ptr<TSector> BuildModelNode(Editor& editor, std::unique_ptr<TMD2> model) {
  return BuildModelNode(editor, std::move(model), editor.CameraTarget);
}

std::unique_ptr<TSector> BuildModelNode(Editor& editor, std::unique_ptr<TMD2> model, const Vector& at) {
  auto node = std::make_unique<TSector>();
  node->NodeType = kModel;
  node->Id = editor.NextId();
  node->Name = DefaultName(kModel);
  node->ImageIndex = kIconModel;
  node->Visible = 1;
  node->Marked = 0;
  node->LightingMode = 1;  // "Vertex"
  node->Position = SnapToGrid(at, editor.GridSize);
  node->TextureIndex = 0;

  const TMD2& md2 = *model;
  const std::vector<float>& uv = md2.TexCoords();
  node->ResizeVertices(static_cast<size_t>(md2.VertexCount()));
  for (int i = 0; i < md2.VertexCount(); ++i) {
    TVertex& v = node->Vertices[static_cast<size_t>(i)];
    v.Id = editor.NextId();
    // The model's own origin goes to Position.
    v.Position = VectorAdd(md2.FramePosition(0, i), node->Position);
    for (float& c : v.Color) c = 1;
    if (i < md2.TexCoordCount()) {
      v.TexCoord[0] = uv[size_t(i) * 2];
      v.TexCoord[1] = uv[size_t(i) * 2 + 1];
    }
  }

  node->ResizeTriangles(md2.Triangles().size());
  for (size_t i = 0; i < md2.Triangles().size(); ++i) {
    const MD2Triangle& t = md2.Triangles()[i];
    TTriangle& out = node->Triangles[i];
    // The engine winds its faces the other way round.
    out.V0 = t.Vertex[0];
    out.V1 = t.Vertex[2];
    out.V2 = t.Vertex[1];
    // Corners in the order a, c, b: a degenerate triangle naming a vertex
    // twice leaves it the coordinates of the later corner.
    for (int k : {0, 2, 1}) {
      TVertex& v = node->Vertices[static_cast<size_t>(t.Vertex[k])];
      v.TexCoord[0] = uv[size_t(t.TexCoord[k]) * 2];
      v.TexCoord[1] = uv[size_t(t.TexCoord[k]) * 2 + 1];
    }
  }
  node->ModelLoader = std::move(model);
  return node;
}

TSector* InsertModel(Editor& editor) {
  return InsertModel(editor, editor.CameraTarget);
}

TSector* InsertModel(Editor& editor, const Vector& at) {
  TSector* parent = nullptr;
  if (!ChooseInsertParent(editor, &parent)) return nullptr;
  if (!editor.prompts) return nullptr;
  const auto chosen = editor.prompts->ChooseOpenFile(FileDialog{"Model laden", kModelFilter, {}});
  if (!chosen) return nullptr;
  std::error_code ec;
  const bool md2 = HasModelExtension(*chosen);
  if ((!md2 && !HasImportExtension(*chosen)) || !std::filesystem::is_regular_file(*chosen, ec))
    return nullptr;

  // Loaded before anything is numbered or added, so that a refused file
  // leaves the scene and the id counter as they were.
  std::unique_ptr<TMD2> model;
  ModelTexture texture;
  std::string message;
  if (md2) {
    model = std::make_unique<TMD2>();
    if (!model->LoadFromFile(*chosen)) {
      message = model->Error();
      model.reset();
    }
  } else {
    model = ImportModelFile(*chosen, message, &texture);
  }
  if (!model) {
    editor.ShowWarning(message);
    return nullptr;
  }
  std::unique_ptr<TSector> built = BuildModelNode(editor, std::move(model), at);
  const int texture_index = AddModelTexture(editor.Textures, texture, *chosen);
  if (texture_index >= 0) built->TextureIndex = static_cast<uint16_t>(texture_index);
  TSector* node = editor.Tree.AddChild(parent, std::move(built));
  SelectInTree(editor, node);
  TreeClick(editor);
  return node;
}

}  // namespace qx

#pragma once
// "Model...": inserts a Quake 2 MD2 model, or a model of one of the formats
// read through assimp (see model_import.h), as a model node. The node takes a
// copy of the model's first frame and from then on is a static triangle mesh
// like any other node; the loader object stays attached to it.

#include <memory>

#include "document/editor.h"
#include "models/md2.h"
#include "models/model_import.h"

namespace qx {

inline constexpr const char* kModelFilter =
    "Modelle (*.md2 *.obj *.gltf *.glb *.fbx *.3ds *.ply *.dae)|"
    "*.md2;*.obj;*.gltf;*.glb;*.fbx;*.3ds;*.ply;*.dae|"
    "Quake 2 Model (*.md2)|*.md2|Wavefront OBJ (*.obj)|*.obj|glTF (*.gltf *.glb)|*.gltf;*.glb|"
    "FBX (*.fbx)|*.fbx|3D Studio (*.3ds)|*.3ds|Stanford PLY (*.ply)|*.ply|Collada (*.dae)|*.dae";

// The model node for a loaded model, not yet in the tree: ids from NextId for
// the node, then its vertices in order; the first frame's vertices moved by
// Position, so that the model's origin lies there; each file triangle (a, b, c) as (a, c, b), its
// corners' texture coordinates written to the vertices they name (the last
// triangle to name a vertex wins); vertex lighting, texture 0, white vertex
// colours; Position is the camera's look-at point snapped to the grid.
std::unique_ptr<TSector> BuildModelNode(Editor& editor, std::unique_ptr<TMD2> model);
// The same with Position from `at` (snapped to the grid) instead of the look-at point.
std::unique_ptr<TSector> BuildModelNode(Editor& editor, std::unique_ptr<TMD2> model, const Vector& at);

// The whole command: needs a tree selection (a sector, or a node whose sector
// takes the model), asks for the file, ignores a cancel, a name not ending in
// ".md2" or an imported format's extension (any case) or a missing file
// silently, refuses an invalid file with a warning and adds nothing then.
// A foreign model's diffuse texture, when it can be found, joins the library
// and becomes the model's texture. The new node is selected and shown.
// Returns it, or null when nothing was inserted.
TSector* InsertModel(Editor& editor);
TSector* InsertModel(Editor& editor, const Vector& at);

// Whether a file name ends in ".md2", in any letter case.
bool HasModelExtension(const std::filesystem::path& path);

}  // namespace qx

#include "commands/sector_import.h"

#include "commands/grid_snap.h"
#include "scene/bytes.h"
#include "scene/node_records.h"

namespace qx {

namespace {

void Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

Vector SectorImportPlacement(const Editor& editor) {
  return VectorAdd(editor.CameraTarget, VectorSubtract(editor.CameraTarget, editor.CameraPosition));
}

void RenumberSubtree(Editor& editor, TSector* root) {
  if (!root) return;
  SceneTree::WalkSubtree(root, [&](TSector* n) {
    n->Id = editor.NextId();
    if (HasVertices(n->NodeType))
      for (TVertex& v : n->Vertices) v.Id = editor.NextId();
  });
}

TSector* ImportSectorFromBytes(Editor& editor, const uint8_t* data, size_t size, std::string* error) {
  SceneTree staging;
  if (!ReadSectorFile(data, size, staging, error)) return nullptr;
  TSector* sector = staging.First();
  ShiftSubtree(sector, SectorImportPlacement(editor));
  SnapSubtreeToGrid(staging, sector, false, editor.GridSize);
  // Links inside the imported sector are found by the file's ids, then follow
  // their nodes through the renumbering.
  ResolvePortalLinks(staging);
  RenumberSubtree(editor, sector);
  SceneTree::WalkSubtree(sector, [](TSector* n) {
    if (n->NodeType == kPortal && n->IsLinked == 1) n->LinkedSectorId = n->LinkedSector->Id;
  });
  return editor.Tree.AddChild(nullptr, staging.Take(sector));
}

TSector* ImportSectorFile(Editor& editor, const std::filesystem::path& path, std::string* error) {
  std::vector<uint8_t> bytes;
  std::string read_error;
  if (!ReadWholeFile(path, bytes, read_error, kMaxFileSize)) {
    Fail(error, "Datei kann nicht gelesen werden: " + read_error);
    return nullptr;
  }
  return ImportSectorFromBytes(editor, bytes.data(), bytes.size(), error);
}

}  // namespace qx

#include "document/map_document_io.h"

#include "scene/bytes.h"
#include "scene/node_records.h"

namespace qx {

namespace {

void Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

std::vector<uint8_t> WriteMapDocument(const Editor& editor) {
  return WriteMapDocument(editor.Tree, MapView{editor.CameraPosition, editor.CameraHeading,
                                               editor.CameraPitch, editor.StartPosition});
}

void ApplyMapDocument(Editor& editor, MapDocument& doc) {
  editor.Tree.ReplaceWith(doc.tree);
  editor.CameraPosition = doc.camera_position;
  editor.CameraHeading = doc.camera_heading;
  editor.CameraPitch = doc.camera_pitch;
  editor.StartPosition = doc.start_position;
  editor.LightmapList.clear();
  editor.RaiseIdCounterToTree();
  // Every view starts afresh: nothing it showed belongs to this document.
  editor.Replaced();
}

bool LoadMapDocumentFromBytes(Editor& editor, const uint8_t* data, size_t size, std::string* error) {
  MapDocument doc;
  if (!ReadMapDocument(data, size, doc, error)) return false;
  ApplyMapDocument(editor, doc);
  return true;
}

bool LoadMapDocument(Editor& editor, const std::filesystem::path& path, std::string* error) {
  std::vector<uint8_t> bytes;
  std::string read_error;
  if (!ReadWholeFile(path, bytes, read_error, kMaxFileSize)) {
    Fail(error, "Datei kann nicht gelesen werden: " + read_error);
    return false;
  }
  return LoadMapDocumentFromBytes(editor, bytes.data(), bytes.size(), error);
}

bool SaveMapDocument(const Editor& editor, const std::filesystem::path& path, std::string* error) {
  return SaveProducedFile([&] { return WriteMapDocument(editor); }, path, error);
}

}  // namespace qx

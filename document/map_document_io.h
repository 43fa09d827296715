#pragma once
// Map documents in and out of the editor: the scene, the camera and the start
// position.

#include <filesystem>
#include <string>
#include <vector>

#include "document/editor.h"
#include "scene/map_document.h"

namespace qx {

// The bytes of the editor's scene as a map document.
std::vector<uint8_t> WriteMapDocument(const Editor& editor);

// Replaces the editor's scene with `doc` (whose tree ends empty): the tree,
// camera position, heading and pitch, start position. The selection and the
// clipboard go with the old tree, as do the lightmaps, which belonged to its
// triangles. The id counter is raised to the largest node or vertex id, never
// lowered. Grid, look distance, document name and flag keep their values.
void ApplyMapDocument(Editor& editor, MapDocument& doc);

// ReadMapDocument + ApplyMapDocument; on failure the editor is untouched.
bool LoadMapDocumentFromBytes(Editor& editor, const uint8_t* data, size_t size, std::string* error);

// Loads the document at `path` into the editor. On failure (missing,
// unreadable or damaged file) returns false with `error` set and leaves the
// editor untouched. The document file name and flag are the caller's business.
bool LoadMapDocument(Editor& editor, const std::filesystem::path& path, std::string* error);

// Writes the editor's scene to `path`, replacing any file there only once the
// new one is complete. On failure returns false with `error` set; an earlier
// file at `path` is kept. The document file name and flag are not changed.
bool SaveMapDocument(const Editor& editor, const std::filesystem::path& path, std::string* error);

}  // namespace qx

#pragma once
// Map documents (.qxm): the whole scene in one file.
//
//   "QXM1", version 1001 (i32), T (i32), T bytes of tree outline with every
//   byte's top bit flipped, the node records in tree order, then 32 bytes:
//   CameraPosition, CameraHeading, CameraPitch, StartPosition.
//
// Reading is all or nothing: a file is parsed into a tree of its own and
// handed to the editor only when every byte has been accounted for, so a
// damaged or foreign file leaves the open scene exactly as it was. Writing
// goes to a temporary file that replaces the target only when complete.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "scene/editor.h"

namespace qx {

inline constexpr char kMapMagic[4] = {'Q', 'X', 'M', '1'};
inline constexpr int32_t kMapVersion = 1001;

// A document read from bytes, not yet part of any editor. Portal links are
// resolved, bounds computed, icons and polygon planes set.
struct MapDocument {
  SceneTree tree;
  Vector camera_position;
  float camera_heading = 0;
  float camera_pitch = 0;
  Vector start_position;
};

// The bytes of the editor's scene as a map document.
std::vector<uint8_t> WriteMapDocument(const Editor& editor);

// Parses a map document into `doc`, which must be freshly made. On failure returns false with `error` set to
// a short German description (e.g. a wrong magic, a file that ends early) and `doc` unusable.
bool ReadMapDocument(const uint8_t* data, size_t size, MapDocument& doc, std::string* error);

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

// Produces a file's bytes and writes them through a temporary file, so a
// failure at any point leaves the previous file as it was.
bool SaveProducedFile(const std::function<std::vector<uint8_t>()>& produce, const std::filesystem::path& path,
                      std::string* error);

}  // namespace qx

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

#include "scene/scene_tree.h"

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

// The camera and start block of a document.
struct MapView {
  Vector camera_position;
  float camera_heading = 0;
  float camera_pitch = 0;
  Vector start_position;
};

// The bytes of a map document for `tree` and `view`.
std::vector<uint8_t> WriteMapDocument(const SceneTree& tree, const MapView& view);

// Parses a map document into `doc`, which must be freshly made. On failure returns false with `error` set to
// a short German description (e.g. a wrong magic, a file that ends early) and `doc` unusable.
bool ReadMapDocument(const uint8_t* data, size_t size, MapDocument& doc, std::string* error);

// Produces a file's bytes and writes them through a temporary file, so a
// failure at any point leaves the previous file as it was.
bool SaveProducedFile(const std::function<std::vector<uint8_t>()>& produce, const std::filesystem::path& path,
                      std::string* error);

}  // namespace qx

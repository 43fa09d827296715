#pragma once
// Reads a level file (.map) back and checks it: magic, version, a well-formed
// node stream, lightmaps whose sizes fit the bytes, the start position and
// nothing after it. The tests and quarvex-cli use it; the editor does not.

#include <cstdint>
#include <string>
#include <vector>

#include "lighting/lightmap.h"

namespace qx {

struct LevelCorner {
  Vector position;
  uint8_t color[4] = {0, 0, 0, 0};
  float tex[2] = {0, 0};
  float lightmap[2] = {0, 0};
};

// One record of the node stream. A polygon (or a lightmapped model) gives one
// record per triangle; they follow each other as siblings with the same id.
struct LevelRecord {
  int depth = 0;      // 0 for top-level records
  size_t offset = 0;  // of the record's head in the file
  uint32_t id = 0;
  uint8_t type = 0;
  bool has_children = false;
  bool is_last = false;

  // Sector.
  Vector bounds_min, bounds_max;
  uint8_t no_inside_test = 0;
  // Polygons and models.
  uint16_t texture = 0;
  uint8_t visible = 0, no_collision = 0, color_key = 0, env_mapping = 0, lighting_mode = 0;
  bool per_triangle = false;  // a triangle record, else a model in blocks
  int32_t lightmap_index = 0;
  LevelCorner corners[3];  // triangle record
  uint16_t triangle_count = 0;
  std::vector<Vector> positions;     // model blocks: 3 per triangle; portal: its vertices
  std::vector<float> colors;         // model blocks: r, g, b, a per corner
  std::vector<float> tex, lightmap;  // model blocks: u, v per corner
  // Light, particle system, actor, checkpoint.
  Vector position;
  uint8_t light_color[3] = {0, 0, 0};
  float brightness = 0;
  uint8_t object_type = 0;  // particle type for particle systems
  float value = 0;          // particle speed, actor heading
  // Portal.
  uint8_t no_frustum = 0;
  uint32_t linked_id = 0;
};

struct LevelFile {
  int32_t node_count = 0;
  std::vector<LevelRecord> records;
  std::vector<Lightmap> lightmaps;
  Vector start;
  int max_depth = 0;
};

// Reads `bytes`; on a damaged file returns false and a German message with the offset.
bool ReadLevelFile(const std::vector<uint8_t>& bytes, LevelFile& out, std::string& error);

// "Sektor", "Polygon", ... for a node type.
const char* NodeTypeName(uint8_t type);

}  // namespace qx

#pragma once
// The one record type of every scene node and its element records. A record
// also carries its place in the scene tree (parent and owned children), so the
// tree needs no second set of node objects: a record is its own tree node.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/vector.h"

namespace qx {

class TMD2;

enum NodeType : uint8_t {
  kSector = 0,
  kPolygon = 1,
  kLight = 2,
  kPortal = 3,
  kParticleSystem = 4,
  kModel = 5,
  kActor = 6,
  kCheckpoint = 10,
};

// Image-list indices of the tree icons.
enum Icon : int {
  kIconSector = 6,
  kIconPolygon = 7,
  kIconLight = 8,
  kIconPortal = 17,
  kIconSectorNoInsideTest = 18,
  kIconParticleSystem = 24,
  kIconModel = 25,
  kIconCheckpoint = 25,
  kIconActor = 28,
};

struct TVertex {
  uint32_t Id = 0;
  Vector Position;
  float Color[4] = {0, 0, 0, 0};
  float TexCoord[2] = {0, 0};
  float LightmapCoord[2] = {0, 0};
  uint8_t Marked = 0;
};

struct TTriangle {
  int32_t V0 = 0, V1 = 0, V2 = 0;
  Vector Normal;
  float Distance = 0;
  uint32_t LightmapTexture = 0;
  int32_t LightmapIndex = 0;
};

struct TSector {
  TSector();
  ~TSector();
  TSector(const TSector&) = delete;
  TSector& operator=(const TSector&) = delete;

  uint32_t Id = 0;
  std::string Name;  // Windows-1252 bytes
  uint8_t NodeType = kSector;
  uint8_t Kind = 0;
  int32_t VertexCount = 0;
  std::vector<TVertex> Vertices;
  Vector Centroid, BoundsMin, BoundsMax, BoundsCenter;
  uint16_t TextureIndex = 0;
  uint8_t NoCollision = 0;
  uint8_t Visible = 0;
  uint8_t NoInsideTest = 0;
  uint8_t NoFrustum = 0;
  uint8_t NoShadow = 0;
  uint8_t EnvMapping = 0;
  uint8_t ColorKey = 0;
  uint8_t LightingMode = 0;
  uint8_t ObjectType = 0;
  float Heading = 0;
  uint16_t TriangleCount = 0;
  std::vector<TTriangle> Triangles;
  uint8_t Marked = 0;
  Vector Position;
  float Brightness = 0;
  float Range = 0;
  uint8_t Shadow = 0;
  float Color[3] = {0, 0, 0};
  TSector* LinkedSector = nullptr;  // cleared by the tree when that node goes
  uint8_t IsLinked = 0;
  uint32_t LinkedSectorId = 0;
  uint8_t ParticleType = 0;
  float ParticleSpeed = 0;
  std::shared_ptr<TMD2> ModelLoader;  // shared, so the record needs no loader definition

  // Tree links, maintained only by SceneTree. Parent is null at the top level.
  TSector* Parent = nullptr;
  std::vector<std::unique_ptr<TSector>> Children;
  int ImageIndex = 0;  // the tree icon; the selected-state icon is the same

  // Keeps VertexCount/TriangleCount in step with the arrays.
  void ResizeVertices(size_t n);
  void ResizeTriangles(size_t n);
};

const char* DefaultName(uint8_t node_type);
int DefaultIcon(uint8_t node_type);   // for a sector: by NoInsideTest == 0
bool HasVertices(uint8_t node_type);  // polygon, portal, model

}  // namespace qx

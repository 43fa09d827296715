#include "scene/node.h"

namespace qx {

TSector::TSector() = default;
TSector::~TSector() = default;

void TSector::ResizeVertices(size_t n) {
  Vertices.resize(n);
  VertexCount = static_cast<int32_t>(n);
}

void TSector::ResizeTriangles(size_t n) {
  Triangles.resize(n);
  TriangleCount = static_cast<uint16_t>(n);
}

const char* DefaultName(uint8_t node_type) {
  switch (node_type) {
    case kSector:
      return "leerer Sektor";
    case kPolygon:
      return "Viereck";
    case kLight:
      return "Licht";
    case kPortal:
      return "Portal";
    case kParticleSystem:
      return "Partikelsystem";
    case kModel:
      return "Model";
    case kActor:
      return "Actor";
    case kCheckpoint:
      return "Checkpoint";
    default:
      return "";
  }
}

int DefaultIcon(uint8_t node_type) {
  switch (node_type) {
    case kSector:
      return kIconSector;
    case kPolygon:
      return kIconPolygon;
    case kLight:
      return kIconLight;
    case kPortal:
      return kIconPortal;
    case kParticleSystem:
      return kIconParticleSystem;
    case kModel:
      return kIconModel;
    case kActor:
      return kIconActor;
    case kCheckpoint:
      return kIconCheckpoint;
    default:
      return 0;
  }
}

bool HasVertices(uint8_t node_type) {
  return node_type == kPolygon || node_type == kPortal || node_type == kModel;
}

}  // namespace qx

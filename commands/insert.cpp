#include "commands/insert.h"

#include <memory>

#include "commands/grid_snap.h"
#include "commands/selection.h"
#include "commands/transform.h"
#include "scene/polygon_data.h"

namespace qx {

namespace {

struct CornerSpec {
  float dx, dy;
  float u, v;    // texture coordinates
  float lu, lv;  // lightmap coordinates
};

// The square's zig-zag order gives the triangles 0-1-2 and 3-2-1.
constexpr CornerSpec kSquareCorners[4] = {
    {30, 30, 1, 1, 0, 0}, {-30, 30, 0, 1, 1, 0}, {30, -30, 1, 0, 0, 1}, {-30, -30, 0, 0, 1, 1}};
// The portal's corners run round the square.
constexpr CornerSpec kPortalCorners[4] = {
    {-20, 20, 1, 1, 0, 0}, {20, 20, 0, 1, 1, 0}, {20, -20, 1, 0, 0, 1}, {-20, -20, 0, 0, 1, 1}};

std::unique_ptr<TSector> NewRecord(Editor& e, uint8_t node_type) {
  auto n = std::make_unique<TSector>();
  n->Id = e.NextId();
  n->NodeType = node_type;
  n->Name = DefaultName(node_type);
  n->ImageIndex = DefaultIcon(node_type);
  return n;
}

void SetCorners(Editor& e, TSector* n, const CornerSpec (&corners)[4], const Vector& t) {
  n->ResizeVertices(4);
  for (int i = 0; i < 4; ++i) {
    TVertex& v = n->Vertices[i];
    const CornerSpec& c = corners[i];
    v.Position = VectorSet(double(t.x) + c.dx, double(t.y) + c.dy, t.z);
    for (float& channel : v.Color) channel = 1;
    v.TexCoord[0] = c.u;
    v.TexCoord[1] = c.v;
    v.LightmapCoord[0] = c.lu;
    v.LightmapCoord[1] = c.lv;
  }
  // Vertex ids follow the node's own id, in vertex order.
  for (TVertex& v : n->Vertices) v.Id = e.NextId();
}

// Hangs the record in, makes it the tree's current node and selects it.
TSector* Attach(Editor& e, TSector* parent, std::unique_ptr<TSector> record, bool snap) {
  TSector* n = e.Tree.AddChild(parent, std::move(record));
  SelectInTree(e, n);
  if (snap) SnapSubtreeToGrid(e.Tree, n, false, e.GridSize);
  // The planes follow the snapped corners, not the corners before snapping.
  if (n->NodeType == kPolygon) UpdatePolygonData(n);
  // The tree showed the node before its corners and planes were final.
  if (snap || n->NodeType == kPolygon) e.Changed(n, kChangeGeometry);
  TreeClick(e);
  return n;
}

TSector* InsertPointNode(Editor& e, uint8_t node_type, const Vector& at) {
  TSector* parent = nullptr;
  if (!ChooseInsertParent(e, &parent)) return nullptr;
  auto r = NewRecord(e, node_type);
  r->Position = SnapToGrid(at, e.GridSize);
  TSector* n = Attach(e, parent, std::move(r), false);
  e.Redraw();
  return n;
}

}  // namespace

bool ChooseInsertParent(Editor& e, TSector** parent) {
  TSector* selected = e.TreeSelection;
  if (!selected) {
    e.ShowWarning(kNeedSectorWarning);
    return false;
  }
  *parent = selected->NodeType == kSector ? selected : selected->Parent;
  return true;
}

TSector* InsertSector(Editor& e) {
  auto r = NewRecord(e, kSector);
  r->Visible = 1;
  TSector* n = e.Tree.AddChild(nullptr, std::move(r));
  UpdateSectorIcon(e.Tree, n);
  SelectInTree(e, n);
  SnapSubtreeToGrid(e.Tree, n, false, e.GridSize);
  TreeClick(e);
  e.Redraw();
  return n;
}

TSector* InsertSquare(Editor& e) {
  return InsertSquare(e, e.CameraTarget);
}

TSector* InsertSquare(Editor& e, const Vector& at) {
  TSector* parent = nullptr;
  if (!ChooseInsertParent(e, &parent)) return nullptr;
  auto r = NewRecord(e, kPolygon);
  r->Visible = 1;
  SetCorners(e, r.get(), kSquareCorners, at);
  r->ResizeTriangles(2);
  TSector* n = Attach(e, parent, std::move(r), true);
  SetVertexMode(e, false);
  e.Redraw();
  return n;
}

TSector* InsertPortal(Editor& e) {
  return InsertPortal(e, e.CameraTarget);
}

TSector* InsertPortal(Editor& e, const Vector& at) {
  TSector* parent = nullptr;
  if (!ChooseInsertParent(e, &parent)) return nullptr;
  auto r = NewRecord(e, kPortal);
  SetCorners(e, r.get(), kPortalCorners, at);
  TSector* n = Attach(e, parent, std::move(r), true);
  e.Redraw();
  return n;
}

TSector* InsertLight(Editor& e) {
  return InsertLight(e, e.CameraTarget);
}

TSector* InsertLight(Editor& e, const Vector& at) {
  TSector* parent = nullptr;
  if (!ChooseInsertParent(e, &parent)) return nullptr;
  auto r = NewRecord(e, kLight);
  r->Kind = 0;
  r->Position = SnapToGrid(at, e.GridSize);
  r->Brightness = 30;
  r->Range = 30;
  r->Color[0] = r->Color[1] = r->Color[2] = 255;
  r->Shadow = 1;
  TSector* n = Attach(e, parent, std::move(r), false);
  e.Redraw();
  return n;
}

TSector* InsertParticleSystem(Editor& e) {
  return InsertPointNode(e, kParticleSystem, e.CameraTarget);
}
TSector* InsertParticleSystem(Editor& e, const Vector& at) {
  return InsertPointNode(e, kParticleSystem, at);
}
TSector* InsertActor(Editor& e) {
  return InsertPointNode(e, kActor, e.CameraTarget);
}
TSector* InsertActor(Editor& e, const Vector& at) {
  return InsertPointNode(e, kActor, at);
}
TSector* InsertCheckpoint(Editor& e) {
  return InsertPointNode(e, kCheckpoint, e.CameraTarget);
}
TSector* InsertCheckpoint(Editor& e, const Vector& at) {
  return InsertPointNode(e, kCheckpoint, at);
}

}  // namespace qx

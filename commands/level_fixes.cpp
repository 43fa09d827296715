#include "commands/level_fixes.h"

#include <cmath>
#include <unordered_map>

#include "commands/flip_face.h"
#include "commands/properties.h"
#include "commands/selection.h"
#include "commands/start_position.h"
#include "document/editor.h"
#include "scene/bounds.h"

namespace qx {

namespace {

// A link may name a record that is gone: it is looked for among the tree's
// records before it is followed.
bool IsLiveSector(const SceneTree& tree, const TSector* s) {
  bool found = false;
  if (s) tree.Walk([&](TSector* n) { found = found || n == s; });
  return found && s->NodeType == kSector;
}

// The nodes of a finding, found again by id in the tree as it is now.
std::vector<TSector*> Resolve(const SceneTree& tree, const Finding& f) {
  std::unordered_map<uint32_t, TSector*> by_id;
  for (uint32_t id : f.ids) by_id[id] = nullptr;
  tree.Walk([&](TSector* n) {
    auto it = by_id.find(n->Id);
    if (it != by_id.end() && !it->second) it->second = n;
  });
  std::vector<TSector*> out;
  for (uint32_t id : f.ids) out.push_back(by_id[id]);
  return out;
}

Vector PlaneNormalOf(const TSector* quad) {
  // As the check measures it: by the diagonals, (v3 - v0) x (v2 - v1).
  Vector n = VectorCross(VectorSubtract(quad->Vertices[3].Position, quad->Vertices[0].Position),
                         VectorSubtract(quad->Vertices[2].Position, quad->Vertices[1].Position));
  return VectorNormalize(n);
}

}  // namespace

bool LinkPortalToSectorBehind(Document& doc, TSector* portal) {
  TSector* target = PortalLinkTarget(doc.Tree, portal);
  if (!target) return false;
  portal->LinkedSector = target;
  portal->LinkedSectorId = target->Id;
  portal->IsLinked = 1;
  doc.Changed(portal, kChangeOther);
  doc.Tree.Rename(portal, target->Name);  // a linked portal carries its sector's name
  return true;
}

TSector* AddReturnPortal(Document& doc, TSector* portal) {
  if (!portal || portal->NodeType != kPortal || !portal->IsLinked ||
      !IsLiveSector(doc.Tree, portal->LinkedSector))
    return nullptr;
  TSector* own = portal->Parent;
  if (!IsLiveSector(doc.Tree, own)) return nullptr;
  auto r = std::make_unique<TSector>();
  r->Id = doc.NextId();
  r->NodeType = kPortal;
  r->Name = own->Name;
  r->ImageIndex = DefaultIcon(kPortal);
  r->NoFrustum = portal->NoFrustum;
  r->ResizeVertices(portal->Vertices.size());
  // Reversed, so that the copy runs round the opening the other way and faces back.
  for (size_t i = 0; i < portal->Vertices.size(); ++i) {
    TVertex& v = r->Vertices[i];
    v = portal->Vertices[portal->Vertices.size() - 1 - i];
    v.Id = doc.NextId();
    v.Marked = 0;
  }
  r->LinkedSector = own;
  r->LinkedSectorId = own->Id;
  r->IsLinked = 1;
  ComputeBounds(r.get());
  TSector* copy = doc.Tree.AddChild(portal->LinkedSector, std::move(r));
  ComputeBounds(portal->LinkedSector);
  doc.Changed(portal->LinkedSector, kChangeGeometry);  // its box grew
  return copy;
}

bool RemoveNode(Document& doc, TSector* node) {
  bool found = false;
  if (node) doc.Tree.Walk([&](TSector* n) { found = found || n == node; });
  if (!found) return false;
  doc.Tree.Remove(node);
  return true;
}

bool TurnQuad(Document& doc, TSector* quad) {
  if (!quad || quad->NodeType != kPolygon || quad->Vertices.size() < 4) return false;
  FlipFace(quad);
  doc.Changed(quad, kChangeGeometry | kChangeAppearance | kChangeOther);
  return true;
}

bool MoveLightOutOfWall(Document& doc, TSector* light, const TSector* wall) {
  if (!light || light->NodeType != kLight || !wall || wall->NodeType != kPolygon ||
      wall->Vertices.size() != 4)
    return false;
  const Vector n = PlaneNormalOf(wall);
  Vector center;
  for (const TVertex& v : wall->Vertices) center = VectorAdd(center, v.Position);
  VectorScale(center, 0.25);
  const double s = VectorDotD(n, VectorSubtract(light->Position, center));
  if (!std::isfinite(s)) return false;
  const double by = kCheckLightClear - s;
  light->Position =
      VectorSet(light->Position.x + n.x * by, light->Position.y + n.y * by, light->Position.z + n.z * by);
  doc.Changed(light, kChangeGeometry);
  return true;
}

bool MoveStartToFirstSector(Document& doc) {
  for (const auto& top : doc.Tree.TopLevel()) {
    if (top->NodeType != kSector) continue;
    ComputeBounds(top.get());
    // The sector's box, as the check sees it: from its quads and models.
    bool any = false;
    Vector lo, hi;
    SceneTree::WalkSubtree(top.get(), [&](TSector* n) {
      if (n->NodeType != kPolygon && n->NodeType != kModel) return;
      for (const TVertex& v : n->Vertices) {
        const Vector& p = v.Position;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
        if (!any) lo = hi = p, any = true;
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
      }
    });
    if (!any) continue;
    doc.StartPosition =
        VectorSet((double(lo.x) + hi.x) / 2, (double(lo.y) + hi.y) / 2, (double(lo.z) + hi.z) / 2);
    doc.ChangedStartPosition();
    return true;
  }
  return false;
}

std::vector<TSector*> FindingNodes(const SceneTree& tree, const Finding& finding) {
  return Resolve(tree, finding);
}

bool SelectFinding(Editor& e, const Finding& finding) {
  std::vector<TSector*> nodes = Resolve(e.Tree, finding);
  std::erase(nodes, nullptr);
  if (nodes.empty()) {
    if (finding.code.rfind("start.", 0) != 0) return false;
    SelectStartMarker(e, false);
    return true;
  }
  ClearSelection(e);
  for (TSector* n : nodes) {
    AddToSelection(e, n);
    ComputeBounds(n);
  }
  SelectInTree(e, nodes.front());
  ShowNodeProperties(e, nodes.front());
  e.Redraw();
  return true;
}

bool ApplyFix(Document& doc, const Finding& f, LightmapSize size) {
  const std::vector<TSector*> nodes = Resolve(doc.Tree, f);
  TSector* first = nodes.empty() ? nullptr : nodes.front();
  switch (f.fix) {
    case FixKind::kNone:
      return false;
    case FixKind::kLinkPortal:
      return first && first->NodeType == kPortal && LinkPortalToSectorBehind(doc, first);
    case FixKind::kAddReturnPortal:
      return AddReturnPortal(doc, first) != nullptr;
    case FixKind::kRemoveQuad:
      return first && first->NodeType == kPolygon && RemoveNode(doc, first);
    case FixKind::kTurnQuad:
      return TurnQuad(doc, first);
    case FixKind::kMoveLight:
      return nodes.size() >= 2 && MoveLightOutOfWall(doc, first, nodes[1]);
    case FixKind::kMoveStart:
      return MoveStartToFirstSector(doc);
    case FixKind::kBakeAgain:
      return ComputeLightmaps(doc, size) == BakeStatus::kDone;
  }
  return false;
}

bool FixFinding(Editor& e, const Finding& finding, LightmapSize size) {
  bool done = false;
  {
    UndoStack::Step step(e.History, kFixCommand);
    done = ApplyFix(e, finding, size);
  }
  e.Redraw();
  return done;
}

int FixAllOfKind(Editor& e, const std::vector<Finding>& findings, const std::string& code,
                 LightmapSize size) {
  int done = 0;
  {
    UndoStack::Step step(e.History, kFixAllCommand);
    bool baked = false;  // one bake serves every finding that asks for one
    for (const Finding& f : findings) {
      if (f.code != code || f.fix == FixKind::kNone) continue;
      if (f.fix == FixKind::kBakeAgain) {
        if (baked) continue;
        baked = true;
      }
      if (ApplyFix(e, f, size)) ++done;
    }
  }
  e.Redraw();
  return done;
}

}  // namespace qx

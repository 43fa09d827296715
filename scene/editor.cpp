#include "scene/editor.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

namespace qx {

bool SettingsStore::ReadBool(const std::string& name, bool fallback) {
  const std::string text = ReadString(name, "");
  if (text.empty()) return fallback;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0') return fallback;  // not a number
  return value != 0;
}

Editor::Editor(std::filesystem::path program_directory) : ProgramDirectory(std::move(program_directory)) {
  DocumentFileName = ProgramDirectory / kUntitledName;
  Tree.AddListener(this);
}

Editor::~Editor() { Tree.RemoveListener(this); }

void Editor::NewScene() {
  CameraMode = 0;
  AxisLock = 'X';
  ToolMode = 0;
  if (view) {
    view->SetCameraButtons(CameraMode);
    view->SetToolButtons(AxisLock, ToolMode);
  }
  GridExtent = 500;
  GridSize = 20;
  if (view) view->SetGridLabel(std::to_string(GridSize));
  CameraPosition = {0, 80, 70};
  LookDistance = 50;
  CameraHeading = 180;
  CameraPitch = -60;
  StartPosition = {0, 0, 0};
  ClipboardFilled = false;
  ClipboardList.clear();
  IdCounter = 0;
  LightmapList.clear();
  DocumentFileName = ProgramDirectory / kUntitledName;
  DocumentHasFile = false;
  UpdateCaption();
  PanelVisible = false;
  if (view) view->SetPanelVisible(false);
  Tree.Clear();
  Redraw();
}

std::string Editor::CaptionText() const {
  return kCaptionPrefix + DocumentFileName.filename().string() + (modified_ ? "*" : "");
}

void Editor::SetModified(bool modified) {
  if (modified)
    History.MarkDirty();
  else
    History.MarkClean();
  ShowModified(modified);
}

void Editor::ShowModified(bool modified) {
  if (modified_ == modified) return;
  modified_ = modified;
  UpdateCaption();
}

void Editor::UpdateCaption() {
  if (view) view->SetCaption(CaptionText());
}

TSector* Editor::CreateNode(TSector* parent, uint8_t node_type) {
  auto node = std::make_unique<TSector>();
  node->NodeType = node_type;
  node->Name = DefaultName(node_type);
  node->ImageIndex = DefaultIcon(node_type);
  return Tree.AddChild(parent, std::move(node));
}

void Editor::RaiseIdCounterToTree() {
  Tree.Walk([&](TSector* n) {
    IdCounter = std::max(IdCounter, n->Id);
    if (HasVertices(n->NodeType))
      for (const TVertex& v : n->Vertices) IdCounter = std::max(IdCounter, v.Id);
  });
}

TSector* Editor::FindById(uint32_t id) const {
  TSector* found = nullptr;
  Tree.Walk([&](TSector* n) {
    if (!found && n->Id == id) found = n;
  });
  return found;
}

void Editor::Forget(TSector* node) {
  // A list never keeps a record that is about to be released.
  std::unordered_set<const TSector*> gone;
  SceneTree::WalkSubtree(node, [&](TSector* n) { gone.insert(n); });
  auto prune = [&](std::vector<TSector*>& list) {
    list.erase(std::remove_if(list.begin(), list.end(), [&](TSector* n) { return gone.count(n) > 0; }),
               list.end());
  };
  prune(SelectionList);
  prune(ClipboardList);
  if (ClipboardList.empty()) ClipboardFilled = false;
  if (gone.count(TreeSelection)) TreeSelection = nullptr;
  if (gone.count(CurrentVertexNode)) {
    CurrentVertexNode = nullptr;
    CurrentVertexIndex = -1;
  }
}

void Editor::BeforeRemove(TSector* node) { Forget(node); }

void Editor::BeforeReset() {
  SelectionList.clear();
  ClipboardList.clear();
  ClipboardFilled = false;
  TreeSelection = nullptr;
  CurrentVertexNode = nullptr;
  CurrentVertexIndex = -1;
}

namespace {

void WidenBy(TSector* box, const TSector* child, bool& first) {
  if (first) {
    box->BoundsMin = child->BoundsMin;
    box->BoundsMax = child->BoundsMax;
    first = false;
    return;
  }
  box->BoundsMin = {std::min(box->BoundsMin.x, child->BoundsMin.x), std::min(box->BoundsMin.y, child->BoundsMin.y),
                    std::min(box->BoundsMin.z, child->BoundsMin.z)};
  box->BoundsMax = {std::max(box->BoundsMax.x, child->BoundsMax.x), std::max(box->BoundsMax.y, child->BoundsMax.y),
                    std::max(box->BoundsMax.z, child->BoundsMax.z)};
}

void SetCenter(TSector* n) {
  Vector sum = VectorAdd(n->BoundsMin, n->BoundsMax);
  n->BoundsCenter = VectorScale(sum, 0.5);
}

void ComputeOwnBounds(TSector* n) {
  switch (n->NodeType) {
    case kPolygon:
    case kPortal:
    case kModel: {
      if (n->Vertices.empty()) {
        // No vertex to start from: an empty box at the origin instead of a read past the array.
        n->BoundsMin = n->BoundsMax = n->Centroid = {};
        break;
      }
      n->BoundsMin = n->BoundsMax = n->Vertices[0].Position;
      double cx = 0, cy = 0, cz = 0;
      for (const TVertex& v : n->Vertices) {
        const Vector& p = v.Position;
        n->BoundsMin = {std::min(n->BoundsMin.x, p.x), std::min(n->BoundsMin.y, p.y), std::min(n->BoundsMin.z, p.z)};
        n->BoundsMax = {std::max(n->BoundsMax.x, p.x), std::max(n->BoundsMax.y, p.y), std::max(n->BoundsMax.z, p.z)};
        // The centroid is accumulated in the Vector itself, rounding to float per step.
        cx = static_cast<float>(cx + p.x);
        cy = static_cast<float>(cy + p.y);
        cz = static_cast<float>(cz + p.z);
      }
      Vector c = VectorSet(cx, cy, cz);
      n->Centroid = VectorScale(c, 1.0 / static_cast<double>(n->Vertices.size()));
      break;
    }
    case kSector: {
      bool first = true;
      for (const auto& child : n->Children) {
        const uint8_t t = child->NodeType;
        if (t == kSector || t == kPolygon || t == kPortal || t == kModel) WidenBy(n, child.get(), first);
      }
      if (first) n->BoundsMin = n->BoundsMax = {};
      break;
    }
    default:
      return;  // lights, particle systems, actors, checkpoints: no bounds
  }
  SetCenter(n);
}

}  // namespace

void ComputeBounds(TSector* node) {
  if (!node) return;
  // Post-order without recursion: children before their sector.
  std::vector<std::pair<TSector*, bool>> stack{{node, false}};
  while (!stack.empty()) {
    auto [n, expanded] = stack.back();
    stack.pop_back();
    if (n->NodeType != kSector || expanded) {
      ComputeOwnBounds(n);
      continue;
    }
    stack.push_back({n, true});
    for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it) stack.push_back({it->get(), false});
  }
}

}  // namespace qx

#include "document/editor.h"

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

Editor::~Editor() {
  Tree.RemoveListener(this);
}

void Editor::NewScene() {
  CameraMode = CameraMode::kLook;
  AxisLock = AxisLock::kX;
  ToolMode = ToolMode::kMove;
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
  Tree.Clear();
  Replaced();
  Redraw();
}

std::string Editor::CaptionText() const {
  return kCaptionPrefix + DocumentFileName.filename().string() + (HasUnsavedChanges() ? "*" : "");
}

void Editor::SetModified(bool modified) {
  if (modified)
    History.MarkDirty();
  else
    History.MarkClean();
  ShowModified(modified);
}

void Editor::ShowModified(bool modified) {
  modified_ = modified;
  // Also when the flag stays: a step may have changed the texture library alone.
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
  const size_t listed = SelectionList.size();
  prune(SelectionList);
  if (SelectionList.size() != listed) ChangedSelection();
  prune(ClipboardList);
  if (ClipboardList.empty()) ClipboardFilled = false;
  if (gone.count(TreeSelection)) TreeSelection = nullptr;
  if (gone.count(CurrentVertexNode)) {
    CurrentVertexNode = nullptr;
    CurrentVertexIndex = -1;
  }
}

void Editor::BeforeRemove(TSector* node) {
  Forget(node);
}

void Editor::BeforeReset() {
  SelectionList.clear();
  ClipboardList.clear();
  ClipboardFilled = false;
  TreeSelection = nullptr;
  CurrentVertexNode = nullptr;
  CurrentVertexIndex = -1;
  StartSelected = false;
}

}  // namespace qx

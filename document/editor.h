#pragma once
// The scene-wide editor state and the operations every command shares.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/modes.h"
#include "document/prompts.h"
#include "document/undo.h"
#include "scene/bounds.h"
#include "scene/scene_tree.h"

namespace qx {

inline constexpr size_t kMaxListEntries = 256;
inline constexpr const char* kUntitledName = "Unbennant.qxm";
inline constexpr const char* kCaptionPrefix = "Quarvex v1.0.0 - ";

// What is selected: the tree's current node, the selection list, the
// clipboard and the vertex last clicked. Undo brings it back with the document.
struct SelectionState {
  // The tree control's own current node (anchor for paste, rename, drops).
  TSector* TreeSelection = nullptr;
  std::vector<TSector*> SelectionList;  // grows as needed; entry 0 is primary
  std::vector<TSector*> ClipboardList;
  bool ClipboardFilled = false;
  // The vertex last clicked in vertex mode, kept as node and index so that it is
  // forgotten with its node (read it through CurrentVertex() in edit/selection.h).
  TSector* CurrentVertexNode = nullptr;
  int CurrentVertexIndex = -1;
  Vector CoordinateClipboard;
  // The start marker is selected; it is no node, so the list has no entry for it.
  bool StartSelected = false;
};

struct CameraState {
  Vector CameraPosition{0, 80, 70};
  Vector CameraTarget;
  float CameraHeading = 180;
  float CameraPitch = -60;
  float LookDistance = 50;
  qx::CameraMode CameraMode = CameraMode::kLook;
};

struct ToolState {
  int32_t GridSize = 20;
  int32_t GridExtent = 500;
  qx::AxisLock AxisLock = AxisLock::kX;
  qx::ToolMode ToolMode = ToolMode::kMove;
  bool VertexMode = false;
  // "Textur fixieren" and "Texturmaßstab" (edit/texture_align.h), kept in the settings.
  bool TextureLock = false;
  float TextureScale = 60;
  float VertexMarkerRadius = 2.0f;
};

// The aggregate every command receives: the document and the state around it.
class Editor : public Document,
               public SelectionState,
               public CameraState,
               public ToolState,
               private TreeListener {
 public:
  explicit Editor(std::filesystem::path program_directory = {});
  ~Editor() override;
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  // Collaborators; each may stay null (headless use), commands then act silently.
  Prompts* prompts = nullptr;
  SettingsStore* settings = nullptr;
  EditorView* view = nullptr;

  std::filesystem::path ProgramDirectory;

  // Undo and redo of the commands; run each command inside a History step.
  UndoStack History{*this};

  // Unsaved changes, shown as "*" in the caption. The history sets the flag
  // when a command changes the scene; saving clears it, as do loading and
  // NewScene (which replace the tree).
  void SetModified(bool modified);

  void NewScene();
  void UpdateCaption();
  std::string CaptionText() const;
  // Tells the listeners what changed so far, then draws.
  void Redraw() {
    PublishChanges();
    if (view) view->Redraw();
  }
  void ShowWarning(const std::string& text) {
    if (prompts) prompts->ShowWarning(text);
  }

  // Adds a fresh record of the given type as last child of parent (null: top level),
  // with its default name and icon; the id is not assigned here.
  TSector* CreateNode(TSector* parent, uint8_t node_type);
  // The id counter never goes down: raise it to cover every id in the tree.
  void RaiseIdCounterToTree();
  TSector* FindById(uint32_t id) const;

 private:
  friend class UndoStack;
  void ShowModified(bool modified);

  void BeforeRemove(TSector* node) override;
  void BeforeReset() override;
  void Forget(TSector* node);
};

}  // namespace qx

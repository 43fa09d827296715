#pragma once
// The scene-wide editor state and the operations every command shares.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "edit/undo.h"
#include "scene/prompts.h"
#include "scene/scene_tree.h"
#include "textures/texture_library.h"

namespace qx {

struct Lightmap {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes
};

inline constexpr size_t kMaxListEntries = 256;
inline constexpr const char* kUntitledName = "Unbennant.qxm";
inline constexpr const char* kCaptionPrefix = "Quarvex v1.0.0 - ";

class Editor : private TreeListener {
 public:
  explicit Editor(std::filesystem::path program_directory = {});
  ~Editor() override;
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  // Collaborators; each may stay null (headless use), commands then act silently.
  Prompts* prompts = nullptr;
  SettingsStore* settings = nullptr;
  EditorView* view = nullptr;

  SceneTree Tree;
  uint32_t IdCounter = 0;
  uint32_t NextId() { return ++IdCounter; }

  // The tree control's own current node (anchor for paste, rename, drops).
  TSector* TreeSelection = nullptr;
  std::vector<TSector*> SelectionList;  // grows as needed; entry 0 is primary
  std::vector<TSector*> ClipboardList;
  bool ClipboardFilled = false;

  // Camera.
  Vector CameraPosition{0, 80, 70};
  Vector CameraTarget;
  float CameraHeading = 180;
  float CameraPitch = -60;
  float LookDistance = 50;
  int CameraMode = 0;  // 0 look, 1 move

  Vector StartPosition;
  int32_t GridSize = 20;
  int32_t GridExtent = 500;

  // Transform tools.
  char AxisLock = 'X';
  int ToolMode = 0;  // 0 move, 1 rotate
  int StepCounter = 0;
  int LastMouseX = 0, LastMouseY = 0;
  bool VertexMode = false;
  float VertexMarkerRadius = 2.0f;
  Vector CoordinateClipboard;
  // The vertex last clicked in vertex mode, kept as node and index so that it is
  // forgotten with its node (read it through CurrentVertex() in edit/selection.h).
  TSector* CurrentVertexNode = nullptr;
  int CurrentVertexIndex = -1;

  std::vector<Lightmap> LightmapList;

  std::filesystem::path ProgramDirectory;
  std::filesystem::path DocumentFileName;
  bool DocumentHasFile = false;
  bool PanelVisible = false;

  TextureLibrary Textures;

  // Undo and redo of the commands; run each command inside a History step.
  UndoStack History{*this};

  // Unsaved changes, shown as "*" in the caption. The history sets the flag
  // when a command changes the scene; saving clears it, as do loading and
  // NewScene (which replace the tree).
  bool IsModified() const { return modified_; }
  void SetModified(bool modified);

  void NewScene();
  void UpdateCaption();
  std::string CaptionText() const;
  void Redraw() {
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

  bool modified_ = false;
};

// Fills Centroid and the bounds of node; recursively for a sector.
void ComputeBounds(TSector* node);

}  // namespace qx

#pragma once
// Undo and redo for every command that changes the scene, with one mechanism:
// the history keeps whole states of the scene (edit/scene_state.h), not an
// inverse for each command, so a command needs nothing of its own to be
// undoable; it only runs inside a Step.
//
// The history always holds the current state, as of the last time it looked.
// When the outermost Step ends, the scene is compared with it: if the
// document changed, the state before becomes an undo step named after the
// command. Selecting, marks and bounds alone are no change, though undoing a
// step brings back the selection it had. A drag spans many events and is one
// step through BeginGesture/EndGesture. Changes made outside any step are not
// lost either: the next step, Commit, Undo or a save records them as a step of
// their own.
//
// Undo and redo change the live tree in place, so the records they keep stay
// the same objects, and announce what they changed like any command; only
// replacing the whole tree (NewScene, loading a document) is a reset, and it
// ends the history: its steps belong to another document. The editor's modified flag follows
// the history: it is set when the scene differs from the state last saved
// and cleared by saving, loading and NewScene (and by undoing back to the
// saved state). The texture library is part of every state, so its changes
// are undone like any other; whether it differs from its own file the
// library tells itself (TextureLibrary::IsModified).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/scene_state.h"
#include "scene/scene_tree.h"

namespace qx {

class Editor;
class LightmapUploader;

inline constexpr size_t kUndoMaxSteps = 100;
inline constexpr size_t kUndoMaxBytes = size_t(256) << 20;

class UndoStack : private TreeListener {
 public:
  explicit UndoStack(Editor& editor);
  ~UndoStack() override;
  UndoStack(const UndoStack&) = delete;
  UndoStack& operator=(const UndoStack&) = delete;

  // One command. Steps nest; the outermost one decides (and takes the name of
  // the first named one inside when it has none). Steps with the same
  // non-empty merge key that follow each other directly on the same selection
  // become one step (the ticks of a slider, the keys of a spinner).
  class Step {
   public:
    Step(UndoStack& stack, std::string name, std::string merge_key = {});
    ~Step();
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

   private:
    UndoStack& stack_;
  };

  template <typename Fn>
  decltype(auto) Run(std::string name, Fn&& fn) {
    Step step(*this, std::move(name));
    return std::forward<Fn>(fn)();
  }

  // A command that spans several events, such as a drag from button press to
  // release. Repeated Begins keep the first; an End without a Begin is ignored,
  // so a release that never arrived is made good by the next press.
  void BeginGesture(std::string name);
  void EndGesture();
  // Takes the open gesture back: the document returns to the state of the
  // press (what the history holds as current) and no step is recorded. False
  // when no gesture is open or memory ran out (the gesture then stays open).
  bool CancelGesture();
  bool GestureOpen() const { return gesture_open_; }
  // A command or gesture is running: the scene may be half changed.
  bool Busy() const { return depth_ > 0 || gesture_open_; }
  // A command's step is open (a dialog of it may be showing).
  bool StepOpen() const { return depth_ > 0; }

  // Records changes made outside any step as a step named `name`; nothing
  // while a step or gesture is open. True when a step was recorded.
  bool Commit(const std::string& name = {});

  // Takes changes made outside any step into the current state without a
  // step of their own: lighting that follows an edit belongs to the edit's
  // step, which undo takes back. `tag` names what the state now holds. False
  // (nothing taken) while a step or gesture is open or memory ran out.
  bool Absorb(std::shared_ptr<const void> tag);
  // What the current state holds, as its owner named it (Absorb, TagCurrent);
  // a new step starts without, and Undo, Redo and CancelGesture bring back
  // the tag of the state they return to. Restores() counts those three.
  void TagCurrent(std::shared_ptr<const void> tag) { current_tag_ = std::move(tag); }
  const std::shared_ptr<const void>& CurrentTag() const { return current_tag_; }
  uint64_t Restores() const { return restores_; }

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Name of the command the next Undo or Redo takes back or repeats.
  std::string UndoName() const;
  std::string RedoName() const;
  // Back to the state before the newest step (pending changes are recorded
  // first). False when there is nothing to undo or memory ran out.
  bool Undo();
  bool Redo();
  // Forgets every step; the scene as it is becomes the base.
  void Clear();

  void SetLimits(size_t max_steps, size_t max_bytes);
  size_t UndoCount() const { return undo_.size(); }
  size_t RedoCount() const { return redo_.size(); }
  // Memory held by the history, the copy of the current state included.
  size_t Bytes() const;
  // Changes whenever the recorded scene does: a backup is due only when it moved.
  uint64_t StateId() const { return current_id_; }

  // What the last look found: the live records whose fields (or portal link)
  // the step it recorded changed, and parallel to them the OR of the Change
  // bits of what differs. Empty when that look recorded no step. Inserted and
  // removed records are structure and not listed; the pointers are for
  // comparison only, a later command may have released them.
  const std::vector<const TSector*>& LastStepChangedRecords() const { return last_changes_.records; }
  const std::vector<uint8_t>& LastStepChangeKinds() const { return last_changes_.kinds; }

  // Told after every change of what Undo and Redo would do, so that menus follow.
  std::function<void()> on_change;

  // The lightmap textures of the graphics context. Given one, undo and redo
  // keep every triangle's texture name valid: a name whose texture still shows
  // the right lightmap stays, others are made anew, unused ones released.
  void SetLightmapUploader(LightmapUploader* uploader) { lightmap_uploader_ = uploader; }

  // The modified flag's reference: the current state is the saved one, or
  // no state is. Editor::SetModified calls these.
  void MarkClean();
  void MarkDirty();

 private:
  struct Entry {
    std::unique_ptr<SceneState> state;
    std::string name;
    std::string merge_key;
    uint64_t id = 0;
    uint64_t document_id = 0;  // id of the last state whose map document differed
    std::shared_ptr<const void> tag;
  };

  void Open(std::string name, std::string merge_key);
  void Close();
  // Brings the current state up to the scene; a change becomes a step.
  bool Sync(const std::string& name, const std::string& merge_key);
  bool SyncGuarded(const std::string& name, const std::string& merge_key);
  bool Restore(std::deque<Entry>& from, std::deque<Entry>& to);
  void Trim();
  void ShowModified();
  void Notify();
  void ReconcileLightmapTextures(const SceneState& before);

  void AfterReset() override;

  Editor& editor_;
  StateMemory memory_;  // before every state, so it outlives them
  std::unique_ptr<SceneState> current_;
  std::deque<Entry> undo_, redo_;  // back: the newest
  // The modified flag follows the map document alone: a step that changed
  // only the texture library (saved to a file of its own) keeps document_id_.
  uint64_t current_id_ = 1, next_id_ = 1, clean_id_ = 1, document_id_ = 1;
  int depth_ = 0;
  bool gesture_open_ = false;
  std::string open_name_, open_key_;
  bool mergeable_ = false;  // the newest step may take in a following one with its key
  bool reset_ = false;      // the tree was replaced: the next look starts afresh
  size_t max_steps_ = kUndoMaxSteps, max_bytes_ = kUndoMaxBytes;
  LightmapUploader* lightmap_uploader_ = nullptr;
  RecordChanges last_changes_;
  std::shared_ptr<const void> current_tag_;
  uint64_t restores_ = 0;
};

}  // namespace qx

#include "document/undo.h"

#include <new>
#include <unordered_map>
#include <unordered_set>

#include "document/editor.h"
#include "lighting/lightmap.h"

namespace qx {

UndoStack::Step::Step(UndoStack& stack, std::string name, std::string merge_key) : stack_(stack) {
  stack_.Open(std::move(name), std::move(merge_key));
}

UndoStack::Step::~Step() {
  stack_.Close();
}

UndoStack::UndoStack(Editor& editor) : editor_(editor) {
  editor_.Tree.AddListener(this);
}

UndoStack::~UndoStack() {
  editor_.Tree.RemoveListener(this);
}

void UndoStack::Open(std::string name, std::string merge_key) {
  if (depth_++ > 0 || gesture_open_) {
    // A step the window opens around every event is named by the command inside.
    if (open_name_.empty()) open_name_ = std::move(name);
    return;
  }
  // Whatever changed since the history last looked is not this command's doing.
  SyncGuarded({}, {});
  open_name_ = std::move(name);
  open_key_ = std::move(merge_key);
}

void UndoStack::Close() {
  if (depth_ == 0) return;
  if (--depth_ == 0 && !gesture_open_) {
    SyncGuarded(open_name_, open_key_);
    editor_.PublishChanges();  // the command is done: the views follow it
  }
}

void UndoStack::BeginGesture(std::string name) {
  if (gesture_open_) return;
  if (depth_ == 0) SyncGuarded({}, {});
  gesture_open_ = true;
  editor_.SetGestureOpen(true);
  open_name_ = std::move(name);
  open_key_.clear();
}

void UndoStack::EndGesture() {
  if (!gesture_open_) return;
  gesture_open_ = false;
  editor_.SetGestureOpen(false);
  if (depth_ == 0) {
    SyncGuarded(open_name_, open_key_);
    editor_.PublishChanges();
  }
}

bool UndoStack::CancelGesture() {
  if (!gesture_open_ || depth_ > 0 || !current_) return false;
  try {
    // The live scene against the state of the press: only what the drag
    // changed is put back, through the tree and announced like an undo.
    std::unique_ptr<SceneState> live = SceneState::Capture(editor_, current_.get(), &memory_);
    current_->Restore(editor_, live.get());
    ReconcileLightmapTextures(*live);
  } catch (const std::bad_alloc&) {
    return false;
  }
  gesture_open_ = false;
  ++restores_;
  editor_.SetGestureOpen(false);
  editor_.ChangedSelection();
  last_changes_ = {};
  editor_.PublishChanges();
  Notify();
  return true;
}

bool UndoStack::Commit(const std::string& name) {
  if (depth_ > 0 || gesture_open_) return false;
  return SyncGuarded(name, {});
}

bool UndoStack::Absorb(std::shared_ptr<const void> tag) {
  if (depth_ > 0 || gesture_open_) return false;
  try {
    if (reset_ || !current_) {
      // After a new scene or a load the scene as it now is becomes the base.
      current_ = SceneState::Capture(editor_, nullptr, &memory_);
      reset_ = false;
      current_tag_ = std::move(tag);
      return true;
    }
    bool changed = false, document_changed = false;
    std::unique_ptr<SceneState> next =
        SceneState::Capture(editor_, current_.get(), &memory_, &changed, nullptr, &document_changed);
    current_ = std::move(next);
    current_tag_ = std::move(tag);
    if (changed) {
      current_id_ = ++next_id_;
      if (document_changed) document_id_ = current_id_;
      ShowModified();
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool UndoStack::Sync(const std::string& name, const std::string& merge_key) {
  if (reset_ || !current_) {
    current_tag_.reset();
    // After a new scene or a load the scene as it now is becomes the base.
    current_ = SceneState::Capture(editor_, nullptr, &memory_);
    reset_ = false;
    return false;
  }
  bool changed = false, document_changed = false;
  last_changes_ = {};
  RecordChanges changes;
  std::unique_ptr<SceneState> next =
      SceneState::Capture(editor_, current_.get(), &memory_, &changed, &changes, &document_changed);
  if (!changed) {
    // Steps on different selections are different edits, even with one key.
    if (!next->SameSelection(*current_)) mergeable_ = false;
    current_ = std::move(next);
    return false;
  }
  const bool merge =
      mergeable_ && !merge_key.empty() && !undo_.empty() && undo_.back().merge_key == merge_key;
  if (!merge) {
    current_->DropSources();
    undo_.push_back(
        {std::move(current_), name, merge_key, current_id_, document_id_, std::move(current_tag_)});
    redo_.clear();
  }
  current_tag_.reset();
  // When merging, the state before the first of the merged steps stays the one to go back to.
  current_ = std::move(next);
  current_id_ = ++next_id_;
  if (document_changed) document_id_ = current_id_;
  last_changes_ = std::move(changes);
  mergeable_ = !merge_key.empty();
  Trim();
  ShowModified();
  Notify();
  return true;
}

bool UndoStack::SyncGuarded(const std::string& name, const std::string& merge_key) {
  try {
    return Sync(name, merge_key);
  } catch (const std::bad_alloc&) {
    // Out of memory: give up the history rather than the command. Whether the
    // scene changed is unknown now, so it counts as changed.
    undo_.clear();
    redo_.clear();
    current_.reset();
    current_tag_.reset();
    last_changes_ = {};
    mergeable_ = false;
    current_id_ = document_id_ = ++next_id_;
    ShowModified();
    Notify();
    return false;
  }
}

bool UndoStack::Restore(std::deque<Entry>& from, std::deque<Entry>& to) {
  SyncGuarded({}, {});  // pending changes are a step of their own, taken back first
  if (from.empty() || !current_) return false;
  Entry& entry = from.back();
  try {
    entry.state->Restore(editor_, current_.get());
  } catch (const std::bad_alloc&) {
    return false;  // the editor was not touched
  }
  current_->DropSources();
  to.push_back(
      {std::move(current_), entry.name, entry.merge_key, current_id_, document_id_, std::move(current_tag_)});
  current_ = std::move(entry.state);
  current_tag_ = std::move(entry.tag);
  ++restores_;
  current_id_ = entry.id;
  document_id_ = entry.document_id;
  from.pop_back();
  ReconcileLightmapTextures(*to.back().state);
  // The restored selection comes back with the step; the panel shows its
  // tree node, else its first entry, else nothing.
  editor_.ChangedSelection();
  TSector* shown = nullptr;
  for (TSector* n : editor_.SelectionList)
    if (n == editor_.TreeSelection) shown = n;
  if (!shown && !editor_.SelectionList.empty()) shown = editor_.SelectionList.front();
  editor_.ShowProperties(shown);
  mergeable_ = false;
  Trim();
  ShowModified();
  Notify();
  editor_.Redraw();
  return true;
}

void UndoStack::ReconcileLightmapTextures(const SceneState& before) {
  if (!lightmap_uploader_) return;
  // GL hands out released names again, so a name is kept only when the
  // texture behind it shows the very lightmap the restored triangle wants.
  std::unordered_map<uint32_t, const Lightmap*> live;
  before.ForEachLightmapTexture(
      [&](uint32_t name, const Lightmap* lightmap) { live.emplace(name, lightmap); });
  std::unordered_set<uint32_t> kept;
  const std::vector<Lightmap>& list = editor_.LightmapList;
  editor_.Tree.Walk([&](TSector* n) {
    for (TTriangle& t : n->Triangles) {
      if (t.LightmapTexture == 0) continue;
      const bool inside = t.LightmapIndex >= 0 && size_t(t.LightmapIndex) < list.size();
      const Lightmap* wanted = inside ? &list[size_t(t.LightmapIndex)] : nullptr;
      auto it = live.find(t.LightmapTexture);
      if (wanted && it != live.end() && it->second && !kept.count(it->first) &&
          SameLightmap(*it->second, *wanted)) {
        kept.insert(it->first);
        continue;
      }
      t.LightmapTexture = wanted ? lightmap_uploader_->Upload(*wanted) : 0;
      editor_.Changed(n, kChangeAppearance);
    }
  });
  for (const auto& [name, lightmap] : live)
    if (!kept.count(name)) lightmap_uploader_->Release(name);
}

bool UndoStack::Undo() {
  return Restore(undo_, redo_);
}

bool UndoStack::Redo() {
  return Restore(redo_, undo_);
}

std::string UndoStack::UndoName() const {
  return undo_.empty() ? std::string() : undo_.back().name;
}

std::string UndoStack::RedoName() const {
  return redo_.empty() ? std::string() : redo_.back().name;
}

void UndoStack::Clear() {
  undo_.clear();
  redo_.clear();
  mergeable_ = false;
  Notify();
}

void UndoStack::SetLimits(size_t max_steps, size_t max_bytes) {
  max_steps_ = max_steps;
  max_bytes_ = max_bytes;
  Trim();
  Notify();
}

size_t UndoStack::Bytes() const {
  size_t total = memory_.bytes + (current_ ? current_->TableBytes() : 0);
  for (const Entry& e : undo_) total += e.state->TableBytes() + e.name.capacity() + e.merge_key.capacity();
  for (const Entry& e : redo_) total += e.state->TableBytes() + e.name.capacity() + e.merge_key.capacity();
  return total;
}

void UndoStack::Trim() {
  while (undo_.size() > max_steps_) undo_.pop_front();
  // The newest step is kept whatever it costs, so the last command can always be taken back.
  while (Bytes() > max_bytes_) {
    if (undo_.size() > 1)
      undo_.pop_front();
    else if (!redo_.empty())
      redo_.pop_front();  // the step farthest ahead
    else
      break;
  }
}

void UndoStack::MarkClean() {
  // Changes not yet looked at went into the file too: record them first.
  if (depth_ == 0 && !gesture_open_) SyncGuarded({}, {});
  clean_id_ = document_id_;
  mergeable_ = false;
}

void UndoStack::MarkDirty() {
  if (clean_id_ == document_id_) clean_id_ = 0;
}

void UndoStack::ShowModified() {
  editor_.ShowModified(document_id_ != clean_id_);
}

void UndoStack::AfterReset() {
  undo_.clear();
  redo_.clear();
  current_.reset();
  current_tag_.reset();
  last_changes_ = {};
  reset_ = true;
  mergeable_ = false;
  current_id_ = document_id_ = ++next_id_;
  clean_id_ = current_id_;
  ShowModified();
  Notify();
}

void UndoStack::Notify() {
  if (on_change) on_change();
}

}  // namespace qx

#include "session/live_light.h"

#include "document/undo.h"

namespace qx {

namespace {

bool Lit(const TSector* n) {
  return n->NodeType == kPolygon || n->NodeType == kModel || n->NodeType == kLight;
}

}  // namespace

LiveLight::LiveLight(Document& doc, UndoStack* history) : doc_(doc), history_(history) {
  if (history_) seen_restores_ = history_->Restores();
  if (!doc_.LightmapList.empty())
    size_ = LightmapSize{doc_.LightmapList[0].width, doc_.LightmapList[0].height};
  doc_.AddDocumentListener(this);
  worker_ = std::thread([this] { Work(); });
}

LiveLight::~LiveLight() {
  doc_.RemoveDocumentListener(this);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    cancel_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void LiveLight::SetEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  if (on) {
    Schedule();
  } else {
    std::lock_guard<std::mutex> lock(mutex_);
    waiting_.reset();
    cancel_ = true;
  }
}

std::shared_ptr<const LightingInputs> LiveLight::TakeInputs() {
  if (structure_ || !view_) {
    // The order of the records: a walk of the tree, reusing the copies kept.
    auto in = std::make_shared<LightingInputs>();
    std::unordered_map<const TSector*, std::shared_ptr<const TSector>> kept;
    kept.reserve(copies_.size());
    where_.clear();
    doc_.Tree.Walk([&](TSector* n) {
      if (!Lit(n)) return;
      auto it = copies_.find(n);
      std::shared_ptr<const TSector> copy = it != copies_.end() ? it->second : CopyLightingInput(*n);
      const bool polygon = n->NodeType != kLight;
      auto& list = polygon ? in->polygons : in->lights;
      where_[n] = {polygon, static_cast<uint32_t>(list.size())};
      list.push_back(copy);
      (polygon ? in->polygon_sources : in->light_sources).push_back(n);
      kept.emplace(n, std::move(copy));
    });
    copies_ = std::move(kept);  // records no longer in the tree are forgotten
    view_ = std::move(in);
    structure_ = false;
    touched_.clear();
    return view_;
  }
  // Same records in the same order: only those a change named get a new
  // copy. A view a job still holds stays as it is; this one is new.
  if (!touched_.empty() && view_.use_count() > 1) view_ = std::make_shared<LightingInputs>(*view_);
  for (const TSector* n : touched_) {
    auto at = where_.find(n);
    if (at == where_.end()) continue;
    std::shared_ptr<const TSector> copy = CopyLightingInput(*n);
    copies_[n] = copy;
    (at->second.first ? view_->polygons : view_->lights)[at->second.second] = std::move(copy);
  }
  touched_.clear();
  return view_;
}

void LiveLight::Schedule() {
  if (!enabled_ || !size_ || lit_revision_ == revision_) return;
  {
    // While the worker is busy its update is out of date: it stops, and the
    // view is taken when it has (Poll), once for any number of changes.
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_ || waiting_.has_value()) {
      cancel_ = true;
      return;
    }
  }
  Job job{TakeInputs(), basis_, *size_, revision_};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    waiting_ = std::move(job);
  }
  wake_.notify_all();
}

void LiveLight::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || waiting_.has_value(); });
    if (stop_) return;
    Job job = std::move(*waiting_);
    waiting_.reset();
    cancel_ = false;
    running_ = true;
    lock.unlock();
    BakeOptions options;
    options.cancel = &cancel_;
    LightingUpdate update = UpdateLighting(job.basis, *job.inputs, job.size, options, &cache_);
    // The view of the records goes here, on this thread, not on the owner's.
    job.inputs.reset();
    job.basis.reset();
    lock.lock();
    running_ = false;
    if (update.status != BakeStatus::kCancelled) done_ = Done{std::move(update), job.revision};
    wake_.notify_all();
    // Also after a cancel: the owner then starts the update that is due.
    if (on_result) {
      lock.unlock();
      on_result();
      lock.lock();
    }
  }
}

void LiveLight::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait(lock, [&] { return !running_ && !waiting_.has_value(); });
}

void LiveLight::Apply(LightingUpdate&& update, LightmapUploader* uploader) {
  std::shared_ptr<const LightingBasis> basis = update.basis;
  last_computed_ = update.whole ? update.from_old.size() : update.computed;
  ignore_ = true;
  ApplyLightingUpdate(doc_, std::move(update), uploader);
  doc_.PublishChanges();
  ignore_ = false;
  basis_ = std::move(basis);
  lit_revision_ = revision_;
  // Outside a gesture the lighting joins the state of the edit it follows;
  // a gesture's end records it with the gesture.
  if (history_) history_->Absorb(basis_);
}

bool LiveLight::Poll(LightmapUploader* uploader) {
  std::optional<Done> done;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Not into a command's step (a dialog of it may be open): after it.
    if (history_ && history_->StepOpen()) return false;
    done.swap(done_);
  }
  bool applied = false;
  if (done) {
    // Announcements not yet published might make the result stale: they go first.
    doc_.PublishChanges();
    if (done->revision == revision_ && enabled_) {
      if (done->update.status == BakeStatus::kDone) {
        Apply(std::move(done->update), uploader);
        applied = true;
      } else {
        lit_revision_ = revision_;  // refused (too large): nothing to do until the next change
      }
    }
  }
  bool idle;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    idle = !running_ && !waiting_.has_value() && !done_.has_value();
  }
  if (idle) Schedule();
  return applied;
}

BakeStatus LiveLight::BakeNow(LightmapSize size, LightmapUploader* uploader, std::string* message) {
  doc_.PublishChanges();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    waiting_.reset();
    cancel_ = true;
  }
  LightingUpdate update = UpdateLighting(nullptr, *TakeInputs(), size);
  if (message) *message = update.message;
  if (update.status != BakeStatus::kDone) return update.status;
  size_ = size;
  ++revision_;  // whatever the worker still brings is older than this
  Apply(std::move(update), uploader);
  return BakeStatus::kDone;
}

void LiveLight::TakeBasis(std::shared_ptr<const LightingBasis> basis) {
  ignore_ = true;
  doc_.PublishChanges();
  ignore_ = false;
  if (!basis) return;
  size_ = basis->size;
  basis_ = std::move(basis);
  lit_revision_ = ++revision_;  // whatever the worker still brings is older than this
  // The bake is recorded with the next step; the tag follows it there.
  {
    std::lock_guard<std::mutex> lock(mutex_);
    waiting_.reset();
    cancel_ = true;
  }
}

bool LiveLight::ResultWaiting() {
  std::lock_guard<std::mutex> lock(mutex_);
  return done_.has_value();
}

LiveLight::State LiveLight::CurrentState() const {
  if (!size_ || (!enabled_ && lit_revision_ != revision_)) return State::kOutdated;
  return lit_revision_ == revision_ ? State::kCurrent : State::kBusy;
}

const char* LiveLight::StatusText(State state) {
  switch (state) {
    case State::kCurrent:
      return "Licht aktuell";
    case State::kBusy:
      return "Licht wird berechnet \u2026";
    default:
      return "Licht veraltet";
  }
}

void LiveLight::DocumentChanged(const ChangeSet& changes) {
  if (ignore_) return;
  bool relevant = false;
  if (changes.replaced) {
    copies_.clear();
    view_.reset();
    basis_.reset();
    size_.reset();
    if (!doc_.LightmapList.empty())
      size_ = LightmapSize{doc_.LightmapList[0].width, doc_.LightmapList[0].height};
    relevant = true;
  } else if (history_ && history_->Restores() != seen_restores_) {
    // Undo, redo or a cancelled drag brought back a state with the lighting
    // it had; the tag says what that lighting was computed from, if known.
    basis_ = std::static_pointer_cast<const LightingBasis>(history_->CurrentTag());
    relevant = true;
  } else if (changes.lightmaps) {
    basis_.reset();  // lighting from elsewhere: its margins are unknown
    relevant = true;
  }
  if (history_) seen_restores_ = history_->Restores();
  for (const auto& [node, how] : changes.nodes)
    if (Lit(node)) {
      copies_.erase(node);
      touched_.push_back(node);
      relevant = true;
    }
  // Long edits without an update (the lighting off): a walk is cheaper then.
  if (touched_.size() > 4096) {
    touched_.clear();
    structure_ = true;
  }
  if (changes.structure) relevant = structure_ = true;
  // A new step's state holds the lighting the document has, as long as no
  // lighting from elsewhere came in.
  if (history_ && !history_->CurrentTag() && basis_ && !changes.lightmaps && !changes.replaced)
    history_->TagCurrent(basis_);
  if (!relevant) return;
  ++revision_;
  if (changes.in_gesture && schedule_later) {
    // A drag goes on: an update started now would be out of date at the next
    // step and only take the processor from the drawing. The owner starts it
    // when the mouse rests (Poll); one running now stops.
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_ || waiting_.has_value()) cancel_ = true;
    waiting_.reset();
    schedule_later();
    return;
  }
  Schedule();
}

}  // namespace qx

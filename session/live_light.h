#pragma once
// Keeps a document's lighting current while it is edited. Every announced
// change that can alter the lighting takes a view of the document (copies of
// the changed records, shared with the views taken before) and hands it to a
// worker thread, which works out the update from the lighting last applied
// (lighting/live_lighting.h). A newer change cancels an update still running.
// The owning thread applies a finished update only if the document has not
// changed since its view was taken; the update then joins the current state
// of the undo history, so undo takes back the edit and its lighting together.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include "document/document.h"
#include "lighting/live_lighting.h"

namespace qx {

class UndoStack;

class LiveLight : public DocumentListener {
 public:
  enum class State { kCurrent, kBusy, kOutdated };

  // Listens to `doc` from now on; `history` (may be null) keeps the lighting with its states.
  LiveLight(Document& doc, UndoStack* history);
  ~LiveLight() override;
  LiveLight(const LiveLight&) = delete;
  LiveLight& operator=(const LiveLight&) = delete;

  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }

  // A whole bake, on the owning thread, through the same path as the
  // updates; it also fixes the lightmap size the updates use. The document's
  // pending announcements are published first.
  BakeStatus BakeNow(LightmapSize size, LightmapUploader* uploader, std::string* message = nullptr);
  // A whole bake made elsewhere was just applied to the document with this basis.
  void TakeBasis(std::shared_ptr<const LightingBasis> basis);

  State CurrentState() const;
  // "Licht aktuell", "Licht wird berechnet …" or "Licht veraltet".
  static const char* StatusText(State state);

  // On the owning thread: applies a finished update if the document is still
  // as its view was taken, and starts the next one if changes are waiting.
  // True when lighting was applied.
  bool Poll(LightmapUploader* uploader);
  // A finished update waits for Poll (which leaves it while a command's step is open).
  bool ResultWaiting();
  // Called on the worker thread when a finished update waits for Poll.
  std::function<void()> on_result;
  // Given, a change during a drag does not start an update at once: this is
  // called instead, and the owner calls Poll once the drag rests.
  std::function<void()> schedule_later;
  // Blocks until the worker has nothing running or waiting.
  void WaitIdle();

  // Lightmaps the last applied update computed (all of them for a whole bake).
  size_t LastComputed() const { return last_computed_; }

  void DocumentChanged(const ChangeSet& changes) override;

 private:
  struct Job {
    std::shared_ptr<const LightingInputs> inputs;
    std::shared_ptr<const LightingBasis> basis;
    LightmapSize size;
    uint64_t revision = 0;
  };
  struct Done {
    LightingUpdate update;
    uint64_t revision = 0;
  };

  std::shared_ptr<const LightingInputs> TakeInputs();
  void Schedule();
  void Apply(LightingUpdate&& update, LightmapUploader* uploader);
  void Work();

  Document& doc_;
  UndoStack* history_;
  bool enabled_ = true;
  std::optional<LightmapSize> size_;
  std::shared_ptr<const LightingBasis> basis_;  // what the document's lighting was computed from
  uint64_t revision_ = 1;                       // counts the changes that may alter the lighting
  uint64_t lit_revision_ = 0;                   // the revision the document's lighting is current for
  uint64_t seen_restores_ = 0;
  bool ignore_ = false;  // the changes being published are this class's own
  size_t last_computed_ = 0;

  // One copy per record, taken anew when a change names the record.
  std::unordered_map<const TSector*, std::shared_ptr<const TSector>> copies_;
  // The last view taken, where each record sits in it, and what changed since.
  std::shared_ptr<LightingInputs> view_;
  std::unordered_map<const TSector*, std::pair<bool, uint32_t>> where_;  // polygon?, index
  std::vector<const TSector*> touched_;
  bool structure_ = true;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Job> waiting_;
  std::optional<Done> done_;
  bool running_ = false;
  bool stop_ = false;
  std::atomic<bool> cancel_{false};
  LightingCache cache_;  // the worker's alone
  std::thread worker_;
};

}  // namespace qx

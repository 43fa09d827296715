#pragma once
// A lightmap computation that runs off the thread that owns the scene. The job
// copies what the baker reads (the lit nodes and the lights) when it is made,
// the work reads only those copies, and the result is written back into the
// scene afterwards, on the owning thread. Meanwhile the window may go on
// drawing the scene: nothing is read and written at the same time.

#include <memory>
#include <string>
#include <vector>

#include "lighting/live_lighting.h"

namespace qx {

class BakeJob {
 public:
  // On the owning thread: collects the nodes in tree order (fresh planes first)
  // and copies them.
  BakeJob(LitScene& scene, LightmapSize size);
  ~BakeJob();
  BakeJob(const BakeJob&) = delete;
  BakeJob& operator=(const BakeJob&) = delete;

  // On any thread, once. Touches nothing but the copies and the result.
  void Run(const BakeOptions& options = {});
  BakeStatus Status() const { return result_.status; }
  const std::string& Message() const { return result_.message; }

  // On the owning thread: writes a finished result into the scene (lightmap
  // list, coordinates, colours, textures through `uploader`). False, with the
  // scene unchanged, when the job was cancelled or refused, never ran, or the
  // scene no longer holds the nodes the job was made from as they were.
  bool Apply(LightmapUploader* uploader);
  // After Apply: what the lighting was computed from, for updates that follow edits.
  const std::shared_ptr<const LightingBasis>& Basis() const { return basis_; }

 private:
  bool SceneStillMatches() const;

  LitScene& editor_;
  LightmapSize size_;
  LightingInputs inputs_;
  LightingUpdate result_;
  std::shared_ptr<const LightingBasis> basis_;
  bool ran_ = false;
};

}  // namespace qx

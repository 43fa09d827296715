#include "session/bake_job.h"

#include <unordered_set>

namespace qx {

BakeJob::BakeJob(LitScene& target, LightmapSize size) : editor_(target), size_(size) {
  CollectBakeLists(target);  // fresh planes in the scene, announced
  inputs_ = CaptureLightingInputs(target.Tree);
  result_.status = BakeStatus::kCancelled;  // until it has run
}

BakeJob::~BakeJob() = default;

void BakeJob::Run(const BakeOptions& options) {
  if (ran_) return;
  ran_ = true;
  result_ = UpdateLighting(nullptr, inputs_, size_, options);
}

bool BakeJob::SceneStillMatches() const {
  std::unordered_set<const TSector*> in_tree;
  editor_.Tree.Walk([&](TSector* n) { in_tree.insert(n); });
  auto same = [&](const std::vector<std::shared_ptr<const TSector>>& copies,
                  const std::vector<const TSector*>& sources) {
    for (size_t i = 0; i < copies.size(); ++i) {
      const TSector* o = sources[i];
      const TSector* c = copies[i].get();
      if (!in_tree.count(o) || o->NodeType != c->NodeType || o->Vertices.size() != c->Vertices.size() ||
          o->Triangles.size() != c->Triangles.size())
        return false;
    }
    return true;
  };
  return same(inputs_.polygons, inputs_.polygon_sources) && same(inputs_.lights, inputs_.light_sources);
}

bool BakeJob::Apply(LightmapUploader* uploader) {
  if (!ran_ || result_.status != BakeStatus::kDone || !SceneStillMatches()) return false;
  basis_ = result_.basis;
  ApplyLightingUpdate(editor_, std::move(result_), uploader);
  result_ = {};
  ran_ = false;
  return true;
}

}  // namespace qx

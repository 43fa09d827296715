#include "session/bake_job.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "scene/node_fields.h"

namespace qx {

namespace {

// A snapshot of the record: the bake runs on it while the editor goes on.
std::unique_ptr<TSector> CopyForBake(const TSector& n) {
  auto c = std::make_unique<TSector>();
  CopyFields(n, *c);
  return c;
}

}  // namespace

BakeJob::BakeJob(LitScene& target, LightmapSize size) : editor_(target), size_(size) {
  const BakeLists scene = CollectBakeLists(target);
  auto copy = [&](const std::vector<TSector*>& from, std::vector<TSector*>& to) {
    for (TSector* n : from) {
      copies_.push_back(CopyForBake(*n));
      originals_.push_back(n);
      to.push_back(copies_.back().get());
    }
  };
  copy(scene.polygons, lists_.polygons);
  copy(scene.lights, lists_.lights);
  result_.status = BakeStatus::kCancelled;  // until it has run
}

BakeJob::~BakeJob() = default;

void BakeJob::Run(const BakeOptions& options) {
  if (ran_) return;
  ran_ = true;
  result_ = BakeLightmaps(lists_, size_, options);
}

bool BakeJob::SceneStillMatches() const {
  std::unordered_set<const TSector*> in_tree;
  editor_.Tree.Walk([&](TSector* n) { in_tree.insert(n); });
  for (size_t i = 0; i < originals_.size(); ++i) {
    const TSector* o = originals_[i];
    const TSector* c = copies_[i].get();
    if (!in_tree.count(o) || o->NodeType != c->NodeType || o->Vertices.size() != c->Vertices.size() ||
        o->Triangles.size() != c->Triangles.size())
      return false;
  }
  return true;
}

bool BakeJob::Apply(LightmapUploader* uploader) {
  if (!ran_ || result_.status != BakeStatus::kDone || !SceneStillMatches()) return false;
  std::unordered_map<const TSector*, TSector*> original_of;
  for (size_t i = 0; i < copies_.size(); ++i) original_of[copies_[i].get()] = originals_[i];
  for (BakeResult::NodeOutput& out : result_.nodes) {
    auto it = original_of.find(out.node);
    if (it == original_of.end()) return false;
    out.node = it->second;
  }
  ApplyBakeResult(editor_, std::move(result_), uploader);
  result_ = {};
  ran_ = false;
  return true;
}

}  // namespace qx

#include "commands/model_scale.h"

#include <cmath>
#include <unordered_set>

#include "scene/bounds.h"

namespace qx {

bool ScaleModels(Document& document, const std::vector<TSector*>& nodes, double factor) {
  if (!std::isfinite(factor) || factor <= 0 || factor == 1) return false;
  std::unordered_set<const TSector*> done;
  bool changed = false;
  for (TSector* n : nodes) {
    if (n->NodeType != kModel || !done.insert(n).second) continue;
    const Vector& p = n->Position;
    for (TVertex& v : n->Vertices)
      v.Position =
          VectorSet(p.x + factor * (double(v.Position.x) - p.x), p.y + factor * (double(v.Position.y) - p.y),
                    p.z + factor * (double(v.Position.z) - p.z));
    ComputeBounds(n);
    document.Changed(n, kChangeGeometry);
    changed = true;
  }
  return changed;
}

EnterResult ScaleEnter(Editor& e, const std::string& text) {
  const std::optional<float> factor = ParseFloat(text);
  if (!factor) {
    if (e.prompts) e.prompts->ShowError("'" + text + "' ist kein gültiger Gleitkommawert");
    return EnterResult::kStayInEdit;
  }
  if (*factor <= 0) {
    e.ShowWarning(kScaleNotPositive);
    return EnterResult::kStayInEdit;
  }
  UndoStack::Step step(e.History, kScaleCommand);
  if (ScaleModels(e, e.SelectionList, *factor)) {
    if (!e.SelectionList.empty()) ShowNodeProperties(e, e.SelectionList.front());
    e.Redraw();
  }
  return EnterResult::kFocusViewport;
}

}  // namespace qx

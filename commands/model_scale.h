#pragma once
// "Skalierung" on the model page: every selected model grows or shrinks by a
// factor, the same on all axes, about its Position (where its origin was
// placed; moving the model moves it along).

#include <string>
#include <vector>

#include "commands/properties.h"
#include "document/editor.h"

namespace qx {

inline constexpr const char* kScaleEdit = "Edit10";
inline constexpr const char* kScaleCommand = "Skalierung";
inline constexpr const char* kScaleNotPositive = "Die Skalierung muss größer als 0 sein!";

// Scales the models among `nodes` (each once; other node types are left
// alone) by `factor` about their Position, keeping their bounds current and
// announcing them. A factor that is not a finite number above 0 changes
// nothing. True when a model changed.
bool ScaleModels(Document& document, const std::vector<TSector*>& nodes, double factor);

// Enter in the "Skalierung" field: the factor for every selected model, one
// undo step. Text that is no number shows the panel's usual error, a factor
// of 0 or less a warning; both change nothing.
EnterResult ScaleEnter(Editor& e, const std::string& text);

}  // namespace qx

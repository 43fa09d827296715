#pragma once
// Which nodes use a texture of the library, and removing an entry so that
// every node keeps the picture it showed.

#include <string>

#include "document/document.h"

namespace qx {

// The texture number of a node that shows none: no library holds this many entries.
inline constexpr uint16_t kNoTexture = 65535;

// The polygons and models whose TextureIndex names the entry at `index`.
int CountTextureUsers(const SceneTree& tree, int index);

// The question before a used texture is removed, naming how many nodes use it.
std::string RemoveUsedTextureQuestion(int users);

// Removes the entry at `index` from the document's library. Polygons and
// models that named a later entry name it at its new place (one lower);
// those that named the removed one name none (65535, which draws untextured);
// numbers that named no entry stay as they were. Every node changed is
// announced. False when `index` is outside the library.
bool RemoveTextureKeepingPictures(Document& document, int index);

}  // namespace qx

#pragma once
// The picture a foreign model names as its diffuse texture, found and put
// into the texture library so that the new model shows it.

#include <filesystem>

#include "models/model_import.h"
#include "textures/texture_library.h"

namespace qx {

// The library index of the model's texture: a picture the model file
// carries, or a picture file of the given name in the model's folder (by its
// path relative to the folder, else by its file name alone). A picture equal
// to an entry's is that entry; another one is added (and selected). -1 when
// the model names none, or it cannot be found or read.
int AddModelTexture(TextureLibrary& library, const ModelTexture& texture,
                    const std::filesystem::path& model_file);

}  // namespace qx

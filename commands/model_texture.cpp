#include "commands/model_texture.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "textures/image_import.h"

namespace qx {

namespace {

// The bitmap of a picture the model carries.
std::optional<std::vector<uint8_t>> EmbeddedBitmap(const ModelTexture& t) {
  std::string message;
  if (!t.embedded_file.empty()) return ImageToBmp24(t.embedded_file.data(), t.embedded_file.size(), message);
  if (t.width <= 0 || t.height <= 0 || t.width > kMaxImageSide || t.height > kMaxImageSide ||
      t.embedded_rgb.size() != size_t(t.width) * size_t(t.height) * 3)
    return std::nullopt;
  RgbImage image;
  image.width = t.width;
  image.height = t.height;
  image.rgb.resize(t.embedded_rgb.size());
  // Given top row first, kept bottom row first.
  const size_t row = size_t(t.width) * 3;
  for (int32_t y = 0; y < t.height; ++y)
    std::copy_n(t.embedded_rgb.data() + size_t(y) * row, row,
                image.rgb.data() + size_t(t.height - 1 - y) * row);
  return EncodeBmp24(image);
}

std::optional<TTexNode> FileBeside(const std::string& name, const std::filesystem::path& model_file) {
  // Exporters write Windows separators as often as not.
  std::string portable = name;
  std::replace(portable.begin(), portable.end(), '\\', '/');
  const std::filesystem::path given(portable);
  const std::filesystem::path folder = model_file.parent_path();
  std::vector<std::filesystem::path> candidates;
  if (given.is_relative()) candidates.push_back(folder / given);
  candidates.push_back(folder / given.filename());
  for (const std::filesystem::path& file : candidates) {
    std::error_code ec;
    if (given.filename().empty() || !std::filesystem::is_regular_file(file, ec)) continue;
    std::string message;
    if (std::optional<TTexNode> node = ReadTextureFile(file, message)) return node;
  }
  return std::nullopt;
}

}  // namespace

int AddModelTexture(TextureLibrary& library, const ModelTexture& texture,
                    const std::filesystem::path& model_file) {
  if (!texture.Named()) return -1;
  std::optional<TTexNode> node;
  if (texture.Embedded()) {
    if (std::optional<std::vector<uint8_t>> bitmap = EmbeddedBitmap(texture)) {
      // An embedded picture is named after its own name when it has a usable one, else after the model.
      std::string stem = std::filesystem::path(texture.name).stem().string();
      if (stem.empty() || stem.front() == '*') stem = model_file.stem().string();
      node = MakeTexNode(0, TextureNameFromPath(stem + ".bmp"), std::move(*bitmap));
    }
  } else {
    node = FileBeside(texture.name, model_file);
  }
  if (!node) return -1;
  for (int i = 0; i < library.Count(); ++i)
    if (library.Entry(i)->Bitmap() == node->Bitmap()) return i;
  node->TexId = library.NewTextureId();
  return library.Add(std::move(*node));
}

}  // namespace qx

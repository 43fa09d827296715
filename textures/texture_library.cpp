#include "textures/texture_library.h"

#include <algorithm>

namespace qx {

TTexNode MakeTexNode(int32_t tex_id, std::string tex_name, std::vector<uint8_t> bitmap) {
  TTexNode node;
  node.TexId = tex_id;
  node.TexName = std::move(tex_name);
  node.Bitmap = std::move(bitmap);
  node.Info = ReadBmpInfo(node.Bitmap);
  if (std::optional<RgbImage> pixels = DecodeBmp24(node.Bitmap)) node.Pixels = std::move(*pixels);
  return node;
}

TextureLibrary::TextureLibrary() : random_(std::random_device{}()) {}

// The uploader is not called here: by the time the editor goes, the render
// layer has released its context (and the uploader with it).
TextureLibrary::~TextureLibrary() = default;

const TTexNode* TextureLibrary::Entry(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &entries_[static_cast<size_t>(index)];
}

bool TextureLibrary::SelectTexture(int index) {
  if (!Entry(index)) return false;
  current_ = index;
  NotifyChanged();
  return true;
}

uint32_t TextureLibrary::TextureGLName(int index) const {
  const TTexNode* e = Entry(index);
  return e ? e->GLName : 0;
}

int32_t TextureLibrary::NewTextureId() {
  std::uniform_int_distribution<int32_t> dist(0, 2147483646);
  return dist(random_);
}

int TextureLibrary::Add(TTexNode entry) {
  entry.GLName = 0;
  MakeTexture(entry);
  entries_.push_back(std::move(entry));
  current_ = Count() - 1;
  NotifyChanged();
  return current_;
}

bool TextureLibrary::Remove(int index) {
  if (!Entry(index)) return false;
  ReleaseTexture(entries_[static_cast<size_t>(index)]);
  entries_.erase(entries_.begin() + index);
  current_ = Count() - 1;
  NotifyChanged();
  return true;
}

bool TextureLibrary::Replace(int index, TTexNode picture) {
  if (!Entry(index)) return false;
  TTexNode& entry = entries_[static_cast<size_t>(index)];
  ReleaseTexture(entry);
  picture.TexId = entry.TexId;
  picture.GLName = 0;
  entry = std::move(picture);
  MakeTexture(entry);
  NotifyChanged();
  return true;
}

void TextureLibrary::ReplaceAll(std::vector<TTexNode> entries) {
  for (TTexNode& e : entries_) ReleaseTexture(e);
  entries_ = std::move(entries);
  for (TTexNode& e : entries_) {
    e.GLName = 0;
    MakeTexture(e);
  }
  // The current-texture box must only ever show an entry that exists.
  current_ = entries_.empty() ? -1 : std::clamp(current_, 0, Count() - 1);
  NotifyChanged();
}

void TextureLibrary::SetUploader(TextureUploader* uploader) {
  for (TTexNode& e : entries_) ReleaseTexture(e);
  uploader_ = uploader;
  for (TTexNode& e : entries_) MakeTexture(e);
  NotifyChanged();
}

void TextureLibrary::MakeTexture(TTexNode& entry) {
  if (uploader_ && entry.HasPixels()) entry.GLName = uploader_->Upload(entry.Pixels);
  ++revision_;
}

void TextureLibrary::ReleaseTexture(TTexNode& entry) {
  if (entry.GLName != 0 && uploader_) uploader_->Release(entry.GLName);
  entry.GLName = 0;
  ++revision_;
}

void TextureLibrary::AddListener(TextureLibraryListener* l) {
  if (l && std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void TextureLibrary::RemoveListener(TextureLibraryListener* l) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), l), listeners_.end());
}

void TextureLibrary::NotifyChanged() {
  // A listener may remove itself while being told.
  const std::vector<TextureLibraryListener*> listeners = listeners_;
  for (TextureLibraryListener* l : listeners) l->TextureLibraryChanged();
}

}  // namespace qx

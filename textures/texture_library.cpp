#include "textures/texture_library.h"

#include <algorithm>
#include <unordered_map>

namespace qx {

namespace {
const std::vector<uint8_t> kNoBitmap;
const std::optional<BmpInfo> kNoInfo;
const RgbImage kNoPixels;
}  // namespace

const std::vector<uint8_t>& TTexNode::Bitmap() const {
  return Picture ? Picture->Bitmap : kNoBitmap;
}

const std::optional<BmpInfo>& TTexNode::Info() const {
  return Picture ? Picture->Info : kNoInfo;
}

const RgbImage& TTexNode::Pixels() const {
  return Picture ? Picture->Pixels : kNoPixels;
}

TTexNode MakeTexNode(int32_t tex_id, std::string tex_name, std::vector<uint8_t> bitmap) {
  TTexNode node;
  node.TexId = tex_id;
  node.TexName = std::move(tex_name);
  auto picture = std::make_shared<TexturePicture>();
  picture->Bitmap = std::move(bitmap);
  picture->Info = ReadBmpInfo(picture->Bitmap);
  if (std::optional<RgbImage> pixels = DecodeBmp24(picture->Bitmap)) picture->Pixels = std::move(*pixels);
  node.Picture = std::move(picture);
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
  ContentChanged();
  NotifyChanged();
  return current_;
}

bool TextureLibrary::Remove(int index) {
  if (!Entry(index)) return false;
  ReleaseTexture(entries_[static_cast<size_t>(index)]);
  entries_.erase(entries_.begin() + index);
  current_ = Count() - 1;
  ContentChanged();
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
  ContentChanged();
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
  ContentChanged();
  NotifyChanged();
}

TextureLibraryState TextureLibrary::State() const {
  TextureLibraryState state;
  state.entries = entries_;
  for (TTexNode& e : state.entries) e.GLName = 0;
  state.current = current_;
  state.content = content_;
  return state;
}

void TextureLibrary::Restore(const TextureLibraryState& state) {
  // Textures are found again by their picture, which entries share and never change.
  std::unordered_multimap<const TexturePicture*, uint32_t> made;
  for (TTexNode& e : entries_)
    if (e.GLName != 0) made.emplace(e.Picture.get(), e.GLName);
  std::vector<TTexNode> entries = state.entries;
  for (TTexNode& e : entries) {
    e.GLName = 0;
    auto it = made.find(e.Picture.get());
    if (it != made.end()) {
      e.GLName = it->second;
      made.erase(it);
    } else {
      MakeTexture(e);
    }
  }
  for (const auto& [picture, name] : made) {
    if (uploader_) uploader_->Release(name);
    ++revision_;
  }
  // Indices may name other textures now: a picture kept from earlier frames is stale.
  if (content_ != state.content) ++revision_;
  entries_ = std::move(entries);
  current_ = entries_.empty() ? -1 : std::clamp(state.current, 0, Count() - 1);
  content_ = state.content;
  NotifyChanged();
}

void TextureLibrary::SetUploader(TextureUploader* uploader) {
  for (TTexNode& e : entries_) ReleaseTexture(e);
  uploader_ = uploader;
  for (TTexNode& e : entries_) MakeTexture(e);
  NotifyChanged();
}

void TextureLibrary::MakeTexture(TTexNode& entry) {
  if (uploader_ && entry.HasPixels()) entry.GLName = uploader_->Upload(entry.Pixels());
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

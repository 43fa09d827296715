#pragma once
// The texture library: the list of surface textures polygons and models refer
// to by position (TextureIndex), the selected entry and the library's file.
//
// Each entry keeps the bitmap file exactly as it was read (a library saves back
// byte for byte) and, for 24-bit bitmaps, its decoded pixels. The core never
// touches the graphics library: a TextureUploader, supplied by the render
// layer, turns pixels into texture names. Without one every GLName stays 0.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "textures/bmp.h"

namespace qx {

// An entry's picture: the bitmap file and what is decoded from it. Never
// changed once made, so that entries, the undo history's copies of the
// library and a picture kept by the browser share one.
struct TexturePicture {
  std::vector<uint8_t> Bitmap;  // the complete bitmap file
  std::optional<BmpInfo> Info;  // its headers; empty when they cannot be read
  RgbImage Pixels;              // decoded 24-bit pixels; empty for any other bitmap
};

struct TTexNode {
  int32_t TexId = 0;                 // random, 0..2147483646; stored in the file, read by nothing
  uint32_t GLName = 0;               // texture name, 0 when the bitmap is no texture or nothing was uploaded
  std::filesystem::path SourcePath;  // the bitmap file it was added from; empty when loaded from a library
  std::string TexName;               // Windows-1252 bytes
  std::shared_ptr<const TexturePicture> Picture;  // null: no bitmap at all

  const std::vector<uint8_t>& Bitmap() const;
  const std::optional<BmpInfo>& Info() const;
  const RgbImage& Pixels() const;
  int32_t Width() const { return Info() ? Info()->width : 0; }
  int32_t Height() const { return Info() ? Info()->height : 0; }
  // Whether the bitmap can become a texture.
  bool HasPixels() const { return !Pixels().Empty(); }
};

// Builds an entry from bitmap file bytes: reads the headers and decodes the
// pixels when the bitmap is an uncompressed 24-bit one. Never fails: a damaged
// bitmap gives an entry without pixels.
TTexNode MakeTexNode(int32_t tex_id, std::string tex_name, std::vector<uint8_t> bitmap);

// What the undo history keeps of a library: the entries (pictures shared,
// texture names left out), the selected entry and the content's identity.
struct TextureLibraryState {
  std::vector<TTexNode> entries;
  int current = 0;
  uint64_t content = 0;
};

// Implemented by the render layer with OpenGL: texture unit 0, nearest-neighbour
// filters, all mipmap levels from RGB pixels. Rows are tightly packed, bottom
// row first, so the upload needs GL_UNPACK_ALIGNMENT 1. Both calls make the
// graphics context current themselves.
class TextureUploader {
 public:
  virtual ~TextureUploader() = default;
  // Returns the new texture name, 0 when no texture could be made.
  virtual uint32_t Upload(const RgbImage& pixels) = 0;
  virtual void Release(uint32_t name) = 0;
};

// Told after every change of the entries or of the selected entry, so that the
// browser repaints.
class TextureLibraryListener {
 public:
  virtual ~TextureLibraryListener() = default;
  virtual void TextureLibraryChanged() = 0;
};

class TextureLibrary {
 public:
  TextureLibrary();
  ~TextureLibrary();
  TextureLibrary(const TextureLibrary&) = delete;
  TextureLibrary& operator=(const TextureLibrary&) = delete;

  // The library's file and the folders its dialogs start in.
  std::filesystem::path FileName;   // QVX3_TEXLIB_FILE
  std::filesystem::path Directory;  // QVX3_TEXLIB_PATH
  bool HasFile = false;
  std::filesystem::path TextureDirectory;  // QVX3_TEX_PATH, where bitmaps are added from

  const std::vector<TTexNode>& Entries() const { return entries_; }
  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  const TTexNode* Entry(int index) const;  // null outside 0..Count()-1

  // Index of the selected entry. Kept inside the library whenever it has
  // entries; -1 once the last entry was removed.
  int CurrentTexture() const { return current_; }
  const TTexNode* Current() const { return Entry(current_); }
  // Selects an entry; an index outside the library changes nothing.
  bool SelectTexture(int index);

  // The texture name of the entry at index, 0 outside the library.
  uint32_t TextureGLName(int index) const;
  // Counts every texture made or released. A released name can come back for
  // other pixels, so a picture kept from earlier frames is valid only while
  // this stays the same.
  uint64_t Revision() const { return revision_; }
  // A random number in 0..2147483646 for a new entry's TexId.
  int32_t NewTextureId();
  void SeedTextureIds(uint32_t seed) { random_.seed(seed); }

  // Appends an entry, makes its texture and selects it; returns its index.
  int Add(TTexNode entry);
  // Removes the entry at index and releases its texture; the last entry
  // becomes the selected one. False when index is outside the library.
  bool Remove(int index);
  // Gives the entry at index a new picture, name and source, keeping its
  // TexId; the old texture is released.
  bool Replace(int index, TTexNode picture);
  // Swaps in a whole new set of entries (a loaded library), releasing every
  // texture the old ones held and keeping the selection inside the library.
  void ReplaceAll(std::vector<TTexNode> entries);
  void Clear() { ReplaceAll({}); }

  // Identifies the entries' content: changes with every change of the entries
  // (not with the selection) and comes back with a state put back by undo.
  uint64_t ContentId() const { return content_; }
  // Whether the entries differ from those last saved to or loaded from the
  // library's file (or, without one, from the empty library of the start).
  bool IsModified() const { return content_ != saved_content_; }
  void MarkSaved() { saved_content_ = content_; }

  // A copy for the undo history, and the way back to it: entries whose
  // picture is still in the library keep its texture, the others get new
  // ones, and textures no entry uses any more are released.
  TextureLibraryState State() const;
  void Restore(const TextureLibraryState& state);

  // The uploader makes textures of every entry that has pixels, now and for
  // every later change. Setting another (or none) first releases the textures
  // made by the old one, so call SetUploader(nullptr) while its context lives.
  void SetUploader(TextureUploader* uploader);
  TextureUploader* Uploader() const { return uploader_; }

  void AddListener(TextureLibraryListener* l);
  void RemoveListener(TextureLibraryListener* l);
  void NotifyChanged();

 private:
  void MakeTexture(TTexNode& entry);
  void ReleaseTexture(TTexNode& entry);

  std::vector<TTexNode> entries_;
  int current_ = 0;
  TextureUploader* uploader_ = nullptr;
  std::vector<TextureLibraryListener*> listeners_;
  std::mt19937 random_;
  uint64_t revision_ = 0;
  uint64_t content_ = 0, saved_content_ = 0, next_content_ = 0;
  void ContentChanged() { content_ = ++next_content_; }
};

}  // namespace qx

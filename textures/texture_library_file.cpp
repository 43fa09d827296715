#include "textures/texture_library_file.h"

#include <climits>
#include <cstring>

#include "scene/bytes.h"

namespace qx {

namespace {

constexpr char kMagic[4] = {'T', 'L', 'I', 'B'};
// TexId, name length byte, bitmap size: the least an entry takes.
constexpr uint64_t kMinEntrySize = 4 + 1 + 4;

}  // namespace

std::optional<std::vector<uint8_t>> WriteTextureLibraryBytes(const std::vector<TTexNode>& entries) {
  // A larger count would wrap in its 16 bits and the file would silently lose entries.
  if (entries.size() > kMaxLibraryEntries) return std::nullopt;
  size_t total = 6;
  for (const TTexNode& e : entries) {
    if (e.Bitmap().size() > static_cast<size_t>(INT32_MAX)) return std::nullopt;
    total += kMinEntrySize + (e.TexName.size() & 0xFF) + e.Bitmap().size();
  }
  ByteWriter w;
  w.Reserve(total);
  w.Bytes(kMagic, 4);
  w.U16(static_cast<uint16_t>(entries.size()));
  for (const TTexNode& e : entries) {
    w.I32(e.TexId);
    const uint8_t length = static_cast<uint8_t>(e.TexName.size() & 0xFF);
    w.U8(length);
    w.Bytes(e.TexName.data(), length);
    w.I32(static_cast<int32_t>(e.Bitmap().size()));
    w.Bytes(e.Bitmap());
  }
  return w.Take();
}

std::optional<std::vector<TTexNode>> ReadTextureLibraryBytes(const uint8_t* data, size_t size) {
  try {
    ByteReader r(data, size);
    if (std::memcmp(r.Bytes(4), kMagic, 4) != 0) return std::nullopt;
    const uint16_t count = r.U16();
    r.NeedItems(count, kMinEntrySize);
    std::vector<TTexNode> entries;
    entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      const int32_t tex_id = r.I32();
      const uint8_t length = r.U8();
      std::string name = r.String(length);
      const int32_t bitmap_size = r.I32();
      if (bitmap_size < 0) return std::nullopt;
      const uint8_t* bitmap = r.Bytes(static_cast<size_t>(bitmap_size));
      entries.push_back(
          MakeTexNode(tex_id, std::move(name), std::vector<uint8_t>(bitmap, bitmap + bitmap_size)));
    }
    return entries;
  } catch (const ReadError&) {
    return std::nullopt;
  }
}

bool SaveTextureLibrary(const TextureLibrary& library, const std::filesystem::path& path,
                        std::string& message) {
  std::optional<std::vector<uint8_t>> bytes = WriteTextureLibraryBytes(library.Entries());
  if (!bytes) {
    message = kTooManyTexturesMessage;
    return false;
  }
  std::string error;
  if (!WriteFileAtomic(path, *bytes, error)) {
    message = std::string(kWriteFailedMessage) + "\n" + error;
    return false;
  }
  return true;
}

bool LoadTextureLibrary(TextureLibrary& library, const std::filesystem::path& path, std::string& message) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadWholeFile(path, bytes, error)) {
    message = std::string(kReadFailedMessage) + "\n" + error;
    return false;
  }
  std::optional<std::vector<TTexNode>> entries = ReadTextureLibraryBytes(bytes.data(), bytes.size());
  if (!entries) {
    // Adopting a foreign or damaged file as the library's file would let the
    // next "Bibliothek speichern" overwrite it.
    message = kInvalidFileMessage;
    return false;
  }
  library.FileName = path;
  library.Directory = path.parent_path();
  library.HasFile = true;
  library.ReplaceAll(std::move(*entries));
  library.MarkSaved();
  return true;
}

}  // namespace qx

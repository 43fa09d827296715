#pragma once
// The texture library file (.tex): "TLIB", a 16-bit entry count, then per
// entry its TexId, a length byte and that many name bytes, and the complete
// bitmap file with its 32-bit size before it. Little-endian, no padding.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "textures/texture_library.h"

namespace qx {

inline constexpr const char* kInvalidFileMessage = "Ungültige Datei!";
inline constexpr const char* kReadFailedMessage = "Die Datei konnte nicht gelesen werden!";
inline constexpr const char* kWriteFailedMessage = "Die Datei konnte nicht gespeichert werden!";
inline constexpr const char* kTooManyTexturesMessage =
    "Die Bibliothek hat zu viele Texturen (höchstens 65535)!";
inline constexpr size_t kMaxLibraryEntries = 65535;

// The file bytes of a library. A name longer than 255 bytes is stored with the
// low 8 bits of its length and only that many bytes. nullopt when the entries
// cannot be stored (more than 65535 of them, or a bitmap of 2 GiB or more).
std::optional<std::vector<uint8_t>> WriteTextureLibraryBytes(const std::vector<TTexNode>& entries);

// The entries of a library file, with their bitmaps decoded; nullopt when the
// magic is wrong, the file ends early or a size exceeds the bytes left. Bytes
// after the last entry are ignored. A damaged bitmap inside a well-formed
// file gives an entry without pixels.
std::optional<std::vector<TTexNode>> ReadTextureLibraryBytes(const uint8_t* data, size_t size);

// Writes the library to path (replacing the file only once the new one is
// complete). On failure `message` gets the text to show and nothing changes.
bool SaveTextureLibrary(const TextureLibrary& library, const std::filesystem::path& path,
                        std::string& message);

// Replaces the library's entries by those of path and makes path the
// library's file. A file that cannot be read or is not a valid library
// changes nothing (neither the entries nor the library's file) and sets
// `message`.
bool LoadTextureLibrary(TextureLibrary& library, const std::filesystem::path& path, std::string& message);

}  // namespace qx

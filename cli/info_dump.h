#pragma once
// The text of quarvex-cli info for each file kind. Each returns false with a
// German reason when the bytes are not a valid file of that kind.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qx::cli {

bool DumpDocument(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);
bool DumpSectorFile(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);
bool DumpTextureLibrary(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);
bool DumpLevelFile(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);
bool DumpModel(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);
// A model of a format read through assimp (it may name files beside it), as
// the model node would get it; `size` is the file's size.
bool DumpImportedModel(const std::filesystem::path& path, size_t size, std::string& out, std::string& error);

}  // namespace qx::cli

#pragma once
// The text of quarvex-cli info for each file kind. Each returns false with a
// German reason when the bytes are not a valid file of that kind.

#include <cstdint>
#include <string>
#include <vector>

namespace qx::cli {

bool DumpDocument(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);
bool DumpSectorFile(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);
bool DumpTextureLibrary(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);
bool DumpLevelFile(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);
bool DumpModel(const std::vector<uint8_t>& bytes, std::string& out, std::string& error);

}  // namespace qx::cli

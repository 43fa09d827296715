#pragma once
// Names in files are Windows-1252 bytes; the GUI and the terminal speak UTF-8.

#include <string>

namespace qx {

std::string Cp1252ToUtf8(const std::string& bytes);
// Characters without a Windows-1252 code become '?'.
std::string Utf8ToCp1252(const std::string& utf8);

}  // namespace qx

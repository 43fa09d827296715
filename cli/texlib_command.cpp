// quarvex-cli texlib LIB.tex add|remove|list: a texture library edited without
// the editor window.

#include <cstdio>
#include <string>
#include <system_error>

#include "cli/cli.h"
#include "scene/cp1252.h"
#include "textures/image_import.h"
#include "textures/texture_library_file.h"

namespace qx::cli {

const char* const kTexlibHelp =
    "Aufruf: quarvex-cli texlib BIBLIOTHEK.tex add BILD...\n"
    "        quarvex-cli texlib BIBLIOTHEK.tex remove NUMMER\n"
    "        quarvex-cli texlib BIBLIOTHEK.tex list\n"
    "\n"
    "add     hängt die Bilder (PNG, JPEG, TGA, GIF, BMP) als Texturen an, benannt nach\n"
    "        der Datei ohne Endung; sie werden als 24-Bit-BMP gespeichert. Eine fehlende\n"
    "        Bibliothek wird angelegt. Ist ein Bild nicht lesbar, bleibt die Bibliothek,\n"
    "        wie sie war.\n"
    "remove  entfernt die Textur mit dieser Nummer (ab 0); die folgenden rücken auf.\n"
    "list    zeigt Nummer, Name, Größe und Id jeder Textur.\n"
    "\n"
    "Die Bibliothek wird erst ersetzt, wenn die neue Datei vollständig geschrieben ist.\n"
    "Exit-Status: 0 erledigt, 1 fehlgeschlagen, 2 falscher Aufruf.\n";

namespace {

bool Exists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// The library's entries; a missing file is an empty library when `create`.
bool ReadLibrary(const std::filesystem::path& path, bool create, TextureLibrary& lib) {
  if (create && !Exists(path)) return true;
  std::string message;
  if (!LoadTextureLibrary(lib, path, message)) {
    Fail(path.string() + ": " + message);
    return false;
  }
  return true;
}

int Save(const TextureLibrary& lib, const std::filesystem::path& path) {
  std::string message;
  if (!SaveTextureLibrary(lib, path, message)) return Fail(path.string() + ": " + message);
  return kOk;
}

void PrintEntry(int index, const TTexNode& e) {
  std::printf("%d\t%s\t%d x %d\tId %d\n", index, Cp1252ToUtf8(e.TexName).c_str(), e.Width(), e.Height(),
              e.TexId);
}

int Add(const std::filesystem::path& path, const std::vector<std::string>& files) {
  TextureLibrary lib;
  if (!ReadLibrary(path, true, lib)) return kFailed;
  for (const std::string& file : files) {
    std::string message;
    std::optional<TTexNode> node = ReadTextureFile(file, message);
    if (!node) {
      for (char& c : message)
        if (c == '\n') c = ' ';
      return Fail(file + ": " + message);
    }
    node->TexId = lib.NewTextureId();
    lib.Add(std::move(*node));
  }
  if (const int status = Save(lib, path); status != kOk) return status;
  const int first = lib.Count() - static_cast<int>(files.size());
  for (int i = first; i < lib.Count(); ++i) PrintEntry(i, *lib.Entry(i));
  return kOk;
}

int Remove(const std::filesystem::path& path, const std::string& number) {
  size_t used = 0;
  long index = -1;
  try {
    index = std::stol(number, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != number.size() || index < 0)
    return Fail("remove braucht eine NUMMER ab 0, nicht \"" + number + "\"\n\n" + kTexlibHelp, kUsage);
  TextureLibrary lib;
  if (!ReadLibrary(path, false, lib)) return kFailed;
  if (index >= lib.Count())
    return Fail(path.string() + ": keine Textur mit der Nummer " + number + " (die Bibliothek hat " +
                std::to_string(lib.Count()) + ")");
  const std::string name = Cp1252ToUtf8(lib.Entry(static_cast<int>(index))->TexName);
  lib.Remove(static_cast<int>(index));
  if (const int status = Save(lib, path); status != kOk) return status;
  std::printf("%ld\t%s entfernt\n", index, name.c_str());
  return kOk;
}

int List(const std::filesystem::path& path) {
  TextureLibrary lib;
  if (!ReadLibrary(path, false, lib)) return kFailed;
  for (int i = 0; i < lib.Count(); ++i) PrintEntry(i, *lib.Entry(i));
  return kOk;
}

}  // namespace

int RunTexlib(const std::vector<std::string>& args) {
  auto usage = [](const std::string& what) { return Fail(what + "\n\n" + kTexlibHelp, kUsage); };
  if (args.size() < 2) return usage("texlib braucht eine BIBLIOTHEK und einen Befehl");
  const std::filesystem::path path = args[0];
  const std::string& verb = args[1];
  const std::vector<std::string> rest(args.begin() + 2, args.end());
  if (verb == "add") {
    if (rest.empty()) return usage("add braucht mindestens ein BILD");
    return Add(path, rest);
  }
  if (verb == "remove") {
    if (rest.size() != 1) return usage("remove braucht genau eine NUMMER");
    return Remove(path, rest[0]);
  }
  if (verb == "list") {
    if (!rest.empty()) return usage("list erwartet keine weiteren Argumente");
    return List(path);
  }
  return usage("unbekannter texlib-Befehl \"" + verb + "\"");
}

}  // namespace qx::cli

#include "commands/texture_commands.h"

#include <algorithm>
#include <system_error>

#include "commands/texture_use.h"
#include "textures/texture_library_file.h"

namespace qx {

namespace {

bool IsExistingFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

void WriteSetting(Editor& editor, const char* name, const std::filesystem::path& value) {
  if (editor.settings) editor.settings->WriteString(name, value.string());
}

std::optional<std::filesystem::path> ChooseOpen(Editor& editor, const char* title, const char* filter,
                                                const std::filesystem::path& dir) {
  if (!editor.prompts) return std::nullopt;
  return editor.prompts->ChooseOpenFile(FileDialog{title, filter, dir});
}

// Asks for a picture file in the texture folder and reads it. nullopt when the
// user cancels, picks nothing that exists, or the file is no usable picture
// (then a warning was shown).
std::optional<TTexNode> ChooseTextureFile(Editor& editor, const char* title) {
  TextureLibrary& lib = editor.Textures;
  const auto chosen = ChooseOpen(editor, title, kImageFilter, lib.TextureDirectory);
  if (!chosen || !IsExistingFile(*chosen)) return std::nullopt;
  lib.TextureDirectory = chosen->parent_path();
  WriteSetting(editor, kTexturePathSetting, lib.TextureDirectory);

  std::string message;
  std::optional<TTexNode> node = ReadTextureFile(*chosen, message);
  if (!node) editor.ShowWarning(message);
  return node;
}

}  // namespace

bool LoadTextureLibraryCommand(Editor& editor) {
  TextureLibrary& lib = editor.Textures;
  const auto chosen = ChooseOpen(editor, "Bibliothek laden", kTextureLibraryFilter, lib.Directory);
  if (!chosen || !IsExistingFile(*chosen)) return false;
  std::string message;
  if (!LoadTextureLibrary(lib, *chosen, message)) {
    editor.ShowWarning(message);
    return false;
  }
  WriteSetting(editor, kTextureLibraryPathSetting, lib.Directory);
  editor.UpdateCaption();
  editor.Redraw();
  return true;
}

bool SaveTextureLibraryCommand(Editor& editor) {
  TextureLibrary& lib = editor.Textures;
  if (!lib.HasFile) return SaveTextureLibraryAsCommand(editor);
  std::string message;
  if (!SaveTextureLibrary(lib, lib.FileName, message)) {
    editor.ShowWarning(message);
    return false;
  }
  lib.MarkSaved();
  editor.UpdateCaption();
  return true;
}

bool SaveTextureLibraryAsCommand(Editor& editor) {
  TextureLibrary& lib = editor.Textures;
  if (!editor.prompts) return false;
  auto chosen = editor.prompts->ChooseSaveFile(
      FileDialog{"Bibliothek speichern unter", kTextureLibraryFilter, lib.Directory});
  if (!chosen) return false;
  std::filesystem::path path = *chosen;
  if (!path.has_extension()) path += ".tex";
  std::string message;
  if (!SaveTextureLibrary(lib, path, message)) {
    // The library keeps the file it had: a name that was never written is no file of it.
    editor.ShowWarning(message);
    return false;
  }
  lib.HasFile = true;
  lib.FileName = path;
  lib.Directory = path.parent_path();
  lib.MarkSaved();
  WriteSetting(editor, kTextureLibraryPathSetting, lib.Directory);
  lib.NotifyChanged();
  editor.UpdateCaption();
  return true;
}

bool AddTextureCommand(Editor& editor) {
  std::optional<TTexNode> node = ChooseTextureFile(editor, "Textur hinzufügen");
  if (!node) return false;
  node->TexId = editor.Textures.NewTextureId();
  editor.Textures.Add(std::move(*node));
  return true;
}

int AddTextureFiles(Editor& editor, const std::vector<std::filesystem::path>& files) {
  int added = 0;
  std::string refused;
  for (const std::filesystem::path& file : files) {
    std::string message;
    std::optional<TTexNode> node;
    if (IsExistingFile(file))
      node = ReadTextureFile(file, message);
    else
      message = "Datei nicht gefunden!";
    if (!node) {
      // One warning for the whole drop, a line per refused file with its reason.
      std::replace(message.begin(), message.end(), '\n', ' ');
      refused += "\n" + file.filename().string() + ": " + message;
      continue;
    }
    node->TexId = editor.Textures.NewTextureId();
    editor.Textures.Add(std::move(*node));
    ++added;
  }
  if (!refused.empty())
    editor.ShowWarning(std::string(refused.find('\n', 1) == std::string::npos
                                       ? "Diese Datei wurde nicht hinzugefügt:"
                                       : "Diese Dateien wurden nicht hinzugefügt:") +
                       refused);
  return added;
}

bool RemoveTextureCommand(Editor& editor) {
  TextureLibrary& lib = editor.Textures;
  const int index = lib.CurrentTexture();
  if (!lib.Entry(index)) return false;
  const int users = CountTextureUsers(editor.Tree, index);
  if (users > 0 && editor.prompts && !editor.prompts->Confirm(RemoveUsedTextureQuestion(users))) return false;
  RemoveTextureKeepingPictures(editor, index);
  editor.Redraw();
  return true;
}

void AssignTexture(Editor& e, int current_texture) {
  for (TSector* n : e.SelectionList)
    if (n->NodeType == kPolygon || n->NodeType == kModel) {
      n->TextureIndex = static_cast<uint16_t>(current_texture);
      e.Changed(n, kChangeAppearance);
    }
  e.Redraw();
}

void AssignTextureCommand(Editor& editor) {
  AssignTexture(editor, editor.Textures.CurrentTexture());
}

bool ReplaceTextureCommand(Editor& editor) {
  TextureLibrary& lib = editor.Textures;
  if (!lib.Current()) return false;
  std::optional<TTexNode> node = ChooseTextureFile(editor, "Textur ersetzen");
  if (!node) return false;
  lib.Replace(lib.CurrentTexture(), std::move(*node));
  editor.Redraw();
  return true;
}

void RestoreTextureLibrary(Editor& editor) {
  TextureLibrary& lib = editor.Textures;
  if (!editor.settings) return;
  lib.TextureDirectory = editor.settings->ReadString(kTexturePathSetting, "");
  lib.Directory = editor.settings->ReadString(kTextureLibraryPathSetting, "");
  const std::filesystem::path file = editor.settings->ReadString(kTextureLibraryFileSetting, "");
  lib.FileName.clear();
  lib.HasFile = false;
  if (file.empty() || !IsExistingFile(file)) return;
  std::string message;
  if (!LoadTextureLibrary(lib, file, message)) editor.ShowWarning(message);
}

void RememberTextureLibrary(Editor& editor) {
  if (!editor.settings) return;
  const TextureLibrary& lib = editor.Textures;
  editor.settings->WriteString(kTextureLibraryFileSetting,
                               lib.HasFile ? lib.FileName.string() : std::string());
}

}  // namespace qx

#include "commands/document_commands.h"

#include <optional>

#include "commands/sector_import.h"
#include "commands/selection.h"
#include "document/map_document_io.h"

namespace qx {

namespace {

std::string MapFolder(Editor& editor) {
  return editor.settings ? editor.settings->ReadString(kMapPathSetting, "") : std::string();
}

void RememberMapFolder(Editor& editor, const std::string& folder) {
  if (editor.settings) editor.settings->WriteString(kMapPathSetting, folder);
}

std::optional<std::filesystem::path> AskSaveName(Editor& editor, const char* filter,
                                                 const std::filesystem::path& initial_dir,
                                                 const char* extension) {
  if (!editor.prompts) return std::nullopt;
  std::optional<std::filesystem::path> chosen = editor.prompts->ChooseSaveFile({"", filter, initial_dir});
  if (chosen && !chosen->empty() && !chosen->has_extension()) *chosen += extension;
  if (chosen && chosen->empty()) return std::nullopt;
  return chosen;
}

std::optional<std::filesystem::path> AskOpenName(Editor& editor, const char* filter,
                                                 const std::filesystem::path& initial_dir) {
  if (!editor.prompts) return std::nullopt;
  std::optional<std::filesystem::path> chosen = editor.prompts->ChooseOpenFile({"", filter, initial_dir});
  if (chosen && chosen->empty()) return std::nullopt;
  return chosen;
}

bool IsExistingFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

bool SaveDocument(Editor& editor) {
  if (!editor.DocumentHasFile) return SaveDocumentAs(editor);
  std::string error;
  if (!SaveMapDocument(editor, editor.DocumentFileName, &error)) {
    editor.ShowWarning(kSaveFailed);
    return false;
  }
  editor.SetModified(false);
  return true;
}

bool SaveDocumentAs(Editor& editor) {
  const std::optional<std::filesystem::path> path =
      AskSaveName(editor, kMapFilter, MapFolder(editor), ".qxm");
  if (!path) return false;
  std::string error;
  if (!SaveMapDocument(editor, *path, &error)) {
    editor.ShowWarning(kSaveFailed);
    return false;
  }
  editor.DocumentFileName = *path;
  RememberMapFolder(editor, path->parent_path().string());
  editor.DocumentHasFile = true;
  editor.SetModified(false);
  editor.UpdateCaption();
  return true;
}

bool OpenDocument(Editor& editor) {
  const std::optional<std::filesystem::path> path = AskOpenName(editor, kMapFilter, MapFolder(editor));
  if (!path) return false;
  return OpenDocumentFile(editor, *path);
}

bool OpenDocumentFile(Editor& editor, const std::filesystem::path& path) {
  if (!IsExistingFile(path)) {
    editor.ShowWarning(kFileNotFound);
    return false;
  }
  std::string error;
  if (!LoadMapDocument(editor, path, &error)) {
    editor.ShowWarning(kInvalidFile);
    return false;
  }
  editor.DocumentFileName = path;
  std::string folder = path.parent_path().string();
  if (folder.empty() || folder.back() != std::filesystem::path::preferred_separator)
    folder += std::filesystem::path::preferred_separator;
  RememberMapFolder(editor, folder);
  editor.DocumentHasFile = true;
  editor.UpdateCaption();
  editor.Redraw();
  return true;
}

bool SaveSelectedSector(Editor& editor) {
  TSector* sector = editor.TreeSelection;
  if (!sector) return false;
  if (sector->NodeType != kSector) {
    editor.ShowWarning(kOnlySectors);
    return false;
  }
  const std::optional<std::filesystem::path> path = AskSaveName(editor, kSectorFilter, {}, ".sec");
  if (!path) return false;
  std::string error;
  if (!SaveSectorFile(sector, *path, &error)) {
    editor.ShowWarning(kSaveFailed);
    return false;
  }
  return true;
}

bool ImportSectorFromFile(Editor& editor) {
  const std::optional<std::filesystem::path> path = AskOpenName(editor, kSectorFilter, {});
  if (!path || !IsExistingFile(*path)) return false;
  std::string error;
  TSector* sector = ImportSectorFile(editor, *path, &error);
  if (!sector) {
    editor.ShowWarning(kInvalidFile);
    return false;
  }
  SelectInTree(editor, sector);
  TreeClick(editor);
  return true;
}

}  // namespace qx

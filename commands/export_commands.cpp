#include "commands/export_commands.h"

#include "lighting/level_export.h"
#include "scene/bytes.h"

namespace qx {

bool WriteLevelFile(Editor& editor, const std::filesystem::path& file, std::string& error) {
  const std::vector<uint8_t> bytes = BuildLevelFile(editor.Tree, editor.LightmapList, editor.StartPosition);
  return WriteFileAtomic(file, bytes, error);
}

ExportOutcome ExportLevel(Editor& editor, const std::filesystem::path& file, const ExportBake& bake) {
  const bool with_lightmaps = editor.prompts && editor.prompts->Confirm(kAskLightmaps);
  if (with_lightmaps) {
    if (bake && !bake(editor)) return ExportOutcome::kCancelled;
  } else if (!editor.LightmapList.empty()) {
    editor.LightmapList.clear();
    editor.ChangedLightmaps();
  }
  std::string error;
  if (!WriteLevelFile(editor, file, error)) {
    editor.ShowWarning(kLevelWriteFailed);
    return ExportOutcome::kFailed;
  }
  return ExportOutcome::kWritten;
}

void ExportLevelCommand(Editor& editor, const ExportBake& bake) {
  if (!editor.prompts) return;
  FileDialog dialog;
  dialog.title = kLevelDialogTitle;
  dialog.filter = kLevelFilter;
  if (editor.settings) dialog.initial_dir = editor.settings->ReadString(kMapPathSetting, "");
  std::optional<std::filesystem::path> chosen = editor.prompts->ChooseSaveFile(dialog);
  if (!chosen || chosen->empty()) return;
  std::filesystem::path file = *chosen;
  if (!file.has_extension()) file += ".map";
  if (ExportLevel(editor, file, bake) == ExportOutcome::kCancelled) return;
  // Like the dialog, the folder is remembered also when writing failed.
  if (editor.settings) {
    // The folder without a trailing separator; a root keeps its own.
    const std::filesystem::path folder = std::filesystem::absolute(file).parent_path();
    editor.settings->WriteString(kMapPathSetting, folder.string());
  }
}

}  // namespace qx

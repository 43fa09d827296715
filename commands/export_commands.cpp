#include "commands/export_commands.h"

#include <unordered_map>

#include "lighting/level_export.h"
#include "scene/bounds.h"
#include "scene/bytes.h"

namespace qx {

void RefreshBounds(Document& doc) {
  // Writing the level brings every box up to date; the views hear of the
  // ones that were stale, so what they draw from them follows.
  struct Box {
    Vector centroid, min, max, centre;
  };
  std::unordered_map<const TSector*, Box> before;
  doc.Tree.Walk([&](TSector* n) { before[n] = {n->Centroid, n->BoundsMin, n->BoundsMax, n->BoundsCenter}; });
  for (const auto& top : doc.Tree.TopLevel()) ComputeBounds(top.get());
  doc.Tree.Walk([&](TSector* n) {
    const Box& b = before[n];
    if (!(b.centroid == n->Centroid && b.min == n->BoundsMin && b.max == n->BoundsMax &&
          b.centre == n->BoundsCenter))
      doc.Changed(n, kChangeGeometry);
  });
}

bool WriteLevelFile(Editor& editor, const std::filesystem::path& file, std::string& error) {
  RefreshBounds(editor);
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

#pragma once
// "Datei" -> "Exportieren" -> "Leveldatei (*.map)" and the tool button
// "Exportieren": choose a file, offer to bake the lightmaps, write the level.

#include <filesystem>
#include <functional>
#include <string>

#include "document/editor.h"

namespace qx {

inline constexpr const char* kLevelFilter = "Leveldatei (*.map)|*.map";
inline constexpr const char* kLevelDialogTitle = "Exportieren";
inline constexpr const char* kMapPathSetting = "QVX3_MAP_PATH";
inline constexpr const char* kAskLightmaps = "Lightmaps generieren?";
inline constexpr const char* kLevelWriteFailed = "Die Leveldatei konnte nicht gespeichert werden!";

// Bakes the lightmaps for an export: the GUI shows the lightmap-size dialog
// and bakes with progress; returns false when the user cancelled the bake.
using ExportBake = std::function<bool(Editor&)>;

// Recomputes every box and centroid and announces the records whose values moved.
void RefreshBounds(Document& doc);
// Builds the file from the scene as it is and writes it through a temporary
// file, so a failure leaves any previous file whole. False with `error` set
// when it cannot be written.
bool WriteLevelFile(Editor& editor, const std::filesystem::path& file, std::string& error);

// Asks "Lightmaps generieren?": Yes bakes through `bake` (a cancelled bake
// ends the export, nothing is written); No empties the lightmap list, so the
// file carries no lightmaps. Then writes the file; a failure is reported with
// a warning. Without prompts the answer is No.
enum class ExportOutcome { kWritten, kFailed, kCancelled };
ExportOutcome ExportLevel(Editor& editor, const std::filesystem::path& file, const ExportBake& bake);

// The command: the save dialog in the folder of QVX3_MAP_PATH, ".map" added
// to a name without extension, ExportLevel, then the file's folder becomes
// QVX3_MAP_PATH (also after a failed write). A cancelled dialog or bake
// changes nothing.
void ExportLevelCommand(Editor& editor, const ExportBake& bake);

}  // namespace qx

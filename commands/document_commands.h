#pragma once
// The menu commands that read and write map documents and sector files. They
// ask the user through editor.prompts, remember the map folder in
// editor.settings ("QVX3_QXM_PATH") and report to editor.view; each of those
// may be null. Every command returns true when it changed a file or the scene.

#include <string>

#include "document/editor.h"

namespace qx {

inline constexpr const char* kMapFilter = "Quarvex Maps|*.qxm";
inline constexpr const char* kSectorFilter = "Sektor (*.sec)|*.sec";
inline constexpr const char* kMapPathSetting = "QVX3_QXM_PATH";

inline constexpr const char* kFileNotFound = "Datei nicht gefunden!";
inline constexpr const char* kInvalidFile = "Ungültige Datei!";
inline constexpr const char* kSaveFailed = "Datei konnte nicht gespeichert werden!";
inline constexpr const char* kOnlySectors = "Sie können nur Sektoren abspeichern!";

// "Speichern": saves under the document's file name once it has one,
// otherwise asks for one like SaveDocumentAs.
bool SaveDocument(Editor& editor);

// "Speichern unter...": asks for a file name (starting in the map folder;
// ".qxm" is appended to a name without extension) and saves there. Only a
// successful save makes it the document's name, remembers its folder and
// updates the caption; a failed one shows kSaveFailed and keeps the old file.
bool SaveDocumentAs(Editor& editor);

// "Laden...": asks for a map document and loads it. A missing file shows
// kFileNotFound, a damaged or foreign one kInvalidFile; either way the open
// scene, its file name and flag stay as they were. After a load the
// properties panel is hidden: the node it showed is gone.
bool OpenDocument(Editor& editor);
// The same for a file already chosen (recent files, a file given at start).
bool OpenDocumentFile(Editor& editor, const std::filesystem::path& path);

// Sector "Speichern unter..." of the tree's context menu: saves the tree's
// selected node, which must be a sector (else kOnlySectors), to a sector file
// (".sec" appended to a name without extension).
bool SaveSelectedSector(Editor& editor);

// "Sektor aus Datei...": imports a sector file as a new top-level sector in
// front of the camera and selects it. Cancel or a missing file ends silently;
// a damaged file shows kInvalidFile and adds nothing.
bool ImportSectorFromFile(Editor& editor);

}  // namespace qx

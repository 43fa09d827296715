#pragma once
// The texture library's commands: the library menu entries and the buttons of
// the texture browser, against the editor's prompts and settings store. Each
// returns whether it changed anything; failures are shown through the prompts.

#include <vector>

#include "document/editor.h"
#include "textures/image_import.h"

namespace qx {

inline constexpr const char* kTextureLibraryFilter = "Texturbibliothek (*.tex)|*.tex";
inline constexpr const char* kTexturePathSetting = "QVX3_TEX_PATH";
inline constexpr const char* kTextureLibraryPathSetting = "QVX3_TEXLIB_PATH";
inline constexpr const char* kTextureLibraryFileSetting = "QVX3_TEXLIB_FILE";

// "Bibliothek laden...": the open dialog in the library folder; a chosen file
// that does not exist is ignored without a message.
bool LoadTextureLibraryCommand(Editor& editor);
// "Bibliothek speichern": to the library's file, or as "speichern unter..."
// when the library has none yet.
bool SaveTextureLibraryCommand(Editor& editor);
// "Bibliothek speichern unter...": the save dialog; ".tex" is appended to a
// name without extension.
bool SaveTextureLibraryAsCommand(Editor& editor);

// "Hinzufügen...": a picture file becomes a new entry, which is selected.
bool AddTextureCommand(Editor& editor);
// Picture files dropped on the texture page: each usable one becomes a new
// entry (the last one is selected); the refused ones are named in one
// warning. Returns the number added.
int AddTextureFiles(Editor& editor, const std::vector<std::filesystem::path>& files);
// "Löschen": removes the selected entry, asking first when nodes use it
// (and saying how many); the last entry becomes the selected one. Every node
// keeps the picture it showed: later entries' numbers move down with them,
// users of the removed entry show none (RemoveTextureKeepingPictures).
bool RemoveTextureCommand(Editor& editor);
// "Zuweisen": the selected entry's number goes to every selected polygon and
// model (as 16 bits: no selected entry gives 65535, which draws untextured).
// "Zuweisen": every selected polygon and model takes `current_texture` as its
// texture index (stored in 16 bits); then the viewport is redrawn.
void AssignTexture(Editor& e, int current_texture);
void AssignTextureCommand(Editor& editor);
// A click on the current-texture box: a picture file replaces the selected
// entry's picture and name; its TexId stays. A file that cannot be used
// leaves the entry as it was.
bool ReplaceTextureCommand(Editor& editor);

// Start-up: reads the texture and library folders and loads the library that
// was open last, when its file still exists (else it is forgotten).
void RestoreTextureLibrary(Editor& editor);
// Shutdown: remembers the library's file (empty when it has none).
void RememberTextureLibrary(Editor& editor);

}  // namespace qx

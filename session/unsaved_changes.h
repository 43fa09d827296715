#pragma once
// The question before unsaved changes would be lost, and the document
// commands that ask it ("Neu", "Laden...", "Zuletzt geöffnet") or feed the
// list of recent files. With no unsaved changes they behave exactly like the
// plain commands.

#include <filesystem>

#include "document/editor.h"
#include "session/recent_files.h"

namespace qx {

inline constexpr const char* kSaveChangesQuestion = "Änderungen speichern?";
inline constexpr const char* kSaveLibraryQuestion =
    "Die Texturbibliothek wurde geändert. Änderungen speichern?";
inline constexpr const char* kSaveBothQuestion =
    "Das Map-Dokument und die Texturbibliothek wurden geändert. Änderungen speichern?";

// Asks "Änderungen speichern?" (Ja / Nein / Abbrechen) when the document has
// unsaved changes, naming the texture library when it has some too (or only
// it). Ja saves what changed as "Speichern" and "Bibliothek speichern" do
// (asking for a name when there is none); a cancelled or failed save keeps
// everything as it is.
// True when the caller may go on and replace or close the document. Without
// prompts nobody can answer: true.
bool AskToSaveChanges(Editor& editor, RecentFiles* recent = nullptr);

// "Neu".
bool NewDocumentCommand(Editor& editor, RecentFiles* recent = nullptr);
// "Laden...": the loaded file goes to the front of the recent files.
bool OpenDocumentCommand(Editor& editor, RecentFiles* recent = nullptr);
// An entry of "Zuletzt geöffnet". A file that is gone shows "Datei nicht
// gefunden!" and leaves the list.
bool OpenRecentDocument(Editor& editor, RecentFiles& recent, const std::filesystem::path& file);
// "Speichern" and "Speichern unter...", noting the file among the recent ones.
bool SaveDocumentCommand(Editor& editor, RecentFiles* recent = nullptr);
bool SaveDocumentAsCommand(Editor& editor, RecentFiles* recent = nullptr);

}  // namespace qx

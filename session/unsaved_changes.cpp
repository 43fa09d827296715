#include "session/unsaved_changes.h"

#include <system_error>

#include "commands/document_commands.h"
#include "commands/texture_commands.h"

namespace qx {

namespace {

bool Noted(Editor& editor, RecentFiles* recent, bool done) {
  if (done && recent && editor.DocumentHasFile) recent->Add(editor.DocumentFileName);
  return done;
}

}  // namespace

bool AskToSaveChanges(Editor& editor, RecentFiles* recent) {
  editor.History.Commit();  // a change made outside any command counts too
  const bool document = editor.IsModified(), library = editor.Textures.IsModified();
  if ((!document && !library) || !editor.prompts) return true;
  const char* question = !library   ? kSaveChangesQuestion
                         : document ? kSaveBothQuestion
                                    : kSaveLibraryQuestion;
  switch (editor.prompts->AskYesNoCancel(question)) {
    case Answer::kYes:
      if (document && !SaveDocumentCommand(editor, recent)) return false;
      return !library || SaveTextureLibraryCommand(editor);
    case Answer::kNo:
      return true;
    case Answer::kCancel:
      return false;
  }
  return false;
}

bool NewDocumentCommand(Editor& editor, RecentFiles* recent) {
  if (!AskToSaveChanges(editor, recent)) return false;
  editor.NewScene();
  return true;
}

bool OpenDocumentCommand(Editor& editor, RecentFiles* recent) {
  if (!AskToSaveChanges(editor, recent)) return false;
  return Noted(editor, recent, OpenDocument(editor));
}

bool OpenRecentDocument(Editor& editor, RecentFiles& recent, const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    editor.ShowWarning(kFileNotFound);
    recent.Remove(file);
    return false;
  }
  if (!AskToSaveChanges(editor, &recent)) return false;
  return Noted(editor, &recent, OpenDocumentFile(editor, file));
}

bool SaveDocumentCommand(Editor& editor, RecentFiles* recent) {
  return Noted(editor, recent, SaveDocument(editor));
}

bool SaveDocumentAsCommand(Editor& editor, RecentFiles* recent) {
  return Noted(editor, recent, SaveDocumentAs(editor));
}

}  // namespace qx

#pragma once
// Qt's own texts (file dialogs, "Ja"/"Nein" of message boxes, the edit
// fields' context menus) in German, like the rest of the editor.

class QCoreApplication;

namespace qx {

// Loads Qt's German translations from Qt's translation folder and installs
// them in the application. False when they are not installed (Qt then speaks English).
bool InstallGermanQtTranslations(QCoreApplication& app);

}  // namespace qx

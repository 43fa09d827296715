#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace qx {

bool InstallGermanQtTranslations(QCoreApplication& app) {
  // Once per application: a second call must not stack a second copy.
  if (app.property("qxGermanQt").toBool()) return true;
  auto* translator = new QTranslator(&app);
  if (!translator->load("qtbase_de", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  app.installTranslator(translator);
  app.setProperty("qxGermanQt", true);
  return true;
}

}  // namespace qx

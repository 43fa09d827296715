#pragma once
// One QApplication for all GUI tests of the process (made on first use and
// kept to the end: GL contexts must not outlive it at exit).

#include <QApplication>
#include <QSurfaceFormat>

#include "app/translations.h"
#include "render/viewport_panel.h"

namespace qx::test {

inline QApplication* EnsureApp() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return app;
  static int argc = 1;
  static char name[] = "quarvex_gui_tests";
  static char* argv[] = {name, nullptr};
  QSurfaceFormat::setDefaultFormat(ViewportPanel::RequestedFormat());
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  auto* app = new QApplication(argc, argv);
  InstallGermanQtTranslations(*app);  // as the editor's main does
  return app;
}

}  // namespace qx::test

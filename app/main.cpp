// The editor: the main window and the lightmap-size dialog are made in this
// order; the main window's first show runs the splash and the initialisation.
// Arguments: texture libraries (.tex) and a map document (.qxm) to open once started.

#include <QApplication>
#include <QSurfaceFormat>

#include "app/main_window.h"
#include "render/viewport_panel.h"
#include "ui/map_export_form.h"

int main(int argc, char** argv) {
  QSurfaceFormat::setDefaultFormat(qx::ViewportPanel::RequestedFormat());
  // The 2D views draw from the 3D view's buffers: every GL widget shares them.
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Korvald");
  QApplication::setApplicationName("Editor");

  qx::TMain main_window;
  qx::TMapExportForm map_export_form(&main_window);
  main_window.SetMapExportForm(&map_export_form);
  main_window.SetStartupFiles(app.arguments().mid(1));
  main_window.show();
  return app.exec();
}

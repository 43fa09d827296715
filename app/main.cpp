// The editor: the main window and the lightmap-size dialog are made in this
// order; the main window's first show runs the splash and the initialisation.
// Arguments: texture libraries (.tex) and a map document (.qxm) to open once
// started; the options are those of app/frame_stats.h.

#include <QApplication>
#include <QSurfaceFormat>
#include <cstdio>

#include "app/frame_stats.h"
#include "app/main_window.h"
#include "app/translations.h"
#include "render/viewport_panel.h"
#include "ui/map_export_form.h"

int main(int argc, char** argv) {
  QSurfaceFormat::setDefaultFormat(qx::ViewportPanel::RequestedFormat());
  // The 2D views draw from the 3D view's buffers: every GL widget shares them.
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Korvald");
  QApplication::setApplicationName("Editor");
  qx::InstallGermanQtTranslations(app);

  const qx::StartOptions options = qx::ParseStartOptions(app.arguments().mid(1));
  if (!options.error.isEmpty()) {
    std::fprintf(stderr, "%s\n", options.error.toLocal8Bit().constData());
    return 2;
  }
  if (options.frame_stats) return qx::RunFrameStats(options);

  qx::TMain main_window;
  if (options.immediate) main_window.Viewport()->UseRenderer(qx::ViewportPanel::RendererKind::kImmediate);
  qx::TMapExportForm map_export_form(&main_window);
  main_window.SetMapExportForm(&map_export_form);
  main_window.SetStartupFiles(options.files);
  main_window.SetStartupBake(options.bake);
  main_window.show();
  return app.exec();
}

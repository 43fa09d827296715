// The editor: the main window and the lightmap-size dialog are made in this
// order; the main window's first show runs the splash and the initialisation.
// Arguments: texture libraries (.tex) and a map document (.qxm) to open once
// started; the options are those of app/frame_stats.h.

#include <QApplication>
#include <QSurfaceFormat>
#include <cstdio>
#include <cstring>

#include "app/frame_stats.h"
#include "app/main_window.h"
#include "app/translations.h"
#include "render/viewport_panel.h"
#include "ui/map_export_form.h"

namespace {

const char* const kUsage =
    "Aufruf: quarvex [--immediate] [DATEI.tex] [DATEI.qxm]\n"
    "       quarvex --frame-stats [--immediate] [--bake BxH] [--screenshot BILD.png] DATEIEN...\n"
    "\n"
    "  DATEI.tex, DATEI.qxm  nach dem Start zu öffnende Texturbibliotheken und Map-Dokument\n"
    "  --immediate           mit dem Referenz-Renderer (Immediate Mode) zeichnen\n"
    "  --frame-stats         Messmodus: 60 Bilder bei drehender Kamera und 20 Picks,\n"
    "                        gibt die Mediane aus\n"
    "  --bake BxH            im Messmodus vorher Lightmaps der Größe BxH berechnen\n"
    "  --screenshot BILD.png im Messmodus das erste Bild speichern\n"
    "  --help                diese Hilfe\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before the window system is touched, so that it works without a display.
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
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

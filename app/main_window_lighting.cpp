// Hooks of the main window for lightmap baking, level export, TMapExportForm.
// Connect handlers here with Wire(Action("..."), ...) and the hooks of main_window.h.

#include "app/main_window.h"

namespace qx {

void TMain::WireLighting() {}

}  // namespace qx

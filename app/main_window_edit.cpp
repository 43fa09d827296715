// Hooks of the main window for selection, picking clicks, insert commands, transform tools, properties panel.
// Connect handlers here with Wire(Action("..."), ...) and the hooks of main_window.h.

#include "app/main_window.h"

namespace qx {

void TMain::WireEditing() {}

}  // namespace qx

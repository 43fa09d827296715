// Hooks of the main window for tree editing, clipboard, polygon and texture-coordinate operations, texture
// browser, sector files, models. Connect handlers here with Wire(Action("..."), ...) and the hooks of
// main_window.h.

#include "app/main_window.h"

namespace qx {

void TMain::WireTreeEditing() {}

}  // namespace qx

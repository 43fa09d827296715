// Hooks of the main window for lightmap baking, level export, TMapExportForm.

#include "app/bake_runner.h"
#include "app/main_window.h"

namespace qx {

void TMain::WireLighting() {
  auto* runner = new BakeRunner(*this);
  runner->setObjectName("BakeRunner");
  Wire(Action("ToolButton9"), [runner] { runner->ToolButton9Click(); });
  for (const char* name : {"Leveldateimap1", "ToolButton8"})
    Wire(Action(name), [runner] { runner->Leveldateimap1Click(); });
}

}  // namespace qx

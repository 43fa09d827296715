// The "&Ansicht" menu: what the drawing shows. The checked states of the
// items are the options themselves; the drawing reads them every frame.

#include <QAction>

#include "app/main_window.h"

namespace qx {

namespace {
struct ViewItem {
  const char* name;
  bool ViewOptions::*member;
};
constexpr ViewItem kViewItems[] = {
    {"CullFace1", &ViewOptions::CullFace},
    {"GitterEinblenden1", &ViewOptions::ShowGrid},
    {"Portaleeinblenden1", &ViewOptions::ShowPortals},
    {"Normaleeinblenden1", &ViewOptions::ShowNormals},
    {"Unsichtbareeinblenden1", &ViewOptions::ShowTransparent},
    {"Markierungeneinblenden1", &ViewOptions::ShowMarkers},
    {"Lightmapseinschalten1", &ViewOptions::ShowLightmaps},
    {"Texturenaktivieren1", &ViewOptions::ShowTextures},
};
}  // namespace

ViewOptions TMain::CurrentViewOptions() const {
  ViewOptions o;
  for (const ViewItem& item : kViewItems) o.*item.member = Action(item.name)->isChecked();
  o.Wireframe = Action("Drahtgitter1")->isChecked();
  return o;
}

void TMain::ApplyViewOptions(const ViewOptions& o) {
  for (const ViewItem& item : kViewItems) Action(item.name)->setChecked(o.*item.member);
  Action(o.Wireframe ? "Drahtgitter1" : "Textur1")->setChecked(true);
}

void TMain::WireView() {
  // Qt has already flipped a checkable item when `triggered` arrives.
  Wire(Action("CullFace1"), [this] { CullFace1Click(); });
  Wire(Action("GitterEinblenden1"), [this] { GitterEinblenden1Click(); });
  Wire(Action("Portaleeinblenden1"), [this] { Portaleeinblenden1Click(); });
  Wire(Action("Normaleeinblenden1"), [this] { Normaleeinblenden1Click(); });
  Wire(Action("Unsichtbareeinblenden1"), [this] { Unsichtbareeinblenden1Click(); });
  Wire(Action("Markierungeneinblenden1"), [this] { Markierungeneinblenden1Click(); });
  Wire(Action("Textur1"), [this] { Textur1Click(); });
  Wire(Action("Drahtgitter1"), [this] { Drahtgitter1Click(); });
  Wire(Action("Lightmapseinschalten1"), [this] { Lightmapseinschalten1Click(); });
  Wire(Action("Texturenaktivieren1"), [this] { Texturenaktivieren1Click(); });
  Wire(Action("ToolButton21"), [this] { ToolButton21Click(); });
  Wire(Action("ToolButton20"), [this] { ToolButton20Click(); });
  Wire(Action("ToolButton24"), [this] { ToolButton24Click(); });
  Wire(Action("ToolButton27"), [this] { ToolButton27Click(); });
}

void TMain::CullFace1Click() {
  Redraw();
}
void TMain::GitterEinblenden1Click() {
  Redraw();
}
void TMain::Portaleeinblenden1Click() {
  Redraw();
}
void TMain::Normaleeinblenden1Click() {}  // shows with the next frame
void TMain::Unsichtbareeinblenden1Click() {
  Redraw();
}
void TMain::Markierungeneinblenden1Click() {
  Redraw();
}
void TMain::Textur1Click() {}       // shows with the next frame
void TMain::Drahtgitter1Click() {}  // shows with the next frame
void TMain::Lightmapseinschalten1Click() {
  Redraw();
}
void TMain::Texturenaktivieren1Click() {
  Redraw();
}

// The tool buttons click their menu items, which flips the check mark.
void TMain::ToolButton21Click() {
  Action("Lightmapseinschalten1")->trigger();
}
void TMain::ToolButton20Click() {
  Action("Portaleeinblenden1")->trigger();
}
void TMain::ToolButton24Click() {
  Action("Unsichtbareeinblenden1")->trigger();
}
void TMain::ToolButton27Click() {
  Action("Markierungeneinblenden1")->trigger();
}

}  // namespace qx

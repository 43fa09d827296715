#include "edit/view_options.h"

namespace qx {

const std::array<PersistedOption, 8> kPersistedViewOptions = {{
    {"QVX3_GUI_CULLFACE", &ViewOptions::CullFace},
    {"QVX3_GUI_SHOWGRID", &ViewOptions::ShowGrid},
    {"QVX3_GUI_SHOWPORTALS", &ViewOptions::ShowPortals},
    {"QVX3_GUI_SHOWLIGHTMAP", &ViewOptions::ShowLightmaps},
    {"QVX3_GUI_SHOWTEXTURE", &ViewOptions::ShowTextures},
    {"QVX3_GUI_SHOWNORMALS", &ViewOptions::ShowNormals},
    {"QVX3_GUI_SHOWTRANSPARENT", &ViewOptions::ShowTransparent},
    {"QVX3_GUI_SHOWMARKIERUNG", &ViewOptions::ShowMarkers},
}};

ViewOptions ReadViewOptions(SettingsStore& settings) {
  ViewOptions o;
  for (const auto& p : kPersistedViewOptions) o.*p.member = settings.ReadBool(p.name, true);
  return o;
}

void WriteViewOptions(SettingsStore& settings, const ViewOptions& options) {
  for (const auto& p : kPersistedViewOptions) settings.WriteBool(p.name, options.*p.member);
}

}  // namespace qx

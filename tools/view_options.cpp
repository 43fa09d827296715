#include "tools/view_options.h"

#include <cstdlib>

#include "scene/node.h"

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

bool ShownByViewOptions(uint8_t node_type, bool visible, const ViewOptions& o) {
  switch (node_type) {
    case kPolygon:
    case kModel:
      return visible || o.ShowTransparent;
    case kPortal:
      return o.ShowPortals;
    case kLight:
    case kParticleSystem:
    case kActor:
    case kCheckpoint:
      return true;
    default:
      return false;
  }
}

ViewOptions ReadViewOptions(SettingsStore& settings) {
  ViewOptions o;
  for (const auto& p : kPersistedViewOptions) o.*p.member = settings.ReadBool(p.name, true);
  return o;
}

void WriteViewOptions(SettingsStore& settings, const ViewOptions& options) {
  for (const auto& p : kPersistedViewOptions) settings.WriteBool(p.name, options.*p.member);
}

namespace {

bool ParseSplit(const std::string& text, std::array<int, 2>* out) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  std::array<int, 2> v{};
  const std::string parts[2] = {text.substr(0, comma), text.substr(comma + 1)};
  for (int i = 0; i < 2; ++i) {
    const std::string& p = parts[i];
    if (p.empty() || p.size() > 6 || p.find_first_not_of("0123456789") != std::string::npos) return false;
    v[i] = std::atoi(p.c_str());
    if (v[i] > kMaxSplitSize) return false;
  }
  if (v[0] == 0 && v[1] == 0) return false;
  *out = v;
  return true;
}

std::string FormatSplit(const std::array<int, 2>& v) {
  return std::to_string(v[0]) + "," + std::to_string(v[1]);
}

}  // namespace

ViewLayout ReadViewLayout(SettingsStore& settings) {
  ViewLayout layout;
  layout.FourViews = settings.ReadBool(kSettingFourViews, false);
  ParseSplit(settings.ReadString(kSettingFourViewsColumns, ""), &layout.Columns);
  ParseSplit(settings.ReadString(kSettingFourViewsRows, ""), &layout.Rows);
  return layout;
}

void WriteViewLayout(SettingsStore& settings, const ViewLayout& layout) {
  settings.WriteBool(kSettingFourViews, layout.FourViews);
  settings.WriteString(kSettingFourViewsColumns, FormatSplit(layout.Columns));
  settings.WriteString(kSettingFourViewsRows, FormatSplit(layout.Rows));
}

}  // namespace qx

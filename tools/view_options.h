#pragma once
// The switches of the view menu that decide what a frame shows, and the
// names under which the settings store keeps them and the directories.

#include <array>
#include <cstdint>
#include <string>

#include "document/prompts.h"

namespace qx {

inline constexpr const char* kSettingTexPath = "QVX3_TEX_PATH";
inline constexpr const char* kSettingTexLibPath = "QVX3_TEXLIB_PATH";
inline constexpr const char* kSettingTexLibFile = "QVX3_TEXLIB_FILE";
inline constexpr const char* kSettingQxmPath = "QVX3_QXM_PATH";
inline constexpr const char* kSettingMapPath = "QVX3_MAP_PATH";

struct ViewOptions {
  // Persisted, in the order they are written at close.
  bool CullFace = true;         // "Cull Face"
  bool ShowGrid = true;         // "Gitter einblenden"
  bool ShowPortals = true;      // "Portale einblenden"
  bool ShowLightmaps = true;    // "Lightmaps aktivieren"
  bool ShowTextures = true;     // "Texturen aktivieren"
  bool ShowNormals = true;      // "Normale einblenden"
  bool ShowTransparent = true;  // "Unsichtbare einblenden"
  bool ShowMarkers = true;      // "Markierungen einblenden"
  // Not persisted: the pair "Textur" / "Drahtgitter" (exactly one is on).
  bool Wireframe = false;

  bool operator==(const ViewOptions&) const = default;
};

// Whether the options let a node of this type be drawn (and picked): hidden
// portals and, unless "Unsichtbare einblenden", invisible polygons and models
// are not; sectors draw nothing themselves.
bool ShownByViewOptions(uint8_t node_type, bool visible, const ViewOptions& o);

// The eight persisted options with their settings names, in table order.
struct PersistedOption {
  const char* name;
  bool ViewOptions::*member;
};
extern const std::array<PersistedOption, 8> kPersistedViewOptions;

// Missing values and values that are not numbers read as true.
ViewOptions ReadViewOptions(SettingsStore& settings);
void WriteViewOptions(SettingsStore& settings, const ViewOptions& options);

// "Vier Ansichten" and where its splitters stand.
inline constexpr const char* kSettingFourViews = "QVX3_GUI_FOURVIEWS";
// "Licht live" in "&Ansicht": the lighting follows the edits.
inline constexpr const char* kSettingLiveLight = "QVX3_GUI_LIVELIGHT";
inline constexpr const char* kSettingFourViewsColumns = "QVX3_GUI_FOURVIEWS_COLUMNS";
inline constexpr const char* kSettingFourViewsRows = "QVX3_GUI_FOURVIEWS_ROWS";

struct ViewLayout {
  bool FourViews = false;  // off on a first start: the 3D view alone, as ever
  // Left and right column widths, top and bottom row heights, as "a,b" in
  // the store. Only their proportion counts.
  std::array<int, 2> Columns{1, 1};
  std::array<int, 2> Rows{1, 1};
};
inline constexpr int kMaxSplitSize = 100000;
// A missing or malformed value ("abc", "1,", "-5,3", "0,0", "9999999,1") gives the default.
ViewLayout ReadViewLayout(SettingsStore& settings);
void WriteViewLayout(SettingsStore& settings, const ViewLayout& layout);

}  // namespace qx

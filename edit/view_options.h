#pragma once
// The switches of the view menu that decide what a frame shows, and the
// names under which the settings store keeps them and the directories.

#include <array>

#include "edit/prompts.h"

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
};

// The eight persisted options with their settings names, in table order.
struct PersistedOption {
  const char* name;
  bool ViewOptions::*member;
};
extern const std::array<PersistedOption, 8> kPersistedViewOptions;

// Missing values and values that are not numbers read as true.
ViewOptions ReadViewOptions(SettingsStore& settings);
void WriteViewOptions(SettingsStore& settings, const ViewOptions& options);

}  // namespace qx

#pragma once
// The fields "Raumhöhe", "Kachelgröße" and "mit Licht" beside the grid controls
// (main_window_rooms.cpp) take their values from the settings store once the
// window has one; until then they show their defaults.

class QWidget;

namespace qx {

class SettingsStore;

void ReadRoomFields(SettingsStore* settings, QWidget* bar);

}  // namespace qx

#pragma once
// The editor's modes. None is stored in a file.

namespace qx {

enum class CameraMode { kLook, kMove };  // "Umschauen", "Bewegen"
enum class ToolMode { kMove, kRotate };
// The axis moves and turns keep to; the value is the letter the buttons show.
enum class AxisLock : char { kX = 'X', kY = 'Y', kZ = 'Z' };

}  // namespace qx

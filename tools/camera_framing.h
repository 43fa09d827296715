#pragma once
// Getting around the level: framing the selection and the start view.

#include "document/editor.h"

namespace qx {

// The vertical field of view the viewport projects with, in degrees.
inline constexpr double kViewFieldOfView = 57.0;
// Framing never brings the eye nearer to the box centre than this.
inline constexpr double kMinFrameDistance = 20.0;

// "Auswahl zeigen" (F): keeps the view's direction and moves the camera along
// it until the selection's box fills the view: the box's centre straight
// ahead, its enclosing sphere touching the top and bottom of the view (or the
// sides when the view is narrower than high; `aspect` is width / height).
// Nothing when nothing is selected. True when the camera moved.
bool FrameSelection(Editor& e, double aspect = 4.0 / 3.0);

// "Startansicht": the camera of a new scene, (0, 80, 70) looking down along -z.
void ResetCameraView(Editor& e);

}  // namespace qx

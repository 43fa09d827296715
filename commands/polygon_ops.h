#pragma once
// Turning selected objects by a fixed angle, and rotating, mirroring and
// recomputing the texture coordinates of quads. The texture commands rely on the
// vertex order of a square: 0-1 and 2-3 are opposite edges, 0-2 and 1-3 the sides.

#include "document/editor.h"
#include "scene/vector.h"

namespace qx {

// p turned about c by `degrees` about the axis 'X', 'Y' or 'Z' (any other axis
// leaves p as it is). Quarter turns are exact, so a square on the grid stays on it.
Vector TurnAbout(const Vector& p, const Vector& c, AxisLock axis, double degrees);

// A sector turns as one rigid body about its BoundsCenter: every vertex and
// every position in it, all by the same angle (an actor's heading too, about Y).
void TurnSectorContent(TSector* sector, AxisLock axis, double degrees);

// "Drehen um 90°", "Drehen um 180°", "Objekt rotieren um 90°": every selected
// polygon, portal or model turns about its stored Centroid on AxisLock; a
// selected sector turns with everything in it about its BoundsCenter. Lights,
// particle systems, actors and checkpoints selected by themselves stay.
void TurnSelectedObjects(Editor& e, int degrees);

// "Texturkoordinaten drehen um 90°": per selected quad t0 <- t1, t1 <- t3,
// t3 <- t2, t2 <- t0.
void RotateSelectedTexCoords(Editor& e);

// "Texturkoordinaten spiegeln": per selected quad, u of vertices 0 and 1 and of
// vertices 2 and 3 change places.
void MirrorSelectedTexCoords(Editor& e);

// "Texturkoordinaten auf Basis": every quad of the scene gets texture
// coordinates from its edge lengths, one repeat per 60 world units.
void TexCoordsFromBasis(Editor& e);

}  // namespace qx

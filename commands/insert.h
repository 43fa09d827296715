#pragma once
// The commands of the "&Einfügen" menu. Each places a new node at the point the
// camera looks at, snapped to the grid, selects it and shows it. They return the
// new node, or null when nothing was created. The variants with `at` place it
// at that point instead (snapped the same way): the 2D views' context menu.

#include "document/editor.h"

namespace qx {

inline constexpr const char* kNeedSectorWarning = "Sie müssen einen Sektor auswählen!";

// The parent rule of every insert but "Sektor": the selected sector itself, or
// the selected node's parent (null: the top level). False, after the warning,
// when no node is selected.
bool ChooseInsertParent(Editor& e, TSector** parent);

TSector* InsertSector(Editor& e);          // "Sektor"
TSector* InsertSquare(Editor& e);          // "Quadrat"
TSector* InsertLight(Editor& e);           // "Lichtquelle"
TSector* InsertPortal(Editor& e);          // "Portal"
TSector* InsertParticleSystem(Editor& e);  // "Partikelsystem"
TSector* InsertActor(Editor& e);           // "Actor"
TSector* InsertCheckpoint(Editor& e);      // "Checkpoint"

TSector* InsertSquare(Editor& e, const Vector& at);
TSector* InsertLight(Editor& e, const Vector& at);
TSector* InsertPortal(Editor& e, const Vector& at);
TSector* InsertParticleSystem(Editor& e, const Vector& at);
TSector* InsertActor(Editor& e, const Vector& at);
TSector* InsertCheckpoint(Editor& e, const Vector& at);

}  // namespace qx

#include "commands/start_position.h"

#include "commands/grid_snap.h"
#include "commands/properties.h"
#include "commands/selection.h"

namespace qx {

namespace {

void ShowStartPosition(Editor& e) {
  if (!e.view) return;
  e.view->SetStatusText(0, "Start");
  e.view->SetStatusText(1, PositionText(e.StartPosition));
}

}  // namespace

void SetStartPosition(Editor& e) {
  UndoStack::Step step(e.History, kSetStartPositionCommand);
  e.StartPosition = SnapToGrid(e.CameraTarget, e.GridSize);
  e.ChangedStartPosition();
  SelectStartMarker(e, false);
  e.Redraw();
}

void SelectStartMarker(Editor& e, bool add) {
  if (!add) ClearSelection(e);
  e.StartSelected = true;
  e.ChangedSelection();
  ShowStartPosition(e);
}

void MoveStartPosition(Editor& e, AxisLock axis, float distance) {
  if (distance == 0) return;
  float& c = axis == AxisLock::kY   ? e.StartPosition.y
             : axis == AxisLock::kZ ? e.StartPosition.z
                                    : e.StartPosition.x;
  c = static_cast<float>(double(c) + distance);
  e.ChangedStartPosition();
  ShowStartPosition(e);
}

}  // namespace qx

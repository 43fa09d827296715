#pragma once
// One drag in any view, the 3D view and the plan and elevation views alike:
// the press opens one undo step, every step changes the document and is
// published before the views draw, the release closes the step, and Esc
// takes the step back to the state of the press. The history holds that
// state already, so nothing is saved twice.

#include <string>

#include "document/undo.h"

namespace qx {

class Gesture {
 public:
  explicit Gesture(UndoStack& history) : history_(history) {}

  // Opens the drag's undo step. A drag whose release never came is closed first.
  void Press(std::string name);
  // Closes the step (a change made by the drag becomes one undo step).
  void Release();
  // Esc: the document returns to the press and the drag does nothing more
  // until its buttons are released. False when no drag of this gesture is open.
  bool Cancel();

  // Between press and release, and not cancelled: steps may change the document.
  bool Active() const { return open_ && !cancelled_; }
  // Cancelled and waiting for the release.
  bool Cancelled() const { return cancelled_; }

 private:
  UndoStack& history_;
  bool open_ = false;
  bool cancelled_ = false;
};

}  // namespace qx

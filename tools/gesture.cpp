#include "tools/gesture.h"

#include <utility>

namespace qx {

void Gesture::Press(std::string name) {
  history_.EndGesture();
  history_.BeginGesture(std::move(name));
  open_ = true;
  cancelled_ = false;
}

void Gesture::Release() {
  if (open_ && !cancelled_) history_.EndGesture();
  open_ = false;
  cancelled_ = false;
}

bool Gesture::Cancel() {
  if (!Active() || !history_.GestureOpen()) return false;
  if (!history_.CancelGesture()) return false;
  cancelled_ = true;
  return true;
}

}  // namespace qx

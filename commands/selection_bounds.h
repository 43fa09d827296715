#pragma once
// The box around everything selected, for framing the view and for the
// offset of a duplicate.

#include "document/editor.h"

namespace qx {

struct Box {
  Vector min, max;
  bool empty = true;
  void Add(const Vector& p);
  void Add(const Box& b);
  Vector Center() const;
  Vector Size() const;
};

// Half the edge of the box a point node (light, particle system, actor,
// checkpoint, the start marker) is drawn with.
inline constexpr float kPointNodeHalfBox = 3;

// A node's box: a sector's is that of everything in it (an empty sector has
// none), a point node's the cube it is drawn with.
Box NodeBox(const TSector* node);
// The box of the selection list and, when it is selected, the start marker.
Box SelectionBox(const Editor& e);

}  // namespace qx

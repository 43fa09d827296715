#pragma once
// "Fläche umdrehen": the other side of a quad or model becomes its front.

#include "document/editor.h"

namespace qx {

inline constexpr const char* kFlipFaceCommand = "Fläche umdrehen";

// Reverses the winding of every selected quad and model, so that its normals
// turn round and the side that was culled is drawn and lit. Each corner keeps
// its texture and lightmap coordinates. One undo step.
void FlipSelectedFaces(Editor& e);

// The same on one node: a quad swaps its corners 1 and 2 (whole records, ids
// included), a model its triangles' second and third corners. Other types: nothing.
void FlipFace(TSector* node);

}  // namespace qx

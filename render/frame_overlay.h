#pragma once
// What the retained viewport draws anew every frame, because it follows the
// selection and the camera rather than the document: the selection boxes of
// lights, particle systems, actors and checkpoints, the start marker (boxed
// while selected) and the marker pass (selection outlines and boxes, vertex
// spheres). They are few, so they are gathered from the live node flags each
// frame. No OpenGL.

#include <vector>

#include "render/retained_scene.h"
#include "tools/view_options.h"

namespace qx {

// The line width and culling that GL keeps from one element to the next.
struct InheritedGlState {
  float width = 1;
  bool cull = false;
};

// The node pass of a frame: what each node draws with, and what it leaves.
struct NodePassState {
  InheritedGlState gl;
  // The width and culling the node's drawing inherits; the state then
  // becomes what the node leaves behind. `marked` is the node's live flag.
  InheritedGlState Visit(const ChunkEntry& e, bool marked, const ViewOptions& o);
};

struct FrameOverlay {
  struct Command {
    Primitive prim;
    float width;  // lines: their own; spheres: the one they inherit (wire outlines)
    bool depth;
    bool cull;  // spheres: culling as inherited
    std::vector<int32_t> firsts, counts;
  };
  std::vector<DrawVertex> vertices;
  std::vector<Command> commands;
  // Commands before this one are depth-tested and come before the portals;
  // the marker pass follows them.
  size_t before_portals = 0;
};

// `state`: what the node pass left behind; afterwards what the frame leaves.
FrameOverlay BuildFrameOverlay(const RetainedScene& scene, const Editor& e, const ViewOptions& o,
                               InheritedGlState* state);

}  // namespace qx

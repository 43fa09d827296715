#pragma once
// What lies under the mouse in a plan or elevation view. No GL picking:
// the views are flat, so the nodes are projected and tested here, with the
// depth along the view's own axis deciding what is nearest to the viewer.

#include <vector>

#include "document/editor.h"
#include "tools/plane_view.h"
#include "tools/view_options.h"

namespace qx {

// How close the mouse must come, in pixels.
inline constexpr double kPlaneEdgePick = 4;    // to an outline
inline constexpr double kPlaneSymbolPick = 6;  // to a symbol's centre
inline constexpr double kPlaneHandlePick = 5;  // to a vertex handle
inline constexpr double kPlaneCameraPick = 7;  // to the camera marker

struct PlaneHit {
  TSector* node = nullptr;
  int vertex = -1;   // a vertex handle of the node, or -1 for the node itself
  double depth = 0;  // along the view toward the viewer: larger is nearer
};

// Whether a node appears in the 2D views (the view options hide portals and
// invisible surfaces there as in the 3D view). Sectors draw nothing.
bool ShownInPlane(const TSector* n, const ViewOptions& o);
// Lights, particle systems, actors and checkpoints: a symbol at their position.
bool IsPlanePointNode(const TSector* n);

// The nodes under pixel (x, y), nearest to the viewer first (ties in tree
// order): polygons, portals and models by their faces and outlines, the
// other nodes by their symbols. Sectors are never hit.
std::vector<PlaneHit> NodesAt(const Editor& e, const PlaneView& view, const ViewOptions& o, double x,
                              double y);

// The vertex handles under pixel (x, y), nearest first. Handles are shown
// in vertex mode on the selected polygons and portals.
std::vector<PlaneHit> HandlesAt(const Editor& e, const PlaneView& view, const ViewOptions& o, double x,
                                double y);
// Whether the selected polygons and portals show vertex handles.
bool HandlesShown(const Editor& e, const ViewOptions& o);
// The selected polygons and portals that show handles, each once, in list order.
std::vector<TSector*> HandleNodes(const Editor& e, const ViewOptions& o);

struct PixelRect {
  double x0, y0, x1, y1;  // any two opposite corners
  bool Contains(const PixelPoint& p) const;
};
// The nodes whose box (in the view) lies wholly inside the rectangle, in tree order.
std::vector<TSector*> NodesInRect(const Editor& e, const PlaneView& view, const ViewOptions& o,
                                  const PixelRect& r);
// The vertex handles inside the rectangle, as (node, vertex index).
std::vector<std::pair<TSector*, int>> HandlesInRect(const Editor& e, const PlaneView& view,
                                                    const ViewOptions& o, const PixelRect& r);

// Whether (x, y) is on the marker of the 3D view's camera.
bool CameraMarkerAt(const Editor& e, const PlaneView& view, double x, double y);

}  // namespace qx

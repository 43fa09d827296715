#include "render/plane_view_overlay.h"

#include <QtGui/qopengl.h>

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace qx {

namespace {

constexpr double kSymbolRadius = 5;    // pixels
constexpr double kSelectionHalf = 8;   // the square around a selected symbol
constexpr double kHandleHalf = 3;      // a vertex handle
constexpr double kCameraRadius = 6;    // the camera marker
constexpr double kCameraArrow = 24;    // its view direction
constexpr double kHeadingLength = 11;  // an actor's heading tick
constexpr double kStartCross = 8;      // the start position's cross
constexpr int kCircleSegments = 16;

void V(double x, double y) {
  glVertex2d(x, y);
}

void V(const PixelPoint& p) {
  glVertex2d(p.x, p.y);
}

// Inside a GL_LINES batch.
void Segment(const PixelPoint& a, const PixelPoint& b) {
  V(a);
  V(b);
}

// The unit circle's corners and a light's ray directions, worked out once:
// a level's hundreds of symbols are drawn at every frame.
struct Directions {
  double cos[kCircleSegments + 1], sin[kCircleSegments + 1];
  double ray_cos[4], ray_sin[4];
  Directions() {
    for (int i = 0; i <= kCircleSegments; ++i) {
      const double a = 2 * kPi * i / kCircleSegments;
      cos[i] = std::cos(a);
      sin[i] = std::sin(a);
    }
    for (int i = 0; i < 4; ++i) {
      const double a = kPi / 4 + i * kPi / 2;
      ray_cos[i] = std::cos(a);
      ray_sin[i] = std::sin(a);
    }
  }
};
const Directions kDirections;

void Circle(const PixelPoint& c, double r) {
  const Directions& d = kDirections;
  for (int i = 0; i < kCircleSegments; ++i) {
    V(c.x + r * d.cos[i], c.y + r * d.sin[i]);
    V(c.x + r * d.cos[i + 1], c.y + r * d.sin[i + 1]);
  }
}

// Whether a symbol around `c` can reach a pixel of the view: none of them
// reaches further than this from its centre.
constexpr double kSymbolReach = 16;
bool SymbolInView(const PlaneView& view, const PixelPoint& c) {
  return c.x >= -kSymbolReach && c.y >= -kSymbolReach && c.x <= view.Width() + kSymbolReach &&
         c.y <= view.Height() + kSymbolReach;
}

void Rect(double x0, double y0, double x1, double y1) {
  Segment({x0, y0}, {x1, y0});
  Segment({x1, y0}, {x1, y1});
  Segment({x1, y1}, {x0, y1});
  Segment({x0, y1}, {x0, y0});
}

void Cross(const PixelPoint& c, double r) {
  Segment({c.x - r, c.y}, {c.x + r, c.y});
  Segment({c.x, c.y - r}, {c.x, c.y + r});
}

// The unit direction on the screen of a world direction; nothing when it points into the screen.
bool ScreenDirection(const PlaneView& view, const Vector& from, const Vector& dir, double* dx, double* dy) {
  const PixelPoint a = view.ToPixel(from);
  const PixelPoint b =
      view.ToPixel(VectorSet(double(from.x) + dir.x, double(from.y) + dir.y, double(from.z) + dir.z));
  const double len = std::hypot(b.x - a.x, b.y - a.y);
  if (!(len > 1e-9)) return false;
  *dx = (b.x - a.x) / len;
  *dy = (b.y - a.y) / len;
  return true;
}

// The box of a node's subtree on the screen: its corners and the positions of point nodes.
bool ScreenBox(const PlaneView& view, TSector* n, double* x0, double* y0, double* x1, double* y1) {
  *x0 = *y0 = INFINITY;
  *x1 = *y1 = -INFINITY;
  auto add = [&](const Vector& p) {
    const PixelPoint s = view.ToPixel(p);
    *x0 = std::min(*x0, s.x);
    *y0 = std::min(*y0, s.y);
    *x1 = std::max(*x1, s.x);
    *y1 = std::max(*y1, s.y);
  };
  SceneTree::WalkSubtree(n, [&](TSector* m) {
    if (HasVertices(m->NodeType))
      for (const TVertex& v : m->Vertices) add(v.Position);
    else if (m->NodeType != kSector)
      add(m->Position);
  });
  return *x0 <= *x1;
}

void Symbol(const PlaneView& view, const TSector* n) {
  const PixelPoint c = view.ToPixel(n->Position);
  if (!SymbolInView(view, c)) return;
  switch (n->NodeType) {
    case kLight: {
      glColor3f(float(n->Color[0] / 255.0), float(n->Color[1] / 255.0), float(n->Color[2] / 255.0));
      Circle(c, kSymbolRadius - 1);
      const Directions& d = kDirections;
      for (int i = 0; i < 4; ++i)  // rays
        Segment({c.x + 6 * d.ray_cos[i], c.y + 6 * d.ray_sin[i]},
                {c.x + 9 * d.ray_cos[i], c.y + 9 * d.ray_sin[i]});
      return;
    }
    case kParticleSystem:
      glColor3f(0.8f, 0.3f, 0.8f);
      Segment({c.x, c.y - kSymbolRadius}, {c.x + kSymbolRadius, c.y});
      Segment({c.x + kSymbolRadius, c.y}, {c.x, c.y + kSymbolRadius});
      Segment({c.x, c.y + kSymbolRadius}, {c.x - kSymbolRadius, c.y});
      Segment({c.x - kSymbolRadius, c.y}, {c.x, c.y - kSymbolRadius});
      Cross(c, 2);
      return;
    case kActor: {
      glColor3f(0, 1, 0);
      Circle(c, kSymbolRadius);
      const double h = double(n->Heading) * kPi / 180.0;
      double dx, dy;
      if (ScreenDirection(view, n->Position, VectorSet(std::cos(h), 0, -std::sin(h)), &dx, &dy)) {
        glColor3f(0, 0.6f, 0);
        Segment(c, {c.x + dx * kHeadingLength, c.y + dy * kHeadingLength});
      }
      return;
    }
    case kCheckpoint:
      glColor3f(1, 1, 1);
      Circle(c, kSymbolRadius - 1);
      Cross(c, kSymbolRadius + 2);
      return;
    default:
      return;
  }
}

void ModelSymbol(const PlaneView& view, TSector* n) {
  double x0, y0, x1, y1;
  if (!ScreenBox(view, n, &x0, &y0, &x1, &y1)) return;
  const PixelPoint c{(x0 + x1) / 2, (y0 + y1) / 2};
  if (!SymbolInView(view, c)) return;
  glColor3f(1, 0.6f, 0.1f);
  Rect(c.x - 4, c.y - 4, c.x + 4, c.y + 4);
  Segment({c.x - 4, c.y - 4}, {c.x + 4, c.y + 4});
  Segment({c.x - 4, c.y + 4}, {c.x + 4, c.y - 4});
}

void Highlight(const PlaneView& view, TSector* n) {
  const std::vector<TVertex>& v = n->Vertices;
  switch (n->NodeType) {
    case kPolygon:
      if (v.size() < 4) return;
      glColor3f(0, 1, 0);
      for (auto [a, b] : {std::pair{0, 1}, {1, 3}, {3, 2}, {2, 0}})
        Segment(view.ToPixel(v[a].Position), view.ToPixel(v[b].Position));
      return;
    case kPortal:
      for (size_t i = 0; i < v.size() && v.size() >= 2; ++i) {
        if (i % 2 == 0)
          glColor3f(1, 1, 0);
        else
          glColor3f(0, 1, 0);
        Segment(view.ToPixel(v[i].Position), view.ToPixel(v[(i + 1) % v.size()].Position));
      }
      return;
    case kSector:
    case kModel: {
      double x0, y0, x1, y1;
      if (!ScreenBox(view, n, &x0, &y0, &x1, &y1)) return;
      glColor3f(1, 0, 0);
      Rect(x0, y0, x1, y1);
      return;
    }
    default: {
      const PixelPoint c = view.ToPixel(n->Position);
      glColor3f(1, 0, 0);
      Rect(c.x - kSelectionHalf, c.y - kSelectionHalf, c.x + kSelectionHalf, c.y + kSelectionHalf);
      return;
    }
  }
}

void Handles(const Editor& e, const PlaneView& view, const ViewOptions& o) {
  const std::vector<TSector*> nodes = HandleNodes(e, o);
  if (nodes.empty()) return;
  glBegin(GL_QUADS);
  for (TSector* n : nodes)
    for (const TVertex& v : n->Vertices) {
      if (v.Marked)
        glColor3f(1, 1, 0);
      else
        glColor3f(0, 1, 0);
      const PixelPoint c = view.ToPixel(v.Position);
      V(c.x - kHandleHalf, c.y - kHandleHalf);
      V(c.x + kHandleHalf, c.y - kHandleHalf);
      V(c.x + kHandleHalf, c.y + kHandleHalf);
      V(c.x - kHandleHalf, c.y + kHandleHalf);
    }
  glEnd();
}

void CameraMarker(const Editor& e, const PlaneView& view) {
  const PixelPoint c = view.ToPixel(e.CameraPosition);
  glColor3f(1, 0.9f, 0.2f);
  glBegin(GL_LINES);
  Circle(c, kCameraRadius);
  double dx, dy;
  if (ScreenDirection(view, e.CameraPosition, VectorSubtract(e.CameraTarget, e.CameraPosition), &dx, &dy)) {
    const PixelPoint tip{c.x + dx * kCameraArrow, c.y + dy * kCameraArrow};
    Segment({c.x + dx * kCameraRadius, c.y + dy * kCameraRadius}, tip);
    // The arrow head, 6 pixels back from the tip and 4 to each side.
    Segment(tip, {tip.x - 6 * dx - 4 * dy, tip.y - 6 * dy + 4 * dx});
    Segment(tip, {tip.x - 6 * dx + 4 * dy, tip.y - 6 * dy - 4 * dx});
  }
  glEnd();
}

// The fixed-function state the drawing expects, whatever the scene's drawing left.
void ResetState() {
  QOpenGLFunctions* f = QOpenGLContext::currentContext()->functions();
  f->glBindBuffer(GL_ARRAY_BUFFER, 0);
  for (GLenum unit : {GL_TEXTURE1, GL_TEXTURE0}) {
    f->glActiveTexture(unit);
    glDisable(GL_TEXTURE_2D);
  }
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LINE_STIPPLE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void LoadPixels(const PlaneView& view) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, view.Width(), view.Height(), 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace

void DrawPlaneFrame(Editor& e, const PlaneView& view, const ViewOptions& o, PlaneViewScene& scene,
                    const std::optional<PixelRect>& rubber_band, int device_width, int device_height,
                    PlaneStillPicture* kept) {
  ResetState();
  glViewport(0, 0, device_width, device_height);
  // Pixels for the grid, the view's own projection for the outlines, pixels again on top.
  LoadPixels(view);
  const std::optional<uint64_t> revision = kept ? scene.StillRevision(view, o) : std::nullopt;
  FrameCache::Key key;
  bool keep = false, reused = false;
  if (revision) {
    key = FrameCache::CurrentTarget(device_width, device_height);
    view.ViewCoordinateClipMatrix(key.modelview);
    const PlaneStillPicture::Still still{key, e.GridSize, o, *revision};
    keep = still.view == kept->last.view && kept->picture.Usable();
    if (!(still == kept->last)) ++kept->content;
    kept->last = still;
    key.content = kept->content;
    reused = keep && kept->picture.Restore(key);
  }
  if (!reused) {
    glClearColor(kPlaneBackground, kPlaneBackground, kPlaneBackground, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLineWidth(1);
    if (o.ShowGrid) DrawPlaneGrid(view, e.GridSize);
    scene.DrawStill(e, view, o);
    if (keep) kept->picture.Store(key);
  }
  if (kept) kept->reused = reused;
  scene.DrawMoving(e, view, o);
  ResetState();
  LoadPixels(view);
  DrawPlaneOverlay(e, view, o, rubber_band, scene.SymbolNodes());
}

void DrawPlaneGrid(const PlaneView& view, int32_t grid_size) {
  const PlaneGrid g = ComputePlaneGrid(view, grid_size);
  if (g.Empty()) return;
  const PlaneAxes& a = view.Axes();
  auto line_at = [&](int axis, double sign, int64_t k) {
    Vector p;
    AxisComponent(p, axis) = static_cast<float>(sign * double(k) * g.spacing);
    return view.ToPixel(p);
  };
  // Three passes, faint to strong, so that the stronger lines lie on top.
  for (int pass = 0; pass < 3; ++pass) {
    const float grey = pass == 0 ? 0.48f : pass == 1 ? 0.55f : 0.68f;
    glColor3f(grey, grey, grey);
    glBegin(GL_LINES);
    auto wanted = [&](int64_t k) {
      return pass == 0 ? !StrongGridLine(k) : pass == 1 ? StrongGridLine(k) && k != 0 : k == 0;
    };
    for (int64_t k = g.first_h; k <= g.last_h; ++k)
      if (wanted(k)) {
        const double x = std::floor(line_at(a.h, a.h_sign, k).x) + 0.5;
        V(x, 0);
        V(x, view.Height());
      }
    for (int64_t k = g.first_v; k <= g.last_v; ++k)
      if (wanted(k)) {
        const double y = std::floor(line_at(a.v, a.v_sign, k).y) + 0.5;
        V(0, y);
        V(view.Width(), y);
      }
    glEnd();
  }
}

void DrawPlaneOverlay(const Editor& e, const PlaneView& view, const ViewOptions& o,
                      const std::optional<PixelRect>& rubber_band, const std::vector<TSector*>* symbols) {
  glLineWidth(1);
  glBegin(GL_LINES);
  // The start position.
  glColor3f(0.25f, 0.45f, 1);
  const PixelPoint start = view.ToPixel(e.StartPosition);
  Cross(start, kStartCross);
  Circle(start, 3);
  auto symbol = [&](TSector* n) {
    if (IsPlanePointNode(n))
      Symbol(view, n);
    else if (n->NodeType == kModel && ShownInPlane(n, o))
      ModelSymbol(view, n);
  };
  if (symbols)
    for (TSector* n : *symbols) symbol(n);
  else
    e.Tree.Walk(symbol);
  glEnd();

  glLineWidth(2);
  glBegin(GL_LINES);
  std::unordered_set<const TSector*> seen;
  for (TSector* n : e.SelectionList)
    if (seen.insert(n).second && (n->NodeType == kSector || ShownInPlane(n, o))) Highlight(view, n);
  glEnd();
  Handles(e, view, o);
  CameraMarker(e, view);

  glLineWidth(1);
  if (rubber_band) {
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0xF0F0);
    glColor3f(1, 1, 1);
    glBegin(GL_LINES);
    Rect(rubber_band->x0 + 0.5, rubber_band->y0 + 0.5, rubber_band->x1 + 0.5, rubber_band->y1 + 0.5);
    glEnd();
    glDisable(GL_LINE_STIPPLE);
  }
}

}  // namespace qx

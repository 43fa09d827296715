#pragma once
// Draws the scene tree in OpenGL immediate mode: RenderFrame for the
// picture, DrawScene for both the picture and the selection pass of
// picking (it loads every element's pick name). Needs a current context.
// The reference the retained renderer is measured and tested against.

#include <QtGui/qopengl.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "render/gl_view.h"
#include "render/viewport_renderer.h"
#include "tools/camera.h"

struct GLUquadric;

namespace qx {

class SceneRenderer : public ViewportRenderer {
 public:
  SceneRenderer() = default;
  ~SceneRenderer() override;
  SceneRenderer(const SceneRenderer&) = delete;
  SceneRenderer& operator=(const SceneRenderer&) = delete;

  void InitOpenGL() override;
  void CreateSphereQuadric() override;
  void Release() override;  // deletes the quadric
  bool Ready() const override { return initialized_; }

  void SetupViewport(int w, int h) override;
  int ViewportWidth() const override { return width_; }
  int ViewportHeight() const override { return height_; }

  void RenderFrame(Editor& e, const ViewOptions& o) override;
  void DrawScene(Editor& e, const ViewOptions& o);
  uint32_t PickName(Editor& e, const ViewOptions& o, int x, int y) override;
  // The marker pass of DrawScene on its own, in selection mode when
  // `selecting` (the name stack set up by the caller), and there the start
  // marker after it as a pick draws it. GL's line width and culling are
  // taken as they are, as within DrawScene.
  void DrawMarkerPass(Editor& e, const ViewOptions& o, bool selecting);

  const GlMultitexture& Multitexture() const override { return mt_; }
  // Redundant state changes are skipped; switchable to measure the gain.
  void SetStateCache(bool on) { cache_enabled_ = on; }
  // Picking skips the drawing of nodes that lie far from the picked pixel
  // (their names are still loaded); switchable to compare.
  void SetPickCulling(bool on) { pick_culling_ = on; }

 private:
  void DrawNodes(Editor& e, const ViewOptions& o);
  void DrawMarkers(Editor& e, const ViewOptions& o);
  void DrawNode(Editor& e, const ViewOptions& o, TSector* n);
  bool OutsidePick(const Editor& e, const ViewOptions& o, TSector* n);
  void SkipMarkedInPick(const TSector* n);
  void DrawMarker(Editor& e, const ViewOptions& o, TSector* n);
  void DrawPolygon(const ViewOptions& o, TSector* n);
  void DrawModel(const ViewOptions& o, TSector* n);
  void DrawNormals(const TSector* n);
  void SetSurfaceState(const ViewOptions& o, const TSector* n);
  void DrawSurfaceVertex(const ViewOptions& o, const TSector* n, const TVertex& v);
  void DrawVertexSpheres(Editor& e, const TSector* n);
  void DrawGrid(const Editor& e);
  void DrawStartMarker(const Editor& e);
  void DrawDeferredPortals();
  void DrawCross(const Vector& c);
  void DrawSphere(const Vector& at, double radius, int slices, int stacks);
  void DrawBox(const Vector& min, const Vector& max);

  // GL state with a shadow copy, so a change that changes nothing is not sent.
  void ResetStateCache();
  void ActiveUnit(int unit);
  bool SelectGlUnit();
  void Texturing(bool on);          // on the active unit
  void BindTexture(uint32_t name);  // on the active unit
  void TexturingOffBothUnits();
  void Culling(bool on);
  void FrontFaceCCW();
  void PolygonMode(bool lines);
  void LineWidth(float w);
  void DepthTest(bool on);
  void LoadName(uint32_t name);

  GlMultitexture mt_;
  GLUquadric* quadric_ = nullptr;
  bool initialized_ = false;
  int width_ = 0, height_ = 0;
  CameraLookAt last_view_{{0, 80, 70}, {0, 36.7f, 20}, kCameraUp};
  bool selecting_ = false;
  std::vector<Vector> normal_ends_;
  std::vector<const TSector*> portals_;  // filled portals of the running frame, drawn after the rest
  double pick_clip_[16] = {};            // projection x model-view of the running pick

  bool cache_enabled_ = true;
  bool pick_culling_ = true;
  struct {
    int unit = -1;     // the unit the drawing has selected
    int gl_unit = -1;  // the unit GL has active
    int tex[2] = {-1, -1};
    int64_t bound[2] = {-1, -1};
    int cull = -1, front_ccw = -1, lines = -1, depth = -1;
    float line_width = -1;
  } s_;
};

}  // namespace qx

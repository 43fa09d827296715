#pragma once
// The viewport's renderer for real level sizes: the geometry of the scene
// lives in vertex buffers, one per chunk of the tree, drawn batch by batch
// (a few hundred draw calls a frame), lightmaps on atlas pages; sectors
// outside the view are not submitted. It keeps the fixed-function look of
// the immediate-mode renderer, which stays as its reference. The buffers
// follow the document: tree notifications and change sets rebuild only the
// chunks that changed, the nodes of a drag come from a small dynamic buffer,
// and selection rebuilds nothing (markers are drawn each frame on their own).
//
// Other views (plan and elevation views) can draw the same buffers with a
// projection of their own: load projection and model-view, then call
// DrawSectors with their product.

#include <memory>
#include <vector>

#include "render/frame_cache.h"
#include "render/frame_overlay.h"
#include "render/gl_view.h"
#include "render/lightmap_atlas.h"
#include "render/retained_scene.h"
#include "render/scene_renderer.h"

class QOpenGLFunctions_2_1;

namespace qx {

class RetainedGlState;

class RetainedRenderer : public ViewportRenderer {
 public:
  RetainedRenderer();
  ~RetainedRenderer() override;

  // Fails (Ready() false) when the context lacks the GL 2.1 entry points.
  void InitOpenGL() override;
  void CreateSphereQuadric() override;
  void Release() override;
  bool Ready() const override { return gl_ != nullptr; }

  void SetupViewport(int w, int h) override;
  int ViewportWidth() const override { return width_; }
  int ViewportHeight() const override { return height_; }

  void RenderFrame(Editor& e, const ViewOptions& o) override;
  uint32_t PickName(Editor& e, const ViewOptions& o, int x, int y) override;
  const GlMultitexture& Multitexture() const override { return reference_.Multitexture(); }

  void DocumentChanged(const ChangeSet& changes) override { scene_.DocumentChanged(changes); }
  void Detach() override { scene_.Attach(nullptr); }
  // Rebuilds everything at the next frame.
  void InvalidateAll() { scene_.InvalidateAll(); }
  // For a scene whose changes are not announced: every frame whose camera
  // stands still compares what each chunk was built from with the scene.
  // (Turning the camera changes no node; picks use what the last frame drew.)
  void SetVerifyEachFrame(bool on, bool count_in_process = false) {
    scene_.SetVerifyEachUpdate(on, count_in_process);
  }

  // How DrawSectors draws polygons and models.
  enum class SectorDrawMode {
    kAsViewport,  // as a frame of the viewport does, with the view options
    kOutline,     // their edges as lines in their vertex colour, untextured; the rest as in a frame
  };
  // Draws the retained geometry of the scene (no grid, markers or start
  // marker) with the projection and model-view the caller has loaded. `clip`
  // is their product (CurrentClipMatrix): cells wholly outside it are skipped.
  // Brings the buffers up to date first.
  void DrawSectors(Editor& e, const double clip[16], SectorDrawMode mode, const ViewOptions& o);

  // What the last frame did (tests and benchmarks).
  struct FrameStats {
    int draw_calls = 0;
    int cells_drawn = 0, cells_culled = 0;
    int chunks = 0;
    int triangles_skipped = 0;  // surfaces behind whose planes the eye is
  };
  const FrameStats& LastFrame() const { return stats_; }
  const RetainedScene& Scene() const { return scene_; }
  RetainedScene& Scene() { return scene_; }
  const AtlasLayout& Atlas() const { return atlas_; }
  // Whether frames leave out the surfaces of planes the eye is behind
  // (culling would drop them all); tests compare with drawing them.
  void SetSkipBehindPlanes(bool on) { skip_behind_enabled_ = on; }
  // Whether the last frame copied the static part from the frame cache.
  bool LastFrameReused() const { return reused_; }
  // Frames draw everything anew (tests compare with it; a context without
  // framebuffer blits does so anyway).
  // The kept picture stays for when it is turned on again.
  void SetFrameCacheEnabled(bool on) { cache_enabled_ = on; }
  // The largest side of an atlas page (tests use small pages).
  void SetAtlasPageSide(int side) { atlas_side_ = side; }

 private:
  // Which batches a pass over the chunks draws.
  enum class Layers { kAll, kAllButPortals, kPortals };

  void Prepare(Editor& e, bool check);
  void UpdateAtlas(Editor& e);
  // New texels of these lightmaps into their tiles.
  void PatchAtlas(Editor& e, const std::vector<uint32_t>& lightmaps);
  void Upload(Chunk& c);
  // The node pass of a frame over all chunks, or only the static ones or
  // only the dynamic one (for frames that keep the static part's picture);
  // returns the line width and culling it leaves behind.
  enum class ScenePart { kAll, kStatic, kDynamic };
  InheritedGlState DrawScene(const double clip[16], const ViewOptions& o, SectorDrawMode mode,
                             ScenePart part = ScenePart::kAll, Layers layers = Layers::kAll);
  // The filled portals of the cells the last DrawScene found visible, blended.
  void DrawPortals(const ViewOptions& o);
  // Whether nodes take line width and culling from those before them in
  // tree order (wireframe and outlines); sets the polygon mode they share.
  bool InheritsPassState(const ViewOptions& o, SectorDrawMode mode);
  // What the static part of a frame depends on besides camera and target.
  uint64_t StaticContentKey(const Editor& e, const ViewOptions& o) const;
  void DrawChunk(const Chunk& c, const ViewOptions& o, const std::vector<uint8_t>& visible,
                 const std::vector<InheritedGlState>* inherited, SectorDrawMode mode, Layers layers);
  void ApplyBatchState(const BatchKey& key, const ViewOptions& o, SectorDrawMode mode);
  void MultiDraw(Primitive p, const int32_t* firsts, const int32_t* counts, size_t n);
  void DrawGrid(const Editor& e);
  void DrawLightReaches(const Editor& e, const ViewOptions& o);
  void UploadOverlay(const FrameOverlay& overlay);
  void DrawOverlay(const FrameOverlay& overlay, size_t begin, size_t end);  // commands [begin, end)
  void ReleaseBuffers();

  // Picking (retained_pick.cpp).
  void PickNode(const ChunkEntry& entry, const Chunk& owner, const ViewOptions& o, InheritedGlState gl);
  void PickSphere(int mesh);
  bool IsPolygonVertex(uint32_t id) const;

  QOpenGLFunctions_2_1* gl_ = nullptr;
  SceneRenderer reference_;  // its marker pass names the markers of a pick
  RetainedScene scene_;
  std::unique_ptr<RetainedGlState> state_;
  int width_ = 0, height_ = 0;
  CameraLookAt last_view_{{0, 80, 70}, {0, 36.7f, 20}, kCameraUp};

  AtlasLayout atlas_;
  std::vector<uint32_t> atlas_pages_;  // GL texture names
  int atlas_side_ = 2048;
  FrameCache frame_cache_;
  uint64_t static_revision_ = 0;
  size_t static_chunks_ = 0;  // counts changes of the static chunks' buffers and the atlas

  uint32_t grid_buffer_ = 0;
  GridLayout grid_layout_;
  int grid_vertices_ = 0;
  uint32_t overlay_buffer_ = 0;
  uint32_t sphere_buffer_ = 0;                 // the node and heading spheres for picking, at the origin
  std::vector<std::vector<uint8_t>> visible_;  // per chunk, per cell
  std::vector<std::vector<InheritedGlState>> inherited_;  // per chunk, per entry
  // Polygon mode and culling as GL keeps them from frame to frame: nodes drawn
  // before the first polygon of a frame inherit them from the frame before.
  bool lines_mode_ = false;
  bool cache_enabled_ = true;
  // Leaving out surfaces the eye is behind: only in frames of this view,
  // whose eye is known, filled and culled.
  bool skip_behind_enabled_ = true, skip_behind_ = false, eye_known_ = false;
  Vector eye_;
  const Chunk* behind_chunk_ = nullptr;  // the chunk behind_ is for
  std::vector<uint8_t> behind_;          // per plane of that chunk
  std::vector<int32_t> firsts_, counts_;
  bool reused_ = false;
  bool cull_on_ = false;
  bool blending_portals_ = false;  // DrawPortals is running
  FrameStats stats_;
};

}  // namespace qx

#pragma once
// What the viewport needs of a renderer: frames, picks, the context's
// set-up. Two implement it: the retained renderer, which draws from buffers
// kept in step with the document, and the immediate-mode one, which walks
// the whole tree every frame and stays as the reference picture.

#include <cstdint>
#include <functional>

#include "document/editor.h"
#include "render/gl_multitexture.h"
#include "scene/change_set.h"
#include "tools/view_options.h"

namespace qx {

class ViewportRenderer {
 public:
  virtual ~ViewportRenderer() = default;

  // With the context current: the entry points, depth test; the quadric.
  virtual void InitOpenGL() = 0;
  virtual void CreateSphereQuadric() = 0;
  virtual void Release() = 0;  // the context must still be current
  virtual bool Ready() const = 0;

  // Viewport and projection for a panel of w x h pixels. A zero height
  // keeps the previous projection.
  virtual void SetupViewport(int w, int h) = 0;
  virtual int ViewportWidth() const = 0;
  virtual int ViewportHeight() const = 0;

  // One complete frame (the caller presents it).
  virtual void RenderFrame(Editor& e, const ViewOptions& o) = 0;
  // The name under client pixel (x, y), y downwards, by the hit rules of
  // ResolvePickHits; 0 for nothing, also for more than kPickMaxHits hits.
  virtual uint32_t PickName(Editor& e, const ViewOptions& o, int x, int y) = 0;

  // What a command changed in the document.
  virtual void DocumentChanged(const ChangeSet&) {}
  // The editor drawn last is about to go.
  virtual void Detach() {}

  virtual const GlMultitexture& Multitexture() const = 0;

  // TextureGLName: the GL name of the library texture at an index, 0 when none.
  std::function<uint32_t(int)> texture_name;
};

}  // namespace qx

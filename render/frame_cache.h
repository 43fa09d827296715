#pragma once
// The picture of a frame's unchanging part (clear colour, grid and the
// chunks that are not moving), colour and depth, kept in a framebuffer of
// its own. While the camera stands still and no static chunk changes, a
// frame copies it back instead of drawing the level again: a drag step or a
// new selection then costs the moving nodes and the markers, not the level.
// The copy is exact (same size, same formats, no filtering), so such a
// frame has the pixels a full one would have.

#include <cstdint>

class QOpenGLExtraFunctions;

namespace qx {

class FrameCache {
 public:
  // Everything the kept picture depends on; a frame may use it only when
  // its key is equal.
  struct Key {
    uint32_t target = 0;  // the framebuffer drawn into
    int width = 0, height = 0;
    double projection[16] = {}, modelview[16] = {};
    uint64_t content = 0;  // what the static chunks hold and how they are textured
    bool operator==(const Key&) const = default;
  };

  // `depth`: keep the depth buffer too. A picture that nothing is drawn
  // into with a depth test (the 2D views) keeps colour alone: on a software
  // rasterizer copying depth costs many times what copying colour does.
  explicit FrameCache(bool depth = true) : depth_wanted_(depth) {}
  ~FrameCache() = default;
  FrameCache(const FrameCache&) = delete;
  FrameCache& operator=(const FrameCache&) = delete;

  // The framebuffer bound for drawing now, with the GL state of the frame
  // set up: the key of this frame without its content.
  static Key CurrentTarget(int width, int height);

  // Copies the kept picture into the bound framebuffer when it was kept
  // under `key`; false (nothing done) otherwise. Without depth, the bound
  // framebuffer's depth is cleared.
  bool Restore(const Key& key);
  // Keeps the bound framebuffer's colour (and depth) under `key`. A context
  // that cannot copy exactly (no framebuffer blits, or formats that are not
  // found out) turns the cache off for good.
  void Store(const Key& key);
  // Forgets the picture (its GL objects stay for the next one).
  void Forget() { valid_ = false; }
  bool Usable() const { return usable_; }
  // Frees the GL objects (the context must be current); the next context
  // tries again.
  void Release();

 private:
  bool Allocate(const Key& key);
  uint32_t Buffers() const;  // the blit's mask

  QOpenGLExtraFunctions* gl_ = nullptr;
  bool depth_wanted_ = true;
  bool usable_ = true;
  bool valid_ = false;
  Key key_;
  uint32_t fbo_ = 0, colour_ = 0, depth_ = 0;
  int width_ = 0, height_ = 0, samples_ = 0;
  int colour_format_ = 0, depth_format_ = 0;
};

}  // namespace qx

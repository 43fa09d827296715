#pragma once
// A stand-in for the OpenGL texture uploader that hands out names 1, 2, 3...

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "textures/texture_library.h"

namespace qx::test {

class RecordingUploader : public TextureUploader {
 public:
  std::vector<RgbImage> uploads;
  std::vector<uint32_t> released;
  std::set<uint32_t> live;

  uint32_t Upload(const RgbImage& pixels) override {
    uploads.push_back(pixels);
    const auto name = static_cast<uint32_t>(uploads.size());
    live.insert(name);
    return name;
  }
  void Release(uint32_t name) override {
    released.push_back(name);
    live.erase(name);
  }
  size_t Live() const { return live.size(); }
};

}  // namespace qx::test

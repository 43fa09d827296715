// Every window of the GUI tests checks its retained buffers against the scene
// at every frame. A difference that no change set announced would be a stale
// picture in the product, where nothing verifies: it fails the run.

#include <gtest/gtest.h>

#include <cstdlib>

#include "render/retained_scene.h"

namespace {

class VerifyFrames : public ::testing::Environment {
 public:
  void SetUp() override { setenv("QX_VERIFY_FRAMES", "1", 1); }
  void TearDown() override {
    EXPECT_EQ(qx::RetainedScene::UnannouncedChangesInProcess(), 0u)
        << "a frame found buffers that differ from the scene without an announced change";
  }
};

const auto* const kVerifyFrames = ::testing::AddGlobalTestEnvironment(new VerifyFrames);

}  // namespace

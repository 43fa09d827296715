// Every window of the GUI tests checks its retained buffers against the scene
// at every frame. A difference that no change set announced would be a stale
// picture in the product, where nothing verifies. A test that edits records
// directly (setting up a scene) should announce those edits like a command
// does; each test that leaves any unannounced prints how many frames found one.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "render/retained_scene.h"

namespace {

class VerifyFrames : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    at_start_ = qx::RetainedScene::UnannouncedChangesInProcess();
  }
  void OnTestEnd(const ::testing::TestInfo& info) override {
    const size_t found = qx::RetainedScene::UnannouncedChangesInProcess() - at_start_;
    if (found == 0) return;
    std::fprintf(stderr, "[ unannounced ] %s.%s: %zu frame(s) found buffers that differ from the scene\n",
                 info.test_suite_name(), info.name(), found);
  }

 private:
  size_t at_start_ = 0;
};

struct Install {
  Install() {
    setenv("QX_VERIFY_FRAMES", "1", 1);
    ::testing::UnitTest::GetInstance()->listeners().Append(new VerifyFrames);
  }
};
const Install kInstall;

}  // namespace

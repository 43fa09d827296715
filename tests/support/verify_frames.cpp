// Every window of the GUI tests checks its retained buffers against the scene
// at every frame. A difference that no change set announced would be a stale
// picture in the product, where nothing verifies. A test that edits records
// directly (setting up a scene) announces those edits like a command does;
// a test that leaves any unannounced fails, saying how many frames found one.

#include <gtest/gtest.h>

#include <cstdlib>

#include "render/retained_scene.h"

namespace {

class VerifyFrames : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    at_start_ = qx::RetainedScene::UnannouncedChangesInProcess();
  }
  // Runs before the result printer's (gtest calls the end of a test on its
  // listeners in reverse), so the failure counts for the test that ends.
  void OnTestEnd(const ::testing::TestInfo&) override {
    const size_t found = qx::RetainedScene::UnannouncedChangesInProcess() - at_start_;
    EXPECT_EQ(found, 0u)
        << "frame(s) found retained buffers that differ from the scene: a change that no "
           "change set announced (a command, or the test's own set-up, edited records "
           "without Changed()/ChangedSubtree()/ChangedStartPosition() before PublishChanges)";
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

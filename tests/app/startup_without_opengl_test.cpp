// The editor starts and keeps running on a display without OpenGL.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <filesystem>

#include "support/qt_app.h"
#include "support/test_support.h"

namespace qx {
namespace {

TEST(StartupWithoutOpenGL, WindowComesUpWithoutAPicture) {
  test::EnsureApp();
  const std::filesystem::path editor = std::filesystem::path(QX_BINARY_DIR) / "quarvex";
  if (!std::filesystem::exists(editor)) GTEST_SKIP() << "the editor is not built";
  test::TempDir dir;
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_XCB_GL_INTEGRATION", "none");  // the X server offers no OpenGL to Qt
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.path().string()));
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QString::fromStdString(editor.string()), {});
  ASSERT_TRUE(p.waitForStarted(10000));
  // Long enough for the splash, the initialisation and the first paints.
  EXPECT_FALSE(p.waitForFinished(4000)) << p.readAll().toStdString();
  EXPECT_EQ(p.state(), QProcess::Running);
  p.terminate();
  p.waitForFinished(10000);
}

}  // namespace
}  // namespace qx

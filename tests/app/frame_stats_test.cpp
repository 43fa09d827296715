// The measuring mode of the editor, run as the user runs it: the printed
// line's form, the screenshot, the exit codes; and its command line.

#include "app/frame_stats.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "document/map_document_io.h"
#include "render/scene_builders.h"

namespace qx {
namespace {

struct ProcessResult {
  int exit_code = -1;
  QString out, err;
};

ProcessResult Quarvex(const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  QTemporaryDir config;
  env.insert("XDG_CONFIG_HOME", config.path());
  p.setProcessEnvironment(env);
  p.start(QString(QX_BINARY_DIR) + "/quarvex", args);
  ProcessResult r;
  if (!p.waitForFinished(180000)) return r;
  r.exit_code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

class FrameStatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Editor e;
    test::BuildMixedScene(e, 3);
    std::string error;
    ASSERT_TRUE(SaveMapDocument(e, level(), &error)) << error;
  }
  std::filesystem::path level() const {
    return std::filesystem::path(dir.path().toStdString()) / "mixed.qxm";
  }

  QTemporaryDir dir;
};

TEST_F(FrameStatsTest, PrintsOneLineOfMediansWithEitherRenderer) {
  const QRegularExpression line(R"(^frame median \d+\.\d\d ms, pick median \d+\.\d\d ms\n$)");
  const QString shot = dir.filePath("first.png");
  for (bool immediate : {false, true}) {
    QStringList args = {"--frame-stats", "--bake", "2x2", "--screenshot", shot};
    if (immediate) args << "--immediate";
    args << QString::fromStdString(level().string());
    const ProcessResult r = Quarvex(args);
    EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
    EXPECT_TRUE(line.match(r.out).hasMatch()) << r.out.toStdString();
    const QImage image(shot);
    EXPECT_EQ(image.size(), QSize(kFrameStatsWidth, kFrameStatsHeight));
    QFile::remove(shot);
  }
}

TEST_F(FrameStatsTest, AFileThatCannotBeOpenedEndsTheRunWithAMessage) {
  const ProcessResult missing = Quarvex({"--frame-stats", dir.filePath("gone.qxm")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_TRUE(missing.err.contains("Datei nicht gefunden!")) << missing.err.toStdString();
  EXPECT_TRUE(missing.out.isEmpty());
  QFile broken(dir.filePath("broken.qxm"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("QXM1 and then nothing useful");
  broken.close();
  const ProcessResult damaged = Quarvex({"--frame-stats", broken.fileName()});
  EXPECT_EQ(damaged.exit_code, 1);
  EXPECT_TRUE(damaged.err.contains("Ungültige Datei!")) << damaged.err.toStdString();
}

TEST(StartOptions, ParsesTheMeasuringModeAndRefusesWhatMakesNoSense) {
  const StartOptions o =
      ParseStartOptions({"--frame-stats", "--bake", "4x8", "a.tex", "--immediate", "b.qxm"});
  EXPECT_TRUE(o.error.isEmpty());
  EXPECT_TRUE(o.frame_stats);
  EXPECT_TRUE(o.immediate);
  ASSERT_TRUE(o.bake.has_value());
  EXPECT_EQ(o.bake->width, 4);
  EXPECT_EQ(o.bake->height, 8);
  EXPECT_EQ(o.files, QStringList({"a.tex", "b.qxm"}));
  EXPECT_TRUE(ParseStartOptions({"level.qxm"}).error.isEmpty());
  EXPECT_FALSE(ParseStartOptions({"--frame-stats", "--bake", "4"}).error.isEmpty());
  EXPECT_FALSE(ParseStartOptions({"--frame-stats", "--bake", "0x4"}).error.isEmpty());
  EXPECT_FALSE(ParseStartOptions({"--frame-stats", "--bake"}).error.isEmpty());
  // The editor itself bakes what it opens (scripts/run.sh); only the picture needs the measuring mode.
  EXPECT_TRUE(ParseStartOptions({"--bake", "4x4", "a.qxm"}).error.isEmpty());
  EXPECT_FALSE(ParseStartOptions({"--screenshot", "a.png", "a.qxm"}).error.isEmpty());
  EXPECT_FALSE(ParseStartOptions({"--fast"}).error.isEmpty());
}

}  // namespace
}  // namespace qx

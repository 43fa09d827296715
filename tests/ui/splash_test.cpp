#include "ui/splash.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "support/qt_app.h"

namespace qx {
namespace {

TEST(Splash, LooksAsDescribedAndRunsItsWorkOnceOnTheFirstTick) {
  test::EnsureApp();
  TInit splash;
  EXPECT_EQ(splash.size(), QSize(518, 128));
  EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(splash.cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(splash.Status(), "Initialize...");
  EXPECT_TRUE(splash.findChild<QLabel*>("Label2")->text().startsWith("v1.0.0"));
  EXPECT_EQ(splash.findChild<QLabel*>("Image1")->pixmap().size(), QSize(506, 45));
  EXPECT_EQ(splash.Timer1().interval(), 50);
  EXPECT_TRUE(splash.Timer1().isSingleShot());
  EXPECT_FALSE(splash.Timer1().isActive());  // enabled only when shown

  int runs = 0;
  QStringList seen;
  splash.on_init = [&](TInit& s) {
    ++runs;
    s.SetStatus("Initialisiere OpenGL...");
    seen << s.Status();
    if (const char* dir = std::getenv("QX_SHOT_DIR"); dir && *dir)
      s.grab().save(QString::fromStdString((std::filesystem::path(dir) / "splash.png").string()));
  };
  EXPECT_EQ(splash.exec(), QDialog::Accepted);  // closes itself after the work
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(seen, QStringList{"Initialisiere OpenGL..."});
}

}  // namespace
}  // namespace qx

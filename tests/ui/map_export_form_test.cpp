#include "ui/map_export_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/gui_actions.h"
#include "support/qt_app.h"

namespace qx {
namespace {

TEST(MapExportForm, StepsThroughPowersOfTwoFromFour) {
  EXPECT_EQ(TMapExportForm::StepValue(8, true), 16);
  EXPECT_EQ(TMapExportForm::StepValue(8, false), 4);
  EXPECT_EQ(TMapExportForm::StepValue(4, false), 4);
  EXPECT_EQ(TMapExportForm::StepValue(5, false), 4);  // 2 -> 4
  EXPECT_EQ(TMapExportForm::StepValue(9, false), 4);  // 4 stays 4
  EXPECT_EQ(TMapExportForm::StepValue(7, false), 4);  // 3 -> 4
  EXPECT_EQ(TMapExportForm::StepValue(40, false), 20);
  EXPECT_EQ(TMapExportForm::StepValue(2048, true), 4096);
  // Doubling stops where the baker's limit is instead of running into overflow.
  EXPECT_EQ(TMapExportForm::StepValue(4096, true), 4096);
  EXPECT_EQ(TMapExportForm::ParseValue("16"), 16);
  EXPECT_EQ(TMapExportForm::ParseValue("x"), 4);
  EXPECT_EQ(TMapExportForm::ParseValue(""), 4);
}

TEST(MapExportForm, ControlsAndModalUse) {
  test::EnsureApp();
  TMapExportForm form;
  EXPECT_EQ(form.windowTitle(), "MapExport");
  EXPECT_EQ(form.findChild<QLabel*>("Label1")->text(), "Lightmap X:");
  EXPECT_EQ(form.findChild<QLabel*>("Label2")->text(), "Lightmap Y:");
  QLineEdit* edit1 = form.findChild<QLineEdit*>("Edit1");
  QLineEdit* edit2 = form.findChild<QLineEdit*>("Edit2");
  ASSERT_TRUE(edit1 && edit2);
  EXPECT_TRUE(edit1->isReadOnly());
  EXPECT_TRUE(edit2->isReadOnly());
  EXPECT_EQ(edit1->text(), "8");
  EXPECT_EQ(edit2->text(), "8");
  EXPECT_EQ(form.findChild<QPushButton*>("LbSpeedButton1")->text(), "Ok");

  test::WhenModal("MapExportForm", [](QWidget* w) {
    QTest::mouseClick(w->findChild<QToolButton*>("UpDown1Up"), Qt::LeftButton);
    QTest::mouseClick(w->findChild<QToolButton*>("UpDown2Down"), Qt::LeftButton);
    QTest::mouseClick(w->findChild<QToolButton*>("UpDown2Down"), Qt::LeftButton);
    QTest::mouseClick(w->findChild<QPushButton*>("LbSpeedButton1"), Qt::LeftButton);
  });
  LightmapSize size = form.Ask();
  EXPECT_EQ(size.width, 16);
  EXPECT_EQ(size.height, 4);

  // The values stay for the next time; closing without "Ok" still gives them.
  test::WhenModal("MapExportForm", [](QWidget* w) {
    QTest::mouseClick(w->findChild<QToolButton*>("UpDown1Up"), Qt::LeftButton);
    w->close();
  });
  size = form.Ask();
  EXPECT_EQ(size.width, 32);
  EXPECT_EQ(size.height, 4);
}

}  // namespace
}  // namespace qx

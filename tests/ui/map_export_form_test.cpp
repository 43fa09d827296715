#include "ui/map_export_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <functional>

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
  EXPECT_EQ(edit1->text(), "8");
  EXPECT_EQ(edit2->text(), "8");
  EXPECT_EQ(form.findChild<QPushButton*>("LbSpeedButton1")->text(), "Ok");
  EXPECT_EQ(form.findChild<QPushButton*>("LbSpeedButton2")->text(), "Abbrechen");

  test::WhenModal("MapExportForm", [](QWidget* w) {
    QTest::mouseClick(w->findChild<QToolButton*>("UpDown1Up"), Qt::LeftButton);
    QTest::mouseClick(w->findChild<QToolButton*>("UpDown2Down"), Qt::LeftButton);
    QTest::mouseClick(w->findChild<QToolButton*>("UpDown2Down"), Qt::LeftButton);
    QTest::mouseClick(w->findChild<QPushButton*>("LbSpeedButton1"), Qt::LeftButton);
  });
  std::optional<LightmapSize> size = form.Ask();
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 16);
  EXPECT_EQ(size->height, 4);
}

TEST(MapExportForm, TypedSizesAreTakenAndEveryWayOutButOkCancels) {
  test::EnsureApp();
  TMapExportForm form;
  // Typed over the selected text of each field, then "Ok" (Enter in the
  // window's own dialog: the bake test).
  test::WhenModal("MapExportForm", [](QWidget* w) {
    auto* edit1 = w->findChild<QLineEdit*>("Edit1");
    QTest::mouseDClick(edit1, Qt::LeftButton);
    QTest::keyClicks(edit1, "24");
    auto* edit2 = w->findChild<QLineEdit*>("Edit2");
    QTest::mouseDClick(edit2, Qt::LeftButton);
    auto* ok = w->findChild<QPushButton*>("LbSpeedButton1");
    QTest::keyClicks(edit2, "99999");  // a fifth digit is refused; 9999 is too large to be taken
    EXPECT_EQ(edit2->text(), "9999");
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClick(edit2, Qt::Key_Backspace);
    EXPECT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    // A dialog left open would hang the test: close it whatever happened.
    if (w->isVisible()) w->close();
  });
  std::optional<LightmapSize> size = form.Ask();
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 24);
  EXPECT_EQ(size->height, 999);

  // An empty field or 0 cannot be taken: "Ok" is off until a size is there.
  test::WhenModal("MapExportForm", [](QWidget* w) {
    auto* edit1 = w->findChild<QLineEdit*>("Edit1");
    auto* ok = w->findChild<QPushButton*>("LbSpeedButton1");
    QTest::mouseDClick(edit1, Qt::LeftButton);
    QTest::keyClick(edit1, Qt::Key_Backspace);
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(edit1, "0");
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClick(edit1, Qt::Key_Backspace);
    QTest::keyClicks(edit1, "1");
    EXPECT_TRUE(ok->isEnabled());
    // The arrows keep doubling and halving, but never raise a small typed size.
    QTest::mouseClick(w->findChild<QToolButton*>("UpDown1Down"), Qt::LeftButton);
    EXPECT_EQ(edit1->text(), "1");
    QTest::mouseClick(w->findChild<QToolButton*>("UpDown1Up"), Qt::LeftButton);
    EXPECT_EQ(edit1->text(), "2");
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  size = form.Ask();
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 2);

  // Esc, "Abbrechen" and closing the window: nothing, and the values the dialog opened with.
  const std::vector<std::function<void(QWidget*)>> ways = {
      [](QWidget* w) { QTest::keyClick(w->findChild<QLineEdit*>("Edit1"), Qt::Key_Escape); },
      [](QWidget* w) { QTest::mouseClick(w->findChild<QPushButton*>("LbSpeedButton2"), Qt::LeftButton); },
      [](QWidget* w) { w->close(); }};
  for (size_t i = 0; i < ways.size(); ++i) {
    test::WhenModal("MapExportForm", [&ways, i](QWidget* w) {
      auto* edit1 = w->findChild<QLineEdit*>("Edit1");
      QTest::mouseDClick(edit1, Qt::LeftButton);
      QTest::keyClicks(edit1, "64");
      ways[i](w);
    });
    EXPECT_FALSE(form.Ask()) << i;
    EXPECT_EQ(form.Values().width, 2) << i;
    EXPECT_EQ(form.Values().height, 999) << i;
  }
}

}  // namespace
}  // namespace qx

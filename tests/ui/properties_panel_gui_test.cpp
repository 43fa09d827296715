#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "commands/insert.h"
#include "commands/selection.h"
#include "support/qt_app.h"
#include "support/test_support.h"
#include "ui/properties_panel.h"

namespace qx {
namespace {

struct PanelWidgetTest : ::testing::Test {
  Editor e;
  test::FakePrompts prompts;
  PropertiesPanel* panel;
  int focus_moves = 0;
  PanelWidgetTest() {
    test::EnsureApp();
    e.prompts = &prompts;
    e.NewScene();
    panel = new PropertiesPanel(e);
    panel->focus_viewport = [this] { ++focus_moves; };
    panel->resize(260, 420);
  }
  ~PanelWidgetTest() override { delete panel; }
  // Buttons take clicks on their indicator and text only, not anywhere in a wide row.
  static void ClickButton(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
  }
  template <typename W>
  W* Find(const char* name) {
    W* w = panel->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
};

TEST_F(PanelWidgetTest, PagesAndNames) {
  EXPECT_EQ(panel->objectName(), "SmallInfo");
  EXPECT_FALSE(panel->isVisible());
  ASSERT_EQ(panel->count(), 12);
  EXPECT_EQ(panel->tabText(5), "Partikelsystem");
  EXPECT_EQ(panel->tabText(10), "a");
  for (const char* name : {"CheckBox2", "CheckBox5", "CheckBox16", "RadioButton1", "RadioButton8", "Edit1",
                           "Edit9", "TrackBar3", "Panel9", "Label15", "Label10", "Label26"})
    EXPECT_NE(panel->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(Find<QCheckBox>("CheckBox8")->text(), "Frustum nicht berechnen");
  EXPECT_EQ(Find<QRadioButton>("RadioButton2")->text(), "gerichtetes Licht");
}

TEST_F(PanelWidgetTest, FillWritesNothingAndClicksWriteToThePageType) {
  TSector* s = InsertSector(e);
  TSector* l = InsertLight(e);
  l->Color[0] = 300;  // the track bar can only show 255
  l->Kind = 1;
  panel->ShowNode(l);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
  EXPECT_EQ(panel->currentIndex(), 3);
  EXPECT_EQ(Find<QLabel>("Label12")->text(), "Licht");
  EXPECT_EQ(Find<QSlider>("TrackBar1")->value(), 255);
  EXPECT_EQ(l->Color[0], 300);
  EXPECT_FALSE(Find<QLineEdit>("Edit9")->isEnabled());

  // A real click on "Punktlicht" writes the kind and enables the range edit.
  SelectInTree(e, l);
  TreeClick(e);
  ClickButton(Find<QRadioButton>("RadioButton1"));
  EXPECT_EQ(l->Kind, 0);
  EXPECT_TRUE(Find<QLineEdit>("Edit9")->isEnabled());

  // The red edit: 300 puts the track bar back, 200 moves it and the light.
  QLineEdit* red = Find<QLineEdit>("Edit4");
  red->setFocus();
  red->clear();
  QTest::keyClicks(red, "200");
  QTest::keyClick(red, Qt::Key_Return);
  EXPECT_EQ(Find<QSlider>("TrackBar1")->value(), 200);
  EXPECT_EQ(l->Color[0], 200);
  red->setText("300");
  QTest::keyClick(red, Qt::Key_Return);
  EXPECT_EQ(red->text(), "200");
  Find<QSlider>("TrackBar2")->setValue(10);
  EXPECT_EQ(l->Color[1], 10);
  EXPECT_EQ(Find<QLineEdit>("Edit5")->text(), "10");
  EXPECT_EQ(Find<QWidget>("Panel9")->property("colorValue").toUInt(), 200u + 10 * 256 + 255 * 65536);

  // Brightness: a bad number keeps the focus and changes nothing; a good one moves it.
  QLineEdit* bright = Find<QLineEdit>("Edit8");
  bright->setText("hell");
  QTest::keyClick(bright, Qt::Key_Return);
  EXPECT_EQ(prompts.warnings.back(), "'hell' ist kein gültiger Gleitkommawert");
  EXPECT_EQ(focus_moves, 0);
  bright->setText("55");
  QTest::keyClick(bright, Qt::Key_Return);
  EXPECT_EQ(l->Brightness, 55);
  EXPECT_EQ(focus_moves, 1);

  // The sector page's "Unsichtbar" leaves the light alone.
  e.SelectionList.push_back(s);
  panel->ShowNode(s);
  ClickButton(Find<QCheckBox>("CheckBox5"));
  EXPECT_EQ(s->Visible, 0);
  EXPECT_EQ(Find<QCheckBox>("CheckBox5")->isChecked(), true);
}

TEST_F(PanelWidgetTest, RadioGroupsShowNoneForUnknownValues) {
  InsertSector(e);
  TSector* l = InsertLight(e);
  panel->ShowNode(l);
  EXPECT_TRUE(Find<QRadioButton>("RadioButton1")->isChecked());
  l->Kind = 5;
  panel->ShowNode(l);
  EXPECT_FALSE(Find<QRadioButton>("RadioButton1")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("RadioButton2")->isChecked());
  TSector* a = InsertActor(e);
  a->ObjectType = 9;
  panel->ShowNode(a);
  EXPECT_EQ(panel->currentIndex(), 7);
  EXPECT_EQ(Find<QLineEdit>("Edit3")->text(), "9");
  EXPECT_EQ(Find<QLabel>("Label24")->text(), "Actor");
}

TEST_F(PanelWidgetTest, RefillsWhenAChangeSetNamesTheShownNodeAndOnlyThen) {
  e.AddDocumentListener(panel);
  InsertSector(e);
  TSector* l = InsertLight(e);
  TSector* other = InsertLight(e);
  panel->ShowNode(l);
  e.PublishChanges();
  auto* brightness = Find<QLineEdit>("Edit8");
  ASSERT_EQ(brightness->text(), "30");

  // Another node named, or none: the page stays as it is.
  l->Brightness = 70;
  e.Changed(other, kChangeOther);
  e.PublishChanges();
  EXPECT_EQ(brightness->text(), "30");
  // The shown node named: its fields are shown as they now are.
  e.Changed(l, kChangeOther);
  e.PublishChanges();
  EXPECT_EQ(brightness->text(), "70");
  EXPECT_EQ(panel->ShownNode(), l);

  // A name is announced by the tree's rename.
  e.Tree.Rename(l, "Fackel");
  e.PublishChanges();
  EXPECT_EQ(Find<QLabel>("Label12")->text(), "Fackel");

  // A removed node is forgotten, never shown again through a stale pointer.
  e.Tree.Remove(l);
  EXPECT_EQ(panel->ShownNode(), nullptr);
  panel->ShowNode(other);
  e.NewScene();
  EXPECT_EQ(panel->ShownNode(), nullptr);
  e.RemoveDocumentListener(panel);
}

TEST_F(PanelWidgetTest, EachControlIsOneStepAndATrackBarDragToo) {
  e.AddDocumentListener(panel);
  InsertSector(e);
  TSector* l = InsertLight(e);
  SelectInTree(e, l);
  TreeClick(e);
  panel->ShowNode(l);
  panel->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
  e.History.Clear();

  ClickButton(Find<QRadioButton>("RadioButton2"));
  EXPECT_EQ(e.History.UndoCount(), 1u);
  EXPECT_EQ(e.History.UndoName(), "Eigenschaften");

  QLineEdit* brightness = Find<QLineEdit>("Edit8");
  brightness->setText("80");
  QTest::keyClick(brightness, Qt::Key_Return);
  EXPECT_EQ(l->Brightness, 80);
  EXPECT_EQ(e.History.UndoCount(), 2u);
  brightness->setText("viel");  // refused: no step
  QTest::keyClick(brightness, Qt::Key_Return);
  EXPECT_EQ(e.History.UndoCount(), 2u);

  // Keys in a row on a track bar are one step; the next control is another.
  QSlider* green = Find<QSlider>("TrackBar2");
  green->setFocus();
  for (int i = 0; i < 5; ++i) QTest::keyClick(green, Qt::Key_Left);
  EXPECT_EQ(l->Color[1], 250);
  EXPECT_EQ(e.History.UndoCount(), 3u);
  ClickButton(Find<QCheckBox>("CheckBox2"));
  EXPECT_EQ(e.History.UndoCount(), 4u);
  ASSERT_TRUE(e.History.Undo());
  ASSERT_TRUE(e.History.Undo());
  EXPECT_EQ(e.Tree.First()->Children[0]->Color[1], 255);
  e.RemoveDocumentListener(panel);
}

}  // namespace
}  // namespace qx

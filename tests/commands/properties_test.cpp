#include "commands/properties.h"

#include <gtest/gtest.h>

#include "commands/insert.h"
#include "commands/selection.h"
#include "support/test_support.h"
#include "tests/commands/recording_view.h"

namespace qx {
namespace {

TEST(PanelPages, ByNodeType) {
  EXPECT_EQ(PageForNodeType(kSector), 1);
  EXPECT_EQ(PageForNodeType(kActor), 7);
  EXPECT_EQ(PageForNodeType(kCheckpoint), 11);
  EXPECT_EQ(PageForNodeType(7), 0);
  EXPECT_EQ(PageForNodeType(200), 0);
  EXPECT_STREQ(PageCaption(0), "Leer");
  EXPECT_STREQ(PageCaption(9), "a");
  EXPECT_STREQ(PageCaption(11), "Checkpoint");
  EXPECT_STREQ(PageTitleLabel(5), "Label6");
  EXPECT_EQ(PageTitleLabel(8), nullptr);
  EXPECT_EQ(NodeTypeOfPage(11), kCheckpoint);
  EXPECT_EQ(NodeTypeOfPage(9), -1);
  EXPECT_EQ(CheckBoxes().size(), 15u);
  EXPECT_STREQ(FindCheckBox("CheckBox16")->caption, "kein Schatten");
}

TEST(PanelNumbers, ParsingAndFormatting) {
  EXPECT_EQ(ParseInteger(" 12 "), 12);
  EXPECT_EQ(ParseInteger("+5"), 5);
  EXPECT_EQ(ParseInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInteger("2147483648"), std::nullopt);
  for (const char* bad : {"", " ", "12a", "1.5", "+-5", "++5", "0x10"})
    EXPECT_EQ(ParseInteger(bad), std::nullopt) << bad;
  EXPECT_EQ(ParseFloat("12,5"), 12.5f);
  EXPECT_EQ(ParseFloat("-0.25"), -0.25f);
  EXPECT_EQ(ParseFloat("1e3"), 1000.0f);
  for (const char* bad : {"", "abc", "inf", "nan", "1e999", "1e39", "1,2,3", "+-1", "1e"})
    EXPECT_EQ(ParseFloat(bad), std::nullopt) << bad;

  EXPECT_EQ(FormatFloat(20), "20");
  EXPECT_EQ(FormatFloat(-0.0), "0");
  EXPECT_EQ(FormatFloat(0.5), "0.5");
  EXPECT_EQ(FormatFloat(0.5, ','), "0,5");
  EXPECT_EQ(FormatFloat(36.7f), "36.7000007629395");
  EXPECT_EQ(FormatFloat(1e20), "1E20");
  EXPECT_EQ(FormatFloat(1.5e-7), "1.5E-7");

  EXPECT_EQ(ColorPreview("200", "10", "1"), 200u + 10 * 256 + 65536);
  EXPECT_EQ(ColorPreview("x", "300", "-4"), 255u * 256);  // no spill into the next channel
}

struct PanelTest : ::testing::Test {
  Editor e;
  test::FakePrompts prompts;
  test::RecordingView view;
  TSector* sector;
  PanelTest() {
    e.prompts = &prompts;
    view.Attach(e);
    e.NewScene();
    sector = InsertSector(e);
  }
  void Select(std::initializer_list<TSector*> nodes) {
    ClearSelection(e);
    for (TSector* n : nodes) e.SelectionList.push_back(n);
  }
};

TEST_F(PanelTest, FillShowsTheNode) {
  TSector* q = InsertSquare(e);
  q->LightingMode = 2;
  q->Visible = 0;
  q->Name = "H\xF6hle";  // Windows-1252 in the record, UTF-8 on the panel
  PanelContents c = FillPanel(*q);
  EXPECT_EQ(c.page, 2);
  EXPECT_EQ(c.title, "Höhle");
  EXPECT_FALSE(c.controls["RadioButton3"].checked);
  EXPECT_FALSE(c.controls["RadioButton4"].checked);
  EXPECT_TRUE(c.controls["RadioButton5"].checked);
  EXPECT_TRUE(c.controls["CheckBox3"].checked);
  EXPECT_EQ(c.controls.count("CheckBox5"), 0u);  // only the page's own controls

  TSector* l = InsertLight(e);
  l->Kind = 1;
  l->Brightness = 12.5f;  // halves to even
  l->Range = 13.5f;
  l->Color[0] = 300;
  l->Color[1] = 127.5f;
  c = FillPanel(*l);
  EXPECT_EQ(c.controls["Edit8"].text, "12");
  EXPECT_EQ(c.controls["Edit9"].text, "14");
  EXPECT_FALSE(c.controls["Edit9"].enabled);  // "gerichtetes Licht"
  EXPECT_TRUE(c.controls["RadioButton2"].checked);
  EXPECT_EQ(c.controls["TrackBar1"].position, 255);
  EXPECT_EQ(c.controls["Edit4"].text, "300");
  EXPECT_EQ(c.controls["Edit5"].text, "128");
  EXPECT_EQ(c.preview_color, 255u + 128 * 256 + 255 * 65536);
  EXPECT_EQ(l->Color[0], 300);  // filling writes nothing
  l->Kind = 7;
  c = FillPanel(*l);
  EXPECT_FALSE(c.controls["RadioButton1"].checked);
  EXPECT_FALSE(c.controls["RadioButton2"].checked);

  TSector* p = InsertPortal(e);
  EXPECT_EQ(FillPanel(*p).controls["Label15"].text, "<keiner>");
  sector->Name = "Halle";
  sector->Id = 7;
  p->LinkedSector = sector;
  p->IsLinked = 1;
  EXPECT_EQ(FillPanel(*p).controls["Label15"].text, "Halle (7)");

  TSector* a = InsertActor(e);
  a->Name = "Wache";
  a->ObjectType = 4;
  c = FillPanel(*a);
  EXPECT_EQ(c.title, "Wache");
  EXPECT_EQ(c.controls["Edit3"].text, "4");

  TSector* ps = InsertParticleSystem(e);
  ps->ParticleSpeed = 2.5f;
  c = FillPanel(*ps);
  EXPECT_EQ(c.controls["Edit2"].text, "2.5");
  EXPECT_FALSE(c.controls["Edit2"].enabled);

  TSector* m = e.CreateNode(sector, kModel);
  m->ColorKey = 1;
  EXPECT_TRUE(FillPanel(*m).controls["CheckBox12"].checked);
}

TEST_F(PanelTest, ShowNodePropertiesStatusBar) {
  TSector* a = InsertActor(e);
  view.status[1] = "vorher";
  ShowNodeProperties(e, a);
  EXPECT_EQ(view.status[0], std::to_string(a->Id));
  EXPECT_EQ(view.status[1], "vorher");  // actors keep panel 1
  e.VertexMode = true;
  TSector* q = InsertSquare(e);  // ends vertex mode
  e.VertexMode = true;
  view.status[1] = "vorher";
  ShowNodeProperties(e, q);  // no current vertex: panel 1 stays
  EXPECT_EQ(view.status[1], "vorher");
}

TEST_F(PanelTest, ControlsWriteOnlyToTheirPagesType) {
  e.CameraTarget = {0, 0, 0};
  TSector* q1 = InsertSquare(e);
  TSector* q2 = InsertSquare(e);
  Select({sector, q1, q2});
  CheckBoxClick(e, "CheckBox5", true);  // sector page "Unsichtbar"
  EXPECT_EQ(sector->Visible, 0);
  EXPECT_EQ(q1->Visible, 1);
  EXPECT_EQ(q2->Visible, 1);
  CheckBoxClick(e, "CheckBox7", true);
  EXPECT_EQ(sector->NoInsideTest, 1);
  EXPECT_EQ(sector->ImageIndex, 18);
  CheckBoxClick(e, "CheckBox16", true);
  EXPECT_EQ(q1->NoShadow, 1);
  EXPECT_EQ(q2->NoShadow, 1);

  const int redraws = view.redraws;
  RadioButtonClick(e, "RadioButton4", false);  // unchecked buttons write nothing
  EXPECT_EQ(q1->LightingMode, 0);
  RadioButtonClick(e, "RadioButton4", true);
  EXPECT_EQ(q2->LightingMode, 1);
  EXPECT_EQ(view.redraws, redraws + 1);
}

TEST_F(PanelTest, LightColourAndNumbers) {
  TSector* l1 = InsertLight(e);
  TSector* l2 = InsertLight(e);
  TSector* q = InsertSquare(e);
  Select({l1, q, l2});
  TrackBarChange(e, 0, 200);
  EXPECT_EQ(l1->Color[0], 200);
  EXPECT_EQ(l2->Color[0], 200);
  RadioButtonClick(e, "RadioButton2", true);
  EXPECT_EQ(l2->Kind, 1);

  EXPECT_EQ(Edit4Enter("300", 200).text, "200");
  EXPECT_FALSE(Edit4Enter("300", 200).position);
  EXPECT_EQ(Edit4Enter("17", 200).position, 17);
  const RedEditResult junk = Edit4Enter("rot", 200);
  EXPECT_FALSE(junk.position);
  EXPECT_FALSE(junk.text);

  EXPECT_EQ(EditEnter(e, "Edit8", "12,5"), EnterResult::kFocusViewport);
  EXPECT_EQ(l1->Brightness, 12.5f);
  EXPECT_EQ(EditEnter(e, "Edit9", "hell"), EnterResult::kStayInEdit);
  ASSERT_EQ(prompts.warnings.size(), 1u);
  EXPECT_EQ(prompts.warnings[0], "'hell' ist kein gültiger Gleitkommawert");
  EXPECT_EQ(l1->Range, 30);
  EXPECT_EQ(EditEnter(e, "Edit9", "1e999"), EnterResult::kStayInEdit);
  EXPECT_EQ(l2->Range, 30);
}

TEST_F(PanelTest, TypesAreStoredInEightBits) {
  TSector* a = InsertActor(e);
  TSector* c = InsertCheckpoint(e);
  Select({a, c});
  EXPECT_EQ(EditEnter(e, "Edit3", "260"), EnterResult::kFocusViewport);
  EXPECT_EQ(a->ObjectType, 4);
  EXPECT_EQ(c->ObjectType, 0);  // the actor page's edit leaves checkpoints alone
  EditEnter(e, "Edit7", "-1");
  EXPECT_EQ(c->ObjectType, 255);
  EXPECT_EQ(EditEnter(e, "Edit3", "4.5"), EnterResult::kStayInEdit);
  EXPECT_EQ(prompts.warnings.back(), "'4.5' ist kein gültiger Integerwert");
  EXPECT_EQ(a->ObjectType, 4);
  ClearSelection(e);
  EXPECT_EQ(EditEnter(e, "Edit1", "3"), EnterResult::kFocusViewport);  // empty list: only the focus moves
}

}  // namespace
}  // namespace qx

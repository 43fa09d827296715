#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "app/gui_actions.h"
#include "app/main_window.h"
#include "commands/insert.h"
#include "commands/selection.h"
#include "support/qt_app.h"
#include "support/test_support.h"
#include "ui/properties_panel.h"
#include "ui/scene_tree_model.h"
#include "ui/texture_browser.h"

namespace qx {
namespace {

class TreeWiringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApp();
    w = std::make_unique<TMain>(QString::fromStdString((dir / "Editor.conf").string()));
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Initialized(); }, 10000));
    e().prompts = &prompts;
  }
  void TearDown() override {
    e().prompts = nullptr;
    w.reset();
  }
  Editor& e() { return w->editor(); }
  void Trigger(const char* name) {
    QAction* a = w->Action(name);
    ASSERT_NE(a, nullptr) << name;
    ASSERT_TRUE(a->isEnabled()) << name;
    a->trigger();
  }
  // A sector with one square, as the insert commands make them.
  TSector* Room() {
    TSector* s = InsertSector(e());
    // A square of 80 x 80 about the origin: set after the sector's frame,
    // which puts the look-at point where the camera looks.
    e().CameraTarget = {};
    InsertSquare(e());
    return s;
  }
  QRect RowRect(TSector* node) { return w->Tree()->visualRect(w->TreeModel()->IndexOf(node)); }

  test::TempDir dir;
  test::FakePrompts prompts;
  std::unique_ptr<TMain> w;
};

TEST_F(TreeWiringTest, ClipboardDeleteRenameAndMarking) {
  TSector* a = Room();
  TSector* b = Room();
  SelectInTree(e(), a);
  TreeClick(e());
  Trigger("Kopieren1");
  SelectInTree(e(), b);
  Trigger("Einfgen1");
  ASSERT_EQ(b->Children.size(), 2u);
  TSector* copy = b->Children[1].get();
  EXPECT_EQ(copy->NodeType, kSector);
  EXPECT_EQ(w->Tree()->currentIndex(), w->TreeModel()->IndexOf(copy));
  EXPECT_EQ(w->TreeModel()->rowCount(w->TreeModel()->IndexOf(copy)), 1);

  // The context menu's entries do the same.
  SelectInTree(e(), b->Children[0].get());
  Trigger("Einfgen3");
  EXPECT_EQ(b->Children.size(), 3u);

  prompts.text_answers = {std::string("Küche")};
  SelectInTree(e(), copy);
  QTest::keyClick(w->Tree(), Qt::Key_F2);
  EXPECT_EQ(w->TreeModel()->data(w->TreeModel()->IndexOf(copy), Qt::DisplayRole).toString(), "Küche");

  Trigger("ToolButton6");  // the copy's parent
  EXPECT_EQ(e().SelectionList, std::vector<TSector*>{b});
  Trigger("ToolButton7");
  EXPECT_EQ(e().SelectionList, std::vector<TSector*>{b->Children[0].get()});

  e().SelectionList = {copy};
  prompts.confirm_answers = {true};
  QTest::keyClick(w->Tree(), Qt::Key_Delete);
  EXPECT_EQ(prompts.confirmations.back(), "Wircklich löschen?");
  EXPECT_EQ(b->Children.size(), 2u);
  EXPECT_EQ(w->TreeModel()->rowCount(w->TreeModel()->IndexOf(b)), 2);
}

// A room copied and pasted with the keys lands beside itself; the tree takes
// Ctrl- and Shift-clicks into the selection and shows every selected row; a
// deleted node leaves the panel.
TEST_F(TreeWiringTest, PasteBesideCtrlShiftRowsAndNoStalePanel) {
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QTreeView* tree = w->Tree();
  TSector* a = Room();
  TSector* b = Room();
  auto click_row = [&](TSector* n, Qt::KeyboardModifiers m = {}) {
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, m, RowRect(n).center());
  };
  auto row_selected = [&](TSector* n) {
    return tree->selectionModel()->isSelected(w->TreeModel()->IndexOf(n));
  };
  click_row(a);
  ASSERT_EQ(e().SelectionList, std::vector<TSector*>{a});
  QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(tree, Qt::Key_V, Qt::ControlModifier);
  ASSERT_EQ(e().Tree.TopLevel().size(), 3u) << "the copy goes beside the room, at the top level";
  EXPECT_TRUE(prompts.warnings.empty());
  TSector* copy = e().Tree.TopLevel()[1].get();
  EXPECT_EQ(copy->NodeType, kSector);
  EXPECT_EQ(copy->Children.size(), a->Children.size());

  // Ctrl adds a row, Shift extends to a band; the list follows, each node once.
  click_row(a);
  click_row(b, Qt::ControlModifier);
  EXPECT_EQ(e().SelectionList, (std::vector<TSector*>{b, a}));  // the clicked row first
  EXPECT_TRUE(a->Marked && b->Marked);
  click_row(a);
  click_row(b, Qt::ShiftModifier);
  EXPECT_EQ(e().SelectionList.size(), 3u);
  EXPECT_TRUE(row_selected(copy));
  // A selection made elsewhere shows as highlighted rows too.
  ClearSelection(e());
  AddToSelection(e(), a);
  AddToSelection(e(), b->Children[0].get());
  e().Redraw();
  EXPECT_TRUE(row_selected(a));
  EXPECT_FALSE(row_selected(b));

  // Deleting the room the panel shows leaves the panel empty, not editable.
  click_row(copy);
  auto* panel = w->findChild<PropertiesPanel*>();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->ShownNode(), copy);
  prompts.confirm_answers = {true};
  QTest::keyClick(tree, Qt::Key_Delete);
  EXPECT_EQ(e().Tree.TopLevel().size(), 2u);
  EXPECT_EQ(panel->ShownNode(), nullptr);
  EXPECT_FALSE(panel->isEnabled());
  // Undo brings the room back; the panel shows what is selected then.
  Trigger("Rckgngig1");
  ASSERT_EQ(e().Tree.TopLevel().size(), 3u);
  EXPECT_EQ(panel->ShownNode(), e().SelectionList.empty() ? nullptr : e().SelectionList.front());

  // Without a current node a paste goes to the top level.
  tree->setCurrentIndex({});
  e().TreeSelection = nullptr;
  QTest::keyClick(tree, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e().Tree.TopLevel().size(), 4u);
}

TEST_F(TreeWiringTest, TurnAndTextureCoordinateCommands) {
  Room();
  TSector* quad = e().SelectionList.at(0);
  ASSERT_EQ(quad->NodeType, kPolygon);
  const Vector p0 = quad->Vertices[0].Position;
  e().AxisLock = AxisLock::kZ;
  Trigger("ToolButton18");  // "Objekt rotieren um 90°"
  const Vector c = quad->Centroid;
  EXPECT_FLOAT_EQ(quad->Vertices[0].Position.x - c.x, p0.y - c.y);
  EXPECT_FLOAT_EQ(quad->Vertices[0].Position.y - c.y, -(p0.x - c.x));
  Trigger("Polygonum180drehen1");
  Trigger("Polygonum90drehen1");
  EXPECT_EQ(quad->Vertices[0].Position, p0);  // 90 + 180 + 90

  Trigger("ToolButton19");  // the tool button mirrors like the menu entry
  EXPECT_EQ(quad->Vertices[0].TexCoord[0], 0);
  EXPECT_EQ(quad->Vertices[1].TexCoord[0], 1);
  Trigger("Texturkoordinatenspiegeln1");
  Trigger("ToolButton23");
  EXPECT_EQ(quad->Vertices[0].TexCoord[0], 0);
  EXPECT_EQ(quad->Vertices[0].TexCoord[1], 1);
  Trigger("Texturkoordinatendrehenum901");
  Trigger("TexturkoordinatenaufBasis1");
  // The square snapped to 80 units a side: one repeat per 60.
  EXPECT_FLOAT_EQ(quad->Vertices[3].TexCoord[0], 80.0f / 60.0f);
  EXPECT_FLOAT_EQ(quad->Vertices[3].TexCoord[1], 80.0f / 60.0f);
}

TEST_F(TreeWiringTest, DroppingASectorOnAPortalLinksItAndDroppingMovesNodes) {
  TSector* a = Room();
  TSector* portal = InsertPortal(e());
  TSector* b = Room();
  b->Name = "Halle";
  TSector* quad_b = b->Children[0].get();
  QTreeView* tree = w->Tree();
  tree->expandAll();
  QWidget* vp = tree->viewport();

  // Real drags with the mouse.
  auto drag = [&](TSector* from, TSector* to) {
    test::DragWithMouse(vp, RowRect(from).center(), RowRect(to).center());
  };

  drag(b, portal);
  EXPECT_EQ(portal->LinkedSector, b);
  EXPECT_EQ(portal->IsLinked, 1);
  EXPECT_EQ(portal->LinkedSectorId, b->Id);
  EXPECT_EQ(portal->Name, "Halle");
  EXPECT_EQ(b->Parent, nullptr);
  EXPECT_EQ(tree->model()->data(w->TreeModel()->IndexOf(portal)).toString(), "Halle");

  drag(quad_b, a);  // into sector a, as its last child
  EXPECT_EQ(quad_b->Parent, a);
  EXPECT_EQ(a->Children.back().get(), quad_b);
  EXPECT_EQ(b->Children.size(), 0u);

  drag(a, quad_b);  // never into its own subtree
  EXPECT_EQ(a->Parent, nullptr);
  EXPECT_EQ(quad_b->Parent, a);
}

TEST_F(TreeWiringTest, TexturePageHoldsTheBrowser) {
  auto* browser = w->TexturePage()->findChild<TextureBrowser*>();
  ASSERT_NE(browser, nullptr);
  EXPECT_NE(browser->findChild<QPushButton*>("LbSpeedButton7"), nullptr);
  EXPECT_NE(browser->findChild<QWidget*>("CurBox"), nullptr);
}

}  // namespace
}  // namespace qx

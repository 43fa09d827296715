#include "ui/scene_tree_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QSignalSpy>
#include <QTreeView>

#include "commands/insert.h"
#include "commands/selection.h"
#include "commands/transform.h"
#include "commands/tree_edit.h"
#include "document/editor.h"
#include "support/qt_app.h"
#include "support/scene_samples.h"
#include "support/test_support.h"

namespace qx {
namespace {

TEST(SceneTreeModel, FollowsEveryChangeOfTheTree) {
  test::EnsureApp();
  Editor e;
  SceneTreeModel model(e.Tree);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

  TSector* a = e.CreateNode(nullptr, kSector);
  TSector* b = e.CreateNode(nullptr, kSector);
  TSector* quad = e.CreateNode(a, kPolygon);
  TSector* light = e.CreateNode(a, kLight);
  ASSERT_EQ(model.rowCount(), 2);
  const QModelIndex ia = model.index(0, 0);
  EXPECT_EQ(SceneTreeModel::NodeOf(ia), a);
  EXPECT_EQ(model.rowCount(ia), 2);
  EXPECT_EQ(model.data(model.index(0, 0, ia), Qt::DisplayRole).toString(), "Viereck");
  EXPECT_EQ(model.parent(model.index(1, 0, ia)), ia);
  EXPECT_EQ(model.IndexOf(light).row(), 1);

  e.Tree.Rename(quad,
                "K\xe4"
                "fig");  // Windows-1252 in the record, UTF-8 on screen
  EXPECT_EQ(model.data(model.IndexOf(quad), Qt::DisplayRole).toString(), QString::fromUtf8("Käfig"));
  EXPECT_FALSE(model.data(model.IndexOf(quad), Qt::DecorationRole).value<QIcon>().isNull());

  ASSERT_TRUE(e.Tree.Move(light, b));
  EXPECT_EQ(model.rowCount(model.IndexOf(b)), 1);
  ASSERT_TRUE(e.Tree.Move(light, a, quad));  // back, before the quad
  EXPECT_EQ(SceneTreeModel::NodeOf(model.index(0, 0, ia)), light);
  ASSERT_TRUE(e.Tree.Move(light, a));  // to the end of its own parent
  EXPECT_EQ(SceneTreeModel::NodeOf(model.index(1, 0, ia)), light);
  ASSERT_TRUE(e.Tree.Move(light, a, quad));
  ASSERT_TRUE(e.Tree.Move(light, a, quad));  // onto its own place: nothing changes
  EXPECT_EQ(SceneTreeModel::NodeOf(model.index(0, 0, ia)), light);

  e.Tree.Remove(a);
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(SceneTreeModel::NodeOf(model.index(0, 0)), b);
  e.NewScene();
  EXPECT_EQ(model.rowCount(), 0);
}

// Undo and redo change the tree row by row: a view keeps the rows it has
// expanded (a reset would fold them all).
TEST(SceneTreeModel, ATreeViewKeepsItsExpandedRowsThroughUndoAndRedo) {
  test::EnsureApp();
  test::FakePrompts prompts;
  Editor e;
  e.prompts = &prompts;
  SceneTreeModel model(e.Tree);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QTreeView view;
  view.setModel(&model);
  view.show();

  TSector* a = test::AddSector(e, nullptr, "A");
  TSector* sub = test::AddSector(e, a, "A1");
  test::AddQuad(e, sub, {0, 0, 0});
  TSector* light = test::AddLight(e, a, {0, 0, 40});
  TSector* b = test::AddSector(e, nullptr, "B");
  TSector* quad_b = test::AddQuad(e, b, {0, 100, 0});
  test::AddSector(e, nullptr, "C");  // stays folded
  e.History.Commit();
  e.History.Clear();
  for (TSector* n : {a, sub, b}) view.expand(model.IndexOf(n));
  auto folds = [&] {
    std::vector<bool> open;
    for (const auto& top : e.Tree.TopLevel()) {
      open.push_back(view.isExpanded(model.IndexOf(top.get())));
      for (const auto& child : top->Children)
        if (child->NodeType == kSector) open.push_back(view.isExpanded(model.IndexOf(child.get())));
    }
    return open;
  };
  const std::vector<bool> start = folds();
  ASSERT_EQ(start, (std::vector<bool>{true, true, true, false}));
  auto click = [&](TSector* n) {
    SelectInTree(e, n);
    TreeClick(e);
  };

  click(sub);
  e.History.Run("Quadrat", [&] { InsertSquare(e); });
  click(quad_b);
  e.History.Run("Löschen", [&] { DeleteSelection(e); });
  click(light);
  e.History.Run("Ziehen", [&] { TreeDragDrop(e, b); });
  click(a);
  prompts.text_answers.push_back("Halle");
  e.History.Run("Umbenennen", [&] { RenameTreeSelection(e); });
  e.History.Run("Bewegen", [&] { MoveSubtree(a, AxisLock::kX, 20); });
  const std::vector<bool> end = folds();

  std::vector<std::vector<bool>> seen;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(e.History.Undo());
    seen.push_back(folds());
  }
  EXPECT_EQ(folds(), start);
  EXPECT_EQ(model.data(model.IndexOf(a), Qt::DisplayRole).toString(), "A");
  EXPECT_EQ(model.rowCount(model.IndexOf(b)), 1);
  EXPECT_EQ(model.rowCount(model.IndexOf(sub)), 1);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(e.History.Redo());
  EXPECT_EQ(folds(), end);
  EXPECT_EQ(model.data(model.IndexOf(a), Qt::DisplayRole).toString(), "Halle");
  EXPECT_EQ(model.rowCount(model.IndexOf(b)), 1);  // the light; its quad is gone
  EXPECT_EQ(model.rowCount(model.IndexOf(sub)), 2);
  for (const std::vector<bool>& f : seen) EXPECT_EQ(f, start);
}

TEST(SceneTreeModel, FieldChangesKeepTheRowsAndOnlyAReplacedDocumentResetsThem) {
  test::EnsureApp();
  Editor e;
  SceneTreeModel model(e.Tree);
  e.AddDocumentListener(&model);
  TSector* a = e.CreateNode(nullptr, kSector);
  TSector* quad = e.CreateNode(a, kPolygon);
  e.PublishChanges();
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy data(&model, &QAbstractItemModel::dataChanged);

  quad->Visible = 0;
  e.Changed(quad, kChangeAppearance | kChangeGeometry);
  e.PublishChanges();
  EXPECT_EQ(resets.count(), 0);
  EXPECT_EQ(data.count(), 0);

  // A new document whose tree was reset resets once, not twice.
  e.NewScene();
  EXPECT_EQ(resets.count(), 1);
  // One announced without a reset of the tree (the tree was empty and stays so) resets too.
  e.Replaced();
  e.PublishChanges();
  EXPECT_EQ(resets.count(), 2);
  e.RemoveDocumentListener(&model);
}

}  // namespace
}  // namespace qx

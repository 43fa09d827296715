#include "ui/scene_tree_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QIcon>

#include "edit/editor.h"
#include "support/qt_app.h"

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

}  // namespace
}  // namespace qx

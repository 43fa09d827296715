#pragma once
// The scene tree as a Qt item model: a thin view of SceneTree that follows
// its change notifications. Each index's internal pointer is its record.
// Field changes leave the rows alone, so expanded rows stay expanded.

#include <QAbstractItemModel>

#include "scene/change_set.h"
#include "scene/scene_tree.h"

namespace qx {

class SceneTreeModel : public QAbstractItemModel, public DocumentListener, private TreeListener {
  Q_OBJECT
 public:
  explicit SceneTreeModel(SceneTree& tree, QObject* parent = nullptr);
  ~SceneTreeModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Every node can be dragged and dropped on; what a drop does is the tree's
  // TreeDragDrop, not the model's.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  static TSector* NodeOf(const QModelIndex& index);
  QModelIndex IndexOf(const TSector* node) const;

  // Rows follow the tree's structure notifications as they happen; a
  // replaced document that came without a reset of the tree resets the rows.
  void DocumentChanged(const ChangeSet& changes) override;

 private:
  void BeforeInsert(TSector* parent, int row) override;
  void AfterInsert(TSector* node) override;
  void BeforeRemove(TSector* node) override;
  void AfterRemove(TSector* parent, int row) override;
  void BeforeMove(TSector* node, TSector* new_parent, int new_row) override;
  void AfterMove(TSector* node) override;
  void NodeChanged(TSector* node) override;
  void BeforeReset() override;
  void AfterReset() override;

  SceneTree& tree_;
  bool moving_ = false;      // a move Qt accepted as a row move (else a reset)
  bool reset_seen_ = false;  // the tree was reset since the last change set
};

}  // namespace qx

#include "ui/scene_tree_model.h"

#include "scene/cp1252.h"
#include "ui/image_list.h"

namespace qx {

SceneTreeModel::SceneTreeModel(SceneTree& tree, QObject* parent) : QAbstractItemModel(parent), tree_(tree) {
  tree_.AddListener(this);
}

SceneTreeModel::~SceneTreeModel() {
  tree_.RemoveListener(this);
}

TSector* SceneTreeModel::NodeOf(const QModelIndex& index) {
  return index.isValid() ? static_cast<TSector*>(index.internalPointer()) : nullptr;
}

QModelIndex SceneTreeModel::IndexOf(const TSector* node) const {
  if (!node) return {};
  const int row = tree_.IndexOf(node);
  if (row < 0) return {};
  return createIndex(row, 0, const_cast<TSector*>(node));
}

QModelIndex SceneTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const auto& children = tree_.ChildrenOf(NodeOf(parent));
  if (static_cast<size_t>(row) >= children.size()) return {};
  return createIndex(row, 0, children[row].get());
}

QModelIndex SceneTreeModel::parent(const QModelIndex& child) const {
  const TSector* n = NodeOf(child);
  return n ? IndexOf(n->Parent) : QModelIndex();
}

int SceneTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return static_cast<int>(tree_.ChildrenOf(NodeOf(parent)).size());
}

int SceneTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant SceneTreeModel::data(const QModelIndex& index, int role) const {
  const TSector* n = NodeOf(index);
  if (!n) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return QString::fromStdString(Cp1252ToUtf8(n->Name));
    case Qt::DecorationRole:
      return ImageListIcon(n->ImageIndex);
    default:
      return {};
  }
}

Qt::ItemFlags SceneTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return QAbstractItemModel::flags(index) | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

void SceneTreeModel::BeforeInsert(TSector* parent, int row) {
  beginInsertRows(IndexOf(parent), row, row);
}

void SceneTreeModel::AfterInsert(TSector*) {
  endInsertRows();
}

void SceneTreeModel::BeforeRemove(TSector* node) {
  const int row = tree_.IndexOf(node);
  beginRemoveRows(IndexOf(node->Parent), row, row);
}

void SceneTreeModel::AfterRemove(TSector*, int) {
  endRemoveRows();
}

void SceneTreeModel::BeforeMove(TSector* node, TSector* new_parent, int new_row) {
  const int row = tree_.IndexOf(node);
  moving_ = beginMoveRows(IndexOf(node->Parent), row, row, IndexOf(new_parent), new_row);
  // Qt refuses a move onto the node's own place; the tree then changes
  // nothing visible, but a reset keeps the view right whatever happens.
  if (!moving_) beginResetModel();
}

void SceneTreeModel::AfterMove(TSector*) {
  if (moving_)
    endMoveRows();
  else
    endResetModel();
  moving_ = false;
}

void SceneTreeModel::NodeChanged(TSector* node) {
  const QModelIndex i = IndexOf(node);
  if (i.isValid()) emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole, Qt::DecorationRole});
}

void SceneTreeModel::BeforeReset() {
  beginResetModel();
}

void SceneTreeModel::AfterReset() {
  endResetModel();
  reset_seen_ = true;
}

void SceneTreeModel::DocumentChanged(const ChangeSet& changes) {
  if (changes.replaced && !reset_seen_) {
    beginResetModel();
    endResetModel();
  }
  reset_seen_ = false;
}

}  // namespace qx

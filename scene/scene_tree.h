#pragma once
// The scene tree owns every record. Views follow it through TreeListener;
// the Before/After pairs match what an item model needs around a change.

#include <functional>
#include <memory>
#include <vector>

#include "scene/node.h"

namespace qx {

class TreeListener {
 public:
  virtual ~TreeListener() = default;
  virtual void BeforeInsert(TSector* /*parent*/, int /*row*/) {}
  virtual void AfterInsert(TSector* /*node*/) {}
  virtual void BeforeRemove(TSector* /*node*/) {}
  virtual void AfterRemove(TSector* /*parent*/, int /*row*/) {}
  virtual void BeforeMove(TSector* /*node*/, TSector* /*new_parent*/, int /*new_row*/) {}
  virtual void AfterMove(TSector* /*node*/) {}
  virtual void NodeChanged(TSector* /*node*/) {}  // name or icon
  // A portal whose sector is being removed: it leads nowhere now.
  virtual void LinkForgotten(TSector* /*portal*/) {}
  virtual void BeforeReset() {}
  virtual void AfterReset() {}
  // The tree is being destroyed: a listener that outlives it must not call it again.
  virtual void TreeGone() {}
};

class SceneTree {
 public:
  SceneTree() = default;
  SceneTree(const SceneTree&) = delete;
  SceneTree& operator=(const SceneTree&) = delete;
  ~SceneTree();

  // Structure.
  TSector* AddChild(TSector* parent, std::unique_ptr<TSector> node);  // last child; null parent: top level
  TSector* InsertBefore(TSector* sibling, std::unique_ptr<TSector> node);
  // Moves node (with its subtree) to be the last child of new_parent (null:
  // top level), or before `before` when given. Refuses (returns false) a move
  // into the node's own subtree.
  bool Move(TSector* node, TSector* new_parent, TSector* before = nullptr);
  void Remove(TSector* node);  // the node and its subtree end here
  void Clear();
  // Takes every top-level node of `other` (which ends empty) as top-level nodes
  // of this tree, replacing whatever this tree held. One reset notification.
  void ReplaceWith(SceneTree& other);
  // Detaches a subtree without destroying it (the caller owns it then).
  std::unique_ptr<TSector> Take(TSector* node);

  // Navigation.
  const std::vector<std::unique_ptr<TSector>>& TopLevel() const { return top_; }
  const std::vector<std::unique_ptr<TSector>>& ChildrenOf(const TSector* parent) const;
  TSector* First() const { return top_.empty() ? nullptr : top_.front().get(); }
  TSector* FirstChild(const TSector* node) const;
  TSector* NextSibling(const TSector* node) const;
  TSector* PrevSibling(const TSector* node) const;
  int IndexOf(const TSector* node) const;  // row among its siblings
  bool IsAncestorOrSelf(const TSector* ancestor, const TSector* node) const;
  bool Contains(const TSector* node) const;  // is this record in the tree?
  bool Empty() const { return top_.empty(); }
  size_t Count() const;

  // Depth-first pre-order.
  void Walk(const std::function<void(TSector*)>& visit) const;
  static void WalkSubtree(TSector* node, const std::function<void(TSector*)>& visit);
  std::vector<TSector*> InOrder() const;

  // Name or icon changed by a command: tells the listeners.
  void Rename(TSector* node, std::string name);
  void SetIcon(TSector* node, int image_index);
  void NotifyChanged(TSector* node);

  void AddListener(TreeListener* l);
  void RemoveListener(TreeListener* l);

 private:
  std::vector<std::unique_ptr<TSector>>& SiblingsOf(const TSector* node);
  void ForgetLinksInto(TSector* removed);

  std::vector<std::unique_ptr<TSector>> top_;
  std::vector<TreeListener*> listeners_;
};

void UpdateSectorIcon(SceneTree& tree, TSector* sector);

}  // namespace qx

#include "scene/scene_tree.h"

#include <algorithm>
#include <unordered_set>

namespace qx {

SceneTree::~SceneTree() {
  // Destroy iteratively deep trees would otherwise recurse once per level.
  Clear();
  const std::vector<TreeListener*> listeners = listeners_;
  for (auto* l : listeners) l->TreeGone();
}

std::vector<std::unique_ptr<TSector>>& SceneTree::SiblingsOf(const TSector* node) {
  return node->Parent ? node->Parent->Children : top_;
}

const std::vector<std::unique_ptr<TSector>>& SceneTree::ChildrenOf(const TSector* parent) const {
  return parent ? parent->Children : top_;
}

int SceneTree::IndexOf(const TSector* node) const {
  const auto& sib = node->Parent ? node->Parent->Children : top_;
  for (size_t i = 0; i < sib.size(); ++i)
    if (sib[i].get() == node) return static_cast<int>(i);
  return -1;
}

TSector* SceneTree::FirstChild(const TSector* node) const {
  return node->Children.empty() ? nullptr : node->Children.front().get();
}

TSector* SceneTree::NextSibling(const TSector* node) const {
  const auto& sib = node->Parent ? node->Parent->Children : top_;
  const int i = IndexOf(node);
  return (i >= 0 && i + 1 < static_cast<int>(sib.size())) ? sib[i + 1].get() : nullptr;
}

TSector* SceneTree::PrevSibling(const TSector* node) const {
  const auto& sib = node->Parent ? node->Parent->Children : top_;
  const int i = IndexOf(node);
  return i > 0 ? sib[i - 1].get() : nullptr;
}

bool SceneTree::IsAncestorOrSelf(const TSector* ancestor, const TSector* node) const {
  for (const TSector* n = node; n; n = n->Parent)
    if (n == ancestor) return true;
  return false;
}

bool SceneTree::Contains(const TSector* node) const {
  if (!node) return false;
  const TSector* top = node;
  while (top->Parent) top = top->Parent;
  for (const auto& t : top_)
    if (t.get() == top) return true;
  return false;
}

size_t SceneTree::Count() const {
  size_t n = 0;
  Walk([&](TSector*) { ++n; });
  return n;
}

void SceneTree::WalkSubtree(TSector* node, const std::function<void(TSector*)>& visit) {
  // Explicit stack: documents may nest deeper than the call stack allows.
  std::vector<TSector*> stack{node};
  while (!stack.empty()) {
    TSector* n = stack.back();
    stack.pop_back();
    visit(n);
    for (auto it = n->Children.rbegin(); it != n->Children.rend(); ++it) stack.push_back(it->get());
  }
}

void SceneTree::Walk(const std::function<void(TSector*)>& visit) const {
  for (const auto& t : top_) WalkSubtree(t.get(), visit);
}

std::vector<TSector*> SceneTree::InOrder() const {
  std::vector<TSector*> out;
  Walk([&](TSector* n) { out.push_back(n); });
  return out;
}

TSector* SceneTree::AddChild(TSector* parent, std::unique_ptr<TSector> node) {
  auto& sib = parent ? parent->Children : top_;
  for (auto* l : listeners_) l->BeforeInsert(parent, static_cast<int>(sib.size()));
  node->Parent = parent;
  TSector* raw = node.get();
  sib.push_back(std::move(node));
  for (auto* l : listeners_) l->AfterInsert(raw);
  return raw;
}

TSector* SceneTree::InsertBefore(TSector* sibling, std::unique_ptr<TSector> node) {
  auto& sib = SiblingsOf(sibling);
  const int row = IndexOf(sibling);
  for (auto* l : listeners_) l->BeforeInsert(sibling->Parent, row);
  node->Parent = sibling->Parent;
  TSector* raw = node.get();
  sib.insert(sib.begin() + row, std::move(node));
  for (auto* l : listeners_) l->AfterInsert(raw);
  return raw;
}

bool SceneTree::Move(TSector* node, TSector* new_parent, TSector* before) {
  if (new_parent && IsAncestorOrSelf(node, new_parent)) return false;
  if (before && (before == node || before->Parent != new_parent)) return false;
  auto& from = SiblingsOf(node);
  const int from_row = IndexOf(node);
  auto& to = new_parent ? new_parent->Children : top_;
  int to_row = before ? IndexOf(before) : static_cast<int>(to.size());
  for (auto* l : listeners_) l->BeforeMove(node, new_parent, to_row);
  std::unique_ptr<TSector> owned = std::move(from[from_row]);
  from.erase(from.begin() + from_row);
  if (&from == &to && from_row < to_row) --to_row;
  owned->Parent = new_parent;
  to.insert(to.begin() + to_row, std::move(owned));
  for (auto* l : listeners_) l->AfterMove(node);
  return true;
}

void SceneTree::ForgetLinksInto(TSector* removed) {
  std::unordered_set<const TSector*> gone;
  WalkSubtree(removed, [&](TSector* n) { gone.insert(n); });
  Walk([&](TSector* n) {
    if (n->LinkedSector && gone.count(n->LinkedSector) && !gone.count(n)) {
      n->LinkedSector = nullptr;
      n->IsLinked = 0;  // the id stays, so the link can be found again by id
      for (auto* l : listeners_) l->LinkForgotten(n);
    }
  });
}

std::unique_ptr<TSector> SceneTree::Take(TSector* node) {
  ForgetLinksInto(node);
  for (auto* l : listeners_) l->BeforeRemove(node);
  TSector* parent = node->Parent;
  auto& sib = SiblingsOf(node);
  const int row = IndexOf(node);
  std::unique_ptr<TSector> owned = std::move(sib[row]);
  sib.erase(sib.begin() + row);
  owned->Parent = nullptr;
  for (auto* l : listeners_) l->AfterRemove(parent, row);
  return owned;
}

namespace {
// Releases a subtree without one stack frame per level.
void DestroyIteratively(std::unique_ptr<TSector> root) {
  std::vector<std::unique_ptr<TSector>> pending;
  pending.push_back(std::move(root));
  while (!pending.empty()) {
    std::unique_ptr<TSector> n = std::move(pending.back());
    pending.pop_back();
    for (auto& c : n->Children) pending.push_back(std::move(c));
    n->Children.clear();
  }
}
}  // namespace

void SceneTree::Remove(TSector* node) {
  DestroyIteratively(Take(node));
}

void SceneTree::Clear() {
  for (auto* l : listeners_) l->BeforeReset();
  auto old = std::move(top_);
  top_.clear();
  for (auto& t : old) DestroyIteratively(std::move(t));
  for (auto* l : listeners_) l->AfterReset();
}

void SceneTree::ReplaceWith(SceneTree& other) {
  for (auto* l : listeners_) l->BeforeReset();
  auto old = std::move(top_);
  top_ = std::move(other.top_);
  other.top_.clear();
  for (auto& t : top_) t->Parent = nullptr;
  for (auto& t : old) DestroyIteratively(std::move(t));
  for (auto* l : listeners_) l->AfterReset();
}

void SceneTree::Rename(TSector* node, std::string name) {
  node->Name = std::move(name);
  NotifyChanged(node);
}

void SceneTree::SetIcon(TSector* node, int image_index) {
  node->ImageIndex = image_index;
  NotifyChanged(node);
}

void SceneTree::NotifyChanged(TSector* node) {
  for (auto* l : listeners_) l->NodeChanged(node);
}

void SceneTree::AddListener(TreeListener* l) {
  listeners_.push_back(l);
}

void SceneTree::RemoveListener(TreeListener* l) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), l), listeners_.end());
}

void UpdateSectorIcon(SceneTree& tree, TSector* sector) {
  tree.SetIcon(sector, sector->NoInsideTest == 1 ? kIconSectorNoInsideTest : kIconSector);
}

}  // namespace qx

// Hooks of the main window for tree editing, clipboard, polygon and texture-coordinate operations, texture
// browser and models. (The sector files of the tree's context menu are wired with the documents.)

#include <QAction>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "commands/duplicate.h"
#include "commands/flip_face.h"
#include "commands/model_insert.h"
#include "commands/polygon_ops.h"
#include "commands/tree_edit.h"
#include "ui/scene_tree_model.h"
#include "ui/texture_browser.h"

namespace qx {

namespace {

// Drag and drop inside the tree: every drop is accepted (TreeDragOver), and a
// drop on a node runs TreeDragDrop with the dragged node, the tree's current one.
class TreeDropHandler : public QObject {
 public:
  TreeDropHandler(TMain& main, QTreeView* tree) : QObject(tree), main_(main), tree_(tree) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(event);
        if (e->source() != tree_) return false;  // only nodes of this tree
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return true;
      }
      case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        if (e->source() != tree_) return false;
        const QModelIndex index = tree_->indexAt(e->position().toPoint());
        UndoStack::Step step(main_.editor().History, "Ziehen");
        // Below the last row there is no node: the dragged one goes to the top level.
        if (index.isValid())
          TreeDragDrop(main_.editor(), SceneTreeModel::NodeOf(index));
        else
          TreeDropOnEmptyArea(main_.editor());
        // The view must not remove the dragged rows itself: the scene tree moved them.
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return true;
      }
      default:
        return false;
    }
  }

 private:
  TMain& main_;
  QTreeView* tree_;
};

}  // namespace

void TMain::WireTreeEditing() {
  Editor& e = editor_;
  for (const char* name : {"Kopieren1", "Kopieren2"}) Wire(Action(name), [&e] { CopySelection(e); });
  for (const char* name : {"Einfgen1", "Einfgen3"}) Wire(Action(name), [&e] { PasteClipboard(e); });
  for (const char* name : {"Lschen1", "Lschen2"}) Wire(Action(name), [&e] { DeleteSelection(e); });
  Wire(Action("Umbenennen1"), [&e] { RenameTreeSelection(e); });
  for (const char* name : {"Duplizieren1", "Duplizieren2"})
    Wire(Action(name), [&e] { DuplicateSelection(e); });
  for (const char* name : {"Flcheumdrehen1", "Flcheumdrehen2"})
    Wire(Action(name), [&e] { FlipSelectedFaces(e); });
  Wire(Action("ToolButton6"), [&e] { SelectParentObject(e); });
  Wire(Action("ToolButton7"), [&e] { SelectFirstChildObject(e); });

  // The turning commands read their angle from the item that was clicked.
  for (const char* name : {"Polygonum90drehen1", "Polygonum180drehen1", "ToolButton18"}) {
    QAction* a = Action(name);
    Wire(a, [&e, a] { TurnSelectedObjects(e, a->data().toInt()); });
  }
  for (const char* name : {"Texturkoordinatendrehenum901", "ToolButton23"})
    Wire(Action(name), [&e] { RotateSelectedTexCoords(e); });
  // The tool button runs the menu command: a button that does nothing helps nobody.
  for (const char* name : {"Texturkoordinatenspiegeln1", "ToolButton19"})
    Wire(Action(name), [&e] { MirrorSelectedTexCoords(e); });
  Wire(Action("TexturkoordinatenaufBasis1"), [&e] { TexCoordsFromBasis(e); });

  Wire(Action("Model1"), [&e] { InsertModel(e); });

  tree_->setDragEnabled(true);
  tree_->setAcceptDrops(true);
  tree_->setDropIndicatorShown(true);
  tree_->setDragDropMode(QAbstractItemView::DragDrop);
  tree_->setDefaultDropAction(Qt::CopyAction);
  tree_->viewport()->installEventFilter(new TreeDropHandler(*this, tree_));

  auto* browser = new TextureBrowser(editor_, texture_page_);
  texture_page_->layout()->setContentsMargins(0, 0, 0, 0);
  texture_page_->layout()->addWidget(browser);
}

}  // namespace qx

// "Vier Ansichten": the viewport area split into the 3D view and the plan and
// elevation views "Oben", "Vorne" and "Seite", their splitters kept in the
// settings, and the views' context menu with the insert commands.
//
// Layout (the views' axes line up across the splitters):
//   Oben  | 3D
//   ------+------
//   Vorne | Seite

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/main_window.h"
#include "render/plane_view_widget.h"
#include "render/viewport_panel.h"
#include "ui/image_list.h"

namespace qx {

namespace {

QSplitter* NewSplitter(Qt::Orientation o, const char* name) {
  auto* s = new QSplitter(o);
  s->setObjectName(name);
  s->setChildrenCollapsible(false);
  s->setHandleWidth(3);
  return s;
}

// Splits the splitter's length in the proportion a : b.
void Split(QSplitter* s, const std::array<int, 2>& v) {
  const int length = (s->orientation() == Qt::Horizontal ? s->width() : s->height()) - s->handleWidth();
  const int sum = std::max(1, v[0] + v[1]);
  if (length <= 0) return s->setSizes({v[0], v[1]});
  const int first = static_cast<int>(std::lround(double(length) * v[0] / sum));
  s->setSizes({first, length - first});
}

}  // namespace

QWidget* TMain::BuildViewArea(bool with_gl) {
  if (!with_gl) return nullptr;
  view_rows_ = NewSplitter(Qt::Vertical, "SplitterRows");
  view_top_ = NewSplitter(Qt::Horizontal, "SplitterTop");
  view_bottom_ = NewSplitter(Qt::Horizontal, "SplitterBottom");
  const PlaneKind kinds[3] = {PlaneKind::kTop, PlaneKind::kFront, PlaneKind::kSide};
  for (int i = 0; i < 3; ++i) {
    planes_[i] = new PlaneViewWidget(editor_, kinds[i]);
    planes_[i]->view_options = [this] { return CurrentViewOptions(); };
    planes_[i]->context_menu = [this](const QPoint& global, const Vector& at) {
      plane_insert_point_ = at;
      plane_menu_->popup(global);
    };
  }
  view_top_->addWidget(planes_[0]);
  view_top_->addWidget(viewport_);
  view_bottom_->addWidget(planes_[1]);
  view_bottom_->addWidget(planes_[2]);
  view_rows_->addWidget(view_top_);
  view_rows_->addWidget(view_bottom_);
  // The columns of both rows move together, so the four views meet at one cross.
  connect(view_top_, &QSplitter::splitterMoved, this, [this] {
    if (!layout_.FourViews) return;
    view_bottom_->setSizes(view_top_->sizes());
    layout_.Columns = {view_top_->sizes()[0], view_top_->sizes()[1]};
  });
  connect(view_bottom_, &QSplitter::splitterMoved, this, [this] {
    if (!layout_.FourViews) return;
    view_top_->setSizes(view_bottom_->sizes());
    layout_.Columns = {view_bottom_->sizes()[0], view_bottom_->sizes()[1]};
  });
  connect(view_rows_, &QSplitter::splitterMoved, this, [this] {
    if (layout_.FourViews) layout_.Rows = {view_rows_->sizes()[0], view_rows_->sizes()[1]};
  });
  ShowViewLayout();
  return view_rows_;
}

void TMain::WireViews() {
  // The check item at the end of "&Ansicht".
  if (QMenu* view = menuBar()->findChild<QMenu*>("Ansicht1")) {
    view->addSeparator();
    QAction* four = AddAction(view, "VierAnsichten1", "Vier Ansichten");
    four->setCheckable(true);
    four->setChecked(false);
    Wire(four, [this] { VierAnsichten1Click(); });
  }

  plane_menu_ = new QMenu(this);
  plane_menu_->setObjectName("PlaneMenu");
  const struct {
    const char* name;
    InsertKind kind;
    int icon;
  } items[] = {
      {"PlaneSektor", InsertKind::kSector, kIconSector},
      {"PlaneQuadrat", InsertKind::kSquare, kIconPolygon},
      {"PlanePortal", InsertKind::kPortal, kIconPortal},
      {"PlaneLichtquelle", InsertKind::kLight, kIconLight},
      {"PlanePartikelsystem", InsertKind::kParticleSystem, kIconParticleSystem},
      {"PlaneActor", InsertKind::kActor, kIconActor},
      {"PlaneCheckpoint", InsertKind::kCheckpoint, kIconCheckpoint},
      {"PlaneModel", InsertKind::kModel, kIconModel},
  };
  for (const auto& item : items) {
    QAction* a = AddAction(plane_menu_, item.name, InsertCaption(item.kind), item.icon);
    a->setEnabled(true);
    // Its own undo step: InsertAt opens it.
    connect(a, &QAction::triggered, this,
            [this, kind = item.kind] { InsertAt(editor_, kind, plane_insert_point_); });
  }
}

void TMain::VierAnsichten1Click() {
  layout_.FourViews = Action("VierAnsichten1")->isChecked();
  ShowViewLayout();
  Redraw();
}

void TMain::ShowViewLayout() {
  if (QAction* four = Action("VierAnsichten1")) four->setChecked(layout_.FourViews);
  if (!view_rows_) return;
  planes_[0]->setVisible(layout_.FourViews);
  view_bottom_->setVisible(layout_.FourViews);
  if (!layout_.FourViews) return;
  ApplySplit();
  // Once the splitters that were hidden have their length.
  QTimer::singleShot(0, this, [this] { ApplySplit(); });
}

void TMain::ApplySplit() {
  if (!view_rows_ || !layout_.FourViews) return;
  Split(view_top_, layout_.Columns);
  Split(view_bottom_, layout_.Columns);
  Split(view_rows_, layout_.Rows);
}

void TMain::ReadLayoutSettings() {
  if (!settings_) return;
  layout_ = ReadViewLayout(*settings_);
  ShowViewLayout();
}

void TMain::WriteLayoutSettings() {
  if (settings_) WriteViewLayout(*settings_, layout_);
}

PlaneViewWidget* TMain::PlaneViewOf(PlaneKind kind) const {
  for (PlaneViewWidget* p : planes_)
    if (p && p->Kind() == kind) return p;
  return nullptr;
}

void TMain::UpdatePlaneViews() {
  for (PlaneViewWidget* p : planes_)
    if (p && p->isVisible()) p->update();
}

void TMain::FramePlaneViews() {
  for (PlaneViewWidget* p : planes_)
    if (p) p->FrameSelection();
}

void TMain::ReleasePlaneViews() {
  // They hold the editor: they go before it does.
  for (PlaneViewWidget*& p : planes_) {
    delete p;
    p = nullptr;
  }
}

}  // namespace qx

// "Level prüfen": the dock "Prüfung" with the live findings, its menu item
// and tool button, and the count in the status bar.

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/main_window.h"
#include "commands/level_fixes.h"
#include "ui/check_panel.h"
#include "ui/image_list.h"

namespace qx {

void TMain::WireCheck() {
  check_dock_ = new QDockWidget("Prüfung", this);
  check_dock_->setObjectName("CheckDock");
  check_panel_ = new CheckPanel(editor_, check_dock_);
  check_dock_->setWidget(check_panel_);
  addDockWidget(Qt::BottomDockWidgetArea, check_dock_);
  check_dock_->hide();

  check_count_ = new QLabel(statusBar());
  check_count_->setObjectName("CheckCount");
  statusBar()->addPermanentWidget(check_count_);
  check_count_->hide();

  // One action for the menu item and the tool button: both show the dock.
  auto* view = menuBar()->findChild<QMenu*>("Ansicht1");
  QAction* show = AddAction(view, "Levelprfen1", "Level prüfen", kImageMarkers);
  show->setCheckable(true);
  show->setToolTip("Level prüfen");
  tool_bar_->addAction(show);
  if (QWidget* w = tool_bar_->widgetForAction(show)) w->setObjectName("ToolButtonCheck");
  Wire(show, [this, show] {
    const bool first = show->isChecked() && !check_shown_once_;
    check_dock_->setVisible(show->isChecked());
    // A few rows high at first: the views keep most of the window.
    if (first) resizeDocks({check_dock_}, {150}, Qt::Vertical);
    check_shown_once_ = check_shown_once_ || first;
  });
  connect(check_dock_, &QDockWidget::visibilityChanged, this, [this, show](bool) {
    // Hidden behind another tab of a dock area it still counts as open.
    const bool open = !check_dock_->isHidden();
    show->setChecked(open);
    check_panel_->SetActive(open);
    check_count_->setVisible(open);
  });

  check_panel_->on_count = [this](int errors, int warnings) {
    check_count_->setText(QString("Prüfung: %1 Fehler, %2 %3")
                              .arg(errors)
                              .arg(warnings)
                              .arg(warnings == 1 ? "Warnung" : "Warnungen"));
  };
  check_panel_->on_activate = [this](const Finding& f) {
    if (editor_.History.Busy() || !SelectFinding(editor_, f)) return;
    Action("Auswahlzeigen1")->trigger();  // frames the 3D view and every 2D view
  };
  check_panel_->on_bake = [this] { Action("ToolButton9")->trigger(); };
}

void TMain::ReleaseCheckPanel() {
  // The panel's checker follows the document: it goes before the document does.
  delete check_dock_;
  check_dock_ = nullptr;
  check_panel_ = nullptr;
}

}  // namespace qx

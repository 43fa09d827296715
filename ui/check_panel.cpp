#include "ui/check_panel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "commands/level_fixes.h"
#include "document/editor.h"

namespace qx {

CheckPanel::CheckPanel(Editor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor), checker_(std::make_unique<LevelChecker>(editor)) {
  setObjectName("CheckPanel");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  list_ = new QTreeWidget(this);
  list_->setObjectName("CheckList");
  list_->setColumnCount(2);
  list_->setHeaderLabels({"Art", "Befund"});
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  column->addWidget(list_, 1);

  auto* row = new QHBoxLayout;
  auto button = [&](const char* name, const char* caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    row->addWidget(b);
    return b;
  };
  fix_ = button("CheckFix", "Beheben");
  fix_all_ = button("CheckFixAll", "Alle beheben");
  hide_ = button("CheckHide", "Ausblenden");
  show_hidden_ = button("CheckShowHidden", "Ausgeblendete zeigen");
  show_hidden_->setCheckable(true);
  row->addStretch(1);
  column->addLayout(row);

  // Edits only note what changed; the check runs when the event loop is free.
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  timer_->setInterval(0);
  connect(timer_, &QTimer::timeout, this, [this] { Refresh(); });
  checker_->on_pending = [this] {
    if (!timer_->isActive()) timer_->start();
  };
  checker_->on_update = [this] { Fill(); };

  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    const int i = list_->indexOfTopLevelItem(item);
    if (i >= 0 && size_t(i) < listed_.size() && on_activate) on_activate(listed_[size_t(i)]);
  });
  connect(list_, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });
  connect(fix_, &QPushButton::clicked, this, [this] { Fix(); });
  connect(fix_all_, &QPushButton::clicked, this, [this] { FixAll(); });
  connect(hide_, &QPushButton::clicked, this, [this] { Hide(); });
  connect(show_hidden_, &QPushButton::toggled, this, [this] { Fill(); });
  UpdateButtons();
}

CheckPanel::~CheckPanel() = default;

void CheckPanel::SetActive(bool active) {
  checker_->SetActive(active);  // activating checks in full and fills the list
}

void CheckPanel::Refresh() {
  timer_->stop();
  checker_->Update();
}

const Finding* CheckPanel::Current() const {
  const int i = list_->indexOfTopLevelItem(list_->currentItem());
  return i >= 0 && size_t(i) < listed_.size() ? &listed_[size_t(i)] : nullptr;
}

void CheckPanel::Fill() {
  const std::string document = std::to_string(checker_->DocumentGeneration());
  if (document != document_) {  // hidden findings belong to the document they were hidden in
    hidden_.clear();
    document_ = document;
  }
  const std::string current = Current() ? Current()->Key() : std::string();
  std::vector<Finding> listed;
  std::string shown;  // what the rows show: unchanged rows are left alone (and a click on them goes on)
  int errors = 0, warnings = 0;
  for (const Finding& f : checker_->Findings()) {
    const bool hidden = hidden_.count(f.Key()) > 0;
    if (!show_hidden_->isChecked() && hidden) continue;
    listed.push_back(f);
    shown += f.Key() + (hidden ? "-" : "+") + f.text + "\n";
    (f.severity == Severity::kError ? errors : warnings)++;
  }
  listed_ = std::move(listed);
  if (on_count) on_count(errors, warnings);
  if (shown == shown_) {
    UpdateButtons();
    return;
  }
  shown_ = shown;
  list_->setUpdatesEnabled(false);
  list_->clear();
  QList<QTreeWidgetItem*> items;
  int keep = -1;
  for (const Finding& f : listed_) {
    auto* item = new QTreeWidgetItem({SeverityText(f.severity), QString::fromStdString(f.text)});
    item->setToolTip(1, QString::fromStdString(f.text));
    if (hidden_.count(f.Key())) item->setForeground(1, palette().color(QPalette::Disabled, QPalette::Text));
    if (f.Key() == current) keep = items.size();
    items.push_back(item);
  }
  list_->addTopLevelItems(items);
  if (keep >= 0) list_->setCurrentItem(list_->topLevelItem(keep));
  list_->setUpdatesEnabled(true);
  UpdateButtons();
}

void CheckPanel::UpdateButtons() {
  const Finding* f = Current();
  fix_->setEnabled(f && f->fix != FixKind::kNone);
  fix_all_->setEnabled(f && f->fix != FixKind::kNone);
  hide_->setEnabled(f != nullptr);
  hide_->setText(f && hidden_.count(f->Key()) ? "Einblenden" : "Ausblenden");
}

void CheckPanel::Fix() {
  const Finding* f = Current();
  if (!f || f->fix == FixKind::kNone || editor_.History.Busy()) return;
  if (f->fix == FixKind::kBakeAgain) {
    if (on_bake) on_bake();
    return;
  }
  const Finding finding = *f;  // the list is filled again while the fix runs
  FixFinding(editor_, finding);
  Refresh();
}

void CheckPanel::FixAll() {
  const Finding* f = Current();
  if (!f || f->fix == FixKind::kNone || editor_.History.Busy()) return;
  if (f->fix == FixKind::kBakeAgain) {
    if (on_bake) on_bake();
    return;
  }
  const std::string code = f->code;
  const std::vector<Finding> all = listed_;
  FixAllOfKind(editor_, all, code);
  Refresh();
}

void CheckPanel::Hide() {
  const Finding* f = Current();
  if (!f) return;
  // Shown while hidden ones are shown: the button brings it back.
  if (!hidden_.erase(f->Key())) hidden_.insert(f->Key());
  Fill();
}

}  // namespace qx

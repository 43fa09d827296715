#pragma once
// The dock "Prüfung": the findings of the live level check, errors first,
// with "Beheben", "Alle beheben", "Ausblenden" and "Ausgeblendete zeigen".
// The re-check after an edit runs once the event loop is free again, so a
// command's redraw never waits for it.

#include <QWidget>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "commands/level_check.h"

class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace qx {

class Editor;

class CheckPanel : public QWidget {
  Q_OBJECT
 public:
  explicit CheckPanel(Editor& editor, QWidget* parent = nullptr);
  ~CheckPanel() override;

  // Checks while shown; hidden, only the bakes are followed.
  void SetActive(bool active);
  LevelChecker& Checker() { return *checker_; }
  // The findings as listed (hidden ones left out unless shown).
  const std::vector<Finding>& Listed() const { return listed_; }
  QTreeWidget* List() const { return list_; }
  // Brings the list up to date now (tests; the panel does it by itself).
  void Refresh();

  // Double-click: select and frame the finding's nodes.
  std::function<void(const Finding&)> on_activate;
  // "Beheben" on "bake again": the window's own bake (with its dialog and progress).
  std::function<void()> on_bake;
  // After every refresh: the counts of errors and warnings listed.
  std::function<void(int errors, int warnings)> on_count;

 private:
  void Fill();
  const Finding* Current() const;
  void UpdateButtons();
  void Fix();
  void FixAll();
  void Hide();

  Editor& editor_;
  std::unique_ptr<LevelChecker> checker_;
  QTreeWidget* list_ = nullptr;
  QPushButton* fix_ = nullptr;
  QPushButton* fix_all_ = nullptr;
  QPushButton* hide_ = nullptr;
  QPushButton* show_hidden_ = nullptr;
  QTimer* timer_ = nullptr;
  std::set<std::string> hidden_;  // keys, for this document and session
  std::string document_;          // the document the hidden keys belong to
  std::vector<Finding> listed_;
  std::string shown_;
};

}  // namespace qx

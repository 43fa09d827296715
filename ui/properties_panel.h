#pragma once
// The properties panel `SmallInfo`: one page per node type. The pages show a
// node as FillPanel describes it; each control hands its change to the
// handlers of edit/properties, which write to every selected node of the page's type.

#include <QTabWidget>
#include <functional>
#include <map>
#include <string>

#include "edit/properties.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace qx {

class PropertiesPanel : public QTabWidget {
  Q_OBJECT

 public:
  explicit PropertiesPanel(Editor& editor, QWidget* parent = nullptr);

  // Shows the node's page and fills it without writing to any node.
  void ShowNode(const TSector* node);

  // Called when Enter in a number edit has been taken: the viewport gets the focus.
  std::function<void()> focus_viewport;

 signals:
  // True while one of the edits Edit1..Edit9 has the keyboard focus: the
  // window's own key handling must then leave the keys to the edit.
  void EditFocusChanged(bool has_focus);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* AddPage(int page);
  QLabel* AddTitle(QWidget* page, int page_index);
  QCheckBox* AddCheckBox(QWidget* page, const FlagControl& c);
  QRadioButton* AddRadioButton(QWidget* page, const ChoiceControl& c);
  QLineEdit* AddEdit(QWidget* page, const char* name, const char* label);
  void AddColourRow(QWidget* page, int channel);
  void BuildPages();
  void NumberEditEnter(QLineEdit* edit);
  void RedEditEnter();
  void TrackBarMoved(int channel, int position);
  void UpdatePreview();

  Editor& editor_;
  std::map<std::string, QWidget*> controls_;
  QLabel* titles_[kPageCount] = {};
  QSlider* track_bars_[3] = {};
  QLineEdit* colour_edits_[3] = {};
  QFrame* preview_ = nullptr;
  QLineEdit* range_edit_ = nullptr;
};

}  // namespace qx

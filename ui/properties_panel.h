#pragma once
// The properties panel `SmallInfo`: one page per node type. The pages show a
// node as FillPanel describes it; each control hands its change to the
// handlers of edit/properties, which write to every selected node of the page's type.
// Each control's change is one undo step "Eigenschaften" (a drag of a track
// bar, or its keys in a row, one step). As a DocumentListener the panel fills
// its page again whenever a change set names the node it shows.

#include <QTabWidget>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "commands/properties.h"
#include "scene/change_set.h"
#include "scene/scene_tree.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace qx {

inline constexpr const char* kPropertiesStepName = "Eigenschaften";

class PropertiesPanel : public QTabWidget, public DocumentListener, private TreeListener {
  Q_OBJECT

 public:
  explicit PropertiesPanel(Editor& editor, QWidget* parent = nullptr);
  ~PropertiesPanel() override;

  // Shows the node's page and fills it without writing to any node; null
  // shows nothing (the pages are disabled).
  void ShowNode(const TSector* node);
  // The node shown, null before the first and once it left the tree.
  const TSector* ShownNode() const { return shown_; }

  void DocumentChanged(const ChangeSet& changes) override;

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
  void AddPositionRow(QWidget* page, int page_index);
  // "Textur" on the quad page: the scale of "Textur ausrichten" and the fields
  // of the shown quad's projection (edit/texture_align.h).
  void AddTextureFields(QWidget* page);
  bool ApplyTextureEdit(QLineEdit* edit);
  // Applies an edit's text as Enter does; false when it was refused (the
  // message has been shown). Enter and leaving the field both come here.
  bool ApplyEdit(QLineEdit* edit);
  void NumberEditEnter(QLineEdit* edit);
  void RedEditEnter();
  void TrackBarMoved(int channel, int position);
  void UpdatePreview();

  void BeforeRemove(TSector* node) override;
  void BeforeReset() override;
  void ShowNothing();

  Editor& editor_;
  const TSector* shown_ = nullptr;
  std::map<std::string, QWidget*> controls_;
  QLabel* titles_[kPageCount] = {};
  QSlider* track_bars_[3] = {};
  QLineEdit* colour_edits_[3] = {};
  QFrame* preview_ = nullptr;
  QLineEdit* range_edit_ = nullptr;
  QLineEdit* scale_edit_ = nullptr;  // "Skalierung" on the model page
  QLineEdit* position_edits_[kPageCount][3] = {};
  QLineEdit* texture_scale_ = nullptr;
  // Edits whose text the user changed since it was filled or applied: only
  // these are applied when they lose the focus.
  std::set<QLineEdit*> typed_;
  bool applying_ = false;
};

}  // namespace qx

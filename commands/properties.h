#pragma once
// The logic of the properties panel: which page shows which node, what each
// control shows, and how a control's change is written to the selected nodes.
// The Qt panel (edit/properties_panel) only lays the controls out and calls these.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "document/editor.h"

namespace qx {

inline constexpr int kPageCount = 12;

// Page index of a node type: the type + 1, page 0 ("Leer") for a type without a page.
int PageForNodeType(uint8_t node_type);
// The node type a page edits, or -1 for the empty page and the unused ones.
int NodeTypeOfPage(int page);
const char* PageCaption(int page);
// Object name of the page's title label ("Label10"...), or null.
const char* PageTitleLabel(int page);

// A check box and the byte flag it shows and sets.
struct FlagControl {
  const char* name;  // object name
  const char* caption;
  int page;
  uint8_t TSector::*field;
  bool inverted;  // "Unsichtbar" shows and sets the negation of Visible
};

// A radio button and the value it gives its field.
struct ChoiceControl {
  const char* name;
  const char* caption;
  int page;
  uint8_t TSector::*field;
  uint8_t value;
};

// An edit whose text is converted on Enter.
struct NumberEdit {
  const char* name;
  int page;
  bool integer;                  // integers are stored in 8 bits
  uint8_t TSector::*byte_field;  // integer edits
  float TSector::*float_field;   // decimal edits
};

std::span<const FlagControl> CheckBoxes();
std::span<const ChoiceControl> RadioButtons();
std::span<const NumberEdit> NumberEdits();
const FlagControl* FindCheckBox(std::string_view name);
const ChoiceControl* FindRadioButton(std::string_view name);
const NumberEdit* FindNumberEdit(std::string_view name);

// What one control shows. Texts are UTF-8.
struct ControlState {
  bool checked = false;
  bool enabled = true;
  std::string text;
  int position = 0;  // track bars
};

struct PanelContents {
  int page = 0;
  std::string title;                             // text of the page's title label
  std::map<std::string, ControlState> controls;  // the page's controls by object name
  uint32_t preview_color = 0;                    // Panel9: red + green * 256 + blue * 65536
};

// Reads the node; writes nothing.
PanelContents FillPanel(const TSector& node);

// Shortest general decimal form with up to 15 significant digits ("20", "36.7000007629395", "1E20").
std::string FormatFloat(double value, char decimal_separator = '.');
// A coordinate for reading: rounded to at most two decimals ("32.93", "20", "-0.5").
std::string CoordinateText(double value, char decimal_separator = '.');
// "X: 1 Y: 2.5 Z: 32.93", each coordinate as CoordinateText gives it.
std::string PositionText(const Vector& p, char decimal_separator = '.');
// A whole number in the 32-bit range, surrounding blanks allowed.
std::optional<int32_t> ParseInteger(std::string_view text);
// A finite decimal number that fits a float; '.' or ',' as the decimal separator.
std::optional<float> ParseFloat(std::string_view text);
// Panel9's colour from the three channel texts; a text that is no integer counts
// as 0, and each channel is held to 0..255 so one cannot spill into the next.
uint32_t ColorPreview(const std::string& red, const std::string& green, const std::string& blue);

// Announces that the panel is to show the node's page (the window makes the
// panel visible and puts the node's id and position into the status bar).
void ShowNodeProperties(Editor& e, TSector* node);
// The status bar's two texts for a shown node: its id, and its position where
// it has one to show (empty: the second text stays as it is).
std::array<std::string, 2> NodeStatusTexts(const Editor& e, const TSector& node);

// The control handlers. Each writes to every selected node of its page's type.
void CheckBoxClick(Editor& e, std::string_view name, bool checked);
void RadioButtonClick(Editor& e, std::string_view name, bool checked);
// TrackBar1..3: channel 0..2 of the selected lights' colour.
void TrackBarChange(Editor& e, int channel, int position);

enum class EnterResult { kFocusViewport, kStayInEdit };
// Enter in Edit1, Edit3, Edit7 (integers) or Edit8, Edit9 (decimals). A text that
// does not convert shows an error and changes nothing.
EnterResult EditEnter(Editor& e, std::string_view name, const std::string& text);

// Enter in the red edit: a value 0..255 becomes the track bar's position (whose
// change handler writes the colour); another integer puts the track bar's
// position back into the edit; anything else is ignored.
struct RedEditResult {
  std::optional<int> position;
  std::optional<std::string> text;
};
RedEditResult Edit4Enter(const std::string& text, int track_bar_position);

// The "Position" fields of the pages whose nodes have one (edit/node_position.h).
inline constexpr const char* kPositionEdits[3] = {"PositionX", "PositionY", "PositionZ"};
// Enter (or leaving the field) in Position X, Y or Z (axis 0..2) of `page`:
// a decimal number moves every selected node of the page's type there; any
// other text shows the same error as Edit8 and changes nothing.
EnterResult PositionEnter(Editor& e, int page, int axis, const std::string& text);

}  // namespace qx

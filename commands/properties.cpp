#include "commands/properties.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "commands/node_position.h"
#include "commands/selection.h"
#include "commands/texture_align.h"
#include "scene/cp1252.h"

namespace qx {

namespace {

constexpr int kSectorPage = 1, kPolygonPage = 2, kLightPage = 3, kPortalPage = 4, kParticlePage = 5,
              kModelPage = 6, kActorPage = 7, kCheckpointPage = 11;

constexpr std::array<const char*, kPageCount> kCaptions = {
    "Leer",  "Sektor", "Polygon", "Licht", "Portal", "Partikelsystem",
    "Model", "Actor",  "a",       "a",     "a",      "Checkpoint"};
constexpr std::array<const char*, kPageCount> kTitleLabels = {nullptr,   "Label10", "Label11", "Label12",
                                                              "Label13", "Label6",  "Label9",  "Label24",
                                                              nullptr,   nullptr,   nullptr,   "Label26"};

const std::array<FlagControl, 15> kCheckBoxes = {{
    {"CheckBox5", "Unsichtbar", kSectorPage, &TSector::Visible, true},
    {"CheckBox6", "kein Kollisionstest", kSectorPage, &TSector::NoCollision, false},
    {"CheckBox7", "kein Insidetest", kSectorPage, &TSector::NoInsideTest, false},
    {"CheckBox3", "Unsichtbar", kPolygonPage, &TSector::Visible, true},
    {"CheckBox4", "kein Kollisionstest", kPolygonPage, &TSector::NoCollision, false},
    {"CheckBox9", "Color Key", kPolygonPage, &TSector::ColorKey, false},
    {"CheckBox14", "Env. Mapping", kPolygonPage, &TSector::EnvMapping, false},
    {"CheckBox16", "kein Schatten", kPolygonPage, &TSector::NoShadow, false},
    {"CheckBox2", "Schatten", kLightPage, &TSector::Shadow, false},
    {"CheckBox8", "Frustum nicht berechnen", kPortalPage, &TSector::NoFrustum, false},
    {"CheckBox10", "Unsichtbar", kModelPage, &TSector::Visible, true},
    {"CheckBox11", "kein Kollisionstest", kModelPage, &TSector::NoCollision, false},
    {"CheckBox12", "Color Key", kModelPage, &TSector::ColorKey, false},
    {"CheckBox13", "Env. Mapping", kModelPage, &TSector::EnvMapping, false},
    {"CheckBox15", "kein Schatten", kModelPage, &TSector::NoShadow, false},
}};

const std::array<ChoiceControl, 8> kRadioButtons = {{
    {"RadioButton1", "Punktlicht", kLightPage, &TSector::Kind, 0},
    {"RadioButton2", "gerichtetes Licht", kLightPage, &TSector::Kind, 1},
    {"RadioButton3", "Lightmap", kPolygonPage, &TSector::LightingMode, 0},
    {"RadioButton4", "Vertex", kPolygonPage, &TSector::LightingMode, 1},
    {"RadioButton5", "keine", kPolygonPage, &TSector::LightingMode, 2},
    {"RadioButton6", "Lightmap", kModelPage, &TSector::LightingMode, 0},
    {"RadioButton7", "Vertex", kModelPage, &TSector::LightingMode, 1},
    {"RadioButton8", "keine", kModelPage, &TSector::LightingMode, 2},
}};

const std::array<NumberEdit, 5> kNumberEdits = {{
    {"Edit1", kParticlePage, true, &TSector::ParticleType, nullptr},
    {"Edit3", kActorPage, true, &TSector::ObjectType, nullptr},
    {"Edit7", kCheckpointPage, true, &TSector::ObjectType, nullptr},
    {"Edit8", kLightPage, false, nullptr, &TSector::Brightness},
    {"Edit9", kLightPage, false, nullptr, &TSector::Range},
}};

template <typename T>
const T* FindByName(std::span<const T> controls, std::string_view name) {
  for (const T& c : controls)
    if (name == c.name) return &c;
  return nullptr;
}

// Rounds halves to even, as every float shown as a whole number is.
std::string RoundedText(double v) {
  if (!std::isfinite(v)) return FormatFloat(v);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f", std::nearbyint(v) + 0.0);  // + 0.0 turns -0 into 0
  return buf;
}

int TrackBarPosition(float channel) {
  if (!(channel >= 0)) return 0;  // also NaN
  if (channel >= 255) return 255;
  return static_cast<int>(std::nearbyint(channel));
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Every entry of the selection list whose type is the page's, once per entry.
template <typename Fn>
void ForSelectedOfPage(Editor& e, int page, Fn fn) {
  const int type = NodeTypeOfPage(page);
  if (type < 0) return;
  // A copy: writing a field must not be disturbed by a handler that changes the list.
  const std::vector<TSector*> list = e.SelectionList;
  for (TSector* n : list)
    if (n->NodeType == type) fn(n);
}

// What a flag changes for the views: visibility, colour key and environment
// mapping show in the picture, the other flags only in the exported level.
uint8_t ChangeOfFlag(uint8_t TSector::*field) {
  if (field == &TSector::Visible || field == &TSector::ColorKey || field == &TSector::EnvMapping)
    return kChangeAppearance;
  return kChangeOther;
}

}  // namespace

int PageForNodeType(uint8_t node_type) {
  switch (node_type) {
    case kSector:
    case kPolygon:
    case kLight:
    case kPortal:
    case kParticleSystem:
    case kModel:
    case kActor:
    case kCheckpoint:
      return node_type + 1;
    default:
      return 0;
  }
}

int NodeTypeOfPage(int page) {
  if (page >= 1 && page <= 7) return page - 1;
  if (page == kCheckpointPage) return kCheckpoint;
  return -1;
}

const char* PageCaption(int page) {
  return page >= 0 && page < kPageCount ? kCaptions[page] : "";
}
const char* PageTitleLabel(int page) {
  return page >= 0 && page < kPageCount ? kTitleLabels[page] : nullptr;
}

std::span<const FlagControl> CheckBoxes() {
  return kCheckBoxes;
}
std::span<const ChoiceControl> RadioButtons() {
  return kRadioButtons;
}
std::span<const NumberEdit> NumberEdits() {
  return kNumberEdits;
}
const FlagControl* FindCheckBox(std::string_view name) {
  return FindByName(CheckBoxes(), name);
}
const ChoiceControl* FindRadioButton(std::string_view name) {
  return FindByName(RadioButtons(), name);
}
const NumberEdit* FindNumberEdit(std::string_view name) {
  return FindByName(NumberEdits(), name);
}

std::string FormatFloat(double value, char decimal_separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  std::string out;
  for (const char* p = buf; *p; ++p) {
    if (*p == '.') {
      out += decimal_separator;
    } else if (*p == 'e') {
      out += 'E';  // "1E20" and "1.5E-7", not "1e+20" and "1.5e-07"
      if (p[1] == '+') ++p;
      if (p[1] == '-') out += *++p;
      while (p[1] == '0' && p[2]) ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string CoordinateText(double value, char sep) {
  if (!std::isfinite(value)) return FormatFloat(value, sep);
  return FormatFloat(std::nearbyint(value * 100) / 100, sep);
}

std::string PositionText(const Vector& p, char sep) {
  return "X: " + CoordinateText(p.x, sep) + " Y: " + CoordinateText(p.y, sep) +
         " Z: " + CoordinateText(p.z, sep);
}

std::optional<int32_t> ParseInteger(std::string_view text) {
  std::string_view s = Trim(text);
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (s.empty() || s.front() < '0' || s.front() > '9') return std::nullopt;
  }
  int32_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::optional<float> ParseFloat(std::string_view text) {
  std::string s(Trim(text));
  if (!s.empty() && s.front() == '+') {
    s.erase(0, 1);
    if (!s.empty() && s.front() == '-') return std::nullopt;
  }
  if (s.empty()) return std::nullopt;
  // Only plain decimal notation: from_chars would also take "inf" and "nan".
  for (char& c : s) {
    if (c == ',') c = '.';
    const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!allowed) return std::nullopt;
  }
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(value);
}

uint32_t ColorPreview(const std::string& red, const std::string& green, const std::string& blue) {
  auto channel = [](const std::string& t) -> uint32_t {
    return std::clamp(ParseInteger(t).value_or(0), 0, 255);
  };
  return channel(red) + channel(green) * 256 + channel(blue) * 65536;
}

PanelContents FillPanel(const TSector& node) {
  PanelContents out;
  out.page = PageForNodeType(node.NodeType);
  if (PageTitleLabel(out.page)) out.title = Cp1252ToUtf8(node.Name);
  for (const FlagControl& c : CheckBoxes()) {
    if (c.page != out.page) continue;
    const uint8_t v = node.*c.field;
    out.controls[c.name].checked = c.inverted ? v == 0 : v == 1;
  }
  for (const ChoiceControl& c : RadioButtons())
    if (c.page == out.page) out.controls[c.name].checked = node.*c.field == c.value;

  if (HasPositionFields(node.NodeType)) {
    const Vector p = ShownPosition(node);
    const float xyz[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) out.controls[kPositionEdits[i]].text = CoordinateText(xyz[i]);
  }
  if (node.NodeType == kPolygon) {
    const auto texts = TextureFieldTexts(node);
    for (size_t i = 0; i < texts.size(); ++i) out.controls[kTextureFieldNames[i]].text = texts[i];
  }
  switch (out.page) {
    case kLightPage: {
      out.controls["Edit8"].text = RoundedText(node.Brightness);
      ControlState& range = out.controls["Edit9"];
      range.text = RoundedText(node.Range);
      range.enabled = out.controls["RadioButton1"].checked;
      static constexpr const char* kTrackBars[3] = {"TrackBar1", "TrackBar2", "TrackBar3"};
      static constexpr const char* kEdits[3] = {"Edit4", "Edit5", "Edit6"};
      for (int i = 0; i < 3; ++i) {
        out.controls[kTrackBars[i]].position = TrackBarPosition(node.Color[i]);
        out.controls[kEdits[i]].text = RoundedText(node.Color[i]);
      }
      out.preview_color =
          ColorPreview(out.controls["Edit4"].text, out.controls["Edit5"].text, out.controls["Edit6"].text);
      break;
    }
    case kPortalPage: {
      const TSector* linked = node.LinkedSector;
      out.controls["Label15"].text =
          node.IsLinked && linked ? Cp1252ToUtf8(linked->Name) + " (" + std::to_string(linked->Id) + ")"
                                  : "<keiner>";
      break;
    }
    case kParticlePage: {
      out.controls["Edit1"].text = std::to_string(node.ParticleType);
      ControlState& speed = out.controls["Edit2"];
      speed.text = FormatFloat(node.ParticleSpeed);
      speed.enabled = false;
      break;
    }
    case kActorPage:
      out.controls["Edit3"].text = std::to_string(node.ObjectType);
      break;
    case kCheckpointPage:
      out.controls["Edit7"].text = std::to_string(node.ObjectType);
      break;
    default:
      break;
  }
  return out;
}

void ShowNodeProperties(Editor& e, TSector* node) {
  if (node) e.ShowProperties(node);
}

std::array<std::string, 2> NodeStatusTexts(const Editor& e, const TSector& node) {
  std::array<std::string, 2> texts{std::to_string(node.Id), {}};
  switch (node.NodeType) {
    case kSector:
      texts[1] = PositionText(node.BoundsCenter);
      break;
    case kPolygon:
      if (!e.VertexMode) {
        texts[1] = PositionText(node.BoundsCenter);
      } else if (const TVertex* v = CurrentVertex(e)) {
        texts[1] = PositionText(v->Position);
      }
      break;
    case kLight:
      texts[1] = PositionText(node.Position);
      break;
    default:
      break;
  }
  return texts;
}

void CheckBoxClick(Editor& e, std::string_view name, bool checked) {
  const FlagControl* c = FindCheckBox(name);
  if (!c) return;
  const uint8_t value = (c->inverted ? !checked : checked) ? 1 : 0;
  ForSelectedOfPage(e, c->page, [&](TSector* n) {
    n->*c->field = value;
    e.Changed(n, ChangeOfFlag(c->field));
    if (c->field == &TSector::NoInsideTest) UpdateSectorIcon(e.Tree, n);
  });
}

void RadioButtonClick(Editor& e, std::string_view name, bool checked) {
  const ChoiceControl* c = FindRadioButton(name);
  if (!c || !checked) return;
  const uint8_t how = c->field == &TSector::LightingMode ? kChangeAppearance : kChangeOther;
  ForSelectedOfPage(e, c->page, [&](TSector* n) {
    n->*c->field = c->value;
    e.Changed(n, how);
  });
  if (c->field == &TSector::LightingMode) e.Redraw();
}

void TrackBarChange(Editor& e, int channel, int position) {
  if (channel < 0 || channel > 2) return;
  ForSelectedOfPage(e, kLightPage, [&](TSector* n) {
    n->Color[channel] = static_cast<float>(position);
    e.Changed(n, kChangeAppearance);
  });
}

EnterResult EditEnter(Editor& e, std::string_view name, const std::string& text) {
  const NumberEdit* edit = FindNumberEdit(name);
  if (!edit) return EnterResult::kFocusViewport;
  if (edit->integer) {
    const std::optional<int32_t> v = ParseInteger(text);
    if (!v) {
      if (e.prompts) e.prompts->ShowError("'" + text + "' ist kein gültiger Integerwert");
      return EnterResult::kStayInEdit;
    }
    ForSelectedOfPage(e, edit->page, [&](TSector* n) {
      n->*edit->byte_field = static_cast<uint8_t>(*v);
      e.Changed(n, kChangeOther);
    });
  } else {
    const std::optional<float> v = ParseFloat(text);
    if (!v) {
      if (e.prompts) e.prompts->ShowError("'" + text + "' ist kein gültiger Gleitkommawert");
      return EnterResult::kStayInEdit;
    }
    ForSelectedOfPage(e, edit->page, [&](TSector* n) {
      n->*edit->float_field = *v;
      e.Changed(n, kChangeOther);
    });
  }
  return EnterResult::kFocusViewport;
}

RedEditResult Edit4Enter(const std::string& text, int track_bar_position) {
  RedEditResult r;
  const std::optional<int32_t> v = ParseInteger(text);
  if (!v) return r;
  if (*v >= 0 && *v <= 255)
    r.position = *v;
  else
    r.text = std::to_string(track_bar_position);
  return r;
}

EnterResult PositionEnter(Editor& e, int page, int axis, const std::string& text) {
  const int type = NodeTypeOfPage(page);
  if (type < 0 || axis < 0 || axis > 2) return EnterResult::kFocusViewport;
  const std::optional<float> v = ParseFloat(text);
  if (!v) {
    if (e.prompts) e.prompts->ShowError("'" + text + "' ist kein gültiger Gleitkommawert");
    return EnterResult::kStayInEdit;
  }
  static constexpr AxisLock kAxes[3] = {AxisLock::kX, AxisLock::kY, AxisLock::kZ};
  if (SetSelectedCoordinate(e, static_cast<uint8_t>(type), kAxes[axis], *v) && !e.SelectionList.empty())
    ShowNodeProperties(e, e.SelectionList.front());
  return EnterResult::kFocusViewport;
}

}  // namespace qx

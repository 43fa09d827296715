#include "commands/texture_align.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_set>

namespace qx {

namespace {

bool IsQuad(const TSector* n) {
  return n->NodeType == kPolygon && n->Vertices.size() >= 4;
}

std::array<std::array<float, 2>, 4> TexOf(const TSector& quad) {
  std::array<std::array<float, 2>, 4> t;
  for (size_t i = 0; i < 4; ++i) t[i] = {quad.Vertices[i].TexCoord[0], quad.Vertices[i].TexCoord[1]};
  return t;
}

bool IsTextured(const TSector* n) {
  return IsQuad(n) || n->NodeType == kModel;
}

void SetTex(TVertex& v, double u, double w) {
  v.TexCoord[0] = static_cast<float>(u);
  v.TexCoord[1] = static_cast<float>(w);
}

// Up to four decimals, without trailing zeros: "60", "0.25", "-12.5".
std::string FieldText(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", value);
  std::string s = buf;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::optional<float> ParseRepeat(std::string_view text) {
  const std::optional<float> v = ParseFloat(text);
  if (!v || !(*v > 0)) return std::nullopt;
  return v;
}

// 0 up to 1; read back a hair below a whole repeat, an offset is that repeat (0), not 0.99999.
float WithinOneRepeat(float offset) {
  const double f = double(offset) - std::floor(double(offset));
  return f > 1 - 1e-5 || f < 1e-5 ? 0.0f : static_cast<float>(f);
}

TextureProjection Unturned(float scale) {
  TextureProjection p;
  p.ScaleU = p.ScaleV = scale;
  return p;
}

}  // namespace

std::vector<TSector*> TexturedNodesOf(std::span<TSector* const> selection) {
  std::vector<TSector*> out;
  std::unordered_set<const TSector*> seen;
  for (TSector* root : selection) {
    if (!root) continue;
    SceneTree::WalkSubtree(root, [&](TSector* n) {
      if (IsTextured(n) && seen.insert(n).second) out.push_back(n);
    });
  }
  return out;
}

int AlignTextures(Document& doc, std::span<TSector* const> nodes, float scale) {
  int changed = 0;
  for (TSector* n : nodes) {
    if (!IsTextured(n)) continue;
    TextureProjection p = Unturned(scale);
    if (const auto now = ReadTextureProjection(*n)) {
      const bool same = std::fabs(now->ScaleU - scale) <= 1e-4f * scale &&
                        std::fabs(now->ScaleV - scale) <= 1e-4f * scale && now->RotationDegrees == 0;
      if (same) {
        p.OffsetU = WithinOneRepeat(now->OffsetU);
        p.OffsetV = WithinOneRepeat(now->OffsetV);
      }
    }
    ProjectTextureCoordinates(*n, p);
    doc.Changed(n, kChangeAppearance);
    ++changed;
  }
  return changed;
}

int AlignSelectedTextures(Editor& e) {
  UndoStack::Step step(e.History, kAlignTexturesCommand);
  const int changed = AlignTextures(e, TexturedNodesOf(e.SelectionList), e.TextureScale);
  e.Redraw();
  return changed;
}

int FitTextures(Document& doc, std::span<TSector* const> nodes, float n, float m) {
  int changed = 0;
  for (TSector* node : nodes) {
    if (IsQuad(node)) {
      auto& v = node->Vertices;
      SetTex(v[0], n, m);
      SetTex(v[1], 0, m);
      SetTex(v[2], n, 0);
      SetTex(v[3], 0, 0);
    } else if (node->NodeType == kModel && !node->Vertices.empty()) {
      float lo[2] = {node->Vertices[0].TexCoord[0], node->Vertices[0].TexCoord[1]};
      float hi[2] = {lo[0], lo[1]};
      for (const TVertex& v : node->Vertices)
        for (int k = 0; k < 2; ++k) {
          lo[k] = std::min(lo[k], v.TexCoord[k]);
          hi[k] = std::max(hi[k], v.TexCoord[k]);
        }
      const double reach[2] = {n, m};
      for (TVertex& v : node->Vertices)
        for (int k = 0; k < 2; ++k) {
          const double width = double(hi[k]) - lo[k];
          v.TexCoord[k] =
              width > 0 ? static_cast<float>((v.TexCoord[k] - double(lo[k])) / width * reach[k]) : 0.0f;
        }
    } else {
      continue;
    }
    doc.Changed(node, kChangeAppearance);
    ++changed;
  }
  return changed;
}

std::optional<std::pair<float, float>> ParseRepeats(std::string_view text) {
  // "×" is two bytes in UTF-8; any of the separators splits the text once.
  for (std::string_view sep :
       {std::string_view("\xC3\x97"), std::string_view("x"), std::string_view("X"), std::string_view("*")}) {
    const size_t at = text.find(sep);
    if (at == std::string_view::npos) continue;
    const auto n = ParseRepeat(text.substr(0, at)), m = ParseRepeat(text.substr(at + sep.size()));
    if (!n || !m) return std::nullopt;
    return std::pair{*n, *m};
  }
  const auto both = ParseRepeat(text);
  if (!both) return std::nullopt;
  return std::pair{*both, *both};
}

int FitSelectedTextures(Editor& e) {
  const std::vector<TSector*> nodes = TexturedNodesOf(e.SelectionList);
  if (nodes.empty() || !e.prompts) return 0;
  const auto answer = e.prompts->AskText(kFitTexturesCommand,
                                         "Wie oft soll die Textur die Fläche bedecken (n x m)?", "1 x 1");
  if (!answer) return 0;
  const auto repeats = ParseRepeats(*answer);
  if (!repeats) {
    e.ShowWarning("'" + *answer + "' sind keine zwei positiven Zahlen n x m.");
    return 0;
  }
  UndoStack::Step step(e.History, kFitTexturesCommand);
  const int changed = FitTextures(e, nodes, repeats->first, repeats->second);
  e.Redraw();
  return changed;
}

std::optional<TextureField> FindTextureField(std::string_view name) {
  for (int i = 0; i < 5; ++i)
    if (name == kTextureFieldNames[i]) return static_cast<TextureField>(i);
  return std::nullopt;
}

std::array<std::string, 5> TextureFieldTexts(const TSector& quad) {
  std::array<std::string, 5> out;
  const auto p = ReadTextureProjection(quad);
  if (!p) return out;
  out[0] = FieldText(p->OffsetU);
  out[1] = FieldText(p->OffsetV);
  out[2] = FieldText(p->ScaleU);
  out[3] = FieldText(p->ScaleV);
  out[4] = FieldText(p->RotationDegrees);
  return out;
}

EnterResult TextureFieldEnter(Editor& e, TextureField field, const std::string& text) {
  const std::optional<float> v = ParseFloat(text);
  if (!v) {
    if (e.prompts) e.prompts->ShowError("'" + text + "' ist kein gültiger Gleitkommawert");
    return EnterResult::kStayInEdit;
  }
  if ((field == TextureField::kScaleU || field == TextureField::kScaleV) && *v == 0) {
    if (e.prompts) e.prompts->ShowError("Der Maßstab darf nicht 0 sein.");
    return EnterResult::kStayInEdit;
  }
  UndoStack::Step step(e.History, kTextureFieldsStep);
  for (TSector* n : e.SelectionList) {
    if (!IsQuad(n)) continue;
    TextureProjection p = ReadTextureProjection(*n).value_or(Unturned(e.TextureScale));
    switch (field) {
      case TextureField::kOffsetU:
        p.OffsetU = *v;
        break;
      case TextureField::kOffsetV:
        p.OffsetV = *v;
        break;
      case TextureField::kScaleU:
        p.ScaleU = *v;
        break;
      case TextureField::kScaleV:
        p.ScaleV = *v;
        break;
      case TextureField::kRotation:
        p.RotationDegrees = *v;
        break;
    }
    ProjectTextureCoordinates(*n, p);
    e.Changed(n, kChangeAppearance);
  }
  e.Redraw();
  return EnterResult::kFocusViewport;
}

TextureLockScope::TextureLockScope(Document& doc, const ToolState& tools, std::span<TSector* const> roots)
    : doc_(doc) {
  if (!tools.TextureLock) return;
  std::unordered_set<const TSector*> seen;
  for (TSector* root : roots) {
    if (!root) continue;
    SceneTree::WalkSubtree(root, [&](TSector* n) {
      if (!IsQuad(n) || !seen.insert(n).second) return;
      if (const auto p = ReadTextureProjection(*n)) kept_.push_back({n, QuadCorners(*n), TexOf(*n), *p});
    });
  }
}

void TextureLockScope::Keep() {
  kept_once_ = true;
  for (const Kept& k : kept_) {
    if (QuadCorners(*k.quad) == k.corners) {
      if (TexOf(*k.quad) == k.tex) continue;
      for (size_t i = 0; i < 4; ++i)
        for (size_t c = 0; c < 2; ++c) k.quad->Vertices[i].TexCoord[c] = k.tex[i][c];
    } else {
      ProjectTextureCoordinates(*k.quad, k.projection);
    }
    doc_.Changed(k.quad, kChangeAppearance);
  }
}

void KeepTexturesFixed(Document& doc, const ToolState& tools, TSector& quad,
                       const std::array<Vector, 4>& old_corners) {
  if (!tools.TextureLock || QuadCorners(quad) == old_corners) return;
  if (ReprojectMovedQuad(quad, old_corners)) doc.Changed(&quad, kChangeAppearance);
}

void SetTextureLock(Editor& e, bool on) {
  e.TextureLock = on;
  if (e.settings) e.settings->WriteBool(kSettingTextureLock, on);
}

void SetTextureScale(Editor& e, float scale) {
  if (!(scale > 0) || !std::isfinite(scale)) return;
  e.TextureScale = scale;
  if (e.settings) e.settings->WriteString(kSettingTextureScale, FieldText(scale));
}

void RestoreTextureSettings(Editor& e) {
  if (!e.settings) return;
  e.TextureLock = e.settings->ReadBool(kSettingTextureLock, false);
  const auto scale = ParseFloat(e.settings->ReadString(kSettingTextureScale, ""));
  e.TextureScale = scale && *scale > 0 ? *scale : 60.0f;
}

}  // namespace qx

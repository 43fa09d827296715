#pragma once
// Lining textures up on the selection: world-aligned projection ("Textur
// ausrichten", edit/texture_projection.h), fitting ("Textur einpassen"), the
// properties panel's "Textur" fields, and the texture lock ("Textur
// fixieren") that keeps world-aligned textures in place while quads move.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands/properties.h"
#include "commands/texture_projection.h"
#include "document/editor.h"

namespace qx {

inline constexpr const char* kAlignTexturesCommand = "Textur ausrichten";
inline constexpr const char* kFitTexturesCommand = "Textur einpassen";
inline constexpr const char* kTextureFieldsStep = "Textur";
inline constexpr const char* kTextureLockCaption = "Textur fixieren";
inline constexpr const char* kTextureScaleCaption = "Texturmaßstab";
inline constexpr const char* kTextureScaleName = "TexScale";  // its field on the quad page
inline constexpr const char* kSettingTextureLock = "QVX3_GUI_TEXLOCK";
inline constexpr const char* kSettingTextureScale = "QVX3_GUI_TEXSCALE";

// The quads and models a texture command reaches from the selection: the
// selected ones and those inside selected sectors, each once, in tree order
// below each entry.
std::vector<TSector*> TexturedNodesOf(std::span<TSector* const> selection);

// Projects every node's texture coordinates at `scale` world units per repeat,
// unturned. A quad whose coordinates already are such a projection keeps its
// offset (reduced to less than one repeat), so a shift set in the panel
// survives aligning again; any other starts at offset 0, where all of them
// continue each other. Returns the number of nodes changed.
int AlignTextures(Document& doc, std::span<TSector* const> nodes, float scale);
// "Textur ausrichten": the selection at the editor's TextureScale, one undo step.
int AlignSelectedTextures(Editor& e);

// The texture covers each quad n times along the edge 1-0 (and 3-2) and m
// times along 2-0 (and 3-1), corner to corner, as a new square carries it
// once: corner 3 gets (0, 0), 2 (n, 0), 1 (0, m), 0 (n, m). A model's
// coordinates are stretched from their own range to 0..n and 0..m (a range of
// no width gives 0). n and m must be positive.
int FitTextures(Document& doc, std::span<TSector* const> nodes, float n, float m);
// "n x m", "n×m", "n*m" or one number for both; decimal point or comma. nullopt
// unless both are positive finite numbers.
std::optional<std::pair<float, float>> ParseRepeats(std::string_view text);
// "Textur einpassen": asks for n × m ("1 x 1" offered), one
// undo step. A text that is no such pair is refused with a message and
// nothing changes. Returns the number of nodes changed.
int FitSelectedTextures(Editor& e);

// The panel's "Textur" fields of the quad page.
enum class TextureField { kOffsetU, kOffsetV, kScaleU, kScaleV, kRotation };
inline constexpr const char* kTextureFieldNames[5] = {"TexOffsetU", "TexOffsetV", "TexScaleU", "TexScaleV",
                                                      "TexRotation"};
inline constexpr const char* kTextureFieldLabels[5] = {"Verschieben U", "Verschieben V", "Skalieren U",
                                                       "Skalieren V", "Drehen"};
std::optional<TextureField> FindTextureField(std::string_view name);
// The texts the fields show for a quad: its projection's values (up to four
// decimals), or all empty when its coordinates are no projection.
std::array<std::string, 5> TextureFieldTexts(const TSector& quad);
// Enter in (or leaving) a field: a decimal number becomes that value of every
// selected quad's projection, each keeping its other values (a quad that is no
// projection starts from the unturned one at TextureScale, offset 0); one undo
// step. Text that is no number, or a scale of 0, shows a message and changes nothing.
EnterResult TextureFieldEnter(Editor& e, TextureField field, const std::string& text);

// The lock. While it is on, a scope made before quads move remembers the
// corners and the projection of every quad below `roots` (through sectors)
// whose coordinates are one, and when it ends gives each one that moved the
// same projection at its new place, so the texture stays fixed to the world.
// A quad back at its first corners gets its first coordinates back exactly.
// While the lock is off the scope does nothing and coordinates travel with
// their quads.
class TextureLockScope {
 public:
  TextureLockScope(Document& doc, const ToolState& tools, std::span<TSector* const> roots);
  TextureLockScope(Editor& e, std::span<TSector* const> roots) : TextureLockScope(e, e, roots) {}
  TextureLockScope(Editor& e, TSector* root) : TextureLockScope(e, e, std::span<TSector* const>(&root, 1)) {}
  // Ending the scope keeps the textures unless Keep did: callers that draw
  // before the scope ends call it, a drag after every step of the same move.
  ~TextureLockScope() {
    if (!kept_once_) Keep();
  }
  void Keep();
  // Quads about to leave the tree: nothing is touched any more.
  void Forget() { kept_.clear(); }
  TextureLockScope(const TextureLockScope&) = delete;
  TextureLockScope& operator=(const TextureLockScope&) = delete;

 private:
  struct Kept {
    TSector* quad;
    std::array<Vector, 4> corners;
    std::array<std::array<float, 2>, 4> tex;
    TextureProjection projection;
  };
  Document& doc_;
  std::vector<Kept> kept_;
  bool kept_once_ = false;
};

// The same for one quad whose corners were old_corners before a move.
void KeepTexturesFixed(Document& doc, const ToolState& tools, TSector& quad,
                       const std::array<Vector, 4>& old_corners);

// The check box "Textur fixieren" and the "Texturmaßstab", kept in the settings.
void SetTextureLock(Editor& e, bool on);
void SetTextureScale(Editor& e, float scale);
void RestoreTextureSettings(Editor& e);

}  // namespace qx

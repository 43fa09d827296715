#include "scene/outline.h"

#include <limits>

#include "scene/cp1252.h"

namespace qx {

namespace {

bool IsIndent(char c) {
  return c == '\t' || c == ' ';
}
bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// Appends OutlineLineText(name) without building a temporary string.
void AppendLineText(std::string& out, const std::string& name) {
  size_t start = 0;
  while (start < name.size() && (IsIndent(name[start]) || IsLineBreak(name[start]))) ++start;
  for (size_t i = start; i < name.size(); ++i) out += IsLineBreak(name[i]) ? ' ' : name[i];
}

// Appends one line per node of the subtree in pre-order; an explicit stack
// keeps very deep trees off the call stack.
void AppendSubtree(std::string& out, const TSector* root) {
  std::vector<std::pair<const TSector*, size_t>> stack{{root, 0}};
  while (!stack.empty()) {
    auto [node, level] = stack.back();
    stack.pop_back();
    out.append(level, '\t');
    AppendLineText(out, node->Name);
    out += "\r\n";
    for (auto it = node->Children.rbegin(); it != node->Children.rend(); ++it)
      stack.push_back({it->get(), level + 1});
  }
}

std::string LevelError(size_t level, std::string_view name) {
  // A damaged file can hold a line of any length; the message needs only its start.
  constexpr size_t kShownBytes = 200;
  std::string shown(name.substr(0, kShownBytes));
  return "Ungültige Ebene (" + std::to_string(level) + ") für Eintrag \"" + Cp1252ToUtf8(shown) + "\"";
}

}  // namespace

std::string OutlineLineText(const std::string& name) {
  std::string text;
  AppendLineText(text, name);
  return text;
}

void WriteOutline(std::string& out, const SceneTree& tree) {
  for (const auto& top : tree.TopLevel()) AppendSubtree(out, top.get());
}

void WriteOutline(std::string& out, const TSector* root) {
  if (root) AppendSubtree(out, root);
}

bool ParseOutline(std::string_view text, std::vector<OutlineEntry>& entries, std::string* error,
                  size_t max_entries) {
  entries.clear();
  if (text.size() > std::numeric_limits<uint32_t>::max()) {
    if (error) *error = "Baumtext zu lang";
    return false;
  }
  const size_t n = text.size();
  size_t pos = 0;
  size_t previous_level = 0;
  while (pos < n) {
    size_t level = 0;
    while (pos + level < n && IsIndent(text[pos + level])) ++level;
    const size_t name_start = pos + level;
    size_t name_end = name_start;
    while (name_end < n && !IsLineBreak(text[name_end])) ++name_end;
    const bool first = entries.empty();
    if ((first && level != 0) || (!first && level > previous_level + 1)) {
      if (error) *error = LevelError(level, text.substr(name_start, name_end - name_start));
      entries.clear();
      return false;
    }
    if (entries.size() == max_entries) {
      if (error) *error = "Der Baumtext hat mehr Einträge als die Datei Datensätze";
      entries.clear();
      return false;
    }
    entries.push_back({static_cast<uint32_t>(level), static_cast<uint32_t>(name_start),
                       static_cast<uint32_t>(name_end - name_start)});
    previous_level = level;
    pos = name_end;
    if (pos < n && text[pos] == '\r') ++pos;
    if (pos < n && text[pos] == '\n') ++pos;
  }
  return true;
}

}  // namespace qx

#include "session/play_test.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "commands/export_commands.h"
#include "document/editor.h"
#include "lighting/level_export.h"
#include "scene/bytes.h"
#include "tools/view_options.h"

namespace qx {

const std::array<PathSetting, 5> kPathSettings = {{
    {kSettingTexPath, "Texturen:", false},
    {kSettingTexLibPath, "Texturbibliotheken:", false},
    {kSettingTexLibFile, "Texturbibliothek beim Start:", true},
    {kSettingQxmPath, "Map-Dokumente:", false},
    {kSettingMapPath, "Leveldateien:", false},
}};

namespace {

// A whole-text integer within [lo, hi], else nothing.
std::optional<int> ParseInt(const std::string& text, int lo, int hi) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || p != end || value < lo || value > hi) return std::nullopt;
  return value;
}

std::optional<double> ParseDouble(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || p != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string FormatDouble(double value) {
  char buf[64];
  const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, p) : "0";
}

// FNV-1a, 64 bits: a folder name that differs between documents and stays
// the same for one document from run to run.
uint64_t Fnv1a(const std::string& text) {
  uint64_t h = 14695981039346656037ull;
  for (const unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

Preferences ReadPreferences(SettingsStore& s) {
  Preferences p;
  p.game_program = s.ReadString(kSettingGameProgram, p.game_program);
  p.game_arguments = s.ReadString(kSettingGameArguments, p.game_arguments);
  p.game_folder = s.ReadString(kSettingGameFolder, p.game_folder);
  p.autosave_minutes = ParseInt(s.ReadString(kSettingAutoSaveMinutes, ""), 0, kMaxAutoSaveMinutes)
                           .value_or(p.autosave_minutes);
  p.undo_steps = ParseInt(s.ReadString(kSettingUndoSteps, ""), 1, kMaxUndoSteps).value_or(p.undo_steps);
  const std::optional<double> speed = ParseDouble(s.ReadString(kSettingCameraSpeed, ""));
  if (speed && *speed >= kMinCameraSpeed && *speed <= kMaxCameraSpeed) p.camera_speed = *speed;
  p.invert_mouse = s.ReadBool(kSettingInvertMouse, p.invert_mouse);
  for (size_t i = 0; i < kPathSettings.size(); ++i) p.paths[i] = s.ReadString(kPathSettings[i].name, "");
  return p;
}

void WritePreferences(SettingsStore& s, const Preferences& p) {
  s.WriteString(kSettingGameProgram, p.game_program);
  s.WriteString(kSettingGameArguments, p.game_arguments);
  s.WriteString(kSettingGameFolder, p.game_folder);
  s.WriteString(kSettingAutoSaveMinutes, std::to_string(p.autosave_minutes));
  s.WriteString(kSettingUndoSteps, std::to_string(p.undo_steps));
  s.WriteString(kSettingCameraSpeed, FormatDouble(p.camera_speed));
  s.WriteBool(kSettingInvertMouse, p.invert_mouse);
  for (size_t i = 0; i < kPathSettings.size(); ++i) s.WriteString(kPathSettings[i].name, p.paths[i]);
}

PlayStart DocumentStart(const Document& doc) {
  PlayStart s;
  s.position = doc.StartPosition;
  return s;
}

PlayStart CameraStart(const Vector& position, float heading, float pitch) {
  PlayStart s;
  s.position = position;
  // The camera keeps any heading; an engine wants one turn.
  double h = std::fmod(double(heading), 360.0);
  if (h < 0) h += 360.0;
  s.heading = static_cast<float>(h);
  if (!(s.heading < 360.0f)) s.heading = 0;  // -1e-9 wraps to 359.999..., which is 360 as a float; NaN too
  s.pitch = std::isnan(pitch) ? 0.0f : std::fmax(-90.0f, std::fmin(90.0f, pitch));
  return s;
}

bool SplitArguments(const std::string& text, std::vector<std::string>& out, std::string& error) {
  out.clear();
  std::string word;
  bool in_word = false;  // a quote makes a word even when it stays empty
  size_t i = 0;
  const size_t n = text.size();
  auto is_blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (i < n) {
    const char c = text[i];
    if (is_blank(c)) {
      if (in_word) out.push_back(std::move(word));
      word.clear();
      in_word = false;
      ++i;
    } else if (c == '\\') {
      in_word = true;
      if (i + 1 >= n) {  // nothing left to escape: the backslash itself
        word += '\\';
        ++i;
      } else if (text[i + 1] == '\n') {  // a continued line
        i += 2;
      } else {
        word += text[i + 1];
        i += 2;
      }
    } else if (c == '\'') {
      const size_t close = text.find('\'', i + 1);
      if (close == std::string::npos) {
        error = "Die Argumente enthalten ein nicht geschlossenes Anführungszeichen (').";
        return false;
      }
      word.append(text, i + 1, close - i - 1);
      in_word = true;
      i = close + 1;
    } else if (c == '"') {
      in_word = true;
      ++i;
      bool closed = false;
      while (i < n) {
        const char d = text[i];
        if (d == '"') {
          closed = true;
          ++i;
          break;
        }
        if (d == '\\' && i + 1 < n) {
          const char e = text[i + 1];
          if (e == '"' || e == '\\' || e == '$' || e == '`') {
            word += e;
            i += 2;
            continue;
          }
          if (e == '\n') {
            i += 2;
            continue;
          }
        }
        word += d;
        ++i;
      }
      if (!closed) {
        error = "Die Argumente enthalten ein nicht geschlossenes Anführungszeichen (\").";
        return false;
      }
    } else {
      word += c;
      in_word = true;
      ++i;
    }
  }
  if (in_word) out.push_back(std::move(word));
  return true;
}

std::string FormatNumber(float value) {
  if (value == 0) value = 0;  // no "-0"
  char buf[64];
  const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, p) : "0";
}

std::string ExpandPlaceholders(const std::string& argument, const std::filesystem::path& map_file,
                               const PlayStart& start) {
  struct Name {
    const char* text;
    std::string value;
  };
  const Name names[] = {
      {"%MAP%", map_file.string()},
      {"%X%", FormatNumber(start.position.x)},
      {"%Y%", FormatNumber(start.position.y)},
      {"%Z%", FormatNumber(start.position.z)},
      {"%HEADING%", FormatNumber(start.heading)},
      {"%PITCH%", FormatNumber(start.pitch)},
      {"%%", "%"},
  };
  std::string out;
  size_t i = 0;
  while (i < argument.size()) {
    bool replaced = false;
    if (argument[i] == '%') {
      for (const Name& name : names) {
        if (argument.compare(i, std::char_traits<char>::length(name.text), name.text) == 0) {
          out += name.value;
          i += std::char_traits<char>::length(name.text);
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += argument[i++];
  }
  return out;
}

std::optional<Vector> ParseStartPosition(const std::string& text) {
  float v[3] = {0, 0, 0};
  const char* p = text.data();
  const char* end = p + text.size();
  for (int i = 0; i < 3; ++i) {
    // from_chars takes no '+' and no blanks, and neither does this form.
    const auto [next, ec] = std::from_chars(p, end, v[i]);
    if (ec != std::errc() || next == p || !std::isfinite(v[i])) return std::nullopt;
    p = next;
    if (i < 2) {
      if (p == end || *p != ',') return std::nullopt;
      ++p;
    }
  }
  if (p != end) return std::nullopt;
  return Vector{v[0], v[1], v[2]};
}

bool PlanLaunch(const Preferences& p, const std::filesystem::path& map_file, const PlayStart& start,
                LaunchPlan& plan, std::string& error) {
  if (p.game_program.empty()) {
    error = "Es ist kein Spielprogramm eingestellt (\"Datei\" → \"Einstellungen...\" → \"Spiel\").";
    return false;
  }
  std::vector<std::string> words;
  if (!SplitArguments(p.game_arguments, words, error)) return false;
  plan.program = p.game_program;
  plan.arguments.clear();
  // Split first, then expand: a map path with blanks stays one argument.
  for (const std::string& w : words) plan.arguments.push_back(ExpandPlaceholders(w, map_file, start));
  plan.working_folder = p.game_folder.empty() ? std::filesystem::path(p.game_program).parent_path()
                                              : std::filesystem::path(p.game_folder);
  return true;
}

std::string ProgramProblem(const std::filesystem::path& program) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(program, ec);
  if (ec || !std::filesystem::exists(st)) return "Datei nicht gefunden";
  if (std::filesystem::is_directory(st)) return "ist ein Ordner";
  using std::filesystem::perms;
  if ((st.permissions() & (perms::owner_exec | perms::group_exec | perms::others_exec)) == perms::none)
    return "ist nicht ausführbar";
  return {};
}

std::filesystem::path PlayTestMapFile(const std::filesystem::path& temp_root, const Document& doc) {
  std::string stem = doc.DocumentFileName.stem().string();
  if (stem.empty()) stem = std::filesystem::path(kUntitledName).stem().string();
  char folder[32];
  std::snprintf(folder, sizeof folder, "%016llx",
                static_cast<unsigned long long>(Fnv1a(doc.DocumentFileName.lexically_normal().string())));
  return temp_root / folder / (stem + ".map");
}

bool WriteLevelFileWithStart(Document& doc, const std::filesystem::path& file, const Vector& start,
                             std::string& error) {
  return WriteFileAtomic(file, BuildLevelFile(doc.Tree, doc.LightmapList, start), error);
}

std::optional<std::filesystem::path> WritePlayTestLevel(Document& doc, const std::filesystem::path& temp_root,
                                                        const PlayStart& start, std::string& error) {
  const std::filesystem::path file = PlayTestMapFile(temp_root, doc);
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  if (ec) {
    error = file.parent_path().string() + ": " + SystemErrorText(ec.value());
    return std::nullopt;
  }
  RefreshBounds(doc);
  if (!WriteLevelFileWithStart(doc, file, start.position, error)) {
    error = file.string() + ": " + error;
    return std::nullopt;
  }
  return file;
}

}  // namespace qx

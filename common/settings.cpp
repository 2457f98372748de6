#include "common/settings.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/safe_file.h"

namespace vexalo {

namespace {

constexpr std::string_view kTagsGroup = "ID3 tags";
constexpr std::string_view kLyricsGroup = "Lyrics for other players";
constexpr std::string_view kStampGroup = "Stamping";

constexpr std::array kSettingsTable{
    SettingSpec{kSettingReadLatin1TagsAsCp949, SettingType::Bool, "true", "Read ISO-8859-1 tag text as CP949", kTagsGroup},
    SettingSpec{kSettingWriteKoreanTagsAsCp949, SettingType::Bool, "false",
                "Write Korean tag text as CP949 for older players", kTagsGroup},
    SettingSpec{kSettingWriteSylt, SettingType::Bool, "true", "SyncMP3 Save also writes a SYLT frame (timed lyrics)",
                kLyricsGroup},
    SettingSpec{kSettingWriteUslt, SettingType::Bool, "true", "SyncMP3 Save also writes a USLT frame (LRC text)",
                kLyricsGroup},
    SettingSpec{kSettingWriteSidecarLrc, SettingType::Bool, "false", "SyncMP3 Save also writes SONG.lrc beside the MP3",
                kLyricsGroup},
    SettingSpec{kSettingLyricsLanguage, SettingType::String, "eng", "Language of the SYLT and USLT frames",
                kLyricsGroup},
    SettingSpec{kSettingStampHeardPosition, SettingType::Bool, "false", "Stamp at the heard position", kStampGroup},
    SettingSpec{kSettingStampReactionMs, SettingType::Int, "0", "Reaction offset (ms) taken off heard stamps",
                kStampGroup, -500, 1000},
    SettingSpec{kSettingStampSnapToOnset, SettingType::Bool, "false", "Snap stamps to the voice's onset", kStampGroup},
    SettingSpec{kSettingReplayPreRollMs, SettingType::Int, "1000", "Replay pre-roll (ms) before a group's time",
                kStampGroup, 0, 3000},
};

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool ParseBool(std::string_view text, bool& out) {
  const std::string t = Lower(text);
  if (t == "true" || t == "1" || t == "yes" || t == "on") {
    out = true;
    return true;
  }
  if (t == "false" || t == "0" || t == "no" || t == "off") {
    out = false;
    return true;
  }
  return false;
}

bool ParseInt(std::string_view text, int& out) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data() + (text.front() == '+' ? 1 : 0), end, out);
  return ec == std::errc() && ptr == end;
}

const SettingSpec* Find(std::span<const SettingSpec> table, std::string_view key) {
  for (const SettingSpec& s : table)
    if (s.key == key) return &s;
  return nullptr;
}

std::string OneLine(std::string value) {
  for (char& c : value)
    if (c == '\n' || c == '\r') c = ' ';
  return value;
}

}  // namespace

std::span<const SettingSpec> SettingsTable() { return kSettingsTable; }

Settings::Settings(std::span<const SettingSpec> table) : m_table(table) { ResetToDefaults(); }

const SettingSpec& Settings::Spec(std::string_view key) const {
  const SettingSpec* setting = Find(m_table, key);
  if (!setting) {
    std::fprintf(stderr, "vexalo: no setting named '%.*s'\n", static_cast<int>(key.size()), key.data());
    std::abort();
  }
  return *setting;
}

bool Settings::Bool(std::string_view key) const {
  const SettingSpec& setting = Spec(key);
  std::lock_guard lock(m_mutex);
  bool value = false;
  ParseBool(m_values.find(setting.key)->second, value);
  return value;
}

int Settings::Int(std::string_view key) const {
  const SettingSpec& setting = Spec(key);
  std::lock_guard lock(m_mutex);
  int value = 0;
  ParseInt(m_values.find(setting.key)->second, value);
  return value;
}

std::string Settings::String(std::string_view key) const {
  const SettingSpec& setting = Spec(key);
  std::lock_guard lock(m_mutex);
  return m_values.find(setting.key)->second;
}

void Settings::SetBool(std::string_view key, bool value) {
  const SettingSpec& setting = Spec(key);
  std::lock_guard lock(m_mutex);
  m_values[std::string(setting.key)] = value ? "true" : "false";
}

void Settings::SetInt(std::string_view key, int value) {
  const SettingSpec& setting = Spec(key);
  if (setting.minimum < setting.maximum) value = std::clamp(value, setting.minimum, setting.maximum);
  std::lock_guard lock(m_mutex);
  m_values[std::string(setting.key)] = std::to_string(value);
}

void Settings::SetString(std::string_view key, std::string value) {
  const SettingSpec& setting = Spec(key);
  std::lock_guard lock(m_mutex);
  m_values[std::string(setting.key)] = OneLine(std::move(value));
}

void Settings::ResetToDefaults() {
  std::lock_guard lock(m_mutex);
  m_values.clear();
  m_foreignLines.clear();
  for (const SettingSpec& s : m_table) m_values[std::string(s.key)] = std::string(s.defaultValue);
}

std::vector<std::string> Settings::Load(const std::string& path) {
  ResetToDefaults();
  std::vector<std::string> problems;
  std::string text;
  if (!FileExists(path)) return problems;
  const std::string name = std::filesystem::path(path).filename().string();
  if (!ReadWholeFile(path, text)) {
    problems.push_back(name + ": cannot read '" + path + "': " + std::strerror(errno));
    return problems;
  }
  std::istringstream lines(text);
  std::string raw;
  int number = 0;
  while (std::getline(lines, raw)) {
    ++number;
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '[') continue;
    auto problem = [&](const std::string& why) {
      problems.push_back(name + " line " + std::to_string(number) + ": " + why);
    };
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
      problem("no '=' in '" + std::string(line) + "'");
      continue;
    }
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    const SettingSpec* setting = Find(m_table, key);
    if (!setting) {
      std::lock_guard lock(m_mutex);
      m_foreignLines.emplace_back(line);
      continue;
    }
    std::string stored(value);
    switch (setting->type) {
      case SettingType::Bool: {
        bool b = false;
        if (!ParseBool(value, b)) {
          problem("'" + stored + "' is not true or false for " + std::string(key));
          continue;
        }
        stored = b ? "true" : "false";
        break;
      }
      case SettingType::Int: {
        int n = 0;
        if (!ParseInt(value, n)) {
          problem("'" + stored + "' is not a whole number for " + std::string(key));
          continue;
        }
        if (setting->minimum < setting->maximum && (n < setting->minimum || n > setting->maximum)) {
          problem(stored + " is outside " + std::to_string(setting->minimum) + ".." + std::to_string(setting->maximum) +
                  " for " + std::string(key));
          continue;
        }
        stored = std::to_string(n);
        break;
      }
      case SettingType::String:
        break;
    }
    std::lock_guard lock(m_mutex);
    m_values[std::string(setting->key)] = stored;
  }
  return problems;
}

bool Settings::Save(const std::string& path, std::string* error) const {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (path.empty()) return fail("no folder for the settings file (HOME is not set)");
  std::string text = "# Vexalo Caption Editor settings\n";
  {
    std::lock_guard lock(m_mutex);
    for (const SettingSpec& s : m_table) text += std::string(s.key) + " = " + m_values.find(s.key)->second + "\n";
    for (const std::string& line : m_foreignLines) text += line + "\n";
  }
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  if (ec) return fail("cannot create '" + folder.string() + "': " + ec.message());
  AtomicFileWriter writer;
  if (!writer.Open(path)) return fail("cannot write '" + path + "': " + std::strerror(errno));
  if (!writer.Write(text.data(), text.size()) || !writer.Commit())
    return fail("cannot write '" + path + "': " + std::strerror(errno));
  return true;
}

Settings& UserSettings() {
  static Settings settings;
  return settings;
}

std::string SettingsFilePath() {
  const char* override = std::getenv("VEXALO_CONFIG_DIR");
  if (override && *override) return std::string(override) + "/settings.ini";
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return std::string(xdg) + "/vexalo-caption/settings.ini";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config/vexalo-caption/settings.ini";
  return {};
}

}  // namespace vexalo

// User settings: one table of every setting (key, type, default, the text the Settings dialog
// shows) and their values, kept in an ini-style file in the user's configuration folder.
//
// Adding a setting takes two lines: a key constant below and a row in kSettingsTable
// (settings.cpp). Read it where it is needed with UserSettings().Bool(key), .Int(key) or
// .String(key); the Tools > Settings dialog shows every row by itself (a check box per bool, a
// number field per int, a text field per string) and saves the file on OK. Keys are lower-case
// words joined by dots, grouped by their first word; a released key never changes, since users'
// files hold it. Asking for a key that is not in the table is a programming error and aborts.
//
// The file: $VEXALO_CONFIG_DIR/settings.ini when that variable is set (tests point it at a
// scratch folder, so they never touch a real user's settings), else
// $XDG_CONFIG_HOME/vexalo-caption/settings.ini, else ~/.config/vexalo-caption/settings.ini.
// Lines are "key = value"; '#' and ';' begin comments; lines of keys this version does not
// know are kept when the file is saved again.
#pragma once

#include <map>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

// Frames marked ISO-8859-1 whose bytes are valid CP949 holding Hangul are read as CP949.
constexpr std::string_view kSettingReadLatin1TagsAsCp949 = "tags.read_latin1_as_cp949";
// Edited tag fields beyond ISO-8859-1 are written as CP949 bytes marked ISO-8859-1 instead of
// UTF-16.
constexpr std::string_view kSettingWriteKoreanTagsAsCp949 = "tags.write_korean_as_cp949";
// SyncMP3 Save also writes a SYLT frame (the timed lyrics for other players) after the TXXX frame.
constexpr std::string_view kSettingWriteSylt = "lyrics.write_sylt";
// SyncMP3 Save also writes a USLT frame (the lyrics as LRC text).
constexpr std::string_view kSettingWriteUslt = "lyrics.write_uslt";
// SyncMP3 Save also writes SONG.lrc beside the saved SONG.mp3.
constexpr std::string_view kSettingWriteSidecarLrc = "lyrics.sidecar_lrc";
// The language code of the SYLT and USLT frames written (three letters; "eng" otherwise).
constexpr std::string_view kSettingLyricsLanguage = "lyrics.language";
// Insert TimeInfo during a whole-view playback stamps the time of the sample the device is
// playing, less the reaction offset, instead of the Play Time read-out.
constexpr std::string_view kSettingStampHeardPosition = "stamp.heard_position";
// Milliseconds a user presses after hearing (negative: before); Tools > Calibrate stamping sets it.
constexpr std::string_view kSettingStampReactionMs = "stamp.reaction_ms";
// A stamp moves to the voice's onset: the clearest rise of the song's energy within 150 ms.
constexpr std::string_view kSettingStampSnapToOnset = "stamp.snap_to_onset";
// F5 and F6 replay a group from this many milliseconds before its time.
constexpr std::string_view kSettingReplayPreRollMs = "replay.pre_roll_ms";

enum class SettingType { Bool, Int, String };

struct SettingSpec {
  std::string_view key;
  SettingType type;
  std::string_view defaultValue;  // "true"/"false", a decimal number, or the text
  std::string_view label;         // UTF-8, as the Settings dialog shows it
  std::string_view group;         // UTF-8 heading the dialog puts the setting under
  int minimum = 0;                // Int only: the accepted range
  int maximum = 0;
};

// Every setting, in the order the dialog shows them.
std::span<const SettingSpec> SettingsTable();

class Settings {
 public:
  explicit Settings(std::span<const SettingSpec> table = SettingsTable());

  bool Bool(std::string_view key) const;
  int Int(std::string_view key) const;
  std::string String(std::string_view key) const;
  void SetBool(std::string_view key, bool value);
  // Kept within the row's range.
  void SetInt(std::string_view key, int value);
  // One line: line breaks become blanks.
  void SetString(std::string_view key, std::string value);
  void ResetToDefaults();

  // Replaces the values by those of the file; a missing file leaves every default. Returns what
  // was ignored and why, one text per line ("settings.ini line 3: 'x' is not a number").
  std::vector<std::string> Load(const std::string& path);
  // Writes every value (and the lines of unknown keys that Load kept) through a temporary file,
  // creating the folder when needed. False with the reason in `error`.
  bool Save(const std::string& path, std::string* error = nullptr) const;

  std::span<const SettingSpec> Table() const { return m_table; }
  const SettingSpec& Spec(std::string_view key) const;

 private:
  std::span<const SettingSpec> m_table;
  mutable std::mutex m_mutex;
  std::map<std::string, std::string, std::less<>> m_values;  // each value in its file form
  std::vector<std::string> m_foreignLines;
};

// The program's settings, read from SettingsFilePath() at start by the window.
Settings& UserSettings();
// Where the settings file lives (see the header comment); empty when no folder can be found.
std::string SettingsFilePath();

}  // namespace vexalo

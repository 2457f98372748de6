// The editor-form lyrics read as timed groups: each long tag (0xA7 HHMMSSCC 0xBB) with the lines
// under it up to the next one, and the short word marks (0xAB MMSSCC 0xBB) inside those lines.
// What the LRC, SRT and ID3 lyrics writers share. Texts are CP949 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

constexpr std::uint32_t kMaxLongTagMillis = 359'999'990;  // 99:59:59.99
constexpr std::uint32_t kMaxShortTagMillis = 5'999'990;   // 99:59.99
constexpr std::size_t kEditorLongTagTextBytes = 10;       // the tag without its line break
constexpr std::size_t kEditorShortTagTextBytes = 8;

// One step through an editor text from a character boundary: a whole tag (digits all digits), or
// one character, as cp949_chars.h steps, so a mark byte inside a Hangul character is never taken
// for a tag.
enum class EditorUnitKind { kChar, kLongTag, kShortTag };
struct EditorUnit {
  EditorUnitKind kind = EditorUnitKind::kChar;
  std::size_t length = 1;
  std::uint32_t millis = 0;  // for tags: HH·3600 + MM·60 + SS seconds and CC hundredths
};
EditorUnit EditorUnitAt(std::string_view text, std::size_t i);

// A text cut into lines at CR LF, LF or CR. endsWithBreak: the last line had a line break (an
// empty text has no lines).
struct TextLines {
  std::vector<std::string_view> lines;
  bool endsWithBreak = false;
};
TextLines SplitLines(std::string_view text);

// The time of a line that holds a long tag and nothing else.
std::optional<std::uint32_t> LongTagLineMillis(std::string_view line);

// Editor tags for a time, rounded to hundredths and bounded by the tag's largest time. Below
// 100 minutes the long tag keeps hours 00 and the whole minutes, as Insert TimeInfo writes it.
std::string EditorLongTag(std::uint32_t millis);   // 10 bytes, no line break
std::string EditorShortTag(std::uint32_t millis);  // 8 bytes

// Milliseconds rounded to the nearest hundredth of a second.
constexpr std::uint32_t RoundToHundredths(std::uint32_t millis) { return (millis + 5) / 10 * 10; }

struct TimedGroup {
  std::uint32_t millis = 0;
  std::vector<std::string_view> lines;  // the lyric lines as the editor holds them
};
struct TimedLyrics {
  std::vector<std::string_view> leading;  // lines before the first long tag
  std::vector<TimedGroup> groups;         // in text order
};
// Views into editorText, which must outlive the result.
TimedLyrics ReadTimedLyrics(std::string_view editorText);

// A lyric line with its short tags left out.
std::string WithoutShortTags(std::string_view line);

// One group as a plain timed text: its lines joined by LF, short tags left out, the blank lines
// at its end dropped.
struct PlainTimedText {
  std::uint32_t millis = 0;
  std::string text;
};
// Every group, sorted by time (groups of the same time keep their order).
std::vector<PlainTimedText> PlainGroupsInTimeOrder(std::string_view editorText);

}  // namespace vexalo

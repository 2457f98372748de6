#include "sync/timed_lyrics.h"

#include <algorithm>

#include "common/cp949_chars.h"

namespace vexalo {

namespace {

unsigned char At(std::string_view s, std::size_t i) {
  return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

std::uint32_t Pair(std::string_view s, std::size_t i) {
  return static_cast<std::uint32_t>((At(s, i) - '0') * 10 + (At(s, i + 1) - '0'));
}

void AppendPair(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>('0' + v / 10 % 10));
  out.push_back(static_cast<char>('0' + v % 10));
}

}  // namespace

EditorUnit EditorUnitAt(std::string_view text, std::size_t i) {
  EditorUnit unit;
  if (const std::size_t tag = EditorLongTagAt(text, i)) {
    unit.kind = EditorUnitKind::kLongTag;
    unit.length = tag;
    unit.millis = Pair(text, i + 1) * 3'600'000 + Pair(text, i + 3) * 60'000 +
                  Pair(text, i + 5) * 1'000 + Pair(text, i + 7) * 10;
    return unit;
  }
  if (const std::size_t tag = EditorShortTagAt(text, i)) {
    unit.kind = EditorUnitKind::kShortTag;
    unit.length = tag;
    unit.millis = Pair(text, i + 1) * 60'000 + Pair(text, i + 3) * 1'000 + Pair(text, i + 5) * 10;
    return unit;
  }
  unit.length = NextCharacter(text, i) - i;
  return unit;
}

TextLines SplitLines(std::string_view text) {
  TextLines result;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      result.lines.push_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) {
    result.lines.push_back(text.substr(start));
  } else if (!text.empty()) {
    result.endsWithBreak = true;
  }
  return result;
}

std::optional<std::uint32_t> LongTagLineMillis(std::string_view line) {
  if (line.size() != kEditorLongTagTextBytes) return std::nullopt;
  const EditorUnit unit = EditorUnitAt(line, 0);
  if (unit.kind != EditorUnitKind::kLongTag) return std::nullopt;
  return unit.millis;
}

std::string EditorLongTag(std::uint32_t millis) {
  const std::uint32_t centis = std::min(RoundToHundredths(millis), kMaxLongTagMillis) / 10;
  const std::uint32_t seconds = centis / 100;
  const std::uint32_t minutes = seconds / 60;
  std::string tag(1, static_cast<char>(kEditorLongOpen));
  AppendPair(tag, minutes < 100 ? 0 : minutes / 60);
  AppendPair(tag, minutes < 100 ? minutes : minutes % 60);
  AppendPair(tag, seconds % 60);
  AppendPair(tag, centis % 100);
  tag.push_back(static_cast<char>(kEditorClose));
  return tag;
}

std::string EditorShortTag(std::uint32_t millis) {
  const std::uint32_t centis = std::min(RoundToHundredths(millis), kMaxShortTagMillis) / 10;
  const std::uint32_t seconds = centis / 100;
  std::string tag(1, static_cast<char>(kEditorShortOpen));
  AppendPair(tag, seconds / 60);
  AppendPair(tag, seconds % 60);
  AppendPair(tag, centis % 100);
  tag.push_back(static_cast<char>(kEditorClose));
  return tag;
}

TimedLyrics ReadTimedLyrics(std::string_view editorText) {
  TimedLyrics result;
  for (std::string_view line : SplitLines(editorText).lines) {
    if (auto millis = LongTagLineMillis(line)) {
      result.groups.push_back(TimedGroup{*millis, {}});
    } else if (result.groups.empty()) {
      result.leading.push_back(line);
    } else {
      result.groups.back().lines.push_back(line);
    }
  }
  return result;
}

std::string WithoutShortTags(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size();) {
    const EditorUnit unit = EditorUnitAt(line, i);
    if (unit.kind != EditorUnitKind::kShortTag) out.append(line.substr(i, unit.length));
    i += unit.length;
  }
  return out;
}

std::vector<PlainTimedText> PlainGroupsInTimeOrder(std::string_view editorText) {
  const TimedLyrics lyrics = ReadTimedLyrics(editorText);
  std::vector<PlainTimedText> result;
  result.reserve(lyrics.groups.size());
  for (const TimedGroup& group : lyrics.groups) {
    std::size_t used = group.lines.size();
    while (used > 0 && WithoutShortTags(group.lines[used - 1]).empty()) --used;
    PlainTimedText entry;
    entry.millis = group.millis;
    for (std::size_t k = 0; k < used; ++k) {
      if (k != 0) entry.text.push_back('\n');
      entry.text += WithoutShortTags(group.lines[k]);
    }
    result.push_back(std::move(entry));
  }
  std::stable_sort(result.begin(), result.end(),
                   [](const PlainTimedText& a, const PlainTimedText& b) { return a.millis < b.millis; });
  return result;
}

}  // namespace vexalo

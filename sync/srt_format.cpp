#include "sync/srt_format.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "sync/timed_lyrics.h"

namespace vexalo {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlankLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

bool IsNumberLine(std::string_view line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return !line.empty() && std::all_of(line.begin(), line.end(), IsDigit);
}

// "hh:mm:ss,mmm" (or '.') at `at`, moving past it; hours of one or two digits.
std::optional<std::uint32_t> ReadSrtTime(std::string_view line, std::size_t& at) {
  auto number = [&](std::size_t least, std::size_t most) -> std::optional<std::uint32_t> {
    std::uint32_t value = 0;
    std::size_t n = 0;
    while (at < line.size() && IsDigit(line[at]) && n < most) value = value * 10 + (line[at++] - '0'), ++n;
    if (n < least || (at < line.size() && IsDigit(line[at]))) return std::nullopt;
    return value;
  };
  auto expect = [&](char a, char b) {
    if (at >= line.size() || (line[at] != a && line[at] != b)) return false;
    ++at;
    return true;
  };
  const auto hours = number(1, 2);
  if (!hours || !expect(':', ':')) return std::nullopt;
  const auto minutes = number(2, 2);
  if (!minutes || *minutes > 59 || !expect(':', ':')) return std::nullopt;
  const auto seconds = number(2, 2);
  if (!seconds || *seconds > 59 || !expect(',', '.')) return std::nullopt;
  const auto millis = number(3, 3);
  if (!millis) return std::nullopt;
  return ((*hours * 60 + *minutes) * 60 + *seconds) * 1000 + *millis;
}

struct CueTimes {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
};

// "start --> end", anything after the end (positions) ignored.
std::optional<CueTimes> ParseCueTimes(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size() && line[at] == ' ') ++at;
  CueTimes times;
  const auto start = ReadSrtTime(line, at);
  if (!start) return std::nullopt;
  while (at < line.size() && line[at] == ' ') ++at;
  if (line.substr(at, 3) != "-->") return std::nullopt;
  at += 3;
  while (at < line.size() && line[at] == ' ') ++at;
  const auto end = ReadSrtTime(line, at);
  if (!end || (at < line.size() && line[at] != ' ' && line[at] != '\t')) return std::nullopt;
  if (RoundToHundredths(*start) > kMaxLongTagMillis) return std::nullopt;
  times.start = *start;
  times.end = *end;
  return times;
}

}  // namespace

SrtImport SrtToEditorForm(std::string_view srt) {
  SrtImport result;
  const TextLines split = SplitLines(srt);
  const std::vector<std::string_view>& lines = split.lines;
  struct Cue {
    CueTimes times;
    std::vector<std::string_view> text;
  };
  std::vector<Cue> cues;
  std::vector<std::string_view> leading;
  std::size_t n = 0;
  std::size_t blankFrom = 0;  // the blank lines before the block, kept with a bad one
  while (n < lines.size()) {
    if (IsBlankLine(lines[n])) {
      ++n;
      continue;
    }
    std::size_t end = n;
    while (end < lines.size() && !IsBlankLine(lines[end])) ++end;
    const std::size_t timeLine = IsNumberLine(lines[n]) && n + 1 < end ? n + 1 : n;
    if (auto times = ParseCueTimes(lines[timeLine])) {
      cues.push_back(Cue{*times, {lines.begin() + static_cast<std::ptrdiff_t>(timeLine) + 1,
                                  lines.begin() + static_cast<std::ptrdiff_t>(end)}});
    } else {
      result.problems.push_back(LrcProblem{
          timeLine + 1, "\"" + std::string(lines[timeLine].substr(0, 32)) + (lines[timeLine].size() > 32 ? "..." : "") +
                            "\" is no cue time (hh:mm:ss,mmm --> hh:mm:ss,mmm); the block is kept as lyrics"});
      std::vector<std::string_view>& into = cues.empty() ? leading : cues.back().text;
      into.insert(into.end(), lines.begin() + static_cast<std::ptrdiff_t>(blankFrom),
                  lines.begin() + static_cast<std::ptrdiff_t>(end));
    }
    n = end;
    blankFrom = end;
  }
  std::stable_sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) {
    return RoundToHundredths(a.times.start) < RoundToHundredths(b.times.start);
  });
  std::string& out = result.editorText;
  auto put = [&out](std::string_view line) {
    out.append(line);
    out += "\r\n";
  };
  for (std::string_view line : leading) put(line);
  for (std::size_t k = 0; k < cues.size(); ++k) {
    put(EditorLongTag(cues[k].times.start));
    for (std::string_view line : cues[k].text) put(line);
    if (k + 1 < cues.size() &&
        RoundToHundredths(cues[k].times.end) < RoundToHundredths(cues[k + 1].times.start) &&
        RoundToHundredths(cues[k].times.end) > RoundToHundredths(cues[k].times.start))
      put(EditorLongTag(cues[k].times.end));
  }
  return result;
}

std::string SrtTimeText(std::uint32_t millis) {
  std::string text(12, '0');
  auto put = [&](std::size_t at, std::uint32_t value, int digits) {
    for (int k = digits - 1; k >= 0; --k, value /= 10) text[at + k] = static_cast<char>('0' + value % 10);
  };
  put(0, millis / 3'600'000 % 100, 2);
  text[2] = ':';
  put(3, millis / 60'000 % 60, 2);
  text[5] = ':';
  put(6, millis / 1'000 % 60, 2);
  text[8] = ',';
  put(9, millis % 1'000, 3);
  return text;
}

std::string EditorFormToSrt(std::string_view editorText, std::optional<std::uint32_t> songMillis) {
  struct Cue {
    std::uint32_t start;
    std::string text;
  };
  std::vector<Cue> cues;
  for (PlainTimedText& group : PlainGroupsInTimeOrder(editorText)) {
    std::string text;
    for (std::string_view line : SplitLines(group.text).lines) {
      if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
      if (!text.empty()) text += "\r\n";
      text.append(line);
    }
    if (!cues.empty() && cues.back().start == group.millis) {
      if (!text.empty() && !cues.back().text.empty()) cues.back().text += "\r\n";
      cues.back().text += text;
    } else {
      cues.push_back(Cue{group.millis, std::move(text)});
    }
  }
  std::string out;
  int number = 0;
  for (std::size_t k = 0; k < cues.size(); ++k) {
    if (cues[k].text.empty()) continue;
    std::uint32_t end;
    if (k + 1 < cues.size()) {
      end = cues[k + 1].start;
    } else {
      end = cues[k].start + kLastSrtCueMillis;
      if (songMillis && *songMillis > cues[k].start && *songMillis < end) end = *songMillis;
    }
    if (number != 0) out += "\r\n";
    out += std::to_string(++number) + "\r\n";
    out += SrtTimeText(cues[k].start) + " --> " + SrtTimeText(end) + "\r\n";
    out += cues[k].text + "\r\n";
  }
  return out;
}

}  // namespace vexalo

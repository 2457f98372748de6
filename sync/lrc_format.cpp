#include "sync/lrc_format.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "sync/timed_lyrics.h"

namespace vexalo {

namespace {

constexpr std::size_t kMostQuotedBytes = 32;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameKey(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return TrimRight(s);
}

// A piece of the file for a message, cut at a character boundary.
std::string Quoted(std::string_view piece) {
  std::size_t used = 0;
  while (used < piece.size()) {
    const std::size_t step = EditorUnitAt(piece, used).length;
    if (used + step > kMostQuotedBytes) break;
    used += step;
  }
  std::string out = "\"";
  out.append(piece.substr(0, used));
  if (used < piece.size()) out += "...";
  out += "\"";
  return out;
}

enum class TimeKind { kTime, kBad, kNotTime };

struct ParsedTime {
  TimeKind kind = TimeKind::kNotTime;
  std::int64_t millis = 0;
  const char* why = nullptr;  // for kBad
};

// The content of a [..] or <..> mark: minutes (1-4 digits), ':', two seconds digits, and an
// optional '.' with one to three digits. Content that begins like a number but is not such a
// time is bad; anything else is no time at all (an ID tag, "[Chorus]", "<3").
ParsedTime ParseTime(std::string_view c) {
  ParsedTime result;
  const bool signed_ = !c.empty() && (c[0] == '-' || c[0] == '+');
  if (c.empty() || !(IsDigit(c[0]) || (signed_ && c.size() > 1 && IsDigit(c[1])))) return result;
  result.kind = TimeKind::kBad;
  result.why = "is not a time (mm:ss.xx)";
  if (signed_) return result;
  std::size_t i = 0;
  auto digits = [&](std::int64_t& value) {
    const std::size_t from = i;
    value = 0;
    while (i < c.size() && IsDigit(c[i]) && i - from < 5) value = value * 10 + (c[i++] - '0');
    return i - from;
  };
  std::int64_t minutes = 0, seconds = 0, fraction = 0;
  if (digits(minutes) > 4 || i >= c.size() || c[i] != ':') return result;
  ++i;
  if (digits(seconds) != 2) return result;
  std::size_t fractionDigits = 0;
  if (i < c.size()) {
    if (c[i] != '.') return result;
    ++i;
    fractionDigits = digits(fraction);
    if (fractionDigits < 1 || fractionDigits > 3 || i != c.size()) return result;
  }
  if (seconds > 59) {
    result.why = "has more than 59 seconds";
    return result;
  }
  static constexpr std::int64_t kScale[] = {0, 100, 10, 1};
  result.kind = TimeKind::kTime;
  result.millis = minutes * 60'000 + seconds * 1'000 + fraction * kScale[fractionDigits];
  return result;
}

// "[key:value]" standing alone on a line: key of letters (digits, '_', '-' after the first) or
// "#"; the value runs to the line's last ']'.
bool ParseIdTag(std::string_view line, LrcIdTag& tag) {
  line = Trim(line);
  if (line.size() < 3 || line.front() != '[' || line.back() != ']') return false;
  const std::string_view content = line.substr(1, line.size() - 2);
  const std::size_t colon = content.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  const std::string_view key = content.substr(0, colon);
  if (key != "#") {
    if (!IsLetter(key[0])) return false;
    for (char c : key)
      if (!(IsLetter(c) || IsDigit(c) || c == '_' || c == '-')) return false;
  }
  tag.key = std::string(key);
  tag.value = std::string(content.substr(colon + 1));
  return true;
}

// "+500", "-250", "500", blanks around allowed.
std::optional<int> ParseOffset(std::string_view value) {
  value = Trim(value);
  bool negative = false;
  if (!value.empty() && (value[0] == '+' || value[0] == '-')) {
    negative = value[0] == '-';
    value.remove_prefix(1);
  }
  if (value.empty() || value.size() > 9) return std::nullopt;
  int n = 0;
  for (char c : value) {
    if (!IsDigit(c)) return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return negative ? -n : n;
}

std::string SignedMillis(int offset) {
  char text[32];
  std::snprintf(text, sizeof text, "%+d ms", offset);
  return text;
}

class LrcReader {
 public:
  explicit LrcReader(LrcImport& out) : m_out(out) {}

  void Read(std::string_view lrc) {
    const TextLines split = SplitLines(lrc);
    m_lines = &split.lines;
    FindOffset();
    for (std::size_t n = 0; n < split.lines.size(); ++n) ReadLine(n);
    Emit(split.endsWithBreak);
  }

 private:
  struct Group {
    std::uint32_t millis;
    std::size_t block;
  };

  void Problem(std::size_t line, std::string text) {
    m_out.problems.push_back(LrcProblem{line + 1, std::move(text)});
  }

  // The offset counts for the whole file, wherever its tag stands: the first one is read before
  // any stamp.
  void FindOffset() {
    bool found = false;
    for (std::size_t n = 0; n < m_lines->size(); ++n) {
      LrcIdTag tag;
      if (!ParseIdTag((*m_lines)[n], tag) || !SameKey(tag.key, "offset")) continue;
      if (found) {
        m_lateOffsets.push_back(n);
        continue;
      }
      found = true;
      if (auto offset = ParseOffset(tag.value)) {
        m_out.offsetMillis = *offset;
      } else {
        m_badOffset = n;
      }
    }
  }

  // The time a mark shows at after the offset, or nullopt when it is past `most`.
  std::optional<std::uint32_t> Shifted(std::int64_t millis, std::uint32_t most, std::size_t line,
                                       std::string_view mark) {
    std::int64_t shown = millis - m_out.offsetMillis;
    if (shown < 0) {
      Problem(line, Quoted(mark) + " comes before the song's start after the offset of " +
                        SignedMillis(m_out.offsetMillis) + "; it is set to 00:00.00");
      shown = 0;
    }
    if ((shown + 5) / 10 * 10 > static_cast<std::int64_t>(most)) return std::nullopt;
    return static_cast<std::uint32_t>(shown);
  }

  // A lyric text with its <mm:ss.xx> word marks turned into short tags.
  std::string LyricText(std::string_view text, std::size_t line) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
      if (text[i] == '<') {
        const std::size_t close = text.find('>', i + 1);
        if (close != std::string_view::npos) {
          const std::string_view mark = text.substr(i, close + 1 - i);
          const ParsedTime time = ParseTime(text.substr(i + 1, close - i - 1));
          if (time.kind == TimeKind::kTime) {
            if (auto shown = Shifted(time.millis, kMaxShortTagMillis, line, mark)) {
              out += EditorShortTag(*shown);
            } else {
              Problem(line, Quoted(mark) + " is past 99:59.99, the latest word time; it is kept as text");
              out.append(mark);
            }
            i = close + 1;
            continue;
          }
          if (time.kind == TimeKind::kBad)
            Problem(line, Quoted(mark) + " is not a word time (mm:ss.xx); it is kept as text");
        }
      }
      const std::size_t step = EditorUnitAt(text, i).length;
      out.append(text.substr(i, step));
      i += step;
    }
    return out;
  }

  void AddLyricLine(std::string_view text, std::size_t line) {
    std::string lyric = LyricText(text, line);
    if (m_blocks.empty()) {
      m_leading.push_back(std::move(lyric));
    } else {
      m_blocks.back().push_back(std::move(lyric));
    }
  }

  void ReadLine(std::size_t n) {
    const std::string_view line = (*m_lines)[n];
    LrcIdTag tag;
    if (ParseIdTag(line, tag)) {
      if (n == m_badOffset)
        Problem(n, Quoted(Trim(line)) + " is not a whole number of milliseconds; no offset is applied");
      if (std::find(m_lateOffsets.begin(), m_lateOffsets.end(), n) != m_lateOffsets.end()) {
        Problem(n, Quoted(Trim(line)) + " is a second offset; only the first one applies");
        return;
      }
      m_out.tags.tags.push_back(std::move(tag));
      return;
    }

    std::size_t pos = 0;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    std::vector<std::uint32_t> stamps;
    bool bad = false;
    while (pos < line.size() && line[pos] == '[') {
      const std::size_t close = line.find(']', pos + 1);
      if (close == std::string_view::npos) break;
      const std::string_view mark = line.substr(pos, close + 1 - pos);
      const ParsedTime time = ParseTime(line.substr(pos + 1, close - pos - 1));
      if (time.kind == TimeKind::kNotTime) break;
      if (time.kind == TimeKind::kBad) {
        Problem(n, Quoted(mark) + " " + time.why + "; the line is kept as lyrics");
        bad = true;
        break;
      }
      auto shown = Shifted(time.millis, kMaxLongTagMillis, n, mark);
      if (!shown) {
        Problem(n, Quoted(mark) +
                       " is past 99:59:59.99, the latest time the editor holds; the line is kept as lyrics");
        bad = true;
        break;
      }
      stamps.push_back(*shown);
      pos = close + 1;
    }
    if (bad || stamps.empty()) {
      AddLyricLine(line, n);
      return;
    }
    ++m_out.stampedLines;
    m_blocks.emplace_back();
    const std::string_view text = line.substr(pos);
    if (!text.empty()) m_blocks.back().push_back(LyricText(text, n));
    for (std::uint32_t millis : stamps) m_groups.push_back(Group{millis, m_blocks.size() - 1});
  }

  void Emit(bool endsWithBreak) {
    std::stable_sort(m_groups.begin(), m_groups.end(),
                     [](const Group& a, const Group& b) { return RoundToHundredths(a.millis) < RoundToHundredths(b.millis); });
    std::string& out = m_out.editorText;
    bool first = true;
    auto put = [&](std::string_view line) {
      if (!first) out += "\r\n";
      out.append(line);
      first = false;
    };
    const bool leadingText = std::any_of(m_leading.begin(), m_leading.end(),
                                         [](const std::string& l) { return !Trim(l).empty(); });
    if (leadingText)
      for (const std::string& line : m_leading) put(line);
    for (const Group& group : m_groups) {
      put(EditorLongTag(group.millis));
      for (const std::string& line : m_blocks[group.block]) put(line);
    }
    if (!first && endsWithBreak) out += "\r\n";
  }

  LrcImport& m_out;
  const std::vector<std::string_view>* m_lines = nullptr;
  std::size_t m_badOffset = static_cast<std::size_t>(-1);
  std::vector<std::size_t> m_lateOffsets;
  std::vector<std::string> m_leading;
  std::vector<std::vector<std::string>> m_blocks;  // the lyric lines of each stamped line
  std::vector<Group> m_groups;
};

// A lyric line of the editor as LRC text: short tags become word marks or are left out.
void AppendLrcLyric(std::string& out, std::string_view line, LrcStyle style) {
  for (std::size_t i = 0; i < line.size();) {
    const EditorUnit unit = EditorUnitAt(line, i);
    if (unit.kind == EditorUnitKind::kShortTag) {
      if (style == LrcStyle::kEnhanced) out += "<" + LrcTimeText(unit.millis) + ">";
    } else {
      out.append(line.substr(i, unit.length));
    }
    i += unit.length;
  }
}

}  // namespace

const std::string* LrcTags::Find(std::string_view key) const {
  for (const LrcIdTag& tag : tags)
    if (SameKey(tag.key, key)) return &tag.value;
  return nullptr;
}

LrcImport LrcToEditorForm(std::string_view lrc) {
  LrcImport result;
  LrcReader(result).Read(lrc);
  return result;
}

std::string LrcTimeText(std::uint32_t millis) {
  const std::uint32_t centis = RoundToHundredths(millis) / 10;
  const std::uint32_t seconds = centis / 100;
  std::string text = std::to_string(seconds / 60);
  if (text.size() < 2) text.insert(0, 1, '0');
  const char rest[] = {':', static_cast<char>('0' + seconds % 60 / 10), static_cast<char>('0' + seconds % 10),
                       '.', static_cast<char>('0' + centis % 100 / 10), static_cast<char>('0' + centis % 10)};
  text.append(rest, sizeof rest);
  return text;
}

std::string EditorFormToLrc(std::string_view editorText, const LrcTags& tags, LrcStyle style,
                            std::string_view lineBreak) {
  std::string out;
  out.reserve(editorText.size() + editorText.size() / 4 + 64);
  for (const LrcIdTag& tag : tags.tags) {
    out += "[" + tag.key + ":";
    out += SameKey(tag.key, "offset") ? std::string("0") : tag.value;
    out += "]";
    out.append(lineBreak);
  }
  const TextLines split = SplitLines(editorText);
  const std::vector<std::string_view>& lines = split.lines;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) out.append(lineBreak);
    const std::string_view line = lines[i];
    const EditorUnit first = EditorUnitAt(line, 0);
    if (first.kind != EditorUnitKind::kLongTag) {
      AppendLrcLyric(out, line, style);
      continue;
    }
    out += "[" + LrcTimeText(first.millis) + "]";
    if (line.size() > first.length) {
      AppendLrcLyric(out, line.substr(first.length), style);
    } else if (i + 1 < lines.size() && !lines[i + 1].empty() &&
               EditorUnitAt(lines[i + 1], 0).kind != EditorUnitKind::kLongTag) {
      // A blank lyric stays on a line of its own: "[t]" alone is a stamp without lyric.
      AppendLrcLyric(out, lines[++i], style);
    }
  }
  if (!lines.empty() && split.endsWithBreak) out.append(lineBreak);
  return out;
}

bool HasLrcStamps(std::string_view text) {
  for (std::string_view line : SplitLines(text).lines) {
    std::size_t pos = 0;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '[') continue;
    const std::size_t close = line.find(']', pos + 1);
    if (close != std::string_view::npos &&
        ParseTime(line.substr(pos + 1, close - pos - 1)).kind == TimeKind::kTime)
      return true;
  }
  return false;
}

std::string LrcProblemSummary(const std::vector<LrcProblem>& problems) {
  if (problems.empty()) return std::string();
  std::string text = "line " + std::to_string(problems.front().line) + ": " + problems.front().text;
  std::size_t others = 0;
  for (std::size_t k = 1; k < problems.size(); ++k)
    if (problems[k].line != problems[k - 1].line && problems[k].line != problems.front().line) ++others;
  if (others == 1) text += " (1 more line has a problem)";
  if (others > 1) text += " (" + std::to_string(others) + " more lines have problems)";
  return text;
}

}  // namespace vexalo

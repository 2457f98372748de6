#include "sync/srt_format.h"

#include <vector>

#include "sync/timed_lyrics.h"

namespace vexalo {

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

#include "commands/time_adjust.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "commands/editor_commands.h"
#include "commands/timing_commands.h"
#include "common/control_ids.h"
#include "common/cp949_chars.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "lyrics/lyrics_editor.h"
#include "playback/waveform.h"

namespace vexalo {

std::string AdjustSeconds = "0";
std::string AdjustTenths = "0";
int AdjustPlus = 1;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The window playback drawing refreshes the side-time field through this routine.
[[maybe_unused]] const bool g_sideTimeInstalled = (SetSideTimeRoutine(&UpdateSideTime), true);

// The editor short tag of a time, 0xAB MMSSCC 0xBB. Minutes stay two digits.
std::string EditorShortTag(TimeMark t) {
  const int minutes = std::clamp(t.minutes, 0, 99);
  const int seconds = std::clamp(t.seconds, 0, 59);
  const int millis = std::clamp(t.millis, 0, 999);
  std::array<char, kTagTextBytes> tag{};
  std::snprintf(tag.data(), tag.size(), "\xA2\xD1%02d%02d%02d\xA2\xD0", minutes, seconds, millis / 100 * 10);
  TagToEditorForm(0, tag);
  return std::string(tag.data());
}

// Restores a refused field: the view keeps its old text and the control shows it again.
void FilterField(std::string& data, int id, bool (*accepts)(std::string_view)) {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  const std::string old = data;
  UpdateViewData();
  if (accepts(data)) return;
  data = old;
  view->SetControlText(id, old);
}

}  // namespace

std::optional<int> AdjustSecondsValue(std::string_view text) {
  if (text.empty()) return 0;
  if (text.size() == 1 && IsDigit(text[0])) return text[0] - '0';
  if (text.size() == 2 && IsDigit(text[0]) && IsDigit(text[1])) return (text[0] - '0') * 10 + (text[1] - '0');
  return std::nullopt;
}

std::optional<int> AdjustTenthsValue(std::string_view text) {
  if (text.empty()) return 0;
  if (text.size() == 1 && IsDigit(text[0])) return text[0] - '0';
  return std::nullopt;
}

bool AcceptsAdjustSeconds(std::string_view text) {
  if (text.size() == 2) return text[0] >= '0' && text[0] <= '5' && IsDigit(text[1]);
  return AdjustTenthsValue(text).has_value();
}

bool AcceptsAdjustTenths(std::string_view text) { return AdjustTenthsValue(text).has_value(); }

void ShiftLongTags(std::string& text, int shiftMillis) {
  // Walked character by character: a mark byte inside a two-byte character is no tag.
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t tag = EditorLongTagAt(text, i);
    if (tag == 0) {
      i = NextCharacter(text, i);
      continue;
    }
    const char* d = text.data() + i + 1;
    auto at = [&](int k) { return static_cast<std::int64_t>(d[k] - '0'); };
    const std::int64_t hundredths =
        (((((((at(0) * 10 + at(1)) * 6 + at(2)) * 10 + at(3)) * 6 + at(4)) * 10 + at(5)) * 10 + at(6)) * 10 + at(7));
    const std::int64_t m = std::clamp<std::int64_t>(10 * hundredths + shiftMillis, 0, kMaxTagMillis);
    const int digits[4] = {static_cast<int>(m / 3'600'000), static_cast<int>(m / 1000 % 3600 / 60),
                           static_cast<int>(m / 1000 % 60), static_cast<int>(m % 1000 / 10)};
    char* out = text.data() + i + 1;
    for (int k = 0; k < 4; ++k) {
      out[2 * k] = static_cast<char>('0' + digits[k] / 10);
      out[2 * k + 1] = static_cast<char>('0' + digits[k] % 10);
    }
    i += tag;  // past the closing mark; the bytes after it are looked at afresh
  }
}

void ResetAdjustFields(ViewPort& view) {
  AdjustSeconds = "0";
  AdjustTenths = "0";
  AdjustPlus = 1;
  view.SetControlText(kIdcAdjustSeconds, "0");
  view.SetControlText(kIdcAdjustTenths, "0");
  view.SetChecked(kIdcAdjustPlus, true);
  view.SetChecked(kIdcAdjustMinus, false);
}

namespace {

// Start of the line that holds byte `at`, and the end of the line (past its line break) that holds
// the byte before `to` (to itself when it begins a line).
std::size_t LineStartAt(std::string_view text, std::size_t at) {
  at = std::min(at, text.size());
  while (at > 0 && text[at - 1] != '\n' && text[at - 1] != '\r') --at;
  return at;
}

std::size_t LineEndAt(std::string_view text, std::size_t to) {
  to = std::min(to, text.size());
  if (to == 0 || text[to - 1] == '\n' || (text[to - 1] == '\r' && (to == text.size() || text[to] != '\n'))) return to;
  while (to < text.size() && text[to] != '\n' && text[to] != '\r') ++to;
  return to + LineBreakAt(text, to);
}

int CountLongTags(std::string_view text, std::size_t from, std::size_t to) {
  int n = 0;
  for (std::size_t i = from; i < to; i = NextCharacter(text, i)) {
    if (EditorLongTagAt(text, i) != 0) ++n;
  }
  return n;
}

// The Adjust of the tags that begin in [from, to) (all of them for the whole text): asks, shifts
// and puts the text back. The caret and scroll come back only when part of the text moved.
void AdjustTags(ViewPort& view, std::size_t from, std::size_t to, bool whole) {
  const std::optional<int> seconds = AdjustSecondsValue(AdjustSeconds);
  const std::optional<int> tenths = AdjustTenthsValue(AdjustTenths);
  if (!seconds || !tenths) {
    view.MessageBox(kAdjustValueError, kProductTitle, MessageStyle::Ok);
    return;
  }
  if (!whole) {
    // Putting back a text cut at the buffer's size would lose its end.
    view.MessageBox(kTextSizeOver, kProductTitle, MessageStyle::Ok);
    return;
  }
  const bool part = from != 0 || to != LyricsTextBuffer.size();
  char question[128];
  std::snprintf(question, sizeof question, AdjustPlus == 1 ? kAdjustPlusFormat : kAdjustMinusFormat, *seconds,
                *tenths);
  std::string ask = question;
  if (part) {
    std::snprintf(question, sizeof question, kAdjustPartFormat, CountLongTags(LyricsTextBuffer, from, to),
                  CountLongTags(LyricsTextBuffer, 0, LyricsTextBuffer.size()));
    ask += question;
  }
  int selFrom = 0, selTo = 0;
  view.EditorGetSelection(selFrom, selTo);
  if (view.MessageBox(ask, kProductTitle, MessageStyle::YesNo) != Answer::Yes) return;
  const int shift = 100 * (10 * *seconds + *tenths);
  std::string scratch = LyricsTextBuffer.substr(from, to - from);
  ShiftLongTags(scratch, AdjustPlus == 1 ? shift : -shift);
  LyricsTextBuffer.replace(from, to - from, scratch);
  view.SetEditorText(LyricsTextBuffer);
  if (part) {
    view.EditorSelect(selFrom, selTo);
    view.EditorScroll(FirstVisibleLine);
  }
}

}  // namespace

void OnAdjust() {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  const bool whole = CaptureEditorText();
  UpdateViewData();
  if (LyricsTextBuffer.empty()) return;
  int selFrom = 0, selTo = 0;
  view->EditorGetSelection(selFrom, selTo);
  std::size_t from = 0, to = LyricsTextBuffer.size();
  if (selTo > selFrom) {
    const std::size_t a = LineStartAt(LyricsTextBuffer, static_cast<std::size_t>(selFrom));
    const std::size_t b = LineEndAt(LyricsTextBuffer, static_cast<std::size_t>(selTo));
    if (CountLongTags(LyricsTextBuffer, a, b) > 0) {
      from = a;
      to = b;
    }
  }
  AdjustTags(*view, from, to, whole);
}

void OnAdjustFromCaret() {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  const bool whole = CaptureEditorText();
  UpdateViewData();
  if (LyricsTextBuffer.empty()) return;
  int selFrom = 0, selTo = 0;
  view->EditorGetSelection(selFrom, selTo);
  const std::size_t line = LineStartAt(LyricsTextBuffer, static_cast<std::size_t>(std::max(0, selFrom)));
  const std::size_t from = GroupTagBefore(LyricsTextBuffer, line).value_or(line);
  if (CountLongTags(LyricsTextBuffer, from, LyricsTextBuffer.size()) == 0) {
    view->SetStatusText(kPanePrompt, kNoGroupText);
    return;
  }
  AdjustTags(*view, from, LyricsTextBuffer.size(), whole);
}

void OnChangeAdjustSeconds() { FilterField(AdjustSeconds, kIdcAdjustSeconds, &AcceptsAdjustSeconds); }

void OnChangeAdjustTenths() { FilterField(AdjustTenths, kIdcAdjustTenths, &AcceptsAdjustTenths); }

void OnAdjustPlus() { AdjustPlus = 1; }

void OnAdjustMinus() { AdjustPlus = 0; }

void UpdateSideTime() {
  if (PlayerState.load() != kStateWindowView) return;
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  const std::string tag = EditorShortTag(WindowStart.Load());
  view->SetControlText(kIdcSideTime, tag);
  // The field holds one line, so its first line (what the selection covers) is the whole tag.
  view->SetClipboardText(tag);
}

void OnSideTime() {
  UpdateSideTime();
  if (PlayerState.load() != kStateWindowView) return;
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  // Only the user's own Side Time moves the focus: the refresh that a window playback and the
  // window drawing make must not take it from the editor, where a stamp key would be lost.
  view->SetFocus(kIdcSideTime);
  view->EditorPaste();
}

}  // namespace vexalo

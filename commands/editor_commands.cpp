#include "commands/editor_commands.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "commands/lyrics_file_commands.h"
#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "common/cp949_chars.h"
#include "common/settings.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "lyrics/lyrics_editor.h"
#include "playback/transport.h"
#include "playback/voice_onset.h"
#include "sync/sync_text.h"

namespace vexalo {

namespace {

// The editor long tag of a time: hours 0 and minutes not reduced, unless the minutes would need
// a third digit (a song of over 99 minutes); then they carry into the hours. The hundredths are
// whole tenths, as the Play Time read-out's stamps always were, unless `exact`.
std::string EditorLongTag(TimeMark t, bool exact) {
  int hours = 0;
  int minutes = std::max(0, t.minutes);
  if (minutes > 99) {
    hours = std::min(99, minutes / 60);
    minutes = hours == 99 ? 59 : minutes % 60;
  }
  const int seconds = std::clamp(t.seconds, 0, 59);
  const int millis = std::clamp(t.millis, 0, 999);
  std::array<char, kTagTextBytes> tag{};
  std::snprintf(tag.data(), tag.size(), "\xA2\xE2%02d%02d%02d%02d\xA2\xD0\r\n", hours, minutes, seconds,
                exact ? millis / 10 : millis / 100 * 10);
  TagToEditorForm(1, tag);
  return std::string(tag.data());
}

// Bytes of the long tag at s that a new stamp replaces: the tag and its line break (CR LF, LF or
// a lone CR). Lyric bytes that follow a tag without a line break are kept.
std::size_t StampedTagLength(std::string_view text, std::size_t s) {
  const std::size_t tag = EditorLongTagAt(text, s);
  return tag + LineBreakAt(text, s + tag);
}

// Start of the line before the one at s when that line is a long tag and its line break alone.
std::optional<std::size_t> TagLineAbove(std::string_view text, std::size_t s) {
  if (s == 0 || s > text.size()) return std::nullopt;
  std::size_t p = s - 1;
  if (text[p] != '\n' && text[p] != '\r') return std::nullopt;
  if (text[p] == '\n' && p > 0 && text[p - 1] == '\r') --p;
  if (p < kEditorLongTagBytes - 2) return std::nullopt;
  const std::size_t start = p - (kEditorLongTagBytes - 2);
  if (start > 0 && text[start - 1] != '\n' && text[start - 1] != '\r') return std::nullopt;
  if (EditorLongTagAt(text, start) != kEditorLongTagBytes - 2) return std::nullopt;
  if (start + StampedTagLength(text, start) != s) return std::nullopt;
  return start;
}

TimeMark MarkOfMillis(int ms) { return TimeMark{ms / 60000, (ms / 1000) % 60, ms % 1000}; }

int MillisOf(TimeMark t) { return t.minutes * 60000 + t.seconds * 1000 + t.millis; }

}  // namespace

std::optional<StampTime> ChooseStampTime() {
  const int state = PlayerState.load();
  StampTime stamp;
  if (state == kStateWholeView) {
    stamp.mark = PlayTime.Load();
    if (UserSettings().Bool(kSettingStampHeardPosition)) {
      if (const std::optional<int> heard = HeardPlayMillis()) {
        stamp.mark = MarkOfMillis(std::max(0, *heard - UserSettings().Int(kSettingStampReactionMs)));
        stamp.exact = true;
      }
    }
  } else if (state == kStateWindowView) {
    stamp.mark = WindowStart.Load();
  } else {
    return std::nullopt;
  }
  if (UserSettings().Bool(kSettingStampSnapToOnset)) {
    if (const std::optional<int> onset = FindVoiceOnset(MillisOf(stamp.mark))) {
      stamp.mark = MarkOfMillis(*onset);
      stamp.exact = true;
    }
  }
  return stamp;
}

void UpdateViewData() {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  AutoAdvance = view->IsChecked(kIdcAutoAdvance) ? 1 : 0;
  AdjustSeconds = view->GetControlText(kIdcAdjustSeconds);
  AdjustTenths = view->GetControlText(kIdcAdjustTenths);
}

void OnInsertTimeInfo() {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  const std::optional<StampTime> time = ChooseStampTime();
  if (!time) return;
  const std::string tag = EditorLongTag(time->mark, time->exact);

  const bool whole = CaptureEditorText();
  const int stampedLine = CaretLine;
  std::string text = LyricsTextBuffer;
  const int lineStart = view->EditorLineIndex(CaretLine);
  const std::size_t s =
      lineStart < 0 ? text.size() : std::min(static_cast<std::size_t>(lineStart), text.size());
  // A lyric line right under its group's tag line is stamped again by replacing that tag.
  const std::optional<std::size_t> above = EditorLongTagAt(text, s) != 0 ? std::nullopt : TagLineAbove(text, s);
  const std::size_t at = above ? *above : s;
  if (EditorLongTagAt(text, at) != 0) text.erase(at, StampedTagLength(text, at));
  text.insert(at, tag);
  if (!whole || text.size() > kMaxLyricsTextBytes) {
    view->MessageBox(kTextSizeOver, kProductTitle, MessageStyle::Ok);
    return;
  }
  LyricsTextBuffer = text;
  view->SetEditorText(LyricsTextBuffer);

  if (above) {
    // No line was added: the caret moves on to the next line, or stays on the stamped tag.
    if (AutoAdvance == 1 && view->EditorLineIndex(CaretLine + 1) >= 0) {
      CaretLine += 1;
      FirstVisibleLine += 1;
    } else {
      CaretLine -= 1;
    }
  } else if (AutoAdvance == 1) {
    CaretLine += 2;
    if (view->EditorLineIndex(CaretLine) < 0) {
      CaretLine -= 2;
    } else if (stampedLine != 0) {
      FirstVisibleLine += 2;
    }
  }
  const int from = view->EditorLineIndex(CaretLine);
  const int next = view->EditorLineIndex(CaretLine + 1);
  const int end = static_cast<int>(LyricsTextBuffer.size());
  view->EditorSelect(from < 0 ? end : from, next < 0 ? end : next);
  view->EditorScroll(FirstVisibleLine);
  view->SetFocus(kIdcEditor);
}

void OnEditorClear() {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  if (view->MessageBox(kEditorClearQuestion, kProductTitle, MessageStyle::YesNo) != Answer::Yes) return;
  view->SetControlText(kIdcGroupFrame, " ");
  LyricsTextBuffer.clear();
  LastLrcTags = LrcTags{};
  view->SetEditorText("");
  view->SetControlText(kIdcAdjustPreview, "");
}

void OnAutoAdvanceClicked() { UpdateViewData(); }

}  // namespace vexalo

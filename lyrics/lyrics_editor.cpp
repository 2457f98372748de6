#include "lyrics/lyrics_editor.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "common/control_ids.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "lyrics/time_adjust.h"
#include "playback/transport.h"
#include "sync/sync_text.h"

namespace vexalo {

std::string LyricsTextBuffer;
int CaretLine = 0;
int FirstVisibleLine = 0;
int EditorHasFocus = 0;
int CtrlKeyDown = 0;
int AutoAdvance = 0;

namespace {

unsigned char Byte(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

bool SongShown() {
  const int state = PlayerState.load();
  return state == kStateWholeView || state == kStateWindowView;
}

// Length of the longest prefix of at most `limit` bytes that ends on a CP949 character boundary.
std::size_t CharacterPrefix(std::string_view text, std::size_t limit) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t width = Byte(text, i) >= 0x80 && i + 1 < text.size() ? 2 : 1;
    if (i + width > limit) break;
    i += width;
  }
  return i;
}

// The editor long tag of a time: hours 0 and minutes not reduced, unless the minutes would need
// a third digit (longer than any song the buffer holds); then they carry into the hours.
std::string EditorLongTag(TimeMark t) {
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
                millis / 100 * 10);
  TagToEditorForm(1, tag);
  return std::string(tag.data());
}

// Bytes of the long tag at s that a new stamp replaces: the tag and the line break after it.
// Lyric bytes that follow a tag without its line break are kept.
std::size_t StampedTagLength(std::string_view text, std::size_t s) {
  std::size_t n = 10;
  if (text.substr(s + n, 2) == "\r\n") {
    n += 2;
  } else if (text.substr(s + n, 1) == "\n") {
    n += 1;
  }
  return n;
}

}  // namespace

bool CaptureEditorText() {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return false;
  CaretLine = std::max(0, view->EditorCaretLine());
  FirstVisibleLine = std::max(0, view->EditorFirstVisibleLine());
  const std::string text = view->GetEditorText();
  std::string_view held(text.data(), std::min(text.size(), std::strlen(text.c_str())));
  const bool whole = held.size() <= kMaxLyricsTextBytes;
  if (!whole) held = held.substr(0, CharacterPrefix(held, kMaxLyricsTextBytes));
  LyricsTextBuffer.assign(held);
  return whole;
}

void UpdateViewData() {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  AutoAdvance = view->IsChecked(kIdcAutoAdvance) ? 1 : 0;
  AdjustSeconds = view->GetControlText(kIdcAdjustSeconds);
  AdjustTenths = view->GetControlText(kIdcAdjustTenths);
}

void TagToEditorForm(int longTag, std::span<char, kTagTextBytes> tag) {
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(tag[i]); };
  std::array<char, kTagTextBytes> result{};
  std::size_t n = 0;
  if (longTag != 0) {
    if (at(0) != 0xA2 || at(1) != 0xE2 || at(10) != 0xA2 || at(11) != 0xD0) return;
    result[n++] = static_cast<char>(kEditorLongMark);
    for (std::size_t i = 2; i <= 9; ++i) result[n++] = tag[i];
    result[n++] = static_cast<char>(kEditorCloseMark);
    result[n++] = tag[12];
    result[n++] = tag[13];
  } else {
    if (at(0) != 0xA2 || at(1) != 0xD1 || at(8) != 0xA2 || at(9) != 0xD0) return;
    result[n++] = static_cast<char>(kEditorShortMark);
    for (std::size_t i = 2; i <= 7; ++i) result[n++] = tag[i];
    result[n++] = static_cast<char>(kEditorCloseMark);
    result[n++] = tag[10];
    result[n++] = tag[11];
  }
  // Cleared, then the result up to its first zero byte.
  std::fill(tag.begin(), tag.end(), '\0');
  for (std::size_t i = 0; i < n && result[i] != '\0'; ++i) tag[i] = result[i];
}

bool IsEditorLongTagAt(std::string_view text, std::size_t i) {
  return i + 9 < text.size() && Byte(text, i) == kEditorLongMark && Byte(text, i + 9) == kEditorCloseMark;
}

void OnInsertTimeInfo() {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  TimeMark time;
  const int state = PlayerState.load();
  if (state == kStateWholeView) {
    time = PlayTime.Load();
  } else if (state == kStateWindowView) {
    time = WindowStart.Load();
  } else {
    return;
  }
  const std::string tag = EditorLongTag(time);

  const bool whole = CaptureEditorText();
  const int stampedLine = CaretLine;
  std::string text = LyricsTextBuffer;
  const int lineStart = view->EditorLineIndex(CaretLine);
  const std::size_t s =
      lineStart < 0 ? text.size() : std::min(static_cast<std::size_t>(lineStart), text.size());
  if (IsEditorLongTagAt(text, s)) text.erase(s, StampedTagLength(text, s));
  text.insert(s, tag);
  if (!whole || text.size() > kMaxLyricsTextBytes) {
    view->MessageBox(kTextSizeOver, kProductTitle, MessageStyle::Ok);
    return;
  }
  LyricsTextBuffer = text;
  view->SetEditorText(LyricsTextBuffer);

  if (AutoAdvance == 1) {
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
  view->SetEditorText("");
  view->SetControlText(kIdcAdjustPreview, "");
}

void OnEditorChange() { CaptureEditorText(); }

void OnEditorFocus(bool gained) {
  EditorHasFocus = gained ? 1 : 0;
  // A Ctrl released outside the editor sends no key up here; a later Q must not stamp.
  if (!gained) CtrlKeyDown = 0;
}

void OnAutoAdvanceClicked() { UpdateViewData(); }

bool OnPreKeyDown(int virtualKey, bool editorHasFocus) {
  OnEditorFocus(editorHasFocus);
  if (!editorHasFocus) {
    OnTransportKey(virtualKey);
    return false;
  }
  if (!SongShown()) return false;
  if (virtualKey == kVkControl) {
    CtrlKeyDown = 1;
  } else if (virtualKey == kVkQ && CtrlKeyDown == 1) {
    OnInsertTimeInfo();
    return true;
  }
  return false;
}

void OnPreKeyUp(int virtualKey, bool editorHasFocus) {
  OnEditorFocus(editorHasFocus);
  if (virtualKey == kVkControl) CtrlKeyDown = 0;
}

void OnPreLeftButtonDown(bool editorHasFocus) {
  OnEditorFocus(editorHasFocus);
  if (editorHasFocus) CaptureEditorText();
}

}  // namespace vexalo

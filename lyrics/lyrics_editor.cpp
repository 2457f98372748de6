#include "lyrics/lyrics_editor.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/shared_state.h"
#include "common/view_port.h"
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

void OnEditorChange() { CaptureEditorText(); }

void OnEditorFocus(bool gained) {
  EditorHasFocus = gained ? 1 : 0;
  // A Ctrl released outside the editor sends no key up here; a later Q must not stamp.
  if (!gained) CtrlKeyDown = 0;
}

void OnPreLeftButtonDown(bool editorHasFocus) {
  OnEditorFocus(editorHasFocus);
  if (editorHasFocus) CaptureEditorText();
}

}  // namespace vexalo

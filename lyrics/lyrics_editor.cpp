#include "lyrics/lyrics_editor.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/cp949_chars.h"
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
  const std::string_view stored(tag.data(), tag.size());
  const std::size_t length = longTag != 0 ? StoredLongTagAt(stored, 0) : StoredShortTagAt(stored, 0);
  if (length == 0) return;
  std::array<char, kTagTextBytes> result{};
  std::size_t n = 0;
  result[n++] = static_cast<char>(longTag != 0 ? kEditorLongOpen : kEditorShortOpen);
  for (std::size_t i = 2; i < length - 2; ++i) result[n++] = tag[i];
  result[n++] = static_cast<char>(kEditorClose);
  result[n++] = tag[length];
  result[n++] = tag[length + 1];
  // Cleared, then the result up to its first zero byte.
  std::fill(tag.begin(), tag.end(), '\0');
  for (std::size_t i = 0; i < n && result[i] != '\0'; ++i) tag[i] = result[i];
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

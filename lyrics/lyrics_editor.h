// lyrics/: the lyrics editor's state: LyricsTextBuffer that every lyrics operation works through,
// the caret, scroll and focus tracking, and the editor form of time tags. Above common/ and sync/.
//
// The lyrics editor's state: the LyricsTextBuffer every lyrics operation works through, the
// caret, scroll and focus tracking, and the editor form of time tags.
// UI thread only. The editor is reached through ActiveView; with no view nothing happens.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vexalo {

constexpr std::size_t kTagTextBytes = 32;         // a freshly formatted tag and its scratch
constexpr std::size_t kEditorLongTagBytes = 12;   // 0xA7, HHMMSSCC, 0xBB, CR LF
constexpr std::size_t kEditorShortTagBytes = 8;   // 0xAB, MMSSCC, 0xBB

// Shown when an operation would make the lyrics longer than the buffer holds.
inline constexpr char kTextSizeOver[] = " Song Text Size Over !!! ";

// The editor's text as CP949 bytes, never more than kMaxLyricsTextBytes (30,719: with its
// terminating zero it fills the 30,720-byte buffer).
extern std::string LyricsTextBuffer;
extern int CaretLine;         // zero-based line of the caret, as last captured
extern int FirstVisibleLine;  // the editor's scroll position, as last captured
extern int EditorHasFocus;    // 1 while the editor has the keyboard focus
extern int CtrlKeyDown;       // 1 after Ctrl went down in the editor with a song shown
extern int AutoAdvance;       // check box 1014

// Takes CaretLine, FirstVisibleLine and the editor's text into LyricsTextBuffer. False when the
// editor held more than the buffer can: the buffer then holds the first kMaxLyricsTextBytes
// bytes, cut before a split two-byte character, and callers must not put it back.
bool CaptureEditorText();

// Turns a freshly formatted stored-form tag (long: 0xA2 0xE2, 8 digits, 0xA2 0xD0 and two bytes;
// short: 0xA2 0xD1, 6 digits, 0xA2 0xD0 and two bytes) into its editor form in place. A tag of
// another shape, or with a digit that is not one, is left unchanged.
void TagToEditorForm(int longTag, std::span<char, kTagTextBytes> tag);

// Window events.
void OnEditorChange();               // the editor's change notification
void OnEditorFocus(bool gained);     // the editor gained or lost the keyboard focus
// A left button press anywhere in the view, before the click itself is processed.
void OnPreLeftButtonDown(bool editorHasFocus);

}  // namespace vexalo

// The lyrics editor's logic: the LyricsTextBuffer every lyrics operation works through, the
// caret and scroll tracking, the editor's key routing, Insert TimeInfo and Editor Clear.
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
constexpr unsigned char kEditorLongMark = 0xA7;
constexpr unsigned char kEditorShortMark = 0xAB;
constexpr unsigned char kEditorCloseMark = 0xBB;

// Virtual-key codes the editor's key routing looks at.
constexpr int kVkControl = 17;
constexpr int kVkQ = 81;

inline constexpr char kEditorClearQuestion[] = " Song Text Editor Clear ? ";
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

// Reads the view's dialog data back from the controls: AutoAdvance (1014), AdjustSeconds (1022)
// and AdjustTenths (1017).
void UpdateViewData();

// Turns a freshly formatted stored-form tag (long: 0xA2 0xE2, 8 digits, 0xA2 0xD0 and two bytes;
// short: 0xA2 0xD1, 6 digits, 0xA2 0xD0 and two bytes) into its editor form in place. A tag of
// another shape is left unchanged.
void TagToEditorForm(int longTag, std::span<char, kTagTextBytes> tag);

// True when an editor long tag begins at byte i: 0xA7 there and 0xBB nine bytes further on.
bool IsEditorLongTagAt(std::string_view text, std::size_t i);

// Insert TimeInfo (button 1013, Ctrl+Q in the editor): stamps the caret's line with the play time
// (whole view) or the window's start (window view), replacing a long tag already there.
void OnInsertTimeInfo();
// Editor Clear (menu 32779), after " Song Text Editor Clear ? ".
void OnEditorClear();

// Window events.
void OnEditorChange();               // the editor's change notification
void OnEditorFocus(bool gained);     // the editor gained or lost the keyboard focus
void OnAutoAdvanceClicked();         // check box 1014 clicked
// Key routing before the view processes a key as usual. The window passes whether the editor
// has the focus at that moment (EditorHasFocus follows it). Keys outside the editor go to the
// transport. True when the key ran Insert TimeInfo (Ctrl+Q).
bool OnPreKeyDown(int virtualKey, bool editorHasFocus);
void OnPreKeyUp(int virtualKey, bool editorHasFocus);
// A left button press anywhere in the view, before the click itself is processed.
void OnPreLeftButtonDown(bool editorHasFocus);

}  // namespace vexalo

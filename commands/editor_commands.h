// The editor commands: Insert TimeInfo, Editor Clear, the Auto Advance check box, and the key
// routing that stamps on Ctrl+Q in the editor and sends other keys to the transport.
// UI thread only; with no active view nothing happens.
#pragma once

namespace vexalo {

// Virtual-key codes the editor's key routing looks at.
constexpr int kVkControl = 17;
constexpr int kVkQ = 81;

inline constexpr char kEditorClearQuestion[] = " Song Text Editor Clear ? ";

// Reads the view's dialog data back from the controls: AutoAdvance (1014), AdjustSeconds (1022)
// and AdjustTenths (1017).
void UpdateViewData();

// Insert TimeInfo (button 1013, Ctrl+Q in the editor): stamps the caret's line with the play time
// (whole view) or the window's start (window view), replacing a long tag already there.
void OnInsertTimeInfo();
// Editor Clear (menu 32779), after " Song Text Editor Clear ? ".
void OnEditorClear();

void OnAutoAdvanceClicked();  // check box 1014 clicked
// Key routing before the view processes a key as usual. The window passes whether the editor
// has the focus at that moment (EditorHasFocus follows it). Keys outside the editor go to the
// transport. True when the key ran Insert TimeInfo (Ctrl+Q).
bool OnPreKeyDown(int virtualKey, bool editorHasFocus);
void OnPreKeyUp(int virtualKey, bool editorHasFocus);

}  // namespace vexalo

// The editor commands: Insert TimeInfo, Editor Clear and the Auto Advance check box (their keys
// are routed by form/key_routing.h).
// UI thread only; with no active view nothing happens.
#pragma once

namespace vexalo {

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

}  // namespace vexalo

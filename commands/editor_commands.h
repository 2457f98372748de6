// The editor commands: Insert TimeInfo, Editor Clear and the Auto Advance check box (their keys
// are routed by form/key_routing.h).
// UI thread only; with no active view nothing happens.
#pragma once

#include <optional>

#include "common/shared_state.h"

namespace vexalo {

inline constexpr char kEditorClearQuestion[] = " Song Text Editor Clear ? ";

// Reads the view's dialog data back from the controls: AutoAdvance (1014), AdjustSeconds (1022)
// and AdjustTenths (1017).
void UpdateViewData();

// The time a stamp takes. Whole view: the Play Time read-out, or, with "Stamp at the heard
// position" while a song plays, the time of the sample the device is playing less the reaction
// offset. Window view: the window's start. With "Snap stamps to the voice's onset", a clear onset
// within 150 ms then takes its place. `exact`: the hundredths are kept (the read-out's stamps are
// whole tenths). Nothing outside the two views.
struct StampTime {
  TimeMark mark;
  bool exact = false;
};
std::optional<StampTime> ChooseStampTime();

// Insert TimeInfo (button 1013, Ctrl+Q in the editor): stamps the caret's line with
// ChooseStampTime(), replacing a long tag already there.
void OnInsertTimeInfo();
// Editor Clear (menu 32779), after " Song Text Editor Clear ? ".
void OnEditorClear();

void OnAutoAdvanceClicked();  // check box 1014 clicked

}  // namespace vexalo

// Ids of the form view's controls and read-out slots, shared by the core and the window.
#pragma once

namespace vexalo {

enum ControlId : int {
  kIdcEditor = 1001,        // lyrics editor
  kIdcWaveArea = 1002,      // hidden; its rectangle is WaveRect
  kIdcSlider = 1003,        // position slider
  kIdcProgressSlot = 1004,  // read-out: Processing / Total Time
  kIdcCursorSlot = 1005,    // read-out: Cursor Position Time
  kIdcStartSlot = 1006,     // read-out: Start Time
  kIdcEndSlot = 1007,       // read-out: End Time
  kIdcPlaySlot = 1008,      // read-out: Play Time
  kIdcPlay = 1010,
  kIdcRewind = 1011,
  kIdcForward = 1012,
  kIdcInsertTimeInfo = 1013,
  kIdcAutoAdvance = 1014,   // checkbox
  kIdcStop = 1015,
  kIdcAdjust = 1016,
  kIdcAdjustTenths = 1017,
  kIdcSideTimeButton = 1019,
  kIdcSideTime = 1020,      // hidden side-time field
  kIdcAdjustPreview = 1021, // hidden read-only multi-line edit
  kIdcAdjustSeconds = 1022,
  kIdcGroupFrame = 1023,    // hidden group box; its caption names the text file
  kIdcPause = 1024,
  kIdcAdjustPlus = 1041,    // radio
  kIdcAdjustMinus = 1042,   // radio
};

// Status bar panes; the Caps, Num and Scroll Lock indicators follow the speed.
enum StatusPane : int { kPanePrompt = 0, kPaneSongFacts = 1, kPaneEditorLine = 2, kPaneSpeed = 3 };

}  // namespace vexalo

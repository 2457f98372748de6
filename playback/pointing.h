// Pointing at a place in the song: mouse clicks and moves over the waveform, the position
// slider's release and custom-draw notifications, and the 50 ms editor line read-out.
// All run on the UI thread; they start workers but never wait for one.
#pragma once

namespace vexalo {

// True when (x, y) lies in WaveRect, bounds included.
bool InsideWaveRect(int x, int y);

// Mouse handlers in view client coordinates. Each returns true when the waveform took the event
// (inside WaveRect with a song shown), false when the button bar should handle it.
bool OnLButtonDown(int x, int y);
bool OnLButtonDblClk(int x, int y);
bool OnRButtonDown(int x, int y);
bool OnRButtonDblClk(int x, int y);
bool OnMouseMove(int x, int y);

// Slider (control 1003): the button pressed on it, and notifications that return the
// notification result 0 (default drawing). A release during a playback stops it, and the next
// playback starts where the slider was let go.
void OnSliderPressed();
int OnSliderReleased();
int OnSliderCustomDraw();

// View timer: id 0 puts "Line : %d Col : %d" for the editor's caret line in status pane 2.
void OnTimer(int timerId);
// The column count the line read-out shows: bytes of the line without editor short tags.
int CountLineColumns(const unsigned char* line, int length);

}  // namespace vexalo

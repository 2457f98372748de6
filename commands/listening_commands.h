// Listening aids: the playback speed (Tools choices, the [ and ] keys) and the window view's span
// (Tools choices, Ctrl + mouse wheel over the waveform). UI thread only.
#pragma once

#include <string>

namespace vexalo {

// Plays at `percent` (50, 75 or 100; others go to the nearest) from the next chunk on, a running
// playback included, and shows the speed in its status pane.
void OnSpeed(int percent);
void OnSpeedSlower();  // [
void OnSpeedFaster();  // ]
// Puts the speed's text ("Speed 0.5x") into its status pane.
void ShowSpeedPane();

// The window view spans `frames` (50, 100, 200, 400 or 800; others go to the nearest). Shown in
// the window view at once: an idle window is drawn again from its start, a window playback stops
// (and its repaint shows the new span). The prompt pane tells the span.
void OnWindowSpan(int frames);
void OnZoomIn();   // half the span
void OnZoomOut();  // twice the span
// The mouse wheel turned `steps` notches (away from the user positive) at (x, y): with Ctrl over
// the waveform it zooms, a notch a step. True when it zoomed.
bool OnWaveformWheel(int x, int y, int steps, bool ctrl);
// "Window span: 400 frames (10.45 s)" for the loaded song, or without the seconds when none.
std::string WindowSpanText(int frames);

}  // namespace vexalo

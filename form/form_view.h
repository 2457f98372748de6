// form/: the form view without a toolkit: its painting and painted button bar, the skin layout, the
// one command table with the registry and bindings made from it, the key routing and the resource
// texts. Above commands/; the window in app/ drives it.
//
// The form view's own logic, free of any toolkit: its set-up, its painting (skin, waveform of the
// current PlayerState, song facts) and the painted button bar's press, hover and release.
// The window forwards its events here and implements the ViewPort the view talks to.
#pragma once

#include <cstdint>
#include <string>

#include "common/canvas.h"
#include "common/view_port.h"
#include "form/command_registry.h"

namespace vexalo {

// How the view reaches the waveform logic (playback/waveform.h, playback/pointing.h). By
// default these are the playback module's functions; tests may replace them. Any of them may be
// null, and then that step is skipped.
struct WaveformCalls {
  void (*drawWhole)(Canvas& canvas) = nullptr;
  // Draws the window view for `length` bytes of SongBuffer; returns the per-channel step.
  std::uint64_t (*drawWindow)(Canvas& canvas, std::uint64_t length) = nullptr;
  // A left press and a pointer move; each returns true when the waveform took the event
  // (inside WaveRect with a song shown), and the button bar then leaves it alone.
  bool (*pointerDown)(int x, int y) = nullptr;
  bool (*pointerMoved)(int x, int y) = nullptr;
};
void SetWaveformCalls(const WaveformCalls& calls);
WaveformCalls GetWaveformCalls();
// The playback module's functions.
WaveformCalls DefaultWaveformCalls();


// Paints the whole view: the skin in its fixed order, then in PlayerState 99 the window waveform,
// in 2 the song facts in status pane 1 and (unless decoding) the whole waveform, then Insert
// TimeInfo, Side Time and Adjust once more. The song facts go to ActiveView's status bar (left
// out while there is no active view). Safe on any thread.
// This is the draw routine the view installs for RepaintView.
void OnDraw(Canvas& canvas);

// The song-facts text of status pane 1 for the loaded song.
std::string SongFactsText();

// Index (skin::ButtonIndex) of the top button at (x, y), or -1.
int HitTopButton(int x, int y);
// Index of the lower button at (x, y) that answers in `playerState`, tested in the order the
// press handler uses, or -1.
int HitActiveLowerButton(int x, int y, int playerState);
// Index of any of the eight lower buttons at (x, y), whatever the state, or -1.
int HitLowerButton(int x, int y);

class FormView {
 public:
  explicit FormView(ViewPort& port, CommandRegistry& commands = Commands());

  // The view's set-up after its controls exist: installs OnDraw as the draw routine, sets the
  // title, disables the slider, sets the adjust fields to "0" with "+" chosen, limits the editor
  // to 30,720 bytes and gives it the focus. Setting ActiveView is the window's job.
  void OnInitialUpdate();

  // Mouse handlers, client pixels: the waveform's pointing logic first, then the button bar.
  // The window does its default handling after each.
  void OnLButtonDown(int x, int y);
  void OnMouseMove(int x, int y);
  void OnLButtonUp(int x, int y);

 private:
  void PressButton(int index);

  ViewPort& m_port;
  CommandRegistry& m_commands;
};

}  // namespace vexalo

// playback/: playing and showing the song: the wave output device on SDL2 audio, the whole-view and
// window-view players, waveform drawing, pointing with mouse and slider, the read-outs and the
// lyric panel. Above common/; it reads the SyncTable of sync/ and the caret of lyrics/.
//
// Playback: the two playback workers that feed SongBuffer to the wave device while a cursor
// crosses the waveform, the switches between the two song views, and the Play Time / Start Time
// read-outs and the lyric panel they keep up to date.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace vexalo {

constexpr int kWindowFrames = 200;                  // frames the window view spans at first
constexpr int kWindowSpans[] = {50, 100, 200, 400, 800};
constexpr std::size_t kChunkBufferBytes = 138'240;  // staging area for one chunk of device samples
constexpr int kLyricPanelBitmap = 261;              // the panel's light-blue background
constexpr int kLyricPanelX = 580, kLyricPanelY = 295;
constexpr int kCursorHalfBand = 50;  // the cursor covers middle - 50 .. middle + 50
constexpr unsigned kCursorColour = 200u << 16 | 100u << 8 | 100u;  // RGB(200, 100, 100)

// Staging area for the chunk of device samples a playback worker queues next.
extern unsigned char ChunkBuffer[kChunkBufferBytes];

// Frames the window view shows and plays now: one of kWindowSpans. Set on the UI thread; a
// window player reads it once as it starts.
extern std::atomic<int> WindowFrames;
// The span `steps` places narrower (negative: wider) than `frames` in kWindowSpans, kept at the
// ends; any value is first taken to its nearest span.
int ZoomedSpan(int frames, int steps);
// Song bytes of the window view's span.
std::uint64_t WindowSpanBytes();

// Derived from SongInfo: stereo 16-bit bytes the device gets per frame (frameScale x 1152) and
// the mono bytes SongBuffer holds per frame (half of that).
int DeviceBytesPerFrame();
int SongBytesPerFrame();

// Milliseconds at which byte p of SongBuffer is heard.
int TimeOfPosition(std::uint64_t p);
// The song time (ms) of the sample the device is playing now, while a player plays; nothing
// when no song plays or the device cannot tell.
std::optional<int> HeardPlayMillis();

// " Start Time = ..." of PlayPosBytes into WindowStartText / WindowStart, shown in slot 1006.
void ShowStartReadout();
// " End Time = ..." of the window that starts at PlayPosBytes and spans WindowFrames, into
// WindowEndText, as a window playback shows it (not drawn here).
void ShowWindowEndReadout();
// " Play Time = ..." of PlayPosBytes into PlayTimeText / PlayTime, shown in slot 1008.
void ShowPlayReadout();
// Composes and draws the lyric panel for a play time (hours 0, minutes not reduced): the lyric
// of the entry that started since the previous call of this playback (FormatLyricPanelBetween).
// Worker thread, one call per chunk.
void ShowLyricPanel(int hours, int minutes, int seconds, int millis);

// The whole view from the song's start (PlayPosBytes and CursorOffset 0, view repainted), and
// the window view at PlayPosBytes (slider, read-outs and window waveform brought up to date).
void SwitchToWholeView();
void SwitchToWindowView();

// Worker procedures; the starter has set WorkerBusy. Both return 1.
int WholePlayWorker();
int WindowPlayWorker();
// Sets nothing: starts the worker on the worker thread (WorkerBusy must already be 1).
void StartWholePlayWorker();
void StartWindowPlayWorker();

// Slider position of PlayPosBytes (capped at 65535), stored in SliderPos and sent to the slider
// unless the user holds it.
void UpdateSliderFromPosition(std::uint64_t pos);

// True while the user holds the position slider down: the players leave its knob alone then.
extern std::atomic<bool> SliderHeld;
// The slider place at which the user let go of it during a playback, -1 for none. The player
// that stops for that release starts the next playback there (StartAtSlider) as it ends.
extern std::atomic<int> PendingSliderStart;

// The even song position of a slider place (0..65535) within the decoded data.
std::uint64_t PositionOfSlider(int slider);
// Makes a slider place the start of the next playback: PlayPosBytes, the whole view's cursor
// column or the window drawn from there with its Start and End Time, the slider and the Play
// Time read-out.
void StartAtSlider(int slider);
// Carries out a pending slider start when no worker runs (one that ended just as the slider was
// let go of has not seen it).
void TakePendingSliderStart();

}  // namespace vexalo

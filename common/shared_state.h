// common/: what every other folder may use and which uses no other folder: the ports the core talks
// through (ViewPort, Canvas, AudioBackend), the process-wide shared state, the one worker thread,
// the repaint hook, the CP949 codec and character stepping, lyrics file encodings, safe file
// rewriting, careful input files and the user settings.
//
// Process-wide state that the UI thread, the one worker and the audio callback share.
// Words that cross threads are atomics; multi-word values are published as one unit.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "common/song_buffer.h"

namespace vexalo {

class ViewPort;

constexpr std::size_t kTextCapacity = 512;          // read-out texts, tag slots, panel text
constexpr std::size_t kLyricsCapacity = 30'720;     // lyrics text buffer and SyncTable block buffer

// PlayerState values.
enum : int { kStateNoSong = 0, kStateOpening = 1, kStateWholeView = 2, kStateWindowView = 99 };

// TransportCommand values (virtual-key codes of the keys that issue them).
enum : int {
  kCmdNone = 0,
  kCmdEscape = 27,
  kCmdPlay = 32,
  kCmdRewind = 37,
  kCmdForward = 39,
  kCmdPause = 80,
  kCmdStop = 81,
  kCmdWholeView = 99999,
  kCmdWindowView = 77777,
};

// Bytes held in SongBuffer (common/song_buffer.h). The decoder stores samples first, then
// publishes the new count with release order, so a reader that loads it with acquire order sees
// every byte below it. Song positions are 64-bit: a long song passes 4 GB of samples.
extern std::atomic<std::uint64_t> storedBytes;

// Facts of the loaded song, from its first Layer III frame.
struct SongInfoData {
  std::atomic<int> layer{0};
  std::atomic<int> mode{0};
  std::atomic<int> sampleRate{0};
  std::atomic<int> bitRate{0};
  std::atomic<int> channels{0};
  std::atomic<int> frameScale{0};
  std::atomic<double> frameSeconds{0.0};
  std::atomic<int> totalMinutes{0};
  std::atomic<int> totalSeconds{0};
  std::atomic<int> totalMillis{0};
  void Reset();
};
extern SongInfoData SongInfo;

// Minutes, seconds and milliseconds published together, so a reader never mixes two values.
struct TimeMark {
  int minutes = 0;
  int seconds = 0;
  int millis = 0;
  bool operator==(const TimeMark&) const = default;
};

class AtomicTimeMark {
 public:
  void Store(TimeMark t) noexcept;
  TimeMark Load() const noexcept;

 private:
  std::atomic<std::uint64_t> m_packed{0};
};

// A 512-byte read-out text that a worker writes and the UI thread repaints. Values are cut at
// 511 bytes, like the zero-terminated buffers they stand for.
class SharedText {
 public:
  void Set(const std::string& text);
  std::string Get() const;
  void Clear() { Set(std::string()); }

 private:
  mutable std::mutex m_lock;
  std::string m_text;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

extern std::atomic<int> PlayerState;
// True in the two states that show a song, the whole view and the window view; without an
// argument, for the current PlayerState.
inline bool SongShown(int state) { return state == kStateWholeView || state == kStateWindowView; }
inline bool SongShown() { return SongShown(PlayerState.load()); }
extern std::atomic<int> TransportCommand;
extern std::atomic<int> WorkerBusy;
extern std::atomic<int> Decoding;
extern std::atomic<int> ProgressMillis;
extern std::atomic<int> SliderPos;
extern std::atomic<std::uint64_t> SliderStepBytes;
extern std::atomic<std::uint64_t> PlayPosBytes;
extern std::atomic<int> CursorOffset;
extern std::atomic<std::uint64_t> ColumnBytes;
extern std::atomic<std::uint64_t> ColumnStep;
extern std::atomic<int> ChunkFrames;
extern std::atomic<int> LyricPanelFresh;
extern std::atomic<int> BufferDoneFlag;

extern AtomicTimeMark PlayTime;
extern AtomicTimeMark WindowStart;

// Read-out texts painted over the waveform.
extern SharedText StartTimeText;    // slot 1006, whole view
extern SharedText ProgressText;     // slot 1004
extern SharedText EndTimeText;      // slot 1007, whole view
extern SharedText WindowStartText;  // slot 1006, window view
extern SharedText WindowEndText;    // slot 1007, window view
extern SharedText PlayTimeText;     // slot 1008
extern SharedText CursorTimeText;   // slot 1005
extern SharedText LyricPanelText;

// The waveform rectangle in view coordinates (from hidden control 1002). Set on the UI thread
// before a worker starts; workers only read it.
extern Rect WaveRect;

// Remembered file names. Held whole (no 256-byte cut); UI thread only.
extern std::string CurrentMp3Path;
extern std::string SyncSourcePath;
extern std::string CurrentMp3Name;
extern std::string CurrentMp3Folder;
extern std::string TextFilePath;
extern std::string TextFileName;

// The one view; null before set-up and after shutdown. Workers test it before drawing.
extern std::atomic<ViewPort*> ActiveView;

}  // namespace vexalo

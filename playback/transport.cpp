#include "playback/transport.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "common/worker.h"
#include "playback/playback_speed.h"
#include "playback/readout.h"
#include "playback/sdl_audio_backend.h"
#include "playback/wave_out_device.h"
#include "playback/waveform.h"
#include "sync/sync_table.h"

namespace vexalo {

unsigned char ChunkBuffer[kChunkBufferBytes];
std::atomic<int> WindowFrames{kWindowFrames};
std::atomic<bool> SliderHeld{false};
std::atomic<int> PendingSliderStart{-1};

namespace {

constexpr Colour kLyricPanelColour = RGB(147, 196, 236);
constexpr int kBandPixels = 2 * kCursorHalfBand + 1;
constexpr int kSliderMax = 65'535;

int SongChannels() { return std::max(1, SongInfo.channels.load()); }

double FrameMillis() { return SongInfo.frameSeconds.load() * 1000.0; }

// The double value TimeOfPosition truncates.
double ExactTimeOfPosition(std::uint64_t p) {
  const double perFrame = SongBytesPerFrame();
  if (perFrame <= 0) return 0.0;
  const double frameMs = FrameMillis();
  return frameMs / (perFrame / SongChannels()) + (static_cast<double>(p) / perFrame) * frameMs;
}

std::string FormatTime(const char* format, int ms) {
  char text[kTextCapacity];
  std::snprintf(text, sizeof text, format, ms / 60000, (ms / 1000) % 60, (ms % 1000) / 10);
  return text;
}

TimeMark MarkOf(int ms) { return TimeMark{ms / 60000, (ms / 1000) % 60, ms % 1000}; }

int TotalMillis() {
  return SongInfo.totalMinutes.load() * 60000 + SongInfo.totalSeconds.load() * 1000 + SongInfo.totalMillis.load();
}

void SetSlider(int pos) {
  if (ViewPort* view = ActiveView.load()) view->SetSliderPos(pos);
}

// Draws the window view from PlayPosBytes and sets ColumnBytes from its step.
void DrawWindowAndSetColumns() {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  std::uint64_t step;
  {
    CanvasLease canvas(*view);
    step = DrawWindowWave(*canvas, WindowSpanBytes());
  }
  ColumnBytes.store(step * static_cast<std::uint64_t>(SongChannels()));
}

// The pixels under the cursor line: what the band held before the line was drawn, for two
// columns (the one just drawn and the one before).
struct CursorBand {
  int top = 0;
  Colour saved[2][kBandPixels] = {};
  int slot = 0;

  // One step: save the band at `column`, draw the line there, put the previous column back.
  void Move(Canvas& canvas, int column, int previous, bool drawLine) {
    for (int k = 0; k < kBandPixels; ++k) saved[slot][k] = canvas.GetPixel(column, top + k);
    slot ^= 1;
    if (drawLine) canvas.Line(column, top, column, top + kBandPixels - 1, kCursorColour);
    if (previous == -1) return;
    // Only what the line still covers is put back: a repaint since then has drawn the picture
    // anew there, and older pixels must not come back over it.
    for (int k = 0; k < kBandPixels; ++k)
      if (canvas.GetPixel(previous, top + k) == kCursorColour) canvas.SetPixel(previous, top + k, saved[slot][k]);
  }
};

// The moving cursor: a line over the band middle-50..middle+50, with the band's pixels saved
// before each line is drawn and put back once the cursor has moved on.
class Cursor {
 public:
  Cursor(float startX, int lastDrawn) : m_x(startX), m_lastDrawn(lastDrawn), m_band(std::make_shared<CursorBand>()) {
    const Rect r = WaveRect;
    m_left = r.left;
    m_right = r.right;
    int middle = r.top + (r.bottom - r.top) / 2;
    m_band->top = middle - kCursorHalfBand;
  }

  void Advance(float columns, ViewPort& view) {
    m_x += columns;
    const int column = static_cast<int>(m_x);
    if (column == m_previous) return;
    const bool drawLine = m_lastDrawn >= m_left && m_lastDrawn <= m_right;
    if (drawLine) m_lastDrawn = column;
    CanvasLease canvas(view);
    // Saving, drawing and putting back are one step on the canvas, whichever thread draws, so no
    // repaint or read-out lands between them.
    canvas->RunStep([band = m_band, column, previous = m_previous, drawLine](Canvas& c) {
      band->Move(c, column, previous, drawLine);
    });
    m_previous = column;
  }

  int Previous() const { return m_previous; }
  int Left() const { return m_left; }

 private:
  float m_x;
  int m_lastDrawn;
  int m_previous = -1;
  int m_left, m_right;
  std::shared_ptr<CursorBand> m_band;
};

// What ended a playback loop.
struct LoopEnd {
  bool endReached = false;
  bool viewGone = false;
};

bool StopsWholePlayer(int command) {
  return command == kCmdPlay || command == kCmdPause || command == kCmdStop || command == kCmdWholeView ||
         command == kCmdWindowView;
}

bool StopsWindowPlayer(int command) {
  return command == kCmdPlay || command == kCmdStop || command == kCmdWholeView || command == kCmdWindowView ||
         command == kCmdRewind || command == kCmdForward;
}

// One playback's feeding loop, shared by both players.
class Feeder {
 public:
  Feeder(std::uint64_t pos, std::uint64_t limit, double startMillis)
      : m_pos(pos), m_limit(limit), m_startMillis(startMillis), m_queued(static_cast<double>(pos)) {
    m_chunkFrames = std::clamp(ChunkFrames.load(), 1, static_cast<int>(kChunkBufferBytes / 4608));
    m_songChunk = static_cast<std::uint32_t>(m_chunkFrames * SongBytesPerFrame());
    m_stretched.resize(m_songChunk / 2);
  }

  enum class Fed { Chunk, EndReached, Stopped };

  // Feeds one chunk at the speed chosen now. A chunk that would pass the limit is not played
  // (EndReached). The wait for a free device buffer comes before the chunk is prepared, and a
  // command that ends the loop and arrives during it leaves the chunk unread (Stopped):
  // stopping then lets only the chunks already queued play out.
  template <typename Stops>
  Fed FeedChunk(Stops stops) {
    const int speed = ValidSpeed(PlaybackSpeedPercent.load());
    if (speed != m_speed) ChangeSpeed(speed);
    return m_speed == 100 ? FeedSongChunk(stops) : FeedStretchedChunk(stops);
  }

  bool DeviceFailed() const { return m_lastResult == -1; }
  // Where the next playback goes on from: the end of the sound queued so far.
  std::uint64_t Position() const { return m_speed == 100 ? m_pos : EvenBelow(m_queued); }
  // Frames of the song one device buffer stands for, which the cursor moves by.
  float FramesPerBuffer() const {
    return m_speed == 100 ? static_cast<float>(m_chunkFrames) : static_cast<float>(m_chunkFrames * m_speed / 100.0);
  }

 private:
  static std::uint64_t EvenBelow(double bytes) {
    const auto p = static_cast<std::uint64_t>(std::max(0.0, bytes));
    return p & ~std::uint64_t{1};
  }

  bool WaitForBuffer(int& command) {
    if (AudioWaitCurrentBuffer() == -1) {
      m_lastResult = -1;
      return false;
    }
    command = TransportCommand.load();
    return true;
  }

  // The read-outs, lyric panel and slider for the song time queued so far.
  void ShowQueuedTime() {
    const int ms = static_cast<int>(m_elapsed * 1000.0 + m_startMillis);
    const TimeMark mark = MarkOf(ms);
    PlayTime.Store(mark);
    PlayTimeText.Set(FormatTime(" Play Time = %02d:%02d:%02d ", ms));
    ShowReadout(kIdcPlaySlot, PlayTimeText.Get());
    ShowLyricPanel(0, mark.minutes, mark.seconds, mark.millis);
    UpdateSliderFromPosition(Position());
  }

  // The song's own samples, each sent twice (left, right).
  template <typename Stops>
  Fed FeedSongChunk(Stops stops) {
    if (m_songChunk == 0 || m_pos + m_songChunk > m_limit) return Fed::EndReached;
    int command = 0;
    if (!WaitForBuffer(command)) return Fed::Chunk;
    if (stops(command) || command == kCmdStop) return Fed::Stopped;
    std::memset(ChunkBuffer, 0, sizeof ChunkBuffer);
    const unsigned char* from = SongBuffer + m_pos;
    for (std::uint32_t k = 0; k < m_songChunk; k += 2) {
      unsigned char* to = ChunkBuffer + 2 * k;
      to[0] = to[2] = from[k];
      to[1] = to[3] = from[k + 1];
    }
    const SongSpan span{static_cast<double>(m_pos), 2.0};
    m_pos += m_songChunk;
    m_queued = static_cast<double>(m_pos);
    m_elapsed += m_chunkFrames * SongInfo.frameSeconds.load();
    ShowQueuedTime();
    m_lastResult = AudioPlay(ChunkBuffer, 2 * m_songChunk, span);
    return Fed::Chunk;
  }

  // The song stretched in time: song chunks go in until a device buffer's worth (as many
  // samples as one chunk at 1x) is ready; after the limit the stretcher's tail is played out.
  template <typename Stops>
  Fed FeedStretchedChunk(Stops stops) {
    if (m_songChunk == 0 || (m_inputEnded && m_stretch.Ready() == 0)) return Fed::EndReached;
    int command = 0;
    if (!WaitForBuffer(command)) return Fed::Chunk;
    if (stops(command) || command == kCmdStop) return Fed::Stopped;
    const std::size_t target = m_stretched.size();
    while (m_stretch.Ready() < target && !m_inputEnded) {
      if (m_pos + m_songChunk > m_limit) {
        m_inputEnded = true;
        m_stretch.Flush();
        break;
      }
      m_stretch.Put(SongBuffer + m_pos, m_songChunk / 2);
      m_pos += m_songChunk;
    }
    const std::size_t got = m_stretch.Take(m_stretched.data(), target);
    if (got == 0) return Fed::EndReached;
    std::memset(ChunkBuffer, 0, sizeof ChunkBuffer);
    for (std::size_t i = 0; i < got; ++i) {
      const auto v = static_cast<std::uint16_t>(m_stretched[i]);
      unsigned char* to = ChunkBuffer + 4 * i;
      to[0] = to[2] = static_cast<unsigned char>(v & 0xFF);
      to[1] = to[3] = static_cast<unsigned char>(v >> 8);
    }
    // Stretched sound stands for less of the song than it lasts; the song's end is never passed.
    const double bytesPerFrame = 2.0 * m_speed / 100.0;
    const SongSpan span{m_queued, bytesPerFrame};
    const double songBytes = std::min(static_cast<double>(got) * bytesPerFrame, static_cast<double>(m_pos) - m_queued);
    m_queued += std::max(0.0, songBytes);
    m_elapsed += std::max(0.0, songBytes) * SongInfo.frameSeconds.load() / SongBytesPerFrame();
    ShowQueuedTime();
    m_lastResult = AudioPlay(ChunkBuffer, static_cast<std::uint32_t>(4 * got), span);
    return Fed::Chunk;
  }

  // A new speed goes on from the end of what was queued; the stretcher starts afresh.
  void ChangeSpeed(int speed) {
    if (m_speed != 100) {
      m_pos = EvenBelow(m_queued);
      m_queued = static_cast<double>(m_pos);
    }
    m_inputEnded = false;
    if (speed != 100) m_stretch.Start(SongInfo.sampleRate.load(), speed);
    m_speed = speed;
  }

  std::uint64_t m_pos;
  std::uint64_t m_limit;
  double m_startMillis;
  double m_queued;        // song position (bytes) of the end of the sound queued
  double m_elapsed = 0.0;  // song seconds queued since the start
  int m_chunkFrames = 4;
  std::uint32_t m_songChunk = 0;
  int m_lastResult = 0;
  int m_speed = 100;
  bool m_inputEnded = false;
  TimeStretch m_stretch;
  std::vector<std::int16_t> m_stretched;
};

// Runs a player's loop until `stops` accepts the command word, the limit is reached or the view
// is gone. After a device error the loop only watches the command word, sleeping between looks.
template <typename Stops>
LoopEnd RunLoop(Feeder& feeder, Cursor& cursor, float columnsPerFrame, Stops stops) {
  LoopEnd end;
  while (!stops(TransportCommand.load())) {
    ViewPort* view = ActiveView.load();
    if (!view) {
      end.viewGone = true;
      break;
    }
    if (feeder.DeviceFailed()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else if (BufferDoneFlag.load() == 0) {
      const Feeder::Fed fed = feeder.FeedChunk(stops);
      if (fed == Feeder::Fed::EndReached) {
        end.endReached = true;
        break;
      }
      if (fed == Feeder::Fed::Stopped) break;
    }
    if (BufferDoneFlag.load() == 1 && !feeder.DeviceFailed()) {
      if (ActiveView.load()) cursor.Advance(feeder.FramesPerBuffer() * columnsPerFrame, *view);
      BufferDoneFlag.store(0);
    }
    if (TransportCommand.load() == kCmdStop) break;
  }
  return end;
}

void OpenDevice() {
  AudioInit();
  AudioConfigure(2, SongInfo.sampleRate.load());
  if (TakeNoAudioDeviceNotice())
    if (ViewPort* view = ActiveView.load()) view->SetStatusText(kPanePrompt, kNoAudioDeviceText);
}

// Set while a player has the device, so the heard position is the song's.
std::atomic<bool> g_songPlaying{false};

// As a player ends: a stop or the song's end leaves the slider where the next playback starts,
// which is the place the user let go of it at if that was why it stopped.
void SettleSlider(int command, bool endReached = false) {
  const int slider = PendingSliderStart.exchange(-1);
  if (slider >= 0) {
    StartAtSlider(slider);
  } else if (command == kCmdStop || endReached) {
    UpdateSliderFromPosition(PlayPosBytes.load());
  }
}

void EndWorker() {
  LyricPanelFresh.store(0);
  TransportCommand.store(kCmdNone);
  WorkerBusy.store(0);
}

}  // namespace

void SwitchToWindowView() {
  PlayerState.store(kStateWindowView);
  UpdateSliderFromPosition(PlayPosBytes.load());
  ShowStartReadout();
  // The End Time is this window's, not that of the window played last.
  ShowWindowEndReadout();
  ShowPlayReadout();
  DrawWindowAndSetColumns();
}

void SwitchToWholeView() {
  PlayPosBytes.store(0);
  CursorOffset.store(0);
  PlayerState.store(kStateWholeView);
  UpdateSliderFromPosition(0);
  RepaintView();
}

int ZoomedSpan(int frames, int steps) {
  constexpr int count = static_cast<int>(std::size(kWindowSpans));
  int at = 0;
  for (int i = 0; i < count; ++i)
    if (std::abs(kWindowSpans[i] - frames) < std::abs(kWindowSpans[at] - frames)) at = i;
  return kWindowSpans[std::clamp(at - steps, 0, count - 1)];
}

std::uint64_t WindowSpanBytes() {
  return static_cast<std::uint64_t>(WindowFrames.load()) * static_cast<std::uint64_t>(SongBytesPerFrame());
}

int DeviceBytesPerFrame() { return SongInfo.frameScale.load() * 1152; }
int SongBytesPerFrame() { return DeviceBytesPerFrame() / 2; }

int TimeOfPosition(std::uint64_t p) { return static_cast<int>(ExactTimeOfPosition(p)); }

std::optional<int> HeardPlayMillis() {
  if (!g_songPlaying.load()) return std::nullopt;
  const std::optional<double> heard = AudioHeardPosition();
  if (!heard) return std::nullopt;
  return static_cast<int>(ExactTimeOfPosition(static_cast<std::uint64_t>(std::max(0.0, *heard))));
}

void ShowStartReadout() {
  const int ms = TimeOfPosition(PlayPosBytes.load());
  WindowStart.Store(MarkOf(ms));
  WindowStartText.Set(FormatTime(" Start Time = %02d:%02d:%02d ", ms));
  ShowReadout(kIdcStartSlot, WindowStartText.Get());
}

void ShowWindowEndReadout() {
  const int startTime = TimeOfPosition(PlayPosBytes.load());
  const int endTime = startTime + static_cast<int>(SongInfo.frameSeconds.load() * (WindowFrames.load() * 1000.0));
  WindowEndText.Set(FormatTime(" End Time = %02d:%02d:%02d ", endTime));
}

void ShowPlayReadout() {
  const int ms = TimeOfPosition(PlayPosBytes.load());
  PlayTime.Store(MarkOf(ms));
  PlayTimeText.Set(FormatTime(" Play Time = %02d:%02d:%02d ", ms));
  ShowReadout(kIdcPlaySlot, PlayTimeText.Get());
}

void UpdateSliderFromPosition(std::uint64_t pos) {
  const std::uint64_t stepBytes = std::max<std::uint64_t>(1, SliderStepBytes.load());
  const int slider = static_cast<int>(std::min<std::uint64_t>(pos / stepBytes, kSliderMax));
  SliderPos.store(slider);
  if (!SliderHeld.load()) SetSlider(slider);
}

std::uint64_t PositionOfSlider(int slider) {
  const std::uint64_t stored = storedBytes.load();
  auto pos = static_cast<std::int64_t>(static_cast<double>(stored) * (1.0 / kSliderMax) * std::clamp(slider, 0, kSliderMax));
  if (pos & 1) ++pos;
  if (pos >= static_cast<std::int64_t>(stored)) {
    pos = std::max<std::int64_t>(static_cast<std::int64_t>(stored) - 1, 0);
    if (pos & 1) --pos;
  }
  return static_cast<std::uint64_t>(pos);
}

void StartAtSlider(int slider) {
  slider = std::clamp(slider, 0, kSliderMax);
  SliderPos.store(slider);
  PlayPosBytes.store(PositionOfSlider(slider));
  if (PlayerState.load() == kStateWindowView) {
    ShowStartReadout();
    ShowWindowEndReadout();
    RepaintView();
  } else {
    const std::uint64_t columnBytes = std::max<std::uint64_t>(1, ColumnBytes.load());
    CursorOffset.store(static_cast<int>(PlayPosBytes.load() / columnBytes));
  }
  SetSlider(slider);
  ShowPlayReadout();
}

void TakePendingSliderStart() {
  if (WorkerBusy.load() != 0 || !SongShown()) return;
  const int slider = PendingSliderStart.exchange(-1);
  if (slider >= 0) StartAtSlider(slider);
}

void ShowLyricPanel(int hours, int minutes, int seconds, int millis) {
  // Worker-only: the panel's bytes persist between chunks so an earlier lyric stays shown.
  static unsigned char panel[kTextCapacity];
  // The play time of the last chunk shown, and the table it was shown from.
  static std::int64_t shownUpTo = -1;
  static unsigned shownTable = 0;
  const std::int64_t now = ((std::int64_t{hours} * 60 + minutes) * 60 + seconds) * 1000 + millis;
  if (LyricPanelFresh.load() == 0) {
    LyricPanelFresh.store(1);
    std::memset(panel, 0, sizeof panel);
    shownUpTo = -1;
    shownTable = SharedSyncTable.Generation();
  }
  // Each chunk shows the entry that started since the chunk before, so none falls between two
  // chunks; the first chunk of a playback looks one chunk back. When the table changed during
  // the playback (a stamp, an undo) the entry whose time has come most recently is shown afresh.
  std::int64_t since = shownUpTo;
  if (since < 0 || since >= now)
    since = now - static_cast<std::int64_t>(ChunkFrames.load() * SongInfo.frameSeconds.load() * 1000.0) - 1;
  const unsigned table = SharedSyncTable.Generation();
  const bool tableChanged = table != shownTable;
  if (tableChanged) {
    shownTable = table;
    std::memset(panel + 16, 0, sizeof panel - 16);
    since = INT64_MIN;
  }
  shownUpTo = now;
  const int found = FormatLyricPanelBetween(since, now, panel);
  const int result = tableChanged ? 0 : found;
  panel[kTextCapacity - 1] = 0;
  LyricPanelText.Set(reinterpret_cast<const char*>(panel));
  if (panel[0] == 0) return;
  ViewPort* view = ActiveView.load();
  if (!view) return;
  CanvasLease canvas(*view);
  if (result != -1) canvas->DrawBitmap(kLyricPanelX, kLyricPanelY, kLyricPanelBitmap);
  char line[128];
  int length = 0, shift = 0, y = 305;
  for (std::size_t i = 0; i < kTextCapacity && panel[i] != 0; ++i) {
    const unsigned char b = panel[i];
    if (b == ' ' && length == 0) {
      shift += 8;
    } else if (b == '\r') {
      canvas->TextOnColour(585 + shift, y, std::string(line, static_cast<std::size_t>(length)), kLyricPanelColour);
      y += 20;
      length = shift = 0;
      ++i;
    } else if (length < 128) {
      line[length++] = static_cast<char>(b);
    }
  }
  // The last line of a lyric often has no CR LF of its own (a wrapped line, the song's last
  // entry); it is drawn all the same.
  if (length > 0) canvas->TextOnColour(585 + shift, y, std::string(line, static_cast<std::size_t>(length)), kLyricPanelColour);
}

int WholePlayWorker() {
  const std::uint64_t start = PlayPosBytes.load();
  OpenDevice();
  g_songPlaying.store(true);
  const double startMillis = ExactTimeOfPosition(start);
  const std::uint64_t columnStep = ColumnStep.load();
  const float columnsPerFrame =
      columnStep == 0 ? 0.0f
                      : static_cast<float>(static_cast<double>(SongBytesPerFrame()) / columnStep / SongChannels());

  StartTimeText.Set(FormatTime(" Start Time = %02d:%02d:%02d ", 0));
  ShowReadout(kIdcStartSlot, StartTimeText.Get());
  EndTimeText.Set(FormatTime(" End Time = %02d:%02d:%02d ", TotalMillis()));
  ShowReadout(kIdcEndSlot, EndTimeText.Get());

  const int cursorStart = WaveRect.left + CursorOffset.load();
  Cursor cursor(static_cast<float>(cursorStart), cursorStart);
  BufferDoneFlag.store(0);
  PlayerState.store(kStateWholeView);

  Feeder feeder(start, storedBytes.load(std::memory_order_acquire), startMillis);
  const LoopEnd end = RunLoop(feeder, cursor, columnsPerFrame, StopsWholePlayer);

  const int command = TransportCommand.load();
  if (!end.viewGone) {
    if (command == kCmdStop) {
      PlayPosBytes.store(0);
      CursorOffset.store(0);
      RepaintView();
    } else if (command == kCmdPlay) {
      RepaintView();
    } else if (command == kCmdPause) {
      RepaintView();
      PlayPosBytes.store(feeder.Position());
      // A cursor that never moved still stands at its starting column.
      if (cursor.Previous() != -1) CursorOffset.store(cursor.Previous() - cursor.Left());
    } else if (end.endReached) {
      RepaintView();
      const int total = TotalMillis();
      PlayTime.Store(MarkOf(total));
      PlayTimeText.Set(FormatTime(" Play Time = %02d:%02d:%02d ", total));
      ShowReadout(kIdcPlaySlot, PlayTimeText.Get());
    }
  }

  AudioFinish();
  g_songPlaying.store(false);

  if (!end.viewGone && ActiveView.load()) {
    const int finalCommand = TransportCommand.load();
    if (finalCommand == kCmdWholeView) {
      SwitchToWholeView();
    } else if (finalCommand == kCmdWindowView) {
      SwitchToWindowView();
    }
    SettleSlider(command, end.endReached);
  }
  EndWorker();
  return 1;
}

int WindowPlayWorker() {
  const std::uint64_t start = PlayPosBytes.load();
  OpenDevice();
  g_songPlaying.store(true);
  const double startMillis = ExactTimeOfPosition(start);
  const int startTime = static_cast<int>(startMillis);
  PlayerState.store(kStateWindowView);

  const int songPerFrame = SongBytesPerFrame();
  const int channels = SongChannels();
  const int frames = WindowFrames.load();
  float columnsPerFrame = 0.0f;
  if (ViewPort* view = ActiveView.load()) {
    std::uint64_t s;
    {
      CanvasLease canvas(*view);
      s = DrawWindowWave(*canvas, static_cast<std::uint64_t>(frames) * songPerFrame);
    }
    if (s != 0) columnsPerFrame = static_cast<float>(static_cast<double>(songPerFrame) / static_cast<double>(s) / channels + 0.1);
    ColumnBytes.store(static_cast<std::uint64_t>(channels) * s);
  }
  const int endTime = startTime + static_cast<int>(SongInfo.frameSeconds.load() * (frames * 1000.0));

  WindowStart.Store(MarkOf(startTime));
  WindowStartText.Set(FormatTime(" Start Time = %02d:%02d:%02d ", startTime));
  ShowReadout(kIdcStartSlot, WindowStartText.Get());
  if (ActiveView.load()) CallSideTimeRoutine();
  WindowEndText.Set(FormatTime(" End Time = %02d:%02d:%02d ", endTime));
  ShowReadout(kIdcEndSlot, WindowEndText.Get());

  Cursor cursor(static_cast<float>(WaveRect.left), WaveRect.left);
  BufferDoneFlag.store(0);
  const std::uint64_t limit = std::min<std::uint64_t>(
      start + static_cast<std::uint64_t>(frames) * songPerFrame,
      storedBytes.load(std::memory_order_acquire));
  Feeder feeder(start, limit, startMillis);
  const LoopEnd end = RunLoop(feeder, cursor, columnsPerFrame, StopsWindowPlayer);

  const int command = TransportCommand.load();
  if (!end.viewGone) {
    if (command == kCmdStop || command == kCmdPlay) {
      RepaintView();
    } else if (end.endReached && command != kCmdRewind && command != kCmdForward && command != kCmdWholeView &&
               command != kCmdWindowView) {
      RepaintView();
      ShowReadout(kIdcPlaySlot, PlayTimeText.Get());
    }
  }

  AudioFinish();
  g_songPlaying.store(false);

  if (!end.viewGone && ActiveView.load()) {
    const int finalCommand = TransportCommand.load();
    if (finalCommand == kCmdWholeView) {
      SwitchToWholeView();
    } else if (finalCommand == kCmdWindowView) {
      PlayerState.store(kStateWindowView);
      RepaintView();
    }
    SettleSlider(command);
  }
  EndWorker();
  return 1;
}

void StartWholePlayWorker() {
  // A slider start left over from an earlier playback is not this one's to carry out.
  PendingSliderStart.store(-1);
  StartWorkerThread([] { WholePlayWorker(); });
}

void StartWindowPlayWorker() {
  PendingSliderStart.store(-1);
  StartWorkerThread([] { WindowPlayWorker(); });
}

}  // namespace vexalo

#include "decode/decode_worker.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "common/worker.h"
#include "decode/decode_job.h"
#include "playback/readout.h"

namespace vexalo {

namespace {

// The worker's frame area (kept apart from the playback chunk buffer; the two never overlap
// in time anyway).
unsigned char g_frameArea[kFrameScratchBytes];

// How far SongBuffer holds data from earlier songs: only that much needs clearing at the next
// start.
std::atomic<std::uint64_t> g_songHighWater{0};

SharedText g_shortfall;

void ClearSongBuffer() {
  const std::uint64_t used = std::max(g_songHighWater.load(), storedBytes.load());
  storedBytes.store(0, std::memory_order_release);
  ZeroSongBytes(used);
  g_songHighWater.store(0);
}

// Bytes that one converted frame adds to SongBuffer: its left (or only) channel.
std::size_t StoredSizeOf(std::size_t bytes, int channels) {
  return channels >= 2 ? bytes / 4 * 2 : bytes & ~static_cast<std::size_t>(1);
}

// Appends the left (or only) channel of one converted frame behind `stored`; the room has been
// made usable.
void StoreFrame(const unsigned char* frame, std::size_t bytes, int channels, std::uint64_t stored) {
  unsigned char* dst = SongBuffer + stored;
  if (channels >= 2) {
    const std::size_t pairs = bytes / 4;
    for (std::size_t i = 0; i < pairs; ++i) std::memcpy(dst + 2 * i, frame + 4 * i, 2);
    return;
  }
  std::memcpy(dst, frame, StoredSizeOf(bytes, channels));
}

}  // namespace

int FrameScaleFor(int sampleRate) {
  return sampleRate == 32'000 || sampleRate == 44'100 || sampleRate == 48'000 ? 4 : 2;
}

double FrameSecondsFor(int sampleRate) {
  if (sampleRate <= 0) return 0.0;
  return FrameScaleFor(sampleRate) == 4 ? 1152.0 / sampleRate : 1152.0 / (2.0 * sampleRate);
}

ClockParts SplitMillis(int ms) {
  if (ms < 0) ms = 0;
  return ClockParts{ms / 60'000, (ms / 1'000) % 60, (ms % 1'000) / 10, ms % 1'000};
}

std::string FormatClock(const char* format, int ms) {
  const ClockParts c = SplitMillis(ms);
  char text[kTextCapacity];
  std::snprintf(text, sizeof text, format, c.minutes, c.seconds, c.hundredths);
  return text;
}

int DecodeWorker() {
  HoldDecodeJob(true);
  ClearSongBuffer();
  Decoding.store(1);
  PlayerState.store(kStateNoSong);
  RepaintView();

  StartTimeText.Set(FormatClock(kStartTimeFormat, 0));
  ShowReadout(kIdcStartSlot, StartTimeText.Get());

  ChunkFrames.store(4);
  storedBytes.store(0, std::memory_order_release);
  PlayerState.store(kStateWholeView);
  SongInfo.layer.store(0);

  double runningSeconds = 0.0;
  int ms = 0;
  long frameCounter = 0;
  std::uint64_t stored = 0;
  bool outOfMemory = false;
  int songChannels = 0;
  double frameSeconds = 0.0;
  FrameFacts facts;

  bool stopped = false;
  for (;;) {
    if (TransportCommand.load() == kCmdStop) {
      stopped = true;
      break;
    }
    const int got = NextFrame(g_frameArea, sizeof g_frameArea, facts);
    if (got == kStepNeedInput) continue;
    if (got <= 0) break;
    if (facts.layer != MAD_LAYER_III) break;

    if (songChannels == 0) {
      SongInfo.mode.store(facts.mode);
      SongInfo.sampleRate.store(facts.sampleRate);
      SongInfo.bitRate.store(facts.bitRate);
      SongInfo.frameScale.store(FrameScaleFor(facts.sampleRate));
      frameSeconds = FrameSecondsFor(facts.sampleRate);
      SongInfo.frameSeconds.store(frameSeconds);
      songChannels = facts.mode == MAD_MODE_JOINT_STEREO || facts.mode == MAD_MODE_STEREO ? 2 : 1;
      SongInfo.channels.store(songChannels);
      SongInfo.layer.store(3);
    }

    // The frame's own layout decides what is its left channel, so a stream whose mode changes
    // midway still stores one channel.
    const int frameChannels = TheDecodeJob.channelsIn;
    const std::size_t frameStored = StoredSizeOf(static_cast<std::size_t>(got), frameChannels);
    if (!EnsureSongBytes(stored + frameStored)) {
      outOfMemory = true;
      break;
    }
    runningSeconds += frameSeconds;
    ms = static_cast<int>(runningSeconds * 1000.0);
    ProgressMillis.store(ms);

    StoreFrame(g_frameArea, static_cast<std::size_t>(got), frameChannels, stored);
    stored += frameStored;
    g_songHighWater.store(stored, std::memory_order_relaxed);
    storedBytes.store(stored, std::memory_order_release);

    if (frameCounter % kProgressEveryFrames == 0) {
      ProgressText.Set(FormatClock(kProcessingTimeFormat, ms));
      ShowReadout(kIdcProgressSlot, ProgressText.Get());
    }
    ++frameCounter;
  }

  EndDecodeJob();
  HoldDecodeJob(false);
  Decoding.store(0);

  const ClockParts total = SplitMillis(ms);
  ProgressText.Set(FormatClock(kTotalTimeFormat, ms));
  SongInfo.totalMinutes.store(total.minutes);
  SongInfo.totalSeconds.store(total.seconds);
  SongInfo.totalMillis.store(total.millis);
  EndTimeText.Set(FormatClock(kEndTimeFormat, ms));
  ShowReadout(kIdcEndSlot, EndTimeText.Get());

  if (SongInfo.layer.load() == 3) {
    auto step = static_cast<std::uint64_t>(static_cast<double>(stored) * (1.0 / kSliderMax));
    if (step == 0) step = 1;
    SliderStepBytes.store(step);
    const int pos = static_cast<int>(std::min<std::uint64_t>(PlayPosBytes.load() / step, kSliderMax));
    SliderPos.store(pos);
    if (ViewPort* view = ActiveView.load()) {
      view->EnableSlider(true);
      view->SetSliderRange(0, kSliderMax);
      view->SetSliderPos(pos);
    }
  } else {
    PlayerState.store(kStateNoSong);
    // A stop that came before the first frame says nothing about the file: no message then
    // (it would also pop up while the window closes or another file is being chosen).
    if (!stopped) {
      if (ViewPort* view = ActiveView.load()) view->MessageBox(kNotMp3Message, kProductTitle, MessageStyle::Ok);
    }
  }

  RepaintView();
  // The song stays what was decoded; the user learns how far that is.
  g_shortfall.Set(outOfMemory && SongInfo.layer.load() == 3 ? FormatClock(kOutOfMemoryFormat, ms) : std::string());
  if (const std::string shortfall = g_shortfall.Get(); !shortfall.empty())
    if (ViewPort* view = ActiveView.load()) view->MessageBox(shortfall, kProductTitle, MessageStyle::Ok);
  WorkerBusy.store(0);
  return 1;
}

std::string DecodeShortfallMessage() { return g_shortfall.Get(); }

bool LaunchDecodeWorker() {
  int idle = 0;
  if (!WorkerBusy.compare_exchange_strong(idle, 1)) return false;
  HoldDecodeJob(true);
  StartWorkerThread([] { DecodeWorker(); });
  return true;
}

}  // namespace vexalo

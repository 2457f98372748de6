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
// start, so untouched pages of the area are never brought into memory.
std::atomic<std::size_t> g_songHighWater{0};

void ClearSongBuffer() {
  std::size_t used = std::max<std::size_t>(g_songHighWater.load(), storedBytes.load());
  storedBytes.store(0, std::memory_order_release);
  if (used > kSongBufferBytes) used = kSongBufferBytes;
  std::memset(SongBuffer, 0, used);
  g_songHighWater.store(0);
}

// Appends the left (or only) channel of one converted frame to SongBuffer.
std::size_t StoreFrame(const unsigned char* frame, std::size_t bytes, int channels, std::size_t stored) {
  unsigned char* dst = SongBuffer + stored;
  const std::size_t room = kSongBufferBytes - stored;
  if (channels >= 2) {
    std::size_t pairs = bytes / 4;
    if (pairs * 2 > room) pairs = room / 2;
    for (std::size_t i = 0; i < pairs; ++i) std::memcpy(dst + 2 * i, frame + 4 * i, 2);
    return pairs * 2;
  }
  std::size_t n = bytes & ~static_cast<std::size_t>(1);
  if (n > room) n = room & ~static_cast<std::size_t>(1);
  std::memcpy(dst, frame, n);
  return n;
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
  std::size_t stored = 0;
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

    runningSeconds += frameSeconds;
    ms = static_cast<int>(runningSeconds * 1000.0);
    ProgressMillis.store(ms);

    // The frame's own layout decides what is its left channel, so a stream whose mode changes
    // midway still stores one channel.
    stored += StoreFrame(g_frameArea, static_cast<std::size_t>(got), TheDecodeJob.channelsIn, stored);
    g_songHighWater.store(stored, std::memory_order_relaxed);
    storedBytes.store(static_cast<std::uint32_t>(stored), std::memory_order_release);

    if (frameCounter % kProgressEveryFrames == 0) {
      ProgressText.Set(FormatClock(kProcessingTimeFormat, ms));
      ShowReadout(kIdcProgressSlot, ProgressText.Get());
    }
    ++frameCounter;
    if (stored >= kSongStopBytes) break;
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
    auto step = static_cast<std::uint32_t>(static_cast<double>(stored) * (1.0 / kSliderMax));
    if (step == 0) step = 1;
    SliderStepBytes.store(step);
    const int pos = static_cast<int>(std::min<std::uint32_t>(PlayPosBytes.load() / step, kSliderMax));
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
  WorkerBusy.store(0);
  return 1;
}

bool LaunchDecodeWorker() {
  int idle = 0;
  if (!WorkerBusy.compare_exchange_strong(idle, 1)) return false;
  HoldDecodeJob(true);
  StartWorkerThread([] { DecodeWorker(); });
  return true;
}

}  // namespace vexalo

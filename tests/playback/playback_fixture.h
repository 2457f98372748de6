// Shared set-up for the playback tests: a known song in SongBuffer, a scripted view over a
// raster canvas as the active view, the form's draw rule as the draw routine, and a capturing
// audio backend under the wave device.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "commands/transport_commands.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/worker.h"
#include "playback/playback_speed.h"
#include "playback/transport.h"
#include "playback/wave_out_device.h"
#include "playback/waveform.h"
#include "support/capturing_audio_backend.h"
#include "support/raster_canvas.h"
#include "support/scripted_view_port.h"
#include "sync/sync_table.h"

namespace vexalo::test {

inline constexpr Rect kTestWaveRect{20, 40, 500, 170};  // 480 columns, middle 105

// Puts `samples` into SongBuffer as the decoded song of `rate` Hz and `channels` (1 or 2), with
// SongInfo and the total time as the decoder leaves them.
inline void LoadSong(const std::vector<std::int16_t>& samples, int rate, int channels) {
  std::memset(SongBuffer, 0, samples.size() * 2 + 64 * 1024);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    auto v = static_cast<std::uint16_t>(samples[i]);
    SongBuffer[2 * i] = static_cast<unsigned char>(v & 0xFF);
    SongBuffer[2 * i + 1] = static_cast<unsigned char>(v >> 8);
  }
  storedBytes.store(samples.size() * 2, std::memory_order_release);
  const bool mpeg1 = rate == 32000 || rate == 44100 || rate == 48000;
  SongInfo.layer = 3;
  SongInfo.mode = channels == 2 ? 3 : 0;
  SongInfo.sampleRate = rate;
  SongInfo.bitRate = 128000;
  SongInfo.channels = channels;
  SongInfo.frameScale = mpeg1 ? 4 : 2;
  SongInfo.frameSeconds = mpeg1 ? 1152.0 / rate : 1152.0 / (2.0 * rate);
  const std::size_t songBytesPerFrame = mpeg1 ? 2304 : 1152;
  const std::size_t frames = samples.size() * 2 / songBytesPerFrame;
  double running = 0.0;
  for (std::size_t f = 0; f < frames; ++f) running += SongInfo.frameSeconds.load();
  const int ms = static_cast<int>(running * 1000.0);
  SongInfo.totalMinutes = ms / 60000;
  SongInfo.totalSeconds = (ms / 1000) % 60;
  SongInfo.totalMillis = ms % 1000;
  SliderStepBytes = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(storedBytes.load() * (1.0 / 65535)));
}

// A song of `frames` frames whose samples count up (wrapping), so every byte's place is known.
inline std::vector<std::int16_t> RampSong(std::size_t frames, std::size_t samplesPerFrame = 1152) {
  std::vector<std::int16_t> s(frames * samplesPerFrame);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int16_t>((i * 37) & 0xFFFF);
  return s;
}

// What the device must receive for song bytes [from, to): each sample twice, left then right.
inline std::vector<unsigned char> Duplicated(std::uint64_t from, std::uint64_t to) {
  std::vector<unsigned char> out;
  out.reserve((to - from) * 2);
  for (std::uint64_t p = from; p < to; p += 2) {
    for (int twice = 0; twice < 2; ++twice) {
      out.push_back(SongBuffer[p]);
      out.push_back(SongBuffer[p + 1]);
    }
  }
  return out;
}

// The form view's draw rule for the waveform.
inline void DrawForTest(Canvas& canvas) {
  if (PlayerState.load() == kStateWindowView) {
    const std::uint64_t step = DrawWindowWave(canvas, WindowSpanBytes());
    if (step != 0) ColumnBytes = static_cast<std::uint64_t>(std::max(1, SongInfo.channels.load())) * step;
  } else if (PlayerState.load() == kStateWholeView && !Decoding.load()) {
    DrawWholeWave(canvas);
  }
}

class PlaybackTest : public ::testing::Test {
 protected:
  PlaybackTest() : canvas(640, 480), view(&canvas) {}

  void SetUp() override {
    WaitForWorker();
    WaveRect = kTestWaveRect;
    PlayerState = kStateWholeView;
    TransportCommand = kCmdNone;
    WorkerBusy = 0;
    Decoding = 0;
    PlayPosBytes = 0;
    CursorOffset = 0;
    ColumnBytes = 0;
    ColumnStep = 0;
    ChunkFrames = 4;
    PlaybackSpeedPercent = 100;
    WindowFrames = kWindowFrames;
    LyricPanelFresh = 0;
    BufferDoneFlag = 0;
    SliderPos = 0;
    PlayTime.Store({});
    WindowStart.Store({});
    for (SharedText* t : {&StartTimeText, &ProgressText, &EndTimeText, &WindowStartText, &WindowEndText,
                          &PlayTimeText, &CursorTimeText, &LyricPanelText})
      t->Clear();
    CurrentMp3Path = "song.mp3";
    ResetSyncTable(1);
    SetAudioWaitLimit(20000);
    UseAudioBackend(&backend);
    SetDrawRoutine(&DrawForTest);
    ActiveView = &view;
  }

  void TearDown() override {
    if (WorkerBusy.load()) {
      TransportCommand = kCmdStop;
      FinishPlayback();
    }
    ActiveView = nullptr;
    PlaybackSpeedPercent = 100;
    SetDrawRoutine(nullptr);
    UseAudioBackend(nullptr);
    CurrentMp3Path.clear();
  }

  // Completes buffers on the test's clock until the worker has ended, then joins it.
  void FinishPlayback() {
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (WorkerBusy.load() && std::chrono::steady_clock::now() < give_up) {
      if (!backend.Tick()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_EQ(WorkerBusy.load(), 0) << "the worker did not end";
    WaitForWorker();
  }

  // Texts drawn at a read-out slot's place, in order, without consecutive repeats.
  std::vector<std::string> TextsAt(int x, int y) {
    std::lock_guard<std::recursive_mutex> hold(view.lock);
    std::vector<std::string> out;
    for (const auto& t : canvas.texts)
      if (t.x == x && t.y == y && (out.empty() || out.back() != t.text)) out.push_back(t.text);
    return out;
  }
  std::vector<std::string> PlayTimeTexts() { return TextsAt(WaveRect.left + 270, WaveRect.top + 5); }

  RasterCanvas canvas;
  ScriptedViewPort view;
  CapturingAudioBackend backend;
};

inline std::string ClockText(const char* format, int ms) {
  char text[128];
  std::snprintf(text, sizeof text, format, ms / 60000, (ms / 1000) % 60, (ms % 1000) / 10);
  return text;
}

}  // namespace vexalo::test

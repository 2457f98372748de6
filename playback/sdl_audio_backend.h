// The real AudioBackend on SDL2 audio. SDL's callback pulls from the queued buffers and reports
// each buffer once it has been consumed. SDL_AUDIODRIVER is honoured; when no driver was chosen
// and the default one cannot open a device, the "dummy" driver stands in, so playback still runs
// at real speed in silence.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>

#include "common/audio_backend.h"

namespace vexalo {

class SdlAudioBackend : public AudioBackend {
 public:
  SdlAudioBackend() = default;
  ~SdlAudioBackend() override;

  int Open(int channels, int sampleRate, DoneCallback onDone) override;
  int Queue(int index, const unsigned char* data, std::size_t bytes) override;
  int Close() override;
  std::string ErrorText(int code) const override;
  // Estimated from the callback's progress: the frames handed over before its last call, the
  // time since, and the device's own buffer (what SDL holds ahead of the speaker).
  std::optional<std::int64_t> PlayingFrame() const override;

  // True once an open has had to fall back to the silent "dummy" driver.
  bool UsedSilentFallback() const { return m_fellBack.load(); }

 private:
  struct Pending {
    int index = -1;
    const unsigned char* data = nullptr;
    std::size_t bytes = 0;
    std::size_t consumed = 0;
  };
  static constexpr int kMaxPending = 8;

  static void Callback(void* self, unsigned char* stream, int length);
  void Pull(unsigned char* stream, int length);
  int OpenWithCurrentDriver(int channels, int sampleRate);

  mutable std::mutex m_lock;  // guards the pending ring and the progress between the threads
  Pending m_pending[kMaxPending];
  int m_head = 0;
  int m_count = 0;
  // Pulls since the ring ran empty; Close waits for two, so the last buffer SDL took has left
  // SDL's own stream buffer (the speaker or disk file gets the song's tail).
  int m_emptyPulls = 0;
  std::condition_variable m_pulled;
  // Progress of the callback: stream frames of queued data handed over before its last call and
  // in it, and when that call came.
  std::int64_t m_framesBeforePull = 0;
  std::int64_t m_framesInPull = 0;
  std::chrono::steady_clock::time_point m_pullTime;
  bool m_playing = false;
  int m_rate = 0;
  int m_frameBytes = 4;
  int m_latencyFrames = 0;
  DoneCallback m_onDone;
  unsigned m_device = 0;
  bool m_audioInitialised = false;
  std::atomic<bool> m_fellBack{false};
  std::string m_lastError;
};

// The frame heard `secondsSincePull` after a callback that handed over frames
// [before, before + inPull): the callback's frames play out at `rate`, `latencyFrames` behind.
std::int64_t EstimatePlayingFrame(std::int64_t before, std::int64_t inPull, double secondsSincePull, int rate,
                                  int latencyFrames);

// The process's SDL backend (the wave device's default).
SdlAudioBackend& DefaultSdlAudioBackend();

// True exactly once after playback had to fall back to silent output because no audio device
// could be opened, so the window can tell the user once.
bool TakeNoAudioDeviceNotice();
extern const char* const kNoAudioDeviceText;

}  // namespace vexalo

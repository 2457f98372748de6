// The real AudioBackend on SDL2 audio. SDL's callback pulls from the queued buffers and reports
// each buffer once it has been consumed. SDL_AUDIODRIVER is honoured; when no driver was chosen
// and the default one cannot open a device, the "dummy" driver stands in, so playback still runs
// at real speed in silence.
#pragma once

#include <atomic>
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

  std::mutex m_lock;  // guards the pending ring between the worker and SDL's audio thread
  Pending m_pending[kMaxPending];
  int m_head = 0;
  int m_count = 0;
  // Pulls since the ring ran empty; Close waits for two, so the last buffer SDL took has left
  // SDL's own stream buffer (the speaker or disk file gets the song's tail).
  int m_emptyPulls = 0;
  std::condition_variable m_pulled;
  DoneCallback m_onDone;
  unsigned m_device = 0;
  bool m_audioInitialised = false;
  std::atomic<bool> m_fellBack{false};
  std::string m_lastError;
};

// The process's SDL backend (the wave device's default).
SdlAudioBackend& DefaultSdlAudioBackend();

// True exactly once after playback had to fall back to silent output because no audio device
// could be opened, so the window can tell the user once.
bool TakeNoAudioDeviceNotice();
extern const char* const kNoAudioDeviceText;

}  // namespace vexalo

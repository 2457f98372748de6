#include "playback/sdl_audio_backend.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>

namespace vexalo {

namespace {

enum : int { kErrNotOpen = 1, kErrQueueFull = 2, kErrOpen = 3 };

std::atomic<bool> g_noticePending{false};
std::atomic<bool> g_noticeGiven{false};

bool DriverChosenByUser() {
  const char* chosen = std::getenv("SDL_AUDIODRIVER");
  return chosen && *chosen;
}

}  // namespace

const char* const kNoAudioDeviceText = " No audio device could be opened: playing without sound ";

bool TakeNoAudioDeviceNotice() { return g_noticePending.exchange(false); }

SdlAudioBackend& DefaultSdlAudioBackend() {
  static SdlAudioBackend backend;
  return backend;
}

SdlAudioBackend::~SdlAudioBackend() { Close(); }

void SdlAudioBackend::Callback(void* self, unsigned char* stream, int length) {
  static_cast<SdlAudioBackend*>(self)->Pull(stream, length);
}

void SdlAudioBackend::Pull(unsigned char* stream, int length) {
  int finished[kMaxPending];
  int finishedCount = 0;
  std::size_t filled = 0;
  const std::size_t want = static_cast<std::size_t>(length);
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_framesBeforePull += m_framesInPull;
    m_pullTime = std::chrono::steady_clock::now();
    while (filled < want && m_count > 0) {
      Pending& p = m_pending[m_head];
      std::size_t take = std::min(want - filled, p.bytes - p.consumed);
      std::memcpy(stream + filled, p.data + p.consumed, take);
      filled += take;
      p.consumed += take;
      if (p.consumed == p.bytes) {
        finished[finishedCount++] = p.index;
        m_head = (m_head + 1) % kMaxPending;
        --m_count;
      }
    }
    if (m_count == 0) ++m_emptyPulls;
    m_framesInPull = static_cast<std::int64_t>(filled) / m_frameBytes;
  }
  if (filled < want) std::memset(stream + filled, 0, want - filled);
  for (int i = 0; i < finishedCount; ++i) m_onDone(finished[i]);
  m_pulled.notify_all();
}

int SdlAudioBackend::OpenWithCurrentDriver(int channels, int sampleRate) {
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = sampleRate;
  want.format = AUDIO_S16LSB;
  want.channels = static_cast<Uint8>(channels);
  want.samples = 1024;
  want.callback = &SdlAudioBackend::Callback;
  want.userdata = this;
  SDL_AudioSpec have;
  m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (m_device == 0) {
    m_lastError = SDL_GetError();
    return -1;
  }
  // The silent drivers pace each callback's frames right after it; a real device first plays
  // what it already holds, about one buffer.
  const char* driver = SDL_GetCurrentAudioDriver();
  const bool silent = driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0);
  std::lock_guard<std::mutex> hold(m_lock);
  m_latencyFrames = silent ? 0 : have.samples;
  return 0;
}

int SdlAudioBackend::Open(int channels, int sampleRate, DoneCallback onDone) {
  Close();
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_head = m_count = 0;
    m_emptyPulls = 0;
    m_framesBeforePull = m_framesInPull = 0;
    m_pullTime = std::chrono::steady_clock::now();
    m_rate = sampleRate;
    m_frameBytes = 2 * std::max(1, channels);
  }
  m_onDone = std::move(onDone);
  if (!m_audioInitialised) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
      m_audioInitialised = true;
    } else {
      m_lastError = SDL_GetError();
    }
  }
  bool opened = m_audioInitialised && OpenWithCurrentDriver(channels, sampleRate) == 0;
  if (!opened && !DriverChosenByUser() && !m_fellBack.load()) {
    // No sound card: keep the playback's pace and read-outs with the silent driver.
    if (m_audioInitialised) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_audioInitialised = false;
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
      m_audioInitialised = true;
      opened = OpenWithCurrentDriver(channels, sampleRate) == 0;
      if (opened) {
        m_fellBack.store(true);
        if (!g_noticeGiven.exchange(true)) g_noticePending.store(true);
      }
    } else {
      m_lastError = SDL_GetError();
    }
  }
  if (!opened) return kErrOpen;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_playing = true;
  }
  SDL_PauseAudioDevice(m_device, 0);
  return 0;
}

int SdlAudioBackend::Queue(int index, const unsigned char* data, std::size_t bytes) {
  if (m_device == 0) return kErrNotOpen;
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_count == kMaxPending) return kErrQueueFull;
  Pending& p = m_pending[(m_head + m_count) % kMaxPending];
  p.index = index;
  p.data = data;
  p.bytes = bytes;
  p.consumed = 0;
  ++m_count;
  m_emptyPulls = 0;
  return 0;
}

int SdlAudioBackend::Close() {
  if (m_device == 0) return 0;
  {
    std::unique_lock<std::mutex> hold(m_lock);
    if (m_count == 0)
      m_pulled.wait_for(hold, std::chrono::milliseconds(500), [&] { return m_emptyPulls >= 2; });
  }
  SDL_CloseAudioDevice(m_device);
  m_device = 0;
  std::lock_guard<std::mutex> hold(m_lock);
  m_head = m_count = 0;
  m_playing = false;
  return 0;
}

std::int64_t EstimatePlayingFrame(std::int64_t before, std::int64_t inPull, double secondsSincePull, int rate,
                                  int latencyFrames) {
  const double since = std::max(0.0, secondsSincePull) * std::max(rate, 0);
  const auto into = static_cast<std::int64_t>(std::min(since, static_cast<double>(inPull)));
  return std::max<std::int64_t>(0, before + into - latencyFrames);
}

std::optional<std::int64_t> SdlAudioBackend::PlayingFrame() const {
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_playing) return std::nullopt;
  const double since = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_pullTime).count();
  return EstimatePlayingFrame(m_framesBeforePull, m_framesInPull, since, m_rate, m_latencyFrames);
}

std::string SdlAudioBackend::ErrorText(int code) const {
  switch (code) {
    case kErrNotOpen:
      return "audio device is not open";
    case kErrQueueFull:
      return "too many buffers queued";
    case kErrOpen:
      return m_lastError.empty() ? std::string("audio device could not be opened") : m_lastError;
    default:
      return std::string();
  }
}

}  // namespace vexalo

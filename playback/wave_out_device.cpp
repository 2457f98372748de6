#include "playback/wave_out_device.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

#include "common/audio_backend.h"
#include "common/shared_state.h"
#include "playback/sdl_audio_backend.h"

namespace vexalo {

namespace {

struct WaveBuffer {
  int queued = 0;
  std::uint32_t length = 0;
  alignas(16) unsigned char data[kWaveBufferBytes];
};

WaveBuffer g_buffers[kWaveBufferCount];
int g_open = 0;
int g_current = 0;
char g_lastError[kAudioErrorBytes];
char g_platformText[kAudioErrorBytes];
std::atomic<AudioBackend*> g_backend{nullptr};
std::atomic<int> g_waitLimitMs{5000};

// What each queued buffer holds, in stream frames since the device opened, for the heard
// position. Written by the worker, read by any thread.
struct SpanRecord {
  std::int64_t firstFrame = 0;
  std::int64_t frames = 0;
  SongSpan span;
};
constexpr std::size_t kKeptSpans = 16;
std::mutex g_spanLock;
std::deque<SpanRecord> g_spans;
std::int64_t g_framesQueued = 0;
int g_frameBytes = 4;
bool g_spanOpen = false;
// The span the next queued buffer gets; none for buffers queued by plain AudioPlay.
std::optional<SongSpan> g_nextSpan;

void ResetSpans(bool open, int frameBytes) {
  std::lock_guard<std::mutex> hold(g_spanLock);
  g_spans.clear();
  g_framesQueued = 0;
  g_frameBytes = frameBytes > 0 ? frameBytes : 4;
  g_spanOpen = open;
}

// Counts a buffer about to be queued (before the device can start on it); a buffer the backend
// refused is taken back.
void NoteQueued(std::uint32_t bytes) {
  std::lock_guard<std::mutex> hold(g_spanLock);
  const std::int64_t frames = bytes / g_frameBytes;
  if (g_nextSpan) {
    g_spans.push_back(SpanRecord{g_framesQueued, frames, *g_nextSpan});
    while (g_spans.size() > kKeptSpans) g_spans.pop_front();
  }
  g_framesQueued += frames;
}

void TakeBackQueued(std::uint32_t bytes) {
  std::lock_guard<std::mutex> hold(g_spanLock);
  const std::int64_t frames = bytes / g_frameBytes;
  if (g_nextSpan && !g_spans.empty() && g_spans.back().firstFrame == g_framesQueued - frames) g_spans.pop_back();
  g_framesQueued -= frames;
}

// The three completion events: auto-reset flags under one lock, waited on with a condition
// variable so the worker sleeps until the audio thread signals.
std::mutex g_eventLock;
std::condition_variable g_eventSignal;
bool g_eventsCreated = false;
bool g_signalled[kWaveBufferCount] = {};

void StoreError(const char* text) {
  if (text == g_lastError) return;  // AudioErrorText may hand back the stored message itself
  std::memset(g_lastError, 0, sizeof g_lastError);
  std::strncpy(g_lastError, text, sizeof g_lastError - 1);
}

void StoreBackendError(int code) { StoreError(AudioErrorText(code)); }

}  // namespace

void UseAudioBackend(AudioBackend* backend) { g_backend.store(backend); }

AudioBackend& CurrentAudioBackend() {
  AudioBackend* backend = g_backend.load();
  return backend ? *backend : DefaultSdlAudioBackend();
}

void SetAudioWaitLimit(int milliseconds) { g_waitLimitMs.store(milliseconds > 0 ? milliseconds : 1); }

const char* AudioLastError() { return g_lastError; }

void AudioFillFormat(WaveFormat& format, int channels, int rate, int bits) {
  format.formatTag = 1;
  format.channels = channels;
  format.samplesPerSecond = rate;
  format.blockAlign = channels * bits / 8;
  format.averageBytesPerSecond = format.blockAlign * rate;
  format.bitsPerSample = bits;
  format.extraSize = 0;
}

int AudioInit() {
  g_open = 0;
  {
    std::lock_guard<std::mutex> hold(g_eventLock);
    g_eventsCreated = true;
    for (bool& s : g_signalled) s = false;
  }
  for (WaveBuffer& b : g_buffers) {
    b.queued = 0;
    b.length = 0;
  }
  g_current = 0;
  return 0;
}

const char* AudioErrorText(int code) {
  std::string text = CurrentAudioBackend().ErrorText(code);
  if (text.empty()) {
    StoreError("error getting error text");
    return g_lastError;
  }
  std::memset(g_platformText, 0, sizeof g_platformText);
  std::strncpy(g_platformText, text.c_str(), sizeof g_platformText - 1);
  return g_platformText;
}

int AudioOpenDevice(int channels, int rate) {
  WaveFormat format;
  AudioFillFormat(format, channels, rate, 16);
  int code = CurrentAudioBackend().Open(format.channels, format.samplesPerSecond, &OnWaveDone);
  if (code != 0) {
    StoreBackendError(code);
    return -1;
  }
  g_open = 1;
  ResetSpans(true, format.blockAlign);
  return 0;
}

int AudioCloseDevice() {
  int code = CurrentAudioBackend().Close();
  if (code != 0) {
    StoreBackendError(code);
    return -1;
  }
  g_open = 0;
  ResetSpans(false, g_frameBytes);
  return 0;
}

int AudioConfigure(int channels, int rate) {
  if (g_open) {
    AudioDrain();
    if (AudioCloseDevice() == -1) return -1;
  }
  return AudioOpenDevice(channels, rate) == 0 ? 0 : -1;
}

int AudioWriteBuffer(int index) {
  WaveBuffer& b = g_buffers[index];
  NoteQueued(b.length);
  int code = CurrentAudioBackend().Queue(index, b.data, b.length);
  if (code != 0) {
    TakeBackQueued(b.length);
    StoreBackendError(code);
    return -1;
  }
  b.queued = 1;
  return 0;
}

int AudioWaitBuffer(int index) {
  WaveBuffer& b = g_buffers[index];
  if (!b.queued) return 0;
  std::unique_lock<std::mutex> hold(g_eventLock);
  if (!g_eventsCreated) {
    StoreError("wait failed");
    return -1;
  }
  bool ended = g_eventSignal.wait_for(hold, std::chrono::milliseconds(g_waitLimitMs.load()),
                                      [&] { return g_signalled[index] || !g_eventsCreated; });
  if (!ended) {
    StoreError("wait timeout");
    return -1;
  }
  if (!g_signalled[index]) {
    StoreError("wait abandoned");
    return -1;
  }
  g_signalled[index] = false;
  b.queued = 0;
  return 0;
}

int AudioPlay(const unsigned char* samples, std::uint32_t byteCount) {
  WaveBuffer& b = g_buffers[g_current];
  if (b.length == 0 && AudioWaitBuffer(g_current) == -1) return -1;
  if (byteCount > kWaveBufferBytes) byteCount = kWaveBufferBytes;
  std::memcpy(b.data, samples, byteCount);
  b.length = byteCount;
  AudioWriteBuffer(g_current);
  g_current = (g_current + 1) % kWaveBufferCount;
  g_buffers[g_current].length = 0;
  return 0;
}

int AudioPlay(const unsigned char* samples, std::uint32_t byteCount, SongSpan span) {
  {
    std::lock_guard<std::mutex> hold(g_spanLock);
    g_nextSpan = span;
  }
  const int result = AudioPlay(samples, byteCount);
  std::lock_guard<std::mutex> hold(g_spanLock);
  g_nextSpan.reset();
  return result;
}

std::optional<double> AudioHeardPosition() {
  std::lock_guard<std::mutex> hold(g_spanLock);
  if (!g_spanOpen || g_spans.empty()) return std::nullopt;
  const std::optional<std::int64_t> playing = CurrentAudioBackend().PlayingFrame();
  if (!playing) return std::nullopt;
  const SpanRecord& first = g_spans.front();
  if (*playing < first.firstFrame) return first.span.startBytes;
  for (const SpanRecord& r : g_spans) {
    if (*playing < r.firstFrame) return r.span.startBytes;
    if (*playing < r.firstFrame + r.frames)
      return r.span.startBytes + static_cast<double>(*playing - r.firstFrame) * r.span.bytesPerFrame;
  }
  const SpanRecord& last = g_spans.back();
  return last.span.startBytes + static_cast<double>(last.frames) * last.span.bytesPerFrame;
}

int AudioWaitCurrentBuffer() {
  if (g_buffers[g_current].length != 0) return 0;
  return AudioWaitBuffer(g_current);
}

int AudioDrain() {
  int result = 0;
  if (g_buffers[g_current].length != 0 && AudioWriteBuffer(g_current) == -1) result = -1;
  for (int i = 0; i < kWaveBufferCount; ++i)
    if (AudioWaitBuffer(i) == -1) result = -1;
  g_buffers[g_current].length = 0;
  return result;
}

int AudioFinish() {
  int result = 0;
  if (g_open) {
    if (AudioDrain() == -1) result = -1;
    if (AudioCloseDevice() == -1) result = -1;
  }
  bool created;
  {
    std::lock_guard<std::mutex> hold(g_eventLock);
    created = g_eventsCreated;
    g_eventsCreated = false;
  }
  g_eventSignal.notify_all();
  if (!created && result == 0) {
    StoreError("failed to close synchronization object");
    result = -1;
  }
  return result;
}

void OnWaveDone(int bufferIndex) {
  if (bufferIndex < 0 || bufferIndex >= kWaveBufferCount) return;
  {
    std::lock_guard<std::mutex> hold(g_eventLock);
    if (!g_eventsCreated) return;
    g_signalled[bufferIndex] = true;
  }
  g_eventSignal.notify_all();
  BufferDoneFlag.store(1);
}

}  // namespace vexalo

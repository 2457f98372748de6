#include "support/capturing_audio_backend.h"

#include <algorithm>
#include <chrono>

namespace vexalo::test {

int CapturingAudioBackend::Open(int channels, int sampleRate, DoneCallback onDone) {
  std::lock_guard<std::mutex> hold(m_lock);
  ++m_opens;
  if (m_failOpen != 0) {
    int code = m_failOpen;
    m_failOpen = 0;
    return code;
  }
  m_channels = channels;
  m_rate = sampleRate;
  m_onDone = std::move(onDone);
  m_pending.clear();
  m_queuedFrames = m_playedFrames = 0;
  return 0;
}

int CapturingAudioBackend::Queue(int index, const unsigned char* data, std::size_t bytes) {
  DoneCallback done;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_failQueue != 0) return m_failQueue;
    m_played.insert(m_played.end(), data, data + bytes);
    m_sizes.push_back(bytes);
    m_indices.push_back(index);
    m_queuedFrames += static_cast<std::int64_t>(bytes) / (2 * std::max(1, m_channels));
    if (m_clock == Clock::Immediate) {
      m_playedFrames = m_queuedFrames;
      done = m_onDone;
    } else {
      m_pending.push_back(PendingBuffer{index, m_queuedFrames});
    }
  }
  m_queuedSignal.notify_all();
  if (done) done(index);
  return 0;
}

int CapturingAudioBackend::Close() {
  std::lock_guard<std::mutex> hold(m_lock);
  ++m_closes;
  m_pending.clear();
  return 0;
}

std::string CapturingAudioBackend::ErrorText(int code) const {
  std::lock_guard<std::mutex> hold(m_lock);
  auto it = m_texts.find(code);
  return it == m_texts.end() ? std::string() : it->second;
}

void CapturingAudioBackend::SetClock(Clock clock) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_clock = clock;
}

bool CapturingAudioBackend::Tick() {
  DoneCallback done;
  int index;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_pending.empty()) return false;
    index = m_pending.front().index;
    m_playedFrames = std::max(m_playedFrames, m_pending.front().endFrame);
    m_pending.pop_front();
    done = m_onDone;
  }
  if (done) done(index);
  return true;
}

int CapturingAudioBackend::TickAll() {
  int n = 0;
  while (Tick()) ++n;
  return n;
}

void CapturingAudioBackend::Advance(std::int64_t frames) {
  std::vector<int> finished;
  DoneCallback done;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_playedFrames = std::min(m_playedFrames + frames, m_queuedFrames);
    while (!m_pending.empty() && m_pending.front().endFrame <= m_playedFrames) {
      finished.push_back(m_pending.front().index);
      m_pending.pop_front();
    }
    done = m_onDone;
  }
  if (done)
    for (int index : finished) done(index);
}

std::optional<std::int64_t> CapturingAudioBackend::PlayingFrame() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_playedFrames;
}

std::int64_t CapturingAudioBackend::QueuedFrames() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_queuedFrames;
}

bool CapturingAudioBackend::WaitForQueued(std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> hold(m_lock);
  return m_queuedSignal.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return m_sizes.size() >= count; });
}

void CapturingAudioBackend::FailOpenWith(int code, std::string text) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_failOpen = code;
  m_texts[code] = std::move(text);
}

void CapturingAudioBackend::FailQueueWith(int code, std::string text) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_failQueue = code;
  m_texts[code] = std::move(text);
}

std::vector<unsigned char> CapturingAudioBackend::Played() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_played;
}

std::vector<std::size_t> CapturingAudioBackend::QueuedSizes() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_sizes;
}

std::vector<int> CapturingAudioBackend::QueuedIndices() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_indices;
}

std::size_t CapturingAudioBackend::PendingCount() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_pending.size();
}

int CapturingAudioBackend::Opens() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_opens;
}

int CapturingAudioBackend::Closes() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_closes;
}

int CapturingAudioBackend::LastChannels() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_channels;
}

int CapturingAudioBackend::LastRate() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_rate;
}

}  // namespace vexalo::test

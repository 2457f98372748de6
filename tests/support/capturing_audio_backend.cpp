#include "support/capturing_audio_backend.h"

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
    if (m_clock == Clock::Immediate) {
      done = m_onDone;
    } else {
      m_pending.push_back(index);
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
    index = m_pending.front();
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

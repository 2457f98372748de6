// An AudioBackend for tests: records every byte that would be played and completes queued
// buffers only when the test's clock says so (or at once, in the immediate mode).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "common/audio_backend.h"

namespace vexalo::test {

class CapturingAudioBackend : public AudioBackend {
 public:
  enum class Clock {
    Manual,     // buffers complete only through Tick / TickAll
    Immediate,  // each buffer completes as soon as it is queued
  };

  explicit CapturingAudioBackend(Clock clock = Clock::Manual) : m_clock(clock) {}

  int Open(int channels, int sampleRate, DoneCallback onDone) override;
  int Queue(int index, const unsigned char* data, std::size_t bytes) override;
  int Close() override;
  std::string ErrorText(int code) const override;
  // The device's clock as frames played: whole buffers as they complete, and what Advance adds.
  std::optional<std::int64_t> PlayingFrame() const override;

  void SetClock(Clock clock);
  // The clock: completes the oldest queued buffer; false when none is queued.
  bool Tick();
  // Completes every buffer queued so far.
  int TickAll();
  // Plays `frames` more stream frames, completing every buffer that is then played through.
  void Advance(std::int64_t frames);
  // Stream frames queued since the last open.
  std::int64_t QueuedFrames() const;
  // Blocks until `count` buffers have been queued in all (true) or the wait gives up (false).
  bool WaitForQueued(std::size_t count, int timeoutMs = 10000);

  // Failure scripting: the next Open / every Queue fails with this code (0: succeed).
  void FailOpenWith(int code, std::string text);
  void FailQueueWith(int code, std::string text);

  std::vector<unsigned char> Played() const;
  std::vector<std::size_t> QueuedSizes() const;
  std::vector<int> QueuedIndices() const;
  std::size_t PendingCount() const;
  int Opens() const;
  int Closes() const;
  int LastChannels() const;
  int LastRate() const;

 private:
  mutable std::mutex m_lock;
  std::condition_variable m_queuedSignal;
  Clock m_clock;
  DoneCallback m_onDone;
  struct PendingBuffer {
    int index;
    std::int64_t endFrame;  // stream frames queued up to and including this buffer
  };
  std::deque<PendingBuffer> m_pending;
  std::int64_t m_queuedFrames = 0;
  std::int64_t m_playedFrames = 0;
  std::vector<unsigned char> m_played;
  std::vector<std::size_t> m_sizes;
  std::vector<int> m_indices;
  int m_opens = 0, m_closes = 0, m_channels = 0, m_rate = 0;
  int m_failOpen = 0, m_failQueue = 0;
  std::map<int, std::string> m_texts;  // error texts by code; a code without one has no text
};

}  // namespace vexalo::test

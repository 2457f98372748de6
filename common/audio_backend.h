// The platform's PCM output: one 16-bit stream, buffers queued with a completion notification.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vexalo {

class AudioBackend {
 public:
  // Called once per queued buffer when the device has consumed it; runs on the audio thread.
  using DoneCallback = std::function<void(int bufferIndex)>;

  virtual ~AudioBackend() = default;
  // Opens a 16-bit signed little-endian interleaved stream. Returns 0 on success or a non-zero
  // error code that ErrorText explains.
  virtual int Open(int channels, int sampleRate, DoneCallback onDone) = 0;
  // Queues `bytes` bytes of `data` (which stays valid until its completion) as buffer `index`.
  virtual int Queue(int index, const unsigned char* data, std::size_t bytes) = 0;
  virtual int Close() = 0;
  virtual std::string ErrorText(int code) const = 0;
  // The stream frame (one sample per channel) being heard now, counted from the open's first
  // queued frame; nothing when the backend cannot tell. Called from any thread.
  virtual std::optional<std::int64_t> PlayingFrame() const { return std::nullopt; }
};

}  // namespace vexalo

// The wave output device: three fixed 138,240-byte buffers queued in strict rotation on the
// platform's PCM stream (an AudioBackend), each released by its completion notification.
// One device per process; every operation except OnWaveDone runs on the one playback worker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vexalo {

class AudioBackend;

constexpr int kWaveBufferCount = 3;
constexpr std::size_t kWaveBufferBytes = 138'240;  // 34,560 stereo 16-bit frames
constexpr std::size_t kAudioErrorBytes = 256;

struct WaveFormat {
  int formatTag = 1;  // PCM
  int channels = 0;
  int samplesPerSecond = 0;
  int blockAlign = 0;
  int averageBytesPerSecond = 0;
  int bitsPerSample = 0;
  int extraSize = 0;
};

void AudioFillFormat(WaveFormat& format, int channels, int rate, int bits);

// All return 0 on success and -1 on failure, with the reason in AudioLastError().
int AudioInit();
int AudioConfigure(int channels, int rate);
int AudioOpenDevice(int channels, int rate);
// Copies byteCount bytes (at most kWaveBufferBytes) into the current buffer and queues it,
// first waiting for that buffer if it is still queued. A failed queueing is remembered in
// AudioLastError but still returns 0; only a failed wait returns -1.
int AudioPlay(const unsigned char* samples, std::uint32_t byteCount);

// Where a queued buffer's sound lies in what is being played: the position (song bytes) of its
// first frame and the song bytes each device frame stands for (2 for one 16-bit sample as it is,
// less for a stretched one).
struct SongSpan {
  double startBytes = 0.0;
  double bytesPerFrame = 2.0;
};
// AudioPlay that also remembers the buffer's span, so AudioHeardPosition can tell what is heard.
int AudioPlay(const unsigned char* samples, std::uint32_t byteCount, SongSpan span);
// The position (song bytes, as the spans count them) of the frame the device is playing now:
// nothing while no device is open, no span was queued, or the backend cannot tell. Past the
// last queued frame it is the end of the last span. Any thread.
std::optional<double> AudioHeardPosition();
// Waits, as AudioPlay would first, until the buffer the next AudioPlay fills is free. Lets the
// caller look at its commands again after the wait, before it prepares the next chunk.
int AudioWaitCurrentBuffer();
int AudioDrain();
int AudioFinish();
int AudioWaitBuffer(int index);
int AudioWriteBuffer(int index);
int AudioCloseDevice();
// The backend's text for an error code, or "error getting error text" (also stored in
// AudioLastError) when the backend has none.
const char* AudioErrorText(int code);
// The last error message (256 bytes, zero-terminated). Written by the playback worker.
const char* AudioLastError();

// Completion of a queued buffer; called by the backend on its audio thread. Signals the buffer's
// wait and sets BufferDoneFlag.
void OnWaveDone(int bufferIndex);

// The backend the device plays through. Null restores the default (SDL2 audio). Set it only
// while no playback runs.
void UseAudioBackend(AudioBackend* backend);
AudioBackend& CurrentAudioBackend();

// Bounded waits keep a device that stops reporting completions from hanging the worker: a wait
// that outlasts this many milliseconds ends as "wait timeout".
void SetAudioWaitLimit(int milliseconds);

}  // namespace vexalo

// decode/: MP3 decoding. The decode job steps libmad one frame at a time, the PCM conversion
// dithers to 16 bits, and the decode worker fills SongBuffer and SongInfo while it shows its
// progress. Above common/; it shows its times through the read-outs of playback/.
//
// Decoding an MP3 file frame by frame: the one process-wide DecodeJob (file, 40,000-byte input
// buffer), the FrameDecoder that steps libmad's decoder record one frame per call through its
// five callbacks, and the job start / next frame / job end operations that the worker uses.
#pragma once

#include <mad.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "decode/dither.h"

namespace vexalo {

constexpr std::size_t kInputBufferBytes = 40'000;
constexpr std::size_t kFrameScratchBytes = 13'824;  // the most one conversion can deliver
constexpr int kReadAttempts = 8;                     // a failing read is tried this often, then ends input

// Step and refill results.
enum : int { kStepHandled = 1, kStepStop = 0, kStepBreak = -1, kStepNeedInput = -2 };

// Facts of the frame header last decoded (all 0 before the first header).
struct FrameFacts {
  int layer = 0;       // 1, 2 or 3
  int mode = 0;        // 0 single channel, 1 dual channel, 2 joint stereo, 3 stereo
  int sampleRate = 0;  // Hz
  int bitRate = 0;     // bits per second
};

struct DecodeJob {
  std::string path;
  int file = -1;                         // read-only descriptor, -1 when none
  std::uint64_t fileBytesLeft = 0;       // reading stops at the size the file had at job start
  unsigned char* inputBuffer = nullptr;  // kInputBufferBytes plus room for the guard bytes
  std::uint32_t inputLength = 0;         // valid bytes, guard bytes included once appended
  bool endOfInput = false;
  int mode = kDitherMode;
  int channelsIn = 0;  // channels of the last converted frame
};

// The output callback's conversion target, and how many bytes the last frame put there.
struct FrameScratch {
  unsigned char bytes[kFrameScratchBytes];
  std::size_t count = 0;
};

// libmad's decoder record stepped by our own loop (mad_decoder_run is never used).
class FrameDecoder {
 public:
  using InputFn = enum mad_flow (*)(void*, struct mad_stream*);
  using HeaderFn = enum mad_flow (*)(void*, struct mad_header const*);
  using FilterFn = enum mad_flow (*)(void*, struct mad_stream const*, struct mad_frame*);
  using OutputFn = enum mad_flow (*)(void*, struct mad_header const*, struct mad_pcm*);
  using ErrorFn = enum mad_flow (*)(void*, struct mad_stream*, struct mad_frame*);

  FrameDecoder() = default;
  ~FrameDecoder();
  FrameDecoder(const FrameDecoder&) = delete;
  FrameDecoder& operator=(const FrameDecoder&) = delete;

  // mad_decoder_init with the callback data and callbacks (no message callback).
  void Init(void* data, InputFn input, HeaderFn header, FilterFn filter, OutputFn output, ErrorFn error);
  // Allocates and initialises stream, frame and synth: 1 ready, 0 no input callback, -1 no memory.
  int Start();
  // One frame: 1 handled (samples produced or frame skipped), 0 a callback said stop, -1 a
  // callback said break, -2 the stream needs more input. -1 when not started.
  int Step();
  // Calls the input callback: 1 continue or ignore, 0 stop, -1 break, -2 anything else.
  int Refill();
  // mad_frame_finish, mad_stream_finish, frees the block, mad_decoder_finish. Safe to repeat.
  void Finish();

  bool Started() const { return m_sync != nullptr; }
  // The header held by the decoder's frame; zeros before the first header.
  const mad_header& Header() const;
  mad_stream* Stream();

 private:
  struct Sync {
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
  };
  // Finishes and frees stream, frame and synth, if started.
  void FreeSync();

  mad_decoder m_decoder{};
  bool m_initialised = false;
  Sync* m_sync = nullptr;
  ErrorFn m_errorFunc = nullptr;
  void* m_errorData = nullptr;
  int m_badLastFrame = 0;
};

// The process-wide job and its decoder; the worker is their only user while it decodes.
extern DecodeJob TheDecodeJob;
extern FrameScratch TheFrameScratch;

// The five callbacks installed with mad_decoder_init; their data is the DecodeJob.
// Input: refills the job's buffer behind the unconsumed tail; at end of input (a read of 0
// bytes, a read that failed kReadAttempts times, or no room left) appends the 8 guard bytes.
// Stop once input has ended, else continue.
enum mad_flow DecodeInputCallback(void* job, struct mad_stream* stream);
enum mad_flow DecodeHeaderCallback(void* job, struct mad_header const* header);  // continue
enum mad_flow DecodeFilterCallback(void* job, struct mad_stream const* stream, struct mad_frame* frame);  // continue
// Output: converts the frame (one channel for single and dual channel, else both) into
// TheFrameScratch and records the frame's channel count and sample rate in the job.
enum mad_flow DecodeOutputCallback(void* job, struct mad_header const* header, struct mad_pcm* pcm);
// Error: continue, so a bad frame is skipped.
enum mad_flow DecodeErrorCallback(void* job, struct mad_stream* stream, struct mad_frame* frame);

// Resets the job for `path`, opens the file and starts the decoder. Ends a previous job that
// was never ended. Returns 1 on success; 0 when the file cannot be opened or is not a regular
// file (a FIFO or device is never waited on or read), the input buffer cannot be allocated, or a
// decode worker is still using the job; `why`, when given, then receives the reason.
int StartDecodeJob(const std::string& path, std::string* why = nullptr);

// Decodes one step into `frameArea` (capacity `areaBytes`, at least kFrameScratchBytes):
// returns the bytes placed there (> 0); -2 when the step gave no samples (more input was read
// or a bad frame was skipped); 0 or -1 when decoding is over (end of input, a callback broke
// off, or no job). `facts` is filled from the last decoded header in every case.
int NextFrame(unsigned char* frameArea, std::size_t areaBytes, FrameFacts& facts);

// Finishes the decoder, frees the input buffer and closes the file; nothing when no job runs.
void EndDecodeJob();

// Marks the job as in use by a decode worker (set at its launch, cleared after its job end),
// so that a job start on the UI thread never pulls the file from under a running decode.
void HoldDecodeJob(bool held);

}  // namespace vexalo

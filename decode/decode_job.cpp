#include "decode/decode_job.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "common/input_file.h"

namespace vexalo {

DecodeJob TheDecodeJob;
FrameScratch TheFrameScratch;

namespace {

FrameDecoder g_decoder;
std::atomic<bool> g_jobHeld{false};

// Stands in when no error callback is given: a bad CRC mutes the frame when the last one was
// bad as well, then the frame is ignored; any other error skips it.
enum mad_flow DefaultError(void* data, struct mad_stream* stream, struct mad_frame* frame) {
  int* badLast = static_cast<int*>(data);
  if (stream->error != MAD_ERROR_BADCRC) return MAD_FLOW_CONTINUE;
  if (*badLast)
    mad_frame_mute(frame);
  else
    *badLast = 1;
  return MAD_FLOW_IGNORE;
}

// libmad leaves the value 4 in a header's layer field after a reserved layer code, outside the
// values of its enum type; the field is read as the plain integer it holds.
template <typename Enum>
int RawEnum(const Enum& field) {
  std::underlying_type_t<Enum> raw;
  static_assert(sizeof raw == sizeof field);
  std::memcpy(&raw, &field, sizeof raw);
  return static_cast<int>(raw);
}

}  // namespace

enum mad_flow DecodeInputCallback(void* data, struct mad_stream* stream) {
  DecodeJob& job = *static_cast<DecodeJob*>(data);
  if (job.endOfInput || job.inputBuffer == nullptr) return MAD_FLOW_STOP;

  if (stream->next_frame != nullptr) {
    const unsigned char* begin = job.inputBuffer;
    const unsigned char* end = begin + job.inputLength;
    std::uint32_t keep = 0;
    if (stream->next_frame >= begin && stream->next_frame <= end)
      keep = static_cast<std::uint32_t>(end - stream->next_frame);
    if (keep > 0 && stream->next_frame != begin) std::memmove(job.inputBuffer, stream->next_frame, keep);
    job.inputLength = keep;
  }

  std::size_t room = kInputBufferBytes - job.inputLength;
  if (room > job.fileBytesLeft) room = static_cast<std::size_t>(job.fileBytesLeft);
  ssize_t got = 0;
  if (room > 0 && job.file >= 0) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
      got = ::read(job.file, job.inputBuffer + job.inputLength, room);
      if (got >= 0) break;
    }
  }
  if (got > 0) job.fileBytesLeft -= static_cast<std::uint64_t>(got);
  // A read that keeps failing, a full buffer that libmad could not consume, and end of file
  // all end the input; the guard lets libmad decode the last frame.
  if (got <= 0) {
    job.endOfInput = true;
    std::memset(job.inputBuffer + job.inputLength, 0, MAD_BUFFER_GUARD);
    job.inputLength += MAD_BUFFER_GUARD;
  } else {
    job.inputLength += static_cast<std::uint32_t>(got);
  }
  mad_stream_buffer(stream, job.inputBuffer, job.inputLength);
  return MAD_FLOW_CONTINUE;
}

enum mad_flow DecodeHeaderCallback(void*, struct mad_header const*) { return MAD_FLOW_CONTINUE; }

enum mad_flow DecodeFilterCallback(void*, struct mad_stream const*, struct mad_frame*) { return MAD_FLOW_CONTINUE; }

enum mad_flow DecodeOutputCallback(void* data, struct mad_header const* header, struct mad_pcm* pcm) {
  DecodeJob& job = *static_cast<DecodeJob*>(data);
  const bool both = pcm->channels >= 2 && header->mode != MAD_MODE_DUAL_CHANNEL;
  job.channelsIn = both ? 2 : 1;
  TheFrameScratch.count = ConvertPcm(TheFrameScratch.bytes, sizeof TheFrameScratch.bytes, pcm->length,
                                     pcm->samples[0], both ? pcm->samples[1] : nullptr, job.mode);
  return MAD_FLOW_CONTINUE;
}

enum mad_flow DecodeErrorCallback(void*, struct mad_stream*, struct mad_frame*) { return MAD_FLOW_CONTINUE; }

namespace {
void CloseJobFile(DecodeJob& job) {
  if (job.file >= 0) ::close(job.file);
  job.file = -1;
}
}  // namespace

FrameDecoder::~FrameDecoder() { Finish(); }

void FrameDecoder::Init(void* data, InputFn input, HeaderFn header, FilterFn filter, OutputFn output,
                        ErrorFn error) {
  Finish();
  mad_decoder_init(&m_decoder, data, input, header, filter, output, error, nullptr);
  m_initialised = true;
}

void FrameDecoder::FreeSync() {
  if (m_sync != nullptr) {
    mad_synth_finish(&m_sync->synth);
    mad_frame_finish(&m_sync->frame);
    mad_stream_finish(&m_sync->stream);
    std::free(m_sync);
    m_sync = nullptr;
  }
}

int FrameDecoder::Start() {
  if (!m_initialised || m_decoder.input_func == nullptr) return 0;
  FreeSync();
  if (m_decoder.error_func != nullptr) {
    m_errorFunc = m_decoder.error_func;
    m_errorData = m_decoder.cb_data;
  } else {
    m_errorFunc = DefaultError;
    m_errorData = &m_badLastFrame;
  }
  m_badLastFrame = 0;
  m_sync = static_cast<Sync*>(std::malloc(sizeof(Sync)));
  if (m_sync == nullptr) return -1;
  mad_stream_init(&m_sync->stream);
  mad_frame_init(&m_sync->frame);
  mad_synth_init(&m_sync->synth);
  mad_stream_options(&m_sync->stream, m_decoder.options);
  return 1;
}

int FrameDecoder::Step() {
  if (m_sync == nullptr) return kStepBreak;
  m_decoder.mode = MAD_DECODER_MODE_SYNC;
  mad_stream& stream = m_sync->stream;
  mad_frame& frame = m_sync->frame;
  void* data = m_decoder.cb_data;

  if (mad_header_decode(&frame.header, &stream) == -1) {
    if (!MAD_RECOVERABLE(stream.error)) return kStepNeedInput;
    switch (m_errorFunc(m_errorData, &stream, &frame)) {
      case MAD_FLOW_STOP: return kStepStop;
      case MAD_FLOW_BREAK: return kStepBreak;
      default: return kStepHandled;
    }
  }
  if (m_decoder.header_func != nullptr) {
    switch (m_decoder.header_func(data, &frame.header)) {
      case MAD_FLOW_STOP: return kStepStop;
      case MAD_FLOW_BREAK: return kStepBreak;
      case MAD_FLOW_IGNORE: return kStepHandled;
      default: break;
    }
  }
  if (mad_frame_decode(&frame, &stream) == -1) {
    if (!MAD_RECOVERABLE(stream.error)) return kStepNeedInput;
    switch (m_errorFunc(m_errorData, &stream, &frame)) {
      case MAD_FLOW_STOP: return kStepStop;
      case MAD_FLOW_BREAK: return kStepBreak;
      case MAD_FLOW_IGNORE: break;
      default: return kStepHandled;
    }
  } else {
    m_badLastFrame = 0;
  }
  if (m_decoder.filter_func != nullptr) {
    switch (m_decoder.filter_func(data, &stream, &frame)) {
      case MAD_FLOW_STOP: return kStepStop;
      case MAD_FLOW_BREAK: return kStepBreak;
      case MAD_FLOW_IGNORE: return kStepHandled;
      default: break;
    }
  }
  mad_synth_frame(&m_sync->synth, &frame);
  if (m_decoder.output_func != nullptr) {
    switch (m_decoder.output_func(data, &frame.header, &m_sync->synth.pcm)) {
      case MAD_FLOW_STOP: return kStepStop;
      case MAD_FLOW_BREAK: return kStepBreak;
      default: break;
    }
  }
  return kStepHandled;
}

int FrameDecoder::Refill() {
  if (m_sync == nullptr || m_decoder.input_func == nullptr) return kStepBreak;
  switch (m_decoder.input_func(m_decoder.cb_data, &m_sync->stream)) {
    case MAD_FLOW_CONTINUE:
    case MAD_FLOW_IGNORE: return kStepHandled;
    case MAD_FLOW_STOP: return kStepStop;
    case MAD_FLOW_BREAK: return kStepBreak;
    default: return kStepNeedInput;
  }
}

void FrameDecoder::Finish() {
  FreeSync();
  if (m_initialised) {
    mad_decoder_finish(&m_decoder);
    m_initialised = false;
  }
}

const mad_header& FrameDecoder::Header() const {
  static const mad_header kNone{};
  return m_sync != nullptr ? m_sync->frame.header : kNone;
}

mad_stream* FrameDecoder::Stream() { return m_sync != nullptr ? &m_sync->stream : nullptr; }

namespace {

// The bytes of a leading ID3v2 tag (header, body and a v2.4 footer), or 0 when the file does not
// begin with a whole one. libmad knows no tags, and text in a tag can read as frame headers
// (UTF-16 begins with FF FE) whose frames would swallow the song's first ones.
std::uint64_t LeadingTagBytes(InputFile& input) {
  unsigned char h[10];
  if (input.ReadAt(h, sizeof h, 0) != static_cast<ssize_t>(sizeof h)) return 0;
  if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF) return 0;
  for (int k = 6; k < 10; ++k)
    if (h[k] & 0x80) return 0;
  const std::uint64_t bytes = 10 + (static_cast<std::uint64_t>(h[6]) << 21 | h[7] << 14 | h[8] << 7 | h[9]) +
                              ((h[3] >= 4 && (h[5] & 0x10)) ? 10 : 0);
  return bytes <= input.Size() ? bytes : 0;
}

}  // namespace

int StartDecodeJob(const std::string& path, std::string* why) {
  if (g_jobHeld.load()) {
    if (why) *why = "a decode is still running";
    return 0;
  }
  EndDecodeJob();

  DecodeJob& job = TheDecodeJob;
  job.path = path;
  job.file = -1;
  job.fileBytesLeft = 0;
  job.inputLength = 0;
  job.endOfInput = false;
  job.mode = kDitherMode;
  job.channelsIn = 0;

  InputFile input;
  if (!input.Open(path)) {
    if (why) *why = input.Why();
    return 0;
  }
  const std::uint64_t tag = LeadingTagBytes(input);
  job.fileBytesLeft = input.Size() - tag;
  job.file = input.Release();
  if (tag != 0 && ::lseek(job.file, static_cast<off_t>(tag), SEEK_SET) != static_cast<off_t>(tag)) {
    if (why) *why = std::string("cannot step over the ID3v2 tag: ") + std::strerror(errno);
    CloseJobFile(job);
    return 0;
  }
  if (job.inputBuffer == nullptr) {
    // Room behind the data for the guard bytes, even when a read fills the whole buffer.
    job.inputBuffer = new (std::nothrow) unsigned char[kInputBufferBytes + MAD_BUFFER_GUARD];
    if (job.inputBuffer == nullptr) {
      if (why) *why = "out of memory";
      CloseJobFile(job);
      return 0;
    }
  }
  g_decoder.Init(&job, DecodeInputCallback, DecodeHeaderCallback, DecodeFilterCallback, DecodeOutputCallback,
                 DecodeErrorCallback);
  g_decoder.Start();
  return 1;
}

int NextFrame(unsigned char* frameArea, std::size_t areaBytes, FrameFacts& facts) {
  TheFrameScratch.count = 0;
  int result = kStepBreak;
  if (g_decoder.Started()) result = g_decoder.Step();

  const mad_header& h = g_decoder.Header();
  facts.layer = RawEnum(h.layer);
  facts.mode = RawEnum(h.mode);
  facts.sampleRate = static_cast<int>(h.samplerate);
  facts.bitRate = static_cast<int>(h.bitrate);

  if (result == kStepHandled) {
    std::size_t n = TheFrameScratch.count;
    if (n == 0) return kStepNeedInput;
    if (n > areaBytes) n = areaBytes;
    std::memcpy(frameArea, TheFrameScratch.bytes, n);
    return static_cast<int>(n);
  }
  if (result == kStepNeedInput) return g_decoder.Refill() == kStepHandled ? kStepNeedInput : kStepBreak;
  return result;
}

void EndDecodeJob() {
  DecodeJob& job = TheDecodeJob;
  g_decoder.Finish();
  delete[] job.inputBuffer;
  job.inputBuffer = nullptr;
  CloseJobFile(job);
  job.inputLength = 0;
}

void HoldDecodeJob(bool held) { g_jobHeld.store(held); }

}  // namespace vexalo

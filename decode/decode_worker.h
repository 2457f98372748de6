// The decode worker: decodes the started job into SongBuffer, fills SongInfo, shows the
// Processing / Total / End Time read-outs and sets up the position slider. It reaches the
// window only through ActiveView's ViewPort and RepaintView, both of which may be absent.
#pragma once

#include <cstdint>
#include <string>

namespace vexalo {

// The worker procedure: runs the whole decode and returns 1. Whoever runs it has set
// WorkerBusy to 1; it clears WorkerBusy as its last act. It may also be called directly
// (the command-line tool and tests do) with WorkerBusy set or not.
int DecodeWorker();

// After DecodeWorker: the message it showed when memory ran out before the song's end (the song
// holds what was decoded), else empty. For callers without a window.
std::string DecodeShortfallMessage();

// Sets WorkerBusy and starts DecodeWorker on the worker thread (common/worker.h). False, and
// nothing started, when a worker is already busy.
bool LaunchDecodeWorker();

// Sample-rate rule for a song's frame facts: 4 for 32,000, 44,100 and 48,000 Hz, else 2.
int FrameScaleFor(int sampleRate);
// Seconds of audio in one frame: 1152 / rate for frameScale 4, else 1152 / (2 x rate).
double FrameSecondsFor(int sampleRate);

// A time in whole milliseconds split for the read-outs.
struct ClockParts {
  int minutes = 0;     // not reduced to hours
  int seconds = 0;     // 0..59
  int hundredths = 0;  // 0..99
  int millis = 0;      // 0..999
};
ClockParts SplitMillis(int ms);
// `format` with three %02d (minutes, seconds, hundredths), e.g. " Total Time = %02d:%02d:%02d ".
std::string FormatClock(const char* format, int ms);

constexpr const char* kProcessingTimeFormat = " Processing Time = %02d:%02d:%02d ";
constexpr const char* kTotalTimeFormat = " Total Time = %02d:%02d:%02d ";
constexpr const char* kStartTimeFormat = " Start Time = %02d:%02d:%02d ";
constexpr const char* kEndTimeFormat = " End Time = %02d:%02d:%02d ";
constexpr const char* kNotMp3Message = " Not MP3 File !!! ";
// Decoding stopped because no more memory could be had for the samples; the song is kept as far
// as it got (minutes, seconds, hundredths).
constexpr const char* kOutOfMemoryFormat = " Not enough memory for the whole song: decoded up to %02d:%02d:%02d !!! ";
constexpr int kProgressEveryFrames = 50;
constexpr int kSliderMax = 65'535;

}  // namespace vexalo

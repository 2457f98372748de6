// Drawing the song's waveform from SongBuffer into WaveRect: the whole song (PlayerState 2) or a
// window of frames from PlayPosBytes with a grid (PlayerState 99). The drawings fix ColumnBytes.
#pragma once

#include <cstdint>

#include "common/canvas.h"

namespace vexalo {

constexpr Colour kWaveBackground = RGB(255, 255, 255);
constexpr Colour kWaveColour = RGB(0, 200, 100);
constexpr Colour kGridColour = RGB(0, 100, 200);

// The sample at byte offset of SongBuffer divided by 512, truncated toward zero (-64..63).
int SampleHeight(std::uint64_t offset);

// Per-channel bytes per pixel column for `bytes` of song over `width` columns: truncated, made
// even, and never below one sample (2), so drawing loops always advance.
std::uint64_t ComputeColumnStep(std::uint64_t bytes, int channels, int width);

// Whole view; acts only in PlayerState 2. Sets ColumnBytes and ColumnStep, repaints the
// read-outs and empties the side-time field.
void DrawWholeWave(Canvas& canvas);

// Window view of `length` bytes from PlayPosBytes; acts only in PlayerState 2 or 99 and returns
// the per-channel step (0 without drawing otherwise). Callers set ColumnBytes = channels x step.
std::uint64_t DrawWindowWave(Canvas& canvas, std::uint64_t length);

// The routine DrawWindowWave (and the window player) calls to refresh the side-time field,
// installed by the Side Time command; nothing is called while none is installed. Returns the
// routine installed before.
using SideTimeRoutine = void (*)();
SideTimeRoutine SetSideTimeRoutine(SideTimeRoutine routine);
void CallSideTimeRoutine();

}  // namespace vexalo

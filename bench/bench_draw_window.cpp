// Time to draw the window view (200 frames of a stereo 44,100 Hz song, about 14,300 sampled
// lines) on a memory raster canvas, against the same picture drawn line by line.
#include <chrono>
#include <cstdio>

#include "bench_playback_support.h"
#include "playback/transport.h"
#include "playback/waveform.h"

using namespace vexalo;

int main() {
  bench::LoadToneSong(30.0);
  static bench::MemoryCanvas canvas(800, 600);
  static bench::QuietView view(canvas);
  ActiveView = &view;
  WaveRect = Rect{15, 45, 481, 166};
  PlayerState = kStateWindowView;
  PlayPosBytes = 100 * 2304;
  const std::uint32_t length = 200 * 2304;
  const int rounds = 200;

  DrawWindowWave(canvas, length);  // warm
  canvas.lines = 0;
  auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r) DrawWindowWave(canvas, length);
  const double drawMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
  const long linesDrawn = canvas.lines / rounds;

  // The same columns with one line to every sampled height, as the picture is defined.
  const std::uint32_t step = ComputeColumnStep(length, 2, WaveRect.Width());
  const int middle = WaveRect.top + WaveRect.Height() / 2;
  canvas.lines = 0;
  start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r) {
    int x = WaveRect.left;
    const std::uint32_t end = PlayPosBytes - 2304 + length;
    for (std::uint32_t i = PlayPosBytes; i < end; i += 2 * step, ++x)
      for (std::uint32_t k = 0; k < 2 * step; k += 32) canvas.Line(x, middle, x, middle - SampleHeight(i + k), kWaveColour);
  }
  const double naiveMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
  std::printf("window view: %.3f ms per drawing (%ld lines, grid and zero line included)\n", drawMs, linesDrawn);
  std::printf("same waveform line by line: %.3f ms (%ld lines)\n", naiveMs, canvas.lines / rounds);
  return 0;
}

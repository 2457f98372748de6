// CPU cost of a whole-view playback through the real SDL2 backend (run it with
// SDL_AUDIODRIVER=dummy on a machine without sound): the share of one core the process uses
// while the song plays in real time, cursor and read-outs included. A second argument plays at
// that speed in percent (50 or 75: stretched in time).
// Usage: bench_playback [SECONDS] [PERCENT]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench_playback_support.h"
#include "common/repaint.h"
#include "playback/playback_speed.h"
#include "playback/transport.h"
#include "playback/waveform.h"

using namespace vexalo;

namespace {
double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  PlaybackSpeedPercent = ValidSpeed(argc > 2 ? std::atoi(argv[2]) : 100);
  if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
  bench::LoadToneSong(seconds);
  static bench::MemoryCanvas canvas(800, 600);
  static bench::QuietView view(canvas);
  WaveRect = Rect{15, 45, 481, 166};
  PlayerState = kStateWholeView;
  ActiveView = &view;
  SetDrawRoutine([](Canvas& c) { DrawWholeWave(c); });
  RepaintView();  // the whole view, as before a Play: sets the cursor's column step

  const auto wallStart = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  WorkerBusy = 1;
  WholePlayWorker();
  const double cpu = CpuSeconds() - cpuStart;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  std::printf("whole-view playback of %.1f s at %s (%s driver): wall %.2f s, cpu %.3f s, %.2f%% of one core\n",
              seconds, SpeedText(PlaybackSpeedPercent).c_str(), std::getenv("SDL_AUDIODRIVER"), wall, cpu,
              100.0 * cpu / wall);
  return 0;
}

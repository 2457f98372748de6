// Playback speed: the song played at 0.5x, 0.75x or 1x with its pitch kept. At 1x the players
// send the song's own samples; slower speeds stretch them in time on the way to the device.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vexalo {

// The speed the players use, in percent: one of kSpeedSteps. Read once per chunk, so a change
// takes effect while a song plays.
extern std::atomic<int> PlaybackSpeedPercent;
constexpr int kSpeedSteps[] = {50, 75, 100};

// The next step down or up from `percent` (kept at the ends), and any value made a valid step
// (the nearest one).
int SlowerSpeed(int percent);
int FasterSpeed(int percent);
int ValidSpeed(int percent);
// "Speed 0.5x", "Speed 0.75x", "Speed 1x": the status pane's text.
std::string SpeedText(int percent);

// Stretches one channel of 16-bit samples in time without changing its pitch.
class TimeStretch {
 public:
  TimeStretch();
  ~TimeStretch();
  TimeStretch(const TimeStretch&) = delete;
  TimeStretch& operator=(const TimeStretch&) = delete;

  // Starts afresh for a song of `rate` Hz played at `percent`, dropping anything held.
  void Start(int rate, int percent);
  void Put(const unsigned char* samplesLe16, std::size_t count);
  // Pushes out what is still held after the last input (the tail may end in a little silence).
  void Flush();
  std::size_t Ready() const;
  // Up to `max` stretched samples into `out`; returns how many.
  std::size_t Take(std::int16_t* out, std::size_t max);

 private:
  struct Engine;
  std::unique_ptr<Engine> m_engine;
};

}  // namespace vexalo

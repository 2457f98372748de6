// A click track for calibrating stamps: short clicks at a steady beat, played through the wave
// device on the worker thread, with the heard position of the track told as stamps tell it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vexalo {

struct ClickTrackPlan {
  int rate = 44'100;
  int clicks = 12;
  int beatMs = 600;
  int leadInMs = 1'000;  // silence before the first click
  // Time of click k (0-based) in the track.
  int ClickMillis(int k) const { return leadInMs + k * beatMs; }
  // The whole track: the lead-in, the clicks and one beat of silence after the last.
  int LengthMillis() const { return leadInMs + clicks * beatMs; }
};

// One channel of 16-bit samples: a 1 kHz burst of 15 ms, fading out, at each click.
std::vector<std::int16_t> MakeClickTrack(const ClickTrackPlan& plan);

// Sets WorkerBusy and plays the track on the worker thread; false, with nothing started, when a
// worker is busy. The player opens the device for two channels, as the song players do.
bool StartClickTrack(const ClickTrackPlan& plan);
// Asks the click player to stop after the buffers already queued.
void StopClickTrack();
bool ClickTrackPlaying();
// The time in the track of the sample the device is playing, while the track plays.
std::optional<int> HeardClickTrackMillis();

}  // namespace vexalo

// Where a voice starts near a stamp: the largest clear rise of short-time energy of the song
// (10 ms windows of SongBuffer) within 150 ms either side of a time.
#pragma once

#include <optional>

namespace vexalo {

constexpr int kOnsetWindowMs = 10;
constexpr int kOnsetReachMs = 150;
// A rise counts as clear when the 10 ms after it hold at least this much more energy than the
// 10 ms before it (decibels) ...
constexpr double kOnsetRiseDb = 9.0;
// ... and the sound after it is no whisper (decibels below full scale, RMS).
constexpr double kOnsetFloorDb = -45.0;

// The song time (ms) of the boundary between two 10 ms windows, within kOnsetReachMs of `ms`,
// where the energy rises most; nothing when no rise there is clear or no song is loaded. Reads
// the song of the current SongInfo; any thread that may read SongBuffer.
std::optional<int> FindVoiceOnset(int ms);

}  // namespace vexalo

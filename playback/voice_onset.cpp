#include "playback/voice_onset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <vector>

#include "common/shared_state.h"

namespace vexalo {

namespace {

double SampleAt(std::int64_t i) {
  return static_cast<std::int16_t>(SongBuffer[2 * i] | SongBuffer[2 * i + 1] << 8) / 32768.0;
}

double Decibels(double meanSquare) { return 10.0 * std::log10(meanSquare + 1e-12); }

}  // namespace

std::optional<int> FindVoiceOnset(int ms) {
  const int rate = SongInfo.sampleRate.load();
  const std::int64_t samples = static_cast<std::int64_t>(storedBytes.load(std::memory_order_acquire) / 2);
  if (rate <= 0 || samples <= 0 || ms < 0) return std::nullopt;
  const std::int64_t window = std::max<std::int64_t>(1, static_cast<std::int64_t>(rate) * kOnsetWindowMs / 1000);
  const std::int64_t reach = static_cast<std::int64_t>(rate) * kOnsetReachMs / 1000;
  const std::int64_t stepOneMs = std::max<std::int64_t>(1, rate / 1000);
  const std::int64_t centre = static_cast<std::int64_t>(ms) * rate / 1000;

  const std::int64_t from = std::max<std::int64_t>(0, centre - reach - window);
  const std::int64_t to = std::min(samples, centre + reach + window);
  if (to - from < 2 * window) return std::nullopt;
  // Running sums of squares, so each window's energy is one subtraction.
  std::vector<double> sums(static_cast<std::size_t>(to - from + 1), 0.0);
  for (std::int64_t i = from; i < to; ++i) {
    const double v = SampleAt(i);
    sums[static_cast<std::size_t>(i - from + 1)] = sums[static_cast<std::size_t>(i - from)] + v * v;
  }
  auto energy = [&](std::int64_t begin) {
    return (sums[static_cast<std::size_t>(begin + window - from)] - sums[static_cast<std::size_t>(begin - from)]) /
           static_cast<double>(window);
  };

  double bestRise = 0.0;
  std::int64_t best = -1;
  auto consider = [&](std::int64_t b) {
    if (b - window < from || b + window > to) return;
    const double after = energy(b);
    if (Decibels(after) < kOnsetFloorDb) return;
    const double rise = Decibels(after) - Decibels(energy(b - window));
    if (rise > bestRise) {
      bestRise = rise;
      best = b;
    }
  };
  // Every millisecond, then every sample around the best of those.
  for (std::int64_t b = centre - reach; b <= centre + reach; b += stepOneMs) consider(b);
  if (best >= 0) {
    const std::int64_t coarse = best;
    for (std::int64_t b = coarse - stepOneMs; b <= coarse + stepOneMs; ++b)
      if (std::llabs(b - centre) <= reach) consider(b);
  }
  if (best < 0 || bestRise < kOnsetRiseDb) return std::nullopt;
  return static_cast<int>((best * 1000 + rate / 2) / rate);
}

}  // namespace vexalo

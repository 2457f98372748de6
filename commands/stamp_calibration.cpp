#include "commands/stamp_calibration.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vexalo {

CalibrationSummary SummariseTaps(const std::vector<int>& offsets, int clicks) {
  CalibrationSummary s;
  s.taps = static_cast<int>(offsets.size());
  char text[200];
  if (s.taps < kCalibrationLeastTaps) {
    std::snprintf(text, sizeof text, "%d of %d clicks pressed: press on at least %d to calibrate.", s.taps, clicks,
                  kCalibrationLeastTaps);
    s.text = text;
    return s;
  }
  std::vector<int> sorted = offsets;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  const int sum = sorted[(n - 1) / 2] + sorted[n / 2];
  s.medianMs = sum >= 0 ? (sum + 1) / 2 : -((-sum + 1) / 2);
  s.spreadMs = sorted.back() - sorted.front();
  s.storable = s.spreadMs <= kCalibrationMaxSpreadMs;
  if (s.storable) {
    std::snprintf(text, sizeof text, "Reaction offset %d ms, spread %d ms (%d of %d clicks).", s.medianMs, s.spreadMs,
                  s.taps, clicks);
  } else {
    std::snprintf(text, sizeof text,
                  "Reaction offset %d ms, but the presses spread over %d ms (more than %d): not stored. Try again.",
                  s.medianMs, s.spreadMs, kCalibrationMaxSpreadMs);
  }
  s.text = text;
  return s;
}

std::string CalibrationInstructions(const ClickTrackPlan& plan) {
  char text[240];
  std::snprintf(text, sizeof text,
                "Press Start and listen: %d clicks follow, one every %.2f s. Press Space or Ctrl+Q on each click "
                "as you would stamp a line.",
                plan.clicks, plan.beatMs / 1000.0);
  return text;
}

std::string CalibrationProgress(int taps, int clicks) {
  char text[80];
  std::snprintf(text, sizeof text, "Listening: %d of %d clicks pressed.", taps, clicks);
  return text;
}

bool StampCalibration::Start() {
  if (!StartClickTrack(m_plan)) return false;
  m_offsets.clear();
  m_tapped.assign(static_cast<std::size_t>(std::max(0, m_plan.clicks)), false);
  return true;
}

void StampCalibration::Stop() { StopClickTrack(); }

bool StampCalibration::Playing() const { return ClickTrackPlaying(); }

void StampCalibration::Tap() {
  if (const std::optional<int> heard = HeardClickTrackMillis()) TapAt(*heard);
}

void StampCalibration::TapAt(int heardMs) {
  if (m_plan.clicks <= 0 || m_plan.beatMs <= 0) return;
  if (m_tapped.size() != static_cast<std::size_t>(m_plan.clicks)) m_tapped.assign(m_plan.clicks, false);
  int nearest = 0;
  for (int k = 1; k < m_plan.clicks; ++k)
    if (std::abs(heardMs - m_plan.ClickMillis(k)) < std::abs(heardMs - m_plan.ClickMillis(nearest))) nearest = k;
  const int offset = heardMs - m_plan.ClickMillis(nearest);
  if (2 * std::abs(offset) >= m_plan.beatMs || m_tapped[static_cast<std::size_t>(nearest)]) return;
  m_tapped[static_cast<std::size_t>(nearest)] = true;
  m_offsets.push_back(offset);
}

CalibrationSummary StampCalibration::Summary() const { return SummariseTaps(m_offsets, m_plan.clicks); }

bool StampCalibration::Store(Settings& settings) const {
  const CalibrationSummary s = Summary();
  if (!s.storable) return false;
  settings.SetInt(kSettingStampReactionMs, s.medianMs);
  return true;
}

}  // namespace vexalo

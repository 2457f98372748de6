// Calibrate stamping: a click track plays, the user presses the stamp key on each click, and the
// median of how late the presses came is stored as the reaction offset of heard stamps, unless
// the presses spread too widely. UI thread only (the track plays on the worker).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/settings.h"
#include "playback/click_track.h"

namespace vexalo {

constexpr int kCalibrationMaxSpreadMs = 80;
constexpr int kCalibrationLeastTaps = 6;

struct CalibrationSummary {
  int taps = 0;       // presses matched to a click
  int medianMs = 0;   // how late the presses came (negative: early)
  int spreadMs = 0;   // latest less earliest
  bool storable = false;
  // One line for the dialog: the figures, or why they cannot be stored.
  std::string text;
};

// The figures of presses that came `offsets` ms after their clicks.
CalibrationSummary SummariseTaps(const std::vector<int>& offsets, int clicks);

// The calibration dialog's texts: what to do, the presses so far while the track plays, and why
// the track cannot start while a song plays or decodes.
std::string CalibrationInstructions(const ClickTrackPlan& plan);
std::string CalibrationProgress(int taps, int clicks);
inline constexpr char kCalibrationBusyText[] =
    "The player is busy: stop the playback (or wait for the decoding to end), then press Start again.";

class StampCalibration {
 public:
  explicit StampCalibration(ClickTrackPlan plan = {}) : m_plan(plan) {}

  // Starts the click track, forgetting earlier presses; false when a worker is busy.
  bool Start();
  void Stop();
  bool Playing() const;
  // A press of the stamp key now, at the heard position of the track.
  void Tap();
  // A press heard at `heardMs` of the track: matched to the nearest click within half a beat;
  // a second press on one click and a press far from every click are left out.
  void TapAt(int heardMs);

  CalibrationSummary Summary() const;
  // Stores the median as the reaction offset; false, with the settings untouched, when the
  // summary is not storable.
  bool Store(Settings& settings) const;

  const ClickTrackPlan& Plan() const { return m_plan; }

 private:
  ClickTrackPlan m_plan;
  std::vector<int> m_offsets;
  std::vector<bool> m_tapped;
};

}  // namespace vexalo

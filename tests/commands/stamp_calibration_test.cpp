#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "commands/stamp_calibration.h"
#include "common/shared_state.h"
#include "common/worker.h"
#include "playback/wave_out_device.h"
#include "support/capturing_audio_backend.h"

namespace vexalo::test {
namespace {

TEST(StampCalibrationSummary, MedianSpreadAndWhetherToStore) {
  struct Case {
    std::vector<int> offsets;
    int median, spread;
    bool storable;
  };
  for (const Case& c : {
           Case{{150, 160, 140, 155, 145, 150, 152, 148}, 150, 20, true},
           Case{{100, 120, 110, 130, 90, 105, 115}, 110, 40, true},
           Case{{-20, -10, -15, -25, -5, -30}, -18, 25, true},  // pressed ahead of the beat
           Case{{100, 180, 140, 120, 150, 160}, 145, 80, true},
           Case{{100, 181, 140, 120, 150, 160}, 145, 81, false},
           Case{{200, 210, 205, 195, 203}, 0, 0, false},  // five presses are too few
       }) {
    const CalibrationSummary s = SummariseTaps(c.offsets, 12);
    EXPECT_EQ(s.taps, static_cast<int>(c.offsets.size()));
    EXPECT_EQ(s.storable, c.storable) << s.text;
    if (c.offsets.size() >= 6) {
      EXPECT_EQ(s.medianMs, c.median) << s.text;
      EXPECT_EQ(s.spreadMs, c.spread) << s.text;
    }
  }
  EXPECT_EQ(SummariseTaps({150, 160, 140, 155, 145, 150, 152, 148}, 12).text,
            "Reaction offset 150 ms, spread 20 ms (8 of 12 clicks).");
  EXPECT_EQ(SummariseTaps({100, 181, 140, 120, 150, 160}, 12).text,
            "Reaction offset 145 ms, but the presses spread over 81 ms (more than 80): not stored. Try again.");
  EXPECT_EQ(SummariseTaps({1, 2}, 12).text, "2 of 12 clicks pressed: press on at least 6 to calibrate.");
}

TEST(StampCalibrationTexts, TellTheClicksTheBeatAndThePresses) {
  EXPECT_EQ(CalibrationInstructions(ClickTrackPlan{}),
            "Press Start and listen: 12 clicks follow, one every 0.60 s. Press Space or Ctrl+Q on each click as you "
            "would stamp a line.");
  ClickTrackPlan fast;
  fast.clicks = 8;
  fast.beatMs = 450;
  EXPECT_EQ(CalibrationInstructions(fast).substr(0, 55), "Press Start and listen: 8 clicks follow, one every 0.45");
  EXPECT_EQ(CalibrationProgress(3, 12), "Listening: 3 of 12 clicks pressed.");
}

TEST(StampCalibrationTaps, EachPressCountsForItsNearestClickOnce) {
  StampCalibration c;  // clicks at 1000, 1600, ... 7600 ms
  for (int heard : {1130, 1740, 1720 /* second press on one click */, 2330, 2500 /* between clicks */, 2940, 3545,
                    4160, 4520 /* early */, 9000 /* after the last */})
    c.TapAt(heard);
  const CalibrationSummary s = c.Summary();
  EXPECT_EQ(s.taps, 7);
  EXPECT_EQ(s.medianMs, 140);
  EXPECT_EQ(s.spreadMs, 240);
  EXPECT_FALSE(s.storable);
  Settings settings;
  settings.SetInt(kSettingStampReactionMs, 33);
  EXPECT_FALSE(c.Store(settings));
  EXPECT_EQ(settings.Int(kSettingStampReactionMs), 33);
}

TEST(ClickTrack, ClicksStandOnTheBeat) {
  const ClickTrackPlan plan;
  const std::vector<std::int16_t> track = MakeClickTrack(plan);
  ASSERT_EQ(track.size(), static_cast<std::size_t>(plan.LengthMillis()) * 441 / 10);
  for (int k = 0; k < plan.clicks; ++k) {
    const std::size_t at = static_cast<std::size_t>(plan.ClickMillis(k)) * 441 / 10;
    int loud = 0;
    for (std::size_t i = at; i < at + 441; ++i) loud = std::max(loud, std::abs(static_cast<int>(track[i])));
    EXPECT_GT(loud, 10'000) << k;
    for (std::size_t i = at + 1'000; i < at + 20'000; ++i) ASSERT_EQ(track[i], 0) << k;
  }
}

// The click track through the capturing backend: the device is moved to each click and then a
// reaction time later, where the stamp key is pressed.
TEST(StampCalibrationPlayback, TapsOnTheHeardClicksGiveTheReactionOffset) {
  CapturingAudioBackend backend;
  UseAudioBackend(&backend);
  SetAudioWaitLimit(20'000);
  WorkerBusy = 0;
  StampCalibration calibration;
  ASSERT_TRUE(calibration.Start());
  EXPECT_FALSE(StampCalibration().Start()) << "one worker at a time";
  const int reactions[] = {131, 118, 142, 125, 150, 122, 139, 128, 135, 120, 144, 127};
  auto playTo = [&](std::int64_t frame) {
    while (backend.PlayingFrame().value_or(0) < frame) {
      const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (backend.QueuedFrames() <= backend.PlayingFrame().value_or(0)) {
        ASSERT_LT(std::chrono::steady_clock::now(), give_up);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      backend.Advance(std::min(frame, backend.QueuedFrames()) - backend.PlayingFrame().value_or(0));
    }
  };
  for (int k = 0; k < 12; ++k) {
    playTo(static_cast<std::int64_t>(calibration.Plan().ClickMillis(k) + reactions[k]) * 441 / 10);
    calibration.Tap();
  }
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  calibration.Stop();
  backend.TickAll();
  WaitForWorker();
  EXPECT_FALSE(calibration.Playing());
  EXPECT_EQ(WorkerBusy.load(), 0);
  UseAudioBackend(nullptr);

  const CalibrationSummary s = calibration.Summary();
  EXPECT_EQ(s.taps, 12);
  EXPECT_EQ(s.medianMs, 130);  // 128 and 131 in the middle
  EXPECT_EQ(s.spreadMs, 32);
  Settings settings;
  ASSERT_TRUE(calibration.Store(settings));
  EXPECT_EQ(settings.Int(kSettingStampReactionMs), 130);
}

}  // namespace
}  // namespace vexalo::test

#include <gtest/gtest.h>

#include "commands/listening_commands.h"
#include "common/control_ids.h"
#include "playback_fixture.h"

namespace vexalo::test {
namespace {

TEST(WindowSpan, ZoomStepsThroughTheSpans) {
  struct Case {
    int frames, steps, span;
  };
  for (const Case& c : {Case{200, 1, 100}, Case{200, -1, 400}, Case{50, 1, 50}, Case{800, -1, 800},
                        Case{200, 2, 50}, Case{100, -3, 800}, Case{300, 0, 200}, Case{10'000, 0, 800}}) {
    EXPECT_EQ(ZoomedSpan(c.frames, c.steps), c.span) << c.frames << " " << c.steps;
  }
}

using Span = PlaybackTest;

TEST_F(Span, WindowPlaybackPlaysTheChosenSpan) {
  struct Case {
    int frames;
    std::uint64_t playedFrames;  // whole chunks of four frames
  };
  for (const Case& c : {Case{50, 48}, Case{100, 100}, Case{400, 400}, Case{800, 800}}) {
    LoadSong(RampSong(1000), 44100, 2);
    CapturingAudioBackend device(CapturingAudioBackend::Clock::Immediate);
    UseAudioBackend(&device);
    OnWindowSpan(c.frames);
    PlayerState = kStateWindowView;
    PlayPosBytes = 10 * 2304;
    OnPlay();
    FinishPlayback();
    UseAudioBackend(&backend);
    EXPECT_EQ(device.Played(), Duplicated(10 * 2304, (10 + c.playedFrames) * 2304)) << c.frames;
    EXPECT_EQ(ColumnBytes.load(), 2 * ComputeColumnStep(static_cast<std::uint64_t>(c.frames) * 2304, 2, 480));
    const int startMs = TimeOfPosition(10 * 2304);
    EXPECT_EQ(WindowEndText.Get(),
              ClockText(" End Time = %02d:%02d:%02d ", startMs + static_cast<int>(1152.0 / 44100 * (c.frames * 1000.0))));
  }
}

TEST_F(Span, AnIdleWindowIsDrawnAgainAtTheNewSpan) {
  LoadSong(RampSong(1000), 44100, 2);
  PlayPosBytes = 100 * 2304;
  OnWindowView();
  ASSERT_EQ(ColumnBytes.load(), 960u);  // 200 frames on 480 columns
  OnZoomOut();
  EXPECT_EQ(WindowFrames.load(), 400);
  EXPECT_EQ(ColumnBytes.load(), 1920u);
  EXPECT_EQ(view.statusTexts[kPanePrompt], "Window span: 400 frames (10.45 s)");
  const int startMs = TimeOfPosition(100 * 2304);
  EXPECT_EQ(WindowEndText.Get(), ClockText(" End Time = %02d:%02d:%02d ", startMs + 10'448));
  OnZoomIn();
  OnZoomIn();
  EXPECT_EQ(WindowFrames.load(), 100);
  EXPECT_EQ(ColumnBytes.load(), 480u);
  EXPECT_EQ(PlayPosBytes.load(), 100u * 2304) << "the window keeps its start";
  EXPECT_EQ(WorkerBusy.load(), 0);
}

TEST_F(Span, RewindAndForwardStepByTheSpan) {
  LoadSong(RampSong(1000), 44100, 2);
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnWindowView();
  OnWindowSpan(800);
  ASSERT_EQ(ColumnBytes.load(), 3840u);
  PlayPosBytes = 0;
  OnForward();
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), (3u * 3840 / 4) * 500);
  OnWindowSpan(50);
  ASSERT_EQ(ColumnBytes.load(), 240u);
  const std::uint64_t from = PlayPosBytes.load();
  OnRewind();
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), from - (3u * 240 / 4) * 500);
}

TEST_F(Span, ChangingTheSpanDuringAWindowPlaybackStopsIt) {
  LoadSong(RampSong(1000), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 2304;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  OnZoomIn();
  EXPECT_EQ(TransportCommand.load(), kCmdPlay);
  FinishPlayback();
  EXPECT_EQ(PlayerState.load(), kStateWindowView);
  // The repaint after the playback drew the window at 100 frames.
  EXPECT_EQ(ColumnBytes.load(), 480u);
  EXPECT_EQ(backend.Played().size(), 3u * 4 * 4608) << "nothing queued after the stop";
}

TEST_F(Span, CtrlWheelOverTheWaveformZooms) {
  LoadSong(RampSong(1000), 44100, 2);
  EXPECT_FALSE(OnWaveformWheel(100, 100, 1, false));
  EXPECT_FALSE(OnWaveformWheel(kTestWaveRect.left - 1, 100, 1, true));
  EXPECT_EQ(WindowFrames.load(), 200);
  EXPECT_TRUE(OnWaveformWheel(100, 100, 1, true));
  EXPECT_EQ(WindowFrames.load(), 100);
  EXPECT_TRUE(OnWaveformWheel(100, 100, -3, true));
  EXPECT_EQ(WindowFrames.load(), 800);
  EXPECT_EQ(PlayerState.load(), kStateWholeView) << "the whole view keeps showing the whole song";
}

TEST_F(Span, SpeedChoicesShowInTheirPane) {
  OnSpeed(50);
  EXPECT_EQ(PlaybackSpeedPercent.load(), 50);
  EXPECT_EQ(view.statusTexts[kPaneSpeed], "Speed 0.5x");
  OnSpeedFaster();
  EXPECT_EQ(view.statusTexts[kPaneSpeed], "Speed 0.75x");
  OnSpeedFaster();
  OnSpeedFaster();
  EXPECT_EQ(view.statusTexts[kPaneSpeed], "Speed 1x");
  OnSpeedSlower();
  EXPECT_EQ(PlaybackSpeedPercent.load(), 75);
}

}  // namespace
}  // namespace vexalo::test

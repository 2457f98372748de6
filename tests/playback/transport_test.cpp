#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "decode/decode_job.h"
#include "decode/decode_worker.h"
#include "playback/pointing.h"
#include "playback/readout.h"
#include "playback_fixture.h"
#include "support/run_tool.h"

namespace vexalo::test {
namespace {

constexpr std::uint32_t kStereoChunk = 4 * 2304;  // song bytes per chunk at 44,100 Hz

// Play Time values a playback from `start` shows, chunk by chunk, as the players add them up.
std::vector<std::string> ExpectedPlayTimes(std::uint32_t start, int chunks) {
  std::vector<std::string> out;
  const double startMs = 26.122448979591837 / 1152.0 + (start / 2304.0) * 26.122448979591837;
  double elapsed = 0.0;
  for (int k = 0; k < chunks; ++k) {
    elapsed += 4 * (1152.0 / 44100);
    out.push_back(ClockText(" Play Time = %02d:%02d:%02d ", static_cast<int>(elapsed * 1000.0 + startMs)));
  }
  return out;
}

int TotalMs() { return SongInfo.totalMinutes * 60000 + SongInfo.totalSeconds * 1000 + SongInfo.totalMillis; }

std::vector<std::string> NonEmpty(std::vector<std::string> texts) {
  std::erase_if(texts, [](const std::string& t) { return t.empty(); });
  return texts;
}

TEST(TimeOfPosition, MatchesTheFrameArithmetic) {
  LoadSong(RampSong(200), 44100, 2);
  EXPECT_EQ(TimeOfPosition(0), 0);
  EXPECT_EQ(TimeOfPosition(230400), 2612);
  EXPECT_EQ(ClockText(" Play Time = %02d:%02d:%02d ", TimeOfPosition(230400)), " Play Time = 00:02:61 ");
  LoadSong(RampSong(200, 576), 22050, 1);
  // A mono 22,050 Hz frame is 1,152 song bytes of 26.12 ms; one byte's time is the constant term.
  EXPECT_EQ(TimeOfPosition(1152 * 10), 261);
}

using WholeView = PlaybackTest;

TEST_F(WholeView, PlaysEverySampleTwiceInWholeChunksAndDropsTheIncompleteOne) {
  LoadSong(RampSong(42), 44100, 2);  // 10 chunks and 2 frames
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnPlay();
  FinishPlayback();

  EXPECT_EQ(backend.LastChannels(), 2);
  EXPECT_EQ(backend.LastRate(), 44100);
  EXPECT_EQ(backend.QueuedSizes(), std::vector<std::size_t>(10, 4 * 4608));
  EXPECT_EQ(backend.QueuedIndices(), (std::vector<int>{0, 1, 2, 0, 1, 2, 0, 1, 2, 0}));
  EXPECT_EQ(backend.Played(), Duplicated(0, 10 * kStereoChunk));

  std::vector<std::string> expected = ExpectedPlayTimes(0, 10);
  expected.push_back(ClockText(" Play Time = %02d:%02d:%02d ", TotalMs()));
  EXPECT_EQ(NonEmpty(PlayTimeTexts()), expected);
  EXPECT_EQ(PlayTime.Load(), (TimeMark{0, 1, 97}));
  EXPECT_EQ(TextsAt(WaveRect.left + 10, WaveRect.top + 5).back(), " Start Time = 00:00:00 ");
  EXPECT_EQ(TextsAt(WaveRect.left + 570, WaveRect.top + 5).back(), " End Time = 00:01:09 ");
  EXPECT_EQ(PlayPosBytes.load(), 0u);
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  EXPECT_EQ(LyricPanelFresh.load(), 0);
}

TEST_F(WholeView, StartTimeStaysZeroAndPlayTimeCountsFromTheStart) {
  LoadSong(RampSong(42), 44100, 2);
  PlayPosBytes = 5 * kStereoChunk;
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnPlay();
  FinishPlayback();
  EXPECT_EQ(backend.Played(), Duplicated(5 * kStereoChunk, 10 * kStereoChunk));
  std::vector<std::string> expected = ExpectedPlayTimes(5 * kStereoChunk, 5);
  expected.push_back(ClockText(" Play Time = %02d:%02d:%02d ", TotalMs()));
  EXPECT_EQ(NonEmpty(PlayTimeTexts()), expected);
  EXPECT_EQ(TextsAt(WaveRect.left + 10, WaveRect.top + 5).back(), " Start Time = 00:00:00 ");
  EXPECT_EQ(PlayPosBytes.load(), 5 * kStereoChunk);
}

TEST_F(WholeView, SliderFollowsEachChunk) {
  LoadSong(RampSong(42), 44100, 2);
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnPlay();
  FinishPlayback();
  std::vector<int> expected;
  for (std::uint32_t k = 1; k <= 10; ++k)
    expected.push_back(std::min(65535, static_cast<int>(k * kStereoChunk / SliderStepBytes.load())));
  // At the song's end the knob goes back to where the next Play starts.
  expected.push_back(0);
  EXPECT_EQ(view.sliderHistory, expected);
}

TEST_F(WholeView, AtTheSongsEndTheSliderShowsWhereTheNextPlayStarts) {
  LoadSong(RampSong(42), 44100, 2);
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  PlayPosBytes.store(4 * kStereoChunk);  // a playback started a third of the way in
  const int startSlider = static_cast<int>(4 * kStereoChunk / SliderStepBytes.load());
  OnPlay();
  FinishPlayback();
  ASSERT_FALSE(view.sliderHistory.empty());
  EXPECT_EQ(view.sliderHistory.back(), startSlider);
  EXPECT_EQ(PlayPosBytes.load(), 4 * kStereoChunk);
}

struct DecodedCase {
  const char* fixture;
  std::size_t deviceChunk;
};

class DecodedFixture : public PlaybackTest, public ::testing::WithParamInterface<DecodedCase> {};

TEST_P(DecodedFixture, PlaysTheDecodedSongDuplicatedLeftAndRight) {
  ASSERT_EQ(StartDecodeJob(FixturePath(GetParam().fixture)), 1);
  WorkerBusy = 1;
  DecodeWorker();
  ASSERT_EQ(SongInfo.layer.load(), 3);
  ASSERT_EQ(PlayerState.load(), kStateWholeView);
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnPlay();
  FinishPlayback();
  const std::size_t songChunk = GetParam().deviceChunk / 2;
  const std::size_t chunks = storedBytes.load() / songChunk;
  ASSERT_GT(chunks, 5u);
  EXPECT_EQ(backend.QueuedSizes(), std::vector<std::size_t>(chunks, GetParam().deviceChunk));
  EXPECT_EQ(backend.Played(), Duplicated(0, static_cast<std::uint32_t>(chunks * songChunk)));
  EXPECT_EQ(NonEmpty(PlayTimeTexts()).back(), ClockText(" Play Time = %02d:%02d:%02d ", TotalMs()));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DecodedFixture,
                         ::testing::Values(DecodedCase{"stereo_44k.mp3", 4 * 4608}, DecodedCase{"mono_22k.mp3", 4 * 2304}));

TEST_F(WholeView, PauseThenPlayResumesWhereReadingStoppedWithTheCursorAtItsColumn) {
  LoadSong(RampSong(200), 44100, 2);  // column step 480, so 2.4 columns per frame
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  EXPECT_EQ(ColumnBytes.load(), 960u);
  canvas.logLines = true;
  backend.Tick();
  ASSERT_TRUE(backend.WaitForQueued(4));
  backend.Tick();
  ASSERT_TRUE(backend.WaitForQueued(5));
  OnPause();
  FinishPlayback();

  EXPECT_EQ(backend.QueuedSizes().size(), 5u);
  EXPECT_EQ(PlayPosBytes.load(), 5 * kStereoChunk);
  // The cursor stepped 9.6 columns per completed chunk (how many completions it saw depends on
  // timing); the next playback starts it where its last line stood.
  int lastCursor = -1, steps = 0;
  for (const auto& l : canvas.lineLog)
    if (l.colour == RGB(200, 100, 100)) {
      lastCursor = l.x0;
      ++steps;
    }
  ASSERT_GE(steps, 1);
  ASSERT_LE(steps, 3);
  EXPECT_EQ(lastCursor, 20 + static_cast<int>(steps * 9.6f));
  EXPECT_EQ(CursorOffset.load(), lastCursor - 20);
  canvas.lineLog.clear();

  const int resumedAt = CursorOffset.load();
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(8));
  backend.Tick();
  // A completion always moves the cursor before the loop looks at the command again.
  auto cursorDrawn = [&] {
    std::lock_guard<std::recursive_mutex> hold(view.lock);
    for (const auto& l : canvas.lineLog)
      if (l.colour == RGB(200, 100, 100)) return true;
    return false;
  };
  for (int n = 0; n < 5000 && !cursorDrawn(); ++n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  TransportCommand = kCmdStop;
  FinishPlayback();
  // Its first step from the resumed column.
  int firstCursor = -1;
  for (const auto& l : canvas.lineLog)
    if (l.colour == RGB(200, 100, 100) && firstCursor == -1) firstCursor = l.x0;
  EXPECT_EQ(firstCursor, static_cast<int>(20.0f + resumedAt + 9.6f));
  const auto played = backend.Played();
  const auto resumed = Duplicated(5 * kStereoChunk, 6 * kStereoChunk);
  ASSERT_GE(played.size(), 5 * 2 * kStereoChunk + resumed.size());
  EXPECT_TRUE(std::equal(resumed.begin(), resumed.end(), played.begin() + 5 * 2 * kStereoChunk));
  EXPECT_EQ(PlayPosBytes.load(), 0u);
  EXPECT_EQ(CursorOffset.load(), 0);
}

TEST_F(WholeView, StopSetsTheStartBackToZero) {
  LoadSong(RampSong(200), 44100, 2);
  PlayPosBytes = 10 * kStereoChunk;
  CursorOffset = 96;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(2));
  OnStop();
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), 0u);
  EXPECT_EQ(CursorOffset.load(), 0);
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
}

TEST_F(WholeView, AfterStopTheSliderShowsTheStartAgain) {
  LoadSong(RampSong(200), 44100, 2);
  PlayPosBytes = 10 * kStereoChunk;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  backend.Tick();
  ASSERT_TRUE(backend.WaitForQueued(4));
  EXPECT_GT(view.sliderPos, 0);
  OnStop();
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), 0u);
  EXPECT_EQ(SliderPos.load(), 0);
  EXPECT_EQ(view.sliderPos, 0);
}

TEST_F(WholeView, PlayDuringPlaybackStopsItAndTheNextPlayStartsAtTheSamePlace) {
  LoadSong(RampSong(200), 44100, 2);
  PlayPosBytes = 10 * kStereoChunk;
  CursorOffset = 96;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  OnPlay();
  FinishPlayback();
  EXPECT_EQ(backend.Opens(), 1);
  EXPECT_EQ(PlayPosBytes.load(), 10 * kStereoChunk);
  EXPECT_EQ(CursorOffset.load(), 96);

  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(4));
  OnStop();
  FinishPlayback();
  const auto played = backend.Played();
  const auto again = Duplicated(10 * kStereoChunk, 11 * kStereoChunk);
  ASSERT_GE(played.size(), 3 * 2 * kStereoChunk + again.size());
  EXPECT_TRUE(std::equal(again.begin(), again.end(), played.begin() + 3 * 2 * kStereoChunk));
}

TEST_F(WholeView, StoppingLetsOnlyTheQueuedChunksPlayOut) {
  LoadSong(RampSong(200), 44100, 2);
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  OnStop();
  int completions = 0;
  while (WorkerBusy.load()) {
    if (backend.Tick()) {
      ++completions;
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  WaitForWorker();
  EXPECT_EQ(backend.QueuedSizes().size(), 3u);
  EXPECT_LE(completions, 3);
}

TEST_F(WholeView, CursorBandIsRestoredPixelForPixelOnceTheCursorMovesOn) {
  LoadSong(RampSong(200), 44100, 2);
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  std::vector<Colour> before;
  {
    std::lock_guard<std::recursive_mutex> hold(view.lock);
    before = canvas.Pixels();
  }
  for (std::size_t n = 4; n <= 7; ++n) {
    backend.Tick();
    ASSERT_TRUE(backend.WaitForQueued(n));
  }
  {
    std::lock_guard<std::recursive_mutex> hold(view.lock);
    const int middle = 105;
    std::set<int> changedColumns;
    for (int y = 0; y < canvas.Height(); ++y)
      for (int x = 0; x < canvas.Width(); ++x)
        if (canvas.Pixels()[y * canvas.Width() + x] != before[y * canvas.Width() + x]) {
          changedColumns.insert(x);
          EXPECT_GE(y, middle - 50);
          EXPECT_LT(y, middle + 50);  // the band's bottom end point is not painted
          EXPECT_EQ(canvas.GetPixel(x, y), RGB(200, 100, 100));
        }
    ASSERT_EQ(changedColumns.size(), 1u);
    const int column = *changedColumns.begin();
    bool onAStep = false;
    for (int k = 1; k <= 4; ++k) onAStep |= column == static_cast<int>(20.0f + k * 9.6f);
    EXPECT_TRUE(onAStep) << column;
  }
  OnStop();
  FinishPlayback();
}

TEST_F(WholeView, WorkerEndsQuietlyWhenTheViewIsGone) {
  LoadSong(RampSong(200), 44100, 2);
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  int leases, sliderMoves;
  {
    std::lock_guard<std::recursive_mutex> hold(view.lock);
    ActiveView = nullptr;
    leases = view.canvasLeases;
    sliderMoves = static_cast<int>(view.sliderHistory.size());
  }
  FinishPlayback();
  EXPECT_EQ(view.canvasLeases, leases);
  EXPECT_EQ(static_cast<int>(view.sliderHistory.size()), sliderMoves);
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  EXPECT_EQ(backend.Closes(), 1);
}

TEST_F(WholeView, PlayTimeIsReadAsOneUnitWhilePlaying) {
  LoadSong(RampSong(400), 44100, 2);
  std::set<int> published{0};
  double elapsed = 0.0;
  for (int k = 0; k < 100; ++k) {
    elapsed += 4 * (1152.0 / 44100);
    published.insert(static_cast<int>(elapsed * 1000.0 + 26.122448979591837 / 1152.0));
  }
  published.insert(TotalMs());
  std::atomic<bool> done{false};
  std::vector<TimeMark> torn;
  std::thread reader([&] {
    while (!done.load()) {
      TimeMark t = PlayTime.Load();
      int ms = t.minutes * 60000 + t.seconds * 1000 + t.millis;
      if (!published.count(ms)) torn.push_back(t);
    }
  });
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnPlay();
  FinishPlayback();
  done = true;
  reader.join();
  EXPECT_TRUE(torn.empty());
  EXPECT_EQ(PlayTime.Load(), (TimeMark{0, TotalMs() / 1000, TotalMs() % 1000}));
}

TEST_F(WholeView, AfterADeviceErrorTheWorkerOnlyWaitsForACommand) {
  LoadSong(RampSong(200), 44100, 2);
  SetAudioWaitLimit(30);  // buffers never complete: the fourth chunk's wait gives up
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(WorkerBusy.load(), 1);
  EXPECT_EQ(backend.QueuedSizes().size(), 3u);
  OnStop();
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (WorkerBusy.load() && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(WorkerBusy.load(), 0);
  WaitForWorker();
  EXPECT_STREQ(AudioLastError(), "wait timeout");
  EXPECT_EQ(PlayPosBytes.load(), 0u);
}

TEST_F(WholeView, EscapeReturnsToTheWholeViewWithoutStoppingAPlayback) {
  LoadSong(RampSong(200), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 4608;
  OnTransportKey(27);
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_EQ(PlayPosBytes.load(), 0u);
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  OnTransportKey(27);
  EXPECT_EQ(WorkerBusy.load(), 1);
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  OnStop();
  FinishPlayback();
}

TEST_F(WholeView, TransportDoesNothingWithoutASongShown) {
  LoadSong(RampSong(50), 44100, 2);
  for (int state : {kStateNoSong, kStateOpening}) {
    PlayerState = state;
    OnPlay();
    OnTransportKey(32);
    OnForward();
    OnWholeView();
    OnWindowView();
    EXPECT_EQ(WorkerBusy.load(), 0);
    EXPECT_EQ(TransportCommand.load(), kCmdNone);
    EXPECT_EQ(PlayerState.load(), state);
  }
  EXPECT_EQ(backend.Opens(), 0);
  EXPECT_EQ(view.focus, 1002);  // the buttons still move the focus to the waveform area
}

using WindowView = PlaybackTest;

TEST_F(WindowView, PlaysTwoHundredFramesFromTheWindowStart) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 10 * 2304;
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnPlay();
  FinishPlayback();
  EXPECT_EQ(backend.QueuedSizes().size(), 50u);
  EXPECT_EQ(backend.Played(), Duplicated(10 * 2304, 210 * 2304));
  EXPECT_EQ(PlayPosBytes.load(), 10u * 2304);
  EXPECT_EQ(PlayerState.load(), kStateWindowView);
  const int startMs = TimeOfPosition(10 * 2304);
  EXPECT_EQ(WindowStart.Load(), (TimeMark{0, startMs / 1000, startMs % 1000}));
  EXPECT_EQ(TextsAt(WaveRect.left + 10, WaveRect.top + 5).back(), ClockText(" Start Time = %02d:%02d:%02d ", startMs));
  EXPECT_EQ(TextsAt(WaveRect.left + 570, WaveRect.top + 5).back(),
            ClockText(" End Time = %02d:%02d:%02d ", startMs + static_cast<int>(1152.0 / 44100 * 200000.0)));
  EXPECT_EQ(ColumnBytes.load(), 960u);
}

TEST_F(WindowView, StopsAtTheSongsEndWhenTheWindowReachesPastIt) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 250 * 2304;  // 50 frames left: 12 chunks, 2 frames dropped
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnPlay();
  FinishPlayback();
  EXPECT_EQ(backend.Played(), Duplicated(250 * 2304, 298 * 2304));
  EXPECT_EQ(PlayPosBytes.load(), 250u * 2304);
}

TEST_F(WindowView, PauseHasNoEffectAndStopKeepsTheWindowStart) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 20 * 2304;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  OnPause();
  for (std::size_t n = 4; n <= 10; ++n) {
    backend.Tick();
    ASSERT_TRUE(backend.WaitForQueued(n));
  }
  EXPECT_EQ(WorkerBusy.load(), 1);
  OnStop();
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), 20u * 2304);
  EXPECT_EQ(PlayerState.load(), kStateWindowView);
}

TEST_F(WindowView, AfterStopTheSliderShowsTheWindowStartAgain) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 20 * 2304;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  for (std::size_t n = 4; n <= 6; ++n) {
    backend.Tick();
    ASSERT_TRUE(backend.WaitForQueued(n));
  }
  EXPECT_GT(view.sliderPos, static_cast<int>(20 * 2304 / SliderStepBytes.load()));
  OnStop();
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), 20u * 2304);
  EXPECT_EQ(SliderPos.load(), static_cast<int>(20 * 2304 / SliderStepBytes.load()));
  EXPECT_EQ(view.sliderPos, SliderPos.load());
}

// An idle window view shows the Start and End Time of the window it shows, not those of the
// window played last.
TEST_F(WindowView, TheIdleWindowShowsItsOwnStartAndEndTime) {
  LoadSong(RampSong(300), 44100, 2);
  const int span = static_cast<int>(SongInfo.frameSeconds.load() * 200 * 1000.0);
  auto expectWindowAt = [&](std::uint64_t pos, const char* what) {
    const int start = TimeOfPosition(pos);
    const std::string startText = ClockText(" Start Time = %02d:%02d:%02d ", start);
    const std::string endText = ClockText(" End Time = %02d:%02d:%02d ", start + span);
    EXPECT_EQ(WindowStartText.Get(), startText) << what;
    EXPECT_EQ(WindowEndText.Get(), endText) << what;
    EXPECT_EQ(TextsAt(WaveRect.left + 10, WaveRect.top + 5).back(), startText) << what;
    EXPECT_EQ(TextsAt(WaveRect.left + 570, WaveRect.top + 5).back(), endText) << what;
  };
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnWindowView();
  OnPlay();
  FinishPlayback();
  expectWindowAt(0, "after the playback");

  OnWholeView();
  view.sliderPos = 20000;
  OnSliderCustomDraw();
  const std::uint64_t moved = PlayPosBytes.load();
  ASSERT_GT(moved, 100'000u);
  OnWindowView();
  expectWindowAt(moved, "switched to the window view");

  view.sliderPos = 30000;
  OnSliderCustomDraw();
  ASSERT_EQ(PlayPosBytes.load(), PositionOfSlider(30000));
  expectWindowAt(PositionOfSlider(30000), "slider moved in the window view");
}

TEST_F(WindowView, RewindAndForwardMoveTheWindowAndPlayIt) {
  LoadSong(RampSong(300), 44100, 2);  // 691,200 bytes
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnWindowView();
  ASSERT_EQ(PlayerState.load(), kStateWindowView);
  ASSERT_EQ(ColumnBytes.load(), 960u);
  const std::uint32_t step = (3 * 960 / 4) * 500;  // 360,000 bytes

  struct Move {
    std::uint32_t from;
    bool forward;
    std::uint32_t to;
  };
  for (const Move& m : {Move{400000, false, 400000 - step}, Move{40000, false, 0}, Move{0, true, step},
                        Move{360002, true, 691200 - 2}}) {
    PlayPosBytes = m.from;
    const std::size_t playedBefore = backend.Played().size();
    m.forward ? OnForward() : OnRewind();
    FinishPlayback();
    EXPECT_EQ(PlayPosBytes.load(), m.to) << m.from;
    const auto played = backend.Played();
    if (m.to + kStereoChunk <= 691200) {
      const auto first = Duplicated(m.to, m.to + kStereoChunk);
      ASSERT_GE(played.size(), playedBefore + first.size());
      EXPECT_TRUE(std::equal(first.begin(), first.end(), played.begin() + playedBefore)) << m.from;
    }
  }
}

TEST_F(WindowView, RewindAndForwardDoNothingInTheWholeView) {
  LoadSong(RampSong(300), 44100, 2);
  ColumnBytes = 960;
  PlayPosBytes = 400000;
  OnRewind();
  OnForward();
  EXPECT_EQ(PlayPosBytes.load(), 400000u);
  EXPECT_EQ(WorkerBusy.load(), 0);
  EXPECT_EQ(backend.Opens(), 0);
}

TEST_F(WindowView, TheFirstForwardDuringAWindowPlaybackOnlyStopsIt) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 2304;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  OnForward();
  FinishPlayback();
  EXPECT_EQ(backend.Opens(), 1);
  EXPECT_EQ(PlayPosBytes.load(), 2304u);
}

TEST_F(WindowView, ViewCommandsSwitchWhenIdleAndAfterAPlayback) {
  LoadSong(RampSong(300), 44100, 2);
  PlayPosBytes = 100 * 2304;
  OnWindowView();
  EXPECT_EQ(PlayerState.load(), kStateWindowView);
  EXPECT_EQ(SliderPos.load(), static_cast<int>(100 * 2304 / SliderStepBytes.load()));
  EXPECT_EQ(WindowStartText.Get(), ClockText(" Start Time = %02d:%02d:%02d ", TimeOfPosition(100 * 2304)));

  OnWholeView();
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_EQ(PlayPosBytes.load(), 0u);

  // During a whole playback the switch waits for the player to end.
  PlayPosBytes = 50 * 2304;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  OnWindowView();
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  FinishPlayback();
  EXPECT_EQ(PlayerState.load(), kStateWindowView);
  EXPECT_EQ(ColumnBytes.load(), 960u);

  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(6));
  OnWholeView();
  FinishPlayback();
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_EQ(PlayPosBytes.load(), 0u);
}

TEST_F(WholeView, LyricPanelShowsALineInTheChunkWhosePlayTimeMatches) {
  LoadSong(RampSong(120), 44100, 2);
  // Two entries: at 1 s with hundredths 00, at 2 s with hundredths 50.
  const std::string first = std::string("00\xA2\xD0\r\n") + "HELLO";
  const std::string second = std::string("50\xA2\xD0\r\n") + "WORLD";
  std::vector<unsigned char> block(14 + 16);
  block[0] = 'S';
  block[1] = 'O';
  WriteLe32(&block[2], kSyncMagic);
  WriteLe32(&block[6], static_cast<std::uint32_t>(14 + 16 + first.size() + second.size()));
  WriteLe32(&block[10], 2);
  WriteLe32(&block[14], 1);
  WriteLe32(&block[18], 2);
  WriteLe16(&block[22], 0);
  WriteLe16(&block[24], static_cast<std::uint16_t>(first.size()));
  WriteLe16(&block[26], 0);
  WriteLe16(&block[28], static_cast<std::uint16_t>(second.size()));
  block.insert(block.end(), first.begin(), first.end());
  block.insert(block.end(), second.begin(), second.end());
  ASSERT_EQ(ParseSyncBlock(kSyncMagic, block), 1);

  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnPlay();
  FinishPlayback();

  // The text drawn at the play slot just before each lyric first appears.
  std::map<std::string, std::string> shownAt;
  std::string lastPlayTime;
  int panelErases = 0;
  for (const auto& t : canvas.texts) {
    if (t.x == WaveRect.left + 270 && t.y == WaveRect.top + 5) lastPlayTime = t.text;
    if (t.background == RGB(147, 196, 236) && t.y == 325 && !shownAt.count(t.text)) shownAt[t.text] = lastPlayTime;
  }
  for (const auto& b : canvas.bitmaps)
    if (b.x == 580 && b.y == 295 && b.id == 261) ++panelErases;
  EXPECT_EQ(shownAt["HELLO"], " Play Time = 00:01:04 ");
  EXPECT_EQ(shownAt["WORLD"], " Play Time = 00:02:50 ");
  EXPECT_GE(panelErases, 2);
  // The time line: its six leading blanks shift it by 48 pixels.
  bool timeLine = false;
  for (const auto& t : canvas.texts)
    if (t.x == 585 + 48 && t.y == 305 && t.text == "00:01:04" && t.background == RGB(147, 196, 236)) timeLine = true;
  EXPECT_TRUE(timeLine);
}

}  // namespace
}  // namespace vexalo::test

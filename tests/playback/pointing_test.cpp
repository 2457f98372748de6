#include <gtest/gtest.h>

#include "common/control_ids.h"
#include "lyrics/lyrics_editor.h"
#include "playback/pointing.h"
#include "playback_fixture.h"

namespace vexalo::test {
namespace {

using Pointing = PlaybackTest;

TEST_F(Pointing, TheRectangleEdgesCountAsInside) {
  const Rect r = kTestWaveRect;
  struct Case {
    int x, y;
    bool inside;
  };
  for (const Case& c : {Case{r.left, r.top, true}, Case{r.right, r.bottom, true}, Case{r.left, r.bottom, true},
                        Case{r.right, r.top, true}, Case{r.left - 1, r.top, false}, Case{r.right + 1, r.top, false},
                        Case{r.left, r.top - 1, false}, Case{r.left, r.bottom + 1, false}}) {
    EXPECT_EQ(InsideWaveRect(c.x, c.y), c.inside) << c.x << "," << c.y;
  }
}

TEST_F(Pointing, ClicksOutsideOrWithoutASongAreLeftToTheButtonBar) {
  LoadSong(RampSong(100), 44100, 2);
  EXPECT_FALSE(OnLButtonDown(kTestWaveRect.left - 1, 60));
  EXPECT_FALSE(OnMouseMove(kTestWaveRect.right + 1, 60));
  PlayerState = kStateOpening;
  EXPECT_FALSE(OnLButtonDown(100, 60));
  EXPECT_FALSE(OnLButtonDblClk(100, 60));
  EXPECT_FALSE(OnRButtonDown(100, 60));
  EXPECT_FALSE(OnRButtonDblClk(100, 60));
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  EXPECT_EQ(WorkerBusy.load(), 0);
}

TEST_F(Pointing, DoubleClickAtColumnZeroPlaysFromTheStart) {
  LoadSong(RampSong(200), 44100, 2);
  ColumnBytes = 960;
  PlayPosBytes = 5000;
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  EXPECT_TRUE(OnLButtonDblClk(kTestWaveRect.left, 100));
  FinishPlayback();
  EXPECT_EQ(CursorOffset.load(), 0);
  EXPECT_EQ(PlayPosBytes.load(), 0u);
  const auto first = Duplicated(0, 4 * 2304);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), backend.Played().begin()));
}

TEST_F(Pointing, DoubleClickInTheWholeViewPlaysFromTheClickedColumn) {
  LoadSong(RampSong(200), 44100, 2);
  ColumnBytes = 962;  // an odd product is made even
  EXPECT_TRUE(OnLButtonDblClk(kTestWaveRect.left + 3, 100));
  ASSERT_TRUE(backend.WaitForQueued(1));
  EXPECT_EQ(PlayPosBytes.load(), 3u * 962);
  EXPECT_EQ(CursorOffset.load(), 3);
  OnStop();
  FinishPlayback();
}

TEST_F(Pointing, DoubleClickPastTheDataStartsAtItsEnd) {
  LoadSong(RampSong(10), 44100, 2);
  ColumnBytes = 960;
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  EXPECT_TRUE(OnLButtonDblClk(kTestWaveRect.right, 100));
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), storedBytes.load());
  EXPECT_TRUE(backend.Played().empty());
}

TEST_F(Pointing, DoubleClickInTheWindowViewMovesTheWindowStart) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 10 * 2304;
  ColumnBytes = 960;
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  EXPECT_TRUE(OnLButtonDblClk(kTestWaveRect.left + 7, 100));
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), 10u * 2304 + 7 * 960);
  EXPECT_EQ(backend.Played(), Duplicated(10 * 2304 + 7 * 960, 10 * 2304 + 7 * 960 + 200 * 2304));
}

TEST_F(Pointing, ADoubleClickDuringPlaybackOnlyStopsIt) {
  LoadSong(RampSong(200), 44100, 2);
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  EXPECT_TRUE(OnLButtonDown(100, 100));  // the first click of the double click
  EXPECT_TRUE(OnLButtonDblClk(100, 100));
  FinishPlayback();
  EXPECT_EQ(backend.Opens(), 1);
  EXPECT_EQ(WorkerBusy.load(), 0);
}

TEST_F(Pointing, RightClickInTheWholeViewPlaysAWindowFromTheColumn) {
  LoadSong(RampSong(300), 44100, 2);
  ColumnBytes = 1441;  // odd product: made even
  CursorOffset = 12;
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  EXPECT_TRUE(OnRButtonDown(kTestWaveRect.left + 1, 100));
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), 1442u);
  EXPECT_EQ(PlayerState.load(), kStateWindowView);
  EXPECT_EQ(CursorOffset.load(), 12);
  EXPECT_EQ(backend.Played(), Duplicated(1442, 1442 + 200 * 2304));
}

TEST_F(Pointing, RightClickInTheWindowViewOnlyStops) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  EXPECT_TRUE(OnRButtonDown(100, 100));
  EXPECT_EQ(TransportCommand.load(), kCmdPlay);
  EXPECT_EQ(WorkerBusy.load(), 0);
}

TEST_F(Pointing, RightDoubleClickReturnsToTheWholeViewAtTheWindowStart) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 100 * 2304;
  EXPECT_TRUE(OnRButtonDblClk(100, 100));
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_EQ(ColumnBytes.load(), 2u * 720);  // redrawn whole: 691,200 bytes over 480 columns
  EXPECT_EQ(CursorOffset.load(), static_cast<int>(100 * 2304 / 1440));
  EXPECT_EQ(PlayPosBytes.load(), 100u * 2304);
}

TEST_F(Pointing, MouseMoveShowsTheTimeUnderTheMouse) {
  LoadSong(RampSong(300), 44100, 2);
  ColumnBytes = 1440;
  EXPECT_TRUE(OnMouseMove(kTestWaveRect.left + 100, 60));
  EXPECT_EQ(view.focus, kIdcWaveArea);
  EXPECT_EQ(CursorTimeText.Get(), ClockText(" Cursor Position Time = %02d:%02d:%02d ", TimeOfPosition(144000)));
  EXPECT_EQ(canvas.texts.back().x, kTestWaveRect.left + 270);
  EXPECT_EQ(canvas.texts.back().y, kTestWaveRect.bottom - 25);

  // At the last column the time is no later than the end of the data.
  ColumnBytes = 1442;
  EXPECT_TRUE(OnMouseMove(kTestWaveRect.right, 60));
  EXPECT_EQ(CursorTimeText.Get(), ClockText(" Cursor Position Time = %02d:%02d:%02d ", TimeOfPosition(storedBytes.load())));

  PlayerState = kStateWindowView;
  PlayPosBytes = 2304;
  ColumnBytes = 960;
  EXPECT_TRUE(OnMouseMove(kTestWaveRect.left + 10, 60));
  EXPECT_EQ(CursorTimeText.Get(), ClockText(" Cursor Position Time = %02d:%02d:%02d ", TimeOfPosition(2304 + 9600)));
}

TEST_F(Pointing, SliderEndsMapToTheFirstAndLastSample) {
  LoadSong(RampSong(300), 44100, 2);
  ColumnBytes = 1440;
  struct Case {
    int slider;
    std::uint64_t pos;
  };
  for (const Case& c : {Case{65535, storedBytes.load() - 2}, Case{0, 0}, Case{32768, 345606}}) {
    view.sliderPos = c.slider;
    SliderPos = c.slider == 0 ? 1 : 0;
    TransportCommand = kCmdStop;
    EXPECT_EQ(OnSliderCustomDraw(), 0);
    EXPECT_EQ(PlayPosBytes.load(), c.pos) << c.slider;
    EXPECT_EQ(SliderPos.load(), c.slider);
    EXPECT_EQ(CursorOffset.load(), static_cast<int>(c.pos / 1440));
    EXPECT_EQ(TransportCommand.load(), kCmdNone);
    EXPECT_EQ(PlayTimeText.Get(), ClockText(" Play Time = %02d:%02d:%02d ", TimeOfPosition(c.pos)));
  }
}

// A 14-hour 48 kHz song holds 5,000,000,000 bytes: slider, cursor column and read-outs reach
// past 4 GB (the sample bytes themselves are not needed for these).
TEST_F(Pointing, PositionsOfASongPastFourGigabytes) {
  LoadSong(RampSong(10), 48000, 1);
  const std::uint64_t stored = 5'000'000'000;
  storedBytes = stored;
  SliderStepBytes = static_cast<std::uint64_t>(stored * (1.0 / 65535));
  ColumnBytes = stored / 480;
  view.sliderPos = 65535;
  SliderPos = 0;
  OnSliderCustomDraw();
  EXPECT_EQ(PlayPosBytes.load(), stored - 2);
  EXPECT_EQ(CursorOffset.load(), static_cast<int>((stored - 2) / (stored / 480)));
  EXPECT_EQ(PlayTimeText.Get(), " Play Time = 868:03:33 ");

  view.sliderPos = 32768;
  OnSliderCustomDraw();
  const auto half = static_cast<std::uint64_t>(static_cast<double>(stored) * (1.0 / 65535) * 32768);
  EXPECT_EQ(PlayPosBytes.load(), half + (half & 1));
  EXPECT_GT(PlayPosBytes.load(), std::uint64_t{1} << 31);

  UpdateSliderFromPosition(stored - 2);
  EXPECT_EQ(SliderPos.load(), 65535);
  UpdateSliderFromPosition(stored / 2);
  EXPECT_EQ(SliderPos.load(), static_cast<int>(stored / 2 / SliderStepBytes.load()));

  EXPECT_TRUE(OnMouseMove(kTestWaveRect.left + 479, 60));
  EXPECT_EQ(CursorTimeText.Get(), ClockText(" Cursor Position Time = %02d:%02d:%02d ", TimeOfPosition(479 * (stored / 480))));
  EXPECT_EQ(TimeOfPosition(479 * (stored / 480)) / 60000, 866);
  storedBytes = 0;
}

TEST_F(Pointing, SliderMovesAreIgnoredWhilePlayingOrUnchanged) {
  LoadSong(RampSong(300), 44100, 2);
  PlayPosBytes = 1234;
  SliderPos = 500;
  view.sliderPos = 500;
  OnSliderCustomDraw();
  EXPECT_EQ(PlayPosBytes.load(), 1234u);
  WorkerBusy = 1;
  view.sliderPos = 900;
  OnSliderCustomDraw();
  EXPECT_EQ(PlayPosBytes.load(), 1234u);
  WorkerBusy = 0;
  CurrentMp3Path.clear();
  OnSliderCustomDraw();
  EXPECT_EQ(PlayPosBytes.load(), 1234u);
}

TEST_F(Pointing, SliderInTheWindowViewRedrawsTheWindow) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  const int leases = view.canvasLeases;
  view.sliderPos = 100;
  OnSliderCustomDraw();
  EXPECT_GT(view.canvasLeases, leases);
  EXPECT_GT(canvas.CountColour(RGB(0, 100, 200), 0, 0, 640, 480), 0);
}

TEST_F(Pointing, SliderReleaseStopsOnlyWithASongShown) {
  LoadSong(RampSong(300), 44100, 2);
  EXPECT_EQ(OnSliderReleased(), 0);
  EXPECT_EQ(TransportCommand.load(), kCmdStop);
  TransportCommand = kCmdNone;
  CurrentMp3Path.clear();
  OnSliderReleased();
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
}

// The knob stays where the user holds it while the playback goes on; letting go stops the
// playback, and the next one starts at the knob's place, which the read-out shows.
TEST_F(Pointing, ASliderLetGoOfDuringAPlaybackStopsItAndTheNextPlayStartsThere) {
  LoadSong(RampSong(300), 44100, 2);
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(2));
  OnSliderPressed();
  view.sliderPos = 32768;
  OnSliderCustomDraw();  // ignored while playing
  ASSERT_TRUE(backend.WaitForQueued(3));
  backend.Tick();
  ASSERT_TRUE(backend.WaitForQueued(4));
  EXPECT_EQ(view.sliderPos, 32768);
  OnSliderReleased();
  FinishPlayback();
  EXPECT_EQ(PlayPosBytes.load(), 345606u);
  EXPECT_EQ(SliderPos.load(), 32768);
  EXPECT_EQ(view.sliderPos, 32768);
  EXPECT_EQ(CursorOffset.load(), static_cast<int>(345606 / ColumnBytes.load()));
  EXPECT_EQ(PlayTimeText.Get(), ClockText(" Play Time = %02d:%02d:%02d ", TimeOfPosition(345606)));
  EXPECT_EQ(PendingSliderStart.load(), -1);

  const std::size_t before = backend.Played().size();
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  OnPlay();
  FinishPlayback();
  const auto first = Duplicated(345606, 345606 + 4 * 2304);
  const auto played = backend.Played();
  ASSERT_GE(played.size(), before + first.size());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), played.begin() + static_cast<std::ptrdiff_t>(before)));
}

TEST_F(Pointing, ASliderLetGoOfDuringAWindowPlaybackMovesTheWindowThere) {
  LoadSong(RampSong(300), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 2304;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  OnSliderPressed();
  view.sliderPos = 16384;
  OnSliderReleased();
  FinishPlayback();
  const std::uint64_t pos = PositionOfSlider(16384);
  const int start = TimeOfPosition(pos);
  EXPECT_EQ(PlayPosBytes.load(), pos);
  EXPECT_EQ(PlayerState.load(), kStateWindowView);
  EXPECT_EQ(view.sliderPos, 16384);
  EXPECT_EQ(WindowStartText.Get(), ClockText(" Start Time = %02d:%02d:%02d ", start));
  EXPECT_EQ(WindowEndText.Get(),
            ClockText(" End Time = %02d:%02d:%02d ", start + static_cast<int>(SongInfo.frameSeconds.load() * 200 * 1000.0)));
  EXPECT_EQ(PlayTimeText.Get(), ClockText(" Play Time = %02d:%02d:%02d ", start));
}

// A release that comes as the playback ends by itself is carried out once no worker runs.
TEST_F(Pointing, ALetGoThePlayerMissedIsCarriedOutWhenIdle) {
  LoadSong(RampSong(300), 44100, 2);
  PendingSliderStart = 32768;
  WorkerBusy = 1;
  TakePendingSliderStart();
  EXPECT_EQ(PendingSliderStart.load(), 32768);
  WorkerBusy = 0;
  OnTimer(0);
  EXPECT_EQ(PendingSliderStart.load(), -1);
  EXPECT_EQ(PlayPosBytes.load(), 345606u);
  EXPECT_EQ(view.sliderPos, 32768);
}

TEST(LineReadout, CountsBytesWithoutEditorShortTags) {
  struct Case {
    std::string line;
    int columns;
  };
  const std::string shortTag = "\xAB" "000510\xBB";
  for (const Case& c : {Case{shortTag + "ABCDE", 5}, Case{"AB" + shortTag + "CD", 4}, Case{"\xAB" "xyz\xBB" "Q", 1},
                        Case{"\xAB" "12", 3}, Case{"", 0}, Case{"\xB0\xA1\xB0\xA2", 4}, Case{"\xAB" "123456\xBA", 8}}) {
    EXPECT_EQ(CountLineColumns(reinterpret_cast<const unsigned char*>(c.line.data()), static_cast<int>(c.line.size())),
              c.columns)
        << c.line;
  }
}

TEST_F(Pointing, TimerShowsTheCaretLineAndItsColumns) {
  view.editorText = "first\r\n\xAB" "000510\xBB" "ABCDE\r\nlast";
  view.PutCaretOnLine(1);
  OnTimer(1);
  EXPECT_TRUE(view.statusTexts.empty());
  CaretLine = 0;
  OnTimer(0);
  EXPECT_EQ(view.statusTexts[2], "Line : 2 Col : 5");
  EXPECT_EQ(CaretLine, 1);  // the timer also refreshes the editor's captured caret line
  view.PutCaretOnLine(2);
  OnTimer(0);
  EXPECT_EQ(view.statusTexts[2], "Line : 3 Col : 4");
}

}  // namespace
}  // namespace vexalo::test

#include <gtest/gtest.h>

#include "common/control_ids.h"
#include "playback_fixture.h"

namespace vexalo::test {
namespace {

void PutSample(std::uint64_t offset, std::int16_t v) {
  SongBuffer[offset] = static_cast<unsigned char>(static_cast<std::uint16_t>(v) & 0xFF);
  SongBuffer[offset + 1] = static_cast<unsigned char>(static_cast<std::uint16_t>(v) >> 8);
}

TEST(SampleHeight, DividesBy512TowardZero) {
  struct Case {
    std::int16_t sample;
    int height;
  };
  for (const Case& c : {Case{-32768, -64}, Case{32767, 63}, Case{-511, 0}, Case{511, 0}, Case{512, 1}, Case{-1024, -2}}) {
    PutSample(100, c.sample);
    EXPECT_EQ(SampleHeight(100), c.height) << c.sample;
  }
}

TEST(ColumnStep, TruncatesMakesEvenAndNeverStopsAdvancing) {
  EXPECT_EQ(ComputeColumnStep(10'000'000, 2, 480), 10416u);
  EXPECT_EQ(ComputeColumnStep(12359, 1, 10), 1234u);  // 1,235.9 is odd once truncated
  EXPECT_EQ(ComputeColumnStep(460800, 2, 480), 480u);
  EXPECT_EQ(ComputeColumnStep(100, 2, 480), 2u);     // a song shorter than its columns
  EXPECT_EQ(ComputeColumnStep(0, 1, 480), 2u);
  EXPECT_EQ(ComputeColumnStep(5000, 1, 0), 5000u);   // no width: one column for everything
}

// The expected raster of a waveform drawing, built pixel by pixel from the rules.
struct Expected {
  explicit Expected(const RasterCanvas& start) : pixels(start.Pixels()), width(start.Width()) {}
  void Set(int x, int y, Colour c) {
    if (x >= 0 && y >= 0 && x < width && y < static_cast<int>(pixels.size()) / width) pixels[y * width + x] = c;
  }
  // The pixels a line from the zero line to height h paints (its end point excluded).
  void Span(int x, int middle, int h, Colour c) {
    if (h > 0)
      for (int y = middle; y > middle - h; --y) Set(x, y, c);
    else
      for (int y = middle; y < middle - h; ++y) Set(x, y, c);
  }
  std::vector<Colour> pixels;
  int width;
};

using Waveform = PlaybackTest;

// Two hundred million bytes (over half an hour at 48 kHz), far past the area usable from the
// start: every column is read from the grown song.
TEST_F(Waveform, WholeViewOfASongPastTheFirstArea) {
  const std::uint64_t stored = 200'000'000;
  ASSERT_TRUE(EnsureSongBytes(stored));
  storedBytes = stored;
  SongInfo.channels = 1;
  SongInfo.frameScale = 4;
  SongInfo.frameSeconds = 1152.0 / 48000;
  const std::uint64_t step = ComputeColumnStep(stored, 1, kTestWaveRect.Width());
  ASSERT_EQ(step, 416'666u);
  for (int c = 0; c < 481; ++c) PutSample(c * step, static_cast<std::int16_t>((c % 100 - 50) * 512));
  canvas.Clear(RGB(1, 2, 3));
  Expected expected(canvas);
  {
    CanvasLease lease(view);
    DrawWholeWave(*lease);
  }
  const Rect r = kTestWaveRect;
  const int middle = r.top + (r.bottom - r.top) / 2;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right + 3; ++x) expected.Set(x, y, RGB(255, 255, 255));
  for (int c = 0; c < 481; ++c) {
    expected.Set(r.left + c, middle, RGB(0, 200, 100));
    expected.Span(r.left + c, middle, c % 100 - 50, RGB(0, 200, 100));
  }
  EXPECT_TRUE(canvas.Pixels() == expected.pixels);
  EXPECT_EQ(SampleHeight(SongUsableBytes()), 0) << "nothing is read past the usable bytes";
  storedBytes = 0;
  ZeroSongBytes(stored);
}

TEST_F(Waveform, WholeViewOfTenMillionBytesOnFourHundredEightyColumns) {
  std::memset(SongBuffer, 0, 10'000'000 + 4096);
  storedBytes = 10'000'000;
  SongInfo.channels = 2;
  SongInfo.frameScale = 4;
  SongInfo.frameSeconds = 1152.0 / 44100;
  for (int c = 0; c < 481; ++c) PutSample(static_cast<std::uint32_t>(c) * 20832, static_cast<std::int16_t>((c % 128 - 64) * 512));
  // A sample inside a column does not stand for it.
  PutSample(20832 + 2, 32767);
  view.controlTexts[kIdcSideTime] = "\xAB" "000510\xBB";
  canvas.Clear(RGB(1, 2, 3));
  Expected expected(canvas);
  {
    CanvasLease lease(view);
    DrawWholeWave(*lease);
  }
  EXPECT_EQ(ColumnStep.load(), 10416u);
  EXPECT_EQ(ColumnBytes.load(), 20832u);

  const Rect r = kTestWaveRect;
  const int middle = r.top + (r.bottom - r.top) / 2;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right + 3; ++x) expected.Set(x, y, RGB(255, 255, 255));
  for (int c = 0; c < 481; ++c) {
    expected.Set(r.left + c, middle, RGB(0, 200, 100));
    expected.Span(r.left + c, middle, c % 128 - 64, RGB(0, 200, 100));
  }
  EXPECT_TRUE(canvas.Pixels() == expected.pixels);
  EXPECT_EQ(canvas.GetPixel(r.left + 481, middle), RGB(255, 255, 255));  // no 482nd column
  EXPECT_EQ(view.controlTexts[kIdcSideTime], "");
}

TEST_F(Waveform, WholeViewRepaintsTheReadoutsAfterDrawing) {
  LoadSong(RampSong(100), 44100, 2);
  ProgressText.Set(" Total Time = 00:02:61 ");
  StartTimeText.Set(" Start Time = 00:00:00 ");
  EndTimeText.Set(" End Time = 00:02:61 ");
  PlayTimeText.Set(" Play Time = 00:01:00 ");
  CursorTimeText.Set(" Cursor Position Time = 00:00:50 ");
  {
    CanvasLease lease(view);
    DrawWholeWave(*lease);
  }
  const Rect r = kTestWaveRect;
  ASSERT_EQ(canvas.texts.size(), 5u);
  EXPECT_EQ(canvas.texts[0].text, " Total Time = 00:02:61 ");
  EXPECT_EQ(canvas.texts[0].x, r.left + 10);
  EXPECT_EQ(canvas.texts[1].text, " Start Time = 00:00:00 ");
  EXPECT_EQ(canvas.texts[2].text, " End Time = 00:02:61 ");
  EXPECT_EQ(canvas.texts[3].text, " Play Time = 00:01:00 ");
  EXPECT_EQ(canvas.texts[4].text, " Cursor Position Time = 00:00:50 ");
}

TEST_F(Waveform, WholeViewDrawsOnlyInTheWholeState) {
  LoadSong(RampSong(100), 44100, 2);
  for (int state : {kStateNoSong, kStateOpening, kStateWindowView}) {
    PlayerState = state;
    CanvasLease lease(view);
    DrawWholeWave(*lease);
  }
  EXPECT_EQ(canvas.CountColour(RGB(255, 255, 255), 0, 0, canvas.Width(), canvas.Height()), 0);
  EXPECT_EQ(ColumnBytes.load(), 0u);
}

// The window view, built from the rules with every sampled line drawn.
Expected WindowReference(const RasterCanvas& start, std::uint32_t length) {
  Expected e(start);
  const Rect r = kTestWaveRect;
  const int channels = SongInfo.channels;
  const std::uint32_t step = ComputeColumnStep(length, channels, r.Width());
  const std::uint32_t columnBytes = channels * step;
  const int middle = r.top + (r.bottom - r.top) / 2;
  std::uint64_t end = std::min<std::uint64_t>(PlayPosBytes.load() - SongBytesPerFrame() + length, storedBytes.load());
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right + 3; ++x) e.Set(x, y, RGB(255, 255, 255));
  int x = r.left;
  for (std::uint64_t i = PlayPosBytes.load(); i < end; i += columnBytes, ++x) e.Set(x, middle, RGB(0, 200, 100));
  const int across = static_cast<int>((r.right - r.left) * 0.0476190485f);
  for (int gx = r.left; gx < r.right; gx += across)
    for (int y = r.top + 30; y < r.bottom - 34; ++y) e.Set(gx, y, RGB(0, 100, 200));
  const int down = static_cast<int>((r.bottom - r.top) * 0.142857149f);
  for (int gy = r.top + 30; gy < r.bottom - 30; gy += down)
    for (int gx = r.left; gx < r.right; ++gx) e.Set(gx, gy, RGB(0, 100, 200));
  x = r.left;
  for (std::uint64_t i = PlayPosBytes.load(); i < end; i += columnBytes, ++x)
    for (std::uint32_t k = 0; k < columnBytes; k += channels * 16)
      e.Span(x, middle, SampleHeight(static_cast<std::uint32_t>(i + k)), RGB(0, 200, 100));
  return e;
}

std::vector<std::int16_t> NoisySong(std::size_t samples) {
  std::vector<std::int16_t> s(samples);
  std::uint32_t v = 12345;
  for (auto& x : s) {
    v = v * 1103515245u + 12345u;
    x = static_cast<std::int16_t>(v >> 16);
  }
  return s;
}

TEST_F(Waveform, WindowViewDrawsTheGridAndTheUnionOfSampledLines) {
  for (int channels : {2, 1}) {
    LoadSong(NoisySong(300 * 1152), channels == 2 ? 44100 : 22050, channels);
    PlayerState = kStateWindowView;
    PlayPosBytes = 20 * SongBytesPerFrame();
    canvas.Clear(RGB(1, 2, 3));
    const std::uint32_t length = 200 * SongBytesPerFrame();
    Expected expected = WindowReference(canvas, length);
    std::uint32_t step;
    {
      CanvasLease lease(view);
      step = DrawWindowWave(*lease, length);
    }
    EXPECT_EQ(step, ComputeColumnStep(length, channels, 480)) << channels;
    EXPECT_TRUE(canvas.Pixels() == expected.pixels) << channels;
    EXPECT_GT(canvas.CountColour(RGB(0, 100, 200), 0, 0, 640, 480), 0);
  }
}

TEST_F(Waveform, WindowViewNearTheEndStopsAtTheDecodedData) {
  LoadSong(NoisySong(300 * 1152), 44100, 2);
  PlayerState = kStateWindowView;
  PlayPosBytes = 250 * 2304;
  const std::uint32_t length = 200 * 2304;
  Expected expected = WindowReference(canvas, length);
  {
    CanvasLease lease(view);
    DrawWindowWave(*lease, length);
  }
  EXPECT_TRUE(canvas.Pixels() == expected.pixels);
  // 50 frames in 960-byte columns: 120 columns, the rest white apart from the grid.
  const Rect r = kTestWaveRect;
  EXPECT_EQ(canvas.CountColour(RGB(0, 200, 100), r.left + 120, r.top, r.right + 3, r.bottom), 0);
}

TEST_F(Waveform, WindowViewDrawsNothingWithoutASong) {
  LoadSong(NoisySong(300 * 1152), 44100, 2);
  for (int state : {kStateNoSong, kStateOpening}) {
    PlayerState = state;
    CanvasLease lease(view);
    EXPECT_EQ(DrawWindowWave(*lease, 200 * 2304), 0u);
  }
  EXPECT_EQ(canvas.CountColour(RGB(255, 255, 255), 0, 0, 640, 480), 0);
}

TEST_F(Waveform, TinyRectanglesAndTinySongsStillFinish) {
  LoadSong(NoisySong(40), 44100, 2);  // 80 bytes: far fewer than 2 per column
  PlayerState = kStateWholeView;
  CanvasLease lease(view);
  DrawWholeWave(*lease);
  EXPECT_EQ(ColumnStep.load(), 2u);
  EXPECT_EQ(ColumnBytes.load(), 4u);
  WaveRect = Rect{10, 10, 13, 14};  // grid gaps of 0 without a guard
  PlayerState = kStateWindowView;
  EXPECT_EQ(DrawWindowWave(*lease, 200 * 2304), ComputeColumnStep(200 * 2304, 2, 3));
}

TEST_F(Waveform, ShortSongColumnsStopWhereTheWhiteFillEnds) {
  // 40,000 stereo bytes: the truncated step makes far more columns than the rectangle is wide.
  LoadSong(NoisySong(20'000), 44100, 2);
  PlayerState = kStateWholeView;
  canvas.Clear(RGB(1, 2, 3));
  {
    CanvasLease lease(view);
    DrawWholeWave(*lease);
  }
  const Rect r = kTestWaveRect;
  ASSERT_GT(40'000u / ColumnBytes.load(), static_cast<unsigned>(r.Width() + 3));
  const int middle = r.top + (r.bottom - r.top) / 2;
  EXPECT_EQ(canvas.GetPixel(r.right + 2, middle), RGB(0, 200, 100));
  for (int x = r.right + 3; x < r.right + 40; ++x) EXPECT_EQ(canvas.GetPixel(x, middle), RGB(1, 2, 3)) << x;
}

TEST_F(Waveform, WindowViewCallsTheSideTimeRoutineLast) {
  static int calls;
  static std::size_t textsSeen;
  static RasterCanvas* seen;
  calls = 0;
  seen = &canvas;
  const SideTimeRoutine installed = SetSideTimeRoutine([] {
    ++calls;
    textsSeen = seen->texts.size();
  });
  LoadSong(NoisySong(300 * 1152), 44100, 2);
  PlayerState = kStateWindowView;
  {
    CanvasLease lease(view);
    DrawWindowWave(*lease, 200 * 2304);
  }
  SetSideTimeRoutine(installed);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(textsSeen, 5u);  // after the five read-outs
}

}  // namespace
}  // namespace vexalo::test

#include <gtest/gtest.h>

#include <cmath>

#include "playback/sdl_audio_backend.h"
#include "playback_fixture.h"

namespace vexalo::test {
namespace {

TEST(PlaybackSpeed, StepsAndTheirTexts) {
  struct Case {
    int percent, slower, faster, valid;
    const char* text;
  };
  for (const Case& c : {Case{100, 75, 100, 100, "Speed 1x"}, Case{75, 50, 100, 75, "Speed 0.75x"},
                        Case{50, 50, 75, 50, "Speed 0.5x"}, Case{60, 50, 75, 50, "Speed 0.5x"},
                        Case{300, 75, 100, 100, "Speed 1x"}, Case{0, 50, 75, 50, "Speed 0.5x"}}) {
    EXPECT_EQ(SlowerSpeed(c.percent), c.slower) << c.percent;
    EXPECT_EQ(FasterSpeed(c.percent), c.faster) << c.percent;
    EXPECT_EQ(ValidSpeed(c.percent), c.valid) << c.percent;
    EXPECT_EQ(SpeedText(c.percent), c.text) << c.percent;
  }
}

std::vector<std::int16_t> Sine(double hz, std::size_t frames, int rate = 44100) {
  std::vector<std::int16_t> s(frames * 1152);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * i / rate));
  return s;
}

// The left channel of what the device got, as doubles.
std::vector<double> LeftChannel(const std::vector<unsigned char>& played) {
  std::vector<double> left(played.size() / 4);
  for (std::size_t i = 0; i < left.size(); ++i)
    left[i] = static_cast<std::int16_t>(played[4 * i] | played[4 * i + 1] << 8);
  return left;
}

double Magnitude(const std::vector<double>& x, std::size_t from, std::size_t n, double hz, int rate) {
  double re = 0, im = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double a = 2 * M_PI * hz * static_cast<double>(i) / rate;
    re += x[from + i] * std::cos(a);
    im += x[from + i] * std::sin(a);
  }
  return std::hypot(re, im);
}

// The strongest frequency between 50 Hz and 4 kHz in n samples from `from`: a 5 Hz scan, then
// a 0.1 Hz one around its best.
double DominantFrequency(const std::vector<double>& x, std::size_t from, std::size_t n, int rate) {
  double best = 50, bestMag = -1;
  for (double f = 50; f <= 4000; f += 5) {
    const double m = Magnitude(x, from, n, f, rate);
    if (m > bestMag) bestMag = m, best = f;
  }
  const double centre = best;
  for (double f = centre - 5; f <= centre + 5; f += 0.1) {
    const double m = Magnitude(x, from, n, f, rate);
    if (m > bestMag) bestMag = m, best = f;
  }
  return best;
}

using Speed = PlaybackTest;

TEST_F(Speed, SlowerPlaybackLastsLongerAtTheSamePitch) {
  struct Case {
    int percent;
  };
  for (const Case& c : {Case{50}, Case{75}}) {
    LoadSong(Sine(440.0, 160), 44100, 2);  // 40 chunks, 4.18 s
    CapturingAudioBackend device(CapturingAudioBackend::Clock::Immediate);
    UseAudioBackend(&device);
    PlaybackSpeedPercent = c.percent;
    OnPlay();
    FinishPlayback();
    UseAudioBackend(&backend);
    const std::vector<unsigned char> played = device.Played();
    ASSERT_EQ(played.size() % 4, 0u);
    for (std::size_t i = 0; i + 3 < played.size(); i += 4) {
      ASSERT_EQ(played[i], played[i + 2]) << i;
      ASSERT_EQ(played[i + 1], played[i + 3]) << i;
    }
    const double songSeconds = 160 * 1152 / 44100.0;
    const double seconds = played.size() / 4 / 44100.0;
    EXPECT_NEAR(seconds, songSeconds * 100 / c.percent, 0.1) << c.percent;
    const std::vector<double> left = LeftChannel(played);
    const std::size_t n = 44100 / 2;
    ASSERT_GT(left.size(), 44100 + n);
    EXPECT_NEAR(DominantFrequency(left, 44100, n, 44100), 440.0, 4.4) << c.percent;
    // Play Time is song time: the song's end, not the longer time the sound took.
    EXPECT_EQ(PlayTimeTexts().back(), " Play Time = 00:04:17 ");
  }
}

TEST_F(Speed, PlayTimeAdvancesBySongTime) {
  LoadSong(Sine(440.0, 80), 44100, 2);
  PlaybackSpeedPercent = 50;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  for (int k = 0; k < 3; ++k) backend.Tick();
  ASSERT_TRUE(backend.WaitForQueued(6));
  // Each device buffer at half speed carries half a chunk of the song: six buffers, three chunks.
  std::vector<std::string> texts;
  for (const std::string& t : PlayTimeTexts())
    if (!t.empty()) texts.push_back(t);
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(texts[5], ClockText(" Play Time = %02d:%02d:%02d ", static_cast<int>(3 * 4 * 1152 / 44.1 + 26.1224 / 1152)));
  OnPause();
  FinishPlayback();
  const std::uint64_t paused = PlayPosBytes.load();
  EXPECT_EQ(paused % 2, 0u);
  // Where the queued sound ended, in song bytes: about half a chunk per buffer queued.
  const std::size_t buffers = backend.QueuedSizes().size();
  EXPECT_NEAR(static_cast<double>(paused), buffers * 4 * 2304 / 2.0, 2.0);
}

TEST_F(Speed, ChangingSpeedWhilePlayingGoesOnFromTheQueuedSound) {
  LoadSong(RampSong(120), 44100, 2);
  PlaybackSpeedPercent = 50;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  PlaybackSpeedPercent = 100;
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  backend.TickAll();
  FinishPlayback();
  // Back at 1x the song's own samples follow, from a place the half-speed part reached.
  const std::vector<unsigned char> played = backend.Played();
  const std::size_t tail = 4 * 4608;
  ASSERT_GT(played.size(), tail);
  const std::vector<unsigned char> last(played.end() - tail, played.end());
  const std::uint64_t songEnd = storedBytes.load() - storedBytes.load() % (4 * 2304);
  bool found = false;
  for (std::uint64_t end = songEnd; end + 2 * 4608 > songEnd && end >= 2 * 4608 && !found; end -= 2)
    found = Duplicated(end - 2 * 4608, end) == last;
  EXPECT_TRUE(found) << "the last buffer is the song's own samples";
}

// The device's clock in the capturing backend is the frame it has played; the heard position
// is the song byte of that frame.
TEST_F(Speed, HeardPositionIsTheSampleThePlayingFrameCarries) {
  LoadSong(RampSong(60), 44100, 2);
  PlayPosBytes = 3 * 4 * 2304;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  for (std::int64_t frames : {0, 700, 3000, 5000, 9000}) {
    backend.Advance(frames - backend.PlayingFrame().value_or(0));
    ASSERT_TRUE(backend.WaitForQueued(static_cast<std::size_t>(3 + frames / 4608)));
    const std::optional<double> heard = AudioHeardPosition();
    ASSERT_TRUE(heard.has_value());
    const std::vector<unsigned char> played = backend.Played();
    ASSERT_GT(played.size(), static_cast<std::size_t>(4 * frames + 1));
    const std::uint64_t p = static_cast<std::uint64_t>(*heard);
    EXPECT_EQ(played[4 * frames], SongBuffer[p]) << frames;
    EXPECT_EQ(played[4 * frames + 1], SongBuffer[p + 1]) << frames;
    EXPECT_EQ(p, 3 * 4 * 2304 + 2 * static_cast<std::uint64_t>(frames));
    const std::optional<int> ms = HeardPlayMillis();
    ASSERT_TRUE(ms.has_value());
    EXPECT_EQ(*ms, TimeOfPosition(p));
  }
  OnStop();
  FinishPlayback();
  EXPECT_FALSE(HeardPlayMillis().has_value()) << "nothing is heard once the player is done";
}

TEST_F(Speed, HeardPositionAtHalfSpeedCountsSongTime) {
  LoadSong(Sine(300.0, 80), 44100, 2);
  PlaybackSpeedPercent = 50;
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  backend.Advance(10'000);
  const std::optional<double> heard = AudioHeardPosition();

  ASSERT_TRUE(heard.has_value());
  EXPECT_NEAR(*heard, 10'000.0, 1.0);  // 10,000 frames of sound at 0.5x: 5,000 song samples
  OnStop();
  FinishPlayback();
}

TEST(SdlPlayingFrame, FollowsTheCallbackWithinItsBuffer) {
  struct Case {
    std::int64_t before, inPull;
    double since;
    int latency;
    std::int64_t frame;
  };
  for (const Case& c : {Case{10'000, 1024, 0.0, 0, 10'000}, Case{10'000, 1024, 0.01, 0, 10'441},
                        Case{10'000, 1024, 1.0, 0, 11'024}, Case{10'000, 1024, 0.01, 1024, 9'417},
                        Case{500, 1024, 0.0, 1024, 0}, Case{0, 0, 5.0, 0, 0}}) {
    EXPECT_EQ(EstimatePlayingFrame(c.before, c.inPull, c.since, 44100, c.latency), c.frame) << c.before << " " << c.since;
  }
}

}  // namespace
}  // namespace vexalo::test

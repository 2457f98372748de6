#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "playback/voice_onset.h"
#include "playback_fixture.h"

namespace vexalo::test {
namespace {

constexpr int kRate = 44100;

// Made-up songs of 2 s: a bed of pink-ish noise at `bedDb` and, from `onsetMs` on, a voice-like
// tone (a 180 Hz fundamental with falling harmonics) at `voiceDb`; -200 means none.
std::vector<std::int16_t> Song(double bedDb, double voiceDb, int onsetMs, int fadeMs = 0) {
  const std::size_t n = 2 * kRate / 1152 * 1152;
  std::vector<std::int16_t> s(n);
  std::mt19937 random(7);
  std::normal_distribution<double> white(0.0, 1.0);
  const double bed = std::pow(10.0, bedDb / 20.0);
  const double voice = std::pow(10.0, voiceDb / 20.0);
  double brown = 0;
  const std::size_t onset = static_cast<std::size_t>(onsetMs) * kRate / 1000;
  for (std::size_t i = 0; i < n; ++i) {
    brown = 0.97 * brown + white(random) * 0.25;
    double v = bed * brown;
    if (i >= onset) {
      double gain = voice;
      if (fadeMs > 0) gain *= std::min(1.0, static_cast<double>(i - onset) / (fadeMs * kRate / 1000.0));
      const double t = static_cast<double>(i) / kRate;
      double tone = 0;
      for (int h = 1; h <= 5; ++h) tone += std::sin(2 * M_PI * 180.0 * h * t) / h;
      v += gain * tone / 2.3;
    }
    s[i] = static_cast<std::int16_t>(std::clamp(v, -1.0, 1.0) * 32767);
  }
  return s;
}

// The noise beds' own 10 ms energies swing by up to about 6 dB; a voice entering 15 dB or more
// above its bed rises well past the 9 dB that counts as clear.
TEST(VoiceOnset, ClearOnsetsAreFoundWhereTheyAre) {
  struct Case {
    double bedDb, voiceDb;
    int onsetMs, stampMs;
  };
  for (const Case& c : {Case{-200, -12, 600, 520}, Case{-200, -12, 600, 740}, Case{-40, -10, 1000, 880},
                        Case{-30, -6, 1000, 1120}, Case{-25, -6, 700, 700}, Case{-200, -35, 400, 300}}) {
    LoadSong(Song(c.bedDb, c.voiceDb, c.onsetMs), kRate, 1);
    const std::optional<int> onset = FindVoiceOnset(c.stampMs);
    ASSERT_TRUE(onset.has_value()) << c.bedDb << " " << c.voiceDb << " " << c.stampMs;
    EXPECT_NEAR(*onset, c.onsetMs, 3) << c.bedDb << " " << c.voiceDb << " " << c.stampMs;
  }
}

TEST(VoiceOnset, NoClearRiseLeavesTheStampAlone) {
  struct Case {
    const char* what;
    double bedDb, voiceDb;
    int onsetMs, stampMs, fadeMs;
  };
  for (const Case& c : {Case{"steady voice", -200, -12, 0, 800, 0}, Case{"steady noise", -20, -200, 0, 800, 0},
                        Case{"onset out of reach", -200, -12, 1000, 800, 0},
                        Case{"voice under a loud bed", -10, -26, 900, 900, 0},
                        Case{"slow fade-in", -35, -10, 700, 850, 400}, Case{"whisper", -200, -55, 700, 700, 0},
                        Case{"silence", -200, -200, 0, 800, 0}}) {
    LoadSong(Song(c.bedDb, c.voiceDb, c.onsetMs, c.fadeMs), kRate, 1);
    const std::optional<int> onset = FindVoiceOnset(c.stampMs);
    EXPECT_FALSE(onset.has_value()) << c.what << " moved to " << onset.value_or(-1);
  }
}

TEST(VoiceOnset, NearTheSongsEdgesAndWithoutASong) {
  LoadSong(Song(-200, -12, 60), kRate, 1);
  const std::optional<int> early = FindVoiceOnset(0);
  ASSERT_TRUE(early.has_value());
  EXPECT_NEAR(*early, 60, 3);
  EXPECT_FALSE(FindVoiceOnset(5'000).has_value());  // past the song's end
  storedBytes = 0;
  EXPECT_FALSE(FindVoiceOnset(60).has_value());
}

}  // namespace
}  // namespace vexalo::test

#include <gtest/gtest.h>

#include <cmath>

#include "commands/editor_commands.h"
#include "common/settings.h"
#include "playback_fixture.h"

namespace vexalo::test {
namespace {

std::string LongTag(const std::string& digits) { return "\xA7" + digits + "\xBB\r\n"; }

class Stamping : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    UserSettings().ResetToDefaults();
    view.editorText = "words";
    view.PutCaretOnLine(0);
  }
  void TearDown() override {
    UserSettings().ResetToDefaults();
    PlaybackTest::TearDown();
  }
  // Lets the device play up to stream frame `frame`, a buffer at a time as the player queues them.
  void PlayTo(std::int64_t frame) {
    while (backend.PlayingFrame().value_or(0) < frame) {
      const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (backend.QueuedFrames() <= backend.PlayingFrame().value_or(0)) {
        ASSERT_LT(std::chrono::steady_clock::now(), give_up);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      backend.Advance(std::min(frame, backend.QueuedFrames()) - backend.PlayingFrame().value_or(0));
    }
    // The player queues again once a buffer is done; wait until it has filled all three.
    ASSERT_TRUE(backend.WaitForQueued(static_cast<std::size_t>(frame / 4608 + 3)));
  }
  // Stamps the one-line text afresh and returns the tag put in front of it.
  std::string Stamp() {
    view.editorText = "words";
    view.PutCaretOnLine(0);
    OnInsertTimeInfo();
    return view.editorText.substr(0, view.editorText.size() - 5);
  }
};

TEST_F(Stamping, HeardPositionTakesThePlayingSampleLessTheReaction) {
  LoadSong(RampSong(100), 44100, 2);
  OnPlay();
  ASSERT_TRUE(backend.WaitForQueued(3));
  PlayTo(30'000);  // the device plays song byte 60,000 (680 ms); buffers after it are queued
  ASSERT_EQ(TimeOfPosition(60'000), 680);

  // Off (the default): the Play Time read-out of the newest chunk, in tenths, ahead of the sound.
  const TimeMark readout = PlayTime.Load();
  ASSERT_GE(readout.seconds * 1000 + readout.millis, 900);  // the chunks queued after the heard one
  char digits[32];
  std::snprintf(digits, sizeof digits, "0000%02d%02d", readout.seconds, readout.millis / 100 * 10);
  EXPECT_EQ(Stamp(), LongTag(digits));

  UserSettings().SetBool(kSettingStampHeardPosition, true);
  EXPECT_EQ(Stamp(), LongTag("00000068"));
  UserSettings().SetInt(kSettingStampReactionMs, 120);
  EXPECT_EQ(Stamp(), LongTag("00000056"));
  UserSettings().SetInt(kSettingStampReactionMs, 900);
  EXPECT_EQ(Stamp(), LongTag("00000000")) << "never before the song's start";
  UserSettings().SetInt(kSettingStampReactionMs, -45);
  EXPECT_EQ(Stamp(), LongTag("00000072"));

  OnStop();
  FinishPlayback();
  // With nothing playing there is no heard sample: the read-out again.
  PlayTime.Store({0, 3, 470});
  EXPECT_EQ(Stamp(), LongTag("00000340"));
}

TEST_F(Stamping, WindowViewStampsTheWindowStartEvenWhileItPlays) {
  LoadSong(RampSong(300), 44100, 2);
  UserSettings().SetBool(kSettingStampHeardPosition, true);
  PlayerState = kStateWindowView;
  WindowStart.Store({0, 2, 610});
  EXPECT_EQ(Stamp(), LongTag("00000260"));
}

// A made-up song: silence, then from 600 ms a voice-like tone.
std::vector<std::int16_t> OnsetSong() {
  std::vector<std::int16_t> s(80 * 1152);
  for (std::size_t i = 26'460; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / 44100;
    s[i] = static_cast<std::int16_t>(6000 * (std::sin(2 * M_PI * 180 * t) + 0.5 * std::sin(2 * M_PI * 360 * t)));
  }
  return s;
}

TEST_F(Stamping, SnapMovesAStampToTheVoicesOnsetWithItsHundredths) {
  LoadSong(OnsetSong(), 44100, 1);
  PlayTime.Store({0, 0, 520});
  EXPECT_EQ(Stamp(), LongTag("00000050")) << "off by default";
  UserSettings().SetBool(kSettingStampSnapToOnset, true);
  EXPECT_EQ(Stamp(), LongTag("00000060"));
  PlayTime.Store({0, 0, 790});
  EXPECT_EQ(Stamp(), LongTag("00000070")) << "an onset 190 ms away is out of reach";

  PlayerState = kStateWindowView;
  WindowStart.Store({0, 0, 470});
  EXPECT_EQ(Stamp(), LongTag("00000060"));
}

}  // namespace
}  // namespace vexalo::test

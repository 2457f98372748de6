#include "decode/decode_worker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "common/worker.h"
#include "decode/decode_job.h"
#include "decode_helpers.h"
#include "recording_canvas.h"
#include "support/run_tool.h"
#include "support/scripted_view_port.h"

namespace vexalo {
namespace {

using test::DrawnText;
using test::FixturePath;
using test::ReadBytes;
using test::RecordingCanvas;
using test::ScriptedViewPort;
using test::TempFile;

int16_t StoredSample(std::size_t i) { return static_cast<int16_t>(SongBuffer[2 * i] | SongBuffer[2 * i + 1] << 8); }

// Sign changes per second of the stored samples [from, to): twice the tone's frequency.
double ZeroCrossingsPerSecond(std::size_t from, std::size_t to, int rate) {
  int crossings = 0;
  for (std::size_t i = from + 1; i < to; ++i) crossings += (StoredSample(i - 1) < 0) != (StoredSample(i) < 0);
  return crossings * static_cast<double>(rate) / static_cast<double>(to - from);
}

class DecodeWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedRect = WaveRect;
    WaveRect = Rect{20, 30, 720, 330};
    TransportCommand.store(kCmdNone);
    PlayPosBytes.store(0);
    WorkerBusy.store(0);
    m_view.sliderEnabled = false;
  }
  void TearDown() override {
    ActiveView.store(nullptr);
    SetDrawRoutine(nullptr);
    TransportCommand.store(kCmdNone);
    WaveRect = m_savedRect;
  }
  // Job start, then the worker on this thread, as the open command runs them.
  void Decode(const std::string& path, bool withView = true) {
    ActiveView.store(withView ? &m_view : nullptr);
    StartDecodeJob(path);
    WorkerBusy.store(1);
    EXPECT_EQ(DecodeWorker(), 1);
    EXPECT_EQ(WorkerBusy.load(), 0);
    EXPECT_EQ(Decoding.load(), 0);
    EXPECT_EQ(TheDecodeJob.file, -1);  // the worker ended the job
    // ... and let go of it: a new one starts.
    EXPECT_EQ(StartDecodeJob(FixturePath("mono_8k.mp3")), 1);
    EndDecodeJob();
  }
  RecordingCanvas m_canvas;
  ScriptedViewPort m_view{&m_canvas};
  Rect m_savedRect;
};

struct FixtureFacts {
  const char* name;
  int mode, sampleRate, bitRate, channels, frameScale;
  std::size_t storedPerFrame;
  double seconds;  // length of the encoded tone
};

void PrintTo(const FixtureFacts& f, std::ostream* os) { *os << f.name; }

class SongInfoPerFixture : public DecodeWorkerTest, public ::testing::WithParamInterface<FixtureFacts> {};

TEST_P(SongInfoPerFixture, FillsSongInfoAndStoresOneChannel) {
  const FixtureFacts& f = GetParam();
  Decode(FixturePath(f.name));
  EXPECT_EQ(SongInfo.layer.load(), 3);
  EXPECT_EQ(SongInfo.mode.load(), f.mode);
  EXPECT_EQ(SongInfo.sampleRate.load(), f.sampleRate);
  EXPECT_EQ(SongInfo.bitRate.load(), f.bitRate);
  EXPECT_EQ(SongInfo.channels.load(), f.channels);
  EXPECT_EQ(SongInfo.frameScale.load(), f.frameScale);
  const double frameSeconds = f.frameScale == 4 ? 1152.0 / f.sampleRate : 576.0 / f.sampleRate;
  EXPECT_DOUBLE_EQ(SongInfo.frameSeconds.load(), frameSeconds);
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_TRUE(m_view.messages.empty());

  const std::size_t stored = storedBytes.load();
  ASSERT_EQ(stored % f.storedPerFrame, 0u) << stored;
  const std::size_t frames = stored / f.storedPerFrame;
  const double tonesFrames = f.seconds / frameSeconds;
  EXPECT_GE(static_cast<double>(frames), tonesFrames);
  EXPECT_LE(static_cast<double>(frames), tonesFrames + 5);  // encoder delay and padding, Info frame

  // The running time is the sum of the frames' seconds, shown to the hundredth.
  const int ms = ProgressMillis.load();
  EXPECT_NEAR(ms, frames * frameSeconds * 1000.0, 1.0);
  EXPECT_EQ(ProgressText.Get(), FormatClock(kTotalTimeFormat, ms));
  EXPECT_EQ(EndTimeText.Get(), FormatClock(kEndTimeFormat, ms));
  EXPECT_EQ(SongInfo.totalMinutes.load(), ms / 60000);
  EXPECT_EQ(SongInfo.totalSeconds.load(), ms / 1000 % 60);
  EXPECT_EQ(SongInfo.totalMillis.load(), ms % 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, SongInfoPerFixture,
    ::testing::Values(FixtureFacts{"stereo_44k.mp3", 3, 44100, 128000, 2, 4, 2304, 2.0},
                      FixtureFacts{"joint_44k.mp3", 2, 44100, 128000, 2, 4, 2304, 2.0},
                      FixtureFacts{"dual_44k.mp3", 1, 44100, 128000, 1, 4, 2304, 2.0},
                      FixtureFacts{"mono_22k.mp3", 0, 22050, 64000, 1, 2, 1152, 2.0},
                      FixtureFacts{"stereo_48k.mp3", 3, 48000, 160000, 2, 4, 2304, 1.0},
                      FixtureFacts{"joint_32k.mp3", 2, 32000, 96000, 2, 4, 2304, 1.0},
                      FixtureFacts{"mono_16k.mp3", 0, 16000, 32000, 1, 2, 1152, 1.0},
                      FixtureFacts{"joint_24k.mp3", 2, 24000, 64000, 2, 2, 1152, 1.0},
                      FixtureFacts{"mono_8k.mp3", 0, 8000, 16000, 1, 2, 1152, 2.0},
                      FixtureFacts{"mono_11k.mp3", 0, 11025, 16000, 1, 2, 1152, 1.0}),
    [](const auto& info) {
      std::string n = info.param.name;
      return n.substr(0, n.find('.'));
    });

TEST_F(DecodeWorkerTest, StereoAndDualChannelStoreTheFirstChannel) {
  // The fixtures carry 440 Hz on the left (first) channel and 660 Hz on the right.
  for (const char* name : {"stereo_44k.mp3", "joint_44k.mp3", "dual_44k.mp3"}) {
    Decode(FixturePath(name));
    const std::size_t samples = storedBytes.load() / 2;
    EXPECT_NEAR(ZeroCrossingsPerSecond(4000, samples - 4000, 44100), 880.0, 10.0) << name;
  }
}

TEST_F(DecodeWorkerTest, ShowsTheReadoutsSetsTheSliderAndRepaints) {
  static std::vector<std::pair<int, int>> draws;  // PlayerState and Decoding at each repaint
  draws.clear();
  SetDrawRoutine([](Canvas&) { draws.emplace_back(PlayerState.load(), Decoding.load()); });
  PlayPosBytes.store(50'000);
  Decode(FixturePath("stereo_44k.mp3"));

  // 79 frames of 1152/44100 s: the progress shows on the 1st and the 51st frame.
  const std::vector<DrawnText> expected = {
      {30, 35, " Start Time = 00:00:00 "},
      {30, 305, " Processing Time = 00:00:02 "},
      {30, 305, " Processing Time = 00:01:33 "},
      {590, 35, " End Time = 00:02:06 "},
  };
  EXPECT_EQ(m_canvas.Texts(), expected);
  EXPECT_EQ(StartTimeText.Get(), " Start Time = 00:00:00 ");
  EXPECT_EQ(ProgressText.Get(), " Total Time = 00:02:06 ");
  EXPECT_EQ(storedBytes.load(), 79u * 2304);

  EXPECT_TRUE(m_view.sliderEnabled);
  EXPECT_EQ(m_view.sliderMin, 0);
  EXPECT_EQ(m_view.sliderMax, 65535);
  EXPECT_EQ(SliderStepBytes.load(), 79u * 2304 / 65535);
  EXPECT_EQ(SliderPos.load(), 25'000);
  EXPECT_EQ(m_view.sliderPos, 25'000);
  EXPECT_EQ(ChunkFrames.load(), 4);
  EXPECT_TRUE(m_view.messages.empty());

  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws.front(), std::make_pair(int{kStateNoSong}, 1));
  EXPECT_EQ(draws.back(), std::make_pair(int{kStateWholeView}, 0));
}

TEST_F(DecodeWorkerTest, SmallSongHasSliderStepOneAndCappedPosition) {
  PlayPosBytes.store(100'000);
  Decode(FixturePath("mono_11k.mp3"));
  ASSERT_LT(storedBytes.load(), 65'535u);
  EXPECT_EQ(SliderStepBytes.load(), 1u);
  EXPECT_EQ(SliderPos.load(), 65'535);
  EXPECT_EQ(m_view.sliderPos, 65'535);
}

TEST_F(DecodeWorkerTest, StopMidSongKeepsWhatWasDecoded) {
  int progress = 0;
  m_canvas.onText = [&](const DrawnText& t) {
    if (t.text.rfind(" Processing Time", 0) == 0 && ++progress == 2) TransportCommand.store(kCmdStop);
  };
  Decode(FixturePath("stereo_44k.mp3"));
  // The command came while the 51st frame was shown; the worker saw it before the 52nd.
  EXPECT_EQ(storedBytes.load(), 51u * 2304);
  EXPECT_EQ(SongInfo.layer.load(), 3);
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_EQ(ProgressText.Get(), " Total Time = 00:01:33 ");
  EXPECT_EQ(m_canvas.Texts().back(), (DrawnText{590, 35, " End Time = 00:01:33 "}));
  EXPECT_TRUE(m_view.sliderEnabled);
  EXPECT_EQ(SliderStepBytes.load(), 1u);
  EXPECT_TRUE(m_view.messages.empty());
  // The last stored frame is real audio, not silence.
  double energy = 0;
  for (std::size_t i = 50 * 1152; i < 51 * 1152; ++i) energy += std::abs(StoredSample(i));
  EXPECT_GT(energy / 1152, 1000.0);
}

TEST_F(DecodeWorkerTest, FilesWithoutLayerThreeAudioAreNotMp3) {
  TempFile empty("");
  const std::string layer2First = ReadBytes(FixturePath("layer2_44k.mp2")) + ReadBytes(FixturePath("stereo_44k.mp3"));
  TempFile layer2ThenMp3(layer2First);
  for (const std::string& path : {FixturePath("not_mp3.wav.mp3"), empty.path(), FixturePath("layer2_44k.mp2"),
                                  layer2ThenMp3.path()}) {
    m_view.messages.clear();
    m_view.sliderEnabled = false;
    m_view.sliderHistory.clear();
    Decode(path);
    EXPECT_EQ(SongInfo.layer.load(), 0) << path;
    EXPECT_EQ(PlayerState.load(), kStateNoSong) << path;
    EXPECT_EQ(storedBytes.load(), 0u) << path;
    ASSERT_EQ(m_view.messages.size(), 1u) << path;
    EXPECT_EQ(m_view.messages[0].text, " Not MP3 File !!! ");
    EXPECT_EQ(m_view.messages[0].title, "Vexalo Caption Editor");
    EXPECT_EQ(m_view.messages[0].style, MessageStyle::Ok);
    EXPECT_FALSE(m_view.sliderEnabled) << path;
    EXPECT_TRUE(m_view.sliderHistory.empty()) << path;
    EXPECT_EQ(EndTimeText.Get(), " End Time = 00:00:00 ");
  }
}

TEST_F(DecodeWorkerTest, StopBeforeTheFirstFrameEndsWithoutASongOrAMessage) {
  TransportCommand.store(kCmdStop);
  Decode(FixturePath("stereo_44k.mp3"));
  EXPECT_EQ(storedBytes.load(), 0u);
  EXPECT_EQ(SongInfo.layer.load(), 0);
  EXPECT_EQ(PlayerState.load(), kStateNoSong);
  EXPECT_TRUE(m_view.messages.empty());
  EXPECT_FALSE(m_view.sliderEnabled);
  EXPECT_EQ(TransportCommand.load(), kCmdStop);  // left for whoever asked for the stop
}

TEST_F(DecodeWorkerTest, MissingFileIsNotMp3Either) {
  Decode("/nonexistent/song.mp3");
  EXPECT_EQ(PlayerState.load(), kStateNoSong);
  ASSERT_EQ(m_view.messages.size(), 1u);
  EXPECT_EQ(m_view.messages[0].text, " Not MP3 File !!! ");
}

TEST_F(DecodeWorkerTest, StopsAtAFrameOfAnotherLayer) {
  TempFile mixed(ReadBytes(FixturePath("stereo_44k.mp3")) + ReadBytes(FixturePath("layer2_44k.mp2")) +
                 ReadBytes(FixturePath("stereo_44k.mp3")));
  Decode(mixed.path());
  EXPECT_EQ(SongInfo.layer.load(), 3);
  EXPECT_EQ(storedBytes.load(), 79u * 2304);  // the first song only
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
}

TEST_F(DecodeWorkerTest, ModeChangeMidSongStillStoresOneChannelPerFrame) {
  // 79 stereo frames, then 80 single-channel frames: each frame stores its own first channel.
  TempFile mixed(ReadBytes(FixturePath("stereo_44k.mp3")) + ReadBytes(FixturePath("mono_22k.mp3")));
  Decode(mixed.path());
  EXPECT_EQ(SongInfo.channels.load(), 2);  // the song's facts come from its first frame
  EXPECT_EQ(storedBytes.load(), 79u * 2304 + 80u * 1152);
}

TEST_F(DecodeWorkerTest, RunsItsCourseWithoutAView) {
  Decode(FixturePath("joint_32k.mp3"), false);
  EXPECT_EQ(SongInfo.layer.load(), 3);
  EXPECT_GT(storedBytes.load(), 0u);
  EXPECT_GE(SliderStepBytes.load(), 1u);
  Decode(FixturePath("not_mp3.wav.mp3"), false);
  EXPECT_EQ(PlayerState.load(), kStateNoSong);
}

TEST_F(DecodeWorkerTest, LaunchFollowsTheWorkerBusyProtocol) {
  ActiveView.store(&m_view);
  ASSERT_EQ(StartDecodeJob(FixturePath("mono_16k.mp3")), 1);
  WorkerBusy.store(1);
  EXPECT_FALSE(LaunchDecodeWorker());  // another worker runs: nothing starts
  WorkerBusy.store(0);
  ASSERT_TRUE(LaunchDecodeWorker());
  // A job start while the worker holds the job leaves it alone: the worker still decodes its
  // own file, as the song facts below show.
  StartDecodeJob(FixturePath("stereo_44k.mp3"));
  WaitForWorker();
  EXPECT_EQ(WorkerBusy.load(), 0);
  EXPECT_EQ(SongInfo.sampleRate.load(), 16000);
  EXPECT_EQ(storedBytes.load() % 1152, 0u);
  EXPECT_GT(storedBytes.load(), 0u);
  EndDecodeJob();
}

TEST_F(DecodeWorkerTest, DitherNoiseContinuesFromSongToSong) {
  Decode(FixturePath("stereo_44k.mp3"));
  std::vector<unsigned char> first(SongBuffer, SongBuffer + storedBytes.load());
  Decode(FixturePath("stereo_44k.mp3"));
  ASSERT_EQ(storedBytes.load(), first.size());
  // The same song again: the same audio, but the dither states carried on, so the noise differs.
  EXPECT_NE(std::memcmp(first.data(), SongBuffer, first.size()), 0);
  double diff = 0;
  for (std::size_t i = 0; i < first.size() / 2; ++i)
    diff = std::max(diff, std::abs(double(StoredSample(i)) - int16_t(first[2 * i] | first[2 * i + 1] << 8)));
  EXPECT_LE(diff, 8.0);
}

// A song of `frames` frames: the Info frame of the 44.1 kHz fixture repeated, each copy a
// silent frame that decodes on its own (2,304 stored bytes).
std::string RepeatedSilentFrames(std::size_t frames) {
  const std::string bytes = ReadBytes(FixturePath("stereo_44k.mp3"));
  if (bytes.size() < 4) return std::string();
  const auto b2 = static_cast<unsigned char>(bytes[2]);
  const std::size_t frameBytes = 144 * 128000 / 44100 + ((b2 >> 1) & 1);
  const std::string frame = bytes.substr(0, frameBytes);
  std::string song;
  song.reserve(frame.size() * frames);
  for (std::size_t i = 0; i < frames; ++i) song += frame;
  return song;
}

// The digits of a " Total Time = MM:SS:HH " read-out.
std::string ClockDigits(const std::string& readout) {
  const std::size_t eq = readout.find("= ");
  return eq == std::string::npos ? std::string() : readout.substr(eq + 2, 8);
}

// Longer than the 62,208,000-byte area the song once had (11:45 at 44.1 kHz).
TEST_F(DecodeWorkerTest, SongLongerThanTheOldFixedAreaDecodesWholeAndTheNextStartClearsIt) {
  TempFile file(RepeatedSilentFrames(27'100));
  Decode(file.path());
  EXPECT_EQ(storedBytes.load(), 27'100u * 2'304u);
  EXPECT_TRUE(m_view.messages.empty());
  EXPECT_EQ(ProgressText.Get(), " Total Time = 11:47:91 ");
  EXPECT_EQ(SongInfo.totalMinutes.load(), 11);
  EXPECT_EQ(SongInfo.totalSeconds.load(), 47);
  EXPECT_EQ(SliderStepBytes.load(), 27'100u * 2'304u / 65535);

  // Dither noise made the silent song's bytes non-zero; a short song then clears all of it.
  const std::size_t longStored = storedBytes.load();
  std::size_t nonZero = 0;
  for (std::size_t i = 1'000'000; i < longStored; i += 997) nonZero += SongBuffer[i] != 0;
  EXPECT_GT(nonZero, 0u);
  Decode(FixturePath("mono_11k.mp3"));
  const std::size_t small = storedBytes.load();
  for (std::size_t i = small; i < longStored; i += 997) ASSERT_EQ(SongBuffer[i], 0) << i;
}

// When no more memory can be had, decoding stops there with a message that says how far it
// got, and what was decoded is the song.
TEST_F(DecodeWorkerTest, MemoryRunningOutStopsWithAMessageSayingHowFarItGot) {
  const std::uint64_t usable = SongUsableBytes();
  const std::size_t fitting = usable / 2'304;
  TempFile file(RepeatedSilentFrames(fitting + 40));
  SetSongByteCeiling(usable);
  Decode(file.path());
  SetSongByteCeiling(0);
  EXPECT_EQ(storedBytes.load(), fitting * 2'304);
  EXPECT_EQ(SongInfo.layer.load(), 3);
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_TRUE(m_view.sliderEnabled);
  ASSERT_EQ(m_view.messages.size(), 1u);
  const std::string digits = ClockDigits(ProgressText.Get());
  EXPECT_EQ(m_view.messages[0].text, " Not enough memory for the whole song: decoded up to " + digits + " !!! ");
  EXPECT_EQ(m_view.messages[0].title, kProductTitle);
  EXPECT_EQ(m_view.messages[0].style, MessageStyle::Ok);
  EXPECT_EQ(DecodeShortfallMessage(), m_view.messages[0].text);
  const double seconds = static_cast<double>(fitting) * 1152.0 / 44100.0;
  EXPECT_NEAR(SongInfo.totalMinutes.load() * 60 + SongInfo.totalSeconds.load() + SongInfo.totalMillis.load() / 1000.0,
              seconds, 0.002);

  // The next song that fits says nothing.
  Decode(FixturePath("mono_11k.mp3"));
  EXPECT_EQ(m_view.messages.size(), 1u);
  EXPECT_EQ(DecodeShortfallMessage(), "");
}

// Twenty minutes of a 44.1 kHz mono tone, made here: one minute encoded without an Info frame,
// its frames repeated twenty times.
TEST_F(DecodeWorkerTest, TwentyMinuteSongDecodesWholeAndReadsOutItsEndTime) {
  if (!test::HaveProgram("sox") || !test::HaveProgram("lame")) GTEST_SKIP() << "needs sox and lame";
  TempFile minute("", ".mp3");
  const std::string make = "sox -n -r 44100 -b 16 -c 1 -t raw - synth 60 sine 440 gain -6 | "
                           "lame --quiet -r -s 44.1 --resample 44.1 --bitwidth 16 -m m -b 32 -t - '" + minute.path() + "'";
  ASSERT_EQ(test::RunProgram("/bin/sh", {"-c", make}).status, 0);
  const std::string oneMinute = ReadBytes(minute.path());
  ASSERT_GT(oneMinute.size(), 100'000u);
  Decode(minute.path());
  const std::uint64_t minuteBytes = storedBytes.load();
  ASSERT_EQ(minuteBytes % 2'304, 0u);

  std::string song;
  for (int i = 0; i < 20; ++i) song += oneMinute;
  TempFile file(song);
  Decode(file.path());
  EXPECT_TRUE(m_view.messages.empty());
  EXPECT_EQ(storedBytes.load(), 20 * minuteBytes);
  const std::uint64_t frames = 20 * minuteBytes / 2'304;
  const int ms = static_cast<int>(static_cast<double>(frames) * 1152.0 / 44100.0 * 1000.0);
  ASSERT_GE(ms, 20 * 60'000);
  EXPECT_EQ(EndTimeText.Get(), FormatClock(kEndTimeFormat, ms));
  EXPECT_EQ(SongInfo.totalMinutes.load(), 20);
  // The tone is there to the end.
  const std::size_t samples = storedBytes.load() / 2;
  EXPECT_NEAR(ZeroCrossingsPerSecond(samples - 44'100, samples - 2'000, 44'100), 880.0, 10.0);
}

TEST(SongTime, FrameRulesAndClockParts) {
  struct Case {
    int rate, scale;
    double seconds;
  };
  for (const Case& c : {Case{44100, 4, 1152.0 / 44100}, Case{48000, 4, 0.024}, Case{32000, 4, 0.036},
                        Case{22050, 2, 1152.0 / 44100}, Case{24000, 2, 0.024}, Case{16000, 2, 0.036},
                        Case{12000, 2, 0.048}, Case{11025, 2, 576.0 / 11025}, Case{8000, 2, 0.072}}) {
    EXPECT_EQ(FrameScaleFor(c.rate), c.scale) << c.rate;
    EXPECT_DOUBLE_EQ(FrameSecondsFor(c.rate), c.seconds) << c.rate;
  }
  EXPECT_EQ(FormatClock(kProcessingTimeFormat, 0), " Processing Time = 00:00:00 ");
  EXPECT_EQ(FormatClock(kTotalTimeFormat, 61'999), " Total Time = 01:01:99 ");
  EXPECT_EQ(FormatClock(kEndTimeFormat, 3'886'009), " End Time = 64:46:00 ");
  const ClockParts p = SplitMillis(705'134);
  EXPECT_EQ(p.minutes, 11);
  EXPECT_EQ(p.seconds, 45);
  EXPECT_EQ(p.hundredths, 13);
  EXPECT_EQ(p.millis, 134);
}

}  // namespace
}  // namespace vexalo

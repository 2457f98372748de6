#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/worker.h"
#include "decode/decode_job.h"
#include "decode/decode_worker.h"
#include "playback_fixture.h"
#include "support/run_tool.h"
#include "syncmp3/syncmp3_file.h"

namespace vexalo::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Decodes a fixture in this process, as the tool does, so its samples can be compared.
void DecodeHere(const std::string& path) {
  ActiveView = nullptr;
  TransportCommand = kCmdNone;
  ASSERT_EQ(StartDecodeJob(path), 1);
  WorkerBusy = 1;
  DecodeWorker();
  ASSERT_EQ(SongInfo.layer.load(), 3);
}

TEST(PlayCommand, PlaysTheSongThroughTheDiskDriverAsOneContiguousRun) {
  const std::string disk = ::testing::TempDir() + "vexalo_play_disk.raw";
  std::remove(disk.c_str());
  ::setenv("SDL_AUDIODRIVER", "disk", 1);
  ::setenv("SDL_DISKAUDIOFILE", disk.c_str(), 1);
  ToolResult r = RunSyncTool({"play", FixturePath("stereo_44k.mp3")});
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  ::unsetenv("SDL_DISKAUDIOFILE");
  ASSERT_EQ(r.status, 0) << r.err;

  DecodeHere(FixturePath("stereo_44k.mp3"));
  const std::uint32_t chunk = 4 * 2304;
  const std::uint32_t played = storedBytes.load() / chunk * chunk;
  const std::vector<unsigned char> expected = Duplicated(0, played);

  std::ifstream in(disk, std::ios::binary);
  const std::vector<unsigned char> written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GE(written.size(), expected.size());
  EXPECT_NE(std::search(written.begin(), written.end(), expected.begin(), expected.end()), written.end())
      << "the song's samples are not one contiguous run of the disk file";
  std::remove(disk.c_str());

  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), played / chunk + 1);
  EXPECT_EQ(lines.front(), " Play Time = 00:00:10 ");
  const int total = SongInfo.totalMinutes * 60000 + SongInfo.totalSeconds * 1000 + SongInfo.totalMillis;
  EXPECT_EQ(lines.back(), ClockText(" Play Time = %02d:%02d:%02d ", total));
}

TEST(PlayCommand, StartsFromTheGivenTimeAndPlaysAWindow) {
  ToolResult r = RunSyncTool({"play", FixturePath("stereo_44k.mp3"), "--from", "0:01.000", "--window"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_FALSE(lines.empty());
  // The first chunk ends one chunk (104.5 ms) after the start.
  EXPECT_EQ(lines.front(), " Play Time = 00:01:10 ");
  // A window of 200 frames (5.2 s) reaches past this 2.06-second song: it plays the whole
  // chunks left (ten, the last ending at 2.045 s) and shows the last Play Time again.
  EXPECT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines.back(), " Play Time = 00:02:04 ");
}

TEST(PlayCommand, PrintsEachLyricOfAnEmbeddedBlockAsUtf8) {
  const std::string tagged = ::testing::TempDir() + "vexalo_play_lyrics.mp3";
  // Lyrics at 1 s (hundredths 00): a Hangul word in CP949.
  const std::string text = std::string("00\xA2\xD0\r\n") + "\xC7\xD1\xB1\xDB ABC";
  std::vector<unsigned char> block(14 + 8);
  block[0] = 'S';
  block[1] = 'O';
  WriteLe32(&block[2], kSyncMagic);
  WriteLe32(&block[6], static_cast<std::uint32_t>(block.size() + text.size()));
  WriteLe32(&block[10], 1);
  WriteLe32(&block[14], 1);
  WriteLe16(&block[18], 0);
  WriteLe16(&block[20], static_cast<std::uint16_t>(text.size()));
  block.insert(block.end(), text.begin(), text.end());
  std::vector<unsigned char> full(kSyncBlockBytes);
  std::copy(block.begin(), block.end(), full.begin());
  ASSERT_EQ(SaveSyncMp3File(FixturePath("stereo_44k.mp3"), tagged, false,
                            std::span<const unsigned char, kSyncBlockBytes>(full.data(), kSyncBlockBytes)),
            kSyncMp3Saved);
  ToolResult r = RunSyncTool({"play", tagged});
  std::remove(tagged.c_str());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  const auto lyric = std::find(lines.begin(), lines.end(), "\xED\x95\x9C\xEA\xB8\x80 ABC");  // "한글 ABC"
  ASSERT_NE(lyric, lines.end()) << r.out;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), *lyric), 1);
  EXPECT_EQ(*(lyric - 1), " Play Time = 00:01:04 ");
}

TEST(PlayCommand, WithoutASoundDeviceItTellsOnceAndStillPlaysInRealTime) {
  const char* chosen = std::getenv("SDL_AUDIODRIVER");
  const std::string kept = chosen ? chosen : "";
  ::unsetenv("SDL_AUDIODRIVER");
  const auto start = std::chrono::steady_clock::now();
  ToolResult r = RunSyncTool({"play", FixturePath("stereo_44k.mp3")});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!kept.empty()) ::setenv("SDL_AUDIODRIVER", kept.c_str(), 1);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string notice = "No audio device could be opened: playing without sound";
  const auto at = r.err.find(notice);
  if (at == std::string::npos) GTEST_SKIP() << "this machine has a sound device";
  EXPECT_EQ(r.err.find(notice, at + 1), std::string::npos);
  EXPECT_GE(seconds, 1.8);  // the silent driver keeps the song's pace (2.06 s)
  EXPECT_EQ(Lines(r.out).size(), 20u);
}

// Half speed through the disk driver: about twice the song's length of sound, and the same Play
// Time read-outs of song time, each half a chunk apart, ending at the song's total time.
TEST(PlayCommand, HalfSpeedLastsTwiceAsLongInSongTime) {
  const std::string disk = ::testing::TempDir() + "vexalo_play_half.raw";
  std::remove(disk.c_str());
  ::setenv("SDL_AUDIODRIVER", "disk", 1);
  ::setenv("SDL_DISKAUDIOFILE", disk.c_str(), 1);
  ToolResult r = RunSyncTool({"play", FixturePath("stereo_44k.mp3"), "--speed", "0.5"});
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  ::unsetenv("SDL_DISKAUDIOFILE");
  ASSERT_EQ(r.status, 0) << r.err;
  std::ifstream in(disk, std::ios::binary | std::ios::ate);
  const double seconds = static_cast<double>(in.tellg()) / 4 / 44100;
  std::remove(disk.c_str());

  DecodeHere(FixturePath("stereo_44k.mp3"));
  const std::uint32_t chunk = 4 * 2304;
  const double played = static_cast<double>(storedBytes.load() / chunk * chunk) / 2 / 44100;
  EXPECT_GT(seconds, 2 * played - 0.05);
  EXPECT_LT(seconds, 2 * played + 0.5);  // the disk driver writes a little silence after the end
  const auto lines = Lines(r.out);
  EXPECT_EQ(lines.size(), 2 * (played * 44100 * 2 / chunk) + 1);
  EXPECT_EQ(lines.front(), " Play Time = 00:00:05 ");
  const int total = SongInfo.totalMinutes * 60000 + SongInfo.totalSeconds * 1000 + SongInfo.totalMillis;
  EXPECT_EQ(lines.back(), ClockText(" Play Time = %02d:%02d:%02d ", total));
}

TEST(PlayCommand, RefusesBadArguments) {
  for (const char* speed : {"2", "0.6", "", "half"}) {
    ToolResult r = RunSyncTool({"play", FixturePath("stereo_44k.mp3"), "--speed", speed});
    EXPECT_EQ(r.status, 2) << speed;
    EXPECT_NE(r.err.find("--speed takes 0.5, 0.75 or 1"), std::string::npos) << r.err;
  }
  EXPECT_EQ(RunSyncTool({"play"}).status, 2);
  EXPECT_EQ(RunSyncTool({"play", FixturePath("stereo_44k.mp3"), "--from", "1:75"}).status, 2);
  EXPECT_EQ(RunSyncTool({"play", FixturePath("stereo_44k.mp3"), "--loud"}).status, 2);
  ToolResult r = RunSyncTool({"play", FixturePath("not_mp3.wav.mp3")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Not MP3 File"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vexalo::test

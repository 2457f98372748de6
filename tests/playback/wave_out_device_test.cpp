#include <gtest/gtest.h>

#include <future>
#include <numeric>

#include "playback/wave_out_device.h"
#include "support/capturing_audio_backend.h"

namespace vexalo::test {
namespace {

class WaveOut : public ::testing::Test {
 protected:
  void SetUp() override {
    UseAudioBackend(&backend);
    SetAudioWaitLimit(20000);
    AudioInit();
  }
  void TearDown() override {
    backend.SetClock(CapturingAudioBackend::Clock::Immediate);
    backend.TickAll();
    AudioFinish();
    UseAudioBackend(nullptr);
  }
  std::vector<unsigned char> Chunk(std::size_t n, unsigned char seed) {
    std::vector<unsigned char> c(n);
    std::iota(c.begin(), c.end(), seed);
    return c;
  }
  CapturingAudioBackend backend;
};

TEST_F(WaveOut, FillsTheFormatForSixteenBitPcm) {
  WaveFormat f;
  AudioFillFormat(f, 2, 44100, 16);
  EXPECT_EQ(f.formatTag, 1);
  EXPECT_EQ(f.blockAlign, 4);
  EXPECT_EQ(f.averageBytesPerSecond, 176400);
  EXPECT_EQ(f.extraSize, 0);
}

TEST_F(WaveOut, BuffersRotateAndTheFourthPlayWaitsForTheFirst) {
  ASSERT_EQ(AudioConfigure(2, 44100), 0);
  std::vector<std::vector<unsigned char>> chunks;
  for (int k = 0; k < 4; ++k) chunks.push_back(Chunk(18432, static_cast<unsigned char>(k * 7)));
  for (int k = 0; k < 3; ++k) EXPECT_EQ(AudioPlay(chunks[k].data(), 18432), 0);
  EXPECT_EQ(backend.QueuedIndices(), (std::vector<int>{0, 1, 2}));

  auto fourth = std::async(std::launch::async, [&] { return AudioPlay(chunks[3].data(), 18432); });
  EXPECT_EQ(fourth.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  EXPECT_EQ(backend.QueuedSizes().size(), 3u);
  backend.Tick();  // buffer 0 done
  EXPECT_EQ(fourth.get(), 0);
  EXPECT_EQ(backend.QueuedIndices(), (std::vector<int>{0, 1, 2, 0}));

  std::vector<unsigned char> all;
  for (auto& c : chunks) all.insert(all.end(), c.begin(), c.end());
  EXPECT_EQ(backend.Played(), all);
}

TEST_F(WaveOut, ConfigureOnAnOpenDeviceDrainsAndClosesFirst) {
  backend.SetClock(CapturingAudioBackend::Clock::Immediate);
  ASSERT_EQ(AudioConfigure(2, 44100), 0);
  auto c = Chunk(4608, 1);
  AudioPlay(c.data(), 4608);
  ASSERT_EQ(AudioConfigure(2, 22050), 0);
  EXPECT_EQ(backend.Closes(), 1);
  EXPECT_EQ(backend.Opens(), 2);
  EXPECT_EQ(backend.LastRate(), 22050);
}

TEST_F(WaveOut, DrainWithNothingQueuedReturnsAtOnce) {
  ASSERT_EQ(AudioConfigure(2, 44100), 0);
  EXPECT_EQ(AudioDrain(), 0);
}

TEST_F(WaveOut, FinishWaitsForTheQueuedBuffersThenCloses) {
  ASSERT_EQ(AudioConfigure(2, 44100), 0);
  auto c = Chunk(4608, 1);
  for (int k = 0; k < 3; ++k) AudioPlay(c.data(), 4608);
  auto finish = std::async(std::launch::async, [] { return AudioFinish(); });
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(finish.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    while (!backend.Tick()) std::this_thread::yield();
  }
  EXPECT_EQ(finish.get(), 0);
  EXPECT_EQ(backend.Closes(), 1);
  AudioInit();
}

TEST_F(WaveOut, FinishOfADeviceNeverOpenedOnlyClosesTheEvents) {
  EXPECT_EQ(AudioFinish(), 0);
  EXPECT_EQ(backend.Closes(), 0);
  EXPECT_EQ(AudioFinish(), -1);
  EXPECT_STREQ(AudioLastError(), "failed to close synchronization object");
  AudioInit();
}

TEST_F(WaveOut, AFailedOpenKeepsTheBackendsText) {
  backend.FailOpenWith(7, "no such device");
  EXPECT_EQ(AudioConfigure(2, 44100), -1);
  EXPECT_STREQ(AudioLastError(), "no such device");
}

TEST_F(WaveOut, AnErrorWithoutTextReadsErrorGettingErrorText) {
  backend.FailOpenWith(9, "");
  EXPECT_EQ(AudioConfigure(2, 44100), -1);
  EXPECT_STREQ(AudioLastError(), "error getting error text");
}

TEST_F(WaveOut, AFailedWriteIsRememberedButPlayGoesOn) {
  ASSERT_EQ(AudioConfigure(2, 44100), 0);
  backend.FailQueueWith(4, "write refused");
  auto c = Chunk(4608, 3);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(AudioPlay(c.data(), 4608), 0);  // unqueued buffers pass their wait
  EXPECT_STREQ(AudioLastError(), "write refused");
  EXPECT_TRUE(backend.Played().empty());
  backend.FailQueueWith(0, "");
}

TEST_F(WaveOut, AWaitThatOutlastsTheLimitTimesOutWithoutCopying) {
  SetAudioWaitLimit(20);
  ASSERT_EQ(AudioConfigure(2, 44100), 0);
  auto c = Chunk(4608, 5);
  for (int k = 0; k < 3; ++k) ASSERT_EQ(AudioPlay(c.data(), 4608), 0);
  EXPECT_EQ(AudioPlay(c.data(), 4608), -1);
  EXPECT_STREQ(AudioLastError(), "wait timeout");
  EXPECT_EQ(backend.Played().size(), 3u * 4608);
}

TEST_F(WaveOut, WaitingAfterTheEventsAreClosedFails) {
  ASSERT_EQ(AudioConfigure(2, 44100), 0);
  auto c = Chunk(4608, 5);
  for (int k = 0; k < 3; ++k) ASSERT_EQ(AudioPlay(c.data(), 4608), 0);
  SetAudioWaitLimit(20);
  EXPECT_EQ(AudioFinish(), -1);  // the drain's waits time out
  EXPECT_EQ(AudioWaitBuffer(0), -1);
  EXPECT_STREQ(AudioLastError(), "wait failed");
  AudioInit();
}

}  // namespace
}  // namespace vexalo::test

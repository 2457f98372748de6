#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "playback/sdl_audio_backend.h"

namespace vexalo::test {
namespace {

TEST(SdlAudioBackend, ReportsEachQueuedBufferOnceInOrder) {
  ::setenv("SDL_AUDIODRIVER", "dummy", 0);
  SdlAudioBackend backend;
  std::mutex lock;
  std::condition_variable signal;
  std::vector<int> done;
  ASSERT_EQ(backend.Open(2, 44100, [&](int index) {
              std::lock_guard<std::mutex> hold(lock);
              done.push_back(index);
              signal.notify_all();
            }),
            0)
      << backend.ErrorText(3);
  std::vector<unsigned char> a(4410 * 4, 1), b(100, 2), c(9000, 3);
  ASSERT_EQ(backend.Queue(0, a.data(), a.size()), 0);
  ASSERT_EQ(backend.Queue(1, b.data(), b.size()), 0);
  ASSERT_EQ(backend.Queue(2, c.data(), c.size()), 0);
  {
    std::unique_lock<std::mutex> hold(lock);
    ASSERT_TRUE(signal.wait_for(hold, std::chrono::seconds(10), [&] { return done.size() >= 3; }));
  }
  EXPECT_EQ(done, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(backend.Close(), 0);
  EXPECT_EQ(done.size(), 3u);
}

TEST(SdlAudioBackend, RefusesBuffersWhileClosed) {
  SdlAudioBackend backend;
  unsigned char one[4] = {};
  const int code = backend.Queue(0, one, sizeof one);
  EXPECT_NE(code, 0);
  EXPECT_EQ(backend.ErrorText(code), "audio device is not open");
  EXPECT_EQ(backend.Close(), 0);
}

}  // namespace
}  // namespace vexalo::test

// Randomly damaged copies of real songs decode to an end without faults (run under ASan+UBSan
// in CI) and leave the shared state consistent.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/shared_state.h"
#include "decode/decode_job.h"
#include "decode/decode_worker.h"
#include "decode_helpers.h"
#include "support/run_tool.h"

namespace vexalo {
namespace {

using test::FixturePath;
using test::ReadBytes;
using test::TempFile;

std::string Damage(std::string bytes, std::mt19937& rng) {
  auto pick = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng() % n); };
  const int edits = 1 + static_cast<int>(rng() % 12);
  for (int e = 0; e < edits && !bytes.empty(); ++e) {
    switch (rng() % 6) {
      case 0:  // flip bits
        bytes[pick(bytes.size())] ^= static_cast<char>(1u << (rng() % 8));
        break;
      case 1:  // random bytes over a stretch
        for (std::size_t i = pick(bytes.size()), n = pick(64); n-- && i < bytes.size(); ++i)
          bytes[i] = static_cast<char>(rng());
        break;
      case 2:  // a run of sync-like bytes
        bytes.insert(pick(bytes.size()), std::string(1 + pick(40), '\xFF'));
        break;
      case 3:  // cut the end
        bytes.resize(pick(bytes.size()));
        break;
      case 4:  // drop a stretch
      {
        const std::size_t at = pick(bytes.size());
        bytes.erase(at, pick(2000));
        break;
      }
      default:  // a header from elsewhere in the file
      {
        const std::size_t from = pick(bytes.size()), to = pick(bytes.size());
        for (std::size_t i = 0; i < 4 && from + i < bytes.size() && to + i < bytes.size(); ++i)
          bytes[to + i] = bytes[from + i];
        break;
      }
    }
  }
  return bytes;
}

TEST(DecodeFuzz, DamagedSongsDecodeToAConsistentEnd) {
  const char* sources[] = {"stereo_44k.mp3", "mono_22k.mp3", "joint_24k.mp3", "mono_8k.mp3", "tagged_v24.mp3",
                           "dual_44k.mp3"};
  std::mt19937 rng(20240521);
  ActiveView.store(nullptr);
  for (int round = 0; round < 300; ++round) {
    const char* source = sources[round % std::size(sources)];
    TempFile file(Damage(ReadBytes(FixturePath(source)), rng));
    TransportCommand.store(kCmdNone);
    StartDecodeJob(file.path());
    WorkerBusy.store(1);
    ASSERT_EQ(DecodeWorker(), 1);
    ASSERT_EQ(WorkerBusy.load(), 0);
    const std::uint32_t stored = storedBytes.load();
    ASSERT_EQ(stored % 2, 0u) << round;
    ASSERT_LE(stored, 200'000u) << round;  // nothing beyond what the short songs hold, give or take
    const int layer = SongInfo.layer.load();
    ASSERT_TRUE(layer == 0 || layer == 3) << round;
    ASSERT_EQ(PlayerState.load(), layer == 3 ? kStateWholeView : kStateNoSong) << round;
    if (layer == 0) {
      ASSERT_EQ(stored, 0u) << round;
    }
    ASSERT_EQ(TheDecodeJob.file, -1) << round;
  }
}

}  // namespace
}  // namespace vexalo

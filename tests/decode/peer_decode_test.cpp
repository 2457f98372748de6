// Our stored channel against an independent decoder's left channel of the same file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "common/shared_state.h"
#include "decode/decode_job.h"
#include "decode/decode_worker.h"
#include "support/run_tool.h"

namespace vexalo {
namespace {

using test::FixturePath;

std::vector<double> Samples(const unsigned char* p, std::size_t bytes) {
  std::vector<double> v(bytes / 2);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int16_t>(p[2 * i] | p[2 * i + 1] << 8);
  return v;
}

// Error energy of ours[i + lag] against ref[i] over `window` samples from `from`.
double Error(const std::vector<double>& ours, const std::vector<double>& ref, long lag, std::size_t from,
             std::size_t window) {
  double e = 0;
  for (std::size_t i = from; i < from + window; ++i) {
    const long j = static_cast<long>(i) + lag;
    if (j < 0 || j >= static_cast<long>(ours.size()) || i >= ref.size()) return INFINITY;
    const double d = ours[static_cast<std::size_t>(j)] - ref[i];
    e += d * d;
  }
  return e;
}

struct PeerCase {
  const char* name;
  long frameSamples;
};

void PrintTo(const PeerCase& c, std::ostream* os) { *os << c.name; }

class PeerDecode : public ::testing::TestWithParam<PeerCase> {};

TEST_P(PeerDecode, StoredChannelMatchesMpg123LeftChannel) {
  if (!test::HaveProgram("mpg123")) GTEST_SKIP() << "mpg123 not installed";
  const PeerCase& c = GetParam();
  const std::string path = FixturePath(c.name);
  // --no-gapless keeps the encoder delay, like ours; -0 decodes the left (first) channel only.
  const test::ToolResult peer = test::RunProgram("mpg123", {"-q", "--no-gapless", "-0", "-s", path});
  ASSERT_EQ(peer.status, 0) << peer.err;
  const std::vector<double> ref =
      Samples(reinterpret_cast<const unsigned char*>(peer.out.data()), peer.out.size());

  TransportCommand.store(kCmdNone);
  ActiveView.store(nullptr);
  ASSERT_EQ(StartDecodeJob(path), 1);
  WorkerBusy.store(1);
  DecodeWorker();
  const std::vector<double> ours = Samples(SongBuffer, storedBytes.load());
  ASSERT_GT(ref.size(), 4'000u);

  // Same length to within one frame: libmad also decodes the encoder's Info frame as silence.
  EXPECT_LE(std::labs(static_cast<long>(ours.size()) - static_cast<long>(ref.size())), c.frameSamples);

  // Align by the lag with the least error on a stretch of the tone, then compare all of it.
  const std::size_t window = 4096, from = 2048;
  long bestLag = 0;
  double best = INFINITY;
  for (long lag = -c.frameSamples; lag <= 2 * c.frameSamples; ++lag) {
    const double e = Error(ours, ref, lag, from, window);
    if (e < best) best = e, bestLag = lag;
  }
  double signal = 0, noise = 0;
  for (std::size_t i = 0; i < ref.size(); ++i) {
    const long j = static_cast<long>(i) + bestLag;
    if (j < 0 || j >= static_cast<long>(ours.size())) continue;
    const double d = ours[static_cast<std::size_t>(j)] - ref[i];
    signal += ref[i] * ref[i];
    noise += d * d;
  }
  ASSERT_GT(signal, 0.0);
  const double snr = 10.0 * std::log10(signal / std::max(noise, 1e-9));
  EXPECT_GT(snr, 60.0) << "lag " << bestLag;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PeerDecode,
                         ::testing::Values(PeerCase{"stereo_44k.mp3", 1152}, PeerCase{"joint_44k.mp3", 1152},
                                           PeerCase{"dual_44k.mp3", 1152}, PeerCase{"stereo_48k.mp3", 1152},
                                           PeerCase{"joint_32k.mp3", 1152}, PeerCase{"mono_22k.mp3", 576},
                                           PeerCase{"joint_24k.mp3", 576}, PeerCase{"mono_8k.mp3", 576}),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           return n.substr(0, n.find('.'));
                         });

}  // namespace
}  // namespace vexalo

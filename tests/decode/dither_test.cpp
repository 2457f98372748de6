#include "decode/dither.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace vexalo {
namespace {

constexpr mad_fixed_t kOne = 0x10000000;  // 1.0

int16_t Sample16(const unsigned char* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }

TEST(Dither, ZeroRunFromFreshStateIsSmallKnownNoise) {
  DitherState state;
  const int first[] = {1, -1, 1, -1, 0};
  for (int expected : first) EXPECT_EQ(DitherSample(16, 0, state), expected);
  for (int i = 0; i < 10'000; ++i) {
    const int v = DitherSample(16, 0, state);
    ASSERT_GE(v, -2);
    ASSERT_LE(v, 2);
  }
}

TEST(Dither, PseudoRandomSequenceFromZeroState) {
  DitherState state;
  DitherSample(16, 0, state);
  EXPECT_EQ(state.random, 0x3C6EF35Fu);
  DitherSample(16, 0, state);
  EXPECT_EQ(state.random, 0x47502932u);
  // The sequence runs on modulo 2^32, whatever the samples are.
  DitherState other;
  DitherSample(16, 0x7FFFFFFF, other);
  DitherSample(16, -0x7FFFFFFF - 1, other);
  EXPECT_EQ(other.random, 0x47502932u);
}

TEST(Dither, ClipsAtFullScaleAndFeedsBackTheClampedSample) {
  struct Case {
    mad_fixed_t sample;
    int expected;
  };
  const Case cases[] = {
      {kOne, 32767},          {kOne + kOne / 2, 32767}, {0x7FFFFFFF, 32767},
      {-kOne - kOne / 4, -32768}, {-0x7FFFFFFF - 1, -32768},
  };
  for (const Case& c : cases) {
    DitherState state;
    EXPECT_EQ(DitherSample(16, c.sample, state), c.expected) << std::hex << c.sample;
    // The error fed back comes from the clamped sample: at most one quantisation step.
    EXPECT_LE(state.error[0], 0x1FFF) << std::hex << c.sample;
    EXPECT_GE(state.error[0], -0x1FFF) << std::hex << c.sample;
  }
  DitherState state;
  DitherSample(16, 0x7FFFFFFF, state);
  EXPECT_EQ(state.error[0], 0x0FFFFFFF - 0x0FFFE000);
}

TEST(Dither, StaysInRangeForEveryInputMagnitude) {
  DitherState state;
  uint32_t x = 12345;
  for (int i = 0; i < 100'000; ++i) {
    x = x * 1103515245u + 12345u;
    const int v = DitherSample(16, static_cast<mad_fixed_t>(x), state);
    ASSERT_GE(v, -32768);
    ASSERT_LE(v, 32767);
  }
}

TEST(Dither, FollowsTheSignalWithinOneStep) {
  DitherState state;
  for (int i = -1000; i <= 1000; ++i) {
    const mad_fixed_t s = i * (kOne / 1000);
    const double ideal = static_cast<double>(s) / (1 << 13);
    const int v = DitherSample(16, s, state);
    ASSERT_NEAR(v, ideal, 3.0) << i;
  }
}

TEST(Dither, OutputDependsOnHistory) {
  DitherState fresh;
  DitherState used;
  for (int i = 0; i < 7; ++i) DitherSample(16, kOne / 3, used);
  std::vector<int> a, b;
  for (int i = 0; i < 32; ++i) {
    a.push_back(DitherSample(16, kOne / 5, fresh));
    b.push_back(DitherSample(16, kOne / 5, used));
  }
  EXPECT_NE(a, b);
}

TEST(ConvertPcm, InterleavesLeftAndRightThroughTheirOwnStates) {
  std::vector<mad_fixed_t> left(1152), right(1152);
  for (int i = 0; i < 1152; ++i) {
    left[i] = (i * 7919) % kOne - kOne / 2;
    right[i] = -(i * 104729) % kOne;
  }
  DitherLeft = DitherState{};
  DitherRight = DitherState{};
  std::vector<unsigned char> out(4 * 1152 + 16, 0xAA);
  ASSERT_EQ(ConvertPcm(out.data(), out.size(), 1152, left.data(), right.data(), kDitherMode), 4u * 1152);
  EXPECT_EQ(out[4 * 1152], 0xAA);  // nothing behind the samples

  DitherState l, r;
  for (int i = 0; i < 1152; ++i) {
    ASSERT_EQ(Sample16(&out[4 * i]), DitherSample(16, left[i], l)) << i;
    ASSERT_EQ(Sample16(&out[4 * i + 2]), DitherSample(16, right[i], r)) << i;
  }
  // Right-channel samples leave the left history alone.
  EXPECT_EQ(DitherLeft.random, l.random);
  EXPECT_EQ(DitherLeft.error[0], l.error[0]);
  EXPECT_EQ(DitherRight.error[0], r.error[0]);
}

// Whole frames must give exactly what the sample-by-sample routine gives, for loud, clipping
// and extreme frames alike, frame after frame with the states carried on.
TEST(ConvertPcm, StereoFramesMatchSampleBySampleDither) {
  std::mt19937 rng(99);
  DitherLeft = DitherState{};
  DitherRight = DitherState{};
  DitherState l, r;
  const mad_fixed_t ranges[] = {kOne / 4, kOne, 2 * kOne, 0x7FFE0000, 0x7FFFFFFF};
  std::vector<mad_fixed_t> left(1152), right(1152);
  std::vector<unsigned char> out(4 * 1152);
  for (int frame = 0; frame < 40; ++frame) {
    const auto range = static_cast<std::int64_t>(ranges[frame % std::size(ranges)]);
    std::uniform_int_distribution<std::int64_t> pick(-range - 1, range);
    for (int i = 0; i < 1152; ++i) {
      left[i] = static_cast<mad_fixed_t>(pick(rng));
      right[i] = static_cast<mad_fixed_t>(pick(rng));
    }
    ASSERT_EQ(ConvertPcm(out.data(), out.size(), 1152, left.data(), right.data(), kDitherMode), 4u * 1152);
    for (int i = 0; i < 1152; ++i) {
      ASSERT_EQ(Sample16(&out[4 * i]), DitherSample(16, left[i], l)) << frame << " " << i;
      ASSERT_EQ(Sample16(&out[4 * i + 2]), DitherSample(16, right[i], r)) << frame << " " << i;
    }
    ASSERT_EQ(DitherLeft.random, l.random);
    ASSERT_EQ(DitherRight.random, r.random);
    for (int k = 0; k < 3; ++k) {
      ASSERT_EQ(DitherLeft.error[k], l.error[k]) << frame;
      ASSERT_EQ(DitherRight.error[k], r.error[k]) << frame;
    }
  }
}

TEST(ConvertPcm, OneChannelUsesTheLeftStateOnly) {
  std::vector<mad_fixed_t> mono(576);
  for (int i = 0; i < 576; ++i) mono[i] = (i % 50) * (kOne / 60);
  DitherLeft = DitherState{};
  DitherRight = DitherState{};
  std::vector<unsigned char> out(2 * 576);
  ASSERT_EQ(ConvertPcm(out.data(), out.size(), 576, mono.data(), nullptr, kDitherMode), 2u * 576);
  DitherState l;
  for (int i = 0; i < 576; ++i) ASSERT_EQ(Sample16(&out[2 * i]), DitherSample(16, mono[i], l)) << i;
  EXPECT_EQ(DitherRight.random, 0u);
}

TEST(ConvertPcm, WritesNothingForOtherModesOrNoSamples) {
  mad_fixed_t s[4] = {kOne / 2, kOne / 2, kOne / 2, kOne / 2};
  unsigned char out[16] = {};
  const DitherState before = DitherLeft;
  EXPECT_EQ(ConvertPcm(out, sizeof out, 4, s, s, 1), 0u);
  EXPECT_EQ(ConvertPcm(out, sizeof out, 0, s, s, kDitherMode), 0u);
  for (unsigned char b : out) EXPECT_EQ(b, 0);
  EXPECT_EQ(DitherLeft.random, before.random);
}

TEST(ConvertPcm, NeverWritesPastTheArea) {
  mad_fixed_t s[8] = {};
  unsigned char out[12];
  EXPECT_EQ(ConvertPcm(out, 10, 8, s, s, kDitherMode), 8u);  // two whole stereo pairs
  EXPECT_EQ(ConvertPcm(out, 7, 8, s, nullptr, kDitherMode), 6u);
}

}  // namespace
}  // namespace vexalo

#include "decode/dither.h"

namespace vexalo {

DitherState DitherLeft;
DitherState DitherRight;

namespace {
constexpr std::int32_t kMax = 0x0FFFFFFF;   // largest fixed-point value kept
constexpr std::int32_t kMin = -0x10000000;  // smallest

}  // namespace

int DitherSample(unsigned bits, mad_fixed_t sample, DitherState& state) {
  if (bits < 2) bits = 2;
  if (bits > 28) bits = 28;
  const unsigned scalebits = MAD_F_FRACBITS + 1 - bits;
  const std::uint32_t mask = (1u << scalebits) - 1u;

  // The sample and output sums are held in 64 bits: in 32 bits a sample near +8.0 would wrap
  // round and come out as the most negative value. Below that they agree bit for bit.
  std::int64_t s = std::int64_t{sample} + state.error[0] - state.error[1] + state.error[2];
  state.error[2] = state.error[1];
  state.error[1] = state.error[0] / 2;

  std::int64_t output = s + (std::int64_t{1} << (MAD_F_FRACBITS - bits));

  // The pseudo-random sequence is modulo 2^32.
  const std::uint32_t next = state.random * 1664525u + 1013904223u;
  output += static_cast<std::int64_t>(next & mask) - static_cast<std::int64_t>(state.random & mask);
  state.random = next;

  if (output > kMax) {
    output = kMax;
    if (s > kMax) s = kMax;
  } else if (output < kMin) {
    output = kMin;
    if (s < kMin) s = kMin;
  }

  output &= ~static_cast<std::int64_t>(mask);
  // Unclipped, s lies within a few quantisation steps of the output, so the error fits.
  state.error[0] = static_cast<std::int32_t>(s - output);
  return static_cast<int>(output >> scalebits);  // arithmetic shift: keeps the sign
}

std::size_t ConvertPcm(unsigned char* out, std::size_t outBytes, std::size_t count, const mad_fixed_t* left,
                       const mad_fixed_t* right, int mode) {
  if (mode != kDitherMode || count == 0 || out == nullptr || left == nullptr) return 0;
  if (right != nullptr) {
    if (count > outBytes / 4) count = outBytes / 4;
    DitherState& l = DitherLeft;
    DitherState& r = DitherRight;
    for (std::size_t i = 0; i < count; ++i) {
      const auto a = static_cast<std::uint32_t>(DitherSample(16, left[i], l));
      const auto b = static_cast<std::uint32_t>(DitherSample(16, right[i], r));
      out[0] = static_cast<unsigned char>(a);
      out[1] = static_cast<unsigned char>(a >> 8);
      out[2] = static_cast<unsigned char>(b);
      out[3] = static_cast<unsigned char>(b >> 8);
      out += 4;
    }
    return count * 4;
  }
  if (count > outBytes / 2) count = outBytes / 2;
  for (std::size_t i = 0; i < count; ++i) {
    const auto a = static_cast<std::uint32_t>(DitherSample(16, left[i], DitherLeft));
    out[0] = static_cast<unsigned char>(a);
    out[1] = static_cast<unsigned char>(a >> 8);
    out += 2;
  }
  return count * 2;
}

}  // namespace vexalo

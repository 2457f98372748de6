#include "decode/dither.h"

#include <bit>
#include <cstring>

namespace vexalo {

DitherState DitherLeft;
DitherState DitherRight;

namespace {
constexpr std::int32_t kMax = 0x0FFFFFFF;   // largest fixed-point value kept
constexpr std::int32_t kMin = -0x10000000;  // smallest

// One channel's state while a frame is converted: the history held in 64-bit words, the
// width in which the sums below are formed.
struct Working {
  std::int64_t error0, error1, error2;
  std::uint32_t random;
  explicit Working(const DitherState& st) : error0(st.error[0]), error1(st.error[1]), error2(st.error[2]), random(st.random) {}
  void SaveTo(DitherState& st) const {
    st.error[0] = static_cast<std::int32_t>(error0);
    st.error[1] = static_cast<std::int32_t>(error1);
    st.error[2] = static_cast<std::int32_t>(error2);
    st.random = random;
  }
};

// One sample through one channel's state. Inline with a fixed width, so a frame's loop runs
// on states held in registers.
inline int Requantise(unsigned bits, mad_fixed_t sample, Working& w) {
  const unsigned scalebits = MAD_F_FRACBITS + 1 - bits;
  const std::int64_t mask = (std::int64_t{1} << scalebits) - 1;

  // The sample and output sums are formed in 64 bits: in 32 bits a sample near +8.0 would wrap
  // round and come out as the most negative value. Below that they agree bit for bit.
  std::int64_t s = sample + w.error0 - w.error1 + w.error2;
  w.error2 = w.error1;
  w.error1 = w.error0 / 2;

  std::int64_t output = s + (std::int64_t{1} << (MAD_F_FRACBITS - bits));

  // The pseudo-random sequence is modulo 2^32.
  const std::uint32_t next = w.random * 1664525u + 1013904223u;
  output += static_cast<std::int64_t>(next & mask) - static_cast<std::int64_t>(w.random & mask);
  w.random = next;

  // One unsigned comparison tells whether the output lies outside [kMin, kMax] at all.
  if (static_cast<std::uint64_t>(output - kMin) > std::uint64_t{kMax - kMin}) [[unlikely]] {
    if (output > kMax) {
      output = kMax;
      if (s > kMax) s = kMax;
    } else {
      output = kMin;
      if (s < kMin) s = kMin;
    }
  }

  output &= ~mask;
  // Unclipped, s lies within a few quantisation steps of the output, so the error fits 32 bits.
  w.error0 = s - output;
  return static_cast<int>(output >> scalebits);  // arithmetic shift: keeps the sign
}

inline void Put16(unsigned char* out, int v) {
  const auto u = static_cast<std::uint16_t>(static_cast<std::uint32_t>(v));
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &u, 2);
  } else {
    out[0] = static_cast<unsigned char>(u);
    out[1] = static_cast<unsigned char>(u >> 8);
  }
}

}  // namespace

int DitherSample(unsigned bits, mad_fixed_t sample, DitherState& state) {
  if (bits < 2) bits = 2;
  if (bits > 28) bits = 28;
  Working w(state);
  const int v = Requantise(bits, sample, w);
  w.SaveTo(state);
  return v;
}

std::size_t ConvertPcm(unsigned char* out, std::size_t outBytes, std::size_t count, const mad_fixed_t* left,
                       const mad_fixed_t* right, int mode) {
  if (mode != kDitherMode || count == 0 || out == nullptr || left == nullptr) return 0;
  // Local copies: the output bytes may alias anything, which would otherwise force the states
  // through memory on every sample.
  Working l(DitherLeft);
  std::size_t written;
  if (right != nullptr) {
    if (count > outBytes / 4) count = outBytes / 4;
    Working r(DitherRight);
    for (std::size_t i = 0; i < count; ++i) {
      Put16(out + 4 * i, Requantise(16, left[i], l));
      Put16(out + 4 * i + 2, Requantise(16, right[i], r));
    }
    r.SaveTo(DitherRight);
    written = count * 4;
  } else {
    if (count > outBytes / 2) count = outBytes / 2;
    for (std::size_t i = 0; i < count; ++i) Put16(out + 2 * i, Requantise(16, left[i], l));
    written = count * 2;
  }
  l.SaveTo(DitherLeft);
  return written;
}

}  // namespace vexalo

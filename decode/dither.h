// PCM conversion of libmad's fixed-point samples to signed 16-bit little-endian bytes, with
// noise-shaped, dithered requantisation and clipping.
#pragma once

#include <mad.h>

#include <cstddef>
#include <cstdint>

namespace vexalo {

// Noise-shaping history and pseudo-random state of one channel.
struct DitherState {
  std::int32_t error[3] = {0, 0, 0};
  std::uint32_t random = 0;
};

// Process-wide states: zero when the program starts and never reset, so the noise continues
// from one song to the next. A one-channel frame goes through the left state.
extern DitherState DitherLeft;
extern DitherState DitherRight;

constexpr int kDitherMode = 0;  // the only conversion mode

// Requantises one sample (28 fraction bits, 1.0 = 0x10000000) to a signed integer of `bits`
// bits (2..28; the decoder uses 16), updating the channel's state.
int DitherSample(unsigned bits, mad_fixed_t sample, DitherState& state);

// Converts `count` samples per channel into `out` (capacity `outBytes`): with `right` given,
// interleaved left/right 16-bit pairs (4 bytes per index), else one 16-bit sample per index.
// Returns the bytes written; 0 for a mode other than kDitherMode or a count of 0. Stops at
// whole samples that fit within outBytes.
std::size_t ConvertPcm(unsigned char* out, std::size_t outBytes, std::size_t count, const mad_fixed_t* left,
                       const mad_fixed_t* right, int mode);

}  // namespace vexalo

// The decoder's frame stepping over any file: every step ends, gives whole frames that fit the
// frame area, and the decode comes to its end within a number of steps bounded by the file's size.
#include <cstring>
#include <string>

#include "decode/decode_job.h"
#include "fuzz/fuzz_support.h"

using namespace vexalo;
using namespace vexalo::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = ScratchPath("song.mp3");
  WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK(StartDecodeJob(path) == 1);

  static unsigned char area[kFrameScratchBytes];
  FrameFacts facts;
  // Each step either consumes input, skips at least a byte, or ends: a few steps per byte and
  // per refill are plenty.
  const std::size_t bound = 64 + 4 * size;
  std::size_t steps = 0;
  int result = 0;
  while (true) {
    std::memset(area, 0xEE, sizeof area);
    result = NextFrame(area, sizeof area, facts);
    ++steps;
    FUZZ_CHECK(steps <= bound, "decoding ends: " + std::to_string(steps) + " steps over " + std::to_string(size) + " bytes");
    if (result == 0 || result == -1) break;
    FUZZ_CHECK(result == -2 || (result > 0 && result <= static_cast<int>(kFrameScratchBytes) && result % 2 == 0),
               std::to_string(result));
    if (result > 0) {
      FUZZ_CHECK(facts.layer >= 1 && facts.layer <= 3, std::to_string(facts.layer));
      FUZZ_CHECK(facts.sampleRate >= 8000 && facts.sampleRate <= 48000, std::to_string(facts.sampleRate));
      FUZZ_CHECK(facts.mode >= 0 && facts.mode <= 3);
    }
  }
  EndDecodeJob();
  FUZZ_CHECK(TheDecodeJob.file == -1);
  return 0;
}

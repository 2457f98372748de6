#include "tags/mpeg_audio_probe.h"

#include <algorithm>
#include <string>

#include "common/input_file.h"

namespace vexalo {

namespace {

constexpr std::size_t kSearchBytes = 64 * 1024;

std::uint64_t TagEnd(std::string_view s) {
  if (s.size() < 10 || s.substr(0, 3) != "ID3") return 0;
  auto b = [&](int i) { return static_cast<unsigned char>(s[i]); };
  if ((b(6) | b(7) | b(8) | b(9)) & 0x80) return 0;
  std::uint64_t size = (std::uint64_t{b(6)} << 21) | (b(7) << 14) | (b(8) << 7) | b(9);
  std::uint64_t footer = (b(3) == 4 && (b(5) & 0x10)) ? 10 : 0;
  return 10 + size + footer;
}

}  // namespace

std::uint32_t Layer3FrameBytes(const unsigned char* h) {
  static const int kMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const int kMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  static const int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return 0;
  int version = (h[1] >> 3) & 3;  // 0: 2.5, 1: reserved, 2: 2, 3: 1
  if (version == 1 || ((h[1] >> 1) & 3) != 1) return 0;
  int bitrateIndex = h[2] >> 4, rateIndex = (h[2] >> 2) & 3;
  if (bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return 0;
  int row = version == 3 ? 0 : version == 2 ? 1 : 2;
  int rate = kRates[row][rateIndex];
  int padding = (h[2] >> 1) & 1;
  if (version == 3) return static_cast<std::uint32_t>(144000 * kMpeg1[bitrateIndex] / rate + padding);
  return static_cast<std::uint32_t>(72000 * kMpeg2[bitrateIndex] / rate + padding);
}

namespace {

// The search over `window`, the file's bytes from offset `base` on (base is where its ID3v2 tag
// ends).
bool SearchFrames(std::string_view window, std::uint64_t base, std::uint64_t fileSize) {
  auto at = [&](std::size_t i) { return reinterpret_cast<const unsigned char*>(window.data()) + i; };
  for (std::size_t pos = 0; pos + 4 <= window.size() && pos < kSearchBytes; ++pos) {
    const std::uint32_t bytes = Layer3FrameBytes(at(pos));
    if (bytes < 4) continue;
    const std::size_t next = pos + bytes;
    if (base + next == fileSize) return true;
    if (next + 4 <= window.size()) {
      if (Layer3FrameBytes(at(next)) >= 4 && ((at(next)[1] ^ at(pos)[1]) & 0x18) == 0) return true;
      if (base + next + 128 == fileSize && window.substr(next, 3) == "TAG") return true;
    }
  }
  return false;
}

}  // namespace

bool HasLayer3Audio(std::string_view s, std::uint64_t fileSize) {
  const std::uint64_t start = TagEnd(s);
  if (start >= s.size()) return false;
  return SearchFrames(s.substr(static_cast<std::size_t>(start)), start, fileSize);
}

bool FileHasLayer3Audio(const std::string& path) {
  InputFile in;
  if (!in.Open(path)) return false;
  // The tag's header says where the audio begins; only the search window after it is read.
  char header[10] = {};
  const ssize_t got = in.ReadAt(header, sizeof header, 0);
  if (got < 0) return false;
  const std::uint64_t start = TagEnd(std::string_view(header, static_cast<std::size_t>(got)));
  if (start >= in.Size()) return false;
  std::string window(static_cast<std::size_t>(std::min<std::uint64_t>(kSearchBytes + 8192, in.Size() - start)), '\0');
  const ssize_t read = in.ReadAt(window.data(), window.size(), start);
  if (read < 0) return false;
  window.resize(static_cast<std::size_t>(read));
  return SearchFrames(window, start, in.Size());
}

bool LooksLikeMp3File(const std::string& path) {
  InputFile in;
  if (!in.Open(path)) return false;
  char magic[3] = {};
  const bool tagged = in.ReadAt(magic, 3, 0) == 3 && magic[0] == 'I' && magic[1] == 'D' && magic[2] == '3';
  return tagged || FileHasLayer3Audio(path);
}

}  // namespace vexalo

#include "tags/mpeg_audio_probe.h"

#include <cstdio>
#include <string>

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

bool HasLayer3Audio(std::string_view s, std::uint64_t fileSize) {
  std::uint64_t start = TagEnd(s);
  auto at = [&](std::uint64_t i) { return reinterpret_cast<const unsigned char*>(s.data()) + i; };
  for (std::uint64_t pos = start; pos + 4 <= s.size() && pos < start + kSearchBytes; ++pos) {
    std::uint32_t bytes = Layer3FrameBytes(at(pos));
    if (bytes < 4) continue;
    std::uint64_t next = pos + bytes;
    if (next == fileSize) return true;
    if (next + 4 <= s.size()) {
      if (Layer3FrameBytes(at(next)) >= 4 && ((at(next)[1] ^ at(pos)[1]) & 0x18) == 0) return true;
      if (next + 128 == fileSize && s.substr(next, 3) == "TAG") return true;
    }
  }
  return false;
}

bool FileHasLayer3Audio(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::string head(10, '\0');
  std::size_t got = std::fread(head.data(), 1, 10, f);
  head.resize(got);
  std::uint64_t want = TagEnd(head) + kSearchBytes + 8192;
  head.resize(static_cast<std::size_t>(want));
  got += std::fread(head.data() + got, 1, head.size() - got, f);
  head.resize(got);
  std::uint64_t size = 0;
  if (std::fseek(f, 0, SEEK_END) == 0) size = static_cast<std::uint64_t>(std::ftell(f));
  std::fclose(f);
  return HasLayer3Audio(head, size);
}

bool LooksLikeMp3File(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char magic[3] = {};
  bool tagged = std::fread(magic, 1, 3, f) == 3 && magic[0] == 'I' && magic[1] == 'D' && magic[2] == '3';
  std::fclose(f);
  return tagged || FileHasLayer3Audio(path);
}

}  // namespace vexalo

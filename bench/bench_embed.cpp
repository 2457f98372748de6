// Embedding lyrics into a big MP3 file in-process: time per save and peak memory growth, for the
// SyncMP3 writer alone (no process start-up). Usage: bench_embed SOURCE.mp3 OUT.mp3 [runs]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/syncmp3_file.h"

namespace {

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// About 28 KB of timed lyrics: a block close to the frame buffer's size.
std::string Lyrics() {
  std::string text;
  for (int i = 0; text.size() < 28'000; ++i) {
    char tag[32];
    std::snprintf(tag, sizeof tag, "\xA2\xE2%02d%02d%02d%02d\xA2\xD0\r\n", 0, (i / 60) % 100, i % 60, i % 100);
    text += tag;
    text += "line of lyrics number " + std::to_string(i) + "\r\n";
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_embed SOURCE.mp3 OUT.mp3 [runs]\n");
    return 2;
  }
  const std::string source = argv[1], out = argv[2];
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  std::string error;
  if (!vexalo::BuildSyncBlock(Lyrics(), error)) {
    std::fprintf(stderr, "block: %s\n", error.c_str());
    return 1;
  }
  const long before = PeakKilobytes();
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    std::string why;
    const int result = vexalo::SaveSyncMp3File(source, out, false, &why);
    const auto t1 = std::chrono::steady_clock::now();
    if (result != vexalo::kSyncMp3Saved) {
      std::fprintf(stderr, "save failed (%d): %s\n", result, why.c_str());
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("block %u bytes, %d runs: median %.1f ms, best %.1f ms\n",
              vexalo::ReadLe32(vexalo::SyncBlockBuffer + 6), runs, ms[ms.size() / 2], ms.front());
  std::printf("peak memory growth during the saves: %ld KB\n", PeakKilobytes() - before);
  return 0;
}

// Converting a 5,000-line LRC file: reading it (UTF-8, Hangul, word marks, shared chorus stamps)
// into editor form, and writing it back as enhanced LRC and as SRT. Goal: under 50 ms for the
// whole conversion, in CPU time (the wall time on a loaded machine is shown beside it).
// Usage: bench_lrc_convert [runs]
#include <algorithm>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sync/lrc_file.h"
#include "sync/lrc_format.h"
#include "sync/lyrics_file_text.h"
#include "sync/srt_format.h"

namespace {

double CpuMillis() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

std::string Stamp(int centis) {
  char text[24];
  std::snprintf(text, sizeof text, "[%02d:%02d.%02d]", centis / 6000, centis / 100 % 60, centis % 100);
  return text;
}

std::string Word(int centis) {
  char text[24];
  std::snprintf(text, sizeof text, "<%02d:%02d.%02d>", centis / 6000, centis / 100 % 60, centis % 100);
  return text;
}

// 5,000 lines: ID tags, then lyric lines of Korean and English words, every tenth with word
// marks, every fiftieth a chorus line on two stamps, some blank lines.
std::string MakeLrc() {
  std::string lrc = "\xEF\xBB\xBF[ar:\xEA\xB0\x80\xEC\x88\x98]\r\n[ti:Long Song]\r\n[offset:+120]\r\n";
  const std::string hangul = "\xEC\x82\xAC\xEB\x9E\x91\xED\x95\xB4\xEC\x9A\x94";  // four syllables
  int lines = 3;
  for (int i = 0; lines < 5'000; ++i, ++lines) {
    const int t = 100 + i * 110;
    if (i % 25 == 24) {
      lrc += "\r\n";
      continue;
    }
    lrc += Stamp(t);
    if (i % 50 == 0) lrc += Stamp(t + 300'000);
    if (i % 10 == 0)
      lrc += Word(t) + hangul + " " + Word(t + 40) + "word " + Word(t + 80) + "number " + std::to_string(i);
    else
      lrc += hangul + " line of lyrics number " + std::to_string(i);
    lrc += "\r\n";
  }
  return lrc;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  const std::string lrc = MakeLrc();
  std::vector<double> ms, cpu;
  std::size_t out = 0;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = CpuMillis();
    const vexalo::LrcFileImport imported = vexalo::ImportLrcFile(lrc, static_cast<std::size_t>(-1));
    const std::string enhanced =
        vexalo::EditorFormToLrc(imported.lrc.editorText, imported.lrc.tags, vexalo::LrcStyle::kEnhanced);
    const std::string file = vexalo::LyricsFileBytesOf(enhanced, vexalo::LyricsEncoding::kUtf8).bytes;
    const std::string srt = vexalo::LyricsFileBytesOf(vexalo::EditorFormToSrt(imported.lrc.editorText),
                                                      vexalo::LyricsEncoding::kUtf8).bytes;
    const double c1 = CpuMillis();
    const auto t1 = std::chrono::steady_clock::now();
    if (!imported.lrc.problems.empty()) {
      std::fprintf(stderr, "unexpected problems: %s\n", vexalo::LrcProblemSummary(imported.lrc.problems).c_str());
      return 1;
    }
    out = file.size() + srt.size();
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    cpu.push_back(c1 - c0);
  }
  std::sort(ms.begin(), ms.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("LRC of %zu bytes, 5000 lines -> editor form -> enhanced LRC + SRT (%zu bytes)\n", lrc.size(), out);
  std::printf("CPU time: best %.2f ms, median %.2f ms over %d runs (goal < 50 ms)\n", cpu.front(),
              cpu[cpu.size() / 2], runs);
  std::printf("wall time: best %.2f ms, median %.2f ms\n", ms.front(), ms[ms.size() / 2]);
  return 0;
}

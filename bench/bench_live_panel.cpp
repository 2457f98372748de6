// Cost of the live lyric panel: rebuilding and publishing the SyncTable from a 24 KB text of
// 40-byte groups (about the most whose block still fits the 30,720-byte block buffer), as the UI
// thread does after every stamp, nudge, Adjust and undo (goal: under 5 ms, well inside one 50 ms
// timer tick); and the panel lookup the playback worker makes once per chunk (goal: under 1 ms
// of a chunk's 104 ms).
#include <array>
#include <chrono>
#include <cstdio>
#include <string>

#include "commands/live_lyric_panel.h"
#include "sync/sync_table.h"

int main() {
  using namespace vexalo;
  using Clock = std::chrono::steady_clock;
  std::string text;
  int groups = 0;
  while (text.size() < 24'000) {
    char group[64];
    const int ms = groups * 1700;
    std::snprintf(group, sizeof group, "\xA7%02d%02d%02d%02d\xBB\r\nlyric line number %d\r\n", ms / 3'600'000,
                  ms / 60'000 % 60, ms / 1000 % 60, ms % 1000 / 10, groups);
    text += group;
    ++groups;
  }
  constexpr int kRebuilds = 500;
  auto t0 = Clock::now();
  for (int i = 0; i < kRebuilds; ++i) {
    if (RebuildPanelTable(text).result != PanelTableResult::Built) {
      std::printf("the text did not become a table: %s\n", RebuildPanelTable(text).error.c_str());
      return 1;
    }
  }
  const double rebuildMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / kRebuilds;

  constexpr int kChunks = 20'000;
  std::array<unsigned char, kLyricPanelBytes> panel{};
  const double chunkMs = 4 * 1152 / 44.1;
  std::int64_t since = -1;
  int shown = 0;
  t0 = Clock::now();
  for (int i = 1; i <= kChunks; ++i) {
    const auto now = static_cast<std::int64_t>(i * chunkMs) % (groups * 1700LL);
    if (FormatLyricPanelBetween(since, now, panel) >= 0) ++shown;
    since = now;
  }
  const double lookupUs = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / kChunks;
  std::printf("text %zu bytes, %d groups\n", text.size(), groups);
  std::printf("rebuild and publish the table  %8.3f ms  (goal: under 5 ms)\n", rebuildMs);
  std::printf("panel lookup per chunk         %8.3f us  (goal: under 1000 us); %d lines shown\n", lookupUs, shown);
  return rebuildMs < 5.0 && lookupUs < 1000.0 ? 0 : 1;
}

// The SyncTable parser and its lookups over any block: ParseSyncBlock, FindSyncText(At) and
// FormatLyricPanel never read or write outside their buffers, and agree with each other.
#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "fuzz/fuzz_support.h"
#include "sync/sync_table.h"

using namespace vexalo;

namespace {

// The lyric bytes of a composed panel (from byte 16 to the last non-zero byte) and the zeros
// after them.
void CheckPanel(const std::array<unsigned char, kLyricPanelBytes>& panel) {
  std::size_t end = kLyricPanelBytes;
  while (end > 16 && panel[end - 1] == 0) --end;
  // Three lines of at most 16 columns, the byte a CR carries along, and their line breaks.
  FUZZ_CHECK(end - 16 <= 3 * (1 + 16 + 2), "lyric bytes: " + std::to_string(end - 16));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::array<unsigned char, kSyncBlockBytes> block;
  block.fill(0);
  const std::size_t n = std::min(size, block.size());
  std::memcpy(block.data(), data, n);

  ResetSyncTable(1);
  std::array<unsigned char, kLyricPanelBytes> panel;
  const int parsed = ParseSyncBlock(kSyncMagic, std::span<const unsigned char>(block.data(), n));
  const SyncTable& table = SharedSyncTable;
  if (parsed != 1) {
    FUZZ_CHECK(table.Count() == -1);
    panel.fill(0xEE);
    FUZZ_CHECK(FormatLyricPanel(0, 0, 1, 0, panel) == -1);
    for (unsigned char c : panel) FUZZ_CHECK(c == 0xEE, "a refused table leaves the panel untouched");
    return 0;
  }
  const int count = table.Count();
  FUZZ_CHECK(count >= 0 && count <= kMaxSyncEntries, std::to_string(count));

  // Every entry is found at its start time: the text of the first entry with that time.
  static SyncEntry entry, first;
  std::array<unsigned char, kSyncLookupBytes> out;
  const int probe = std::min(count, 64);
  for (int i = 0; i < probe; ++i) {
    FUZZ_CHECK(table.Entry(i, entry));
    FUZZ_CHECK(entry.copied <= kSyncLookupBytes && entry.copied <= entry.length);
    int j = 0;
    while (j < i && (table.Entry(j, first), first.startSeconds != entry.startSeconds)) ++j;
    table.Entry(j, first);
    out.fill(0);
    const int found = FindSyncText(entry.startSeconds, out);
    FUZZ_CHECK(found >= 0 && static_cast<std::size_t>(found) == first.copied,
               "entry " + std::to_string(i) + " found " + std::to_string(found));
    FUZZ_CHECK(std::memcmp(out.data(), first.text.data(), first.copied) == 0);

    const std::uint32_t s = entry.startSeconds;
    if (s / 60 <= 99999) {
      const int minutes = static_cast<int>(s / 60), seconds = static_cast<int>(s % 60);
      FUZZ_CHECK(FindSyncTextAt(0, minutes, seconds, out) == found);
      // At the tenth its hundredths name, the panel shows the entry's lyric.
      const int named = first.copied >= 2 ? (first.text[0] - '0') * 10 + (first.text[1] - '0') : -1;
      const int millis = named >= 0 && named < 100 ? named * 10 : 0;
      panel.fill(0xEE);
      FUZZ_CHECK(FormatLyricPanel(0, minutes, seconds, millis, panel) == found);
      FUZZ_CHECK(panel[14] == '\r' && panel[15] == '\n' && panel[8] == ':' && panel[11] == ':');
      if (named >= 0 && named < 100 && named % 10 == 0) CheckPanel(panel);
    }
  }
  FUZZ_CHECK(!table.Entry(count, entry) && !table.Entry(-1, entry));
  return 0;
}

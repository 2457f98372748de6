#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sync/sync_table.h"
#include "sync/sync_text.h"

namespace vexalo {
namespace {

// A parsed table of `entries` one-byte lyrics "x", one per hundredth of a second.
void LoadShortEntries(int entries) {
  std::vector<unsigned char> block(14 + 9 * static_cast<std::size_t>(entries));
  block[0] = 'S';
  block[1] = 'O';
  WriteLe32(&block[2], kSyncMagic);
  WriteLe32(&block[6], static_cast<std::uint32_t>(block.size()));
  WriteLe32(&block[10], static_cast<std::uint32_t>(entries));
  for (int i = 0; i < entries; ++i) {
    WriteLe32(&block[14 + 4 * i], static_cast<std::uint32_t>(i));
    WriteLe16(&block[14 + 4 * entries + 4 * i + 2], 1);
    block[14 + 8 * entries + i] = 'x';
  }
  ResetSyncTable(1);
  ASSERT_EQ(ParseSyncBlock(kSyncMagic, block), 1);
}

TEST(RebuildSyncText, StopsAtTheLastWholeEntryThatFitsTheLyricsBuffer) {
  // Each entry rebuilds to a 14-byte tag line and "x" CR LF: 2,400 of them pass 30,719 bytes by far,
  // though their block is only 21,614 bytes.
  LoadShortEntries(2400);
  bool cut = false;
  const std::string text = RebuildSyncText(&cut);
  EXPECT_TRUE(cut);
  EXPECT_EQ(text.size(), kMaxLyricsTextBytes / 17 * 17);
  EXPECT_EQ(text.substr(text.size() - 3), "x\r\n");
  EXPECT_EQ(RebuildSyncText(), text);
}

TEST(RebuildSyncText, AWholeTableIsNotCut) {
  LoadShortEntries(3);
  bool cut = true;
  const std::string text = RebuildSyncText(&cut);
  EXPECT_FALSE(cut);
  EXPECT_EQ(std::count(text.begin(), text.end(), 'x'), 3);
  EXPECT_EQ(text.substr(text.size() - 1), "x");
}

}  // namespace
}  // namespace vexalo

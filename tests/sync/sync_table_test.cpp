#include "sync/sync_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace vexalo;

namespace {

struct TestEntry {
  std::uint32_t seconds;
  std::string first;
  std::string second;
};

// Lays out a block by hand, so the parser is checked against the layout, not against the builder.
std::vector<unsigned char> MakeBlock(const std::string& letters, const std::vector<TestEntry>& entries,
                                     std::uint32_t magic = kSyncMagic) {
  const std::uint32_t n = static_cast<std::uint32_t>(entries.size());
  std::vector<unsigned char> b(14 + 8 * n);
  b[0] = letters[0];
  b[1] = letters[1];
  WriteLe32(&b[2], magic);
  WriteLe32(&b[10], n);
  for (std::uint32_t i = 0; i < n; ++i) {
    WriteLe32(&b[14 + 4 * i], entries[i].seconds);
    WriteLe16(&b[14 + 4 * n + 4 * i], static_cast<std::uint16_t>(entries[i].first.size()));
    WriteLe16(&b[14 + 4 * n + 4 * i + 2], static_cast<std::uint16_t>(entries[i].second.size()));
  }
  for (const auto& e : entries) {
    b.insert(b.end(), e.first.begin(), e.first.end());
    b.insert(b.end(), e.second.begin(), e.second.end());
  }
  WriteLe32(&b[6], static_cast<std::uint32_t>(b.size()));
  return b;
}

std::string Found(SyncTable& t, std::uint32_t seconds, int* result = nullptr) {
  std::array<unsigned char, 512> out{};
  int n = t.FindText(seconds, out);
  if (result) *result = n;
  return n < 0 ? std::string("<none>") : std::string(reinterpret_cast<char*>(out.data()), n);
}

std::string PanelBytes(const std::array<unsigned char, 512>& p) {
  return std::string(reinterpret_cast<const char*>(p.data()), p.size());
}

const std::string kAtoT = std::string("70\xA2\xD0\r\n") + "ABCDEFGHIJKLMNOPQRST";

}  // namespace

TEST(SyncTable, StartsWithoutTableAndFindsNothing) {
  SyncTable t;
  EXPECT_EQ(t.Count(), -1);
  EXPECT_FALSE(t.Present());
  EXPECT_EQ(Found(t, 0), "<none>");
  std::array<unsigned char, 512> panel;
  panel.fill('x');
  EXPECT_EQ(t.FormatPanel(0, 0, 0, 0, panel), -1);
  EXPECT_EQ(PanelBytes(panel), std::string(512, 'x'));
}

TEST(SyncTable, RefusesBadLettersOrMagic) {
  struct Case {
    const char* name;
    std::vector<unsigned char> block;
  };
  const std::vector<Case> cases = {
      {"letters XY", MakeBlock("XY", {{1, "", "text"}})},
      {"lower-case so", MakeBlock("so", {{1, "", "text"}})},
      {"magic 1234568", MakeBlock("SO", {{1, "", "text"}}, 1234568)},
      {"magic 0", MakeBlock("LA", {{1, "text", ""}}, 0)},
  };
  for (const auto& c : cases) {
    SyncTable t;
    EXPECT_EQ(t.Parse(kSyncMagic, c.block), 0) << c.name;
    EXPECT_EQ(t.Count(), -1) << c.name;
    EXPECT_TRUE(t.Present()) << c.name;  // every parse sets it; count -1 still finds nothing
    EXPECT_EQ(Found(t, 1), "<none>") << c.name;
  }
}

TEST(SyncTable, AcceptsEmptyBlockButFindsNothing) {
  SyncTable t;
  EXPECT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {})), 1);
  EXPECT_EQ(t.Count(), 0);
  EXPECT_EQ(Found(t, 0), "<none>");
}

TEST(SyncTable, FindsExactSecondAndEarliestOfEqualTimes) {
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{10, "", "eleven-byte"}, {10, "", "seven-b"}})), 1);
  int n = 0;
  EXPECT_EQ(Found(t, 10, &n), "eleven-byte");
  EXPECT_EQ(n, 11);
  EXPECT_EQ(Found(t, 9), "<none>");
  EXPECT_EQ(Found(t, 11), "<none>");
  std::array<unsigned char, 512> out{};
  EXPECT_EQ(t.FindTextAt(0, 0, 10, out), 11);
}

TEST(SyncTable, FindTextAtCountsHoursAndMinutes) {
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{3723, "", "one"}, {3900, "", "two"}})), 1);
  std::array<unsigned char, 512> out{};
  EXPECT_EQ(t.FindTextAt(1, 2, 3, out), 3);
  EXPECT_EQ(t.FindTextAt(0, 65, 0, out), 3);  // minutes past 59 are not reduced
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data()), 3), "two");
}

TEST(SyncTable, ReadsTheSlotTheLettersName) {
  SyncTable la;
  ASSERT_EQ(la.Parse(kSyncMagic, MakeBlock("LA", {{5, "abc", ""}})), 1);
  EXPECT_EQ(la.TextSlot(), SyncSlot::First);
  EXPECT_EQ(Found(la, 5), "abc");

  // In an "SO" block the first slot is skipped over but not shown.
  SyncTable so;
  ASSERT_EQ(so.Parse(kSyncMagic, MakeBlock("SO", {{5, "xx", "second"}, {6, "", "next"}})), 1);
  EXPECT_EQ(Found(so, 5), "second");
  EXPECT_EQ(Found(so, 6), "next");
}

TEST(SyncTable, EmptyTextFoundWithLengthZero) {
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{7, "", ""}})), 1);
  int n = -5;
  EXPECT_EQ(Found(t, 7, &n), "");
  EXPECT_EQ(n, 0);
}

TEST(SyncTable, ResetHidesTheTableButKeepsCount) {
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{65, "", kAtoT}})), 1);
  t.Reset(0);
  EXPECT_TRUE(t.Present());
  t.Reset(1);
  EXPECT_FALSE(t.Present());
  EXPECT_EQ(t.Count(), 1);
  EXPECT_EQ(Found(t, 65), "<none>");
  // The panel still shows the time, but no lyric.
  std::array<unsigned char, 512> panel{};
  EXPECT_EQ(t.FormatPanel(0, 1, 5, 730, panel), -1);
  EXPECT_EQ(PanelBytes(panel).substr(0, 16), "      01:05:73\r\n");
}

TEST(SyncTable, RefusesBlocksThatReachOutside) {
  struct Case {
    const char* name;
    std::vector<unsigned char> block;
  };
  auto good = MakeBlock("SO", {{1, "", "abcdef"}, {2, "", "ghij"}});
  std::vector<Case> cases;
  {
    auto b = good;
    WriteLe32(&b[10], 3841);
    cases.push_back({"count above 3840", b});
  }
  {
    auto b = good;
    WriteLe32(&b[10], 0xFFFFFFFFu);
    cases.push_back({"count -1", b});
  }
  {
    auto b = good;
    WriteLe32(&b[10], 3840);  // allowed count, but its tables pass the total size
    cases.push_back({"tables past total size", b});
  }
  {
    auto b = good;
    WriteLe32(&b[6], static_cast<std::uint32_t>(b.size() - 1));
    cases.push_back({"texts one byte past total size", b});
  }
  {
    auto b = good;
    WriteLe16(&b[14 + 8 + 4 + 2], 0xFFFF);
    WriteLe32(&b[6], 0xFFFFFFFFu);
    cases.push_back({"huge text length", b});
  }
  {
    auto b = good;
    b.resize(10);
    cases.push_back({"shorter than its header", b});
  }
  for (const auto& c : cases) {
    SyncTable t;
    EXPECT_EQ(t.Parse(kSyncMagic, c.block), 0) << c.name;
    EXPECT_EQ(t.Count(), -1) << c.name;
  }
  SyncTable t;
  EXPECT_EQ(t.Parse(kSyncMagic, good), 1);
}

TEST(SyncTable, RefusesTextsPastTheBlockBuffer) {
  // Total size claims more than the buffer holds; the texts then run past 30,720 bytes.
  std::vector<unsigned char> b(kSyncBlockBytes, 'x');
  auto head = MakeBlock("SO", {{1, "", ""}});
  std::copy(head.begin(), head.end(), b.begin());
  WriteLe16(&b[14 + 4 + 2], 0xFFFF);
  WriteLe32(&b[6], 0x7FFFFFFF);
  SyncTable t;
  EXPECT_EQ(t.Parse(kSyncMagic, b), 0);
  // The same length fits when the text ends inside the buffer.
  WriteLe16(&b[14 + 4 + 2], static_cast<std::uint16_t>(kSyncBlockBytes - 22));
  EXPECT_EQ(t.Parse(kSyncMagic, b), 1);
}

TEST(SyncTable, LookupCopiesAtMost512Bytes) {
  const std::string text(600, 'q');
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{3, "", text}})), 1);
  std::array<unsigned char, 520> out;
  out.fill(0);
  EXPECT_EQ(t.FindText(3, out), 512);
  EXPECT_EQ(out[511], 'q');
  EXPECT_EQ(out[512], 0);
  std::array<unsigned char, 8> small{};
  EXPECT_EQ(t.FindText(3, small), 8);
  SyncEntry entry;
  ASSERT_TRUE(t.Entry(0, entry));
  EXPECT_EQ(entry.length, 600u);
  EXPECT_EQ(entry.copied, 512u);
}

TEST(SyncTable, PanelShowsTheLyricInTheTenthItsHundredthsName) {
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{65, "", kAtoT}})), 1);
  std::array<unsigned char, 512> panel;
  panel.fill('z');
  EXPECT_EQ(t.FormatPanel(0, 1, 5, 730, panel), 26);
  std::string expected = "      01:05:73\r\nABCDEFGHIJKLMNOP\r\nQRST";
  expected.resize(512, '\0');
  EXPECT_EQ(PanelBytes(panel), expected);

  // At 650 ms the entry's second matches, its tenth does not: the old lyric stays under the new time.
  std::array<unsigned char, 512> old;
  old.fill('z');
  EXPECT_EQ(t.FormatPanel(0, 1, 5, 650, old), 26);
  EXPECT_EQ(PanelBytes(old).substr(0, 16), "      01:05:65\r\n");
  EXPECT_EQ(PanelBytes(old).substr(16), std::string(496, 'z'));

  // Another second: -1, and the lyric part stays too.
  EXPECT_EQ(t.FormatPanel(0, 1, 6, 700, old), -1);
  EXPECT_EQ(PanelBytes(old).substr(0, 16), "      01:06:70\r\n");
  EXPECT_EQ(PanelBytes(old).substr(16), std::string(496, 'z'));
}

TEST(SyncTable, PanelLineBreaking) {
  struct Case {
    const char* name;
    std::string lyric;  // after "00", the closing mark and CR LF
    std::string shown;  // panel bytes from 16 up to the zeros
  };
  const std::string ga = "\xB0\xA1";  // one two-byte character
  const std::vector<Case> cases = {
      {"four short lines show three, the third with its CR LF", "a\r\nb\r\nc\r\nd\r\n", "a\r\nb\r\nc\r\n"},
      {"short stored tag is skipped and takes no columns",
       "AB\xA2\xD1" "012345\xA2\xD0" "CDEFGHIJKLMNOPQRS", "ABCDEFGHIJKLMNOP\r\nQRS"},
      {"short tag of three characters", "A\xA2\xD1" "123\xA2\xD0" "B", "AB"},
      {"unclosed short tag skips five bytes", "A\xA2\xD1" "xyzB", "AB"},
      {"two-byte characters never split", "ABCDEFGHIJKLMNO" + ga + "Z", "ABCDEFGHIJKLMNO\r\n" + ga + "Z"},
      {"eight two-byte characters fill a line", std::string() + ga + ga + ga + ga + ga + ga + ga + ga + ga,
       ga + ga + ga + ga + ga + ga + ga + ga + "\r\n" + ga},
      {"long text stops after the third break", std::string(60, 'x'),
       std::string(16, 'x') + "\r\n" + std::string(16, 'x') + "\r\n" + std::string(16, 'x') + "\r\n"},
  };
  for (const auto& c : cases) {
    SyncTable t;
    ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{0, "", std::string("00\xA2\xD0\r\n") + c.lyric}})), 1);
    std::array<unsigned char, 512> panel;
    panel.fill('z');
    ASSERT_EQ(t.FormatPanel(0, 0, 0, 50, panel), static_cast<int>(6 + c.lyric.size())) << c.name;
    std::string expected = c.shown;
    expected.resize(496, '\0');
    EXPECT_EQ(PanelBytes(panel).substr(16), expected) << c.name;
  }
}

TEST(SyncTable, PanelWithoutCrLfAfterTheMarkStartsAtByteFour) {
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{1, "", "30\xA2\xD0Hi"}})), 1);
  std::array<unsigned char, 512> panel{};
  EXPECT_EQ(t.FormatPanel(0, 0, 1, 399, panel), 6);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(panel.data()) + 16), "Hi");
  // Hundredths that are not a multiple of ten are never shown.
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{1, "", "35\xA2\xD0Hi"}})), 1);
  panel.fill(0);
  for (int ms : {300, 350, 399}) EXPECT_EQ(t.FormatPanel(0, 0, 1, ms, panel), 6);
  EXPECT_EQ(panel[16], 0);
}

TEST(SyncTable, PanelTextOf512BytesEndingInCrStaysInsideItsArea) {
  // Unclosed short tags take no room, so the walk reaches the CR in the text's last byte.
  std::string text = "00\xA2\xD0\r\n";
  for (int i = 0; i < 101; ++i) text += "\xA2\xD1xyz";
  text += "\r";
  ASSERT_EQ(text.size(), 512u);
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{0, "", text}})), 1);
  std::array<unsigned char, 512> panel;
  panel.fill('z');
  EXPECT_EQ(t.FormatPanel(0, 0, 0, 0, panel), 512);
  EXPECT_EQ(panel[16], '\r');
  EXPECT_EQ(panel[17], 0);
  EXPECT_EQ(panel[511], 0);
}

TEST(SyncTable, SharedRoutinesUseTheSharedTable) {
  auto block = MakeBlock("SO", {{42, "", "forty-two"}});
  ResetSyncTable(1);
  ASSERT_EQ(ParseSyncBlock(kSyncMagic, block), 1);
  std::array<unsigned char, 512> out{};
  EXPECT_EQ(FindSyncText(42, out), 9);
  EXPECT_EQ(FindSyncTextAt(0, 0, 42, out), 9);
  EXPECT_EQ(FormatLyricPanel(0, 0, 42, 0, out), 9);
  ResetSyncTable(1);
  EXPECT_EQ(FindSyncText(42, out), -1);
}

TEST(SyncTable, LookupsNeverSeeAHalfBuiltTable) {
  // Two blocks whose entries at second 1 differ; a reader must only ever see one whole text.
  auto a = MakeBlock("SO", {{1, "", std::string(300, 'a')}});
  auto b = MakeBlock("SO", {{0, "", "zz"}, {1, "", std::string(200, 'b')}});
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, a), 1);
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    std::array<unsigned char, 512> out{};
    while (!stop.load()) {
      int n = t.FindText(1, out);
      if (n == 300) {
        for (int i = 0; i < n; ++i) torn += out[i] != 'a';
      } else if (n == 200) {
        for (int i = 0; i < n; ++i) torn += out[i] != 'b';
      } else if (n != -1) {
        ++torn;
      }
    }
  });
  for (int i = 0; i < 2000; ++i) {
    t.Reset(1);
    t.Parse(kSyncMagic, (i % 2) ? a : b);
  }
  stop = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
}

TEST(SyncTable, PanelTimeLineKeepsItsSixteenBytes) {
  // Minutes past 99 keep their last two digits, so the lyric still starts at byte 16.
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{125 * 60 + 1, "", "00\xA2\xD0\r\nX"}})), 1);
  std::array<unsigned char, 512> panel{};
  EXPECT_EQ(t.FormatPanel(0, 125, 1, 5, panel), 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(panel.data())), "      25:01:00\r\nX");
  EXPECT_EQ(t.FormatPanel(0x7FFFFFFF, 0x7FFFFFFF, 59, 999, panel), -1);  // no overflow, no match
}

namespace {

std::string PanelText(const std::array<unsigned char, 512>& panel) {
  return std::string(reinterpret_cast<const char*>(panel.data()));
}

}  // namespace

TEST(SyncTable, PanelBetweenTwoChunksShowsTheLatestEntryThatStartedSinceTheFirst) {
  SyncTable t;
  std::array<unsigned char, 512> panel{};
  EXPECT_EQ(t.FormatPanelBetween(0, 1000, panel), -1);  // no table parsed: untouched
  EXPECT_EQ(panel[0], 0);
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", {{10, "", "30\xA2\xD0\r\nA"},
                                                 {10, "", "50\xA2\xD0\r\nB"},
                                                 {12, "", "00\xA2\xD0\r\nC"},
                                                 {11, "", ""}})),
            1);
  const struct {
    std::int64_t since, now;
    int result;
    const char* text;
  } cases[] = {
      {10'250, 10'350, 7, "      00:10:35\r\nA"},  // 10.30 lies in the chunk
      {10'300, 10'400, -1, "      00:10:40\r\nA"},  // already shown: only the time line moves on
      {10'200, 10'600, 7, "      00:10:60\r\nB"},  // two started: the later one
      {11'900, 12'000, 7, "      00:12:00\r\nC"},  // a start on the chunk's end counts
      {12'000, 12'100, -1, "      00:12:10\r\nC"},
      {10'900, 11'500, -1, "      00:11:50\r\nC"},  // an entry without text shows nothing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(t.FormatPanelBetween(c.since, c.now, panel), c.result) << c.now;
    EXPECT_EQ(PanelText(panel), c.text) << c.now;
  }
  t.Reset(1);
  EXPECT_EQ(t.FormatPanelBetween(10'250, 10'350, panel), -1);
  EXPECT_EQ(PanelText(panel), "      00:10:35\r\nC");
}

TEST(SyncTable, AfterEveryChunkThePanelShowsTheLineWhoseTimeCameLast) {
  // Entries at every tenth of a second, played in chunks a little longer than a tenth (four
  // 44.1 kHz frames: the exact-tenth lookup misses one entry in twenty) and in the longer chunks
  // of slower songs: after each chunk the panel holds the entry that started last.
  std::vector<TestEntry> entries;
  for (int tenth = 0; tenth < 100; ++tenth) {
    char text[16];
    std::snprintf(text, sizeof text, "%d0\xA2\xD0\r\nL%d", tenth % 10, tenth);
    entries.push_back({static_cast<std::uint32_t>(tenth / 10), "", text});
  }
  SyncTable t;
  ASSERT_EQ(t.Parse(kSyncMagic, MakeBlock("SO", entries)), 1);
  for (double chunk : {4 * 1152 / 44.1, 4 * 576 / 22.05, 4 * 576 / 8.0}) {
    std::array<unsigned char, 512> panel{};
    std::int64_t since = -1;
    for (double at = chunk; at < 9'900; at += chunk) {
      const auto now = static_cast<std::int64_t>(at);
      t.FormatPanelBetween(since, now, panel);
      since = now;
      ASSERT_EQ(PanelText(panel).substr(16), "L" + std::to_string(now / 100)) << chunk << " at " << now;
    }
  }
}

#include "sync/sync_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace vexalo;

namespace {

const std::string kLongOpen = "\xA2\xE2";
const std::string kShortOpen = "\xA2\xD1";
const std::string kClose = "\xA2\xD0";
const std::string kEdLong = "\xA7";
const std::string kEdShort = "\xAB";
const std::string kEdClose = "\xBB";

std::string LongTag(const std::string& digits8) { return kLongOpen + digits8 + kClose + "\r\n"; }

std::string Block(const std::array<unsigned char, kSyncBlockBytes>& b) {
  std::uint32_t total = ReadLe32(b.data() + 6);
  return std::string(reinterpret_cast<const char*>(b.data()), total);
}

struct Line {
  int result;
  int tagLength;
  std::string tag;
  std::string text;
};

Line FormatLine(int i) {
  std::array<unsigned char, kSyncTagOutBytes> tag{};
  std::array<unsigned char, kSyncLineTextBytes> text{};
  Line l;
  l.tagLength = -7;
  l.result = FormatSyncLine(i, tag, l.tagLength, text);
  if (l.result >= 0) {
    l.tag.assign(reinterpret_cast<char*>(tag.data()), static_cast<std::size_t>(l.tagLength));
    l.text.assign(reinterpret_cast<char*>(text.data()), static_cast<std::size_t>(l.result));
  }
  return l;
}

// Builds the block from stored text and parses it into the shared table.
void LoadTable(const std::string& stored) {
  std::array<unsigned char, kSyncBlockBytes> b{};
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(stored, b, error)) << error;
  ResetSyncTable(1);
  ASSERT_EQ(ParseSyncBlock(kSyncMagic, b), 1);
}

}  // namespace

TEST(SyncTextForms, StoredAndEditorFormsConvertBothWays) {
  struct Case {
    const char* name;
    std::string stored;
    std::string editor;
  };
  const std::vector<Case> cases = {
      {"plain text", "no tags here\r\n", "no tags here\r\n"},
      {"long tag", LongTag("00010540") + "la\r\n", kEdLong + "00010540" + kEdClose + "\r\nla\r\n"},
      {"short tag inside a line", "ab" + kShortOpen + "010203" + kClose + "cd",
       "ab" + kEdShort + "010203" + kEdClose + "cd"},
      {"long tag at the very end", kLongOpen + "00000000" + kClose, kEdLong + "00000000" + kEdClose},
      // The editor shows a mark only before digits, so a tag of other bytes keeps its stored marks.
      {"tag without digits stays stored", kLongOpen + "ab:cd.ef" + kClose + "\r\n",
       kLongOpen + "ab:cd.ef" + kClose + "\r\n"},
      {"hangul next to a short tag", "\xB0\xA1" + kShortOpen + "000102" + kClose + "\xB3\xAA",
       "\xB0\xA1" + kEdShort + "000102" + kEdClose + "\xB3\xAA"},
  };
  for (const auto& c : cases) {
    std::string text = c.stored;
    StoredToEditorForm(text);
    EXPECT_EQ(text, c.editor) << c.name;
    ASSERT_TRUE(EditorToStoredForm(text)) << c.name;
    EXPECT_EQ(text, c.stored) << c.name;
  }
}

TEST(SyncTextForms, TwoBytesAfterAClosingMarkAreCopiedUnexamined) {
  // The second tag's opening bytes stand where the CR LF would, so it stays in stored form.
  std::string text = kLongOpen + "00000100" + kClose + kLongOpen + "00000200" + kClose + "\r\n";
  StoredToEditorForm(text);
  EXPECT_EQ(text, kEdLong + "00000100" + kEdClose + kLongOpen + "00000200" + kClose + "\r\n");
}

TEST(SyncTextForms, WorksUpToTheFirstZeroByte) {
  std::string text = std::string("ab\0", 3) + kLongOpen + "00000100" + kClose + "\r\n";
  StoredToEditorForm(text);
  EXPECT_EQ(text, "ab");
}

TEST(SyncTextForms, EditorToStoredRefusesToPassTheLyricsLimit) {
  // Each editor tag grows by two bytes; 30,719 bytes is the most the lyrics buffer holds.
  const std::string tag = kEdLong + "00000000" + kEdClose + "\r\n";
  std::string fits = std::string(30705, 'x') + tag;  // 30,717 bytes, 30,719 stored
  ASSERT_TRUE(EditorToStoredForm(fits));
  EXPECT_EQ(fits.size(), kMaxLyricsTextBytes);

  const std::string tooLong = std::string(30706, 'x') + tag;  // 30,718 bytes, 30,720 stored
  std::string copy = tooLong;
  EXPECT_FALSE(EditorToStoredForm(copy));
  EXPECT_EQ(copy, tooLong);
}

TEST(SyncBlockBuilder, BuildsTheOneLineBlockByteForByte) {
  const std::string stored = LongTag("01020340") + "AB\r\n";
  std::array<unsigned char, kSyncBlockBytes> b;
  b.fill(0xEE);
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(stored, b, error));
  EXPECT_EQ(error, "");
  const std::string expected = std::string("SO\x87\xD6\x12\x00", 6) + std::string("\x20\0\0\0", 4) +
                               std::string("\x01\0\0\0", 4) + std::string("\x8B\x0E\0\0", 4) +
                               std::string("\0\0\x0A\0", 4) + "40" + kClose + "\r\nAB\r\n";
  ASSERT_EQ(expected.size(), 32u);
  EXPECT_EQ(Block(b), expected);
  for (std::size_t k = 32; k < b.size(); ++k) ASSERT_EQ(b[k], 0) << k;  // the rest is cleared
}

TEST(SyncBlockBuilder, SixDigitTagsAndEmptyGroups) {
  // A six-digit tag followed at once by another long tag gives an entry with lengths (0, 0).
  const std::string stored = kLongOpen + "000105\r\n" + LongTag("00011000") + "x";
  std::array<unsigned char, kSyncBlockBytes> b{};
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(stored, b, error));
  EXPECT_EQ(ReadLe32(&b[10]), 2u);
  EXPECT_EQ(ReadLe32(&b[14]), 65u);
  EXPECT_EQ(ReadLe32(&b[18]), 70u);
  EXPECT_EQ(ReadLe16(&b[22]), 0);
  EXPECT_EQ(ReadLe16(&b[24]), 0);
  EXPECT_EQ(ReadLe16(&b[28]), 7);  // "00", mark, CR LF, "x"
  EXPECT_EQ(ReadLe32(&b[6]), 14u + 16u + 7u);
}

TEST(SyncBlockBuilder, TimesReadLeadingDigitsOnly) {
  const std::string stored = kLongOpen + "1a-5x9" + "00" + kClose + "\r\nz";
  std::array<unsigned char, kSyncBlockBytes> b{};
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(stored, b, error));
  EXPECT_EQ(ReadLe32(&b[14]), 1u * 3600 + 0 * 60 + 0);
  const std::string minutes = kLongOpen + "009959" + "00" + kClose + "\r\nz";
  ASSERT_TRUE(BuildSyncBlock(minutes, b, error));
  EXPECT_EQ(ReadLe32(&b[14]), 99u * 60 + 59);  // minutes past 59 are taken as they stand
}

TEST(SyncBlockBuilder, Error000LeavesTheBlockUntouched) {
  struct Case {
    const char* name;
    std::string stored;
  };
  const std::vector<Case> cases = {
      {"empty text", ""},
      {"text before the first tag", "intro\r\n" + LongTag("00000100") + "x"},
      {"short tag first", kShortOpen + "000100" + kClose},
      {"group over 512 bytes", LongTag("00000100") + std::string(507, 'y') + LongTag("00000200") + "z"},
  };
  for (const auto& c : cases) {
    std::array<unsigned char, kSyncBlockBytes> b;
    b.fill(0x5A);
    std::string error;
    EXPECT_FALSE(BuildSyncBlock(c.stored, b, error)) << c.name;
    EXPECT_EQ(error, "Text Data Error 000 !!!") << c.name;
    EXPECT_EQ(b[0], 0x5A) << c.name;
    EXPECT_EQ(b[kSyncBlockBytes - 1], 0x5A) << c.name;
  }
  // 506 bytes of lyric plus the 6 of hundredths, mark and CR LF make exactly 512: accepted.
  std::array<unsigned char, kSyncBlockBytes> b{};
  std::string error;
  EXPECT_TRUE(BuildSyncBlock(LongTag("00000100") + std::string(506, 'y') + LongTag("00000200") + "z", b, error));
}

TEST(SyncBlockBuilder, Error999WhenTheLyricsReachTheAreaEnd) {
  // Sixty groups of 512 bytes under six-digit tags fill the 30,720-byte area exactly.
  std::string stored;
  for (int i = 0; i < 60; ++i) stored += kLongOpen + "000105\r\n" + std::string(502, 'a');
  ASSERT_EQ(stored.size(), kSyncTextAreaBytes);
  std::array<unsigned char, kSyncBlockBytes> b;
  b.fill(0x5A);
  std::string error;
  EXPECT_FALSE(BuildSyncBlock(stored, b, error));
  EXPECT_EQ(error, "Text Data Error 999 !!!");
  // The block fits the buffer (14 + 480 + 60 * 502 bytes), so it is written all the same.
  EXPECT_EQ(b[0], 'S');
  EXPECT_EQ(ReadLe32(&b[10]), 60u);
  EXPECT_EQ(ReadLe32(&b[6]), 14u + 480u + 60u * 502u);
}

TEST(SyncBlockBuilder, BlockThatWouldNotFitIsNotWritten) {
  // Under eight-digit tags the block is the text's bytes plus 14: past the 30,720-byte buffer.
  std::string stored;
  while (stored.size() < kSyncTextAreaBytes) stored += LongTag("00000100") + std::string(500, 'a');
  std::array<unsigned char, kSyncBlockBytes> b;
  b.fill(0x5A);
  std::string error;
  EXPECT_FALSE(BuildSyncBlock(stored, b, error));
  EXPECT_EQ(error, "Text Data Error 999 !!!");
  EXPECT_EQ(b[0], 0x5A);
  EXPECT_EQ(b[kSyncBlockBytes - 1], 0x5A);
}

TEST(SyncBlockBuilder, WritesTheSharedBlockBuffer) {
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(LongTag("00000500") + "go", error));
  EXPECT_EQ(SyncBlockBuffer[0], 'S');
  EXPECT_EQ(ReadLe32(SyncBlockBuffer + 14), 5u);
}

TEST(SyncLineFormatter, RebuildsTheStoredLines) {
  LoadTable(LongTag("01020340") + "AB\r\n");
  Line l = FormatLine(0);
  EXPECT_EQ(l.result, 4);
  EXPECT_EQ(l.tagLength, 14);
  EXPECT_EQ(l.tag, LongTag("01020340"));
  EXPECT_EQ(l.text, "AB\r\n");
  EXPECT_EQ(FormatLine(1).result, -1);
  EXPECT_EQ(FormatLine(-1).result, -1);
}

TEST(SyncLineFormatter, AppendsCrLfExceptAfterTheLastEntry) {
  // Groups without a final CR LF are built by hand-made text: the next tag follows the letters.
  LoadTable(LongTag("00000110") + "AB" + LongTag("00000220") + "CD");
  Line first = FormatLine(0), last = FormatLine(1);
  EXPECT_EQ(first.result, 4);
  EXPECT_EQ(first.text, "AB\r\n");
  EXPECT_EQ(last.result, 2);
  EXPECT_EQ(last.text, "CD");
  EXPECT_EQ(last.tag, LongTag("00000220"));
}

TEST(SyncLineFormatter, TagShapes) {
  struct Case {
    const char* name;
    std::string stored;
    int tagLength;
    std::string tag;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"six-digit tag gets hundredths 00", kLongOpen + "000105\r\nla", 14, LongTag("00010500"), "la"},
      {"mark without CR LF", kLongOpen + "00010525" + kClose + "la", 12,
       kLongOpen + "00010525" + kClose, "la"},
      {"hours from seconds", kLongOpen + "023959\r\nx", 14, LongTag("02395900"), "x"},
  };
  for (const auto& c : cases) {
    LoadTable(c.stored);
    Line l = FormatLine(0);
    EXPECT_EQ(l.tagLength, c.tagLength) << c.name;
    EXPECT_EQ(l.tag, c.tag) << c.name;
    EXPECT_EQ(l.text, c.text) << c.name;
  }
}

TEST(SyncLineFormatter, EntryWithoutTextGivesNoLine) {
  LoadTable(kLongOpen + "000105\r\n" + LongTag("00011000") + "x");
  Line l = FormatLine(0);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.tagLength, 0);
  // A tag whose whole text is its own hundredths and mark gives a tag and no extra line break.
  LoadTable(LongTag("00000100") + LongTag("00000200") + "x");
  l = FormatLine(0);
  EXPECT_EQ(l.tagLength, 14);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(RebuildSyncText(), LongTag("00000100") + LongTag("00000200") + "x");
}

namespace {
// A block with one entry whose second-slot text is `text`, parsed into the shared table.
void LoadOutsideBlock(const std::vector<std::string>& texts) {
  std::vector<unsigned char> b(14 + 8 * texts.size());
  b[0] = 'S';
  b[1] = 'O';
  WriteLe32(&b[2], kSyncMagic);
  WriteLe32(&b[10], static_cast<std::uint32_t>(texts.size()));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    WriteLe32(&b[14 + 4 * i], static_cast<std::uint32_t>(i));
    WriteLe16(&b[14 + 4 * texts.size() + 4 * i + 2], static_cast<std::uint16_t>(texts[i].size()));
  }
  for (const auto& t : texts) b.insert(b.end(), t.begin(), t.end());
  WriteLe32(&b[6], static_cast<std::uint32_t>(b.size()));
  ResetSyncTable(1);
  ASSERT_EQ(ParseSyncBlock(kSyncMagic, b), 1);
}
}  // namespace

TEST(SyncLineFormatter, EntriesUpTo512BytesComeBackWholeLongerOnesAreCut) {
  // Entries of a block from outside, without hundredths: the text is the lyric. A line holds 512
  // bytes; a line that is not the last needs room for the CR LF appended when it has none.
  const std::string crlf = "\r\n";
  auto w = [](std::size_t n) { return std::string(n, 'w'); };
  struct Case {
    const char* name;
    std::vector<std::string> entries;
    int index;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"511 with CR LF, not last", {w(509) + crlf, "end"}, 0, w(509) + crlf},
      {"511 with CR LF, last", {"start", w(509) + crlf}, 1, w(509) + crlf},
      {"511 without, not last: cut for the CR LF", {w(511), "end"}, 0, w(510) + crlf},
      {"511 without, last", {"start", w(511)}, 1, w(511)},
      {"512 with CR LF, not last", {w(510) + crlf, "end"}, 0, w(510) + crlf},
      {"512 with CR LF, last", {"start", w(510) + crlf}, 1, w(510) + crlf},
      {"512 without, not last: cut for the CR LF", {w(512), "end"}, 0, w(510) + crlf},
      {"512 without, last", {"start", w(512)}, 1, w(512)},
      {"513 with CR LF, not last: cut to 510", {w(511) + crlf, "end"}, 0, w(510) + crlf},
      {"513 with CR LF, last: cut to 510", {"start", w(511) + crlf}, 1, w(510)},
      {"600, last: cut to 510", {"start", w(600)}, 1, w(510)},
      {"600, not last: cut to 510", {w(600), "end"}, 0, w(510) + crlf},
      {"cut before a split character", {"start", w(509) + std::string(40, '\xB0')}, 1, w(509)},
      {"cut never leaves half a line break", {"start", w(509) + crlf + w(100)}, 1, w(509)},
  };
  for (const auto& c : cases) {
    LoadOutsideBlock(c.entries);
    Line l = FormatLine(c.index);
    EXPECT_EQ(l.result, static_cast<int>(c.text.size())) << c.name;
    EXPECT_EQ(l.text, c.text) << c.name;
    EXPECT_EQ(l.tag, LongTag(c.index == 0 ? "00000000" : "00000100")) << c.name;
  }
}

TEST(SyncLineFormatter, LargestGroupsRebuildByteForByte) {
  // A group of 512 bytes is the largest the builder takes: the hundredths, mark and CR LF and
  // 506 lyric bytes. Rebuilt, only a group that is not last and lacks a final CR LF gains one.
  const std::string crlf = "\r\n";
  const std::string hangul = "\xC7\xD1";
  struct Case {
    const char* name;
    std::string stored;
    std::string rebuilt;
  };
  const std::string next = LongTag("00000200") + "x";
  const std::vector<Case> cases = {
      {"512 with CR LF, last", LongTag("00000100") + std::string(504, 'y') + crlf,
       LongTag("00000100") + std::string(504, 'y') + crlf},
      {"512 without, last", LongTag("00000100") + std::string(504, 'y') + hangul,
       LongTag("00000100") + std::string(504, 'y') + hangul},
      {"512 with CR LF, not last", LongTag("00000100") + std::string(504, 'y') + crlf + next,
       LongTag("00000100") + std::string(504, 'y') + crlf + next},
      {"512 without, not last", LongTag("00000100") + std::string(504, 'y') + hangul + next,
       LongTag("00000100") + std::string(504, 'y') + hangul + crlf + next},
      {"511 with CR LF, not last", LongTag("00000100") + std::string(503, 'y') + crlf + next,
       LongTag("00000100") + std::string(503, 'y') + crlf + next},
  };
  for (const auto& c : cases) {
    LoadTable(c.stored);
    EXPECT_EQ(RebuildSyncText(), c.rebuilt) << c.name;
  }
}

TEST(SyncLineFormatter, MarksAreLookedForOnlyInTheEntrysOwnText) {
  LoadOutsideBlock({"40" + kClose, "\r\nnext"});
  Line l = FormatLine(0);
  EXPECT_EQ(l.tagLength, 12);
  EXPECT_EQ(l.result, 0);
}

TEST(SyncLineFormatter, RoundTripOfWellFormedLyrics) {
  const std::string stored = LongTag("00000512") + "first line\r\nsecond line\r\n" +
                             LongTag("00011050") + "\xC7\xD1\xB1\xDB " + kShortOpen + "001122" +
                             kClose + " mixed\r\n" + LongTag("01000000") + "last, no break";
  LoadTable(stored);
  EXPECT_EQ(RebuildSyncText(), stored);
}

TEST(TextOpenLoader, SizeLimitCountsTheWholeFile) {
  EXPECT_EQ(FileSizeOverText(), "File size Over => (30720 bytes > File Size)!!!");
  LoadedSyncText big = LoadSyncText(std::string(30720, 'a'));
  EXPECT_FALSE(big.fits);
  EXPECT_EQ(big.text, "File size Over => (30720 bytes > File Size)!!!");
  // The file's size counts, not the text before its first zero byte.
  std::string zeroNearStart(30720, 'a');
  zeroNearStart[5] = '\0';
  LoadedSyncText zero = LoadSyncText(zeroNearStart);
  EXPECT_FALSE(zero.fits);
  EXPECT_EQ(zero.text, "File size Over => (30720 bytes > File Size)!!!");
  LoadedSyncText fits = LoadSyncText(std::string(30719, 'a'));
  EXPECT_TRUE(fits.fits);
  EXPECT_EQ(fits.text.size(), 30719u);
  zeroNearStart.pop_back();
  EXPECT_EQ(LoadSyncText(zeroNearStart).text, "aaaaa");
}

TEST(TextOpenLoader, SixDigitTagsKeepEveryLyricByteWhateverTheLineEnd) {
  const std::string tag = kEdLong + "00010500" + kEdClose + "\r\n";
  struct Case {
    const char* name;
    std::string file;
    std::string editor;
  };
  const std::vector<Case> cases = {
      {"CR LF", kLongOpen + "000105\r\nlyric line\r\n", tag + "lyric line\r\n"},
      {"LF", kLongOpen + "000105\nlyric\n" + kLongOpen + "000106\nnext", tag + "lyric\n" +
       kEdLong + "00010600" + kEdClose + "\r\nnext"},
      {"lone CR", kLongOpen + "000105\rlyric\r", tag + "lyric\r"},
      {"no line break", kLongOpen + "000105lyric", tag + "lyric"},
      {"eight digits stay as they are", LongTag("00010577") + "x", kEdLong + "00010577" + kEdClose + "\r\nx"},
      {"the character without digits is no tag", "Brand" + kLongOpen + " names here\r\n",
       "Brand" + kLongOpen + " names here\r\n"},
  };
  for (const auto& c : cases) {
    LoadedSyncText loaded = LoadSyncText(c.file);
    EXPECT_TRUE(loaded.fits) << c.name;
    EXPECT_EQ(loaded.text, c.editor) << c.name;
  }
}

TEST(TextOpenLoader, ExpansionThatPassesTheLimitIsRefused) {
  std::string many;
  while (many.size() + 10 < 30719) many += kLongOpen + "000105\r\n";  // each grows by four
  LoadedSyncText r = LoadSyncText(many);
  EXPECT_FALSE(r.fits);
  EXPECT_EQ(r.text, FileSizeOverText());
}

TEST(TextOpenLoader, CutOffTagAtTheEndIsKept) {
  std::string text = "x" + kLongOpen + "0001";
  ASSERT_TRUE(ExpandSixDigitTags(text));
  EXPECT_EQ(text, "x" + kLongOpen + "0001");
}

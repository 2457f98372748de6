#include "sync/lrc_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text_codec.h"
#include "support/hangul_tag_cases.h"
#include "sync/lrc_file.h"
#include "sync/lyrics_file_text.h"
#include "sync/sync_text.h"
#include "sync/timed_lyrics.h"

using namespace vexalo;

namespace {

// An editor long tag line's tag: 0xA7, HHMMSSCC, 0xBB.
std::string L(const char* digits) { return "\xA7" + std::string(digits) + "\xBB"; }
// An editor short tag: 0xAB, MMSSCC, 0xBB.
std::string W(const char* digits) { return "\xAB" + std::string(digits) + "\xBB"; }
// Stored-form tags of a SyncText file.
std::string StoredLong(const char* digits) { return "\xA2\xE2" + std::string(digits) + "\xA2\xD0\r\n"; }
std::string StoredShort(const char* digits) { return "\xA2\xD1" + std::string(digits) + "\xA2\xD0"; }
// UTF-8 source text as the core's CP949 bytes.
std::string K(const std::string& utf8) { return EncodeCp949(utf8).bytes; }

struct ImportCase {
  const char* name;
  std::string lrc;
  std::string editor;
};

}  // namespace

TEST(LrcImport, TurnsStampsIntoTimeOrderedEditorGroups) {
  const std::vector<ImportCase> cases = {
      {"three stamp forms, sorted by time",
       "[00:12.34]a\r\n[1:02]b\r\n[00:03.456]c",
       L("00000346") + "\r\nc\r\n" + L("00001234") + "\r\na\r\n" + L("00010200") + "\r\nb"},
      {"milliseconds round to the nearest 10 ms, carrying into the minute",
       "[00:01.005]a\n[00:01.004]b\n[00:59.995]c\n[00:02.5]d\n",
       L("00000100") + "\r\nb\r\n" + L("00000101") + "\r\na\r\n" + L("00000250") + "\r\nd\r\n" +
           L("00010000") + "\r\nc\r\n"},
      {"several stamps on a line: one group per stamp",
       "[00:12.00][01:40.50]chorus\n[00:20.00]verse\n",
       L("00001200") + "\r\nchorus\r\n" + L("00002000") + "\r\nverse\r\n" + L("00014050") +
           "\r\nchorus\r\n"},
      {"lines without a stamp go with every group of the line before",
       "[00:01.00][00:05.00]one\ntwo\n[00:03.00]three",
       L("00000100") + "\r\none\r\ntwo\r\n" + L("00000300") + "\r\nthree\r\n" + L("00000500") +
           "\r\none\r\ntwo"},
      {"blank and unstamped lines stay lyric lines of the group before",
       "[00:01.00]a\n\nplain\n[00:02.00]b",
       L("00000100") + "\r\na\r\n\r\nplain\r\n" + L("00000200") + "\r\nb"},
      {"text before the first stamp stays at the top",
       "Title line\n[00:01.00]a", "Title line\r\n" + L("00000100") + "\r\na"},
      {"blank lines before the first stamp are dropped", "\n\n[00:01.00]a", L("00000100") + "\r\na"},
      {"ID tags leave the text", "[ar:Artist]\n[ti:Title]\n[00:01.00]a", L("00000100") + "\r\na"},
      {"a positive offset shows lyrics earlier", "[offset:+500]\n[00:01.00]a\n[00:02.25]b",
       L("00000050") + "\r\na\r\n" + L("00000175") + "\r\nb"},
      {"a negative offset shows them later", "[offset:-250]\r\n[00:01.00]a", L("00000125") + "\r\na"},
      {"the offset counts wherever its tag stands", "[00:01.00]a\n[offset:100]",
       L("00000090") + "\r\na"},
      {"word marks become short tags, shifted by the offset too",
       "[offset:100]\n[00:01.10]<00:01.10>Hel<00:01.60>lo <1:02.005>x",
       L("00000100") + "\r\n" + W("000100") + "Hel" + W("000150") + "lo " + W("010191") + "x"},
      {"lines ended by CR alone", "[00:01.00]a\r[00:02.00]b\r",
       L("00000100") + "\r\na\r\n" + L("00000200") + "\r\nb\r\n"},
      {"a stamp without lyric is a group without text", "[00:01.00]\n[00:02.00]b",
       L("00000100") + "\r\n" + L("00000200") + "\r\nb"},
      {"brackets that are no time stay text", "[00:01.00][Chorus] la\n[Bridge]\n<3 you",
       L("00000100") + "\r\n[Chorus] la\r\n[Bridge]\r\n<3 you"},
      {"minutes past 99 become hours", "[100:00.00]x\n[64:00.00]y",
       L("00640000") + "\r\ny\r\n" + L("01400000") + "\r\nx"},
      {"blanks before the first stamp", "  [00:01.00]a", L("00000100") + "\r\na"},
      {"Hangul lyrics keep their bytes", K("[00:01.00]사랑해\n[00:02.00]가나다 <00:02.50>라"),
       L("00000100") + "\r\n" + K("사랑해") + "\r\n" + L("00000200") + "\r\n" + K("가나다 ") +
           W("000250") + K("라")},
  };
  for (const ImportCase& c : cases) {
    const LrcImport imported = LrcToEditorForm(c.lrc);
    EXPECT_EQ(imported.editorText, c.editor) << c.name;
    EXPECT_TRUE(imported.problems.empty()) << c.name << ": " << LrcProblemSummary(imported.problems);
  }
}

TEST(LrcImport, KeepsIdTagsInOrderWithTheOffset) {
  const LrcImport imported = LrcToEditorForm(
      "[ar:Artist]\n[ti:Song [Live]]\n[al:Album]\n[au:Writer]\n[by:Me]\n[length: 03:45]\n"
      "[re:Tool]\n[ve:1.0]\n[offset:-40]\n[la:ko]\n[#:a comment]\n[00:01.00]a\n");
  const std::vector<LrcIdTag> expected = {
      {"ar", "Artist"}, {"ti", "Song [Live]"}, {"al", "Album"},   {"au", "Writer"},
      {"by", "Me"},     {"length", " 03:45"}, {"re", "Tool"},     {"ve", "1.0"},
      {"offset", "-40"}, {"la", "ko"},         {"#", "a comment"},
  };
  ASSERT_EQ(imported.tags.tags.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    EXPECT_EQ(imported.tags.tags[k].key, expected[k].key);
    EXPECT_EQ(imported.tags.tags[k].value, expected[k].value);
  }
  EXPECT_EQ(imported.offsetMillis, -40);
  ASSERT_NE(imported.tags.Find("TI"), nullptr);
  EXPECT_EQ(*imported.tags.Find("TI"), "Song [Live]");
  EXPECT_EQ(imported.editorText, L("00000104") + "\r\na\r\n");
}

struct BadCase {
  const char* name;
  std::string lrc;
  std::size_t firstLine;
  const char* says;
  std::string editor;  // every line is still there
};

TEST(LrcImport, BadStampsAreNamedByLineAndLoseNothing) {
  const std::vector<BadCase> cases = {
      {"three numbers", "[00:01.00]a\n[1:2:3]b\n[00:03.00]c", 2, "\"[1:2:3]\" is not a time (mm:ss.xx)",
       L("00000100") + "\r\na\r\n[1:2:3]b\r\n" + L("00000300") + "\r\nc"},
      {"99 seconds", "[99:99.99]x\n[00:01.00]a", 1, "\"[99:99.99]\" has more than 59 seconds",
       "[99:99.99]x\r\n" + L("00000100") + "\r\na"},
      {"a bad stamp after good ones keeps the whole line", "[00:01.00][00:61.00]x", 1,
       "\"[00:61.00]\" has more than 59 seconds", "[00:01.00][00:61.00]x"},
      {"negative time after the offset", "[offset:+2000]\n[00:01.00]a\n[00:03.00]b", 2,
       "\"[00:01.00]\" comes before the song's start after the offset of +2000 ms; it is set to 00:00.00",
       L("00000000") + "\r\na\r\n" + L("00000100") + "\r\nb"},
      {"a sign is no time", "[-00:01.00]a", 1, "\"[-00:01.00]\" is not a time",
       "[-00:01.00]a"},
      {"past the longest editor time", "[6000:00.00]a", 1,
       "is past 99:59:59.99, the latest time the editor holds", "[6000:00.00]a"},
      {"five minute digits", "[10000:00.00]a", 1, "is not a time", "[10000:00.00]a"},
      {"an offset that is no number", "[offset:abc]\n[00:01.00]a", 1,
       "\"[offset:abc]\" is not a whole number of milliseconds; no offset is applied",
       L("00000100") + "\r\na"},
      {"a second offset", "[offset:100]\n[offset:200]\n[00:01.00]a", 2,
       "is a second offset; only the first one applies", L("00000090") + "\r\na"},
      {"a bad word mark", "[00:01.00]a <1:2:3>b", 1, "\"<1:2:3>\" is not a word time (mm:ss.xx); it is kept as text",
       L("00000100") + "\r\na <1:2:3>b"},
      {"a word mark past 99 minutes", "[00:01.00]a <100:00.00>b", 1, "past 99:59.99",
       L("00000100") + "\r\na <100:00.00>b"},
  };
  for (const BadCase& c : cases) {
    const LrcImport imported = LrcToEditorForm(c.lrc);
    ASSERT_FALSE(imported.problems.empty()) << c.name;
    EXPECT_EQ(imported.problems.front().line, c.firstLine) << c.name;
    EXPECT_NE(imported.problems.front().text.find(c.says), std::string::npos)
        << c.name << ": " << imported.problems.front().text;
    EXPECT_EQ(imported.editorText, c.editor) << c.name;
  }
}

TEST(LrcImport, SummaryNamesTheFirstBadLineAndCountsTheRest) {
  const LrcImport imported =
      LrcToEditorForm("[00:01.00]a\n[1:2:3]b\n[00:02.00]c\n[99:99.99]d\n[x:1]\n[2:3:4]e\n");
  EXPECT_EQ(LrcProblemSummary(imported.problems),
            "line 2: \"[1:2:3]\" is not a time (mm:ss.xx); the line is kept as lyrics (2 more lines have "
            "problems)");
  EXPECT_EQ(LrcProblemSummary({}), "");
}

TEST(LrcFile, TenThousandLinesWithABadOneAreRefusedWholeNamingIt) {
  std::string lrc;
  for (int n = 1; n <= 10'000; ++n) {
    char line[48];
    if (n == 7'000)
      std::snprintf(line, sizeof line, "[1:2:3]bad line\n");
    else
      std::snprintf(line, sizeof line, "[%02d:%02d.%02d]line %d\n", n / 6000, n / 100 % 60, n % 100, n);
    lrc += line;
  }
  const LrcFileImport imported = ImportLrcFile(lrc, kMaxLyricsTextBytes);
  EXPECT_FALSE(imported.fits);
  EXPECT_NE(imported.message.find(" LRC Size Over: the lyrics need "), std::string::npos) << imported.message;
  EXPECT_NE(imported.message.find("the editor holds 30719 !!! "), std::string::npos) << imported.message;
  EXPECT_NE(imported.message.find("line 7000: \"[1:2:3]\""), std::string::npos) << imported.message;
  // Nothing of the rest is lost: every good line is a group, the bad one a lyric line.
  EXPECT_EQ(imported.lrc.stampedLines, 9'999u);
  EXPECT_NE(imported.lrc.editorText.find("\r\n[1:2:3]bad line\r\n"), std::string::npos);
  EXPECT_NE(imported.lrc.editorText.find("line 10000\r\n"), std::string::npos);
}

TEST(LrcFile, AFiveMegabyteFileIsRefusedNeverCut) {
  std::string lrc = "\xEF\xBB\xBF[ar:Big]\r\n";
  const std::string hangul = "\xEC\x82\xAC\xEB\x9E\x91";  // UTF-8 for two Hangul syllables
  int n = 0;
  while (lrc.size() < 5u * 1024 * 1024) {
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "[%02d:%02d.%02d]", n / 6000 % 100, n / 100 % 60, n % 100);
    lrc += stamp + hangul + " " + std::to_string(n) + "\r\n";
    ++n;
  }
  const LrcFileImport imported = ImportLrcFile(lrc, kMaxLyricsTextBytes);
  EXPECT_FALSE(imported.fits);
  EXPECT_EQ(imported.encoding, LyricsEncoding::kUtf8);
  EXPECT_EQ(imported.lrc.stampedLines, static_cast<std::size_t>(n));
  EXPECT_GT(imported.lrc.editorText.size(), kMaxLyricsTextBytes);
  char needed[96];
  std::snprintf(needed, sizeof needed, " LRC Size Over: the lyrics need %zu bytes, the editor holds 30719 !!! ",
                imported.lrc.editorText.size());
  EXPECT_EQ(imported.message, needed);
}

TEST(LrcFile, ALyricsTextThatFitsIsTakenWithNothingToSay) {
  const LrcFileImport imported = ImportLrcFile("[ti:x]\n[00:01.00]a\n", kMaxLyricsTextBytes);
  EXPECT_TRUE(imported.fits);
  EXPECT_EQ(imported.message, "");
  const LrcFileImport tooLong = ImportLrcFile("[00:01.00]abcdef", 15);
  EXPECT_FALSE(tooLong.fits);
  EXPECT_EQ(tooLong.message, " LRC Size Over: the lyrics need 18 bytes, the editor holds 15 !!! ");
}

TEST(LrcFile, CharactersWithoutCp949FormAreCounted) {
  const LrcFileImport imported = ImportLrcFile("[00:01.00]\xE0\xB8\x81\xE0\xB8\x82 ok\n", kMaxLyricsTextBytes);
  EXPECT_TRUE(imported.fits);
  EXPECT_EQ(imported.unencodable, 2u);
  EXPECT_EQ(imported.message, " UTF-8 Text: 2 characters have no CP949 form and show as ? !!! ");
  EXPECT_EQ(imported.lrc.editorText, L("00000100") + "\r\n?? ok\r\n");
}

TEST(LrcExport, WritesOneStampPerGroupWithTheLyricOnItsLine) {
  LrcTags tags;
  tags.tags = {{"ar", "A"}, {"offset", "+500"}, {"ti", "T"}};
  const std::string editor = "Intro\r\n" + L("00000050") + "\r\nfirst " + W("000075") + "word\r\n\r\n" +
                             L("00000100") + "\r\n" + L("00000200") + "\r\n\r\nafter blank\r\n" +
                             L("00640000") + "\r\nlate\r\n" + L("01400000") + "\r\nlater";
  EXPECT_EQ(EditorFormToLrc(editor, tags, LrcStyle::kEnhanced, "\n"),
            "[ar:A]\n[offset:0]\n[ti:T]\nIntro\n[00:00.50]first <00:00.75>word\n\n[00:01.00]\n[00:02.00]\n"
            "\nafter blank\n[64:00.00]late\n[100:00.00]later");
  EXPECT_EQ(EditorFormToLrc(editor, {}, LrcStyle::kPlain, "\r\n"),
            "Intro\r\n[00:00.50]first word\r\n\r\n[00:01.00]\r\n[00:02.00]\r\n\r\nafter blank\r\n"
            "[64:00.00]late\r\n[100:00.00]later");
  EXPECT_EQ(EditorFormToLrc("", {}, LrcStyle::kPlain), "");
}

namespace {

struct FileCase {
  const char* name;
  std::string file;      // the bytes of a file as players and tools write them
  LrcStyle style;
  std::string expected;  // its normal form: UTF-8, CR LF, ID tags first, one stamp per line in time order
};

std::string NormalForm(const std::string& file, LrcStyle style) {
  const LrcFileImport imported = ImportLrcFile(file, 1u << 30);
  const std::string lrc = EditorFormToLrc(imported.lrc.editorText, imported.lrc.tags, style);
  return LyricsFileBytesOf(lrc, LyricsEncoding::kUtf8).bytes;
}

}  // namespace

TEST(LrcRoundTrip, RealLookingFilesComeBackInTheirNormalForm) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::vector<FileCase> cases = {
      {"Korean song, UTF-8 with BOM, CR LF, chorus on two stamps",
       bom + "[ar:아이유]\r\n[ti:좋은 날]\r\n[al:Real]\r\n[by:가사집]\r\n[length:03:53]\r\n[re:SomePlayer]\r\n"
             "[ve:2.0]\r\n\r\n[00:15.20]어쩜 이렇게 하늘은\r\n[00:19.85]더 파란 건지\r\n"
             "[00:24.01][01:31.50]오늘따라 왜 바람은\r\n[00:28.70]또 완벽한지\r\n",
       LrcStyle::kPlain,
       "[ar:아이유]\r\n[ti:좋은 날]\r\n[al:Real]\r\n[by:가사집]\r\n[length:03:53]\r\n[re:SomePlayer]\r\n"
       "[ve:2.0]\r\n[00:15.20]어쩜 이렇게 하늘은\r\n[00:19.85]더 파란 건지\r\n[00:24.01]오늘따라 왜 바람은\r\n"
       "[00:28.70]또 완벽한지\r\n[01:31.50]오늘따라 왜 바람은\r\n"},
      {"English song, LF, no BOM, positive offset and three-digit fractions",
       "[ti:Morning]\n[ar:The Band]\n[offset:+300]\n[00:10.123]Wake up\n[00:13.456]It's a new day\n\n"
       "[00:20.999]Chorus line\n",
       LrcStyle::kPlain,
       "[ti:Morning]\r\n[ar:The Band]\r\n[offset:0]\r\n[00:09.82]Wake up\r\n[00:13.16]It's a new day\r\n\r\n"
       "[00:20.70]Chorus line\r\n"},
      {"enhanced file with CR line ends and a negative offset, written enhanced",
       "[ar:Word Timer]\r[offset:-120]\r[00:05.00]<00:05.00>Ev<00:05.40>ery <00:05.90>word\r"
       "[00:08.00]<00:08.00>timed\r",
       LrcStyle::kEnhanced,
       "[ar:Word Timer]\r\n[offset:0]\r\n[00:05.12]<00:05.12>Ev<00:05.52>ery <00:06.02>word\r\n"
       "[00:08.12]<00:08.12>timed\r\n"},
      {"the same enhanced file written plain has clean lines",
       "[ar:Word Timer]\r[offset:-120]\r[00:05.00]<00:05.00>Ev<00:05.40>ery <00:05.90>word\r",
       LrcStyle::kPlain, "[ar:Word Timer]\r\n[offset:0]\r\n[00:05.12]Every word\r\n"},
      {"CP949 file from an older tool, [m:ss] stamps, unsorted, no final line break",
       K("[ti:봄날]\r\n[1:05]눈꽃이 떨어져요\r\n[0:58]보고 싶다\r\n또 조금씩 멀어져요"),
       LrcStyle::kPlain, "[ti:봄날]\r\n[00:58.00]보고 싶다\r\n또 조금씩 멀어져요\r\n[01:05.00]눈꽃이 떨어져요"},
      {"compressed chorus with continuation lines and an untimed heading",
       "Lyrics by someone\n[00:30.00][01:30.00][02:30.00]La la la\nla la\n[01:00.00]Verse two\n",
       LrcStyle::kPlain,
       "Lyrics by someone\r\n[00:30.00]La la la\r\nla la\r\n[01:00.00]Verse two\r\n[01:30.00]La la la\r\n"
       "la la\r\n[02:30.00]La la la\r\nla la\r\n"},
      {"UTF-16 file with a byte-order mark",
       std::string("\xFF\xFE[\0" "0\0" "0\0:\0" "0\0" "1\0]\0h\0i\0\n\0", 22), LrcStyle::kPlain,
       "[00:01.00]hi\r\n"},
  };
  for (const FileCase& c : cases) {
    const std::string once = NormalForm(c.file, c.style);
    EXPECT_EQ(once, c.expected) << c.name;
    EXPECT_EQ(NormalForm(once, c.style), once) << c.name << ": the normal form must be stable";
  }
}

TEST(LrcRoundTrip, SyncTextThroughLrcComesBackByteForByte) {
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"Korean verses with blank lines between them",
       StoredLong("00001520") + K("어쩜 이렇게 하늘은\r\n더 파란 건지\r\n\r\n") + StoredLong("00002401") +
           K("오늘따라 왜 바람은\r\n") + StoredLong("00013150") + K("또 완벽한지\r\n")},
      {"no final line break", StoredLong("00000100") + "one\r\n" + StoredLong("00000200") + "two"},
      {"a title line before the first tag", "My Song\r\n" + StoredLong("00000100") + "one\r\n"},
      {"a tag followed by a tag, and a group that is one blank line",
       StoredLong("00000100") + StoredLong("00000200") + "\r\n" + StoredLong("00000300") + "three\r\n"},
      {"short tags inside lines",
       StoredLong("00000500") + StoredShort("000500") + "Ev" + StoredShort("000540") + K("ery 사랑 ") +
           StoredShort("000590") + "word\r\n"},
      {"minutes past 59 as Insert TimeInfo writes them", StoredLong("00640000") + "late\r\n"},
      {"several lines in one group, Hangul throughout",
       StoredLong("00000010") + K("첫째 줄\r\n둘째 줄\r\n셋째 줄\r\n") + StoredLong("00000520") + K("끝\r\n")},
  };
  for (const auto& [name, stored] : cases) {
    std::string editor = stored;
    StoredToEditorForm(editor);
    const std::string lrc = EditorFormToLrc(editor, {}, LrcStyle::kEnhanced);
    const std::string file = LyricsFileBytesOf(lrc, LyricsEncoding::kUtf8).bytes;
    const LrcFileImport back = ImportLrcFile(file, kMaxLyricsTextBytes);
    EXPECT_TRUE(back.lrc.problems.empty()) << name;
    std::string again = back.lrc.editorText;
    ASSERT_TRUE(EditorToStoredForm(again)) << name;
    EXPECT_EQ(again, stored) << name << "\nLRC was:\n" << file;
  }
}

TEST(LrcFormat, HasLrcStampsOnlyForGoodLineStamps) {
  EXPECT_TRUE(HasLrcStamps("plain\n  [00:01.00]x"));
  EXPECT_FALSE(HasLrcStamps("[ar:x]\n[1:2:3]\nplain <00:01.00> text"));
  EXPECT_FALSE(HasLrcStamps(""));
}

TEST(LrcFormat, TimeTextsRoundToHundredths) {
  EXPECT_EQ(LrcTimeText(0), "00:00.00");
  EXPECT_EQ(LrcTimeText(61'005), "01:01.01");
  EXPECT_EQ(LrcTimeText(59'995), "01:00.00");
  EXPECT_EQ(LrcTimeText(6'000'000), "100:00.00");
}

TEST(LrcRoundTrip, MarkBytesInsideHangulCharactersAreNoTags) {
  for (const test::HangulTagCase& c : test::HangulTagCases()) {
    const std::string lrc = EditorFormToLrc(c.editor, {}, LrcStyle::kEnhanced);
    const LrcImport back = LrcToEditorForm(lrc);
    EXPECT_EQ(back.editorText, c.editor) << c.name << "\nLRC was:\n" << lrc;
    EXPECT_TRUE(back.problems.empty()) << c.name;
  }
  // A short tag between two such characters is a word mark; written plain it is left out.
  const std::string gat = "\xB0\xAB", sa = "\xBB\xE7";
  EXPECT_EQ(EditorFormToLrc(gat + W("000102") + sa, {}, LrcStyle::kEnhanced), gat + "<00:01.02>" + sa);
  EXPECT_EQ(EditorFormToLrc(gat + W("000102") + sa, {}, LrcStyle::kPlain), gat + sa);
  // Mark bytes inside characters are kept by every writer that leaves short tags out.
  EXPECT_EQ(WithoutShortTags(gat + "123456" + sa), gat + "123456" + sa);
}

TEST(LrcFile, TheSidecarReplacesTheSongsExtension) {
  EXPECT_EQ(SidecarLrcPath("/m/Song.mp3"), "/m/Song.lrc");
  EXPECT_EQ(SidecarLrcPath("/m.d/Song"), "/m.d/Song.lrc");
  EXPECT_EQ(SidecarLrcPath("/m/.hidden"), "/m/.hidden.lrc");
}

TEST(LrcFile, TheEncodingChosenIsTheOneRead) {
  const std::string cp949 = K("[00:01.00]사랑\n");
  const LrcFileImport automatic = ImportLrcFile(cp949, kMaxLyricsTextBytes);
  EXPECT_EQ(automatic.lrc.editorText, L("00000100") + "\r\n" + K("사랑") + "\r\n");
  EXPECT_EQ(automatic.message, "");
  const LrcFileImport asUtf8 = ImportLrcFile(cp949, kMaxLyricsTextBytes, EncodingChoice::Utf8);
  EXPECT_EQ(asUtf8.invalid, 4u);
  EXPECT_EQ(asUtf8.message,
            " LRC File Code Error: 4 bytes are not in the encoding chosen; they are kept as they are !!! ");
  EXPECT_EQ(asUtf8.lrc.editorText, automatic.lrc.editorText);  // the bytes are kept
}

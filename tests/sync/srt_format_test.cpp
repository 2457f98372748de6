#include "sync/srt_format.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vexalo;

namespace {

std::string L(const char* digits) { return "\xA7" + std::string(digits) + "\xBB\r\n"; }
std::string W(const char* digits) { return "\xAB" + std::string(digits) + "\xBB"; }

struct SrtCase {
  const char* name;
  std::string editor;
  std::optional<std::uint32_t> songMillis;
  std::string srt;
};

}  // namespace

TEST(SrtExport, OneCuePerGroupEndingWhereTheNextBegins) {
  const std::vector<SrtCase> cases = {
      {"cues end at the next group; the last lasts 5 s",
       L("00000150") + "first\r\n" + L("00000400") + "second\r\nline two\r\n" + L("00010230") + "third",
       std::nullopt,
       "1\r\n00:00:01,500 --> 00:00:04,000\r\nfirst\r\n\r\n"
       "2\r\n00:00:04,000 --> 00:01:02,300\r\nsecond\r\nline two\r\n\r\n"
       "3\r\n00:01:02,300 --> 00:01:07,300\r\nthird\r\n"},
      {"the song's end cuts the last cue short", L("00000100") + "a\r\n" + L("00000300") + "b\r\n", 4'200,
       "1\r\n00:00:01,000 --> 00:00:03,000\r\na\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,200\r\nb\r\n"},
      {"a song longer than 5 s past the last group leaves it 5 s", L("00000100") + "a\r\n", 600'000,
       "1\r\n00:00:01,000 --> 00:00:06,000\r\na\r\n"},
      {"a group without lyric ends the cue before it and shows nothing",
       L("00000100") + "a\r\n" + L("00000200") + L("00000900") + "b\r\n", std::nullopt,
       "1\r\n00:00:01,000 --> 00:00:02,000\r\na\r\n\r\n2\r\n00:00:09,000 --> 00:00:14,000\r\nb\r\n"},
      {"groups of the same time share a cue; blank lines and short tags are left out",
       L("00000100") + "a " + W("000150") + "word\r\n\r\n" + L("00000100") + "b\r\n", std::nullopt,
       "1\r\n00:00:01,000 --> 00:00:06,000\r\na word\r\nb\r\n"},
      {"groups out of order are sorted; untimed lines at the top are not written",
       "Title\r\n" + L("01000000") + "late\r\n" + L("00000100") + "early\r\n", std::nullopt,
       "1\r\n00:00:01,000 --> 01:00:00,000\r\nearly\r\n\r\n2\r\n01:00:00,000 --> 01:00:05,000\r\nlate\r\n"},
      {"no groups, no cues", "just text\r\n", std::nullopt, ""},
  };
  for (const SrtCase& c : cases) EXPECT_EQ(EditorFormToSrt(c.editor, c.songMillis), c.srt) << c.name;
}

TEST(SrtExport, TimeTexts) {
  EXPECT_EQ(SrtTimeText(0), "00:00:00,000");
  EXPECT_EQ(SrtTimeText(3'723'456), "01:02:03,456");
}

TEST(SrtImport, CuesBecomeGroupsAndGapsBecomeGroupsWithoutLyric) {
  struct Case {
    const char* name;
    std::string srt;
    std::string editor;
  };
  const std::vector<Case> cases = {
      {"what the export writes comes back",
       "1\r\n00:00:01,500 --> 00:00:04,000\r\nfirst\r\n\r\n2\r\n00:00:04,000 --> 00:01:02,300\r\nsecond\r\nline two\r\n",
       L("00000150") + "first\r\n" + L("00000400") + "second\r\nline two\r\n"},
      {"a gap between two cues clears the lyric there",
       "1\n00:00:01,000 --> 00:00:02,000\na\n\n2\n00:00:09,000 --> 00:00:14,000\nb\n",
       L("00000100") + "a\r\n" + L("00000200") + L("00000900") + "b\r\n"},
      {"no numbers, dots for commas, milliseconds rounded, extra blank lines, CR line ends",
       "\r\r00:00:01.004 --> 00:00:02.000 X1:10 X2:20\rone\r\r\r00:01:00.996 --> 00:02:00.000\rtwo\r",
       L("00000100") + "one\r\n" + L("00000200") + L("00010100") + "two\r\n"},
      {"cues out of order are sorted; times past an hour keep their hours",
       "1\n02:00:00,000 --> 02:00:05,000\nlate\n\n2\n00:00:01,000 --> 02:00:00,000\nearly\n",
       L("00000100") + "early\r\n" + L("02000000") + "late\r\n"},
      {"no cues, no lyrics", "", ""},
  };
  for (const Case& c : cases) {
    const SrtImport read = SrtToEditorForm(c.srt);
    EXPECT_TRUE(read.problems.empty()) << c.name << ": " << LrcProblemSummary(read.problems);
    EXPECT_EQ(read.editorText, c.editor) << c.name;
  }
}

TEST(SrtImport, ABlockWithoutCueTimesIsNamedByLineAndKeptAsLyrics) {
  const SrtImport read = SrtToEditorForm(
      "1\n00:00:01,000 --> 00:00:02,000\none\n\n2\n00:00:03,000 -> 00:00:04,000\ntwo\n\n"
      "3\n00:00:05,000 --> 00:00:06,000\nthree\n\n4\n00:61:00,000 --> 00:62:00,000\nfour\n");
  ASSERT_EQ(read.problems.size(), 2u);
  EXPECT_EQ(read.problems[0].line, 6u);
  EXPECT_NE(read.problems[0].text.find("hh:mm:ss,mmm --> hh:mm:ss,mmm"), std::string::npos) << read.problems[0].text;
  EXPECT_EQ(read.problems[1].line, 14u);
  EXPECT_EQ(read.editorText, L("00000100") + "one\r\n\r\n2\r\n00:00:03,000 -> 00:00:04,000\r\ntwo\r\n" + L("00000200") +
                                 L("00000500") + "three\r\n\r\n4\r\n00:61:00,000 --> 00:62:00,000\r\nfour\r\n");
}

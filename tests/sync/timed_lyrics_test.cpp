#include "sync/timed_lyrics.h"

#include <gtest/gtest.h>

#include <string>

using namespace vexalo;

TEST(TimedLyrics, ReadsGroupsUnderLongTagsAndLinesBeforeThem) {
  const std::string text = "head\r\n\xA7" "00010520\xBB\r\none\r\ntwo\r\n\xA7" "00000100\xBB\r\n\xA7" "0000x100\xBB\r\n";
  const TimedLyrics lyrics = ReadTimedLyrics(text);
  ASSERT_EQ(lyrics.leading.size(), 1u);
  EXPECT_EQ(lyrics.leading[0], "head");
  ASSERT_EQ(lyrics.groups.size(), 2u);
  EXPECT_EQ(lyrics.groups[0].millis, 65'200u);
  ASSERT_EQ(lyrics.groups[0].lines.size(), 2u);
  EXPECT_EQ(lyrics.groups[0].lines[1], "two");
  // A tag whose digits are not all digits is a lyric line.
  EXPECT_EQ(lyrics.groups[1].millis, 1'000u);
  ASSERT_EQ(lyrics.groups[1].lines.size(), 1u);
}

TEST(TimedLyrics, TagsForATime) {
  EXPECT_EQ(EditorLongTag(3'845'678), "\xA7" "00640568\xBB");   // 64 minutes: hours stay 00
  EXPECT_EQ(EditorLongTag(6'000'000), "\xA7" "01400000\xBB");   // 100 minutes: carried into hours
  EXPECT_EQ(EditorLongTag(400'000'000), "\xA7" "99595999\xBB"); // bounded
  EXPECT_EQ(EditorShortTag(12'345), "\xAB" "001235\xBB");
  EXPECT_EQ(EditorShortTag(7'000'000), "\xAB" "995999\xBB");
}

TEST(TimedLyrics, SplitsAtEveryKindOfLineBreak) {
  const TextLines lines = SplitLines("a\r\nb\nc\rd\r\n");
  ASSERT_EQ(lines.lines.size(), 4u);
  EXPECT_EQ(lines.lines[3], "d");
  EXPECT_TRUE(lines.endsWithBreak);
  EXPECT_FALSE(SplitLines("a\nb").endsWithBreak);
  EXPECT_TRUE(SplitLines("").lines.empty());
}

TEST(TimedLyrics, PlainGroupsDropShortTagsAndTrailingBlankLinesInTimeOrder) {
  const std::string text = "\xA7" "00000200\xBB\r\nb\r\n\xA7" "00000100\xBB\r\n\xAB" "000100\xBB" "a\r\n\r\nx\r\n\r\n\r\n";
  const auto groups = PlainGroupsInTimeOrder(text);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].millis, 1'000u);
  EXPECT_EQ(groups[0].text, "a\n\nx");
  EXPECT_EQ(groups[1].text, "b");
}

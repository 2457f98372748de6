#include "tags/genre_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tags/tag_editor_logic.h"

using namespace vexalo;

namespace {

TEST(GenreNames, HoldsTheListedSpellings) {
  struct Case {
    int genre;
    const char* name;
  } cases[] = {{0, "Blues"},        {14, "R&B"},          {17, "Rock"},          {29, "Jazz+Funk"},
               {40, "AlternRock"},  {60, "Top 40"},       {62, "Pop/Funk"},      {67, "Psychadelic"},
               {78, "Rock & Roll"}, {85, "Bebob"},        {90, "Avantgarde"},    {93, "Psychedelic Rock"},
               {100, "Humour"},     {113, "Tango"},       {123, "A capella"},    {125, "Dance Hall"}};
  for (const auto& c : cases) EXPECT_STREQ(GenreNames[c.genre], c.name) << c.genre;
  std::set<std::string> distinct;
  for (int i = 0; i < kGenreCount; ++i) {
    EXPECT_LE(std::strlen(GenreNames[i]), 31u);
    EXPECT_GT(std::strlen(GenreNames[i]), 0u);
    distinct.insert(GenreNames[i]);
  }
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kGenreCount));
}

TEST(GenreListOrder, IsTheSortedListsOrder) {
  const char* const expected[kGenreCount] = {
      "A capella", "Acid", "Acid Jazz", "Acid Punk", "Acoustic", "Alternative", "AlternRock", "Ambient",
      "Avantgarde", "Ballad", "Bass", "Bebob", "Big Band", "Bluegrass", "Blues", "Booty Bass", "Cabaret",
      "Celtic", "Chamber Music", "Chanson", "Chorus", "Christian Rap", "Classic Rock", "Classical", "Club",
      "Comedy", "Country", "Cult", "Dance", "Dance Hall", "Darkwave", "Death Metal", "Disco", "Dream",
      "Drum Solo", "Duet", "Easy Listening", "Electronic", "Ethnic", "Eurodance", "Euro-House",
      "Euro-Techno", "Fast Fusion", "Folk", "Folklore", "Folk-Rock", "Freestyle", "Funk", "Fusion", "Game",
      "Gangsta", "Gospel", "Gothic", "Gothic Rock", "Grunge", "Hard Rock", "Hip-Hop", "House", "Humour",
      "Industrial", "Instrumental", "Instrumental Pop", "Instrumental Rock", "Jazz", "Jazz+Funk", "Jungle",
      "Latin", "Lo-Fi", "Meditative", "Metal", "Musical", "National Folk", "Native American", "New Age",
      "New Wave", "Noise", "Oldies", "Opera", "Other", "Polka", "Pop", "Pop/Funk", "Pop-Folk", "Porn Groove",
      "Power Ballad", "Pranks", "Primus", "Progressive Rock", "Psychadelic", "Psychedelic Rock", "Punk",
      "Punk Rock", "R&B", "Rap", "Rave", "Reggae", "Retro", "Revival", "Rhythmic Soul", "Rock",
      "Rock & Roll", "Samba", "Satire", "Showtunes", "Ska", "Slow Jam", "Slow Rock", "Sonata", "Soul",
      "Sound Clip", "Soundtrack", "Southern Rock", "Space", "Speech", "Swing", "Symphonic Rock", "Symphony",
      "Tango", "Techno", "Techno-Industrial", "Top 40", "Trailer", "Trance", "Tribal", "Trip-Hop", "Vocal"};
  const auto& order = GenreListOrder();
  std::set<int> seen(order.begin(), order.end());
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kGenreCount));
  for (int i = 0; i < kGenreCount; ++i) {
    EXPECT_STREQ(GenreNames[order[i]], expected[i]) << "list index " << i;
    EXPECT_EQ(GenreListIndexOf(order[i]), i);
  }
  EXPECT_EQ(GenreListIndexOf(-1), -1);
  EXPECT_EQ(GenreListIndexOf(126), -1);
}

TEST(GenreListLess, IgnoresCaseAndHyphensPutsBlanksBeforeLetters) {
  EXPECT_TRUE(GenreListLess("acid", "Acid Jazz"));
  EXPECT_TRUE(GenreListLess("Acid Jazz", "Acoustic"));
  EXPECT_TRUE(GenreListLess("Eurodance", "Euro-House"));
  EXPECT_TRUE(GenreListLess("R&B", "Rap"));
  EXPECT_TRUE(GenreListLess("Top 40", "Top A"));
  EXPECT_TRUE(GenreListLess("Top 40", "Top4"));
  EXPECT_FALSE(GenreListLess("Rock", "Rock"));
  EXPECT_NE(GenreListLess("Pop-Folk", "popfolk"), GenreListLess("popfolk", "Pop-Folk"));
}

TEST(GenreSelection, SelectsFirstListEntryBeginningWithFileGenre) {
  struct Case {
    const char* slot;
    const char* selection;  // text searched for
    int genre;              // -1: nothing selected
  } cases[] = {
      {"(17)Rock", "Rock", 17},
      {"Rock", "Rock", 17},
      {"rOCK", "rOCK", 17},
      {"(17)", "", 123},  // every entry begins with the empty text: the first, A capella
      {"", "", 123},
      {"Psych", "Psych", 67},
      {"Euro", "Euro", 54},  // Eurodance stands first
      {"Pop", "Pop", 13},
      {"Pop/", "Pop/", 62},
      {"(1)(2)Rock", "(2)Rock", -1},
      {"(abc", "(abc", -1},
      {"Rockabilly", "Rockabilly", -1},
      {"A Capella", "A Capella", 123},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slot);
    EXPECT_EQ(GenreSelectionText(c.slot), c.selection);
    EXPECT_EQ(GenreForSlot(c.slot), c.genre);
    int index = SelectGenreListIndex(c.slot);
    if (c.genre < 0) {
      EXPECT_EQ(index, -1);
    } else {
      ASSERT_GE(index, 0);
      EXPECT_EQ(GenreListOrder()[index], c.genre);
    }
  }
}

TEST(GenreSelection, ClosingParenthesisCountsOnlyAtPositionsUpTo125) {
  std::string at125 = "(" + std::string(124, '9') + ")Tango";
  ASSERT_EQ(at125.find(')'), 125u);
  EXPECT_EQ(GenreSelectionText(at125), "Tango");
  EXPECT_EQ(GenreForSlot(at125), 113);
  std::string at126 = "(" + std::string(125, '9') + ")Tango";
  EXPECT_EQ(GenreSelectionText(at126), at126);
  EXPECT_EQ(GenreForSlot(at126), -1);
  EXPECT_EQ(GenreSelectionText("()Ska"), "Ska");
}

TEST(GenreSelection, ListSelectionChangeIsExactLookup) {
  EXPECT_EQ(FindGenreByName("Rock"), 17);
  EXPECT_EQ(FindGenreByName("Dance Hall"), 125);
  EXPECT_EQ(FindGenreByName("rock"), -1);
  EXPECT_EQ(FindGenreByName("Roc"), -1);
  EXPECT_EQ(FindGenreByName(""), -1);
  EXPECT_EQ(FindGenreByName("Rock" + std::string(40, 'x')), -1);
}

TEST(TagEditorLogic, ShowingKeepsCurrentGenreWhenNothingMatches) {
  TagFields f;
  f.SetText(kTagGenre, "(17)Rock");
  EXPECT_EQ(GenreAfterShowing(f, 5), 17);
  f.SetText(kTagGenre, "Unheard Of");
  EXPECT_EQ(GenreAfterShowing(f, 5), 5);
  f.SetText(kTagGenre, "");
  EXPECT_EQ(GenreAfterShowing(f, 5), 123);
}

TEST(TagEditorLogic, GenreSlotIsNumberInParenthesesAndName) {
  EXPECT_EQ(GenreSlotText(17), "(17)Rock");
  EXPECT_EQ(GenreSlotText(113), "(113)Tango");
  EXPECT_EQ(GenreSlotText(67), "(67)Psychadelic");
  EXPECT_EQ(GenreSlotText(0), "(0)Blues");
  EXPECT_EQ(GenreSlotText(200), "(200)");
}

TEST(TagEditorLogic, OkFillsSevenSlotsAndLengths) {
  TagFields f;
  f.SetText(kTagGenre, "old genre");
  f.length[kTagGenre] = 9;
  TagEditorTexts texts{"1", "Title", "Artist", "Album", "2001", std::string(700, 'c')};
  FillTagSlots(texts, 113, f);
  EXPECT_EQ(f.Text(kTagTrack), "1");
  EXPECT_EQ(f.Text(kTagTitle), "Title");
  EXPECT_EQ(f.Text(kTagArtist), "Artist");
  EXPECT_EQ(f.Text(kTagAlbum), "Album");
  EXPECT_EQ(f.Text(kTagYear), "2001");
  EXPECT_EQ(f.Text(kTagGenre), "(113)Tango");
  EXPECT_EQ(f.Text(kTagComment), std::string(511, 'c'));
  const int lengths[kTagItemCount] = {1, 5, 6, 5, 4, 10, 511};
  for (int i = 0; i < kTagItemCount; ++i) EXPECT_EQ(f.length[i], lengths[i]) << i;

  TagEditorTexts shown = TagEditorTextsFromSlots(f);
  EXPECT_EQ(shown.title, "Title");
  EXPECT_EQ(shown.comment.size(), 511u);
}

}  // namespace

#include "lyrics/lyrics_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace vexalo {
namespace {

constexpr EditorPlace kNowhere{};

// Types `text` at `at` one character at a time, as the editor's notifications report it.
void Type(LyricsHistory& h, std::size_t at, const std::string& text) {
  std::string now = h.Current();
  for (std::size_t i = 0; i < text.size(); ++i) {
    now.insert(at + i, 1, text[i]);
    h.Record(now, LyricsChangeKind::Typing, kNowhere, kNowhere);
  }
}

void Backspace(LyricsHistory& h, std::size_t caret, int times) {
  std::string now = h.Current();
  for (int i = 0; i < times; ++i) {
    now.erase(--caret, 1);
    h.Record(now, LyricsChangeKind::Typing, kNowhere, kNowhere);
  }
}

std::vector<std::string> UndoAll(LyricsHistory& h) {
  std::vector<std::string> seen;
  while (h.Undo()) seen.push_back(h.Current());
  return seen;
}

TEST(LyricsHistory, TypingMergesIntoWordsWithTheirTrailingBlanks) {
  LyricsHistory h;
  Type(h, 0, "one two  three");
  EXPECT_EQ(h.UndoCount(), 3u);
  EXPECT_EQ(UndoAll(h), (std::vector<std::string>{"one two  ", "one ", ""}));
}

TEST(LyricsHistory, ALineBreakEndsAWordAndHangulCharactersAreOneEach) {
  LyricsHistory h;
  std::string now;
  for (const std::string c : {"a", "b", "\r\n", "\xC7\xD1", "\xB1\xDB"}) {
    now += c;
    h.Record(now, LyricsChangeKind::Typing, kNowhere, kNowhere);
  }
  EXPECT_EQ(UndoAll(h), (std::vector<std::string>{"ab\r\n", ""}));
}

TEST(LyricsHistory, ACaretMovedElsewhereOrAPasteStartsANewStep) {
  LyricsHistory h;
  Type(h, 0, "abc");
  Type(h, 0, "x");  // typed in front: not where the run ended
  std::string pasted = h.Current() + "pasted words";
  h.Record(pasted, LyricsChangeKind::Typing, kNowhere, kNowhere);
  Type(h, pasted.size(), "z");
  EXPECT_EQ(UndoAll(h), (std::vector<std::string>{"xabcpasted words", "xabc", "abc", ""}));
}

TEST(LyricsHistory, BackspacesMergeAndUndoingThemSelectsWhatCameBack) {
  LyricsHistory h;
  h.Reset("hello world");
  Backspace(h, 11, 5);
  EXPECT_EQ(h.Current(), "hello ");
  EXPECT_EQ(h.UndoCount(), 1u);
  const auto place = h.Undo();
  ASSERT_TRUE(place);
  EXPECT_EQ(h.Current(), "hello world");
  EXPECT_EQ(place->from, 6);
  EXPECT_EQ(place->to, 11);
  // Redo puts the caret where the deleting ended.
  const auto again = h.Redo();
  ASSERT_TRUE(again);
  EXPECT_EQ(h.Current(), "hello ");
  EXPECT_EQ(again->from, 6);
  EXPECT_EQ(again->to, 6);
}

TEST(LyricsHistory, TypingAfterAnUndoStartsAfreshAndDropsWhatCouldBeRedone) {
  LyricsHistory h;
  Type(h, 0, "ab");
  h.Undo();
  EXPECT_TRUE(h.CanRedo());
  Type(h, 0, "c");
  EXPECT_FALSE(h.CanRedo());
  EXPECT_FALSE(h.Redo());
  EXPECT_EQ(UndoAll(h), (std::vector<std::string>{""}));
}

TEST(LyricsHistory, CommandsAreStepsOfTheirOwnAndBringBackTheirPlaces) {
  LyricsHistory h;
  Type(h, 0, "ab");
  const EditorPlace before{1, 2, 3}, after{4, 5, 6};
  ASSERT_TRUE(h.Record("ab!", LyricsChangeKind::Command, before, after));
  Type(h, 3, "c");
  const std::string same = h.Current();
  EXPECT_FALSE(h.Record(same, LyricsChangeKind::Command, before, after));  // nothing changed
  EXPECT_EQ(h.UndoCount(), 3u);
  h.Undo();
  EXPECT_EQ(h.Undo(), before);
  EXPECT_EQ(h.Current(), "ab");
  EXPECT_EQ(h.Redo(), after);
  EXPECT_EQ(h.Current(), "ab!");
}

TEST(LyricsHistory, NudgesOfOneGroupMergeAndPressesThatCancelOutLeaveNoStep) {
  LyricsHistory h;
  h.Reset("\xA7" "00001000" "\xBB");
  h.Record("\xA7" "00001010" "\xBB", LyricsChangeKind::Nudge, kNowhere, kNowhere, 0);
  h.Record("\xA7" "00001020" "\xBB", LyricsChangeKind::Nudge, kNowhere, kNowhere, 0);
  EXPECT_EQ(h.UndoCount(), 1u);
  h.Record("\xA7" "00001030" "\xBB", LyricsChangeKind::Nudge, kNowhere, kNowhere, 7);  // another group
  EXPECT_EQ(h.UndoCount(), 2u);
  h.Record("\xA7" "00001020" "\xBB", LyricsChangeKind::Nudge, kNowhere, kNowhere, 7);
  EXPECT_EQ(h.UndoCount(), 1u);
  h.Undo();
  EXPECT_EQ(h.Current(), "\xA7" "00001000" "\xBB");
}

TEST(LyricsHistory, ASameLengthChangeKeepsOnlyTheChangedRuns) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "\xA7" "00010000" "\xBB\r\nsome words of a lyric line\r\n";
  std::string shifted = text;
  for (std::size_t at = 0; (at = shifted.find("00010000", at)) != std::string::npos; at += 8) shifted.replace(at, 8, "00010200");
  LyricsHistory h;
  h.Reset(text);
  h.Record(shifted, LyricsChangeKind::Command, kNowhere, kNowhere);
  // 400 one-byte runs with their bookkeeping, well below the 15.6 KB a copy of the text takes.
  EXPECT_LT(h.StepBytes(), 400 * 16u);
  h.Undo();
  EXPECT_EQ(h.Current(), text);
  h.Redo();
  EXPECT_EQ(h.Current(), shifted);
}

TEST(LyricsHistory, KeepsAtMostItsStepsAndBytesDroppingTheOldestFirst) {
  LyricsHistory few(3);
  for (std::string t : {"a", "ab", "abc", "abcd", "abcde"}) few.Record(t, LyricsChangeKind::Command, kNowhere, kNowhere);
  EXPECT_EQ(few.UndoCount(), 3u);
  EXPECT_EQ(UndoAll(few), (std::vector<std::string>{"abcd", "abc", "ab"}));

  LyricsHistory small(1000, 20'000);
  std::string big;
  for (int i = 0; i < 10; ++i) {
    big = std::string(4000, static_cast<char>('a' + i));
    small.Record(big, LyricsChangeKind::Command, kNowhere, kNowhere);
    EXPECT_LE(small.StepBytes(), 20'000u);
    EXPECT_GE(small.UndoCount(), 1u);
  }
  EXPECT_LT(small.UndoCount(), 10u);
  small.Undo();
  EXPECT_EQ(small.Current(), std::string(4000, 'i'));
}

TEST(LyricsHistory, HoldsFiveHundredStampsAndUndoesEveryOne) {
  std::string text;
  for (int i = 0; i < 600; ++i) text += "lyric line number " + std::to_string(i) + "\r\n";
  LyricsHistory h;
  h.Reset(text);
  const std::string original = text;
  for (int i = 0; i < 500; ++i) {
    const std::size_t at = text.find("lyric line number " + std::to_string(i) + "\r\n");
    text.insert(at, "\xA7" "00001000" "\xBB\r\n");
    ASSERT_TRUE(h.Record(text, LyricsChangeKind::Command, kNowhere, kNowhere));
  }
  EXPECT_EQ(h.UndoCount(), 500u);
  EXPECT_LT(h.StepBytes(), 500 * 200u);
  for (int i = 0; i < 500; ++i) ASSERT_TRUE(h.Undo());
  EXPECT_EQ(h.Current(), original);
  EXPECT_FALSE(h.CanUndo());
}

// Random edits of every shape (insertions, deletions, replacements, same-length changes in
// several places, typing runs), then all undone and all redone: every text along the way comes
// back byte for byte.
TEST(LyricsHistory, RandomEditsUndoAndRedoExactly) {
  std::mt19937 rng(15);
  auto pick = [&](std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  for (int round = 0; round < 40; ++round) {
    LyricsHistory h;
    std::vector<std::string> texts{""};
    std::string now;
    for (int edit = 0; edit < 60; ++edit) {
      std::string next = now;
      switch (pick(5)) {
        case 0: next.insert(pick(next.size() + 1), std::string(1 + pick(30), static_cast<char>('a' + pick(26)))); break;
        case 1:
          if (!next.empty()) {
            const std::size_t at = pick(next.size());
            next.erase(at, 1 + pick(next.size() - at));
          }
          break;
        case 2:
          for (int k = 0; k < 6 && !next.empty(); ++k) next[pick(next.size())] = static_cast<char>('0' + pick(10));
          break;
        case 3:
          if (!next.empty()) next.replace(pick(next.size()), 3, std::string(pick(8), 'R'));
          break;
        default: next.insert(pick(next.size() + 1), 1, static_cast<char>(pick(2) ? ' ' : 'w')); break;
      }
      const bool typing = pick(2) == 0;
      if (h.Record(next, typing ? LyricsChangeKind::Typing : LyricsChangeKind::Command, kNowhere, kNowhere)) {
        if (!typing) h.CloseGroup();
        now = next;
      }
      ASSERT_EQ(h.Current(), now);
    }
    std::vector<std::string> back{now};
    while (h.Undo()) back.push_back(h.Current());
    ASSERT_EQ(back.back(), "") << round;
    std::vector<std::string> forth;
    while (h.Redo()) forth.push_back(h.Current());
    ASSERT_EQ(h.Current(), now) << round;
    // Redo walks the same texts as undo, the other way.
    back.pop_back();
    std::reverse(back.begin(), back.end());
    ASSERT_EQ(forth, back) << round;
  }
}

}  // namespace
}  // namespace vexalo

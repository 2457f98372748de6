#include "commands/timing_commands.h"

#include <string>

#include "command_test_env.h"
#include "commands/lyrics_undo.h"
#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "common/settings.h"
#include "form/command_bindings.h"
#include "form/command_table.h"
#include "lyrics/lyrics_editor.h"
#include "playback/transport.h"

namespace vexalo::test {
namespace {

std::string LongTag(const std::string& digits) { return "\xA7" + digits + "\xBB\r\n"; }

class TimingTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    LyricsTextBuffer.clear();
    CaretLine = FirstVisibleLine = AutoAdvance = 0;
    ResetAdjustFields(view);
    TheLyricsHistory().Reset("");
    BindCoreCommands(registry);
  }
  void TearDown() override {
    PlayerState = kStateNoSong;
    TheLyricsHistory().Reset("");
    CommandTest::TearDown();
  }
  void Editor(const std::string& text, int line) {
    view.editorText = text;
    TheLyricsHistory().Reset(text);
    view.PutCaretOnLine(line);
  }

  CommandRegistry registry;
};

TEST_F(TimingTest, NudgeMovesTheCaretGroupsTagAndSaysTheNewTime) {
  const std::string text = LongTag("00010000") + "a\r\nb\r\n" + LongTag("00020000") + "c";
  const struct {
    int id;
    const char* digits;
    const char* status;
  } cases[] = {
      {kIdNudgeEarlier, "00005999", " Tag Time = 00:00:59.99 "},
      {kIdNudgeLater, "00010001", " Tag Time = 00:01:00.01 "},
      {kIdNudgeEarlierMore, "00005990", " Tag Time = 00:00:59.90 "},
      {kIdNudgeLaterMore, "00010010", " Tag Time = 00:01:00.10 "},
  };
  for (const auto& c : cases) {
    Editor(text, 2);  // "b", the first group's second line
    registry.Run(c.id);
    EXPECT_EQ(view.editorText, LongTag(c.digits) + "a\r\nb\r\n" + LongTag("00020000") + "c") << c.id;
    EXPECT_EQ(view.statusTexts[kPanePrompt], c.status);
    EXPECT_EQ(view.caretIndex, view.EditorLineIndex(2));  // the caret stays
  }
}

TEST_F(TimingTest, NudgeStopsAtZeroAndAtTheLastTimeATagShows) {
  Editor(LongTag("00000005") + "a", 1);
  registry.Run(kIdNudgeEarlierMore);
  EXPECT_EQ(view.editorText, LongTag("00000000") + "a");
  const std::size_t steps = TheLyricsHistory().UndoCount();
  registry.Run(kIdNudgeEarlier);  // already at zero: nothing changes, no step
  EXPECT_EQ(view.editorText, LongTag("00000000") + "a");
  EXPECT_EQ(TheLyricsHistory().UndoCount(), steps);
  EXPECT_EQ(view.statusTexts[kPanePrompt], " Tag Time = 00:00:00.00 ");
  Editor(LongTag("99595995") + "a", 0);
  registry.Run(kIdNudgeLaterMore);
  EXPECT_EQ(view.editorText, LongTag("99595999") + "a");
}

TEST_F(TimingTest, PressesOnOneGroupAreOneUndoStepAndAnotherGroupStartsAnother) {
  const std::string text = LongTag("00010000") + "a\r\n" + LongTag("00020000") + "b";
  Editor(text, 1);
  registry.Run(kIdNudgeLater);
  registry.Run(kIdNudgeLater);
  registry.Run(kIdNudgeLaterMore);
  view.PutCaretOnLine(3);
  registry.Run(kIdNudgeEarlier);
  EXPECT_EQ(view.editorText, LongTag("00010012") + "a\r\n" + LongTag("00015999") + "b");
  registry.Run(kIdEditUndo);
  EXPECT_EQ(view.editorText, LongTag("00010012") + "a\r\n" + LongTag("00020000") + "b");
  registry.Run(kIdEditUndo);
  EXPECT_EQ(view.editorText, text);
}

TEST_F(TimingTest, NudgeAboveTheFirstTagChangesNothingAndSaysWhy) {
  Editor("title\r\n" + LongTag("00010000") + "a", 0);
  registry.Run(kIdNudgeLater);
  EXPECT_EQ(view.editorText, "title\r\n" + LongTag("00010000") + "a");
  EXPECT_EQ(view.statusTexts[kPanePrompt], kNoGroupText);
  EXPECT_FALSE(TheLyricsHistory().CanUndo());
}

TEST_F(TimingTest, GroupTagsAreFoundUpwardsThroughEveryLineBreak) {
  const std::string text = LongTag("00010000") + "a\nb\r" + LongTag("00020000") + "c\r\nd";
  EXPECT_EQ(GroupTagBefore(text, 0), 0u);
  EXPECT_EQ(GroupTagBefore(text, text.find('b')), 0u);
  EXPECT_EQ(GroupTagBefore(text, text.find('d')), text.find('\xA7', 1));
  EXPECT_EQ(GroupTagBefore("x\r\ny", 3), std::nullopt);
  EXPECT_EQ(LongTagMillis(text, 0), 60'000);
  EXPECT_EQ(LongTagMillis(LongTag("01020304"), 0), 3'723'040);
  EXPECT_EQ(LongTagMillis("\xA7" "0001x000" "\xBB", 0), std::nullopt);
}

TEST_F(TimingTest, ReplayStartsThePreRollBeforeTheGroupOnAFrameStart) {
  SongInfo.frameSeconds.store(1152 / 44100.0);
  SongInfo.frameScale.store(4);
  storedBytes.store(2304 * 1000);  // 1000 frames, 26.1 s
  const double frameMs = 1152 / 44.1;
  EXPECT_EQ(ReplayStartBytes(10'000, 1000), static_cast<std::uint64_t>(9'000 / frameMs) * 2304);
  EXPECT_EQ(ReplayStartBytes(10'000, 0), static_cast<std::uint64_t>(10'000 / frameMs) * 2304);
  EXPECT_EQ(ReplayStartBytes(500, 1000), 0u);  // clamped at the song's start
  EXPECT_EQ(ReplayStartBytes(600'000, 1000), 2304u * 1000 - 2);  // past the end: the last sample
  storedBytes.store(0);
}

TEST_F(TimingTest, ReplayDuringAPlaybackStopsItAndWaitsForItsEnd) {
  SongInfo.frameSeconds.store(1152 / 44100.0);
  SongInfo.frameScale.store(4);
  storedBytes.store(2304 * 2000);
  UserSettings().SetInt(kSettingReplayPreRollMs, 2000);
  PlayerState = kStateWholeView;
  WorkerBusy = 1;  // a playback runs
  Editor(LongTag("00001000") + "a\r\n" + LongTag("00003000") + "b", 3);
  registry.Run(kIdReplayPreviousGroup);
  EXPECT_EQ(TransportCommand.load(), kCmdStop);
  EXPECT_TRUE(ReplayPending());
  ReplayTick();  // still playing: nothing starts
  EXPECT_TRUE(ReplayPending());
  EXPECT_EQ(WorkerBusy.load(), 1);
  // Nothing to replay above the first tag: said, and nothing stops.
  TransportCommand = kCmdNone;
  Editor("title\r\n" + LongTag("00001000") + "a", 0);
  registry.Run(kIdReplayGroup);
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  EXPECT_EQ(view.statusTexts[kPanePrompt], kNoGroupText);
  // While decoding nothing is touched.
  Decoding = 1;
  Editor(LongTag("00001000") + "a", 1);
  registry.Run(kIdReplayGroup);
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  Decoding = 0;
  WorkerBusy = 0;
  UserSettings().SetInt(kSettingReplayPreRollMs, 1000);
  storedBytes.store(0);
}

TEST_F(TimingTest, ADoubleClickReplaysOnlyFromATagLine) {
  SongInfo.frameSeconds.store(1152 / 44100.0);
  SongInfo.frameScale.store(4);
  storedBytes.store(2304 * 2000);
  PlayerState = kStateWholeView;
  WorkerBusy = 1;  // a playback runs, so the replay waits for it and shows as Stop
  const std::string text = LongTag("00001000") + "a\r\n" + LongTag("00003000") + "b";
  Editor(text, 1);
  ReplayGroupAtLine(view, text.find('a'));  // a lyric line: nothing
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  ReplayGroupAtLine(view, text.find('\xA7', 1));
  EXPECT_EQ(TransportCommand.load(), kCmdStop);
  EXPECT_TRUE(ReplayPending());
  WorkerBusy = 0;
  storedBytes.store(0);
}

TEST_F(TimingTest, AdjustShiftsOnlyTheSelectedGroupsWhenTheSelectionHoldsATag) {
  const std::string text = LongTag("00010000") + "a\r\n" + LongTag("00020000") + "b\r\n" + LongTag("00030000") + "c";
  view.SetControlText(kIdcAdjustSeconds, "2");
  view.SetControlText(kIdcAdjustTenths, "5");
  // From inside "a" to inside the second tag's line: the lines of the second tag and "a".
  Editor(text, 1);
  view.caretIndex = view.EditorLineIndex(1);
  view.selectionEnd = view.EditorLineIndex(2) + 3;
  view.QueueAnswer(Answer::Yes);
  registry.Run(kIdcAdjust);
  EXPECT_EQ(view.messages.back().text, "Time Adjust = +2.5 (1 of 3 time tags)");
  EXPECT_EQ(view.editorText, LongTag("00010000") + "a\r\n" + LongTag("00020250") + "b\r\n" + LongTag("00030000") + "c");
  // A selection inside one lyric line holds no tag: every group moves, as without one.
  Editor(text, 1);
  view.selectionEnd = view.caretIndex + 1;
  view.QueueAnswer(Answer::Yes);
  registry.Run(kIdcAdjust);
  EXPECT_EQ(view.messages.back().text, "Time Adjust = +2.5");
  EXPECT_EQ(view.editorText, LongTag("00010250") + "a\r\n" + LongTag("00020250") + "b\r\n" + LongTag("00030250") + "c");
}

TEST_F(TimingTest, AdjustFromCaretMovesTheCaretsGroupAndEveryLaterOne) {
  const std::string text = LongTag("00010000") + "a\r\n" + LongTag("00020000") + "b\r\nb2\r\n" + LongTag("00030000") + "c";
  view.SetControlText(kIdcAdjustSeconds, "1");
  view.SetControlText(kIdcAdjustTenths, "0");
  view.SetChecked(kIdcAdjustPlus, false);
  view.SetChecked(kIdcAdjustMinus, true);
  registry.Run(kIdcAdjustMinus);
  Editor(text, 4);  // "b2"
  view.QueueAnswer(Answer::Yes);
  registry.Run(kIdAdjustFromCaret);
  EXPECT_EQ(view.messages.back().text, "Time Adjust = -1.0 (2 of 3 time tags)");
  EXPECT_EQ(view.editorText,
            LongTag("00010000") + "a\r\n" + LongTag("00015900") + "b\r\nb2\r\n" + LongTag("00025900") + "c");
  EXPECT_EQ(view.caretIndex, view.EditorLineIndex(4));
  registry.Run(kIdEditUndo);
  EXPECT_EQ(view.editorText, text);
  // No: nothing changes.
  view.QueueAnswer(Answer::No);
  registry.Run(kIdAdjustFromCaret);
  EXPECT_EQ(view.editorText, text);
}

TEST(TimingKeys, NudgeAndReplayKeysAreWindowKeysInTheShortcutList) {
  const struct {
    int id;
    const char* key;
  } keys[] = {{kIdNudgeEarlier, "Alt+Up"},          {kIdNudgeLater, "Alt+Down"},
              {kIdNudgeEarlierMore, "Alt+Shift+Up"}, {kIdNudgeLaterMore, "Alt+Shift+Down"},
              {kIdReplayGroup, "F5"},               {kIdReplayPreviousGroup, "F6"}};
  const std::string list = ShortcutListText();
  for (const auto& k : keys) {
    const CommandSpec* item = FindCommand(k.id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(KeyText(item->keys[0]), k.key);
    EXPECT_EQ(item->keys[0].scope, KeyScope::Window);
    EXPECT_NE(list.find(k.key + std::string(" ")), std::string::npos) << k.key;
  }
}

}  // namespace
}  // namespace vexalo::test

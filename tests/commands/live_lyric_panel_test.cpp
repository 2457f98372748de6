#include "commands/live_lyric_panel.h"

#include <array>
#include <string>
#include <vector>

#include "command_test_env.h"
#include "commands/lyrics_undo.h"
#include "commands/text_commands.h"
#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "form/command_bindings.h"
#include "lyrics/lyrics_editor.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"

namespace vexalo::test {
namespace {

std::string LongTag(const std::string& digits) { return "\xA7" + digits + "\xBB\r\n"; }

// The text of the entry that starts at `seconds`, or "-" for none.
std::string EntryAt(std::uint32_t seconds) {
  std::array<unsigned char, 512> out{};
  const int n = FindSyncText(seconds, out);
  return n < 0 ? "-" : std::string(reinterpret_cast<char*>(out.data()), static_cast<std::size_t>(n));
}

class LivePanelTest : public CommandTest {
 protected:
  using Clock = LivePanel::Clock;
  void SetUp() override {
    CommandTest::SetUp();
    LyricsTextBuffer.clear();
    CaretLine = FirstVisibleLine = AutoAdvance = 0;
    ResetAdjustFields(view);
    ResetSyncTable(1);
    TheLivePanel().Reset();
    TheLyricsHistory().Reset("");
    BindCoreCommands(registry);
  }
  void TearDown() override {
    PlayerState = kStateNoSong;
    ResetSyncTable(1);
    TheLivePanel().Reset();
    TheLyricsHistory().Reset("");
    CommandTest::TearDown();
  }
  void Type(const std::string& text) {
    for (char c : text) {
      view.editorText.insert(static_cast<std::size_t>(view.caretIndex), 1, c);
      view.caretIndex = view.selectionEnd = view.caretIndex + 1;
      OnLyricsTyped(view, TheLyricsHistory());
    }
  }
  std::vector<std::string> PromptTexts() {
    std::vector<std::string> texts;
    for (const auto& [pane, text] : view.statusHistory)
      if (pane == kPanePrompt) texts.push_back(text);
    return texts;
  }

  CommandRegistry registry;
};

TEST_F(LivePanelTest, AStampShowsInTheTableAtOnceAndItsUndoTakesItAway) {
  PlayerState = kStateWholeView;
  view.editorText = "first\r\nsecond";
  TheLyricsHistory().Reset(view.editorText);
  PlayTime.Store({0, 3, 420});
  registry.Run(kIdcInsertTimeInfo);
  EXPECT_EQ(EntryAt(3), "40\xA2\xD0\r\nfirst\r\nsecond");
  view.PutCaretOnLine(2);
  PlayTime.Store({0, 7, 0});
  registry.Run(kIdcInsertTimeInfo);
  EXPECT_EQ(EntryAt(3), "40\xA2\xD0\r\nfirst\r\n");
  EXPECT_EQ(EntryAt(7), "00\xA2\xD0\r\nsecond");
  registry.Run(kIdEditUndo);
  EXPECT_EQ(EntryAt(7), "-");
  EXPECT_EQ(EntryAt(3), "40\xA2\xD0\r\nfirst\r\nsecond");
  registry.Run(kIdEditRedo);
  EXPECT_EQ(EntryAt(7), "00\xA2\xD0\r\nsecond");
}

TEST_F(LivePanelTest, TypingIsFollowedOnlyAfterAPause) {
  view.editorText = LongTag("00000100");
  view.caretIndex = view.selectionEnd = static_cast<int>(view.editorText.size());
  TheLyricsHistory().Reset(view.editorText);
  Type("words");
  EXPECT_TRUE(TheLivePanel().Pending());
  EXPECT_EQ(EntryAt(1), "-");
  const auto t = Clock::now();
  TheLivePanel().Tick(view, t);
  EXPECT_EQ(EntryAt(1), "-");  // typed this instant
  TheLivePanel().Tick(view, t + kPanelTypingPause);
  EXPECT_EQ(EntryAt(1), "00\xA2\xD0\r\nwords");
  EXPECT_FALSE(TheLivePanel().Pending());
}

TEST_F(LivePanelTest, EditorClearEmptiesThePanelAndAdjustMovesItsTimes) {
  view.editorText = LongTag("00000500") + "old song";
  TheLyricsHistory().Reset(view.editorText);
  view.SetControlText(kIdcAdjustSeconds, "3");
  view.QueueAnswer(Answer::Yes);
  registry.Run(kIdcAdjust);
  EXPECT_EQ(EntryAt(5), "-");
  EXPECT_EQ(EntryAt(8), "00\xA2\xD0\r\nold song");
  LyricPanelFresh = 1;
  view.QueueAnswer(Answer::Yes);
  registry.Run(kIdEditorClear);
  EXPECT_FALSE(SharedSyncTable.Present());
  EXPECT_EQ(EntryAt(8), "-");
  EXPECT_EQ(LyricPanelFresh.load(), 0);  // the panel's old lyric is cleared too
  EXPECT_TRUE(PromptTexts().empty());
}

TEST_F(LivePanelTest, LyricsThatCannotBecomeATableKeepTheLastGoodOneAndSayWhyOnce) {
  view.editorText = LongTag("00000200") + "verse";
  TheLyricsHistory().Reset(view.editorText);
  TheLivePanel().LyricsChanged(view, LyricsChangeKind::Command);
  ASSERT_EQ(EntryAt(2), "00\xA2\xD0\r\nverse");
  // A title typed above the first tag: the text no longer begins with one.
  view.caretIndex = view.selectionEnd = 0;
  Type("Title\r\n");
  TheLivePanel().Tick(view, Clock::now() + kPanelTypingPause);
  EXPECT_EQ(EntryAt(2), "00\xA2\xD0\r\nverse");
  ASSERT_EQ(PromptTexts().size(), 1u);
  EXPECT_EQ(PromptTexts()[0], " " + PanelWillNotFollowText(kTextDataError000) + " ");
  Type("more");
  TheLivePanel().Tick(view, Clock::now() + kPanelTypingPause);
  EXPECT_EQ(PromptTexts().size(), 1u);  // said once
  // Mended: the table follows again, and a later error is told again.
  registry.Run(kIdEditUndo);
  registry.Run(kIdEditUndo);
  registry.Run(kIdEditUndo);
  EXPECT_EQ(view.editorText, LongTag("00000200") + "verse");
  EXPECT_EQ(EntryAt(2), "00\xA2\xD0\r\nverse");
  view.caretIndex = view.selectionEnd = 0;
  Type("X");
  TheLivePanel().Tick(view, Clock::now() + kPanelTypingPause);
  EXPECT_EQ(PromptTexts().size(), 2u);
}

TEST_F(LivePanelTest, LyricsWithoutAnyTagLeaveNoTable) {
  view.editorText = LongTag("00000200") + "verse";
  TheLyricsHistory().Reset(view.editorText);
  TheLivePanel().LyricsChanged(view, LyricsChangeKind::Command);
  ASSERT_TRUE(SharedSyncTable.Present());
  ReplaceLyrics(view, TheLyricsHistory(), "verse without a time", EditorPlace{});
  EXPECT_EQ(RebuildPanelTable(view.editorText).result, PanelTableResult::Emptied);
  EXPECT_FALSE(SharedSyncTable.Present());
  EXPECT_TRUE(PromptTexts().empty());
}

}  // namespace
}  // namespace vexalo::test

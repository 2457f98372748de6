#include "commands/lyrics_undo.h"

#include <array>
#include <string>
#include <vector>

#include "command_test_env.h"
#include "commands/editor_commands.h"
#include "commands/mp3_open_command.h"
#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "common/worker.h"
#include "form/command_bindings.h"
#include "form/command_table.h"
#include "lyrics/lyrics_editor.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/syncmp3_file.h"

namespace vexalo::test {
namespace {

std::string LongTag(const std::string& digits) { return "\xA7" + digits + "\xBB\r\n"; }

// The window raises a change notification for every edit the user makes; so does its paste.
class TypingView : public LoggingView {
 public:
  void EditorPaste() override {
    ScriptedViewPort::EditorPaste();
    OnLyricsTyped(*this, TheLyricsHistory());
  }
};

class UndoTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    ActiveView = &typing;
    LyricsTextBuffer.clear();
    CaretLine = FirstVisibleLine = EditorHasFocus = CtrlKeyDown = AutoAdvance = 0;
    ResetAdjustFields(typing);
    TheLyricsHistory().Reset("");
    BindCoreCommands(registry);
  }
  void TearDown() override {
    WaitForWorker();
    PlayerState = kStateNoSong;
    TheLyricsHistory().Reset("");
    CommandTest::TearDown();
  }

  // Puts a text into the editor as if the user had typed it (one notification per character).
  void TypeAtCaret(const std::string& text) {
    for (char c : text) {
      typing.editorText.insert(static_cast<std::size_t>(typing.caretIndex), 1, c);
      typing.caretIndex = typing.selectionEnd = typing.caretIndex + 1;
      OnLyricsTyped(typing, TheLyricsHistory());
    }
  }
  void Run(int id) { ASSERT_TRUE(registry.Run(id)) << id; }
  bool Enabled(int id) { return CommandEnabled(*FindCommand(id), CurrentCommandContext()); }

  TypingView typing;
  CommandRegistry registry;
};

TEST_F(UndoTest, AStampIsOneStepAndUndoRedoBringBackTextCaretAndScroll) {
  PlayerState = kStateWholeView;
  PlayTime.Store({1, 5, 730});
  const std::string lines = "l0\r\nl1\r\nl2\r\nl3\r\nl4";
  typing.editorText = lines;
  TheLyricsHistory().Reset(lines);
  typing.PutCaretOnLine(3);
  typing.firstVisibleLine = 2;
  EXPECT_FALSE(Enabled(kIdEditUndo));
  Run(kIdcInsertTimeInfo);
  const std::string stamped = "l0\r\nl1\r\nl2\r\n" + LongTag("00010570") + "l3\r\nl4";
  ASSERT_EQ(typing.editorText, stamped);
  EXPECT_TRUE(Enabled(kIdEditUndo));
  EXPECT_FALSE(Enabled(kIdEditRedo));

  typing.PutCaretOnLine(0);  // the user looks elsewhere
  typing.firstVisibleLine = 0;
  Run(kIdEditUndo);
  EXPECT_EQ(typing.editorText, lines);
  EXPECT_EQ(LyricsTextBuffer, lines);
  EXPECT_EQ(typing.caretIndex, typing.EditorLineIndex(3));
  EXPECT_EQ(typing.firstVisibleLine, 2);
  EXPECT_TRUE(Enabled(kIdEditRedo));

  Run(kIdEditRedo);
  EXPECT_EQ(typing.editorText, stamped);
  EXPECT_EQ(LyricsTextBuffer, stamped);
  // The stamp left its tag selected; redo selects it again.
  EXPECT_EQ(typing.editorText.substr(typing.caretIndex, typing.selectionEnd - typing.caretIndex), LongTag("00010570"));
  EXPECT_EQ(typing.firstVisibleLine, 2);
}

TEST_F(UndoTest, EveryCommandThatChangesTheLyricsIsOneStepBackAndForth) {
  std::vector<std::string> texts{""};
  TypeAtCaret("hello world\r\nsecond");
  texts.push_back(typing.editorText.substr(0, 6));  // "hello " and then each word
  texts.push_back("hello world\r\n");
  texts.push_back(typing.editorText);

  const std::string file = PathIn("song.snc");
  Put(file, "\xA2\xE2" "00000500" "\xA2\xD0\r\nopened line\r\nnext line");
  typing.QueueAnswer(Answer::No);  // the save question first
  typing.QueueFile(Choose(file));
  Run(kIdTextOpen);
  texts.push_back(LongTag("00000500") + "opened line\r\nnext line");
  ASSERT_EQ(typing.editorText, texts.back());

  PlayerState = kStateWholeView;
  PlayTime.Store({0, 9, 100});
  typing.PutCaretOnLine(2);
  Run(kIdcInsertTimeInfo);
  texts.push_back(LongTag("00000500") + "opened line\r\n" + LongTag("00000910") + "next line");
  ASSERT_EQ(typing.editorText, texts.back());

  PlayerState = kStateWindowView;
  WindowStart.Store({0, 12, 345});
  typing.EditorSelect(15, 15);
  Run(kIdcSideTimeButton);
  std::string side = texts.back();
  side.insert(15, "\xAB" "001230" "\xBB");
  texts.push_back(side);
  ASSERT_EQ(typing.editorText, texts.back());

  typing.SetControlText(kIdcAdjustSeconds, "2");
  typing.QueueAnswer(Answer::Yes);
  typing.EditorSelect(20, 20);
  typing.firstVisibleLine = 1;
  Run(kIdcAdjust);
  EXPECT_EQ(typing.firstVisibleLine, 0);  // Adjust shows the text from its top
  std::string adjusted = side;
  adjusted.replace(1, 8, "00000700");
  adjusted.replace(adjusted.find("00000910"), 8, "00001110");
  texts.push_back(adjusted);
  ASSERT_EQ(typing.editorText, texts.back());

  typing.QueueAnswer(Answer::Yes);
  Run(kIdEditorClear);
  texts.push_back("");
  ASSERT_EQ(typing.editorText, "");

  EXPECT_EQ(TheLyricsHistory().UndoCount(), texts.size() - 1);
  for (std::size_t i = texts.size() - 1; i-- > 0;) {
    Run(kIdEditUndo);
    ASSERT_EQ(typing.editorText, texts[i]) << i;
    ASSERT_EQ(LyricsTextBuffer, texts[i]) << i;
    if (texts[i] == side) {
      // Undoing Adjust puts the caret and scroll back where they stood before it.
      EXPECT_EQ(typing.caretIndex, 20);
      EXPECT_EQ(typing.firstVisibleLine, 1);
    }
  }
  EXPECT_FALSE(Enabled(kIdEditUndo));
  for (std::size_t i = 1; i < texts.size(); ++i) {
    Run(kIdEditRedo);
    ASSERT_EQ(typing.editorText, texts[i]) << i;
  }
}

TEST_F(UndoTest, CommandsThatChangeNothingLeaveNoStep) {
  typing.editorText = "words";
  TheLyricsHistory().Reset("words");
  typing.QueueAnswer(Answer::No);
  Run(kIdEditorClear);
  typing.QueueAnswer(Answer::No);
  Run(kIdcAdjust);
  Run(kIdcInsertTimeInfo);  // no song
  EXPECT_EQ(TheLyricsHistory().UndoCount(), 0u);
}

TEST_F(UndoTest, AChangeNoOneRecordedIsAStepOfItsOwn) {
  PlayerState = kStateWholeView;
  PlayTime.Store({0, 1, 0});
  typing.editorText = "set from elsewhere";
  Run(kIdcInsertTimeInfo);
  Run(kIdEditUndo);
  EXPECT_EQ(typing.editorText, "set from elsewhere");
  Run(kIdEditUndo);
  EXPECT_EQ(typing.editorText, "");
}

TEST_F(UndoTest, TypingUndoesWordByWordAndAPasteWhole) {
  TypeAtCaret("one two");
  typing.clipboard = " pasted";
  typing.EditorPaste();
  EXPECT_EQ(typing.editorText, "one two pasted");
  Run(kIdEditUndo);
  EXPECT_EQ(typing.editorText, "one two");
  EXPECT_EQ(typing.caretIndex, 7);
  Run(kIdEditUndo);
  EXPECT_EQ(typing.editorText, "one ");
  EXPECT_EQ(typing.caretIndex, 4);
  Run(kIdEditUndo);
  EXPECT_EQ(typing.editorText, "");
}

TEST_F(UndoTest, MoreThanFiveHundredStampsAreEachUndone) {
  std::string text;
  for (int i = 0; i < 520; ++i) text += "line " + std::to_string(i) + "\r\n";
  typing.editorText = text;
  TheLyricsHistory().Reset(text);
  PlayerState = kStateWholeView;
  AutoAdvance = 1;
  typing.checks[kIdcAutoAdvance] = true;
  for (int i = 0; i < 520; ++i) {
    PlayTime.Store({i / 60, i % 60, 0});
    Run(kIdcInsertTimeInfo);
  }
  ASSERT_EQ(TheLyricsHistory().UndoCount(), 520u);
  for (int i = 0; i < 520; ++i) Run(kIdEditUndo);
  EXPECT_EQ(typing.editorText, text);
}

TEST_F(UndoTest, EmbeddedLyricsOfAnOpenedMp3AreOneStepAndUndoBringsBackTheOldText) {
  const std::string stored = "\xA2\xE2" "00010500" "\xA2\xD0\r\nfirst line";
  std::array<unsigned char, kSyncBlockBytes> block{};
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(stored, block, error));
  const std::string path = PathIn("synced.mp3");
  ASSERT_EQ(SaveSyncMp3File(FixturePath("tagged_v23.mp3"), path, false, block), kSyncMp3Saved);
  typing.controlRects[kIdcWaveArea] = Rect{20, 30, 520, 230};
  SetOpenWaitPump({});
  TypeAtCaret("old words");
  typing.QueueAnswer(Answer::No);  // " Text File Save ? "
  typing.QueueFile(Choose(path));
  Run(kIdMp3FileOpen);
  WaitForWorker();
  EXPECT_EQ(typing.editorText, LongTag("00010500") + "first line");
  Run(kIdEditUndo);
  EXPECT_EQ(typing.editorText, "old words");
  Run(kIdEditRedo);
  EXPECT_EQ(typing.editorText, LongTag("00010500") + "first line");
}

TEST_F(UndoTest, ReplaceLyricsIsOneStepWithItsPlace) {
  typing.editorText = "abc";
  TheLyricsHistory().Reset("abc");
  typing.firstVisibleLine = 4;
  typing.EditorSelect(1, 2);
  ReplaceLyrics(typing, TheLyricsHistory(), "abXc", EditorPlace{3, 3, 1});
  EXPECT_EQ(typing.editorText, "abXc");
  EXPECT_EQ(LyricsTextBuffer, "abXc");
  EXPECT_EQ(typing.caretIndex, 3);
  EXPECT_EQ(typing.firstVisibleLine, 1);
  UndoLyrics(typing, TheLyricsHistory());
  EXPECT_EQ(typing.editorText, "abc");
  EXPECT_EQ(typing.caretIndex, 1);
  EXPECT_EQ(typing.selectionEnd, 2);
  EXPECT_EQ(typing.firstVisibleLine, 4);
}

}  // namespace
}  // namespace vexalo::test

#include <string>
#include <utility>

#include "commands/editor_commands.h"
#include "common/control_ids.h"
#include "lyrics/lyrics_fixture.h"
#include "sync/sync_text.h"

namespace vexalo::test {
namespace {

using InsertTimeInfo = LyricsTest;

const std::string kFiveLines = "l0\r\nl1\r\nl2\r\nl3\r\nl4";

TEST_F(InsertTimeInfo, StampsTheCaretLineWithThePlayTime) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({1, 5, 730});
  WindowStart.Store({9, 9, 900});
  Editor(kFiveLines, 3, 2);
  OnInsertTimeInfo();
  const std::string tag = "\xA7" "00010570" "\xBB\r\n";
  EXPECT_EQ(view.editorText, "l0\r\nl1\r\nl2\r\n" + tag + "l3\r\nl4");
  EXPECT_EQ(LyricsTextBuffer, view.editorText);
  EXPECT_EQ(view.EditorLineIndex(4), view.EditorLineIndex(3) + 12);  // the old line 3 is line 4
  EXPECT_EQ(Selected(), tag);
  EXPECT_EQ(view.firstVisibleLine, 2);
  EXPECT_EQ(view.focus, kIdcEditor);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(InsertTimeInfo, ReadsMinutesPastAnHourAsMinutes) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({64, 0, 99});
  Editor("words");
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, LongTag("00640000") + "words");
}

TEST_F(InsertTimeInfo, CarriesMinutesIntoHoursOnlyWhenTheyNeedAThirdDigit) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({130, 5, 999});
  Editor("words");
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, LongTag("02100590") + "words");
}

TEST_F(InsertTimeInfo, InTheWindowViewStampsTheWindowStart) {
  PlayerState.store(kStateWindowView);
  PlayTime.Store({1, 5, 730});
  WindowStart.Store({0, 42, 160});
  Editor("words");
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, LongTag("00004210") + "words");
}

TEST_F(InsertTimeInfo, DoesNothingWithoutASongShown) {
  for (int state : {kStateNoSong, kStateOpening}) {
    PlayerState.store(state);
    PlayTime.Store({1, 5, 730});
    Editor(kFiveLines, 2, 1);
    OnInsertTimeInfo();
    EXPECT_EQ(view.editorText, kFiveLines);
    EXPECT_EQ(view.editorTextSets, 0);
    EXPECT_TRUE(view.messages.empty());
  }
}

TEST_F(InsertTimeInfo, ReplacesALongTagAlreadyOnTheLine) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({2, 30, 0});
  const std::string text = LongTag("00010000") + "a\r\n" + LongTag("00020000") + "b";
  Editor(text, 2);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, LongTag("00010000") + "a\r\n" + LongTag("00023000") + "b");
  EXPECT_EQ(Selected(), LongTag("00023000"));
}

TEST_F(InsertTimeInfo, StampingALyricLineRightUnderItsTagReplacesThatTag) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({0, 4, 500});
  const std::string text = LongTag("00010000") + "a\r\n" + LongTag("00020000") + "b\r\nc";
  // Caret on "b", whose tag stands on the line directly above: that tag is replaced, selected.
  Editor(text, 3);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, LongTag("00010000") + "a\r\n" + LongTag("00000450") + "b\r\nc");
  EXPECT_EQ(Selected(), LongTag("00000450"));
  // Caret on "c", the group's second lyric line: a tag of its own is put in front of it.
  Editor(text, 4);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, text.substr(0, text.size() - 1) + LongTag("00000450") + "c");
  // A tag with lyric bytes after it on its line is no tag line: the line under it gets its own.
  const std::string sameLine = "\xA7" "00010000" "\xBB" "a\r\nb";
  Editor(sameLine, 1);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, "\xA7" "00010000" "\xBB" "a\r\n" + LongTag("00000450") + "b");
}

TEST_F(InsertTimeInfo, AutoAdvanceAfterAReStampMovesOneLine) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({0, 4, 0});
  AutoAdvance = 1;
  Editor(LongTag("00010000") + "a\r\nb\r\nc", 1, 0);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, LongTag("00000400") + "a\r\nb\r\nc");
  EXPECT_EQ(CaretLine, 2);
  EXPECT_EQ(Selected(), "b\r\n");
  EXPECT_EQ(view.firstVisibleLine, 1);
  // On the last line there is nowhere to go: the stamped tag is selected.
  Editor(LongTag("00010000") + "a", 1, 0);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, LongTag("00000400") + "a");
  EXPECT_EQ(CaretLine, 0);
  EXPECT_EQ(Selected(), LongTag("00000400"));
}

TEST_F(InsertTimeInfo, ReplacesATagAndItsLineBreakWhateverItIs) {
  // Callers other than the window may hand over lone LF or CR line ends; lyric bytes that follow
  // a tag without a line break are kept.
  PlayerState.store(kStateWholeView);
  PlayTime.Store({0, 1, 0});
  const std::pair<const char*, const char*> cases[] = {
      {"CR LF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}, {"no line break", ""}};
  for (const auto& [name, lineBreak] : cases) {
    Editor("\xA7" "00000000" "\xBB" + std::string(lineBreak) + "ab\r\ncd", 0);
    OnInsertTimeInfo();
    EXPECT_EQ(view.editorText, LongTag("00000100") + "ab\r\ncd") << name;
  }
}

TEST_F(InsertTimeInfo, AppendsOnAnEmptyLastLine) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({0, 3, 0});
  Editor("a\r\n", 1);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, "a\r\n" + LongTag("00000300"));
  EXPECT_EQ(Selected(), LongTag("00000300"));

  Editor("");
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, LongTag("00000300"));
}

TEST_F(InsertTimeInfo, AutoAdvanceFromLineZeroSelectsLineTwoUnscrolled) {
  PlayerState.store(kStateWholeView);
  AutoAdvance = 1;
  Editor(kFiveLines, 0, 0);
  OnInsertTimeInfo();
  EXPECT_EQ(CaretLine, 2);
  EXPECT_EQ(Selected(), "l1\r\n");
  EXPECT_EQ(view.firstVisibleLine, 0);
}

TEST_F(InsertTimeInfo, AutoAdvanceFurtherDownScrollsTwoLines) {
  PlayerState.store(kStateWholeView);
  AutoAdvance = 1;
  Editor(kFiveLines, 2, 1);
  OnInsertTimeInfo();
  EXPECT_EQ(CaretLine, 4);
  EXPECT_EQ(Selected(), "l3\r\n");
  EXPECT_EQ(view.firstVisibleLine, 3);
}

TEST_F(InsertTimeInfo, AutoAdvanceOnTheLastLineStaysOnTheNewTag) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({0, 9, 0});
  AutoAdvance = 1;
  Editor(kFiveLines, 4, 2);
  OnInsertTimeInfo();
  EXPECT_EQ(CaretLine, 4);
  EXPECT_EQ(Selected(), LongTag("00000900"));
  EXPECT_EQ(view.firstVisibleLine, 2);
}

TEST_F(InsertTimeInfo, AutoAdvanceWalksATaggedTextFromTagToTag) {
  PlayerState.store(kStateWholeView);
  AutoAdvance = 1;
  Editor(LongTag("00000100") + "a\r\n" + LongTag("00000200") + "b\r\n" + LongTag("00000300") + "c", 0);
  const int lines = 6;
  for (int second : {11, 12, 13}) {
    PlayTime.Store({0, second, 0});
    view.PutCaretOnLine(CaretLine);  // the caret where the last stamp left the selection
    view.firstVisibleLine = FirstVisibleLine;
    OnInsertTimeInfo();
    EXPECT_GE(view.EditorLineIndex(lines - 1), 0) << "a line was lost at " << second;
    EXPECT_LT(view.EditorLineIndex(lines), 0) << "a line was added at " << second;
  }
  EXPECT_EQ(view.editorText,
            LongTag("00001100") + "a\r\n" + LongTag("00001200") + "b\r\n" + LongTag("00001300") + "c");
  EXPECT_EQ(CaretLine, 4);
}

TEST_F(InsertTimeInfo, RefusesAStampThatWouldOverfillTheBuffer) {
  PlayerState.store(kStateWholeView);
  const std::string text(kMaxLyricsTextBytes - kEditorLongTagBytes + 1, 'x');
  Editor(text, 0, 0);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, text);
  EXPECT_EQ(view.editorTextSets, 0);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, " Song Text Size Over !!! ");
  EXPECT_EQ(view.messages[0].title, "Vexalo Caption Editor");
  EXPECT_EQ(view.messages[0].style, MessageStyle::Ok);
}

TEST_F(InsertTimeInfo, AStampThatJustFillsTheBufferIsTaken) {
  PlayerState.store(kStateWholeView);
  Editor(std::string(kMaxLyricsTextBytes - kEditorLongTagBytes, 'x'));
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText.size(), kMaxLyricsTextBytes);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(InsertTimeInfo, ReplacingATagInAFullBufferIsTaken) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({0, 7, 0});
  const std::string text = LongTag("00000100") + std::string(kMaxLyricsTextBytes - kEditorLongTagBytes, 'x');
  Editor(text);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, LongTag("00000700") + text.substr(kEditorLongTagBytes));
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(InsertTimeInfo, AnEditorHoldingMoreThanTheBufferIsNotRewritten) {
  PlayerState.store(kStateWholeView);
  const std::string text = LongTag("00000100") + std::string(kMaxLyricsTextBytes - kEditorLongTagBytes + 1, 'x');
  Editor(text);
  OnInsertTimeInfo();
  EXPECT_EQ(view.editorText, text);
  EXPECT_EQ(view.editorTextSets, 0);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, kTextSizeOver);
}

using EditorClear = LyricsTest;

TEST_F(EditorClear, YesEmptiesEditorBufferAndCaptions) {
  TextFilePath = "/songs/a.snc";
  Editor("words\r\nmore");
  LyricsTextBuffer = "words\r\nmore";
  view.controlTexts[kIdcGroupFrame] = "a.snc";
  view.controlTexts[kIdcAdjustPreview] = "preview";
  view.QueueAnswer(Answer::Yes);
  OnEditorClear();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, " Song Text Editor Clear ? ");
  EXPECT_EQ(view.messages[0].title, "Vexalo Caption Editor");
  EXPECT_EQ(view.messages[0].style, MessageStyle::YesNo);
  EXPECT_EQ(view.editorText, "");
  EXPECT_EQ(LyricsTextBuffer, "");
  EXPECT_EQ(view.controlTexts[kIdcGroupFrame], " ");
  EXPECT_EQ(view.controlTexts[kIdcAdjustPreview], "");
  EXPECT_EQ(TextFilePath, "/songs/a.snc");
  TextFilePath.clear();
}

TEST_F(EditorClear, NoChangesNothing) {
  Editor("words");
  LyricsTextBuffer = "words";
  view.controlTexts[kIdcGroupFrame] = "a.snc";
  view.QueueAnswer(Answer::No);
  OnEditorClear();
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.editorText, "words");
  EXPECT_EQ(LyricsTextBuffer, "words");
  EXPECT_EQ(view.controlTexts[kIdcGroupFrame], "a.snc");
  EXPECT_EQ(view.editorTextSets, 0);
}

using KeyRouting = LyricsTest;

TEST_F(KeyRouting, FocusNotificationsSetTheFlag) {
  OnEditorFocus(true);
  EXPECT_EQ(EditorHasFocus, 1);
  OnEditorFocus(false);
  EXPECT_EQ(EditorHasFocus, 0);
}

TEST_F(KeyRouting, AutoAdvanceFollowsItsCheckBox) {
  view.checks[kIdcAutoAdvance] = true;
  OnAutoAdvanceClicked();
  EXPECT_EQ(AutoAdvance, 1);
  view.checks[kIdcAutoAdvance] = false;
  OnAutoAdvanceClicked();
  EXPECT_EQ(AutoAdvance, 0);
}

TEST_F(KeyRouting, NothingReachesAMissingView) {
  ActiveView.store(nullptr);
  PlayerState.store(kStateWholeView);
  OnInsertTimeInfo();
  OnEditorClear();
  EXPECT_FALSE(CaptureEditorText());
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.editorTextSets, 0);
}

}  // namespace
}  // namespace vexalo::test

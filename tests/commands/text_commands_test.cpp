#include "commands/text_commands.h"

#include <sys/stat.h>

#include "command_test_env.h"
#include "common/text_codec.h"
#include "common/control_ids.h"
#include "lyrics/lyrics_editor.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"

namespace vexalo::test {
namespace {

// Stored and editor forms of the long tag 00:01:05.00 (one lyric group opener).
const std::string kStoredTag = "\xA2\xE2" "00010500" "\xA2\xD0\r\n";
const std::string kEditorTag = "\xA7" "00010500" "\xBB\r\n";
const std::string kStoredTag2 = "\xA2\xE2" "00020040" "\xA2\xD0\r\n";
const std::string kEditorTag2 = "\xA7" "00020040" "\xBB\r\n";
// "가사" (lyrics) in CP949 and in UTF-8.
const std::string kHangulCp949 = "\xB0\xA1\xBB\xE7";
const std::string kHangulUtf8 = "\xEA\xB0\x80\xEC\x82\xAC";

// Editor lyrics whose stored form is `storedBytes` long (at least 30,340): 59 groups of a tag
// and 498 letters, then one shorter group.
std::string LongTimedLyrics(std::size_t storedBytes) {
  std::string text;
  for (int g = 0; g < 59; ++g) text += "\xA7" "00010500" "\xBB\r\n" + std::string(498, 'a') + "\r\n";
  return text + "\xA7" "00020000" "\xBB\r\n" + std::string(storedBytes - 59 * 514 - 14, 'z');
}

class TextOpenTest : public CommandTest {};

TEST_F(TextOpenTest, LoadsAStoredFileInEditorFormAndNamesIt) {
  std::string path = PathIn("song.snc");
  Put(path, kStoredTag + "first line\r\n" + kStoredTag2 + kHangulCp949 + "\r\n");
  CurrentMp3Folder = dir.string() + "/";
  view.QueueFile(Choose(path));
  OnTextOpen();

  ASSERT_EQ(view.dialogs.size(), 1u);
  EXPECT_FALSE(view.dialogs[0].save);
  EXPECT_EQ(view.dialogs[0].title, "Text File Open");
  EXPECT_EQ(view.dialogs[0].filter,
            "Lyrics files (*.snc;*.lrc;*.txt)|*.snc;*.lrc;*.txt|SyncText Files (*.snc)|*.snc|LRC Files (*.lrc)|*.lrc|"
            "Text Files (*.txt)|*.txt|All files (*.*)|*.*|");
  EXPECT_EQ(view.dialogs[0].folder, CurrentMp3Folder);
  EXPECT_EQ(view.commandAtDialog, kCmdPlay);  // a running playback ends before the dialog
  EXPECT_EQ(TextFilePath, path);
  EXPECT_EQ(TextFileName, "song.snc");
  EXPECT_EQ(view.controlTexts[kIdcGroupFrame], "< song.snc >");
  EXPECT_EQ(view.editorText, kEditorTag + "first line\r\n" + kEditorTag2 + kHangulCp949 + "\r\n");
  EXPECT_EQ(LyricsTextBuffer, view.editorText);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(TextOpenTest, SixDigitTagGetsHundredthsZero) {
  std::string path = PathIn("old.snc");
  Put(path, std::string("\xA2\xE2" "000105" "\r\n") + "lyric\r\n");
  view.QueueFile(Choose(path));
  OnTextOpen();
  EXPECT_EQ(view.editorText, kEditorTag + "lyric\r\n");
}

TEST_F(TextOpenTest, FileOfTheEditorsLimitIsRefusedOneByteLessLoads) {
  std::string big = PathIn("big.txt"), fits = PathIn("fits.txt");
  Put(big, std::string(30720, 'a'));
  Put(fits, std::string(30719, 'b'));

  view.editorText = "kept?";
  view.QueueAnswer(Answer::No);  // the save prompt for "kept?"
  view.QueueFile(Choose(big));
  OnTextOpen();
  EXPECT_EQ(view.editorText, "File size Over => (30720 bytes > File Size)!!!");
  EXPECT_EQ(TextFilePath, big);

  view.QueueAnswer(Answer::No);  // the editor now holds the size text
  view.QueueFile(Choose(fits));
  OnTextOpen();
  EXPECT_EQ(view.editorText, std::string(30719, 'b'));
}

TEST_F(TextOpenTest, CancelChangesNothingButStopsPlayback) {
  TextFilePath = "/somewhere/else.snc";
  TextFileName = "else.snc";
  view.editorText = "";
  view.QueueFile(std::nullopt);
  OnTextOpen();
  EXPECT_EQ(TransportCommand.load(), kCmdPlay);
  EXPECT_EQ(TextFilePath, "/somewhere/else.snc");
  EXPECT_EQ(TextFileName, "else.snc");
  EXPECT_TRUE(view.controlTexts.find(kIdcGroupFrame) == view.controlTexts.end());
}

TEST_F(TextOpenTest, FileGoneBetweenDialogAndReadIsReportedAndTheEditorKept) {
  std::string path = PathIn("vanished.snc");
  Put(path, "soon gone");
  fs::remove(path);
  TextFilePath = PathIn("earlier.txt");
  Put(TextFilePath, "earlier lyrics");
  view.editorText = "earlier lyrics";  // same as its file: no prompt
  view.QueueFile(Choose(path));
  OnTextOpen();

  ASSERT_EQ(MessageTexts(), std::vector<std::string>{" Text File Open Error !!! "});
  EXPECT_EQ(view.messages[0].title, "Vexalo Caption Editor");
  EXPECT_EQ(view.messages[0].style, MessageStyle::Ok);
  EXPECT_EQ(view.editorText, "earlier lyrics");
  EXPECT_EQ(TextFilePath, path);
}

TEST_F(TextOpenTest, WhatCannotBeOpenedIsReportedWithItsReason) {
  fs::create_directory(dir / "folder.snc");
  ASSERT_EQ(::mkfifo(PathIn("fifo.snc").c_str(), 0600), 0);
  const struct {
    std::string name;
    std::string why;
  } cases[] = {
      {"gone.snc", "No such file or directory"},
      {"folder.snc", "Is a directory"},
      {"fifo.snc", "Is a FIFO, not a regular file"},
      {"\xEC\x97\x86\xEB\x8A\x94 \xEB\x85\xB8\xEB\x9E\x98.snc", "No such file or directory"},  // "없는 노래", UTF-8 as the file system has it
  };
  for (const auto& c : cases) {
    view.messages.clear();
    view.QueueFile(Choose(PathIn(c.name)));
    OnTextOpen();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text File Open Error !!! "}) << c.name;
    EXPECT_EQ(view.statusTexts[kPanePrompt], " cannot open '" + c.name + "': " + c.why + " ") << c.name;
    EXPECT_TRUE(view.nameStatus[kPanePrompt]) << c.name;
  }
}

TEST_F(TextOpenTest, InvalidCp949BytesAreKeptAndTheUserIsTold) {
  // 0xFF is never CP949; 0x81 followed by a blank is a lead byte without its trail byte.
  std::string bytes = std::string("line \xFF one\r\n") + "\x81 two";
  std::string path = PathIn("broken.txt");
  Put(path, bytes);
  view.QueueFile(Choose(path));
  OnTextOpen();
  EXPECT_EQ(view.editorText, bytes);  // nothing lost: the codec keeps each bad byte as a mark
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text,
            " Text File Code Error: 2 bytes are not CP949, the first at line 1, column 6; they are kept as they are !!! ");
}

TEST_F(TextOpenTest, Utf8LyricsAreReadAsUtf8) {
  std::string path = PathIn("utf8.txt");
  Put(path, "\xEF\xBB\xBF" + kHangulUtf8 + "\r\nsecond\r\n");
  view.QueueFile(Choose(path));
  OnTextOpen();
  EXPECT_EQ(view.editorText, kHangulCp949 + "\r\nsecond\r\n");
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.statusTexts[kPanePrompt], " Read as UTF-8 ");

  // Without a byte-order mark too.
  Put(path, kHangulUtf8);
  view.QueueAnswer(Answer::No);
  view.QueueFile(Choose(path));
  OnTextOpen();
  EXPECT_EQ(view.editorText, kHangulCp949);
}

TEST_F(TextOpenTest, Utf8CharactersWithoutCp949FormAreCounted) {
  std::string path = PathIn("emoji.txt");
  Put(path, "sing \xF0\x9F\x8E\xB5 " + kHangulUtf8);
  view.QueueFile(Choose(path));
  OnTextOpen();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text,
            " 1 characters have no CP949 form and show as ?; the first, U+1F3B5, is at line 1, column 6 !!! ");
  EXPECT_EQ(view.editorText, "sing ? " + kHangulCp949);
}

TEST_F(TextOpenTest, TheDialogOffersTheEncodingsAndRemembersTheOneChosen) {
  std::string path = PathIn("title.txt");
  const std::string cp949 = "\xC3\xA2\xC3\xB5\x20\xC4\xA8";  // "창천 칩", valid UTF-8 as well
  Put(path, cp949);
  FileChoice asUtf8 = Choose(path);
  asUtf8.choice = 2;
  view.QueueFile(asUtf8);
  OnTextOpen();
  ASSERT_EQ(view.dialogs.size(), 1u);
  EXPECT_EQ(view.dialogs[0].choiceLabel, "Encoding:");
  EXPECT_EQ(view.dialogs[0].choices, (std::vector<std::string>{"Automatic", "CP949", "UTF-8", "UTF-16"}));
  EXPECT_EQ(view.dialogs[0].choice, 0);
  EXPECT_EQ(view.editorText, EncodeCp949("\u00E2\u00F5 \u0128").bytes);  // as chosen, though wrong
  EXPECT_EQ(view.statusTexts[kPanePrompt], " Read as UTF-8 ");
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                " 3 characters have no CP949 form and show as ?; the first, U+00E2, is at line 1, column 1 !!! "}));

  // The save prompt reads the file back the same way: the text is unchanged, so no question.
  view.QueueFile(Choose(path));
  OnTextOpen();
  ASSERT_EQ(view.dialogs.size(), 2u);
  EXPECT_EQ(view.dialogs[1].choice, 2);
  EXPECT_EQ(view.messages.size(), 1u);
  // Automatic reads the short CP949 title as CP949, byte for byte.
  EXPECT_EQ(view.editorText, cp949);
  EXPECT_EQ(view.statusTexts[kPanePrompt], " Read as CP949 ");
}

TEST_F(TextOpenTest, Utf16LyricsAreConvertedAndWhatCp949CannotHoldIsPlaced) {
  std::string path = PathIn("utf16.txt");
  // "가사\n♪ 🎵" in UTF-16LE with its mark: the note U+266A has a CP949 form, U+1F3B5 has not.
  Put(path, std::string("\xFF\xFE\x00\xAC\xAC\xC0\x0A\x00\x6A\x26\x20\x00\x3C\xD8\xB5\xDF", 16));
  view.QueueFile(Choose(path));
  OnTextOpen();
  EXPECT_EQ(view.editorText, kHangulCp949 + "\n" + EncodeCp949("\u266A").bytes + " ?");
  EXPECT_EQ(view.statusTexts[kPanePrompt], " Read as UTF-16LE ");
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text,
            " 1 characters have no CP949 form and show as ?; the first, U+1F3B5, is at line 2, column 3 !!! ");
}

TEST_F(TextOpenTest, AFileNameInHangulIsShownAsTheFileSystemSpellsIt) {
  const std::string name = "\xEB\x85\xB8\xEB\x9E\x98.snc";  // "노래.snc" in UTF-8, as the file system has it
  std::string path = PathIn(name);
  Put(path, "words");
  view.QueueFile(Choose(path));
  OnTextOpen();
  EXPECT_EQ(TextFileName, name);
  EXPECT_EQ(view.controlTexts[kIdcGroupFrame], "< " + name + " >");
  EXPECT_TRUE(view.nameControls[kIdcGroupFrame]);
}

TEST_F(TextOpenTest, OffersToSaveUnsavedLyricsFirst) {
  std::string path = PathIn("next.txt");
  Put(path, "next");
  view.editorText = "unsaved words";
  view.QueueAnswer(Answer::No);
  view.QueueFile(Choose(path));
  OnTextOpen();
  ASSERT_GE(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, " Text File Save ? ");
  EXPECT_EQ(view.messages[0].style, MessageStyle::YesNo);
  EXPECT_TRUE(InOrder(view.Snapshot(), {"message: Text File Save ? ", "dialog:Text File Open", "editor:next"}));
  EXPECT_EQ(view.editorText, "next");
}

class TextSaveTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    ResetSyncTable(1);
  }
  // Saves the editor under `chosen`, answering the questions given.
  void SaveAs(const std::string& chosen, std::initializer_list<Answer> answers = {}) {
    for (Answer a : answers) view.QueueAnswer(a);
    view.QueueFile(Choose(chosen));
    OnTextSave();
  }
};

TEST_F(TextSaveTest, WritesTheStoredFormAndRebuildsTheTable) {
  CurrentMp3Folder = dir.string() + "/";
  TextFileName = "proposed.snc";
  view.editorText = kEditorTag + "first\r\n" + kEditorTag2 + "second";
  LyricPanelFresh = 1;
  SaveAs(PathIn("lyrics"));

  ASSERT_EQ(view.dialogs.size(), 1u);
  EXPECT_TRUE(view.dialogs[0].save);
  EXPECT_EQ(view.dialogs[0].title, "SyncText File Save");
  EXPECT_EQ(view.dialogs[0].filter,
            "SyncText Files (*.snc)|*.snc|LRC Files (*.lrc)|*.lrc|Enhanced LRC Files (*.lrc)|*.lrc|"
            "LRC Files, CP949 (*.lrc)|*.lrc|Enhanced LRC Files, CP949 (*.lrc)|*.lrc|SRT Subtitles (*.srt)|*.srt|"
            "Text Files (*.*)|*.*|");
  EXPECT_EQ(view.dialogs[0].filterIndex, 0);
  EXPECT_EQ(view.dialogs[0].folder, CurrentMp3Folder);
  EXPECT_EQ(view.dialogs[0].proposedName, "proposed.snc");
  EXPECT_EQ(view.commandAtDialog, kCmdPlay);

  EXPECT_EQ(TextFilePath, PathIn("lyrics.snc"));
  EXPECT_EQ(TextFileName, "lyrics");
  EXPECT_EQ(view.controlTexts[kIdcGroupFrame], "  - lyrics");
  EXPECT_EQ(Get(PathIn("lyrics.snc")), kStoredTag + "first\r\n" + kStoredTag2 + "second");
  EXPECT_EQ(view.editorText, kEditorTag + "first\r\n" + kEditorTag2 + "second");
  EXPECT_TRUE(view.messages.empty());

  EXPECT_TRUE(SharedSyncTable.Present());
  EXPECT_EQ(SharedSyncTable.Count(), 2);
  EXPECT_EQ(LyricPanelFresh.load(), 0);
  std::array<unsigned char, 512> out{};
  ASSERT_EQ(FindSyncText(65, out), 13);  // "00", the mark, CR LF, "first", CR LF
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data()), 13), "00\xA2\xD0\r\nfirst\r\n");
}

TEST_F(TextSaveTest, SavedFileOpensToTheSameEditorText) {
  std::string text = kEditorTag + "one\r\n" + kEditorTag2 + kHangulCp949 + "\r\n";
  view.editorText = text;
  SaveAs(PathIn("round.snc"));
  EXPECT_EQ(Get(PathIn("round.snc")).size(), text.size() + 4);  // two bytes more per tag

  view.editorText.clear();
  view.QueueFile(Choose(PathIn("round.snc")));
  OnTextOpen();
  EXPECT_EQ(view.editorText, text);
}

TEST_F(TextSaveTest, SncIsAppendedUnlessTheNameEndsInIt) {
  struct Case {
    const char* chosen;
    const char* written;
  } cases[] = {
      {"plain", "plain.snc"},       {"UPPER.SNC", "UPPER.SNC"}, {"Mixed.SnC", "Mixed.SnC"},
      {"words.txt", "words.txt.snc"}, {"x.snc", "x.snc"},
  };
  view.editorText = kEditorTag + "la";
  for (const Case& c : cases) {
    SaveAs(PathIn(c.chosen));
    EXPECT_EQ(TextFilePath, PathIn(c.written)) << c.chosen;
    EXPECT_TRUE(fs::exists(PathIn(c.written))) << c.chosen;
  }
}

TEST_F(TextSaveTest, NothingToSaveIsAnError) {
  view.editorText = "";
  SaveAs(PathIn("empty"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text Error !!! "});
  EXPECT_FALSE(fs::exists(PathIn("empty.snc")));
}

TEST_F(TextSaveTest, ExistingFileIsReplacedOnlyOnYes) {
  std::string path = PathIn("have.snc");
  Put(path, "old content");
  view.editorText = "new content";

  SaveAs(path, {Answer::No});
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text File OverWrite ? "});
  EXPECT_EQ(view.messages[0].style, MessageStyle::YesNo);
  EXPECT_EQ(Get(path), "old content");

  SaveAs(path, {Answer::Yes});
  EXPECT_EQ(Get(path), "new content");
}

TEST_F(TextSaveTest, UnwritableDestinationIsReportedAndTheOldFileKept) {
  view.editorText = kEditorTag + "words";
  SaveAs(PathIn("no-such-folder/x.snc"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text File Save Error !!! "});

  std::string locked = PathIn("locked.snc");
  Put(locked, "keep me");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  view.messages.clear();
  SaveAs(locked, {Answer::Yes});
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{" Text File OverWrite ? ", " Text File Save Error !!! "}));
  EXPECT_EQ(Get(locked), "keep me");
}

TEST_F(TextSaveTest, UntimedLyricsAreSavedAndTheStatusBarSaysThePanelWillNotFollow) {
  // A table from earlier lyrics must not stay in use for the new ones.
  view.editorText = kEditorTag + "earlier";
  SaveAs(PathIn("earlier.snc"));
  ASSERT_TRUE(SharedSyncTable.Present());

  view.editorText = "no time tags here\r\n";
  SaveAs(PathIn("plain.snc"));
  EXPECT_EQ(Get(PathIn("plain.snc")), "no time tags here\r\n");
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.statusTexts[kPanePrompt], PanelWillNotFollowText(kTextDataError000));
  EXPECT_NE(view.statusTexts[kPanePrompt].find("Text Data Error 000 !!!"), std::string::npos);
  EXPECT_FALSE(SharedSyncTable.Present());
}

TEST_F(TextSaveTest, LyricsTooLongForTheBufferAreNotSavedCut) {
  // More than the buffer holds: a save would lose the end.
  view.editorText = kEditorTag + std::string(30720, 'a');
  SaveAs(PathIn("too long"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Song Text Size Over !!! "});
  EXPECT_FALSE(fs::exists(PathIn("too long.snc")));

  // Fits in editor form, but the stored form has two bytes more per tag.
  view.messages.clear();
  view.editorText = kEditorTag + std::string(30719 - kEditorTag.size(), 'b');
  SaveAs(PathIn("stored too long"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text Size Over 30719 bytes !!! "});
  EXPECT_FALSE(fs::exists(PathIn("stored too long.snc")));
}

TEST_F(TextSaveTest, LyricsTooLongForABlockAreSavedAndTheStatusBarSaysSo) {
  view.editorText = LongTimedLyrics(30716);
  SaveAs(PathIn("long.snc"));
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(Get(PathIn("long.snc")).size(), 30716u);
  EXPECT_EQ(view.statusTexts[kPanePrompt], PanelWillNotFollowText(kTextDataError999));
  EXPECT_FALSE(SharedSyncTable.Present());
}

TEST_F(TextSaveTest, CancelWritesNothing) {
  view.editorText = "words";
  view.QueueFile(std::nullopt);
  OnTextSave();
  EXPECT_TRUE(TextFilePath.empty());
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(TextSaveTest, LongPathsAreHeldWhole) {
  fs::path deep = dir;
  while (deep.string().size() < 290) deep /= "folder_of_lyrics";
  fs::create_directories(deep);
  std::string path = (deep / "song.snc").string();
  ASSERT_GT(path.size(), 300u);
  view.editorText = kEditorTag + "deep";
  SaveAs(path);
  EXPECT_EQ(TextFilePath, path);
  EXPECT_EQ(Get(path), kStoredTag + "deep");
  view.editorText.clear();
  view.QueueFile(Choose(path));
  OnTextOpen();
  EXPECT_EQ(view.editorText, kEditorTag + "deep");
}

class PromptSaveTextTest : public CommandTest {};

TEST_F(PromptSaveTextTest, EmptyEditorWithoutFileAsksNothing) {
  PromptSaveText();
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(PromptSaveTextTest, UnchangedUntimedTextIsSilentAnyChangeAsks) {
  TextFilePath = PathIn("plain.txt");
  Put(TextFilePath, "words\r\n");
  view.editorText = "words\r\n";
  PromptSaveText();
  EXPECT_TRUE(view.messages.empty());

  view.editorText = "words\r\nmore";
  view.QueueAnswer(Answer::No);
  PromptSaveText();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text File Save ? "});
  EXPECT_TRUE(view.dialogs.empty());
}

TEST_F(PromptSaveTextTest, YesRunsTextSave) {
  view.editorText = kEditorTag + "to keep";
  view.QueueAnswer(Answer::Yes);
  view.QueueFile(Choose(PathIn("kept")));
  PromptSaveText();
  ASSERT_EQ(view.dialogs.size(), 1u);
  EXPECT_EQ(view.dialogs[0].title, "SyncText File Save");
  EXPECT_EQ(Get(PathIn("kept.snc")), kStoredTag + "to keep");

  PromptSaveText();  // the saved, tagged text is now unchanged
  EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(PromptSaveTextTest, UnchangedSixDigitFileIsSilent) {
  TextFilePath = PathIn("old.snc");
  Put(TextFilePath, std::string("\xA2\xE2" "000105" "\r\n") + "lyric\r\n");
  view.editorText = kEditorTag + "lyric\r\n";  // as Text Open loaded it
  PromptSaveText();
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(PromptSaveTextTest, VanishedFileStillAsksForTheLyrics) {
  TextFilePath = PathIn("gone.snc");
  view.editorText = "words";
  view.QueueAnswer(Answer::No);
  PromptSaveText();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text File Save ? "});
}

}  // namespace
}  // namespace vexalo::test

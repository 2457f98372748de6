#include "commands/lyrics_file_commands.h"

#include <array>

#include "command_test_env.h"
#include "commands/editor_commands.h"
#include "commands/text_commands.h"
#include "common/control_ids.h"
#include "common/text_codec.h"
#include "lyrics/lyrics_editor.h"
#include "sync/sync_table.h"

namespace vexalo::test {
namespace {

std::string L(const char* digits) { return "\xA7" + std::string(digits) + "\xBB\r\n"; }
std::string W(const char* digits) { return "\xAB" + std::string(digits) + "\xBB"; }
std::string K(const std::string& utf8) { return EncodeCp949(utf8).bytes; }

enum SaveFilter { kSyncTextFilter, kLrcFilter, kEnhancedFilter, kLrcCp949Filter, kEnhancedCp949Filter, kSrtFilter, kAnyFilter };

class LyricsFileTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    ResetSyncTable(1);
    LastLrcTags = LrcTags{};
  }
  void TearDown() override {
    SongInfo.Reset();
    CommandTest::TearDown();
  }
  void Open(const std::string& path, std::initializer_list<Answer> answers = {}) {
    for (Answer a : answers) view.QueueAnswer(a);
    view.QueueFile(Choose(path));
    OnTextOpen();
  }
  void SaveAs(const std::string& path, int filter, std::initializer_list<Answer> answers = {}) {
    for (Answer a : answers) view.QueueAnswer(a);
    FileChoice choice = Choose(path);
    choice.filterIndex = filter;
    view.QueueFile(choice);
    OnTextSave();
  }
};

const std::string kSong =
    "\xEF\xBB\xBF[ar:\xEC\x95\x84\xEC\x9D\xB4\xEC\x9C\xA0]\r\n[ti:Day]\r\n[offset:+100]\r\n"
    "[00:01.10]<00:01.10>\xEC\x82\xAC\xEB\x9E\x91 <00:01.60>you\r\n[00:03.10][00:05.10]chorus\r\n";
const std::string kSongEditor = L("00000100") + W("000100") + K("사랑 ") + W("000150") + "you\r\n" +
                                L("00000300") + "chorus\r\n" + L("00000500") + "chorus\r\n";

TEST_F(LyricsFileTest, TextOpenOffersLrcFilesAndReadsThemIntoEditorForm) {
  const std::string path = PathIn("song.lrc");
  Put(path, kSong);
  Open(path);
  ASSERT_EQ(view.dialogs.size(), 1u);
  EXPECT_EQ(view.dialogs[0].filter,
            "Lyrics files (*.snc;*.lrc;*.txt)|*.snc;*.lrc;*.txt|SyncText Files (*.snc)|*.snc|LRC Files (*.lrc)|*.lrc|"
            "Text Files (*.txt)|*.txt|All files (*.*)|*.*|");
  EXPECT_EQ(view.editorText, kSongEditor);
  EXPECT_EQ(LyricsTextBuffer, kSongEditor);
  EXPECT_EQ(TextFilePath, path);
  EXPECT_EQ(view.controlTexts[kIdcGroupFrame], "< song.lrc >");
  EXPECT_EQ(view.statusTexts[kPanePrompt], " LRC file read as UTF-8 ");
  EXPECT_TRUE(view.messages.empty());
  ASSERT_NE(LastLrcTags.Find("ti"), nullptr);

  // Unchanged lyrics need no save question; changed ones do.
  PromptSaveText();
  EXPECT_TRUE(view.messages.empty());
  view.editorText += "more";
  view.QueueAnswer(Answer::No);
  PromptSaveText();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text File Save ? "});
}

TEST_F(LyricsFileTest, TheEncodingChosenInTheDialogReadsTheLrcFile) {
  const std::string path = PathIn("cp949.lrc");
  Put(path, K("[00:01.00]사랑\n"));
  FileChoice choice = Choose(path);
  choice.choice = static_cast<int>(EncodingChoice::Utf8);
  view.QueueFile(choice);
  OnTextOpen();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                " LRC File Code Error: 4 bytes are not in the encoding chosen; they are kept as they are !!! "});
  EXPECT_EQ(view.editorText, L("00000100") + K("사랑") + "\r\n");
  // The next open keeps that choice; Automatic reads the file as CP949 again.
  choice.choice = static_cast<int>(EncodingChoice::Automatic);
  view.QueueFile(choice);
  view.messages.clear();
  OnTextOpen();
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.statusTexts[kPanePrompt], " LRC file read as CP949 ");
}

TEST_F(LyricsFileTest, ATextFileHoldingLrcStampsIsReadAsLrcAndSyncTextStaysSyncText) {
  const std::string lrc = PathIn("song.txt");
  Put(lrc, "[00:02.00]two\n[00:01.00]one\n");
  Open(lrc);
  EXPECT_EQ(view.editorText, L("00000100") + "one\r\n" + L("00000200") + "two\r\n");

  const std::string snc = PathIn("stored.txt");
  Put(snc, "\xA2\xE2" "00000100\xA2\xD0\r\n[00:09.00] typed by hand\r\n");
  Open(snc);
  EXPECT_EQ(view.editorText, L("00000100") + "[00:09.00] typed by hand\r\n");
  EXPECT_EQ(LastLrcTags, LrcTags{});
}

TEST_F(LyricsFileTest, BadLinesAreToldByNumberAndKeptInTheEditor) {
  const std::string path = PathIn("bad.lrc");
  Put(path, "[00:01.00]one\n[1:2:3]two\n[99:99.99]three\n[00:04.00]four\n");
  Open(path);
  EXPECT_EQ(view.editorText, L("00000100") + "one\r\n[1:2:3]two\r\n[99:99.99]three\r\n" + L("00000400") + "four\r\n");
  EXPECT_EQ(MessageTexts(),
            std::vector<std::string>{" LRC Time Error: line 2: \"[1:2:3]\" is not a time (mm:ss.xx); the line is "
                                     "kept as lyrics (1 more line has a problem) !!! "});
}

TEST_F(LyricsFileTest, LyricsTooLongForTheEditorAreRefusedAndTheEditorKept) {
  std::string big;
  for (int n = 0; big.size() < 5u << 20; ++n) big += "[00:01.00]line " + std::to_string(n) + "\n";
  const std::string path = PathIn("huge.lrc");
  Put(path, big);
  view.editorText = "";
  Open(path);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text.rfind(" LRC Size Over: the lyrics need ", 0), 0u) << view.messages[0].text;
  EXPECT_NE(view.messages[0].text.find("the editor holds 30719 !!! "), std::string::npos);
  EXPECT_EQ(view.editorText, "");
  EXPECT_EQ(LyricsTextBuffer, "");
}

struct SaveCase {
  const char* name;
  int filter;
  const char* typed;
  const char* written;
  std::string bytes;
};

TEST_F(LyricsFileTest, TextSaveWritesTheChosenType) {
  const std::string path = PathIn("song.lrc");
  Put(path, kSong);
  Open(path);
  const std::string korean = "\xEC\x82\xAC\xEB\x9E\x91 ";  // UTF-8
  const std::string head = "[ar:\xEC\x95\x84\xEC\x9D\xB4\xEC\x9C\xA0]\r\n[ti:Day]\r\n[offset:0]\r\n";
  const std::vector<SaveCase> cases = {
      {"plain LRC in UTF-8", kLrcFilter, "plain", "plain.lrc",
       head + "[00:01.00]" + korean + "you\r\n[00:03.00]chorus\r\n[00:05.00]chorus\r\n"},
      {"enhanced LRC in UTF-8", kEnhancedFilter, "words.lrc", "words.lrc",
       head + "[00:01.00]<00:01.00>" + korean + "<00:01.50>you\r\n[00:03.00]chorus\r\n[00:05.00]chorus\r\n"},
      {"plain LRC in CP949", kLrcCp949Filter, "cp.LRC", "cp.LRC",
       K(head + "[00:01.00]" + korean + "you\r\n[00:03.00]chorus\r\n[00:05.00]chorus\r\n")},
      {"enhanced LRC in CP949", kEnhancedCp949Filter, "cpw", "cpw.lrc",
       K(head + "[00:01.00]<00:01.00>" + korean + "<00:01.50>you\r\n[00:03.00]chorus\r\n[00:05.00]chorus\r\n")},
      {"SRT", kSrtFilter, "video", "video.srt",
       "1\r\n00:00:01,000 --> 00:00:03,000\r\n" + korean + "you\r\n\r\n2\r\n00:00:03,000 --> 00:00:05,000\r\n"
       "chorus\r\n\r\n3\r\n00:00:05,000 --> 00:00:10,000\r\nchorus\r\n"},
      {"any type, by the name's extension", kAnyFilter, "named.srt", "named.srt",
       "1\r\n00:00:01,000 --> 00:00:03,000\r\n" + korean + "you\r\n\r\n2\r\n00:00:03,000 --> 00:00:05,000\r\n"
       "chorus\r\n\r\n3\r\n00:00:05,000 --> 00:00:10,000\r\nchorus\r\n"},
  };
  for (const SaveCase& c : cases) {
    ResetSyncTable(1);
    view.messages.clear();
    SaveAs(PathIn(c.typed), c.filter);
    EXPECT_EQ(TextFilePath, PathIn(c.written)) << c.name;
    EXPECT_EQ(Get(PathIn(c.written)), c.bytes) << c.name;
    EXPECT_TRUE(view.messages.empty()) << c.name;
    EXPECT_EQ(SharedSyncTable.Count(), 3) << c.name << ": the lyric panel follows the saved lyrics";
    // Saved and unchanged: no question before the next open.
    PromptSaveText();
    EXPECT_TRUE(view.messages.empty()) << c.name;
  }
  EXPECT_EQ(view.statusTexts[kPanePrompt], " SRT file saved ");
  EXPECT_EQ(view.editorText, kSongEditor);
}

TEST_F(LyricsFileTest, AnExistingFileIsOverwrittenOnlyAfterYes) {
  view.editorText = L("00000100") + "one\r\n";
  const std::string path = PathIn("old.lrc");
  Put(path, "old");
  SaveAs(path, kLrcFilter, {Answer::No});
  EXPECT_EQ(Get(path), "old");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text File OverWrite ? "});
  SaveAs(path, kLrcFilter, {Answer::Yes});
  EXPECT_EQ(Get(path), "[00:01.00]one\r\n");
}

TEST_F(LyricsFileTest, TheSaveDialogProposesTheTypeOfTheLastTextFile) {
  view.editorText = L("00000100") + "one\r\n";
  TextFileName = "last.lrc";
  view.QueueFile(std::nullopt);
  OnTextSave();
  TextFileName = "clip.srt";
  view.QueueFile(std::nullopt);
  OnTextSave();
  TextFileName = "plain.snc";
  view.QueueFile(std::nullopt);
  OnTextSave();
  ASSERT_EQ(view.dialogs.size(), 3u);
  EXPECT_EQ(view.dialogs[0].filterIndex, kLrcFilter);
  EXPECT_EQ(view.dialogs[1].filterIndex, kSrtFilter);
  EXPECT_EQ(view.dialogs[2].filterIndex, kSyncTextFilter);
}

TEST_F(LyricsFileTest, SrtEndsTheLastCueAtTheSongsEnd) {
  view.editorText = L("00000100") + "one\r\n" + L("00000300") + "two\r\n";
  PlayerState = kStateWholeView;
  SongInfo.totalMinutes = 0;
  SongInfo.totalSeconds = 4;
  SongInfo.totalMillis = 250;
  SaveAs(PathIn("clip.srt"), kSrtFilter);
  EXPECT_EQ(Get(PathIn("clip.srt")),
            "1\r\n00:00:01,000 --> 00:00:03,000\r\none\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,250\r\ntwo\r\n");
}

TEST_F(LyricsFileTest, NothingToSaveIsAnError) {
  view.editorText = "";
  SaveAs(PathIn("empty.lrc"), kLrcFilter);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text Error !!! "});
  EXPECT_FALSE(FileExists(PathIn("empty.lrc")));
}

TEST_F(LyricsFileTest, TheIdTagsOfAnEarlierSongAreNotWrittenForTheNextLyrics) {
  const std::string path = PathIn("song.lrc");
  Put(path, kSong);
  Open(path);
  ASSERT_NE(LastLrcTags.Find("ti"), nullptr);
  view.QueueAnswer(Answer::Yes);
  OnEditorClear();
  EXPECT_EQ(LastLrcTags, LrcTags{});
  view.editorText = L("00000100") + "new\r\n";
  SaveAs(PathIn("new.lrc"), kLrcFilter);
  EXPECT_EQ(Get(PathIn("new.lrc")), "[00:01.00]new\r\n");
}

}  // namespace
}  // namespace vexalo::test

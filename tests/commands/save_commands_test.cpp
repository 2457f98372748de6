#include "commands/save_commands.h"

#include <sys/stat.h>

#include "command_test_env.h"
#include "common/control_ids.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/syncmp3_file.h"

namespace vexalo::test {
namespace {

const std::string kEditorLyrics = "\xA7" "00010500" "\xBB\r\nfirst line\r\n\xA7" "00020040" "\xBB\r\nsecond";
const std::string kStoredLyrics = "\xA2\xE2" "00010500" "\xA2\xD0\r\nfirst line\r\n\xA2\xE2" "00020040" "\xA2\xD0\r\nsecond";

std::uint32_t BigEndian32(const std::string& s, std::size_t at) {
  auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + i])); };
  return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
}

// Editor lyrics whose stored form is `storedBytes` long (at least 30,340): 59 groups of a tag
// and 498 letters, then one shorter group.
std::string LongTimedLyrics(std::size_t storedBytes) {
  std::string text;
  for (int g = 0; g < 59; ++g) text += "\xA7" "00010500" "\xBB\r\n" + std::string(498, 'a') + "\r\n";
  return text + "\xA7" "00020000" "\xBB\r\n" + std::string(storedBytes - 59 * 514 - 14, 'z');
}

class SyncMp3SaveTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    ResetSyncTable(1);
  }
  // As MP3 File Open leaves the names for a file in the scratch folder.
  void OpenedFile(const std::string& path) {
    CurrentMp3Path = path;
    SyncSourcePath = path;
    CurrentMp3Name = fs::path(path).filename().string();
    CurrentMp3Folder = fs::path(path).parent_path().string() + "/";
  }
  void SaveAs(const std::string& chosen, std::initializer_list<Answer> answers = {}) {
    for (Answer a : answers) view.QueueAnswer(a);
    view.QueueFile(Choose(chosen));
    OnSyncMp3FileSave();
  }
  // The stored lyrics embedded in a SyncMP3 file, rebuilt through the sync table.
  std::string EmbeddedLyrics(const std::string& path) {
    std::array<unsigned char, kSyncBlockBytes> block{};
    bool found = false;
    EXPECT_EQ(ReadSyncMp3Block(path, block, &found), 1);
    EXPECT_TRUE(found);
    SyncTable table;
    if (table.Parse(kSyncMagic, block) != 1) return "<no block>";
    EXPECT_EQ(ParseSyncBlock(kSyncMagic, block), 1);
    return RebuildSyncText();
  }
};

TEST_F(SyncMp3SaveTest, WithoutAnOpenFileSaysSoAndOpensNoDialog) {
  view.editorText = kEditorLyrics;
  OnSyncMp3FileSave();
  ASSERT_EQ(MessageTexts(), std::vector<std::string>{" MP3 File Open Error !!! "});
  EXPECT_EQ(view.messages[0].title, "Vexalo Caption Editor");
  EXPECT_EQ(view.messages[0].style, MessageStyle::Ok);
  EXPECT_TRUE(view.dialogs.empty());
}

TEST_F(SyncMp3SaveTest, SavesTheLyricsIntoANewCopyOfTheOpenFile) {
  std::string source = CopyFixture("tagged_v23.mp3", "song.mp3");
  std::string before = Get(source);
  OpenedFile(source);
  view.editorText = kEditorLyrics;
  SaveAs(PathIn("with lyrics"));

  ASSERT_EQ(view.dialogs.size(), 1u);
  EXPECT_TRUE(view.dialogs[0].save);
  EXPECT_EQ(view.dialogs[0].title, "SyncMP3 File Save");
  EXPECT_EQ(view.dialogs[0].filter, "SyncMP3 Files (*.mp3)|*.mp3|");
  EXPECT_EQ(view.dialogs[0].folder, dir.string() + "/");
  EXPECT_EQ(view.dialogs[0].proposedName, "song.mp3");
  EXPECT_EQ(view.commandAtDialog, kCmdPlay);
  EXPECT_TRUE(view.messages.empty());

  std::string out = PathIn("with lyrics.mp3");
  EXPECT_EQ(EmbeddedLyrics(out), kStoredLyrics);
  EXPECT_EQ(Get(source), before);
  EXPECT_EQ(CurrentMp3Name, "with lyrics");  // the dialog's name, for the next save's proposal
  EXPECT_EQ(CurrentMp3Path, source);
  EXPECT_EQ(view.editorText, kEditorLyrics);
}

TEST_F(SyncMp3SaveTest, Mp3ExtensionRule) {
  OpenedFile(CopyFixture("stereo_44k.mp3", "src.mp3"));
  view.editorText = kEditorLyrics;
  struct Case {
    const char* chosen;
    const char* written;
  } cases[] = {{"a", "a.mp3"}, {"b.Mp3", "b.Mp3"}, {"c.MP3", "c.MP3"}, {"d.wav", "d.wav.mp3"}};
  for (const Case& c : cases) {
    SaveAs(PathIn(c.chosen));
    EXPECT_TRUE(fs::exists(PathIn(c.written))) << c.chosen;
  }
  EXPECT_FALSE(fs::exists(PathIn("b.Mp3.mp3")));
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(SyncMp3SaveTest, SavingInPlaceAsksBothQuestionsAndRewritesTheOpenFile) {
  std::string source = CopyFixture("stereo_44k.mp3", "song.mp3");
  std::string audio = Get(source);
  OpenedFile(source);
  view.editorText = kEditorLyrics;
  SaveAs(source, {Answer::Yes, Answer::Yes});

  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{" Same MP3 File Save ? ", " MP3 File OverWrite ? "}));
  EXPECT_EQ(view.messages[0].style, MessageStyle::YesNo);
  EXPECT_EQ(view.messages[1].style, MessageStyle::YesNo);
  std::string now = Get(source);
  ASSERT_GT(now.size(), audio.size());
  EXPECT_EQ(now.substr(now.size() - audio.size()), audio);  // the audio follows the new tag whole
  ResetSyncTable(1);
  EXPECT_EQ(EmbeddedLyrics(source), kStoredLyrics);
}

TEST_F(SyncMp3SaveTest, InPlaceSaveReparsesTheTable) {
  std::string source = CopyFixture("stereo_44k.mp3", "song.mp3");
  OpenedFile(source);
  view.editorText = kEditorLyrics;
  SaveAs(source, {Answer::Yes, Answer::Yes});
  EXPECT_TRUE(SharedSyncTable.Present());
  EXPECT_EQ(SharedSyncTable.Count(), 2);
}

TEST_F(SyncMp3SaveTest, NoToEitherQuestionLeavesTheFileAlone) {
  std::string source = CopyFixture("stereo_44k.mp3", "song.mp3");
  std::string before = Get(source);
  OpenedFile(source);
  view.editorText = kEditorLyrics;

  SaveAs(source, {Answer::No});
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Same MP3 File Save ? "});
  EXPECT_EQ(Get(source), before);

  view.messages.clear();
  SaveAs(source, {Answer::Yes, Answer::No});
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{" Same MP3 File Save ? ", " MP3 File OverWrite ? "}));
  EXPECT_EQ(Get(source), before);
  EXPECT_FALSE(SharedSyncTable.Present());
}

TEST_F(SyncMp3SaveTest, TheSameFileUnderAnotherSpellingIsRecognised) {
  std::string source = CopyFixture("stereo_44k.mp3", "song.mp3");
  OpenedFile(source);
  fs::create_hard_link(source, PathIn("link.mp3"));
  view.editorText = kEditorLyrics;

  SaveAs(dir.string() + "/./song.mp3", {Answer::No});
  SaveAs(PathIn("link.mp3"), {Answer::No});
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{" Same MP3 File Save ? ", " Same MP3 File Save ? "}));
}

TEST_F(SyncMp3SaveTest, ExistingOtherFileIsOverwrittenOnlyOnYes) {
  OpenedFile(CopyFixture("stereo_44k.mp3", "song.mp3"));
  std::string other = PathIn("other.mp3");
  Put(other, "someone else's file");
  view.editorText = kEditorLyrics;

  SaveAs(other, {Answer::No});
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" MP3 File OverWrite ? "});
  EXPECT_EQ(Get(other), "someone else's file");

  SaveAs(other, {Answer::Yes});
  EXPECT_EQ(EmbeddedLyrics(other), kStoredLyrics);
}

TEST_F(SyncMp3SaveTest, ReadOnlySourceSavedInPlaceIsRefusedAfterBothQuestions) {
  std::string source = CopyFixture("stereo_44k.mp3", "locked.mp3");
  std::string before = Get(source);
  ASSERT_EQ(::chmod(source.c_str(), 0444), 0);
  OpenedFile(source);
  view.editorText = kEditorLyrics;
  SaveAs(source, {Answer::Yes, Answer::Yes});

  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{" Same MP3 File Save ? ", " MP3 File OverWrite ? ",
                                                      "MP3 file Read-Only Error !!!"}));
  EXPECT_EQ(view.messages[2].style, MessageStyle::Ok);
  EXPECT_EQ(Get(source), before);

  // The same read-only source saved elsewhere is only read, so that works.
  view.messages.clear();
  SaveAs(PathIn("copy.mp3"));
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(EmbeddedLyrics(PathIn("copy.mp3")), kStoredLyrics);
}

TEST_F(SyncMp3SaveTest, DestinationThatCannotBeWrittenIsReported) {
  OpenedFile(CopyFixture("stereo_44k.mp3", "song.mp3"));
  view.editorText = kEditorLyrics;
  SaveAs(PathIn("missing-folder/out.mp3"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" MP3 File Write Error !!! "});
  EXPECT_NE(view.statusTexts[kPanePrompt].find("No such file or directory"), std::string::npos)
      << view.statusTexts[kPanePrompt];
  EXPECT_FALSE(fs::exists(PathIn("missing-folder")));

  std::string locked = PathIn("locked.mp3");
  Put(locked, "keep");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  view.messages.clear();
  SaveAs(locked, {Answer::Yes});
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{" MP3 File OverWrite ? ", " MP3 File Write Error !!! "}));
  EXPECT_EQ(Get(locked), "keep");
}

TEST_F(SyncMp3SaveTest, SourceThatVanishedIsReported) {
  std::string source = CopyFixture("stereo_44k.mp3", "song.mp3");
  OpenedFile(source);
  fs::remove(source);
  view.editorText = kEditorLyrics;
  SaveAs(PathIn("out.mp3"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"MP3 file open Error !!!"});
  EXPECT_EQ(view.statusTexts[kPanePrompt], " " + source + ": no such file ");
  EXPECT_FALSE(fs::exists(PathIn("out.mp3")));
}

TEST_F(SyncMp3SaveTest, EmptyEditorGivesAnEmptyTxxxFrame) {
  OpenedFile(CopyFixture("stereo_44k.mp3", "song.mp3"));
  view.editorText = "";
  SaveAs(PathIn("bare.mp3"));
  EXPECT_TRUE(view.messages.empty());
  std::string out = Get(PathIn("bare.mp3"));
  ASSERT_GT(out.size(), 21u);
  EXPECT_EQ(out.substr(0, 3), "ID3");
  EXPECT_EQ(out.substr(10, 4), "TXXX");
  EXPECT_EQ(BigEndian32(out, 14), 1u);
}

TEST_F(SyncMp3SaveTest, LyricsThatCannotBecomeABlockAreShownAndNothingIsWritten) {
  OpenedFile(CopyFixture("stereo_44k.mp3", "song.mp3"));
  view.editorText = "words before any time tag\r\n\xA7" "00010500" "\xBB\r\nlyric";
  SaveAs(PathIn("out.mp3"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Text Data Error 000 !!!"});
  EXPECT_FALSE(fs::exists(PathIn("out.mp3")));
}

TEST_F(SyncMp3SaveTest, LyricsTooLongForTheBufferAreNotSavedCut) {
  OpenedFile(CopyFixture("stereo_44k.mp3", "song.mp3"));
  view.editorText = "\xA7" "00010500" "\xBB\r\n" + std::string(30720, 'a');
  SaveAs(PathIn("out.mp3"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Song Text Size Over !!! "});
  EXPECT_FALSE(fs::exists(PathIn("out.mp3")));
}

TEST_F(SyncMp3SaveTest, LyricsTooLongForTheFrameOrTheBlockAreRefused) {
  OpenedFile(CopyFixture("stereo_44k.mp3", "song.mp3"));
  // A block of 30,714 bytes fits the block buffer but not the TXXX frame buffer.
  view.editorText = LongTimedLyrics(30700);
  SaveAs(PathIn("frame.mp3"));
  // One of 30,730 bytes does not even fit the block buffer.
  view.editorText = LongTimedLyrics(30716);
  SaveAs(PathIn("block.mp3"));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{" SyncMP3 Lyrics Size Over !!! ", "Text Data Error 999 !!!"}));
  EXPECT_FALSE(fs::exists(PathIn("frame.mp3")));
  EXPECT_FALSE(fs::exists(PathIn("block.mp3")));
}

TEST_F(SyncMp3SaveTest, CancelWritesNothing) {
  OpenedFile(CopyFixture("stereo_44k.mp3", "song.mp3"));
  view.editorText = kEditorLyrics;
  view.QueueFile(std::nullopt);
  OnSyncMp3FileSave();
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(CurrentMp3Name, "song.mp3");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(SyncMp3SaveTest, LongPathsAreHeldWhole) {
  fs::path deep = dir;
  while (deep.string().size() < 290) deep /= "folder_of_songs";
  fs::create_directories(deep);
  std::string source = (deep / "song.mp3").string();
  fs::copy_file(FixturePath("stereo_44k.mp3"), source);
  OpenedFile(source);
  view.editorText = kEditorLyrics;
  std::string out = (deep / "lyrics.mp3").string();
  ASSERT_GT(out.size(), 300u);
  SaveAs(out);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(EmbeddedLyrics(out), kStoredLyrics);

  SaveAs(source, {Answer::Yes, Answer::Yes});
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{" Same MP3 File Save ? ", " MP3 File OverWrite ? "}));
}

class Mp3PlusTextTest : public SyncMp3SaveTest {};

TEST_F(Mp3PlusTextTest, SavesIntoACopyOfAnotherFileAndPutsTheNamesBack) {
  std::string open = CopyFixture("stereo_44k.mp3", "open.mp3");
  fs::create_directory(dir / "other");
  std::string chosen = (dir / "other" / "chosen.mp3").string();
  fs::copy_file(FixturePath("mono_22k.mp3"), chosen);
  std::string chosenAudio = Get(chosen);
  OpenedFile(open);
  SyncSourcePath = open;
  view.editorText = kEditorLyrics;

  view.QueueFile(Choose(chosen));
  view.QueueFile(Choose((dir / "other" / "result").string()));
  OnMp3PlusTextFile();

  ASSERT_EQ(view.dialogs.size(), 2u);
  EXPECT_EQ(view.commandsAtDialogs, (std::vector<int>{kCmdPlay, kCmdPlay}));
  EXPECT_FALSE(view.dialogs[0].save);
  EXPECT_EQ(view.dialogs[0].title, "MP3 File Open");
  EXPECT_EQ(view.dialogs[0].filter, "MPEG Audio Files (*.mp3)|*.mp3|");
  EXPECT_EQ(view.dialogs[0].folder, "");
  EXPECT_EQ(view.dialogs[1].title, "SyncMP3 File Save");
  EXPECT_EQ(view.dialogs[1].folder, (dir / "other").string() + "/");
  EXPECT_EQ(view.dialogs[1].proposedName, "chosen.mp3");
  EXPECT_TRUE(view.messages.empty());

  std::string result = Get((dir / "other" / "result.mp3").string());
  ASSERT_GT(result.size(), chosenAudio.size());
  EXPECT_EQ(result.substr(result.size() - chosenAudio.size()), chosenAudio);
  EXPECT_EQ(EmbeddedLyrics((dir / "other" / "result.mp3").string()), kStoredLyrics);

  EXPECT_EQ(CurrentMp3Path, open);
  EXPECT_EQ(SyncSourcePath, open);
  EXPECT_EQ(CurrentMp3Name, "open.mp3");
  EXPECT_EQ(CurrentMp3Folder, dir.string() + "/");

  // The next SyncMP3 save takes the open file again and proposes what it did before.
  SaveAs(PathIn("after"));
  ASSERT_EQ(view.dialogs.size(), 3u);
  EXPECT_EQ(view.dialogs[2].folder, dir.string() + "/");
  EXPECT_EQ(view.dialogs[2].proposedName, "open.mp3");
  std::string after = Get(PathIn("after.mp3"));
  std::string openAudio = Get(open);
  EXPECT_EQ(after.substr(after.size() - openAudio.size()), openAudio);
}

TEST_F(Mp3PlusTextTest, NamesComeBackAfterAFailedOrCancelledSave) {
  std::string open = CopyFixture("stereo_44k.mp3", "open.mp3");
  std::string chosen = CopyFixture("mono_22k.mp3", "chosen.mp3");
  OpenedFile(open);
  view.editorText = kEditorLyrics;

  view.QueueFile(std::nullopt);  // the MP3 dialog cancelled
  OnMp3PlusTextFile();
  view.QueueFile(Choose(chosen));
  view.QueueFile(std::nullopt);  // the save dialog cancelled
  OnMp3PlusTextFile();
  view.QueueFile(Choose(chosen));
  view.QueueFile(Choose(PathIn("nowhere/x.mp3")));
  OnMp3PlusTextFile();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" MP3 File Write Error !!! "});

  EXPECT_EQ(CurrentMp3Path, open);
  EXPECT_EQ(SyncSourcePath, open);
  EXPECT_EQ(CurrentMp3Name, "open.mp3");
  EXPECT_EQ(CurrentMp3Folder, dir.string() + "/");
}

TEST_F(Mp3PlusTextTest, WorksBeforeAnyFileIsOpen) {
  std::string chosen = CopyFixture("mono_22k.mp3", "chosen.mp3");
  view.editorText = kEditorLyrics;
  view.QueueFile(Choose(chosen));
  view.QueueFile(Choose(PathIn("out.mp3")));
  OnMp3PlusTextFile();
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(EmbeddedLyrics(PathIn("out.mp3")), kStoredLyrics);
  EXPECT_TRUE(CurrentMp3Folder.empty());
  EXPECT_TRUE(CurrentMp3Path.empty());
}

}  // namespace
}  // namespace vexalo::test

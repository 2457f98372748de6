#include <array>

#include "command_test_env.h"
#include "commands/lyrics_file_commands.h"
#include "commands/save_commands.h"
#include "common/settings.h"
#include "sync/sync_table.h"
#include "syncmp3/frame_lyrics.h"
#include "syncmp3/lyrics_frames.h"
#include "syncmp3/syncmp3_file.h"

namespace vexalo::test {
namespace {

const std::string kEditor = "\xA7" "00010500" "\xBB\r\nfirst line\r\n\xA7" "00020040" "\xBB\r\nsecond";

// The identifiers of the frames of a file's ID3v2.3 tag, in order.
std::string FrameIds(const std::string& file) {
  std::string ids;
  auto b = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(file[k])); };
  const std::size_t end = 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
  for (std::size_t pos = 10; pos + 10 <= end && file[pos] != '\0';) {
    ids += (ids.empty() ? "" : " ") + file.substr(pos, 4);
    pos += 10 + (b(pos + 4) << 24 | b(pos + 5) << 16 | b(pos + 6) << 8 | b(pos + 7));
  }
  return ids;
}

class SyncMp3LyricsFramesTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    ResetSyncTable(1);
    UserSettings().ResetToDefaults();
    LastLrcTags = LrcTags{};
    const std::string song = CopyFixture("tagged_v23.mp3", "song.mp3");
    CurrentMp3Path = SyncSourcePath = song;
    CurrentMp3Name = "song.mp3";
    CurrentMp3Folder = dir.string() + "/";
    view.editorText = kEditor;
  }
  void TearDown() override {
    UserSettings().ResetToDefaults();
    CommandTest::TearDown();
  }
  void SaveAs(const std::string& name, std::initializer_list<Answer> answers = {}) {
    for (Answer a : answers) view.QueueAnswer(a);
    view.QueueFile(Choose(PathIn(name)));
    OnSyncMp3FileSave();
  }
};

TEST_F(SyncMp3LyricsFramesTest, SaveWritesSyltAndUsltAfterTheTxxxFrame) {
  SaveAs("out.mp3");
  ASSERT_TRUE(view.messages.empty());
  const std::string ids = FrameIds(Get(PathIn("out.mp3")));
  EXPECT_EQ(ids.substr(0, 14), "TXXX SYLT USLT") << ids;
  EXPECT_EQ(ReadFrameLyrics(PathIn("out.mp3")).frame.editorText, kEditor + "\r\n");
  EXPECT_FALSE(FileExists(PathIn("out.lrc")));

  // Saved again in place: still one of each.
  SyncSourcePath = PathIn("out.mp3");
  view.editorText = kEditor + "\r\nmore";
  SaveAs("out.mp3", {Answer::Yes, Answer::Yes});
  EXPECT_EQ(FrameIds(Get(PathIn("out.mp3"))), ids);
  EXPECT_EQ(ReadFrameLyrics(PathIn("out.mp3")).frame.editorText, kEditor + "\r\nmore\r\n");
}

TEST_F(SyncMp3LyricsFramesTest, SettingsChooseTheFramesAndTheirLanguage) {
  UserSettings().SetBool(kSettingWriteSylt, false);
  UserSettings().SetBool(kSettingWriteUslt, false);
  SaveAs("none.mp3");
  const std::string none = FrameIds(Get(PathIn("none.mp3")));
  EXPECT_EQ(none.find("SYLT"), std::string::npos) << none;
  EXPECT_EQ(none.find("USLT"), std::string::npos) << none;

  UserSettings().SetBool(kSettingWriteSylt, true);
  UserSettings().SetString(kSettingLyricsLanguage, "KOR");
  SaveAs("korean.mp3");
  const std::string korean = FrameIds(Get(PathIn("korean.mp3")));
  EXPECT_EQ(korean.substr(0, 9), "TXXX SYLT") << korean;
  EXPECT_EQ(korean.find("USLT"), std::string::npos) << korean;
  LyricsFrameKey key;
  key.language = "kor";
  EXPECT_EQ(ReadFrameLyrics(PathIn("korean.mp3"), key).frame.key.language, "kor");
}

TEST_F(SyncMp3LyricsFramesTest, ASidecarLrcGoesBesideTheSavedFileWhenAskedFor) {
  UserSettings().SetBool(kSettingWriteSidecarLrc, true);
  SaveAs("Song Title");
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(Get(PathIn("Song Title.lrc")), "[01:05.00]first line\r\n[02:00.40]second");

  // A different file of that name is replaced only after Yes; the same one needs no question.
  Put(PathIn("Song Title.lrc"), "someone's own");
  SaveAs("Song Title.mp3", {Answer::Yes, Answer::No});
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{" MP3 File OverWrite ? ", " LRC File OverWrite ? "}));
  EXPECT_EQ(Get(PathIn("Song Title.lrc")), "someone's own");
  view.messages.clear();
  SaveAs("Song Title.mp3", {Answer::Yes, Answer::Yes});
  EXPECT_EQ(Get(PathIn("Song Title.lrc")), "[01:05.00]first line\r\n[02:00.40]second");
  view.messages.clear();
  SaveAs("Song Title.mp3", {Answer::Yes});
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" MP3 File OverWrite ? "});
}

TEST_F(SyncMp3LyricsFramesTest, Mp3PlusTextWritesTheFramesIntoTheOtherFile) {
  const std::string other = CopyFixture("stereo_44k.mp3", "other.mp3");
  view.QueueFile(Choose(other));
  view.QueueFile(Choose(PathIn("other_synced.mp3")));
  OnMp3PlusTextFile();
  EXPECT_EQ(FrameIds(Get(PathIn("other_synced.mp3"))), "TXXX SYLT USLT");
}

}  // namespace
}  // namespace vexalo::test

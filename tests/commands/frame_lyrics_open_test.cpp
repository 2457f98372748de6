#include <array>
#include <fstream>
#include <iterator>

#include "command_test_env.h"
#include "commands/lyrics_file_commands.h"
#include "commands/mp3_open_command.h"
#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/text_codec.h"
#include "common/worker.h"
#include "lyrics/lyrics_editor.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/lyrics_frames.h"
#include "syncmp3/syncmp3_file.h"

namespace vexalo::test {
namespace {

std::string L(const char* digits) { return "\xA7" + std::string(digits) + "\xBB\r\n"; }
std::string K(const std::string& utf8) { return EncodeCp949(utf8).bytes; }

void NoDraw(Canvas&) {}

class FrameLyricsOpenTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    view.controlRects[kIdcWaveArea] = Rect{20, 30, 520, 230};
    SetDrawRoutine(NoDraw);
    ResetSyncTable(1);
    LastLrcTags = LrcTags{};
  }
  void TearDown() override {
    WaitForWorker();
    SetDrawRoutine(nullptr);
    CommandTest::TearDown();
  }
  // The fixture's audio behind an ID3v2.3 tag of the given frames.
  std::string WithFrames(const std::string& name, const std::string& frames) {
    std::ifstream in(FixturePath("stereo_44k.mp3"), std::ios::binary);
    const std::string audio((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::uint32_t n = static_cast<std::uint32_t>(frames.size());
    std::string tag = "ID3";
    tag += {3, 0, 0, static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F),
            static_cast<char>(n >> 7 & 0x7F), static_cast<char>(n & 0x7F)};
    const std::string path = PathIn(name);
    Put(path, tag + frames + audio);
    return path;
  }
  void Open(const std::string& path) {
    view.QueueFile(Choose(path));
    OnMp3FileOpen();
  }
  std::string PanelTextAt(std::uint32_t seconds) {
    std::array<unsigned char, 512> out{};
    const int n = FindSyncText(seconds, out);
    return n < 0 ? "<none>" : std::string(reinterpret_cast<char*>(out.data()), static_cast<std::size_t>(n));
  }
};

const std::string kLyrics = L("00000150") + K("사랑해") + "\r\n" + L("00000420") + "bye\r\n";

TEST_F(FrameLyricsOpenTest, SyltLyricsGoIntoTheEditorAndThePanelFollowsThem) {
  Open(WithFrames("sylt.mp3", BuildId3Frame("SYLT", BuildSyltBody(kLyrics))));
  EXPECT_EQ(view.GetEditorText(), kLyrics);
  EXPECT_EQ(LyricsTextBuffer, kLyrics);
  EXPECT_EQ(view.statusTexts[kPanePrompt], " Lyrics read from the SYLT frame ");
  EXPECT_EQ(SharedSyncTable.Count(), 2);
  EXPECT_EQ(PanelTextAt(4), "20\xA2\xD0\r\nbye\r\n");
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(FrameLyricsOpenTest, UsltHoldingLrcTextIsTakenWithItsIdTags) {
  const std::string body = std::string("\x00" "eng" "\x00", 5) + "[ti:Song]\n[00:01.50]one\n[00:04.20]two\n";
  Open(WithFrames("uslt.mp3", BuildId3Frame("USLT", body)));
  EXPECT_EQ(view.GetEditorText(), L("00000150") + "one\r\n" + L("00000420") + "two\r\n");
  EXPECT_EQ(view.statusTexts[kPanePrompt], " Lyrics read from the USLT frame (LRC text) ");
  ASSERT_NE(LastLrcTags.Find("ti"), nullptr);
  EXPECT_EQ(SharedSyncTable.Count(), 2);
}

TEST_F(FrameLyricsOpenTest, TheSyncTableOfTheLeadingTxxxFrameComesFirst) {
  const std::string source = WithFrames("both_src.mp3", BuildId3Frame("SYLT", BuildSyltBody(kLyrics)));
  const std::string stored = "\xA2\xE2" "00010500" "\xA2\xD0\r\ntable line\r\n";
  std::array<unsigned char, kSyncBlockBytes> block{};
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(stored, block, error));
  ASSERT_EQ(SaveSyncMp3File(source, PathIn("both.mp3"), false, block), kSyncMp3Saved);
  Open(PathIn("both.mp3"));
  EXPECT_EQ(view.GetEditorText(), L("00010500") + "table line\r\n");
  EXPECT_NE(view.statusTexts[kPanePrompt], " Lyrics read from the SYLT frame ");
}

TEST_F(FrameLyricsOpenTest, LyricsTooLongForTheEditorAreRefusedWhole) {
  std::string many;
  for (int i = 0; many.size() < 40'000; ++i) many += L("00000100") + "line " + std::to_string(i) + "\r\n";
  Open(WithFrames("long.mp3", BuildId3Frame("SYLT", BuildSyltBody(many))));
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text.rfind(" SYLT Lyrics Size Over: they need ", 0), 0u) << view.messages[0].text;
  EXPECT_EQ(view.GetEditorText(), "");
}

TEST_F(FrameLyricsOpenTest, AFileWithoutLyricsLeavesTheEditorEmptyAndForgetsEarlierIdTags) {
  LastLrcTags.tags = {{"ti", "Earlier Song"}};
  Open(CopyFixture("tagged_v23.mp3", "plain.mp3"));
  EXPECT_EQ(view.GetEditorText(), "");
  EXPECT_EQ(LastLrcTags, LrcTags{});
  EXPECT_FALSE(SharedSyncTable.Present());
}

}  // namespace
}  // namespace vexalo::test
